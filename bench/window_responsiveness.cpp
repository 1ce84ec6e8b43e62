// How long the window goes without serving its events while it programs one
// unit on the simulated receiver and mouse, in real time. The cycle lets the
// event loop run between its steps; the longest stretch without it must stay
// within the longest wait the cycle itself mandates (200 ms after the
// receiver reloads its parameters) plus 10 ms.
//
//   kestrelon-window-bench [UNITS]     (offscreen unless QT_QPA_PLATFORM is set)
// Exit status 0 when every unit passed within the limit.

#include "app/station.h"
#include "frontend/sim_line.h"
#include "platform/qt/qt_clock.h"
#include "window/language_store.h"
#include "window/look.h"
#include "window/main_window.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

using namespace kestrelon;

namespace {

constexpr double kLongestMandatedWaitMs = 200.0;
constexpr double kLimitMs = kLongestMandatedWaitMs + 10.0;

// The window's clock, noting the time between two passes of the event loop.
class TimedClock : public QtClock {
public:
    void ProcessMessages() override {
        note();
        QtClock::ProcessMessages();
    }
    void start() {
        on_ = true;
        longest_ = 0;
        passes_ = 0;
        last_ = std::chrono::steady_clock::now();
    }
    void stop() {
        note();
        on_ = false;
    }
    double longestMs() const { return longest_; }
    long passes() const { return passes_; }

private:
    void note() {
        if (!on_) return;
        const auto now = std::chrono::steady_clock::now();
        longest_ = std::max(longest_, std::chrono::duration<double, std::milli>(now - last_).count());
        last_ = now;
        ++passes_;
    }
    bool on_ = false;
    double longest_ = 0;
    long passes_ = 0;
    std::chrono::steady_clock::time_point last_;
};

// Serves events until ready() or limitMs passed.
bool ServeUntil(const std::function<bool()>& ready, int limitMs) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (ready()) loop.quit();
    });
    poll.start(20);
    QTimer::singleShot(limitMs, &loop, &QEventLoop::quit);
    loop.exec();
    return ready();
}

} // namespace

int main(int argc, char** argv) {
    const int units = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());   // a stored language: no dialog
    QApplication app(argc, argv);
    ApplyToolLook(app);
    LanguageStore().Save(lkEng);

    TimedClock clock;
    SimulatedLine line(clock);
    std::string why;
    line.plugFirstPair(why);
    StationConfig config;
    config.settingsPath = QDir(dir.path()).filePath(QStringLiteral("TX.ini")).toStdString();
    config.currentDirectory = dir.path().toStdString();
    Station station(line.backend(), clock, clock, config);
    MainWindow::Setup setup;
    setup.endProcess = [](int) {};
    MainWindow window(station, setup);
    window.FormCreate();
    line.attach(station.loop, station.production.unitDone, [&station] { station.HidDevicesChanged(); });
    window.form().show();
    station.FormActivate();

    bool allWithin = true;
    for (int unit = 1; unit <= units; ++unit) {
        const auto ready = [&] { return station.ui.devices->ledTX.Value && station.ui.devices->btnGoEnabled; };
        if (!ServeUntil(ready, 10000)) {
            std::fprintf(stderr, "unit %d: the simulated pair was not ready\n", unit);
            return 1;
        }
        clock.start();
        station.production.btnGoClick();
        clock.stop();
        const UnitRecord& r = station.production.lastUnit();
        const bool within = clock.longestMs() <= kLimitMs;
        allWithin &= within && r.passed;
        std::printf("unit %d: %s in %s s; %ld passes of the event loop, longest time between two %.1f ms "
                    "(limit %.0f ms = longest mandated wait %.0f ms + 10 ms)%s\n",
                    unit, r.passed ? "PASS" : "FAIL", r.elapsed.c_str(), clock.passes(), clock.longestMs(), kLimitMs,
                    kLongestMandatedWaitMs, within ? "" : "  OVER THE LIMIT");
    }
    return allWithin ? 0 : 1;
}
