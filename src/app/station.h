#pragma once
// Everything the main window holds, without the window: the device link and
// its commands, detection, pairing, the production cycle, the product
// options, the generators and the settings file. The Station only assembles
// them; the window binds its controls to its presentation model (`ui`) and
// calls the handlers by their names; the command line drives another
// Station; so do the tests.

#include "app/engineering_page.h"
#include "app/erase_tools.h"
#include "app/link_presenter.h"
#include "app/setting_controls.h"
#include "app/settings_lock.h"
#include "app/station_numbers.h"
#include "device/detection.h"
#include "device/device_link.h"
#include "device/transport.h"
#include "model/messages.h"
#include "model/pairing_state.h"
#include "model/presentation.h"
#include "model/run_state.h"
#include "model/window_timers.h"
#include "numbering/generators.h"
#include "numbering/numbering_panel.h"
#include "numbering/settings_file.h"
#include "numbering/unit_numbers.h"
#include "platform/event_loop.h"
#include "platform/hotplug.h"
#include "platform/process.h"
#include "production/pairing.h"
#include "production/production_run.h"

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
    // Starts the operating system's HID hot-plug events at start-up (null:
    // detection runs on its timer alone).
    std::function<std::unique_ptr<HotplugMonitor>(EventLoop&, std::function<void()>)> hotplug;
    // The record of every unit, instead of the settings' RecordFile.
    std::string recordFile;
    // How long start-up waits for the settings file's lock (an older copy
    // of the program that is being shut down lets go of it).
    uint32_t settingsLockWaitMs = 5000;
    // A number store shared by stations and its product, instead of
    // KESTRELON_STORE and the settings' NumberStore (ChooseNumberStore).
    std::string numberStore;
    std::string numberStoreProduct;
};

// The window's part of the start-up, each called at its place in the
// station's order (none is needed: the command line starts without them).
struct StartUpHooks {
    std::function<void()> identity;       // the copy's temporary ID, before anything else
    std::function<void()> title;          // the window's title: after the devices, again at the end
    std::function<void()> autoRunNote;    // say that units start without a key press
    std::function<void()> handOver;       // make this the only running copy, before the settings' lock
    std::function<void()> language;       // the language choice
    std::function<void()> keys;           // the window sees Page Down before its controls
    std::function<void()> clearBoxes;     // the result and date boxes start empty
    std::function<void()> looks;          // hidden parts, pictures in place, the customer's logo
    std::function<void()> layout;         // size, height rule, centred
    std::function<void()> bindSettings;   // the setting controls follow the options from here on
    std::function<void()> ready;          // the window takes the keys
    std::function<void()> pump;           // let the window's events through
};

class Station {
public:
    Station(HidBackend& backend, Clock& clock, EventLoop& loop, StationConfig config = {});
    ~Station();

    // Start-up without the window's drawing: the settings file's lock,
    // known devices, hot-key and battery lists, the model, the settings load
    // and the numbering panel. `window` adds the window's looks, the
    // hand-over and the language choice and lets its events through, each
    // where the start-up's order has it. Not ok (nothing loaded when the lock was
    // refused): no unit may be programmed, and the message says why. The
    // message can come with ok too, to be shown (a damaged file's copy).
    SettingsStatus StartUp(const StartUpHooks& window = {});
    // The first activation of the window: settings writes and automatic
    // runs are allowed from now on.
    void FormActivate() { run.NotYetActivated = 0; }
    // Shut-down: timers off, settings written, the mouse told to leave
    // access mode. Returns the settings write's result.
    SaveResult FormCloseQuery();

    // The model selection's effects on the options (and the settings save).
    void Model_selectClick(int itemIndex);
    // Writes the settings file; reports a failure as a warning.
    SaveResult btnWriteSettingClick();
    void btnLoadSettingClick();

    // A HID device was added or removed: detection runs once the burst of
    // events has settled, besides its own 5 s timer. While a cycle keeps
    // detection off, the tick waits for the cycle to end.
    void HidDevicesChanged();
    // A receiver's interfaces come within a few tens of milliseconds of
    // each other; one that comes later still brings its own tick.
    static constexpr uint32_t kHotplugSettleMs = 150;

    Clock& clock;
    EventLoop& loop;
    StationConfig config;
    PresentationModel ui;
    MessageRouter messages;   // the front end installs its sink here
    HidAccess hid;
    DeviceLink link;
    Transport transport{hid, link};
    RunState run;
    PairingState pairingState;
    WindowTimers timers;
    DeviceCalls calls{transport};
    // The engineering page's controls; it shows what every part sends.
    EngineeringPage commands{calls, transport, run, ui.options, ui.engineering, MouseRxChosen(ui.devices), messages};
    LinkPresenter linkPresenter{ui.devices, ui.result, ui.progress};
    Detection detection;
    NumberingGenerators generators;
    SettingsFile settingsFile;
    NumberingPanel numbering;
    FileUnitNumbers fileNumbers{generators, numbering, settingsFile, ui.options, run};
    StationNumbers numbers{fileNumbers, settingsFile};
    Companion companion;
    Pairing pairing;
    ProductionRun production;
    EraseTools erase;
    SettingsLock settingsLock{SettingsLock::Parts{ui.lock, numbering, generators, messages}};

    // The number store shared by stations that the units' numbers come
    // from, as the operator is told; empty when they come from the settings
    // file.
    std::string sharedStoreName() const;

    // The device access the parts get (the command line's engineering
    // commands too).
    DeviceAccess devices() { return {transport, link, calls}; }

private:
    // The rest of what the parts get, each of what it uses.
    Pacing pacing() { return {clock, loop, timers}; }
    OperatorView operatorView() { return {ui.devices, ui.result, ui.progress, ui.debug, messages, ui.language}; }

    LoadResult loadSettings();
    // After each load: the settings file's counters, or the number store
    // the command line, the environment or the settings name. Not ok when
    // a store was asked for and cannot be used (no unit is numbered then).
    SettingsStatus selectNumberStore();

    // Stores the settings when the USB identity boxes change; built after
    // every part it uses.
    UsbIdentityWatch usbIdentity_{ui.options, run, [this] { btnWriteSettingClick(); }};
    std::unique_ptr<Timer> detectTimer_, linkTimer_, bindTimer_, settleTimer_;
    std::unique_ptr<HotplugMonitor> hotplug_;
};

} // namespace kestrelon
