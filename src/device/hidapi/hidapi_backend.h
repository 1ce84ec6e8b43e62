#pragma once
// The real HID back end, on hidapi. Report lengths, the release number of
// virtual devices and unplug detection come from the operating system
// (hid_platform.h), because hidapi does not provide them.

#include "device/hid_backend.h"
#include "device/hidapi/hid_platform.h"

#include <string>

namespace kestrelon {

class HidapiBackend : public HidBackend {
public:
    // systemRoot: see DefaultSystemRoot(); tests pass a fake sysfs tree.
    explicit HidapiBackend(std::string systemRoot = DefaultSystemRoot());

    bool start(std::string& whyNot) override;
    // One entry per openable node: hidraw lists a node once per top-level
    // collection, and all of them would open the same node.
    std::vector<HidInterfaceInfo> enumerate() override;
    std::unique_ptr<HidDevice> open(const std::string& path, std::string* whyNot = nullptr) override;

private:
    std::string systemRoot_;
};

// Why a node could not be opened, for the operator: looks at the node
// itself and the errno of the failed open; hidapiMessage is the fallback
// when neither explains it.
std::string DescribeOpenFailure(const std::string& path, int openErrno, const std::string& hidapiMessage);

} // namespace kestrelon
