// `numbers`: the serial numbers and RF IDs the next passing units would get
// if the program started now with a given settings file. It goes through
// the program's own start-up and per-unit counter advance, so what it shows
// is what the line will issue; the file is only read, without its lock.
#include "cli/commands.h"
#include "cli/file_checks.h"
#include "cli/unit_table.h"
#include "numbering/preview.h"
#include "numbering/settings_file.h"
#include "platform/steady_clock.h"

#include <ostream>

namespace kestrelon::cli {

namespace {

constexpr unsigned long long kMaxCount = 100000;

int run(const Args& args, const Io& io) {
    unsigned long long count = 1;
    if (args.has("count") && (!parseNumber(args.value("count"), kMaxCount, count) || count == 0)) {
        io.error("--count needs a number from 1 to " + std::to_string(kMaxCount));
        return kExitUsage;
    }
    const std::string path = args.value("settings", kSettingsFileName);
    std::string why;
    if (!CheckReadableIfPresent(path, why)) {
        io.error("cannot read settings file " + path + ": " + why);
        return kExitFailed;
    }
    if (args.has("settings") && !NamedSettingsFilePresent(path, why)) {
        io.error(why);
        return kExitFailed;
    }
    SteadyClock clock;
    LoadResult loaded;
    const auto units = PreviewNextUnits(path, static_cast<int>(count), clock, nullptr, &loaded);
    if (!loaded.message.empty()) io.error(loaded.message);
    if (!loaded.ok) return kExitFailed;
    PrintUnitTable(io.out, units, args.has("json"));
    return loaded.message.empty() ? kExitOk : kExitFailed;   // a damaged file is not a clean start
}

} // namespace

Command numbersCommand() {
    return Command{"numbers",
                   "show the serial numbers and RF IDs the next passing units would receive (the file is not changed)",
                   "numbers",
                   {{"settings", "FILE", "settings file to start from (default TX.ini in the current folder)"},
                    stationOption(),
                    {"count", "N", "number of units to show (default 1)"},
                    {"json", "", "one JSON object per unit and line"}},
                   0,
                   0,
                   run,
                   {"0  the numbers are shown",
                    "1  the settings file named does not exist, cannot be read or is damaged",
                    "2  bad usage"},
                   "numbers --settings TX.ini --count 3"};
}

} // namespace kestrelon::cli
