#include "app/station.h"

#include "device/hotkey_lists.h"
#include "model/product_models.h"
#include "platform/native_path.h"
#include "production/production_log.h"
#include "production/record_file.h"

namespace kestrelon {

Station::Station(HidBackend& backend, Clock& clk, EventLoop& lp, StationConfig cfg)
    : clock(clk),
      loop(lp),
      config(std::move(cfg)),
      hid(backend, clk, lp),
      detection(hid, devices(), Detection::View{ui.options, ui.language, MouseRxChosen(ui.devices)},
                Detection::Shared{run, pairingState, timers}, linkPresenter),
      settingsFile(config.settingsPath, ComponentContext{clk, config.random}, config.fileOps),
      numbering(
          generators, ui.numbering, [this] { btnWriteSettingClick(); },
          [this](const std::string& text) { messages.warning(text); }),
      companion{config.currentDirectory,
                config.startProgram,
                config.recordFile,
                HostName(),
                KESTRELON_VERSION,
                Utf8Path(NativePath(settingsFile.fullPath()).parent_path() / kDefaultRecordFileName)},
      pairing(Pairing::Parts{devices(), detection, pairingState, run, timers, operatorView()}),
      production(ProductionRun::Parts{pacing(), devices(), detection, pairing, pairingState, run, numbers, ui.options,
                                      operatorView(), companion}),
      erase(EraseTools::Parts{pacing(), devices(), ui.options, operatorView(), ui.erase,
                              [this] { btnWriteSettingClick(); }}) {
    generators.reset(ComponentContext{clk, config.random});
    detectTimer_ = loop.createTimer(5000, [this] { detection.DetectHIDDeviceCounterTimer(); });
    linkTimer_ = loop.createTimer(500, [this] { production.tmrIsTxLinkTimer(); });
    bindTimer_ = loop.createTimer(Pairing::kTickMs, [this] { pairing.tmrSoftBindTimer(); });
    settleTimer_ = loop.createTimer(kHotplugSettleMs, [this] {
        if (!WindowTimers::on(timers.DetectHIDDeviceCounter)) return;   // a cycle runs: try again later
        settleTimer_->setEnabled(false);
        detection.DetectHIDDeviceCounterTimer();
    });
    timers.DetectHIDDeviceCounter = detectTimer_.get();
    timers.tmrIsTxLink = linkTimer_.get();
    timers.tmrSoftBind = bindTimer_.get();
}

Station::~Station() = default;

SettingsStatus Station::StartUp(const StartUpHooks& window) {
    const auto call = [](const std::function<void()>& hook) {
        if (hook) hook();
    };
    run.AutoRun = config.autoRun;
    call(window.identity);
    run.BindInRun = 0;
    FillBuiltInDevices(detection.KnownDevices);
    WindowTimers::set(timers.DetectHIDDeviceCounter, true);
    call(window.title);
    if constexpr (LogEnabled) ProductionLog(config.currentDirectory).createFolder();
    ui.result.edit([](ResultArea& r) {
        r.lblResult.clear();
        r.Image1Visible = false;
    });
    call(window.autoRunNote);
    call(window.handOver);
    call(window.language);
    call(window.keys);
    call(window.clearBoxes);
    call(window.pump);
    // After the window's hand-over: an older copy that was asked to shut
    // down lets go of the settings file within the wait.
    if (SettingsStatus held = settingsFile.lock(config.settingsLockWaitMs); !held.ok) return held;
    commands.FillCustKeyLists();
    call(window.pump);
    call(window.looks);
    call(window.pump);
    ui.options.edit([](ProductSettings& o) { o.BatteryLevel = 2; });   // 1.8 V until the settings say otherwise
    call(window.pump);
    call(window.pump);
    call(window.layout);
    call(window.bindSettings);
    call(window.pump);
    Model_selectClick(ui.options->ModelIndex);
    call(window.pump);
    LoadResult loaded = loadSettings();
    // A fresh station: the battery box shows the list's default item and a
    // unit gets the level it shows (the file's first-start value selects
    // nothing, which programs 2.0 V).
    if (loaded.firstStart) ui.options.edit([](ProductSettings& o) { o.BatteryLevel = kBatteryDefault; });
    if (const SettingsStatus store = selectNumberStore(); !store.message.empty()) {
        loaded.ok = loaded.ok && store.ok;
        loaded.message = loaded.message.empty() ? store.message : loaded.message + ". " + store.message;
    }
    call(window.pump);
    numbering.ShowNumberingSettings();
    numbering.cbRX_IsSNClick(NumberingRow::Rx);
    erase.TX_ErasedClick(ui.options->TX_Erased);
    erase.RX_ErasedClick(ui.options->RX_Erased);
    if (config.hotplug) hotplug_ = config.hotplug(loop, [this] { HidDevicesChanged(); });
    call(window.title);   // with the number store, if there is one
    call(window.pump);
    call(window.ready);
    return loaded;
}

void Station::HidDevicesChanged() {
    // Restarted by every event of a burst: one tick once all of a
    // receiver's interfaces are there.
    settleTimer_->setEnabled(false);
    settleTimer_->setEnabled(true);
}

void Station::Model_selectClick(int itemIndex) {
    const ProductModel* model = ModelAt(itemIndex);
    if (!model) return;   // no selection: nothing changes
    ui.options.edit([itemIndex, model](ProductSettings& o) {
        o.ModelIndex = itemIndex;
        if (!model->fnKeys) o.Fn_Enabled = o.FNPB = o.FnUIO = o.fndirection = false;
    });
    btnWriteSettingClick();
}

SaveResult Station::btnWriteSettingClick() {
    SaveResult r = settingsFile.save(*ui.options, run, generators);
    if (!r.ok) messages.warning(r.message);
    return r;
}

LoadResult Station::loadSettings() {
    const auto quiet = usbIdentity_.quiet();   // the boxes the load fills store nothing
    const auto batch = ui.options.batch();    // the window redraws the options once
    return settingsFile.load(ui.options.data(), run, detection.KnownDevices, generators,
                             [this](int model) { Model_selectClick(model); });
}

void Station::btnLoadSettingClick() {
    const LoadResult r = loadSettings();
    if (!r.message.empty()) messages.warning(r.message);
    if (const SettingsStatus store = selectNumberStore(); !store.message.empty()) messages.warning(store.message);
}

SettingsStatus Station::selectNumberStore() {
    const NumberStoreChoice c = ChooseNumberStore(config.numberStore, config.numberStoreProduct, *ui.options);
    if (c.uri.empty()) {
        const std::string before = sharedStoreName();
        numbers.useFile();
        if (before.empty()) return {};
        return {true, "The units' numbers come from the settings file " + settingsFile.fullPath() +
                          " again, no longer from the number store " + before};
    }
    std::string why;
    if (c.fromSettingsFile && store::HasPassword(c.uri))
        why = "The settings file " + settingsFile.fullPath() +
              " names its number store with a password; keep the password in ~/.pgpass (or the file PGPASSFILE "
              "names), never in the settings file";
    else if (!store::ParseableUri(c.uri, why))
        why = "The number store named is not a connection URI libpq can read: " + why;
    else if (!store::ValidProduct(c.product))
        why = "The number store's product \"" + c.product + "\" is not a name of 1 to 64 printable characters";
    if (!why.empty()) {
        numbers.refuse(why);
        return {false, why};
    }
    // The same store again (the load button): its connection and the
    // outcomes it still holds stay.
    if (const PostgresUnitNumbers* now = numbers.store(); now && now->config().uri == c.uri && now->config().product == c.product)
        return {};
    auto chosen = std::make_unique<PostgresUnitNumbers>(NumberStoreConfig{c.uri, c.product, companion.station},
                                                        ComponentContext{clock, config.random});
    const SettingsStatus ready = chosen->readyForUnit();
    numbers.useStore(std::move(chosen));
    // A store that does not answer yet is told, and units wait for it.
    return ready.retryLater ? SettingsStatus{true, ready.message} : ready;
}

std::string Station::sharedStoreName() const { return numbers.store() ? numbers.store()->storeName() : std::string(); }

SaveResult Station::FormCloseQuery() {
    WindowTimers::set(timers.tmrSoftBind, false);
    WindowTimers::set(timers.tmrIsTxLink, false);
    if (PostgresUnitNumbers* store = numbers.store()) {
        if (const SettingsStatus held = store->writePending(); !held.ok) messages.warning(held.message);
    }
    SaveResult r = btnWriteSettingClick();
    calls.leaveMouseAccess();
    clock.Sleep(50);
    return r;
}

} // namespace kestrelon
