#pragma once
// The production line on the simulated receiver and mouse, for trying the
// tool without hardware: one pair is plugged at start (from a state file
// when one is named); after each unit the receiver is taken out and a
// fresh pair with erased EEPROMs is plugged one second later, so unit after
// unit can be programmed. Detection hears of every plug and unplug at once,
// as it does of real hot-plug events.
//
// Taking a receiver out clears the verdict from the window (detection drops
// the link), so the finished unit stays plugged for a while first, as long
// as an operator takes to read the verdict and reach for the unit.

#include "app/station.h"
#include "platform/clock.h"
#include "sim/pair_firmware.h"
#include "sim/sim_hid_backend.h"

#include <memory>
#include <string>

namespace kestrelon {

struct SimulatedLineTiming {
    uint32_t takeOutMs = 6000;   // from the end of a unit until it is taken out
    uint32_t replugMs = 1000;    // from then until the next pair is plugged (at least 600)
};

class SimulatedLine {
public:
    using Timing = SimulatedLineTiming;
    // statePath: the file the pair is kept in ({"pair": ...}), or empty.
    SimulatedLine(Clock& clock, std::string statePath = {}, Timing timing = {});
    ~SimulatedLine();

    // Loads the state file's pair (a missing file keeps the fresh pair) and
    // plugs it. False with a reason when the file cannot be read.
    bool plugFirstPair(std::string& why);

    HidBackend& backend() { return backend_; }
    sim::SimHidBackend& sim() { return backend_; }
    const std::shared_ptr<sim::PairFirmware>& pair() const { return pair_; }

    // From now on each plug and unplug is told through devicesChanged (the
    // station's HidDevicesChanged), and every unit unitDone announces is
    // kept in the state file, taken out, and followed by a fresh pair, on
    // timers of the loop. The first pair is told at once. Whoever owns the
    // loop must not outlive the line.
    void attach(EventLoop& loop, Notifier& unitDone, std::function<void()> devicesChanged);
    // At shut-down: when no unit was finished, the pair plugged at start is
    // kept (as it is now) in the state file. False with a reason.
    bool keepAtClose(std::string& why);

private:
    void unitDone();
    void takeOut();
    void plugFresh();
    bool save(std::string& why);

    Clock& clock_;
    std::string statePath_;
    Timing timing_;
    sim::SimHidBackend backend_;
    std::shared_ptr<sim::PairFirmware> pair_;
    int device_ = -1;
    int units_ = 0;
    std::function<void()> devicesChanged_;
    std::unique_ptr<Timer> takeOut_, replug_;
    Notifier::Connection unitDone_;
};

} // namespace kestrelon
