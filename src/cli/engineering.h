#pragma once
// Shared by the engineering commands: a Station on the chosen HID layer
// with the first known receiver opened.

#include "app/station.h"
#include "cli/device_session.h"

#include <memory>

namespace kestrelon::cli {

struct EngineeringSession {
    DeviceSession devices;
    std::unique_ptr<Station> station;
    int model = 0;   // the selected model the receiver is checked against
};

// Options of the engineering commands that pick the receiver.
std::vector<Option> receiverOptions();

// Opens the session and a receiver (the first known one, or --vid/--pid).
// With fullDetection the dongle is brought up as detection does (dongle
// information, RX type, the mouse link check). kExitOk, or the exit code
// after an error line.
int OpenReceiver(const Args& args, const Io& io, EngineeringSession& s, bool fullDetection);

// Ends the session: saves a simulated pair; returns code, or kExitFailed
// when the state could not be kept.
int CloseReceiver(EngineeringSession& s, const Io& io, int code);

std::string Hex(long long value, int digits);

// "the receiver was unplugged" when it is gone, else the given text.
std::string ReceiverProblem(EngineeringSession& s, const std::string& otherwise);

} // namespace kestrelon::cli
