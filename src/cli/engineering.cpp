#include "cli/engineering.h"

#include "cli/file_checks.h"
#include "numbering/file_ops.h"
#include "platform/file_lock.h"
#include "platform/steady_clock.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace kestrelon::cli {

namespace {

// A window or a run that holds this folder's settings file has the
// receiver: an engineering command must not talk to it meanwhile. The
// lock file names the holder; with no lock file nobody holds it, and a
// lock file that cannot be opened proves nothing either.
bool receiverFree(const Io& io) {
    std::error_code ec;
    const std::string lockPath = ResolveSymlinks(kSettingsFileName) + ".lock";
    if (!std::filesystem::exists(lockPath, ec)) return true;
    SteadyClock clock;
    const FileLock::Attempt probe = FileLock::Acquire(lockPath, 0, clock);
    if (probe.outcome != FileLock::Outcome::Held) return true;   // a lock taken is let go at once
    io.error("the receiver is in use: the settings file " + FullPath(kSettingsFileName) +
             " is in use by another copy of the program (process " +
             (probe.holderPid > 0 ? std::to_string(probe.holderPid) : std::string("unknown")) + ")");
    return false;
}

} // namespace

std::vector<Option> receiverOptions() {
    return {{"vid", "ID", "vendor ID of the receiver to open (decimal or 0x...)"},
            {"pid", "ID", "product ID of the receiver to open"},
            stationOption()};
}

std::string Hex(long long value, int digits) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%0*llX", digits, value);
    return buf;
}

int OpenReceiver(const Args& args, const Io& io, EngineeringSession& s, bool fullDetection) {
    unsigned long long vid = 0, pid = 0;
    const bool byId = args.has("vid") || args.has("pid");
    if (byId && (!parseNumber(args.value("vid"), 0xFFFF, vid) || !parseNumber(args.value("pid"), 0xFFFF, pid) ||
                 vid == 0 || pid == 0)) {
        io.error("--vid and --pid go together, each a number from 1 to 0xFFFF");
        return kExitUsage;
    }
    // The simulated pair is this command's own.
    if (!args.has("sim") && !receiverFree(io)) return kExitFailed;
    if (!OpenDeviceSession(args, io, s.devices)) return kExitFailed;
    StationConfig cfg;
    cfg.settingsPath = "";   // engineering commands neither read nor write settings
    s.station = std::make_unique<Station>(*s.devices.backend, *s.devices.clock, *s.devices.clock, cfg);
    Station& st = *s.station;
    st.run.RunMode = RunIdle;
    st.ui.options.edit([&](ProductSettings& o) {
        o.ModelIndex = s.model;
        if (byId) {
            o.VidSet = Hex(static_cast<long long>(vid), 4);
            o.PidSet = Hex(static_cast<long long>(pid), 4);
        }
    });
    if (!byId) {
        FillBuiltInDevices(st.detection.KnownDevices);
    }

    if (fullDetection) {
        st.detection.LastDeviceCount = -1;   // whatever is there now counts as a change
        st.detection.DetectHIDDeviceCounterTimer();
    } else {
        st.detection.OpenKnownDongle();
    }
    if (!st.link.hasDevice()) {
        io.error(byId ? "no receiver " + Hex(static_cast<long long>(vid), 4) + ":" +
                            Hex(static_cast<long long>(pid), 4) + " with feature reports found"
                      : "no known receiver found (run 'devices' to see what is there)");
        return CloseReceiver(s, io, kExitFailed);
    }
    return kExitOk;
}

std::string ReceiverProblem(EngineeringSession& s, const std::string& otherwise) {
    HidAttributes attr;
    auto& link = s.station->link;
    if (!link.hasDevice()) return otherwise;
    // The system removes a vanished device's node a moment after its
    // transfers start failing; look twice before blaming the receiver.
    for (int look = 0; look < 2; ++look) {
        if (!link.handle->getAttributes(attr)) return "the receiver was unplugged";
        if (look == 0) s.station->clock.Sleep(250);
    }
    return otherwise;
}

int CloseReceiver(EngineeringSession& s, const Io& io, int code) {
    if (s.station && s.station->link.hasDevice()) {
        // As the window does at shut-down: the mouse must not stay in
        // access mode once nobody talks to it.
        s.station->commands.rbC_RF_LEAVE_ACCESSClick();
        s.station->clock.Sleep(50);
        s.station->link.close();
    }
    if (!s.devices.saveSimState(io)) return kExitFailed;
    return code;
}

} // namespace kestrelon::cli
