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
        hid_.loop().ProcessMessages();
        view_.result.edit([](ResultArea& r) { r.clearDisplays(); });
        view_.progress.set(0);
        hid_.loop().ProcessMessages();
        link_.handle.reset();

        if (OpenKnownDongle()) {
            InitDongleStatus();
            run_.AwaitNewDongle = false;
            view_.devices.edit([](DeviceStatus& d) { d.btnGoEnabled = true; });
        }
        LastDeviceCount = count;
    }
    DetectBusy = false;
}

bool Detection::OpenKnownDongle() {
    for (const auto& slot : KnownDevices)
        if (slot.used() && hid_.OpenDongle(link_, slot.vendorId, slot.productId)) return true;
    // The IDs typed into the VID and PID boxes are the last resort.
    const long long vid = HexEditValue(view_.options->VidSet), pid = HexEditValue(view_.options->PidSet);
    return hid_.OpenDongle(link_, static_cast<int>(vid), static_cast<int>(pid));
}

void Detection::InitDongleStatus() {
    WindowTimers::set(timers_.tmrSoftBind, false);
    view_.devices.edit([&](DeviceStatus& d) {
        d.picture = ConnectPicture::NoneDev;
        d.rbKB_Enabled = d.rbMSE_Enabled = d.btnConnectEnabled = true;
        d.edtVID = hex4(link_.vendorId);
        d.edtPID = hex4(link_.productId);
    });

    CommandFrame info = makeFrame(op::DongleInfo);
    if (!t_.exchange(info)) return;   // lamps stay dark, no link watch
    pairing_.PrevMouseId = info[1];
    pairing_.PrevKbdId = info[2];
    view_.devices.edit([](DeviceStatus& d) { d.picture = ConnectPicture::Connected; });
    cmd_.rbMSEClick();
    CommandFrame second = makeFrame(op::DongleStatus);
    t_.exchange(second);

    const bool ready = DongleFitsModel(view_.options->ModelIndex, link_.DongleVersion);
    view_.devices.edit([ready](DeviceStatus& d) {
        d.ledRX.Value = true;
        d.ledRX.TrueColor = ready ? LampColor::Green : LampColor::Red;
        d.edtRX = ready ? "Mouse RX Ready" : "Mouse RX Not Ready";
    });
    hid_.loop().ProcessMessages();
    CheckTxLink();
    hid_.loop().ProcessMessages();
    WindowTimers::set(timers_.tmrIsTxLink, true);
}

void Detection::ResetDeviceStatus() {
    WindowTimers::set(timers_.tmrSoftBind, false);
    WindowTimers::set(timers_.tmrIsTxLink, false);
    view_.devices.edit([](DeviceStatus& d) {
        d.picture = ConnectPicture::NoneDev;
        d.edtVID.clear();
        d.edtPID.clear();
        d.rbKB_Enabled = d.rbMSE_Enabled = d.btnConnectEnabled = false;
        d.btnConnectCaptionId = 0x03;
        d.btnGoEnabled = false;
        d.ledRX.Value = false;
        d.edtRX = "Mouse RX Not Ready";
        d.ledTX.Value = false;
        d.edtTX = "Mouse TX Not Ready";
    });
    hid_.loop().ProcessMessages();
}

bool Detection::sampleSequence() {
    // The mouse's sequence byte moves while the RF link is up. A special
    // command without a valid answer leaves the edit as it was, so a silent
    // link shows two equal samples.
    cmd_.btnSpecialCmd1Click(operand::SpecialLink);
    const std::string first = eng_.edtSC01[special::MouseSequence].text();
    hid_.clock().Sleep(24);
    cmd_.btnSpecialCmd1Click(operand::SpecialLink);
    return eng_.edtSC01[special::MouseSequence].text() != first;
}

int Detection::readChipByte() {
    for (int attempt = 0; attempt < RetryCount; ++attempt) {
        CommandFrame f = rfFrame(op::RfDirectRegRead, operand::ChipRegister, operand::LinkProbe);
        t_.exchange(f);
        hid_.loop().ProcessMessages();
        if (isValidAnswer(f)) return f[0];
    }
    return -1;
}

bool Detection::CheckTxLink() {
    if (view_.language.DialogShowing) return false;
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
        view_.devices.edit([](DeviceStatus& d) {
            d.edtTX = "Mouse TX Ready";
            d.ledTX.Value = true;
        });
        hid_.loop().ProcessMessages();
        const int chip = readChipByte();
        if (chip >= 0) {
            const bool fits = MouseFitsModel(view_.options->ModelIndex, link_.DongleVersion, chip);
            // The read pumps messages: a Go may have run a whole unit in
            // between and closed its receiver. Go stays off then.
            const bool open = link_.hasDevice();
            view_.devices.edit([fits, open](DeviceStatus& d) {
                d.ledTX.TrueColor = fits ? LampColor::Green : LampColor::Red;
                if (fits && open) d.btnGoEnabled = true;
            });
        }
    } else {
        view_.devices.edit([](DeviceStatus& d) {
            d.edtTX = "Mouse TX Not Ready";
            d.ledTX.Value = false;
        });
        hid_.loop().ProcessMessages();
    }
    run_.RunBusy = false;
    return linked;
}

} // namespace kestrelon
