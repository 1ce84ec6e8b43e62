#include "production/production_run.h"

#include "platform/hex_text.h"
#include "device/eeprom_map.h"
#include "platform/native_path.h"
#include "platform/process.h"
#include "production/production_log.h"
#include "production/record_file.h"
#include "production/unit_images.h"
#include "production/unit_info.h"

#include <cstdio>
#include <filesystem>

namespace kestrelon {

namespace {

namespace rx = dongle_eeprom;

std::string hex2(int v) { return HexText(static_cast<uint32_t>(v) & 0xFFu, 2); }

} // namespace

std::string ProductionRun::CheckDeviceText(const Language& language, bool mouseDark, bool dongleDark) {
    std::string text = language.text(text_id::CheckDevice) + "\r\n";
    if (mouseDark) text += "* Mouse TX\r\n";
    if (dongleDark) text += "* Mouse RX\r\n";
    return text;
}

std::string ProductionRun::ElapsedText(uint32_t ms) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%u.%03u", ms / 1000, ms % 1000);
    return buf;
}

void ProductionRun::FormKeyDown(int key) {
    if (key == 0x22 && p_.view.devices->btnGoEnabled) btnGoClick();
}

void ProductionRun::tmrIsTxLinkTimer() {
    auto& run = p_.run;
    if (run.AwaitNewDongle || run.RunBusy) return;
    WindowTimers::set(p_.pacing.timers.tmrIsTxLink, false);
    p_.pacing.loop.ProcessMessages();
    p_.linkStatus.CheckTxLink();
    if (run.RunBusy) return;   // a Go started meanwhile
    for (int i = 0; i < 100; ++i) {
        p_.pacing.clock.Sleep(1);
        p_.pacing.loop.ProcessMessages();
    }
    if (run.RunBusy) return;
    WindowTimers::set(p_.pacing.timers.tmrIsTxLink, true);
    if (run.AutoRun && p_.view.devices->ledTX.Value && run.NotYetActivated == 0) autoGo();
}

// An automatic start that was refused is not tried again while its cause
// stands (a receiver plugged or a settings file writable again changes
// it): the cause was told once and stays on the window.
void ProductionRun::autoGo() {
    if (!toldRefusal_.empty() && refusal() == toldRefusal_) {
        p_.view.result.edit([this](ResultArea& r) { r.unitInfo = UnitInfoText(unit_); });
        return;
    }
    btnGoClick();
}

std::string ProductionRun::refusal() {
    const bool mouseDark = !p_.view.devices->ledTX.Value, dongleDark = !p_.view.devices->ledRX.Value;
    if (mouseDark || dongleDark) return CheckDeviceText(p_.view.language, mouseDark, dongleDark);
    const SettingsStatus keepable = p_.numbers.readyForUnit();
    if (keepable.ok) return {};
    unit_.retryLater = keepable.retryLater;
    return keepable.message.empty() ? "The settings file cannot keep the unit's numbers" : keepable.message;
}

