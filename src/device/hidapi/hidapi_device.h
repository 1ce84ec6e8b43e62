#pragma once
// One interface opened through hidapi.

#include "device/hid_backend.h"
#include "device/hidapi/hid_platform.h"

#include <hidapi.h>

#include <string>

namespace kestrelon {

class HidapiDevice : public HidDevice {
public:
    // Takes ownership of dev. featureReportLength < 0: not known yet.
    HidapiDevice(hid_device* dev, std::string path, std::string systemRoot, HidAttributes attributes,
                 NodeIdentity identity, int featureReportLength);
    ~HidapiDevice() override;
    HidapiDevice(const HidapiDevice&) = delete;
    HidapiDevice& operator=(const HidapiDevice&) = delete;

    bool getAttributes(HidAttributes& out) override;
    bool getFeatureReportLength(int& out) override;
    bool setFeature(const uint8_t* data, size_t len) override;
    bool getFeature(uint8_t* data, size_t len) override;

private:
    bool present() const;

    hid_device* dev_;
    std::string path_;
    std::string systemRoot_;
    HidAttributes attributes_;
    NodeIdentity identity_;
    int featureReportLength_;
};

} // namespace kestrelon
