#pragma once
// The settings file "TX.ini": every production option and the four
// generators, in section "TX"; extra dongle IDs in the read-only section
// "Device". Laid out the way the platform's profile functions leave such a
// file (key=value, keys in the order first written, names matched without
// regard to case), so files move freely between this tool and older ones.

#include "device/known_devices.h"
#include "numbering/comp_stream.h"
#include "numbering/file_ops.h"
#include "numbering/generators.h"
#include "model/product_settings.h"
#include "model/run_state.h"

#include <functional>
#include <memory>
#include <string>

namespace kestrelon {

// Item counts of the lists whose item indexes the file stores; an index
// outside its list loads as kNoSelection.
constexpr int kCustKeyItems = 24;
constexpr int kFnKeyItems = 65;
constexpr int kRFPowerItems = 4;
constexpr int kBatteryItems = 3;

constexpr const char* kSettingsFileName = "TX.ini";
constexpr const char* kDefaultStringDesc = "USB 2.4G Wireless Desktop";

struct SaveResult {
    bool ok = true;
    std::string message;   // "Unable to write to <path>" when not ok
};

class SettingsFile {
public:
    // ops null: the real file system.
    SettingsFile(std::string path, ComponentContext ctx, std::shared_ptr<SettingsFileOps> ops = nullptr);

    const std::string& path() const { return path_; }

    // Reads the file into the options, slots 7-20 of the device table and
    // four new generators. RunMode is 2 while it runs and 0 afterwards.
    // onModelChange runs where "Model_Select" is read, only when the stored
    // model differs from settings.ModelIndex (which is set first); keys read
    // after it can still override what the hook did.
    void load(ProductSettings& settings, RunState& run, KnownDeviceTable& devices,
              NumberingGenerators& generators, const std::function<void(int)>& onModelChange = {});

    // Writes everything back, replacing the file as a whole. Does nothing
    // before the main window was first activated (NotYetActivated == 1).
    // Moves each RF ID generator's start to its next ID before storing it.
    SaveResult save(const ProductSettings& settings, const RunState& run, NumberingGenerators& generators);

private:
    std::string path_;
    ComponentContext ctx_;
    std::shared_ptr<SettingsFileOps> ops_;
};

// The value conventions of the file, exposed for the tests and the tools.
// Integers: "0x" or "$" prefix = hex, else decimal; false when not a number.
bool ParseIniInteger(const std::string& text, int& out);
// A "Device" value: vendor = first four characters, product = last four,
// both hex. Anything else (empty, short, not hex) gives an empty slot.
KnownDevice ParseDeviceValue(const std::string& text);

} // namespace kestrelon
