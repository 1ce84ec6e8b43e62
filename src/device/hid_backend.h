#pragma once
// What the system needs of the platform's HID layer, and nothing more:
// enumerate interfaces, open one, read its identity and feature report
// length, send and fetch one feature report, notice that it is gone.
// Implemented on hidapi for real receivers and by the simulator.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kestrelon {

struct HidAttributes {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t versionNumber = 0;   // the USB device release number (bcdDevice)
};

struct HidInterfaceInfo {
    std::string path;
    HidAttributes attributes;
    // Bytes of the longest feature report including the report ID byte, as
    // the platform's capabilities report it; 0 for a collection without
    // feature reports. -1 when it could not be read.
    int featureReportLength = 0;
    std::string description;   // manufacturer / product strings, for people
};

// One open HID interface.
class HidDevice {
public:
    virtual ~HidDevice() = default;
    // False once the device has gone (unplugged).
    virtual bool getAttributes(HidAttributes& out) = 0;
    virtual bool getFeatureReportLength(int& out) = 0;
    // data[0] is the report ID; len bytes are sent or fetched.
    virtual bool setFeature(const uint8_t* data, size_t len) = 0;
    virtual bool getFeature(uint8_t* data, size_t len) = 0;
};

class HidBackend {
public:
    virtual ~HidBackend() = default;
    // False with a reason when the platform layer cannot work at all
    // (library missing, no access to the HID nodes).
    virtual bool start(std::string& whyNot) = 0;
    virtual std::vector<HidInterfaceInfo> enumerate() = 0;
    // Opens without read or write rights where the platform allows it.
    // nullptr (and a reason) when the interface cannot be opened.
    virtual std::unique_ptr<HidDevice> open(const std::string& path, std::string* whyNot = nullptr) = 0;
};

} // namespace kestrelon
