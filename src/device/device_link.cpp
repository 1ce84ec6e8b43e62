#include "device/device_link.h"

namespace kestrelon {

int HidAccess::CountHidDevices() {
    int count = 0;
    for (const auto& info : backend_.enumerate()) {
        auto dev = backend_.open(info.path);
        if (!dev) continue;
        ++count;
        dev.reset();
        loop_.ProcessMessages();
    }
    return count;
}

bool HidAccess::OpenHidDevice(int vendorId, int productId, std::unique_ptr<HidDevice>& handle, int& version) {
    bool found = false;
    for (const auto& info : backend_.enumerate()) {
        auto dev = backend_.open(info.path);
        if (!dev) continue;
        HidAttributes attr;
        int featureLen = 0;
        if (!dev->getAttributes(attr) || !dev->getFeatureReportLength(featureLen)) continue;
        // The dongle's vendor collection is the one that carries feature
        // reports; its mouse and keyboard collections are passed over. A
        // report longer than our frame is not a dongle's either.
        if (attr.vendorId != vendorId || attr.productId != productId) continue;
        if (featureLen <= 0 || featureLen > static_cast<int>(kFrameSize)) continue;
        found = true;
        handle = std::move(dev);   // an earlier match is closed here
        version = attr.versionNumber;
    }
    return found;
}

bool HidAccess::OpenDongle(DeviceLink& link, int vendorId, int productId) {
    int version = 0;
    if (!OpenHidDevice(vendorId, productId, link.handle, version)) return false;
    link.vendorId = vendorId;
    link.productId = productId;
    link.DongleVersion = version;
    return true;
}

bool HidAccess::transferLength(HidDevice* handle, size_t& len) {
    if (!handle) return false;
    HidAttributes attr;
    if (!handle->getAttributes(attr)) return false;   // gone
    int featureLen = 0;
    if (!handle->getFeatureReportLength(featureLen)) return false;
    if (featureLen <= 0 || featureLen > static_cast<int>(kFrameSize)) return false;
    len = static_cast<size_t>(featureLen);
    return true;
}

bool HidAccess::HidSetFeature(HidDevice* handle, CommandFrame& frame) {
    size_t len = 0;
    if (!transferLength(handle, len)) return false;
    return handle->setFeature(frame.data(), len);
}

bool HidAccess::HidGetFeature(HidDevice* handle, CommandFrame& frame) {
    size_t len = 0;
    if (!transferLength(handle, len)) return false;
    return handle->getFeature(frame.data(), len);
}

bool HidAccess::HidSetGetFeature(HidDevice* handle, CommandFrame& frame) {
    size_t len = 0;
    if (!transferLength(handle, len)) return false;
    if (!handle->setFeature(frame.data(), len)) return false;
    clock_.Sleep(8);
    return handle->getFeature(frame.data(), len);
}

} // namespace kestrelon
