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
    p_.view.result.edit([](ResultArea& r) { r.clearDisplays(); });
    start = p_.pacing.clock.GetTickCount();
    const bool mouseDark = needMouse && !p_.view.devices->ledTX.Value;
    const bool dongleDark = !p_.view.devices->ledRX.Value;
    if (mouseDark || dongleDark) {
        p_.view.messages.warning(ProductionRun::CheckDeviceText(p_.view.language, mouseDark, dongleDark));
        return false;
    }
    WindowTimers::set(p_.pacing.timers.tmrIsTxLink, false);
    p_.view.result.edit([](ResultArea& r) {
        r.lblResult.clear();
        r.Image1Visible = false;
    });
    return true;
}

void EraseTools::end(uint32_t start, const char* result) {
    WindowTimers::set(p_.pacing.timers.tmrIsTxLink, false);
    const std::string elapsed = ProductionRun::ElapsedText(p_.pacing.clock.GetTickCount() - start);
    p_.view.result.edit([&](ResultArea& r) { r.edtCaliTime = elapsed; });
    p_.pacing.loop.ProcessMessages();
    p_.view.result.edit([&](ResultArea& r) { r.lblResult = result; });
}

void EraseTools::suiButton2Click() {
    if (!p_.options->TX_Erased) return;
    uint32_t start = 0;
    if (!begin(true, start)) return;
    DeviceCalls& calls = p_.device.calls;
    p_.device.transport.clearFailure();
    calls.leaveMouseAccess();
    p_.pacing.clock.Sleep(50);
    calls.enterMouseAccess(false);
    p_.pacing.clock.Sleep(50);
    p_.view.progress.set(0);
    for (int a = 0; a < kTxImageSize; ++a) {
        calls.writeMouseEeprom(static_cast<uint8_t>(a), 0xFF);   // a failed byte does not stop the erase
        p_.view.progress.set((a + 1) * 20 / kTxImageSize);
        p_.pacing.clock.Sleep(20);
        p_.pacing.loop.ProcessMessages();
    }
    calls.leaveMouseAccess();
    p_.pacing.clock.Sleep(50);
    end(start, "TX Erased");
}

void EraseTools::suiButton1Click() {
    if (!p_.options->RX_Erased) return;
    uint32_t start = 0;
    if (!begin(false, start)) return;
    p_.device.calls.leaveMouseAccess();
    p_.pacing.clock.Sleep(50);
    p_.view.progress.set(0);
    for (int w = 0; w < kRxImageSize; ++w) {
        p_.device.transport.writeDongleWord(static_cast<uint8_t>(w), 0xFFFF);
        p_.view.progress.set((w + 1) * 20 / kRxImageSize);
        p_.pacing.clock.Sleep(20);
        p_.pacing.loop.ProcessMessages();
    }
    end(start, "RX Erased");
}

} // namespace kestrelon