void ProductionRun::btnGoClick() {
    // The link check inside the cycle lights Go again while the cycle still
    // pumps messages (the keyboard binding waits up to 16 s): a Go then
    // would start a cycle inside this one on the same dongle.
    if (inCycle_) return;
    p_.run.RunBusy = true;
    WindowTimers::set(p_.pacing.timers.DetectHIDDeviceCounter, false);
    p_.view.result.edit([](ResultArea& r) { r.clearDisplays(); });
    startRecord();

    // A dark lamp, numbers that cannot be kept or a record that cannot be
    // written: the unit is refused before anything reaches a device.
    std::string text = refusal();
    if (text.empty() && !beginUnit()) text = unit_.reason;
    if (!text.empty()) {
        p_.view.messages.warning(text);
        WindowTimers::set(p_.pacing.timers.DetectHIDDeviceCounter, true);
        p_.run.RunBusy = false;
        unit_.refused = true;
        unit_.reason = text;
        toldRefusal_ = text;
        p_.view.result.edit([this](ResultArea& r) { r.unitInfo = UnitInfoText(unit_); });
        return;
    }
    toldRefusal_.clear();

    p_.view.devices.edit([](DeviceStatus& d) { d.btnGoEnabled = false; });
    WindowTimers::set(p_.pacing.timers.tmrIsTxLink, false);
    inCycle_ = true;
    btnSetTXClick();
    inCycle_ = false;
    WindowTimers::set(p_.pacing.timers.tmrIsTxLink, false);   // the keyboard bind may have started it

    p_.view.result.edit([&](ResultArea& r) {
        r.edtCaliTime = unit_.elapsed;
        r.unitInfo = UnitInfoText(unit_);
    });
    p_.pacing.loop.ProcessMessages();
    p_.run.AwaitNewDongle = true;

    if (p_.options->CallMERO && p_.run.RunPassed && p_.companion.startProgram) {
        const std::string companion =
            Utf8Path(NativePath(p_.companion.currentDirectory) / "MERO_RF_auto.exe");
        if (FileExists(companion)) p_.companion.startProgram(companion);
    }
    WindowTimers::set(p_.pacing.timers.DetectHIDDeviceCounter, true);
    p_.device.link.close();
    p_.linkStatus.ResetDeviceStatus();

    // Problems that must not stop the line are told once the unit is done.
    if (!unit_.logError.empty()) p_.view.messages.warning(unit_.logError);
    if (!unit_.settingsError.empty()) p_.view.messages.warning(unit_.settingsError);
    if (!unit_.recordError.empty()) p_.view.messages.warning(unit_.recordError);
    unitDone.notify();
}

std::string ProductionRun::recordPath() const {
    if (!p_.companion.recordFile.empty())
        return Utf8Path(NativePath(p_.companion.currentDirectory) / NativePath(p_.companion.recordFile));
    const std::string& set = p_.options->RecordFile;
    if (set.empty()) return p_.companion.defaultRecordFile;
    if (set == kRecordFileOff) return {};
    return Utf8Path(NativePath(p_.companion.currentDirectory) / NativePath(set));
}

// What the unit is, before anything happens to it.
void ProductionRun::startRecord() {
    unitStartTick_ = p_.pacing.clock.GetTickCount();
    unit_ = UnitRecord{};
    unit_.started = p_.pacing.clock.localNow();
    unit_.vendorId = p_.device.link.vendorId;
    unit_.productId = p_.device.link.productId;
    unit_.dongleVersion = p_.device.link.DongleVersion;
    unit_.model = p_.options->ModelIndex;
    reserved_ = false;
}

RecordOrigin ProductionRun::origin() const { return RecordOrigin{p_.companion.station, p_.companion.program}; }

bool ProductionRun::record(const std::string& line) {
    const std::string path = recordPath();
    if (path.empty()) return true;
    return RecordFile(path).append(line, unit_.recordError);
}

// Reserve, then record: the numbers are kept and named in the record file
// before the first byte goes to a device. False, with unit_.reason, when
// either could not be done; nothing is then taken.
bool ProductionRun::beginUnit() {
    const uint64_t began = p_.pacing.clock.nowMicros();
    struct Spent {
        Clock& clock;
        uint64_t began;
        uint64_t& total;
        ~Spent() { total += clock.nowMicros() - began; }
    } spent{p_.pacing.clock, began, unit_.keepingMicros};
    const std::string id = NewUnitId();
    ReservedNumbers numbers;
    if (const SettingsStatus kept = p_.numbers.reserve(id, numbers); !kept.ok) {
        unit_.reason = kept.message;
        unit_.retryLater = kept.retryLater;
        return false;
    }
    numbers_ = numbers;
    unit_.unitId = id;
    unit_.rxSn = numbers.rxSn.text;
    unit_.txSn = numbers.txSn.text;
    unit_.rxRfid = numbers.rxRfid;
    unit_.txRfid = numbers.txRfid;
    unit_.rfId = PaddedHex(static_cast<uint32_t>(numbers.rxRfid & 0xFFFFFF), 6);
    if (!record(RecordFile::StartedLine(unit_, origin()))) {
        unit_.reason = unit_.recordError;
        unit_.recordError.clear();
        p_.numbers.settleFail(numbers, UnitOutcome{unit_.reason, 0, {}});   // nothing reached a device
        return false;
    }
    reserved_ = true;
    return true;
}

