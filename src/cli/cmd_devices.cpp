// `devices`: every HID interface the PC shows, so an engineer can see why a
// receiver is not found (wrong IDs, no feature reports, no access).
#include "cli/commands.h"
#include "cli/device_session.h"
#include "cli/file_checks.h"
#include "device/known_devices.h"
#include "numbering/settings_file.h"
#include "platform/steady_clock.h"

#include <cstdio>
#include <ostream>

namespace kestrelon::cli {

namespace {

const char* knownState(const KnownDeviceTable& table, const HidInterfaceInfo& info) {
    bool known = false;
    for (const auto& slot : table)
        known |= slot.used() && slot.vendorId == info.attributes.vendorId && slot.productId == info.attributes.productId;
    if (!known) return "-";
    if (info.featureReportLength > 0 && info.featureReportLength <= 9) return "dongle";
    if (info.featureReportLength > 9) return "dongle IDs, report too long";
    return "dongle IDs, no feature reports";
}

int run(const Args& args, const Io& io) {
    KnownDeviceTable table{};
    FillBuiltInDevices(table);
    if (args.has("settings") || args.has("station")) {
        // The receivers the program would know if it started with this
        // file: the built-in ones and those of its "Device" section.
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
        SettingsFile file(path, ComponentContext{clock, nullptr});
        ProductSettings settings;
        RunState run;
        NumberingGenerators generators;
        file.load(settings, run, table, generators);
    }
    DeviceSession session;
    if (!OpenDeviceSession(args, io, session)) return kExitFailed;

    const auto list = session.backend->enumerate();
    char line[256];
    std::snprintf(line, sizeof line, "%-28s %-9s %-7s %-7s %s\n", "PATH", "VID:PID", "VERSION", "FEATURE", "KNOWN");
    io.out << line;
    for (const auto& info : list) {
        char len[16];
        if (info.featureReportLength < 0)
            std::snprintf(len, sizeof len, "?");
        else
            std::snprintf(len, sizeof len, "%d", info.featureReportLength);
        std::snprintf(line, sizeof line, "%-28s %04X:%04X %04X    %-7s %s\n", info.path.c_str(),
                      info.attributes.vendorId, info.attributes.productId, info.attributes.versionNumber, len,
                      knownState(table, info));
        io.out << line;
    }
    if (list.empty()) io.out << "(no HID interfaces found)\n";
    return kExitOk;
}

} // namespace

Command devicesCommand() {
    return Command{"devices",
                   "list the HID interfaces: path, vendor:product, version, feature report length, known dongle",
                   "devices",
                   {{"settings", "FILE", "count the receivers of this settings file's \"Device\" section as known"},
                    stationOption()},
                   0,
                   0,
                   run,
                   {"0  listed (an empty list included)", "1  the settings file cannot be read, or no HID layer",
                    "2  bad usage"},
                   "devices --settings TX.ini"};
}

} // namespace kestrelon::cli
