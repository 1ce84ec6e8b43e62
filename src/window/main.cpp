// kestrelon-mfg: the window. For now it brings up the form on its own:
// one copy per user, the language stored or asked, the captions, the
// start-up looks. A stand-in start-up assembles a Station (a simulated
// receiver with KESTRELON_SIM=1) and binds the settings side to it.

#include "app/station.h"
#include "app/title.h"
#include "platform/qt/qt_clock.h"
#include "sim/pair_firmware.h"
#include "sim/sim_hid_backend.h"
#include "window/settings_side.h"
#ifdef KESTRELON_WITH_HIDAPI
#include "device/hidapi/hidapi_backend.h"
#endif
#include "window/captions.h"
#include "window/display_check.h"
#include "window/instance_hand_over.h"
#include "window/language_dialog.h"
#include "window/language_store.h"
#include "window/look.h"
#include "window/main_form.h"
#include "window/pictures.h"

#include "ui_main_form.h"

#include <QApplication>
#include <QFile>
#include <QImageReader>
#include <QMessageBox>

#include <cstdio>
#include <memory>

using namespace kestrelon;

namespace {

// Modal messages as plain message boxes.
class BoxSink : public MessageSink {
public:
    explicit BoxSink(QWidget* parent) : parent_(parent) {}
    void showMessage(MessageKind kind, const std::string& caption, const std::string& text) override {
        const QString c = QString::fromStdString(caption), t = QString::fromStdString(text);
        if (kind == MessageKind::Warning) QMessageBox::warning(parent_, c, t);
        else QMessageBox::information(parent_, c, t);
    }

private:
    QWidget* parent_;
};

} // namespace

int main(int argc, char** argv) {
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

    InstanceHandOver handOver;
    handOver.TakeOver();

    TForm1 form;
    const QString title = QString::fromStdString(MainWindowTitle(DrawTempID()));
    form.setWindowTitle(title);

    QtClock clock;
    std::unique_ptr<HidBackend> backend;
    if (qEnvironmentVariable("KESTRELON_SIM") == QLatin1String("1")) {
        auto sim = std::make_unique<sim::SimHidBackend>(clock);
        sim->plugTypicalPcDevices();
        sim->plugDongle(std::make_shared<sim::PairFirmware>(sim::PairConfig{}, [&clock] { return clock.nowMicros(); }));
        backend = std::move(sim);
    }
#ifdef KESTRELON_WITH_HIDAPI
    if (!backend) backend = std::make_unique<HidapiBackend>();
#endif
    if (!backend) {
        std::fprintf(stderr, "kestrelon-mfg: this build has no HID back end; set KESTRELON_SIM=1\n");
        return 2;
    }
    StationConfig config;
    config.autoRun = argc > 1;
    Station station(*backend, clock, clock, config);
    BoxSink sink(&form);
    station.messages.install(&sink);

    SettingsSide settings(form, station);
    settings.LoadLanguage();

    if (QFile::exists(QStringLiteral("logo.bmp"))) {
        QString problem;
        if (!form.ShowCustomerLogo(QStringLiteral("logo.bmp"), &problem))
            std::fprintf(stderr, "kestrelon-mfg: logo.bmp not shown: %s\n", qPrintable(problem));
    }
    handOver.onShutdownRequested = [&] { form.close(); };
    form.ApplyStartUpLook();
    settings.Bind();
    station.StartUp();
    QObject::connect(&form, &TForm1::formActivated, [&] { station.FormActivate(); });
    form.closeQuery = [&] {
        station.FormCloseQuery();
        return true;
    };
    form.show();
    return app.exec();
}
