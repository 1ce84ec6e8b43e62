#pragma once
// What `run` and `watch` share: a Station started as the window starts it,
// on the session's HID layer, its messages as error lines.

#include "app/station.h"
#include "cli/cli.h"
#include "cli/device_session.h"

#include <string>

namespace kestrelon::cli {

// Each message of the station becomes one line on standard error.
class ErrorLineSink : public MessageSink {
public:
    explicit ErrorLineSink(const Io& io) : io_(io) {}
    void showMessage(MessageKind kind, const std::string& caption, const std::string& text) override;

private:
    const Io& io_;
};

// The station's configuration for the session: the settings file and, for
// a real receiver, the operating system's HID hot-plug events (the
// simulation plugs its receivers itself). events receives what start-up
// found: "device events from udev", or why there are none.
StationConfig LineStationConfig(const DeviceSession& session, const std::string& settingsPath,
                                std::string* events = nullptr);

} // namespace kestrelon::cli