// After the verdict: the outcome is recorded, then the numbers settled. A
// failed unit's serial numbers are given back only once its record says it
// failed, so a kill in between leaves a gap, never a number that is both
// given back and, by the record, still out in an unfinished unit.
void ProductionRun::endUnit() {
    unit_.elapsedMs = p_.pacing.clock.GetTickCount() - unitStartTick_;
    unit_.elapsed = ElapsedText(unit_.elapsedMs);
    unit_.passed = p_.run.RunPassed;
    if (!reserved_) return;
    reserved_ = false;
    const uint64_t began = p_.pacing.clock.nowMicros();
    const std::string line = RecordFile::OutcomeLine(unit_, origin());
    const bool recorded = record(line);
    const UnitOutcome outcome{unit_.passed ? std::string() : unit_.reason, unit_.elapsedMs, line};
    SettingsStatus settled;
    if (unit_.passed)
        settled = p_.numbers.settlePass(numbers_, outcome);
    else if (recorded)
        settled = p_.numbers.settleFail(numbers_, outcome);
    if (!settled.ok) unit_.settingsError = settled.message;
    unit_.keepingMicros += p_.pacing.clock.nowMicros() - began;
}

void ProductionRun::step(const char* name) { p_.device.transport.setStep(name); }

bool ProductionRun::check() {
    const std::optional<DeviceError>& failure = p_.device.transport.failure();
    if (!failure) return true;
    if (unit_.reason.empty()) {
        unit_.reason = failure->step.empty() ? "a device command failed" : failure->step;
        unit_.deviceError = failure->text();
    }
    return false;
}

void ProductionRun::progress(int n) {
    p_.view.progress.set(n);
    p_.pacing.loop.ProcessMessages();
}

void ProductionRun::showResult(const char* text, ResultColor color) {
    p_.view.result.edit([&](ResultArea& r) {
        r.lblResult = text;
        r.lblResultColor = color;
    });
}

void ProductionRun::btnSetTXClick() {
    auto& run = p_.run;
    // Called on its own (the engineering page), the cycle reserves its
    // numbers itself; Go has done so already.
    if (!inCycle_) {
        startRecord();
        if (!beginUnit()) {
            unit_.refused = true;
            p_.view.messages.warning(unit_.reason);
            return;
        }
    }
    run.RunMode = RunFilling;
    p_.view.result.edit([](ResultArea& r) {
        r.lblResult.clear();
        r.lblResultColor = ResultColor::None;
        r.Image1Visible = false;
    });
    run.RunPassed = false;
    p_.device.transport.clearFailure();
    run.clearImages();

    step("entering the mouse's access mode");
    p_.device.calls.enterMouseAccess(false);
    p_.pacing.clock.Sleep(50);
    p_.device.calls.writeDongleRfic(rf_power::Register, rf_power::CodeOf(p_.options->RFPower));
    p_.device.calls.enterMouseAccess(false);
    p_.pacing.clock.Sleep(50);
    progress(1);

    const bool filledAndWritten =
        fillMouseImage() && placeRfIds() && writeMouse() && fillDongleImage() && writeDongle();
    if (filledAndWritten) waitForMouse();
    step("");
    verdict();
    endUnit();
}

// What the images need from the devices, asked in the order the mouse
// expects it: its sensor (once per program), its CPI, the dongle's battery
// word.
bool ProductionRun::fillMouseImage() {
    DeviceCalls& calls = p_.device.calls;
    auto& run = p_.run;
    if (run.SensorKind == 0) {
        step("reading the mouse sensor");
        const std::optional<uint8_t> code = calls.readMouse(op::RfSensorRead, 0);
        // Only a sensor that answered is classed: the class is kept for the
        // rest of the program's life and goes into every dongle.
        if (!p_.device.transport.failed())
            run.SensorKind = code == sensor::IdA || code == sensor::IdB ? sensor::FirstClass : sensor::OtherClass;
        if (!check()) return false;
        p_.pacing.loop.ProcessMessages();
    }
    imageInputs_ = {};
    imageInputs_.sensorKind = run.SensorKind;
    step("setting the mouse CPI");
    calls.setupMouseCpi(p_.options->CpiHigh ? 1 : 0);
    if (!check()) return false;
    progress(2);
    step("reading the dongle's battery word");
    // A failed read counts as 0xFFFF.
    imageInputs_.batteryWord = calls.readDongleWord(rx::Battery).value_or(0xFFFF);
    if (!check()) return false;
    progress(2);

    imageInputs_.txSn = numbers_.txSn;
    imageInputs_.rxSn = numbers_.rxSn;
    if (numbers_.txSn.on) p_.view.result.edit([&](ResultArea& r) { r.edtTX_SN = numbers_.txSn.text; });
    progress(2);
    return true;
}

