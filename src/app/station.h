#pragma once
// Everything the main window holds, without the window: the device link and
// its commands, detection, pairing, the production cycle, the product
// options, the generators and the settings file. The window binds its
// controls to one Station; the command line drives another; so do the tests.

#include "app/erase_tools.h"
#include "device/command_set.h"
#include "device/detection.h"
#include "device/device_link.h"
#include "device/engineering_state.h"
#include "device/transport.h"
#include "device/window_timers.h"
#include "numbering/generators.h"
#include "numbering/numbering_panel.h"
#include "numbering/settings_file.h"
#include "platform/process.h"
#include "production/pairing.h"
#include "production/production_run.h"
#include "production/product_settings.h"
#include "production/run_state.h"
#include "production/status_model.h"

#include <functional>
#include <memory>
#include <string>

namespace kestrelon {

struct StationConfig {
    std::string settingsPath = "TX.ini";
    std::string currentDirectory = ".";                // the log folder and the companion program
    std::shared_ptr<RFIDRandomSource> random;           // null: seeded from the system's entropy
    bool autoRun = false;                               // started with a command-line argument
    // Starts the companion program (detached, no arguments).
    std::function<bool(const std::string&)> startProgram = StartDetached;
    // The settings file's operations (null: the real file system).
    std::shared_ptr<SettingsFileOps> fileOps;
    // How long start-up waits for the settings file's lock (an older copy
    // of the program that is being shut down lets go of it).
    uint32_t settingsLockWaitMs = 5000;
};

class Station {
public:
    Station(HidBackend& backend, Clock& clock, StationConfig config = {});
    ~Station();

    // Start-up without the window's drawing: the settings file's lock,
    // known devices, hot-key and battery lists, the model, the settings load
    // and the numbering panel. Not ok (nothing loaded when the lock was
    // refused): no unit may be programmed, and the message says why. The
    // message can come with ok too, to be shown (a damaged file's copy).
    SettingsStatus StartUp();
    // The first activation of the window: settings writes and automatic
    // runs are allowed from now on.
    void FormActivate() { run.NotYetActivated = 0; }
    // Shut-down: timers off, settings written, the mouse told to leave
    // access mode. Returns the settings write's result.
    SaveResult FormCloseQuery();

    // The model selection's effects on the options (and the settings save).
    void Model_selectClick(int itemIndex);
    // Writes the settings file; reports a failure through the status model.
    SaveResult btnWriteSettingClick();
    void btnLoadSettingClick();

    Clock& clock;
    StationConfig config;
    HidAccess hid;
    DeviceLink link;
    Transport transport{hid, link};
    RunState run;
    ProductSettings settings;
    EngineeringState eng;
    StatusModel status;
    PairingState pairingState;
    WindowTimers timers;
    CommandSet commands{transport, run, settings, eng, status};
    Detection detection{hid, link, commands, transport, run, settings, eng, status, pairingState, timers};
    NumberingGenerators generators;
    SettingsFile settingsFile;
    NumberingPanel numbering;
    Pairing pairing;
    ProductionRun production;
    EraseTools erase;

private:
    std::unique_ptr<Timer> detectTimer_, linkTimer_, bindTimer_;
};

} // namespace kestrelon
