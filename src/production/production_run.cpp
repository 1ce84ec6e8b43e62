#include "production/production_run.h"

#include "app/lang.h"
#include "app/station.h"
#include "platform/process.h"
#include "production/production_log.h"

#include <cstdio>
#include <filesystem>

namespace kestrelon {

namespace {

// Where each byte of the packed RX/TX ID goes: mouse byte, dongle word.
constexpr uint8_t kMouseByteOfRow[6] = {0x0C, 0x0D, 0x0E, 0x08, 0x09, 0x0A};
constexpr uint8_t kDongleWordOfRow[6] = {0x00, 0x01, 0x02, 0x33, 0x34, 0x35};
constexpr uint8_t kKeyboardSlots[6] = {0x2B, 0x2C, 0x2D, 0x30, 0x31, 0x32};

// An Fn combo's key code: item index + 0xBF, 0 for "<Disabled>" or none.
int fnCode(int item) {
    const int code = item + 0xBF;
    return code < 0xC0 ? 0 : code;
}

std::string hex2(int v) {
    char buf[4];
    std::snprintf(buf, sizeof buf, "%02X", v & 0xFF);
    return buf;
}

bool blank(const std::string& s) { return s.find_first_not_of(" \t\r\n") == std::string::npos; }

} // namespace

std::string ProductionRun::CheckDeviceText(bool mouseDark, bool dongleDark) {
    std::string text = LangText(0x24) + "\r\n";
    if (mouseDark) text += "* Mouse TX\r\n";
    if (dongleDark) text += "* Mouse RX\r\n";
    return text;
}

std::string ProductionRun::ElapsedText(uint32_t ms) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%u.%03u", ms / 1000, ms % 1000);
    return buf;
}

uint8_t ProductionRun::RfPowerCode(int item) {
    switch (item) {
    case 0: return 0x1B;   // 0 dBm
    case 1: return 0x13;   // -5 dBm
    case 2: return 0x0B;   // -10 dBm
    default: return 0x03;  // -20 dBm
    }
}

void ProductionRun::FormKeyDown(int key) {
    if (key == 0x22 && s_.status.btnGoEnabled) btnGoClick();
}

void ProductionRun::tmrIsTxLinkTimer() {
    auto& run = s_.run;
    if (run.AwaitNewDongle || run.RunBusy) return;
    WindowTimers::set(s_.timers.tmrIsTxLink, false);
    s_.clock.ProcessMessages();
    s_.detection.CheckTxLink();
    if (run.RunBusy) return;   // a Go started meanwhile
    for (int i = 0; i < 100; ++i) {
        s_.clock.Sleep(1);
        s_.clock.ProcessMessages();
    }
    if (run.RunBusy) return;
    WindowTimers::set(s_.timers.tmrIsTxLink, true);
    if (run.AutoRun && s_.status.ledTX.Value && run.NotYetActivated == 0) btnGoClick();
}

