#include "cli/engineering.h"

#include <cstdio>

namespace kestrelon::cli {

std::vector<Option> receiverOptions() {
    return {{"vid", "ID", "vendor ID of the receiver to open (decimal or 0x...)"},
            {"pid", "ID", "product ID of the receiver to open"}};
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
