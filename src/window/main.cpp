// kestrelon-mfg: the window. For now it brings up the form on its own:
// one copy per user, the language stored or asked, the captions, the
// start-up looks.

#include "model/lang.h"
#include "app/title.h"
#include "platform/station_folder.h"
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

#include <cstdio>

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

    InstanceHandOver handOver;
    handOver.TakeOver();

    TForm1 form;
    const QString title = QString::fromStdString(MainWindowTitle(DrawTempID()));
    form.setWindowTitle(title);

    LanguageStore store;
    TForm2 dialog(title);
    Language language;
    const auto text = [&](uint8_t id) { return language.text(id); };
    language.setCurLanguage(
        LoadLanguage(store, [&](int preselected) { return dialog.Ask(preselected); }, SystemCodePage()));
    form.ui().cbbLang->setCurrentIndex(language.CurLanguage());
    ApplyLanguage(form, text, false, language.CurLanguage());
    QObject::connect(&form, &TForm1::languagePicked, [&](int index) {
        language.setCurLanguage(static_cast<TLanguateKind>(index));
        ApplyLanguage(form, text, false, language.CurLanguage());
        store.Save(language.CurLanguage());
    });

    if (QFile::exists(QStringLiteral("logo.bmp"))) {
        QString problem;
        if (!form.ShowCustomerLogo(QStringLiteral("logo.bmp"), &problem))
            std::fprintf(stderr, "kestrelon-mfg: logo.bmp not shown: %s\n", qPrintable(problem));
    }
    handOver.onShutdownRequested = [&] { form.close(); };
    form.ApplyStartUpLook();
    form.show();
    return app.exec();
}