void ProductionRun::btnGoClick() {
    // The link check inside the cycle lights Go again while the cycle still
    // pumps messages (the keyboard binding waits up to 16 s): a Go then
    // would start a cycle inside this one on the same dongle.
    if (inCycle_) return;
    auto& st = s_.status;
    s_.run.RunBusy = true;
    WindowTimers::set(s_.timers.DetectHIDDeviceCounter, false);
    st.clearResultDisplays();
    const uint32_t start = s_.clock.GetTickCount();
    unit_ = UnitRecord{};

    if (!st.ledTX.Value || !st.ledRX.Value) {
        const std::string text = CheckDeviceText(!st.ledTX.Value, !st.ledRX.Value);
        st.message("Message", text);
        WindowTimers::set(s_.timers.DetectHIDDeviceCounter, true);
        s_.run.RunBusy = false;
        unit_.refused = true;
        unit_.reason = text;
        return;
    }

    st.btnGoEnabled = false;
    WindowTimers::set(s_.timers.tmrIsTxLink, false);
    inCycle_ = true;
    btnSetTXClick();
    inCycle_ = false;
    WindowTimers::set(s_.timers.tmrIsTxLink, false);   // the keyboard bind may have started it

    unit_.elapsedMs = s_.clock.GetTickCount() - start;
    unit_.elapsed = ElapsedText(unit_.elapsedMs);
    st.edtCaliTime = unit_.elapsed;
    s_.clock.ProcessMessages();
    s_.run.AwaitNewDongle = true;

    if (s_.settings.CallMERO && s_.run.RunPassed) {
        const std::string companion =
            (std::filesystem::path(s_.config.currentDirectory) / "MERO_RF_auto.exe").string();
        if (FileExists(companion)) s_.config.startProgram(companion);
    }
    WindowTimers::set(s_.timers.DetectHIDDeviceCounter, true);
    s_.link.close();
    s_.detection.ResetDeviceStatus();

    // Problems that must not stop the line are told once the unit is done.
    if (!unit_.logError.empty()) st.message("Message", unit_.logError);
    if (!unit_.settingsSaved) st.message("Message", unit_.settingsError);
}

bool ProductionRun::check(const char* step) {
    if (!s_.transport.CommFailed) return true;
    if (unit_.reason.empty()) unit_.reason = step;
    return false;
}

void ProductionRun::progress(int n) {
    s_.status.pbSetTX = n;
    s_.clock.ProcessMessages();
}

void ProductionRun::btnSetTXClick() {
    auto& run = s_.run;
    auto& cmd = s_.commands;
    run.RunMode = RunFilling;
    s_.status.lblResult.clear();
    s_.status.lblResultColor = ResultColor::None;
    s_.status.Image1Visible = false;
    run.RunPassed = false;
    s_.transport.CommFailed = false;
    run.clearImages();
    ids_ = UnitRFIDs{-1, -1};   // none read yet: a unit failing before shows no IDs

    cmd.rbC_RF_ENTER_ACCESS_WO_LEDClick();
    s_.clock.Sleep(50);
    s_.eng.edtRFICAddr.setValue(1);
    s_.eng.edtRFICData.setValue(RfPowerCode(s_.settings.RFPower));
    cmd.btnWrt_RFICClick();
    cmd.rbC_RF_ENTER_ACCESS_WO_LEDClick();
    s_.clock.Sleep(50);
    progress(1);

    const bool filledAndWritten =
        fillMouseImage() && placeRfIds() && writeMouse() && fillDongleImage() && writeDongle();
    if (filledAndWritten) waitForMouse();
    verdict();
}

bool ProductionRun::fillMouseImage() {
    auto& cmd = s_.commands;
    auto& set = s_.settings;
    auto& run = s_.run;
    if (run.SensorKind == 0) {
        s_.eng.edtRF_SensorAddr.setValue(0);
        cmd.btnC_RF_Rd_SensorClick();
        // Only a sensor that answered is classed: the class is kept for the
        // rest of the program's life and goes into every dongle.
        if (!s_.transport.CommFailed) {
            const long long code = s_.eng.edtRF_SensorData.value();
            run.SensorKind = code == 0x11 || code == 0x29 ? 0x91 : 0x9D;
        }
        if (!check("reading the mouse sensor")) return false;
        s_.clock.ProcessMessages();
    }
    cmd.rbRF_DR_55Click();   // power-on auto connect is always written as disabled
    if (!check("mouse settings")) return false;
    progress(2);
    set.SoftISS ? cmd.rbRF_DR_15Click() : cmd.rbRF_DR_1AClick();
    if (!check("mouse settings")) return false;
    progress(2);
    set.CpiHigh ? cmd.rbRF_CPI_HClick() : cmd.rbRF_CPI_LClick();
    if (!check("setting the mouse CPI")) return false;
    progress(2);
    if (set.PowerSaving == 0)
        cmd.rbRF_DR_45Click();
    else if (set.PowerSaving == 1)
        cmd.rbRF_DR_4AClick();
    else
        cmd.rbRF_DR_4FClick();
    if (!check("mouse settings")) return false;
    s_.clock.ProcessMessages();
    run.TxImage[0x1C] = set.LRMBinding ? 0x24 : 0x00;
    run.TxImage[0x1D] = set.LRMBinding ? 0xDB : 0xFF;
    set.Wakeup == 0 ? cmd.rbRF_DR_25Click() : cmd.rbRF_DR_2AClick();
    if (!check("mouse settings")) return false;
    progress(2);
    cmd.cbRF_Set_BTY_Low_LevelChange();
    if (!check("reading the dongle's battery word")) return false;
    progress(2);

    auto& txsn = *s_.generators.TxSN;
    if (txsn.IsSN()) {
        s_.status.edtTX_SN = txsn.GetSNText();
        for (int i = 0; i < 6; ++i) run.TxImage[0x78 + i] = txsn.GetSNByte(i);
        run.TxImage[0x7E] = 0xFF;
        run.TxImage[0x7F] = 0xFF;
    }
    if (!check("mouse serial number")) return false;
    progress(2);
    return true;
}

