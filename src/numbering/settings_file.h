#pragma once
// The settings file "TX.ini": every production option and the four
// generators, in section "TX"; extra dongle IDs in the read-only section
// "Device". Laid out the way the platform's profile functions leave such a
// file (key=value, keys in the order first written, names matched without
// regard to case, the first of repeated keys or sections counts), so files
// move freely between this tool and older ones.

#include "device/known_devices.h"
#include "numbering/comp_stream.h"
#include "numbering/file_ops.h"
#include "numbering/generators.h"
#include "model/product_settings.h"
#include "model/run_state.h"
#include "platform/file_lock.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kestrelon {

// Item counts of the lists whose item indexes the file stores; an index
// outside its list loads as kNoSelection.
constexpr int kCustKeyItems = 24;
constexpr int kFnKeyItems = 65;
constexpr int kRFPowerItems = 4;
constexpr int kBatteryItems = 3;

constexpr const char* kSettingsFileName = "TX.ini";
constexpr const char* kDefaultStringDesc = "USB 2.4G Wireless Desktop";

// Whether the settings file lets units be programmed, and what to tell the
// operator. A message can come with ok as well (a notice, such as that a
// damaged file was copied aside).
struct SettingsStatus {
    bool ok = true;
    std::string message;
    // Not ok for now, but the cause may pass by itself (a number store that
    // does not answer): the same unit may be tried again later.
    bool retryLater = false;
};
// A save: not ok with "Unable to write to <path>" when the file was not
// replaced.
using SaveResult = SettingsStatus;

struct LoadResult : SettingsStatus {
    bool firstStart = false;    // no file yet: the defaults, nothing to tell
    std::string damagedCopy;    // where a damaged file was copied before anything could overwrite it
};

// The command that shows what the generators would hand out, named in the
// messages that ask someone to look at the numbering.
constexpr const char* kShowNumbersCommand = "kestrelon-mfg-cli numbers --settings";

class SettingsFile {
public:
    // ops null: the real file system.
    SettingsFile(std::string path, ComponentContext ctx, std::shared_ptr<SettingsFileOps> ops = nullptr);
    ~SettingsFile();

    const std::string& path() const { return path_; }
    // The path as messages name it: absolute, so it can be found.
    const std::string& fullPath() const { return fullPath_; }

    // Takes the exclusive lock on the file (a lock file "<name>.lock" beside
    // it) for the life of this object, waiting up to waitMs for a holder
    // that is shutting down, and then removes the temporary files that saves
    // cut short left behind. Not ok, with one line naming the file and the
    // holder's process ID, when another copy of the program keeps it.
    SettingsStatus lock(uint32_t waitMs);
    bool locked() const { return lock_ != nullptr; }

    // Reads the file into the options, slots 7-20 of the device table and
    // four new generators. RunMode is 2 while it runs and 0 afterwards.
    //
    // A value outside what its setting can take (a VID above 0xFFFF, a list
    // index beyond its list, a period outside its range, text where a number
    // belongs) is not cut or ignored: the load is not ok, the message names
    // each such key, and unitsBlocked() stays set until a save writes values
    // that are all in range (the operator corrected them) or a load finds
    // none.
    // onModelChange runs where "Model_Select" is read, only when the stored
    // model differs from settings.ModelIndex (which is set first); keys read
    // after it can still override what the hook did.
    //
    // No file: a first start with the defaults. A file that is there but
    // cannot be read: not ok, the defaults, and every later save refused, so
    // the file is never overwritten with them. A damaged file (its generator
    // values do not parse): each generator that can be read is kept, the
    // others start from their defaults, and the file is first copied aside
    // once as "<name>.damaged-<date>-<time>", which the message names. The
    // load is then not ok: no unit is numbered from defaults where counters
    // were, until the generators are set again (replaceDamagedGenerators);
    // until then saves keep the damaged values as they are.
    LoadResult load(ProductSettings& settings, RunState& run, KnownDeviceTable& devices,
                    NumberingGenerators& generators, const std::function<void(int)>& onModelChange = {});

    // Writes everything back, replacing the file as a whole. Does nothing
    // before the main window was first activated (NotYetActivated == 1).
    // Moves each sequential RF ID generator's start to its next ID before
    // storing it.
    SaveResult save(const ProductSettings& settings, const RunState& run, NumberingGenerators& generators);

    // Whether a save could replace the file now (its folder takes new
    // files, the file is writable or not there yet); cheap enough to ask
    // before every unit. Not ok after a load that could not read the file.
    SettingsStatus canReplace() const;
    // Whether units may be numbered from this file now: it was read, its
    // values are in range, its generators are not damaged, it has one name
    // (two hard links would take two lock files), and the lock taken at
    // start-up still holds the lock file's path. Not ok with the message.
    SettingsStatus unitsBlocked() const;
    // The generators in memory were set on purpose (the numbering panel or
    // the command line): the next save stores them over the damaged values
    // and units may be numbered again.
    void replaceDamagedGenerators();
    bool generatorsDamaged() const { return !damagedKeys_.empty(); }
    // The last save that ran did not reach the file.
    bool lastSaveFailed() const { return lastSaveFailed_; }

    // Off: a damaged file is reported but not copied (a preview that must
    // not write anything).
    void setKeepDamagedCopy(bool on) { keepDamagedCopy_ = on; }

private:
    struct Parsed;
    std::string copyDamaged(const std::string& data, std::string& reason);
    std::string damagedNumberingText() const;

    std::string path_;
    ComponentContext ctx_;
    std::shared_ptr<SettingsFileOps> ops_;
    std::unique_ptr<FileLock> lock_;
    std::unique_ptr<Parsed> parsed_;
    std::string fullPath_;
    std::string unreadable_;   // why the last load could not read the file
    std::string outOfRange_;   // the keys whose values are out of range, as told
    std::vector<std::string> damagedKeys_;   // generator keys whose stored values could not be read
    std::string damagedCopy_;
    bool lastSaveFailed_ = false;
    bool keepDamagedCopy_ = true;
};

// The generators as the file stores them, one line of text each ("object
// TProdSN;  IsSN = True; ...end;"); a number store shared by stations keeps
// the same text, so both hand out the same numbers for the same settings.
std::string GeneratorValue(const TComponent& object);
// A generator from its stored value, settled as a load settles it; null when
// the value is damaged or of the other class.
std::unique_ptr<TProdSN> SerialGeneratorFromValue(const std::string& value, const ComponentContext& ctx);
std::unique_ptr<TProdRFID> RfidGeneratorFromValue(const std::string& value, const ComponentContext& ctx);
// What every store does before it keeps the generators: a sequential RF ID
// generator's start becomes its next ID, so a restart continues there.
void MoveRfidStartsToNext(NumberingGenerators& generators);

// The value conventions of the file, exposed for the tests and the tools.
// Integers: "0x" or "$" prefix = hex, else decimal; false when not a number.
bool ParseIniInteger(const std::string& text, int& out);
// A "Device" value: vendor = first four characters, product = last four,
// both hex. Anything else (empty, short, not hex) gives an empty slot.
KnownDevice ParseDeviceValue(const std::string& text);

} // namespace kestrelon
