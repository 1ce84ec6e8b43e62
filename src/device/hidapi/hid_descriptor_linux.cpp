// Linux: hidraw publishes each interface's report descriptor and its
// parent devices in sysfs under class/hidraw/<node name>.
#if defined(__linux__)

#include "device/hidapi/hid_platform.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace kestrelon {
namespace fs = std::filesystem;

namespace {

// The kernel refuses descriptors above 4 KiB; stay well clear of that
// without trusting a file to be small.
constexpr std::streamsize kMaxDescriptorBytes = 64 * 1024;

fs::path sysfsNodeDir(const std::string& path, const std::string& root) {
    return fs::path(root) / "class" / "hidraw" / fs::path(path).filename();
}

bool readBinary(const fs::path& file, std::vector<uint8_t>& out) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    out.resize(static_cast<size_t>(kMaxDescriptorBytes));
    in.read(reinterpret_cast<char*>(out.data()), kMaxDescriptorBytes);
    out.resize(static_cast<size_t>(in.gcount()));
    return !in.bad();
}

} // namespace

std::string DefaultSystemRoot() {
    const char* root = std::getenv("KESTRELON_SYSFS_ROOT");
    return root && *root ? root : "/sys";
}

bool PlatformReady(const std::string& systemRoot, std::string& whyNot) {
    std::error_code ec;
    if (fs::is_directory(fs::path(systemRoot) / "class" / "hidraw", ec)) return true;
    whyNot = "the kernel offers no hidraw devices (" + systemRoot +
             "/class/hidraw is missing): load the hidraw module with `modprobe hidraw`";
    return false;
}

bool ReadFeatureCaps(const std::string& path, const std::string& systemRoot, HidReportCaps& out,
                     std::string* whyNot) {
    const fs::path file = sysfsNodeDir(path, systemRoot) / "device" / "report_descriptor";
    std::vector<uint8_t> bytes;
    if (!readBinary(file, bytes) || bytes.empty()) {
        if (whyNot) *whyNot = "cannot read the report descriptor of " + path + " (" + file.string() + ")";
        return false;
    }
    // The kernel accepted this descriptor already; if our parser is stricter
    // its best-effort figures are still the right ones to use.
    const ReportDescriptorInfo info = ParseReportDescriptor(bytes);
    out = HidReportCaps{};
    out.lengths = info.lengths;
    if (!info.collections.empty()) {
        out.usagePage = info.collections.front().usagePage;
        out.usage = info.collections.front().usage;
    }
    return true;
}

uint16_t ReadReleaseNumber(const std::string& path, const std::string& systemRoot) {
    std::error_code ec;
    const fs::path hidDevice = fs::canonical(sysfsNodeDir(path, systemRoot) / "device", ec);
    if (ec) return 0;
    // The HID device is named <bus>:<vendor>:<product>.<instance>; only bus
    // 0003 (USB) has a USB device two levels up: interface, then device.
    // Looking further would find a Bluetooth adapter's own number.
    if (hidDevice.filename().string().rfind("0003:", 0) != 0) return 0;
    fs::path dir = hidDevice;
    for (int level = 0; level < 2; ++level) {
        dir = dir.parent_path();
        std::ifstream in(dir / "bcdDevice");
        std::string text;
        if (in >> text) {
            char* end = nullptr;
            const unsigned long value = std::strtoul(text.c_str(), &end, 16);
            return (end != text.c_str() && value <= 0xFFFF) ? static_cast<uint16_t>(value) : 0;
        }
    }
    return 0;
}

bool CaptureNodeIdentity(const std::string& path, const std::string& systemRoot, NodeIdentity& out) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) return false;
    std::error_code ec;
    // The resolved sysfs directory names the HID device instance, which a
    // re-plugged receiver gets anew even when it lands on the same node.
    const fs::path dir = fs::canonical(sysfsNodeDir(path, systemRoot), ec);
    if (ec) return false;
    out.node = st.st_rdev;
    out.systemDevice = dir.string();
    return true;
}

bool NodeStillPresent(const std::string& path, const std::string& systemRoot, const NodeIdentity& was) {
    NodeIdentity now;
    return CaptureNodeIdentity(path, systemRoot, now) && now.node == was.node &&
           now.systemDevice == was.systemDevice;
}

} // namespace kestrelon

#endif // __linux__