bool ProductionRun::placeRfIds() {
    auto& run = s_.run;
    ids_ = ReadUnitRFIDs(s_.generators);
    const uint64_t packed = (static_cast<uint64_t>(ids_.rx & 0xFFFFFF) << 24) | static_cast<uint64_t>(ids_.tx & 0xFFFFFF);
    for (int k = 0; k < 6; ++k) {
        uint8_t b = static_cast<uint8_t>(packed >> ((5 - k) * 8));
        if (k <= 2) s_.status.edtMseDongleAddr += hex2(b);
        if (k == 0 || k == 3) b |= 0x80;
        s_.clock.ProcessMessages();
        s_.status.lstDebug.push_back(hex2(b));
        idBytes_[k] = b;
        run.TxImage[kMouseByteOfRow[k]] = b;
        s_.clock.ProcessMessages();
        run.RxImage[kDongleWordOfRow[k]] = CheckedByte(b);
    }
    run.TxImage[0x0F] = idBytes_[0] ^ idBytes_[1] ^ idBytes_[2] ^ 0xFF;
    run.TxImage[0x0B] = idBytes_[3] ^ idBytes_[4] ^ idBytes_[5] ^ 0xFF;
    if (!check("RF IDs")) return false;
    progress(2);
    return true;
}

bool ProductionRun::writeMouse() {
    auto& cmd = s_.commands;
    cmd.rbC_RF_ENTER_ACCESS_WO_LEDClick();
    s_.clock.Sleep(50);
    for (int a = 0; a < kTxImageSize; ++a) {
        const int32_t entry = s_.run.TxImage[a];
        if (entry != kUnwritten) {
            s_.eng.edtRF_EEPROMAddr.setValue(a);
            s_.eng.edtRF_EEPROMData.setValue(entry);
            cmd.btnC_RF_Wrt_EEPROMClick();
        }
        progress(3 + a / 25);
        if (s_.transport.CommFailed) break;
    }
    if (!check("writing the mouse EEPROM")) return false;
    // The mouse reloads its parameters; failures here do not count.
    cmd.btnRF_DR_3DClick();
    s_.clock.Sleep(50);
    cmd.btnRF_DR_3DClick();
    s_.clock.Sleep(50);
    cmd.rbC_RF_LEAVE_ACCESSClick();
    s_.clock.Sleep(50);
    s_.transport.CommFailed = false;
    return true;
}

