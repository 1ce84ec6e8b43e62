#pragma once
// Keeps the device link pointed at the dongle that is plugged in, and knows
// whether the dongle is ready and the mouse answers over RF (LinkState),
// telling its listener of each step.

#include "device/device_access.h"
#include "device/known_devices.h"
#include "device/link_state.h"
#include "device/link_status.h"
#include "model/lang.h"
#include "model/observed.h"
#include "model/pairing_state.h"
#include "model/product_settings.h"
#include "model/run_state.h"
#include "model/window_timers.h"

#include <functional>
#include <optional>

namespace kestrelon {

class Detection : public LinkStatus {
public:
    // What detection reads of the operator's choices.
    struct View {
        const Observed<ProductSettings>& options;   // the model, the VID and PID boxes
        const Language& language;                   // no link check while its dialog shows
        std::function<bool()> mouseRxType;          // the RX type the dongle is told: mouse, else keyboard
    };

    // The state detection keeps up to date beside its own.
    struct Shared {
        RunState& run;              // the cycle's busy flags
        PairingState& pairing;      // the IDs the dongle reports paired
        WindowTimers& timers;       // the link watch and the bind timer
    };

    Detection(HidAccess& hid, DeviceAccess device, View view, Shared shared, LinkListener& listener)
        : hid_(hid), link_(device.link), calls_(device.calls), t_(device.transport), run_(shared.run),
          view_(std::move(view)), pairing_(shared.pairing), timers_(shared.timers), listener_(listener) {}

    const LinkState& state() const { return state_; }

    KnownDeviceTable KnownDevices{};
    int LastDeviceCount = 0;
    bool DetectBusy = false;

    // The 5000 ms detection tick.
    void DetectHIDDeviceCounterTimer();
    // Opens the first known dongle (slot order, then the VID/PID boxes)
    // into the link, without any status work.
    bool OpenKnownDongle();
    void InitDongleStatus();
    void ResetDeviceStatus() override;
    // True when the mouse answers over RF.
    bool CheckTxLink() override;
    // The mouse's chip byte (its direct register 0xFF), or -1 without an answer.
    int readChipByte();

    // The model rule: does this dongle version (and, with the mouse's chip
    // byte, this mouse) fit the selected model?
    static bool DongleFitsModel(int modelIndex, int dongleVersion);
    static bool MouseFitsModel(int modelIndex, int dongleVersion, int chipByte);

private:
    bool sampleSequence();

    HidAccess& hid_;
    DeviceLink& link_;
    DeviceCalls& calls_;
    Transport& t_;
    RunState& run_;
    View view_;
    PairingState& pairing_;
    WindowTimers& timers_;
    LinkListener& listener_;
    LinkState state_;
    // The mouse's sequence byte as last answered; a special command without
    // a valid answer leaves it as it was.
    std::optional<uint8_t> sequence_;
};

} // namespace kestrelon
