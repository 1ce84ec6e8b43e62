#pragma once
// A throw-away sysfs tree laid out as the kernel does it: hidraw nodes are
// links from class/hidraw into the device tree, below the HID device, whose
// USB device (if any) is two levels further up.

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace kestrelon::testing {

class FakeSysfs {
public:
    FakeSysfs() {
        static std::atomic<int> counter{0};
        root_ = std::filesystem::temp_directory_path() /
                ("kestrelon-sysfs-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::create_directories(root_ / "class" / "hidraw");
    }
    ~FakeSysfs() {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
    FakeSysfs(const FakeSysfs&) = delete;
    FakeSysfs& operator=(const FakeSysfs&) = delete;

    std::string root() const { return root_.string(); }
    std::filesystem::path path() const { return root_; }

    // Adds node `name` for the HID device at devices/<hidDevice>, with its
    // report descriptor. Returns the HID device directory.
    std::filesystem::path addNode(const std::string& name, const std::string& hidDevice,
                                  const std::vector<uint8_t>& descriptor) {
        const auto dev = root_ / "devices" / hidDevice;
        std::filesystem::create_directories(dev / "hidraw" / name);
        std::ofstream(dev / "report_descriptor", std::ios::binary)
            .write(reinterpret_cast<const char*>(descriptor.data()), static_cast<std::streamsize>(descriptor.size()));
        std::filesystem::create_directory_symlink("../../", dev / "hidraw" / name / "device");
        link(name, hidDevice);
        return dev;
    }

    // Points class/hidraw/<name> at another HID device, as a re-plug does.
    void link(const std::string& name, const std::string& hidDevice) {
        const auto entry = root_ / "class" / "hidraw" / name;
        std::filesystem::remove(entry);
        std::filesystem::create_directory_symlink(root_ / "devices" / hidDevice / "hidraw" / name, entry);
    }

    void write(const std::string& relative, const std::string& text) {
        std::filesystem::create_directories((root_ / relative).parent_path());
        std::ofstream(root_ / relative) << text;
    }

private:
    std::filesystem::path root_;
};

} // namespace kestrelon::testing
