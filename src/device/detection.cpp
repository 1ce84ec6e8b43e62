#include "device/detection.h"

#include "model/product_models.h"

namespace kestrelon {

bool Detection::DongleFitsModel(int modelIndex, int version) {
    const ProductModel* m = ModelAt(modelIndex);
    return m && m->dongleVersion == version;
}

bool Detection::MouseFitsModel(int modelIndex, int version, int chipByte) {
    if (!DongleFitsModel(modelIndex, version)) return false;
    return ModelAt(modelIndex)->firstChip == (chipByte == kFirstChipByte);
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
        listener_.devicesChanged();
        hid_.loop().ProcessMessages();
        link_.handle.reset();

        if (OpenKnownDongle()) {
            InitDongleStatus();
            run_.AwaitNewDongle = false;
            listener_.unitMayStart();
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
    state_.receiverOpen = true;
    state_.vendorId = link_.vendorId;
    state_.productId = link_.productId;
    state_.receiverAnswered = state_.receiverReady = false;
    listener_.receiverOpened(state_);

    CommandFrame info = makeFrame(op::DongleInfo);
    if (!t_.exchange(info)) return;   // lamps stay dark, no link watch
    pairing_.PrevMouseId = info[1];
    pairing_.PrevKbdId = info[2];
    state_.receiverAnswered = true;
    listener_.receiverAnswered(state_);
    calls_.setRxType(view_.mouseRxType());
    CommandFrame second = makeFrame(op::DongleStatus);
    t_.exchange(second);

    state_.receiverReady = true;
    state_.receiverFitsModel = DongleFitsModel(view_.options->ModelIndex, link_.DongleVersion);
    listener_.receiverReady(state_);
    hid_.loop().ProcessMessages();
    CheckTxLink();
    hid_.loop().ProcessMessages();
    WindowTimers::set(timers_.tmrIsTxLink, true);
}

void Detection::ResetDeviceStatus() {
    WindowTimers::set(timers_.tmrSoftBind, false);
    WindowTimers::set(timers_.tmrIsTxLink, false);
    state_.receiverOpen = state_.receiverAnswered = state_.receiverReady = state_.mouseAnswering = false;
    state_.vendorId = state_.productId = 0;
    listener_.linkReset(state_);
    hid_.loop().ProcessMessages();
}

bool Detection::sampleSequence() {
    // The mouse's sequence byte moves while the RF link is up. A special
    // command without a valid answer leaves the last sample as it was, so a
    // silent link shows two equal samples.
    const auto sample = [this] {
        if (const auto f = calls_.readSpecial(operand::SpecialLink)) sequence_ = (*f)[special::MouseSequence];
    };
    sample();
    const std::optional<uint8_t> first = sequence_;
    hid_.clock().Sleep(24);
    sample();
    return sequence_ != first;
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
            calls_.leaveMouseAccess();
            hid_.clock().Sleep(50);
            calls_.enterMouseAccess(false);
            hid_.clock().Sleep(50);
            linked = sampleSequence();
        }
    }
    state_.mouseAnswering = linked;
    listener_.mouseChecked(state_);
    hid_.loop().ProcessMessages();
    if (linked) {
        const int chip = readChipByte();
        if (chip >= 0) {
            state_.mouseFitsModel = MouseFitsModel(view_.options->ModelIndex, link_.DongleVersion, chip);
            // The read pumps messages: a Go may have run a whole unit in
            // between and closed its receiver. Go stays off then.
            listener_.mouseIdentified(state_, state_.mouseFitsModel && link_.hasDevice());
        }
    }
    run_.RunBusy = false;
    return linked;
}

} // namespace kestrelon
