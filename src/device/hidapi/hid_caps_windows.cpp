// Windows: each top-level collection is its own device interface, and the
// HID class driver hands out its parsed capabilities. hidapi does not expose
// the handle it opens, so we open a query-only handle on the same path.
#if defined(_WIN32)

#include "device/hidapi/hid_platform.h"

#include <windows.h>
#include <hidsdi.h>
#include <hidpi.h>

namespace kestrelon {
namespace {

// Access 0 is enough for queries and works on the keyboard and mouse
// collections that Windows keeps open exclusively.
class QueryHandle {
public:
    explicit QueryHandle(const std::string& path)
        : h_(CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr)) {}
    ~QueryHandle() { if (ok()) CloseHandle(h_); }
    QueryHandle(const QueryHandle&) = delete;
    QueryHandle& operator=(const QueryHandle&) = delete;
    bool ok() const { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return h_; }

private:
    HANDLE h_;
};

} // namespace

std::string DefaultSystemRoot() { return {}; }

bool PlatformReady(const std::string&, std::string&) { return true; }

bool ReadFeatureCaps(const std::string& path, const std::string&, HidReportCaps& out, std::string* whyNot) {
    QueryHandle h(path);
    PHIDP_PREPARSED_DATA preparsed = nullptr;
    if (!h.ok() || !HidD_GetPreparsedData(h.get(), &preparsed)) {
        if (whyNot) *whyNot = "cannot read the capabilities of " + path;
        return false;
    }
    HIDP_CAPS caps{};
    const bool ok = HidP_GetCaps(preparsed, &caps) == HIDP_STATUS_SUCCESS;
    HidD_FreePreparsedData(preparsed);
    if (!ok) {
        if (whyNot) *whyNot = "cannot read the capabilities of " + path;
        return false;
    }
    out = HidReportCaps{};
    out.lengths.input = caps.InputReportByteLength;
    out.lengths.output = caps.OutputReportByteLength;
    out.lengths.feature = caps.FeatureReportByteLength;
    out.usagePage = caps.UsagePage;
    out.usage = caps.Usage;
    return true;
}

uint16_t ReadReleaseNumber(const std::string& path, const std::string&) {
    QueryHandle h(path);
    HIDD_ATTRIBUTES attr{};
    attr.Size = sizeof attr;
    return h.ok() && HidD_GetAttributes(h.get(), &attr) ? attr.VersionNumber : 0;
}

// A device interface path names one device instance and vanishes with it.
bool CaptureNodeIdentity(const std::string& path, const std::string&, NodeIdentity& out) {
    if (!QueryHandle(path).ok()) return false;
    out.node = 0;
    out.systemDevice = path;
    return true;
}

bool NodeStillPresent(const std::string& path, const std::string&, const NodeIdentity&) {
    return QueryHandle(path).ok();
}

} // namespace kestrelon

#endif // _WIN32