bool ProductionRun::fillDongleImage() {
    auto& cmd = s_.commands;
    auto& set = s_.settings;
    auto& run = s_.run;
    run.RxImage[0x2E] = CheckedByte(static_cast<uint8_t>(run.SensorKind));
    set.MouseOnly ? cmd.rbMouseOnlyClick() : cmd.rbKbdMseClick();
    cmd.cbCustKey1Change();
    if (!check("custom hot key 1")) return false;
    cmd.cbCustKey2Change();
    if (!check("custom hot key 2")) return false;

    if (HexEditValue(set.VidSet) > 0 && HexEditValue(set.PidSet) > 0) {
        cmd.btnEEPROM_W_VIDClick();
        cmd.btnEEPROM_W_PIDClick();
    } else {
        for (int w = 0x0F; w <= 0x12; ++w) run.RxImage[w] = 0;
        set.VidSet.clear();
        set.PidSet.clear();
    }
    if (!check("USB vendor and product ID")) return false;

    int flags = 0;
    if (set.Fn_Enabled) flags |= 0x10;
    if (set.FNPB) flags |= 0x08;
    if (set.FnUIO) flags |= 0x20;
    if (set.fndirection) flags |= 0x40;
    run.RxImage[0x09] = CheckedByte(static_cast<uint8_t>(flags));
    run.RxImage[0x08] = set.FNPB ? fnCode(set.FnPR) * 256 + fnCode(set.FnBreak) : 0;
    static constexpr uint8_t kFnWords[6] = {0x0B, 0x0C, 0x0D, 0x0E, 0x36, 0x0A};
    for (int i = 0; i < 6; ++i)
        run.RxImage[kFnWords[i]] = set.Fn_Enabled ? fnCode(set.FnF[2 * i]) * 256 + fnCode(set.FnF[2 * i + 1]) : 0;

    if (blank(set.StringDesc))
        run.RxImage[0x13] = 0;
    else
        cmd.btnEEPROM_W_20Click();
    if (!check("USB string descriptor")) return false;

    auto& rxsn = *s_.generators.RxSN;
    s_.status.edtRX_SN = rxsn.GetSNText();
    if (rxsn.IsSN()) {
        run.RxImage[0x3F] = 0;
        for (int i = 0; i < 3; ++i) run.RxImage[0x3C + i] = rxsn.GetSNByte(2 * i) * 256 + rxsn.GetSNByte(2 * i + 1);
    }
    if (!check("dongle serial number")) return false;

    // The RF-ID words once more: a long descriptor text may have run into them.
    for (int k = 0; k < 6; ++k) run.RxImage[kDongleWordOfRow[k]] = CheckedByte(idBytes_[k]);
    for (uint8_t w : kKeyboardSlots) run.RxImage[w] = 0;
    run.RxImage[0x39] = CheckedByte(static_cast<uint8_t>(set.SleepPeriod));
    if (!check("USB suspend periods")) return false;
    run.RxImage[0x3A] = CheckedByte(static_cast<uint8_t>(set.WakeupPeriod));
    return true;
}

bool ProductionRun::writeDongle() {
    for (int a = 0; a < kRxImageSize; ++a) {
        const int32_t entry = s_.run.RxImage[a];
        if (entry != kUnwritten) s_.transport.WriteEepromVerified(static_cast<uint8_t>(a), static_cast<uint16_t>(entry));
        s_.status.pbSetTX = 9 + a / 6;
    }
    if (!check("writing the dongle EEPROM")) return false;
    progress(19);
    s_.commands.btnC_RELOAD_PARAMETERClick();
    s_.clock.Sleep(200);
    s_.clock.ProcessMessages();
    return true;
}

void ProductionRun::waitForMouse() {
    auto& st = s_.status;
    st.lblResult = "Move";   // the operator moves the mouse so it re-links
    st.lblResultColor = ResultColor::Lime;
    s_.clock.ProcessMessages();
    bool linked = false;
    for (int attempt = 0; attempt < 20 && !linked; ++attempt) {
        s_.detection.CheckTxLink();
        linked = s_.detection.CheckTxLink();
    }
    if (!linked) {
        HidAttributes attr;
        const bool gone = !s_.link.hasDevice() || !s_.link.handle->getAttributes(attr);
        unit_.reason = gone ? "the receiver disappeared while waiting for the mouse"
                            : "the mouse did not answer after the reload (20 attempts)";
        return;
    }
    progress(20);
    s_.run.RunPassed = true;
    if (s_.settings.KeyboardBind && !s_.settings.MouseOnly) bindKeyboard();
}

