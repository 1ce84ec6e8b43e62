#include "device/hidapi/hidapi_device.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace kestrelon {

HidapiDevice::HidapiDevice(hid_device* dev, std::string path, std::string systemRoot, HidAttributes attributes,
                           NodeIdentity identity, int featureReportLength)
    : dev_(dev),
      path_(std::move(path)),
      systemRoot_(std::move(systemRoot)),
      attributes_(attributes),
      identity_(std::move(identity)),
      featureReportLength_(featureReportLength) {}

HidapiDevice::~HidapiDevice() {
    if (dev_) hid_close(dev_);
}

// Runs before every transfer, so it only stats the node and resolves one
// sysfs link; an open handle on an unplugged device would otherwise keep
// failing transfers for reasons nobody could tell apart from a bad answer.
bool HidapiDevice::present() const {
    return NodeStillPresent(path_, systemRoot_, identity_);
}

bool HidapiDevice::getAttributes(HidAttributes& out) {
    if (!present()) return false;
    out = attributes_;
    return true;
}

bool HidapiDevice::getFeatureReportLength(int& out) {
    if (!present()) return false;
    if (featureReportLength_ < 0) {
        HidReportCaps caps;
        if (!ReadFeatureCaps(path_, systemRoot_, caps)) return false;
        featureReportLength_ = caps.lengths.feature;
    }
    out = featureReportLength_;
    return true;
}

bool HidapiDevice::setFeature(const uint8_t* data, size_t len) {
    if (!dev_ || !data || len == 0) return false;
    return hid_send_feature_report(dev_, data, len) >= 0;
}

bool HidapiDevice::getFeature(uint8_t* data, size_t len) {
    if (!dev_ || !data || len == 0) return false;
    // Fetch into our own buffer so that a short answer leaves the rest of
    // the caller's buffer as it was, whatever the platform layer does with
    // the bytes it did not fill. data[0] selects the report.
    std::vector<uint8_t> answer(len, 0);
    answer[0] = data[0];
    const int got = hid_get_feature_report(dev_, answer.data(), len);
    if (got < 0) return false;
    std::memcpy(data, answer.data(), std::min(static_cast<size_t>(got), len));
    return true;
}

} // namespace kestrelon
