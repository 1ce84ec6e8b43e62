#pragma once
// The HID layer a command works on: the real one, or the simulated PC with
// one receiver and its mouse, optionally kept in a state file between calls.

#include "cli/cli.h"
#include "device/hid_backend.h"
#include "platform/scheduled_clock.h"
#include "sim/pair_firmware.h"
#include "sim/sim_hid_backend.h"

#include <memory>
#include <string>

namespace kestrelon::cli {

struct DeviceSession {
    std::unique_ptr<ScheduledClock> clock;   // time, event loop and wait totals
    std::unique_ptr<HidBackend> backend;
    sim::SimHidBackend* sim = nullptr;             // set with --sim
    std::shared_ptr<sim::PairFirmware> simPair;    // the plugged receiver and mouse
    int simDongleDevice = -1;
    std::string statePath;

    // Writes the simulated pair back to --sim-state; false after an error line.
    bool saveSimState(const Io& io);
};

// Starts the back end the options ask for. virtualTime runs the simulation
// (and every wait) on a virtual clock. False after printing the error line.
bool OpenDeviceSession(const Args& args, const Io& io, DeviceSession& session, bool virtualTime = false);

} // namespace kestrelon::cli
