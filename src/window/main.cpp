// kestrelon-mfg: the window. Any command-line argument switches on automatic
// runs, except --help, -h and --version. KESTRELON_SIM=1 runs on the
// simulated receiver and mouse instead of the PC's HID devices;
// KESTRELON_SIM_STATE=FILE keeps the simulated pair in FILE.

#include "app/station.h"
#include "app/title.h"
#include "frontend/real_backend.h"
#include "frontend/sim_line.h"
#include "platform/qt/qt_clock.h"
#include "platform/station_folder.h"
#include "production/unit_time.h"
#include "window/arguments.h"
#include "window/display_check.h"
#include "window/instance_hand_over.h"
#include "window/look.h"
#include "window/main_window.h"

#include <QApplication>
#include <QImageReader>
#include <QLabel>
#include <QScreen>

#include <cstdio>
#include <memory>

using namespace kestrelon;

namespace {

// Shown while a newer copy waits for the running one to finish its unit.
std::unique_ptr<QLabel> WaitingNotice(const QString& text) {
    auto notice = std::make_unique<QLabel>(text);
    notice->setWindowFlags(Qt::SplashScreen | Qt::WindowStaysOnTopHint);
    notice->setWindowTitle(QString::fromLatin1(kApplicationTitle));
    notice->setMargin(24);
    notice->setFrameStyle(QFrame::Box);
    notice->adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        notice->move(screen->geometry().center() - notice->rect().center());
    notice->show();
    return notice;
}

} // namespace

int main(int argc, char** argv) {
    // On the arguments as given: Qt takes its own options (-style, ...) out
    // of argv when the application starts, and they switch AutoRun on too.
    const WindowArguments args = ReadWindowArguments(argc, argv);
    if (args.ask == WindowArguments::Ask::Help) {
        std::fputs(WindowUsage().c_str(), stdout);
        return 0;
    }
    if (args.ask == WindowArguments::Ask::Version) {
        std::printf("kestrelon-mfg %s\n", KESTRELON_VERSION);
        return 0;
    }
    // Started from the desktop menu: into the user's station folder, where
    // TX.ini and the log are kept, before any file is opened.
    if (const StationFolder station = EnterStationFolder(); !station.error.empty())
        std::fprintf(stderr, "kestrelon-mfg: %s\n", station.error.c_str());
    if (!DisplayAvailable()) {
        std::fprintf(stderr, "%s\n", NoDisplayMessage());
        return 2;
    }
    BeginStartUpGuard();
    QApplication app(argc, argv);
    EndStartUpGuard();
    // The application title names the program on the task bar (the window
    // class). It is not the display name: Qt would append that to the title.
    QApplication::setApplicationName(QString::fromLatin1(kApplicationTitle));
    ApplyToolLook(app);
    if (!QImageReader::supportedImageFormats().contains("jpeg"))
        std::fprintf(stderr, "kestrelon-mfg: Qt's JPEG image plugin is missing (Debian package libqt6gui6); "
                             "the built-in logo cannot be shown\n");

    QtClock clock;
    StationConfig config;
    config.autoRun = args.autoRun;
    std::unique_ptr<SimulatedLine> sim;
    std::unique_ptr<HidBackend> real;
    HidBackend* backend = nullptr;
    const QByteArray simulate = qgetenv("KESTRELON_SIM");
    if (!simulate.isEmpty() && simulate != "0") {
        sim = std::make_unique<SimulatedLine>(clock, qEnvironmentVariable("KESTRELON_SIM_STATE").toStdString());
        std::string why;
        if (!sim->plugFirstPair(why)) {
            std::fprintf(stderr, "kestrelon-mfg: %s\n", why.c_str());
            return 2;
        }
        backend = &sim->backend();
    } else {
        real = MakeRealHidBackend();
        std::string why;
        if (!real) {
            std::fprintf(stderr, "kestrelon-mfg: this build has no HID back end; run it with KESTRELON_SIM=1\n");
            return 2;
        }
        if (!real->start(why)) std::fprintf(stderr, "kestrelon-mfg: cannot start the HID layer: %s\n", why.c_str());
        config.hotplug = RealHotplug();
        backend = real.get();
    }

    Station station(*backend, clock, clock, config);
    InstanceHandOver handOver;
    std::unique_ptr<QLabel> waitingNotice;
    MainWindow::Setup setup;
    setup.singleInstance = [&handOver] {
        // An older copy in the middle of a unit gets as long as a unit can take.
        handOver.TakeOver({.unitMs = static_cast<int>(kLongestUnitMs + kUnitEndMarginMs)});
    };
    setup.onClosing = [&sim, &handOver] {
        handOver.stop();
        std::string why;
        if (sim && !sim->keepAtClose(why)) std::fprintf(stderr, "kestrelon-mfg: %s\n", why.c_str());
    };
    MainWindow window(station, setup);
    handOver.onShutdownRequested = [&window] { window.RequestShutdown(); };
    handOver.busy = [&window] { return window.busy(); };
    handOver.ready = [&station] { return station.run.NotYetActivated == 0; };
    handOver.waiting = [&waitingNotice](const QString& text) {
        std::fprintf(stderr, "kestrelon-mfg: %s\n", qPrintable(text));
        std::fflush(stderr);
        waitingNotice = WaitingNotice(text);
    };
    handOver.waitOver = [&waitingNotice] { waitingNotice.reset(); };
    MainWindow::CatchShutdownSignals([&window] { window.RequestShutdown(); });

    // A settings file that cannot be used was told (stderr, then a box).
    if (!window.FormCreate().ok) return 2;   // nothing programmed
    if (sim) sim->attach(station.loop, station.production.unitDone, [&station] { station.HidDevicesChanged(); });
    window.form().show();
    window.form().activateWindow();
    return app.exec();
}
