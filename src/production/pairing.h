#pragma once
// Pairing ("connect"): the dongle is put into binding mode, then watched
// once a second until it reports another mouse or keyboard and the mouse
// answers, or 16 ticks have passed. The production run uses the same
// machine silently to bind a keyboard.

#include "device/device_access.h"
#include "device/dongle_info.h"
#include "device/link_status.h"
#include "model/messages.h"
#include "model/pairing_state.h"
#include "model/presentation.h"
#include "model/run_state.h"
#include "model/window_timers.h"

namespace kestrelon {

class Pairing {
public:
    // A bind gives up after this many ticks of tmrSoftBind, one a second.
    static constexpr int kTimeoutTicks = 16;
    static constexpr uint32_t kTickMs = 1000;

    struct Parts {
        DeviceAccess device;
        LinkStatus& linkStatus;
        PairingState& state;
        RunState& run;
        WindowTimers& timers;
        OperatorView view;
    };
    explicit Pairing(Parts p) : p_(p) {}

    // Starts (or restarts) a bind: the operator's button, or the run.
    void btnCombo_Cmd_Soft_Bind_SWClick();
    // One tick of tmrSoftBind.
    void tmrSoftBindTimer();

    // The start waits for an agreeing pair of info reads no longer than a
    // tick does; a dongle that never agrees is taken as lost.
    static constexpr int kAgreementPairs = 19;

private:
    // Read pairs until two reads 10 ms apart are valid and name the same
    // mouse; false after kAgreementPairs pairs. With a tick number, every
    // valid read leaves a debug line.
    bool agreeingPair(DongleInfo& out, int tickForDebug);
    bool linkAnswers();
    void finish(uint8_t resultTextId, bool success);

    Parts p_;
};

} // namespace kestrelon
