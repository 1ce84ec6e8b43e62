// The settings file holds the counters: whatever is in it, a load and a
// save must not crash, and what a save wrote must load and save again.
#include "fuzz_support.h"
#include "numbering/settings_file.h"
#include "platform/virtual_clock.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

using namespace kestrelon;

// The file lives in memory: every load reads `content`, every save
// replaces it.
class MemoryFile : public SettingsFileOps {
public:
    std::string content;

    bool exists(const std::string&) override { return true; }
    bool readAll(const std::string&, std::string& out) override {
        out = content;
        return true;
    }
    bool isReadOnly(const std::string&) override { return false; }
    int createTemp(const std::string&, std::string& tempPath) override {
        pending_.clear();
        tempPath = "temp";
        return 3;
    }
    bool writeAll(int, const std::string& data) override {
        pending_ += data;
        return true;
    }
    bool flush(int) override { return true; }
    bool close(int) override { return true; }
    bool rename(const std::string&, const std::string&) override {
        content = pending_;
        return true;
    }
    void remove(const std::string&) override {}
    void syncFolder(const std::string&) override {}

private:
    std::string pending_;
};

// One start of the program on the file and one save, as after a unit. Each
// start draws the same random numbers, so that random RF IDs, whose stored
// start is a fresh draw on every save, compare equal.
void loadAndSave(Clock& clock, const std::shared_ptr<MemoryFile>& memory) {
    SettingsFile file("TX.ini", ComponentContext{clock, std::make_shared<fuzz::FixedRandom>()}, memory);
    ProductSettings settings;
    RunState run;
    KnownDeviceTable devices{};
    NumberingGenerators generators;
    file.load(settings, run, devices, generators);
    run.NotYetActivated = 0;
    if (!file.save(settings, run, generators).ok) fuzz::Finding("a save to a writable file failed");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    VirtualClock clock;
    auto memory = std::make_shared<MemoryFile>();
    memory->content.assign(reinterpret_cast<const char*>(data), size);
    loadAndSave(clock, memory);
    const std::string first = memory->content;
    loadAndSave(clock, memory);
    if (memory->content != first) fuzz::Finding("load -> save -> load -> save changed the file");
    return 0;
}
