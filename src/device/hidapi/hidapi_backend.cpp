#include "device/hidapi/hidapi_backend.h"

#include "device/hidapi/hidapi_device.h"
#include "device/hidapi/wide_text.h"

#include <hidapi.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <set>
#include <utility>

namespace kestrelon {
namespace {

std::string hidapiError(hid_device* dev) {
    return WideToUtf8(hid_error(dev));
}

std::string describe(const hid_device_info& d) {
    std::string manufacturer = WideToUtf8(d.manufacturer_string);
    std::string product = WideToUtf8(d.product_string);
    if (manufacturer.empty() || product.empty()) return manufacturer + product;
    return manufacturer + " " + product;
}

} // namespace

HidapiBackend::HidapiBackend(std::string systemRoot) : systemRoot_(std::move(systemRoot)) {}

// hid_exit is left to process exit: opened devices may outlive the back
// end, and on Linux hidapi holds nothing that needs releasing earlier.
bool HidapiBackend::start(std::string& whyNot) {
    if (hid_init() != 0) {
        const std::string detail = hidapiError(nullptr);
        whyNot = "cannot start the HID library (hidapi)" + (detail.empty() ? "" : ": " + detail);
        return false;
    }
    return PlatformReady(systemRoot_, whyNot);
}

std::vector<HidInterfaceInfo> HidapiBackend::enumerate() {
    std::vector<HidInterfaceInfo> out;
    std::set<std::string> seen;
    hid_device_info* list = hid_enumerate(0, 0);
    for (const hid_device_info* d = list; d; d = d->next) {
        if (!d->path || !seen.insert(d->path).second) continue;
        HidInterfaceInfo info;
        info.path = d->path;
        info.attributes.vendorId = d->vendor_id;
        info.attributes.productId = d->product_id;
        info.attributes.versionNumber = d->release_number ? d->release_number : ReadReleaseNumber(info.path, systemRoot_);
        HidReportCaps caps;
        info.featureReportLength = ReadFeatureCaps(info.path, systemRoot_, caps) ? caps.lengths.feature : -1;
        info.description = describe(*d);
        out.push_back(std::move(info));
    }
    hid_free_enumeration(list);
    return out;
}

std::unique_ptr<HidDevice> HidapiBackend::open(const std::string& path, std::string* whyNot) {
    // Only hand hidraw nodes to hidapi: 0.13 crashes when the node it opens
    // turns out not to be one. The identity also tells a later re-plug apart.
    NodeIdentity identity;
    if (!CaptureNodeIdentity(path, systemRoot_, identity)) {
        if (whyNot) *whyNot = DescribeOpenFailure(path, 0, "not a HID device node known to the system");
        return nullptr;
    }
    errno = 0;
    hid_device* dev = hid_open_path(path.c_str());
    if (!dev) {
        const int openErrno = errno;
        if (whyNot) *whyNot = DescribeOpenFailure(path, openErrno, hidapiError(nullptr));
        return nullptr;
    }
    const hid_device_info* d = hid_get_device_info(dev);
    if (!d) {
        if (whyNot) *whyNot = "cannot read the identity of " + path + ": " + hidapiError(dev);
        hid_close(dev);
        return nullptr;
    }
    HidAttributes attributes;
    attributes.vendorId = d->vendor_id;
    attributes.productId = d->product_id;
    attributes.versionNumber = d->release_number ? d->release_number : ReadReleaseNumber(path, systemRoot_);

    HidReportCaps caps;
    const int featureLength = ReadFeatureCaps(path, systemRoot_, caps) ? caps.lengths.feature : -1;
    return std::make_unique<HidapiDevice>(dev, path, systemRoot_, attributes, std::move(identity), featureLength);
}

std::string DescribeOpenFailure(const std::string& path, int openErrno, const std::string& hidapiMessage) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        const int statErrno = errno;
        if (statErrno == ENOENT)
            return "no such device node " + path + ": the receiver was unplugged or the list is out of date";
        return "cannot open " + path + ": " + std::strerror(statErrno);
    }
    const bool denied = openErrno == EACCES || openErrno == EPERM ||
                        (::access(path.c_str(), R_OK | W_OK) != 0 && errno == EACCES);
    if (denied)
        return "permission denied opening " + path +
               ": install the receiver's udev rule (see README) and run "
               "`udevadm control --reload && udevadm trigger`, or re-plug the receiver";
    if (openErrno == ENODEV || openErrno == ENXIO)
        return "cannot open " + path + ": the device is going away (unplugged?)";
    if (!hidapiMessage.empty()) return "cannot open " + path + ": " + hidapiMessage;
    if (openErrno != 0) return "cannot open " + path + ": " + std::strerror(openErrno);
    return "cannot open " + path;
}

} // namespace kestrelon
