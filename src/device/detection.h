#pragma once
// Keeps the device link pointed at the dongle that is plugged in, and keeps
// the two status lamps: dongle ready, mouse answering over RF.

#include "device/command_set.h"
#include "device/device_link.h"
#include "device/known_devices.h"
#include "device/window_timers.h"
#include "production/pairing_state.h"

namespace kestrelon {

class Detection {
public:
    Detection(HidAccess& hid, DeviceLink& link, CommandSet& commands, Transport& transport, RunState& run,
              ProductSettings& settings, EngineeringState& eng, StatusModel& status, PairingState& pairing,
              WindowTimers& timers)
        : hid_(hid), link_(link), cmd_(commands), t_(transport), run_(run), settings_(settings), eng_(eng),
          status_(status), pairing_(pairing), timers_(timers) {}

    KnownDeviceTable KnownDevices{};
    int LastDeviceCount = 0;
    bool DetectBusy = false;

    // The 5000 ms detection tick.
    void DetectHIDDeviceCounterTimer();
    // Opens the first known dongle (slot order, then the VID/PID boxes)
    // into the link, without any status work.
    bool OpenKnownDongle();
    void InitDongleStatus();
    void ResetDeviceStatus();
    // True when the mouse answers over RF; lights or darkens its lamp.
    bool CheckTxLink();
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
    CommandSet& cmd_;
    Transport& t_;
    RunState& run_;
    ProductSettings& settings_;
    EngineeringState& eng_;
    StatusModel& status_;
    PairingState& pairing_;
    WindowTimers& timers_;
};

} // namespace kestrelon
