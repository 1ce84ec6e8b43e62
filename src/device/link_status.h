#pragma once
// What the production run and pairing need of detection: whether the mouse
// answers over RF, and putting the window back into the no-dongle state.

namespace kestrelon {

class LinkStatus {
public:
    virtual ~LinkStatus() = default;
    // True when the mouse answers over RF; lights or darkens its lamp.
    virtual bool CheckTxLink() = 0;
    virtual void ResetDeviceStatus() = 0;
};

} // namespace kestrelon
