// Runs the window's tests offscreen. "window_tests Class [QtTest options]"
// runs one class; without a class name all of them run.

#include "window_tests.h"

#include "window/look.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <memory>

int main(int argc, char** argv) {
    // The per-user settings go to a folder of this run, never the user's own.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The window's own look, as the program installs it: its style sheet
    // decides how some controls draw (the password prompt's characters).
    kestrelon::ApplyToolLook(app);

    const char* only = argc > 1 && argv[1][0] != '-' ? argv[1] : nullptr;
    QStringList args{QString::fromLocal8Bit(argv[0])};
    for (int i = only ? 2 : 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);

    std::unique_ptr<QObject> tests[] = {std::make_unique<WidgetsTest>(), std::make_unique<FormTest>(),
                                        std::make_unique<LanguageStoreTest>(), std::make_unique<HandOverTest>(),
                                        std::make_unique<SettingsSideTest>(),
                                        std::make_unique<MainWindowTest>()};
    int failed = 0;
    bool ran = false;
    for (auto& t : tests) {
        if (only && std::strcmp(only, t->metaObject()->className()) != 0) continue;
        ran = true;
        failed += QTest::qExec(t.get(), args);
    }
    return ran ? failed : 2;
}
