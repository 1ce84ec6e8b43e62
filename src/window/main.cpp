// kestrelon-mfg: the window. Any command-line argument switches on automatic
// runs. KESTRELON_SIM=1 runs on the simulated receiver and mouse instead of
// the PC's HID devices; KESTRELON_SIM_STATE=FILE keeps the simulated pair in
// FILE.

#include "app/station.h"
#include "app/title.h"
#include "frontend/real_backend.h"
#include "frontend/sim_line.h"
#include "platform/qt/qt_clock.h"
#include "platform/station_folder.h"
#include "window/display_check.h"
#include "window/instance_hand_over.h"
#include "window/look.h"
#include "window/main_window.h"

#include <QApplication>
#include <QImageReader>

#include <cstdio>
#include <memory>

using namespace kestrelon;

int main(int argc, char** argv) {
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
    config.autoRun = argc > 1;
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
    MainWindow::Setup setup;
    setup.singleInstance = [&handOver] { handOver.TakeOver(); };
    setup.onClosing = [&sim] {
        std::string why;
        if (sim && !sim->keepAtClose(why)) std::fprintf(stderr, "kestrelon-mfg: %s\n", why.c_str());
    };
    MainWindow window(station, setup);
    handOver.onShutdownRequested = [&window] { window.RequestShutdown(); };
    MainWindow::CatchShutdownSignals([&window] { window.RequestShutdown(); });

    if (const SettingsStatus started = window.FormCreate(); !started.ok) {
        std::fprintf(stderr, "kestrelon-mfg: %s\n", started.message.c_str());
        return 2;   // nothing programmed: the settings file is in use or cannot be read
    }
    if (sim) sim->attach(station);
    window.form().show();
    window.form().activateWindow();
    return app.exec();
}
