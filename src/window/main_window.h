#pragma once
// The main window bound to a Station: the start-up in its order, the
// activation, the shut-down (from the close button, a newer copy of the
// program, SIGTERM or SIGINT), the operator's controls of the Go group, the
// connect panel and the erase group, and a redraw for each group of the
// presentation model, run when that group announces a change. What the
// controls do is the station's: the window only calls its handlers.

#include "app/station.h"
#include "model/messages.h"
#include "window/main_form.h"

#include <QObject>

#include <functional>
#include <memory>

namespace kestrelon {

class SettingsSide;

class MainWindow : public QObject {
    Q_OBJECT

public:
    // What the program around the window decides.
    struct Setup {
        // At the start-up's hand-over: make this the only running copy.
        std::function<void()> singleInstance;
        // After the shut-down wrote the settings, just before the process ends.
        std::function<void()> onClosing;
        // Ends the process (default: at once, with the code given).
        std::function<void(int code)> endProcess;
        // One line for standard error (default: "kestrelon-mfg: " and the
        // text). A start-up message goes there before its box waits for
        // OK, so an unattended start leaves a trace.
        std::function<void(const std::string& text)> tell;
    };

    explicit MainWindow(Station& station, Setup setup = {});
    ~MainWindow() override;

    TForm1& form() { return *form_; }
    Station& station() { return st_; }
    int TempID() const { return tempId_; }

    // The window's start-up (FormCreate): the station's start-up with the
    // window's looks, the hand-over and the language at their steps, and the
    // events let through between steps.
    // Not ok when the settings file cannot be used (the message was shown).
    SettingsStatus FormCreate();

    // A request to shut down: the close button, a newer copy of the program,
    // SIGTERM or SIGINT. While a production cycle or an erase runs it waits
    // for its end; then FormCloseQuery.
    void RequestShutdown();
    // Shut-down: the station's (timers off, settings written, the mouse told
    // to leave access mode), then the process ends with exit code 0.
    void FormCloseQuery();
    // A production cycle or an erase is running.
    bool busy() const;

    // From now on SIGTERM and SIGINT call onSignal from the event loop (not
    // from the signal handler). Once per process.
    static void CatchShutdownSignals(std::function<void()> onSignal);

private:
    StartUpHooks startUpHooks();
    void connectControls();
    void watchModel();
    void enable(QWidget* control, bool on);
    void drawDevices();
    void drawResult();
    void drawProgress();
    void drawErase();
    void drawOptions();
    void addDebugLine();
    void erase(void (EraseTools::*button)());
    void afterOperation();

    Station& st_;
    Setup setup_;
    std::unique_ptr<TForm1> form_;
    std::unique_ptr<SettingsSide> settings_;
    std::unique_ptr<MessageSink> sink_;
    std::vector<Notifier::Connection> watches_;
    int tempId_ = 0;
    bool erasing_ = false;
    bool shutdownPending_ = false;
    bool closing_ = false;
};

} // namespace kestrelon