// The RF IDs as the window shows them, and both images built at once.
bool ProductionRun::placeRfIds() {
    step("RF IDs");
    const uint64_t packed = (static_cast<uint64_t>(numbers_.rxRfid & 0xFFFFFF) << 24) |
                            static_cast<uint64_t>(numbers_.txRfid & 0xFFFFFF);
    for (size_t k = 0; k < 6; ++k) {
        uint8_t b = static_cast<uint8_t>(packed >> ((5 - k) * 8));
        if (k <= 2) p_.view.result.edit([b](ResultArea& r) { r.edtMseDongleAddr += hex2(b); });
        if (k == 0 || k == 3) b |= 0x80;
        p_.view.debug.add(hex2(b));
        imageInputs_.idBytes[k] = b;
    }
    p_.pacing.loop.ProcessMessages();
    UnitImages images = BuildImages(*p_.options, imageInputs_);
    p_.run.TxImage = images.mouse;
    p_.run.RxImage = images.dongle;
    descriptorError_ = std::move(images.descriptorError);
    if (!check()) return false;
    progress(2);
    return true;
}

bool ProductionRun::writeMouse() {
    DeviceCalls& calls = p_.device.calls;
    step("writing the mouse EEPROM");
    calls.enterMouseAccess(false);
    p_.pacing.clock.Sleep(50);
    for (int a = 0; a < kTxImageSize; ++a) {
        const int32_t entry = p_.run.TxImage[a];
        if (entry != kUnwritten) calls.writeMouseEeprom(static_cast<uint8_t>(a), static_cast<uint8_t>(entry));
        progress(3 + a / 25);
        if (p_.device.transport.failed()) break;
    }
    if (!check()) return false;
    // The mouse reloads its parameters; failures here do not count.
    for (int i = 0; i < 2; ++i) {
        calls.writeMouse(op::RfDirectRegWrite, operand::ChipRegister, operand::FastReloadValue);
        p_.pacing.clock.Sleep(50);
    }
    p_.device.calls.leaveMouseAccess();
    p_.pacing.clock.Sleep(50);
    p_.device.transport.clearFailure();
    return true;
}

// What the dongle is told before its image is written, and what the
// image could not hold.
bool ProductionRun::fillDongleImage() {
    DeviceCalls& calls = p_.device.calls;
    const int keys[] = {p_.options->CustKey1, p_.options->CustKey2};
    const char* steps[] = {"custom hot key 1", "custom hot key 2"};
    for (size_t i = 0; i < 2; ++i) {
        step(steps[i]);
        if (CustomKeyChosen(keys[i])) calls.customKeysUpdated();
        if (!check()) return false;
    }
    // Without both USB IDs the receiver keeps its own, and the boxes show none.
    if (HexEditValue(p_.options->VidSet) <= 0 || HexEditValue(p_.options->PidSet) <= 0)
        p_.options.edit([](ProductSettings& o) {
            o.VidSet.clear();
            o.PidSet.clear();
        });
    step("USB string descriptor");
    if (!descriptorError_.empty()) {
        p_.view.messages.warning(descriptorError_);
        p_.device.transport.fail(DeviceOp::Descriptor, op::EepromWrite, rx::StringDescLength);
        return check();
    }
    p_.view.result.edit([&](ResultArea& r) { r.edtRX_SN = numbers_.rxSn.text; });
    return true;
}

bool ProductionRun::writeDongle() {
    step("writing the dongle EEPROM");
    for (int a = 0; a < kRxImageSize; ++a) {
        const int32_t entry = p_.run.RxImage[a];
        if (entry != kUnwritten) p_.device.transport.writeDongleWord(static_cast<uint8_t>(a), static_cast<uint16_t>(entry));
        p_.view.progress.set(9 + a / 6);
    }
    if (!check()) return false;
    progress(19);
    p_.device.calls.reloadDongleParameters();
    p_.pacing.clock.Sleep(200);
    p_.pacing.loop.ProcessMessages();
    return true;
}

