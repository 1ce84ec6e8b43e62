#include "cli/device_session.h"

#include "cli/file_checks.h"
#include "frontend/real_backend.h"
#include "platform/steady_clock.h"
#include "platform/virtual_clock.h"
#include "sim/pair_state_file.h"

namespace kestrelon::cli {

bool OpenDeviceSession(const Args& args, const Io& io, DeviceSession& s, bool virtualTime) {
    if (virtualTime) {
        // Serial numbers carry the date: the virtual calendar starts now.
        auto clock = std::make_unique<VirtualClock>();
        clock->setLocalStart(systemLocalNow());
        s.clock = std::move(clock);
    } else {
        s.clock = std::make_unique<SteadyClock>();
    }

    if (args.has("sim")) {
        auto backend = std::make_unique<sim::SimHidBackend>(*s.clock);
        backend->plugTypicalPcDevices();
        Clock* clock = s.clock.get();
        s.simPair = std::make_shared<sim::PairFirmware>(sim::PairConfig{}, [clock] { return clock->nowMicros(); });
        s.statePath = args.value("sim-state");
        if (!s.statePath.empty()) {
            std::string why;
            if (sim::LoadPairState(s.statePath, *s.simPair, why) == sim::StateLoad::Failed) {
                io.error("cannot read simulation state " + s.statePath + ": " + why);
                return false;
            }
            // Found out now, not after the command changed the pair.
            if (!CheckWritable(s.statePath, true, why)) {
                io.error("cannot write simulation state " + s.statePath + ": " + why);
                return false;
            }
        }
        s.simDongleDevice = backend->plugDongle(s.simPair);
        s.sim = backend.get();
        s.backend = std::move(backend);
        return true;
    }

    s.backend = MakeRealHidBackend();
    if (!s.backend) {
        io.error("this build has no HID back end; use --sim");
        return false;
    }
    std::string why;
    if (!s.backend->start(why)) {
        io.error("cannot start the HID layer: " + why);
        return false;
    }
    return true;
}

bool DeviceSession::saveSimState(const Io& io) {
    if (statePath.empty() || !simPair) return true;
    simPair->settle();
    std::string why;
    if (!sim::SavePairState(statePath, *simPair, why)) {
        io.error("cannot write simulation state " + statePath + ": " + why);
        return false;
    }
    return true;
}

} // namespace kestrelon::cli
