#include "app/station.h"

#include "production/production_log.h"

namespace kestrelon {

Station::Station(HidBackend& backend, Clock& clk, StationConfig cfg)
    : clock(clk),
      config(std::move(cfg)),
      hid(backend, clk),
      settingsFile(config.settingsPath, ComponentContext{clk, config.random}, config.fileOps),
      numbering(
          generators, [this] { btnWriteSettingClick(); },
          [this](const std::string& text) { status.message("Message", text); }),
      pairing(*this),
      production(*this),
      erase(*this) {
    generators.reset(ComponentContext{clk, config.random});
    detectTimer_ = clock.createTimer(5000, [this] { detection.DetectHIDDeviceCounterTimer(); });
    linkTimer_ = clock.createTimer(500, [this] { production.tmrIsTxLinkTimer(); });
    bindTimer_ = clock.createTimer(1000, [this] { pairing.tmrSoftBindTimer(); });
    timers.DetectHIDDeviceCounter = detectTimer_.get();
    timers.tmrIsTxLink = linkTimer_.get();
    timers.tmrSoftBind = bindTimer_.get();
}

Station::~Station() = default;

SettingsStatus Station::StartUp() {
    if (SettingsStatus held = settingsFile.lock(config.settingsLockWaitMs); !held.ok) return held;
    run.AutoRun = config.autoRun;
    run.BindInRun = 0;
    FillBuiltInDevices(detection.KnownDevices);
    WindowTimers::set(timers.DetectHIDDeviceCounter, true);
    if constexpr (LogEnabled) ProductionLog(config.currentDirectory).createFolder();
    commands.FillCustKeyLists();
    settings.BatteryLevel = 2;   // 1.8 V until the settings say otherwise
    Model_selectClick(settings.ModelIndex);
    const LoadResult loaded = StartUpNumbering(settingsFile, settings, run, detection.KnownDevices, generators,
                                               numbering, [this](int model) { Model_selectClick(model); });
    // The RX type boxes follow the loaded choice.
    status.cbKeyboardbindVisible = !settings.MouseOnly;
    erase.TX_ErasedClick(settings.TX_Erased);
    erase.RX_ErasedClick(settings.RX_Erased);
    return loaded;
}

void Station::Model_selectClick(int itemIndex) {
    if (itemIndex < 0 || itemIndex > 2) return;   // no selection: nothing changes
    settings.ModelIndex = itemIndex;
    if (itemIndex <= 1) {
        // Models "01" and "02" have no Fn keys.
        settings.Fn_Enabled = settings.FNPB = settings.FnUIO = settings.fndirection = false;
    }
    btnWriteSettingClick();
}

SaveResult Station::btnWriteSettingClick() {
    SaveResult r = settingsFile.save(settings, run, generators);
    if (!r.ok) status.message("Message", r.message);
    return r;
}

void Station::btnLoadSettingClick() {
    const LoadResult r = settingsFile.load(settings, run, detection.KnownDevices, generators,
                                           [this](int model) { Model_selectClick(model); });
    if (!r.message.empty()) status.message("Message", r.message);
}

SaveResult Station::FormCloseQuery() {
    WindowTimers::set(timers.tmrSoftBind, false);
    WindowTimers::set(timers.tmrIsTxLink, false);
    SaveResult r = btnWriteSettingClick();
    if (link.hasDevice()) commands.rbC_RF_LEAVE_ACCESSClick();
    clock.Sleep(50);
    return r;
}

} // namespace kestrelon