void ProductionRun::waitForMouse() {
    showResult("Move", ResultColor::Lime);   // the operator moves the mouse so it re-links
    p_.pacing.loop.ProcessMessages();
    bool linked = false;
    for (int attempt = 0; attempt < 20 && !linked; ++attempt) {
        p_.linkStatus.CheckTxLink();
        linked = p_.linkStatus.CheckTxLink();
    }
    if (!linked) {
        HidAttributes attr;
        const bool gone = !p_.device.link.hasDevice() || !p_.device.link.handle->getAttributes(attr);
        unit_.reason = gone ? "the receiver disappeared while waiting for the mouse"
                            : "the mouse did not answer after the reload (20 attempts)";
        return;
    }
    progress(20);
    p_.run.RunPassed = true;
    if (p_.options->KeyboardBind && !p_.options->MouseOnly) bindKeyboard();
}

void ProductionRun::bindKeyboard() {
    auto& run = p_.run;
    run.BindInRun = 1;
    run.RunPassed = false;
    p_.view.result.edit([](ResultArea& r) {
        r.Image2Visible = true;
        r.lblResult = "Wait";
        r.lblResultColor = ResultColor::Lime;
    });
    p_.pacing.loop.ProcessMessages();
    p_.pairingState.BindTicks = 0;
    p_.pairing.btnCombo_Cmd_Soft_Bind_SWClick();
    // The bind runs on its own timer, ticked while this loop pumps; the
    // dongle filling its keyboard slots ends the wait early.
    int count = 0;
    do {
        count = 0;
        p_.pacing.clock.Sleep(100);
        p_.pacing.loop.ProcessMessages();
        for (uint8_t w : rx::KeyboardSlots) {
            const std::optional<uint16_t> word = p_.device.transport.readDongleWord(w);
            count += word && IsValidCheckedWord(*word);
        }
    } while (WindowTimers::on(p_.pacing.timers.tmrSoftBind) && count != 6);
    WindowTimers::set(p_.pacing.timers.tmrSoftBind, false);
    p_.view.devices.edit([](DeviceStatus& d) { d.gifBindAnimating = false; });
    if (count == 6) p_.pairingState.BindTicks = 17;
    // The binding was asked for: only a keyboard that really bound passes
    // the unit. A binding that timed out, or ended because the receiver
    // went away, leaves a receiver without its keyboard.
    run.RunPassed = count == 6 || p_.pairingState.BindSucceeded;
    if (!run.RunPassed)
        unit_.reason = p_.pairingState.BindTicks == 16 ? "the keyboard binding timed out"
                                                       : "the keyboard binding ended without a keyboard";
}

void ProductionRun::verdict() {
    auto& run = p_.run;
    p_.pacing.loop.ProcessMessages();
    if (run.RunPassed) {
        if constexpr (LogEnabled) {
            ProductionLog log(p_.companion.currentDirectory);
            std::string error;
            if (!log.append(p_.pacing.clock, unit_.rfId, unit_.rxSn, unit_.txSn, error)) unit_.logError = error;
        }
        showResult("PASS", ResultColor::Blue);
        if (p_.options->ResetRF && p_.options->RFPower != 0) {
            p_.device.calls.enterMouseAccess(false);
            p_.pacing.clock.Sleep(50);
            p_.device.calls.writeMouse(op::RfRficWrite, rf_power::Register, rf_power::Full);
            p_.pacing.clock.Sleep(20);
            p_.device.calls.writeDongleRfic(rf_power::Register, rf_power::Full);
        }
    } else {
        showResult("FAIL", ResultColor::Red);
        if (unit_.reason.empty()) unit_.reason = "a device command failed";
    }
    p_.device.calls.leaveMouseAccess();
    p_.pacing.clock.Sleep(50);
    p_.view.result.edit([](ResultArea& r) {
        r.Image2Visible = false;
        r.Image1Visible = true;
    });
    p_.pacing.loop.ProcessMessages();
    run.RunMode = RunIdle;
    run.BindInRun = 0;
}

} // namespace kestrelon
