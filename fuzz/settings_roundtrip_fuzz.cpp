// The settings file holds the counters: whatever is in it, a load and a
// save must not crash, and what a save wrote must load and save again. The
// file lives in memory, so the parser sees every input whatever the
// working folder holds.
#include "fuzz_support.h"
#include "memory_settings_file.h"
#include "numbering/settings_file.h"
#include "platform/virtual_clock.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

using namespace kestrelon;

// One start of the program on the file and one save, as after a unit. Each
// start draws the same random numbers, so that random RF IDs, whose stored
// start is a fresh draw on every save, compare equal.
void loadAndSave(Clock& clock, const std::shared_ptr<test::MemorySettingsFile>& memory) {
    SettingsFile file("TX.ini", ComponentContext{clock, std::make_shared<fuzz::FixedRandom>()}, memory);
    file.setKeepDamagedCopy(false);   // the copy would go to the disk
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
    auto memory = std::make_shared<test::MemorySettingsFile>();
    memory->content.assign(reinterpret_cast<const char*>(data), size);
    memory->present = true;
    loadAndSave(clock, memory);
    const std::string first = memory->content;
    loadAndSave(clock, memory);
    if (memory->content != first) fuzz::Finding("load -> save -> load -> save changed the file");
    return 0;
}
