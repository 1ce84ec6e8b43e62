// `records check`: whether a record file and the counters it was written
// against account for every number reserved for a unit.
#include "cli/commands.h"
#include "cli/file_checks.h"
#include "numbering/preview.h"
#include "numbering/settings_file.h"
#include "platform/native_path.h"
#include "platform/steady_clock.h"
#include "production/records_check.h"

#include <algorithm>
#include <fstream>
#include <ostream>

namespace kestrelon::cli {

namespace {

// However many units the file names, the next ones are looked at up to this.
constexpr int kMaxAhead = 100000;

int check(const Args& args, const Io& io) {
    if (args.positional.empty() || args.positional[0] != "check") {
        io.error("records: unknown action" + (args.positional.empty() ? std::string() : " '" + args.positional[0] + "'") +
                 "; try 'records check RECORD_FILE'");
        return kExitUsage;
    }
    if (args.positional.size() != 2) {
        io.error("records check needs the record file");
        return kExitUsage;
    }
    const std::string recordsPath = args.positional[1];
    std::ifstream in(NativePath(recordsPath), std::ios::binary);
    if (!in) {
        io.error("cannot read the record file " + FullPath(recordsPath));
        return kExitFailed;
    }
    // The file is read twice: once to count the units, once to check them
    // against as many of the next numbers.
    const int lines = static_cast<int>(std::count(std::istreambuf_iterator<char>(in), {}, '\n'));
    in.clear();
    in.seekg(0);

    const std::string settingsPath = args.value("settings", kSettingsFileName);
    NextNumbers next;
    SteadyClock clock;
    LoadResult loaded;
    std::string why;
    if (!CheckReadableIfPresent(settingsPath, why)) {
        loaded.ok = false;
        loaded.message = "cannot read the settings file " + FullPath(settingsPath) + ": " + why;
    } else {
        for (const PreviewUnit& u :
             PreviewNextUnits(settingsPath, std::clamp(lines, 1, kMaxAhead), clock, nullptr, &loaded)) {
            next.rxSn.push_back(u.rxSN);
            next.txSn.push_back(u.txSN);
            next.rxRfid.push_back(u.rxRFID.value_or(-1));
            next.txRfid.push_back(u.txRFID.value_or(-1));
            next.rxRandom = !u.rxRFID;
            next.txRandom = !u.txRFID;
        }
    }
    RecordsReport report = CheckRecords(in, next);
    if (!loaded.ok) report.settingsProblem = loaded.message;
    io.out << "records: " << FullPath(recordsPath) << "\nsettings: " << FullPath(settingsPath) << "\n"
           << RecordsReportText(report);
    return report.ok() ? kExitOk : kExitFailed;
}

} // namespace

Command recordsCommand() {
    return Command{"records",
                   "check a record file against the counters: every reserved number passed, failed or interrupted, "
                   "none on two passing units, none ahead of the counters",
                   "records check RECORD_FILE",
                   {{"settings", "FILE", "the settings file whose counters the records were written against "
                                         "(default TX.ini in the current folder)"},
                    stationOption()},
                   2,
                   2,
                   check,
                   {"0    every reserved number is accounted for: none on two passing units, none the counters",
                    "     would hand out again",
                    "1    a number on two passing units, counters behind a number a unit kept, or a file that",
                    "     cannot be read",
                    "2    bad usage"},
                   "records check --settings TX.ini records.jsonl"};
}

} // namespace kestrelon::cli
