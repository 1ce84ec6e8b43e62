#include "app/erase_tools.h"

#include "app/station.h"

namespace kestrelon {

void EraseTools::TX_ErasedClick(bool checked) {
    s_.settings.TX_Erased = checked;
    suiButton2Enabled = checked;
}

void EraseTools::RX_ErasedClick(bool checked) {
    s_.settings.RX_Erased = checked;
    suiButton1Enabled = checked;
}

void EraseTools::CallMEROClick(bool checked) {
    s_.settings.CallMERO = checked;
    s_.btnWriteSettingClick();
}

bool EraseTools::begin(bool needMouse, uint32_t& start) {
    auto& st = s_.status;
    st.clearResultDisplays();
    start = s_.clock.GetTickCount();
    const bool mouseDark = needMouse && !st.ledTX.Value;
    if (mouseDark || !st.ledRX.Value) {
        st.message("Message", ProductionRun::CheckDeviceText(mouseDark, !st.ledRX.Value));
        return false;
    }
    WindowTimers::set(s_.timers.tmrIsTxLink, false);
    st.lblResult.clear();
    st.Image1Visible = false;
    return true;
}

void EraseTools::end(uint32_t start, const char* result) {
    WindowTimers::set(s_.timers.tmrIsTxLink, false);
    s_.status.edtCaliTime = ProductionRun::ElapsedText(s_.clock.GetTickCount() - start);
    s_.clock.ProcessMessages();
    s_.status.lblResult = result;
}

void EraseTools::suiButton2Click() {
    if (!s_.settings.TX_Erased) return;
    uint32_t start = 0;
    if (!begin(true, start)) return;
    auto& cmd = s_.commands;
    s_.transport.CommFailed = false;
    cmd.rbC_RF_LEAVE_ACCESSClick();
    s_.clock.Sleep(50);
    cmd.rbC_RF_ENTER_ACCESS_WO_LEDClick();
    s_.clock.Sleep(50);
    s_.status.pbSetTX = 0;
    for (int a = 0; a < kTxImageSize; ++a) {
        s_.eng.edtRF_EEPROMAddr.setValue(a);
        s_.eng.edtRF_EEPROMData.setValue(0xFF);
        cmd.btnC_RF_Wrt_EEPROMClick();   // a failed byte does not stop the erase
        s_.status.pbSetTX = (a + 1) * 20 / kTxImageSize;
        s_.clock.Sleep(20);
        s_.clock.ProcessMessages();
    }
    cmd.rbC_RF_LEAVE_ACCESSClick();
    s_.clock.Sleep(50);
    end(start, "TX Erased");
}

void EraseTools::suiButton1Click() {
    if (!s_.settings.RX_Erased) return;
    uint32_t start = 0;
    if (!begin(false, start)) return;
    s_.commands.rbC_RF_LEAVE_ACCESSClick();
    s_.clock.Sleep(50);
    s_.status.pbSetTX = 0;
    for (int w = 0; w < kRxImageSize; ++w) {
        s_.transport.WriteEepromVerified(static_cast<uint8_t>(w), 0xFFFF);
        s_.status.pbSetTX = (w + 1) * 20 / kRxImageSize;
        s_.clock.Sleep(20);
        s_.clock.ProcessMessages();
    }
    end(start, "RX Erased");
}

} // namespace kestrelon
