#pragma once
// Serves the firmware model of a receiver and its mouse to the kernel: the
// receiver's two HID interfaces as uhid devices, every feature report the
// host sends or fetches answered by PairFirmware, plus the faults a test
// asks for. Single-threaded: the kernel waits up to 5 s for each answer, so
// this loop must never block on anything but its own descriptors.

#include "sim/pair_firmware.h"
#include "uhid/dongle_options.h"
#include "uhid/uhid_node.h"

#include <cstdint>
#include <ostream>
#include <string>

namespace kestrelon::uhid {

class DongleServer {
public:
    DongleServer(const DongleOptions& options, sim::PairFirmware& firmware, std::ostream& log)
        : options_(options), firmware_(firmware), log_(log) {}

    // Creates both interfaces. False with a reason.
    bool plug(std::string& whyNot);
    // Unplugs both interfaces at once, as pulling the receiver out does.
    void unplug();
    bool plugged() const { return vendor_.alive(); }

    // Answers reports until a signal arrives on signalFd (a signalfd) or the
    // receiver is unplugged by a fault. Returns the signal number, or 0.
    int serve(int signalFd);

    uint64_t reports() const { return reports_; }

private:
    void handleVendorEvent(const uhid_event& ev);
    void handleMouseEvent(const uhid_event& ev);
    void answerGet(const uhid_get_report_req& req);
    void answerSet(const uhid_set_report_req& req);
    void afterReport();

    const DongleOptions& options_;
    sim::PairFirmware& firmware_;
    std::ostream& log_;
    UhidNode mouse_;
    UhidNode vendor_;
    uint64_t reports_ = 0;
};

} // namespace kestrelon::uhid
