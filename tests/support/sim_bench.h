#pragma once
// A simulated PC on the virtual clock: the usual HID devices, one receiver
// with its mouse, and the device link and transport on top.

#include "device/device_link.h"
#include "device/transport.h"
#include "platform/trace.h"
#include "platform/virtual_clock.h"
#include "sim/pair_firmware.h"
#include "sim/sim_hid_backend.h"

#include <memory>
#include <string>
#include <vector>

namespace kestrelon::test {

struct SimBench {
    Trace trace;
    VirtualClock clock{&trace};
    sim::SimHidBackend backend{clock, &trace};
    std::shared_ptr<sim::PairFirmware> pair;
    int dongleDevice = -1;
    HidAccess hid{backend, clock, clock};
    DeviceLink link;
    Transport transport{hid, link};

    explicit SimBench(sim::PairConfig config = {}, bool plug = true) {
        backend.setTransferMicros(0);   // tests count waits, not transfer time
        backend.plugTypicalPcDevices();
        pair = std::make_shared<sim::PairFirmware>(config, [this] { return clock.nowMicros(); });
        if (plug) dongleDevice = backend.plugDongle(pair);
    }

    // Opens the receiver the way detection does.
    bool open() {
        return hid.OpenDongle(link, pair->vendorId(), pair->productId());
    }

    // The frames sent, as "01 03 2F 00 ..." texts.
    std::vector<std::string> sentFrames() const {
        std::vector<std::string> out;
        for (const auto& t : trace.tokens(true))
            if (t.rfind("S:", 0) == 0 || t.rfind("S!:", 0) == 0) out.push_back(t.substr(t.find(':') + 1));
        return out;
    }
};

} // namespace kestrelon::test
