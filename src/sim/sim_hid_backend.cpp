#include "sim/sim_hid_backend.h"

#include <algorithm>

namespace kestrelon::sim {

struct SimHidBackend::SimInterface {
    std::string path;
    HidAttributes attributes;
    int featureLength = 0;
    std::string description;
    std::weak_ptr<SimUsbDevice> device;
};

struct SimHidBackend::SimUsbDevice {
    int number = 0;
    bool plugged = true;
    std::shared_ptr<PairFirmware> firmware;   // only the receiver's vendor interface talks
    std::vector<std::shared_ptr<SimInterface>> interfaces;
};

namespace {

class SimDevice : public HidDevice {
public:
    SimDevice(SimHidBackend& backend, std::shared_ptr<SimHidBackend::SimInterface> itf)
        : backend_(backend), itf_(std::move(itf)) {}

    bool getAttributes(HidAttributes& out) override {
        if (!backend_.present(*itf_)) return false;
        out = itf_->attributes;
        return true;
    }
    bool getFeatureReportLength(int& out) override {
        if (!backend_.present(*itf_)) return false;
        out = itf_->featureLength;
        return true;
    }
    bool setFeature(const uint8_t* data, size_t len) override {
        return backend_.transfer(*itf_, true, const_cast<uint8_t*>(data), len);
    }
    bool getFeature(uint8_t* data, size_t len) override { return backend_.transfer(*itf_, false, data, len); }

private:
    SimHidBackend& backend_;
    std::shared_ptr<SimHidBackend::SimInterface> itf_;
};

} // namespace

int SimHidBackend::add(uint16_t vid, uint16_t pid, uint16_t version, const std::string& name,
                       const std::vector<int>& featureLengths, std::shared_ptr<PairFirmware> firmware) {
    auto dev = std::make_shared<SimUsbDevice>();
    dev->number = nextDevice_++;
    dev->firmware = std::move(firmware);
    for (size_t i = 0; i < featureLengths.size(); ++i) {
        auto itf = std::make_shared<SimInterface>();
        itf->path = "sim:usb" + std::to_string(dev->number) + "/if" + std::to_string(i);
        itf->attributes = HidAttributes{vid, pid, version};
        itf->featureLength = featureLengths[i];
        itf->description = name;
        itf->device = dev;
        dev->interfaces.push_back(itf);
    }
    devices_.push_back(dev);
    return dev->number;
}

int SimHidBackend::plugDongle(std::shared_ptr<PairFirmware> fw) {
    const uint16_t vid = fw->vendorId(), pid = fw->productId(), ver = fw->versionNumber();
    // Keyboard and mouse collections first, the vendor collection last.
    return add(vid, pid, ver, "2.4G receiver", {0, 0, 9}, std::move(fw));
}

int SimHidBackend::plugCustom(uint16_t vid, uint16_t pid, uint16_t version, std::vector<int> featureLengths,
                              std::shared_ptr<PairFirmware> firmware) {
    return add(vid, pid, version, "custom device", featureLengths, std::move(firmware));
}

int SimHidBackend::plugOther(uint16_t vid, uint16_t pid, const std::string& name, std::vector<int> featureLengths,
                             uint16_t version) {
    return add(vid, pid, version, name, featureLengths, nullptr);
}

void SimHidBackend::plugTypicalPcDevices() {
    plugOther(0x1A2C, 0x2124, "USB keyboard", {0, 0});
    plugOther(0x093A, 0x2510, "USB optical mouse", {0});
    plugOther(0x0B05, 0x1866, "vendor HID with feature reports", {65});
}

void SimHidBackend::unplug(int device) {
    for (auto& d : devices_)
        if (d->number == device) d->plugged = false;
    devices_.erase(std::remove_if(devices_.begin(), devices_.end(), [](const auto& d) { return !d->plugged; }),
                   devices_.end());
}

bool SimHidBackend::present(const SimInterface& itf) const {
    auto dev = itf.device.lock();
    if (!dev || !dev->plugged) return false;
    return !dev->firmware || dev->firmware->attached();
}

std::vector<HidInterfaceInfo> SimHidBackend::enumerate() {
    std::vector<HidInterfaceInfo> out;
    for (const auto& d : devices_) {
        if (d->firmware && !d->firmware->attached()) continue;
        for (const auto& itf : d->interfaces)
            out.push_back(HidInterfaceInfo{itf->path, itf->attributes, itf->featureLength, itf->description});
    }
    return out;
}

std::unique_ptr<HidDevice> SimHidBackend::open(const std::string& path, std::string* whyNot) {
    for (const auto& d : devices_) {
        if (d->firmware && !d->firmware->attached()) continue;
        for (const auto& itf : d->interfaces)
            if (itf->path == path) return std::make_unique<SimDevice>(*this, itf);
    }
    if (whyNot) *whyNot = "no such device: " + path;
    return nullptr;
}

bool SimHidBackend::transfer(SimInterface& itf, bool set, uint8_t* data, size_t len) {
    ++transfers_;
    transferUsSpent_ += transferUs_;
    clock_.spendMicros(transferUs_);
    bool ok = false;
    auto dev = itf.device.lock();
    if (present(itf) && itf.featureLength > 0 && len <= static_cast<size_t>(itf.featureLength)) {
        if (dev->firmware && itf.featureLength == 9)
            ok = set ? dev->firmware->setFeature(data, len) : dev->firmware->getFeature(data, len);
        else
            ok = set;   // other devices accept reports and answer none
    }
    if (trace_) {
        TraceEntry e{set ? TraceEntry::Kind::SetFeature : TraceEntry::Kind::GetFeature};
        e.atMicros = clock_.nowMicros();
        std::copy_n(data, std::min(len, e.frame.size()), e.frame.begin());
        e.ok = ok;
        trace_->add(e);
    }
    return ok;
}

} // namespace kestrelon::sim