void ProductionRun::bindKeyboard() {
    auto& st = s_.status;
    auto& run = s_.run;
    run.BindInRun = 1;
    run.RunPassed = false;
    st.Image2Visible = true;
    st.lblResult = "Wait";
    st.lblResultColor = ResultColor::Lime;
    s_.clock.ProcessMessages();
    s_.pairingState.BindTicks = 0;
    s_.pairing.btnCombo_Cmd_Soft_Bind_SWClick();
    // The bind runs on its own timer, ticked while this loop pumps; the
    // dongle filling its keyboard slots ends the wait early.
    int count = 0;
    do {
        count = 0;
        s_.clock.Sleep(100);
        s_.clock.ProcessMessages();
        for (uint8_t w : kKeyboardSlots) count += IsValidCheckedWord(s_.transport.ReadEepromWord(w));
    } while (WindowTimers::on(s_.timers.tmrSoftBind) && count != 6);
    WindowTimers::set(s_.timers.tmrSoftBind, false);
    st.gifBindAnimating = false;
    if (count == 6) s_.pairingState.BindTicks = 17;
    run.RunPassed = s_.pairingState.BindTicks != 16;
    if (!run.RunPassed) unit_.reason = "the keyboard binding timed out";
}

void ProductionRun::verdict() {
    auto& st = s_.status;
    auto& run = s_.run;
    s_.clock.ProcessMessages();
    unit_.rfId = st.edtMseDongleAddr;
    unit_.rxRfid = ids_.rx;
    unit_.txRfid = ids_.tx;
    if (run.RunPassed) {
        if constexpr (LogEnabled) {
            ProductionLog log(s_.config.currentDirectory);
            std::string error;
            if (!log.append(s_.clock, st.edtMseDongleAddr, st.edtRX_SN, st.edtTX_SN, error)) unit_.logError = error;
        }
        st.lblResult = "PASS";
        st.lblResultColor = ResultColor::Blue;
        s_.numbering.showPassDisplay(AdvanceAfterPass(s_.generators, ids_));
        // The counters are kept at once: a crash or power cut after this
        // unit must not hand its numbers to the next one. A failure is told
        // once the unit is done, not in the middle of it.
        const SaveResult saved = s_.settingsFile.save(s_.settings, s_.run, s_.generators);
        unit_.settingsSaved = saved.ok;
        unit_.settingsError = saved.message;
        if (s_.settings.ResetRF && s_.settings.RFPower != 0) {
            s_.commands.rbC_RF_ENTER_ACCESS_WO_LEDClick();
            s_.clock.Sleep(50);
            s_.eng.edtRF_RFICAddr.setValue(1);
            s_.eng.edtRF_RFICData.setValue(0x1B);
            s_.commands.btnC_RF_Wrt_RFIC_RFX5820KClick();
            s_.clock.Sleep(20);
            s_.eng.edtRFICAddr.setValue(1);
            s_.eng.edtRFICData.setValue(0x1B);
            s_.commands.btnWrt_RFICClick();
        }
    } else {
        st.lblResult = "FAIL";
        st.lblResultColor = ResultColor::Red;
        if (unit_.reason.empty()) unit_.reason = "a device command failed";
    }
    unit_.passed = run.RunPassed;
    unit_.rxSn = st.edtRX_SN;
    unit_.txSn = st.edtTX_SN;
    s_.commands.rbC_RF_LEAVE_ACCESSClick();
    s_.clock.Sleep(50);
    st.Image2Visible = false;
    st.Image1Visible = true;
    s_.clock.ProcessMessages();
    run.RunMode = RunIdle;
    run.BindInRun = 0;
}

} // namespace kestrelon
