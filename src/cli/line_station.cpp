#include "cli/line_station.h"

namespace kestrelon::cli {

void ErrorLineSink::showMessage(MessageKind, const std::string&, const std::string& text) {
    std::string line = text;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    for (auto& c : line)
        if (c == '\r' || c == '\n') c = ' ';
    io_.error(line);
}

StationConfig LineStationConfig(const DeviceSession& session, const std::string& settingsPath, std::string* events) {
    StationConfig cfg;
    cfg.settingsPath = settingsPath;
    // Beside a window or a run that holds the settings file, a command
    // refuses at once, naming the holder; only a newer window waits for an
    // older one that it has asked to shut down.
    cfg.settingsLockWaitMs = 0;
    if (session.sim) {
        if (events) *events = "the simulated receiver (no device events)";
        return cfg;
    }
    // A real receiver is found the moment it is plugged, not at the next
    // detection tick.
    cfg.hotplug = [events](EventLoop& loop, std::function<void()> onChange) {
        std::string why;
        auto monitor = HotplugMonitor::start(loop, std::move(onChange), &why);
        if (events)
            *events = monitor ? "device events from " + monitor->source()
                              : "no device events (" + why + "): detection on its 5 s timer alone";
        return monitor;
    };
    return cfg;
}

} // namespace kestrelon::cli
