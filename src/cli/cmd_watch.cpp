// `watch`: what the window's lamps and Go button show, one line per change,
// each with the time on the system's monotonic clock in milliseconds (the
// same clock other programs read with clock_gettime(CLOCK_MONOTONIC)), so
// the time from plugging a receiver to Go can be measured from outside.
#include "app/link_presenter.h"
#include "cli/commands.h"
#include "cli/device_session.h"
#include "cli/file_checks.h"
#include "cli/line_station.h"

#include <chrono>
#include <optional>
#include <ostream>

namespace kestrelon::cli {

namespace {

uint64_t monotonicMs() {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

// The lamps from the link state, Go as the window shows it.
std::string stateLine(const LinkState& s, const DeviceStatus& d) {
    return std::string("RX=") + LampText(RxLamp(s)) + " TX=" + LampText(TxLamp(s)) +
           " Go=" + (d.btnGoEnabled ? "on" : "off");
}

int watch(const Args& args, const Io& io) {
    std::optional<uint64_t> forMs;
    if (args.has("for")) {
        unsigned long long seconds = 0;
        if (!parseNumber(args.value("for"), 7 * 24 * 3600, seconds)) {
            io.error("--for must be a number of seconds");
            return kExitUsage;
        }
        forMs = seconds * 1000;
    }
    const std::string settingsPath = args.value("settings", "TX.ini");
    std::string why;
    if (!CheckReadableIfPresent(settingsPath, why)) {
        io.error("settings file " + settingsPath + ": " + why);
        return kExitUsage;
    }
    DeviceSession d;
    if (!OpenDeviceSession(args, io, d)) return kExitFailed;

    std::string events;
    // The settings file gives the known receivers and the model; it is read,
    // never written (the station is not activated).
    Station st(*d.backend, *d.clock, *d.clock, LineStationConfig(d, settingsPath, &events));
    ErrorLineSink sink(io);
    st.messages.install(&sink);
    const SettingsStatus started = st.StartUp();
    if (!started.message.empty()) io.error(started.message);
    if (!started.ok) return kExitUsage;
    io.err << "watching: " << events << std::endl;

    std::string shown;
    auto show = [&] {
        const std::string now = stateLine(st.detection.state(), *st.ui.devices);
        if (now == shown) return;
        shown = now;
        io.out << monotonicMs() << " " << now << std::endl;
    };
    show();
    const Notifier::Connection watching = st.ui.devices.changed.connect(show);
    st.detection.DetectHIDDeviceCounterTimer();   // a receiver already plugged
    const uint64_t end = forMs ? monotonicMs() + *forMs : UINT64_MAX;
    for (uint64_t now = monotonicMs(); now < end; now = monotonicMs())
        st.loop.waitForEvents(static_cast<uint32_t>(std::min<uint64_t>(100, end - now)));
    return kExitOk;
}

} // namespace

Command watchCommand() {
    return {"watch",
            "print the lamps and Go, one line per change with a millisecond time stamp",
            "watch",
            {{"settings", "FILE", "the settings file, read only (default TX.ini in the current folder; may be missing)"},
             stationOption(),
             {"for", "SECONDS", "stop after SECONDS (default: run until interrupted)"}},
            0,
            0,
            watch,
            {"0  watched for the time asked",
             "1  the HID layer could not be started",
             "2  bad usage, or the settings file cannot be read or is in use by a window or a run"},
            "watch --for 60"};
}

} // namespace kestrelon::cli
