#include "device/detection.h"

#include <cstdio>

namespace kestrelon {

namespace {
std::string hex4(int v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04X", v & 0xFFFF);
    return buf;
}
} // namespace

bool Detection::DongleFitsModel(int modelIndex, int version) {
    switch (modelIndex) {
    case 0: return version == 0xA011;
    case 1: return version == 0xA014;
    case 2: return version == 0xA024;
    default: return false;
    }
}

bool Detection::MouseFitsModel(int modelIndex, int version, int chipByte) {
    if (!DongleFitsModel(modelIndex, version)) return false;
    return modelIndex == 0 ? chipByte == 0x33 : chipByte != 0x33;
}

void Detection::DetectHIDDeviceCounterTimer() {
    if (DetectBusy) return;
    DetectBusy = true;
    // Two pairs of walks: a count that flickers while a device settles is
    // ignored until it agrees with itself.
    int agreeing = 0, count = 0;
    for (int pair = 0; pair < 2; ++pair) {
        const int a = hid_.CountHidDevices();
        const int b = hid_.CountHidDevices();
        agreeing += a == b;
        count = a;
    }
    if (count != LastDeviceCount && agreeing == 2) {
        link_.vendorId = 0;
        link_.productId = 0;
        ResetDeviceStatus();
        hid_.clock().ProcessMessages();
        status_.clearResultDisplays();
        status_.pbSetTX = 0;
        hid_.clock().ProcessMessages();
        link_.handle.reset();

        if (OpenKnownDongle()) {
            InitDongleStatus();
            run_.AwaitNewDongle = false;
            status_.btnGoEnabled = true;
        }
        LastDeviceCount = count;
    }
    DetectBusy = false;
}

bool Detection::OpenKnownDongle() {
    for (const auto& slot : KnownDevices)
        if (slot.used() && hid_.OpenDongle(link_, slot.vendorId, slot.productId)) return true;
    // The IDs typed into the VID and PID boxes are the last resort.
    const long long vid = HexEditValue(settings_.VidSet), pid = HexEditValue(settings_.PidSet);
    return hid_.OpenDongle(link_, static_cast<int>(vid), static_cast<int>(pid));
}

void Detection::InitDongleStatus() {
    WindowTimers::set(timers_.tmrSoftBind, false);
    status_.picture = ConnectPicture::NoneDev;
    status_.edtVID.clear();
    status_.edtPID.clear();
    status_.rbKB_Enabled = status_.rbMSE_Enabled = status_.btnConnectEnabled = true;
    status_.edtVID = hex4(link_.vendorId);
    status_.edtPID = hex4(link_.productId);

    CommandFrame info = makeFrame(0x09);
    if (!t_.exchange(info)) return;   // lamps stay dark, no link watch
    pairing_.PrevMouseId = info[1];
    pairing_.PrevKbdId = info[2];
    status_.picture = ConnectPicture::Connected;
    cmd_.rbMSEClick();
    CommandFrame second = makeFrame(0x0A);
    t_.exchange(second);

    status_.ledRX.Value = true;
    const bool ready = DongleFitsModel(settings_.ModelIndex, link_.DongleVersion);
    status_.ledRX.TrueColor = ready ? LampColor::Green : LampColor::Red;
    status_.edtRX = ready ? "Mouse RX Ready" : "Mouse RX Not Ready";
    hid_.clock().ProcessMessages();
    CheckTxLink();
    hid_.clock().ProcessMessages();
    WindowTimers::set(timers_.tmrIsTxLink, true);
}

void Detection::ResetDeviceStatus() {
    WindowTimers::set(timers_.tmrSoftBind, false);
    WindowTimers::set(timers_.tmrIsTxLink, false);
    status_.picture = ConnectPicture::NoneDev;
    status_.edtVID.clear();
    status_.edtPID.clear();
    status_.rbKB_Enabled = status_.rbMSE_Enabled = status_.btnConnectEnabled = false;
    status_.btnConnectCaptionId = 0x03;
    status_.btnGoEnabled = false;
    status_.ledRX.Value = false;
    status_.edtRX = "Mouse RX Not Ready";
    status_.ledTX.Value = false;
    status_.edtTX = "Mouse TX Not Ready";
    hid_.clock().ProcessMessages();
}

bool Detection::sampleSequence() {
    // The mouse's sequence byte moves while the RF link is up. A special
    // command without a valid answer leaves the edit as it was, so a silent
    // link shows two equal samples.
    cmd_.btnSpecialCmd1Click(1);
    const std::string first = eng_.edtSC01[1].Text;
    hid_.clock().Sleep(24);
    cmd_.btnSpecialCmd1Click(1);
    return eng_.edtSC01[1].Text != first;
}

int Detection::readChipByte() {
    for (int attempt = 0; attempt < RetryCount; ++attempt) {
        CommandFrame f = makeFrame(0x26, kRfMarker, 0xFF, 0x3E);
        t_.exchange(f);
        hid_.clock().ProcessMessages();
        if (isValidAnswer(f)) return f[0];
    }
    return -1;
}

bool Detection::CheckTxLink() {
    if (status_.languageDialogShowing) return false;
    bool linked = false;
    if (link_.hasDevice()) {
        linked = sampleSequence();
        if (!linked) {
            cmd_.rbC_RF_LEAVE_ACCESSClick();
            hid_.clock().Sleep(50);
            cmd_.rbC_RF_ENTER_ACCESS_WO_LEDClick();
            hid_.clock().Sleep(50);
            eng_.edtRF_SensorAddr.setValue(0);
            linked = sampleSequence();
        }
    }
    if (linked) {
        status_.edtTX = "Mouse TX Ready";
        status_.ledTX.Value = true;
        hid_.clock().ProcessMessages();
        const int chip = readChipByte();
        if (chip >= 0) {
            if (MouseFitsModel(settings_.ModelIndex, link_.DongleVersion, chip)) {
                status_.ledTX.TrueColor = LampColor::Green;
                status_.btnGoEnabled = true;
            } else {
                status_.ledTX.TrueColor = LampColor::Red;
            }
        }
    } else {
        status_.edtTX = "Mouse TX Not Ready";
        status_.ledTX.Value = false;
        hid_.clock().ProcessMessages();
    }
    run_.RunBusy = false;
    return linked;
}

} // namespace kestrelon
