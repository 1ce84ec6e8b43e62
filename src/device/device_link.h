#pragma once
// The one open dongle connection and the five feature-report operations on
// top of the HID back end.

#include "device/protocol.h"
#include "device/hid_backend.h"
#include "platform/clock.h"
#include "platform/event_loop.h"

#include <memory>

namespace kestrelon {

struct DeviceLink {
    std::unique_ptr<HidDevice> handle;   // empty: no dongle
    int vendorId = 0;
    int productId = 0;
    int DongleVersion = 0;

    bool hasDevice() const { return handle != nullptr; }
    // Closes the handle and forgets the IDs (the version stays, as before).
    void close() {
        handle.reset();
        vendorId = 0;
        productId = 0;
    }
};

class HidAccess {
public:
    HidAccess(HidBackend& backend, Clock& clock, EventLoop& loop) : backend_(backend), clock_(clock), loop_(loop) {}

    // Number of HID interfaces that can be opened right now (of any kind).
    int CountHidDevices();
    // Opens the interface with these IDs that carries feature reports. When
    // several match, the last enumerated wins and the earlier handles are
    // closed. handle and version are left untouched without a match.
    bool OpenHidDevice(int vendorId, int productId, std::unique_ptr<HidDevice>& handle, int& version);

    bool HidSetFeature(HidDevice* handle, CommandFrame& frame);
    bool HidGetFeature(HidDevice* handle, CommandFrame& frame);
    bool HidSetGetFeature(HidDevice* handle, CommandFrame& frame);

    // Opens the dongle with these IDs into the link, recording its IDs and
    // version number. The link is left as it was without a match.
    bool OpenDongle(DeviceLink& link, int vendorId, int productId);

    HidBackend& backend() { return backend_; }
    Clock& clock() { return clock_; }
    EventLoop& loop() { return loop_; }

private:
    // The platform's feature report length, read anew for every transfer.
    // False for a device that is gone, or one whose report would not fit
    // the 9-byte frame.
    bool transferLength(HidDevice* handle, size_t& len);

    HidBackend& backend_;
    Clock& clock_;
    EventLoop& loop_;
};

} // namespace kestrelon
