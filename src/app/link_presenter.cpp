#include "app/link_presenter.h"

#include "platform/hex_text.h"

#include <cstdio>

namespace kestrelon {

namespace {
std::string hex4(int v) { return HexText(static_cast<uint32_t>(v) & 0xFFFFu, 4); }
Lamp LampOf(bool lit, bool fits) { return Lamp{lit, fits ? LampColor::Green : LampColor::Red}; }
} // namespace

Lamp RxLamp(const LinkState& s) { return LampOf(s.receiverReady, s.receiverFitsModel); }
Lamp TxLamp(const LinkState& s) { return LampOf(s.mouseAnswering, s.mouseFitsModel); }
std::string RxText(const LinkState& s) {
    return s.receiverReady && s.receiverFitsModel ? "Mouse RX Ready" : "Mouse RX Not Ready";
}
std::string TxText(const LinkState& s) { return s.mouseAnswering ? "Mouse TX Ready" : "Mouse TX Not Ready"; }

std::function<bool()> MouseRxChosen(const Observed<DeviceStatus>& devices) {
    return [&devices] { return devices->rbMSE_Checked; };
}

void LinkPresenter::linkReset(const LinkState& s) {
    devices_.edit([&s](DeviceStatus& d) {
        d.picture = ConnectPicture::NoneDev;
        d.edtVID.clear();
        d.edtPID.clear();
        d.rbKB_Enabled = d.rbMSE_Enabled = d.btnConnectEnabled = false;
        d.btnConnectCaptionId = text_id::ConnectCaption;
        d.btnGoEnabled = false;
        // The lamps go dark in the colour they had.
        d.ledRX.Value = s.receiverReady;
        d.edtRX = RxText(s);
        d.ledTX.Value = s.mouseAnswering;
        d.edtTX = TxText(s);
    });
}

void LinkPresenter::devicesChanged() {
    result_.edit([](ResultArea& r) { r.clearDisplays(); });
    progress_.set(0);
}

void LinkPresenter::receiverOpened(const LinkState& s) {
    devices_.edit([&s](DeviceStatus& d) {
        d.picture = ConnectPicture::NoneDev;
        d.rbKB_Enabled = d.rbMSE_Enabled = d.btnConnectEnabled = true;
        d.edtVID = hex4(s.vendorId);
        d.edtPID = hex4(s.productId);
    });
}

void LinkPresenter::receiverAnswered(const LinkState&) {
    devices_.edit([](DeviceStatus& d) { d.picture = ConnectPicture::Connected; });
}

void LinkPresenter::receiverReady(const LinkState& s) {
    devices_.edit([&s](DeviceStatus& d) {
        d.ledRX = RxLamp(s);
        d.edtRX = RxText(s);
    });
}

void LinkPresenter::mouseChecked(const LinkState& s) {
    devices_.edit([&s](DeviceStatus& d) {
        d.ledTX.Value = s.mouseAnswering;   // its colour waits for the chip byte
        d.edtTX = TxText(s);
    });
}

void LinkPresenter::mouseIdentified(const LinkState& s, bool unitMayStart) {
    devices_.edit([&s, unitMayStart](DeviceStatus& d) {
        d.ledTX = TxLamp(s);
        if (unitMayStart) d.btnGoEnabled = true;
    });
}

void LinkPresenter::unitMayStart() {
    devices_.edit([](DeviceStatus& d) { d.btnGoEnabled = true; });
}

} // namespace kestrelon
