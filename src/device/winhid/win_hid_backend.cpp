#include "device/winhid/win_hid_backend.h"

#include <utility>

namespace kestrelon {

namespace {

using Handle = WinHidCalls::Handle;

// One open interface. Its identity and report length are asked of the
// system on every call, as the transport expects: a receiver pulled out
// fails the next call before any byte moves.
class WinHidDevice : public HidDevice {
public:
    WinHidDevice(std::shared_ptr<WinHidCalls> calls, Handle h) : calls_(std::move(calls)), h_(h) {}
    ~WinHidDevice() override { calls_->closeHandle(h_); }
    WinHidDevice(const WinHidDevice&) = delete;
    WinHidDevice& operator=(const WinHidDevice&) = delete;

    bool getAttributes(HidAttributes& out) override { return calls_->getAttributes(h_, out); }

    bool getFeatureReportLength(int& out) override {
        WinHidCalls::Caps caps;
        if (!calls_->getCaps(h_, caps)) return false;
        out = caps.featureReportLength;
        return true;
    }

    bool setFeature(const uint8_t* data, size_t len) override {
        return data && len > 0 && calls_->setFeature(h_, data, len);
    }

    bool getFeature(uint8_t* data, size_t len) override {
        return data && len > 0 && calls_->getFeature(h_, data, len);
    }

private:
    std::shared_ptr<WinHidCalls> calls_;
    Handle h_;
};

// Closes a handle unless it was handed on.
class HandleGuard {
public:
    HandleGuard(WinHidCalls& calls, Handle h) : calls_(calls), h_(h) {}
    ~HandleGuard() {
        if (h_ != WinHidCalls::kInvalidHandle) calls_.closeHandle(h_);
    }
    HandleGuard(const HandleGuard&) = delete;
    HandleGuard& operator=(const HandleGuard&) = delete;
    Handle get() const { return h_; }
    Handle release() { return std::exchange(h_, WinHidCalls::kInvalidHandle); }

private:
    WinHidCalls& calls_;
    Handle h_;
};

bool deniedOrShared(uint32_t error) {
    return error == WinHidCalls::kAccessDenied || error == WinHidCalls::kSharingViolation;
}

} // namespace

WinHidBackend::WinHidBackend(std::unique_ptr<WinHidCalls> calls) : calls_(std::move(calls)) {}

bool WinHidBackend::start(std::string& whyNot) {
    if (!calls_) {
        whyNot = "the Windows HID libraries (hid.dll, setupapi.dll) are not available";
        return false;
    }
    uint32_t error = 0;
    if (!calls_->beginInterfaces(error)) {
        whyNot = "cannot list the HID devices (SetupAPI): " + calls_->errorText(error);
        return false;
    }
    calls_->endInterfaces();
    return true;
}

std::vector<HidInterfaceInfo> WinHidBackend::enumerate() {
    std::vector<HidInterfaceInfo> out;
    uint32_t error = 0;
    if (!calls_ || !calls_->beginInterfaces(error)) return out;
    std::string path;
    // A skipped interface moves the walk on; the walk never asks twice for
    // one index.
    for (uint32_t index = 0;; ++index) {
        const WinHidCalls::Next next = calls_->interfacePath(index, path);
        if (next == WinHidCalls::Next::End) break;
        if (next == WinHidCalls::Next::Skip) continue;
        HidInterfaceInfo info;
        info.path = path;
        HandleGuard h(*calls_, calls_->createFile(path, false, error));
        WinHidCalls::Caps caps;
        if (h.get() == WinHidCalls::kInvalidHandle) {
            info.featureReportLength = -1;
            info.description = calls_->errorText(error);
        } else {
            calls_->getAttributes(h.get(), info.attributes);
            info.featureReportLength = calls_->getCaps(h.get(), caps) ? caps.featureReportLength : -1;
            info.description = calls_->describe(h.get());
        }
        out.push_back(std::move(info));
    }
    calls_->endInterfaces();
    return out;
}

std::unique_ptr<HidDevice> WinHidBackend::open(const std::string& path, std::string* whyNot) {
    if (!calls_) {
        if (whyNot) *whyNot = "the Windows HID libraries are not available";
        return nullptr;
    }
    uint32_t error = 0;
    Handle raw = calls_->createFile(path, true, error);
    // A collection the system holds (or another program opened without
    // sharing) still answers feature reports through a handle without rights.
    if (raw == WinHidCalls::kInvalidHandle && deniedOrShared(error)) raw = calls_->createFile(path, false, error);
    if (raw == WinHidCalls::kInvalidHandle) {
        if (whyNot) *whyNot = DescribeWinOpenFailure(path, error, *calls_);
        return nullptr;
    }
    HandleGuard h(*calls_, raw);
    HidAttributes attributes;
    if (!calls_->getAttributes(h.get(), attributes)) {
        if (whyNot) *whyNot = "cannot read the identity of " + path + ": the receiver was unplugged?";
        return nullptr;
    }
    return std::make_unique<WinHidDevice>(calls_, h.release());
}

std::string DescribeWinOpenFailure(const std::string& path, uint32_t error, WinHidCalls& calls) {
    switch (error) {
    case WinHidCalls::kFileNotFound:
    case WinHidCalls::kPathNotFound:
    case WinHidCalls::kNoSuchDevice:
    case WinHidCalls::kDeviceNotConnected:
        return "no such HID interface " + path + ": the receiver was unplugged or the list is out of date";
    case WinHidCalls::kAccessDenied:
    case WinHidCalls::kSharingViolation:
        return "access denied opening " + path +
               ": another program holds the receiver; close other tools that use it, or re-plug the receiver";
    default:
        return "cannot open " + path + ": " + calls.errorText(error);
    }
}

} // namespace kestrelon
