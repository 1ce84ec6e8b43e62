#include "app/erase_tools.h"

#include "production/production_run.h"

namespace kestrelon {

void EraseTools::TX_ErasedClick(bool checked) {
    p_.options.edit([checked](ProductSettings& o) { o.TX_Erased = checked; });
    p_.buttons.edit([checked](EraseButtons& b) { b.suiButton2Enabled = checked; });
}

void EraseTools::RX_ErasedClick(bool checked) {
    p_.options.edit([checked](ProductSettings& o) { o.RX_Erased = checked; });
    p_.buttons.edit([checked](EraseButtons& b) { b.suiButton1Enabled = checked; });
}

void EraseTools::CallMEROClick(bool checked) {
    p_.options.edit([checked](ProductSettings& o) { o.CallMERO = checked; });
    if (p_.writeSettings) p_.writeSettings();
}

bool EraseTools::begin(bool needMouse, uint32_t& start) {
    p_.result.edit([](ResultArea& r) { r.clearDisplays(); });
    start = p_.clock.GetTickCount();
    const bool mouseDark = needMouse && !p_.devices->ledTX.Value;
    const bool dongleDark = !p_.devices->ledRX.Value;
    if (mouseDark || dongleDark) {
        p_.messages.warning(ProductionRun::CheckDeviceText(p_.language, mouseDark, dongleDark));
        return false;
    }
    WindowTimers::set(p_.timers.tmrIsTxLink, false);
    p_.result.edit([](ResultArea& r) {
        r.lblResult.clear();
        r.Image1Visible = false;
    });
    return true;
}

void EraseTools::end(uint32_t start, const char* result) {
    WindowTimers::set(p_.timers.tmrIsTxLink, false);
    const std::string elapsed = ProductionRun::ElapsedText(p_.clock.GetTickCount() - start);
    p_.result.edit([&](ResultArea& r) { r.edtCaliTime = elapsed; });
    p_.loop.ProcessMessages();
    p_.result.edit([&](ResultArea& r) { r.lblResult = result; });
}

void EraseTools::suiButton2Click() {
    if (!p_.options->TX_Erased) return;
    uint32_t start = 0;
    if (!begin(true, start)) return;
    auto& cmd = p_.commands;
    p_.transport.clearFailure();
    cmd.rbC_RF_LEAVE_ACCESSClick();
    p_.clock.Sleep(50);
    cmd.rbC_RF_ENTER_ACCESS_WO_LEDClick();
    p_.clock.Sleep(50);
    p_.progress.set(0);
    for (int a = 0; a < kTxImageSize; ++a) {
        cmd.RfWriteEeprom(static_cast<uint8_t>(a), 0xFF);   // a failed byte does not stop the erase
        p_.progress.set((a + 1) * 20 / kTxImageSize);
        p_.clock.Sleep(20);
        p_.loop.ProcessMessages();
    }
    cmd.rbC_RF_LEAVE_ACCESSClick();
    p_.clock.Sleep(50);
    end(start, "TX Erased");
}

void EraseTools::suiButton1Click() {
    if (!p_.options->RX_Erased) return;
    uint32_t start = 0;
    if (!begin(false, start)) return;
    p_.commands.rbC_RF_LEAVE_ACCESSClick();
    p_.clock.Sleep(50);
    p_.progress.set(0);
    for (int w = 0; w < kRxImageSize; ++w) {
        p_.transport.writeDongleWord(static_cast<uint8_t>(w), 0xFFFF);
        p_.progress.set((w + 1) * 20 / kRxImageSize);
        p_.clock.Sleep(20);
        p_.loop.ProcessMessages();
    }
    end(start, "RX Erased");
}

} // namespace kestrelon
