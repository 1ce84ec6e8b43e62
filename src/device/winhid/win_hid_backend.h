#pragma once
// The real HID back end on Windows, on the system's HID class library and
// device set-up library (through WinHidCalls): every HID interface the
// set-up library lists (each top-level collection is one), opened for
// reading and writing where the system allows it and with no rights at all
// where it holds the collection itself.

#include "device/hid_backend.h"
#include "device/winhid/win_hid_calls.h"

#include <memory>
#include <string>

namespace kestrelon {

class WinHidBackend : public HidBackend {
public:
    explicit WinHidBackend(std::unique_ptr<WinHidCalls> calls);

    bool start(std::string& whyNot) override;
    // Interfaces that cannot even be queried are listed with their path,
    // feature report length -1 and the reason as description.
    std::vector<HidInterfaceInfo> enumerate() override;
    std::unique_ptr<HidDevice> open(const std::string& path, std::string* whyNot = nullptr) override;

private:
    std::shared_ptr<WinHidCalls> calls_;   // shared with the devices opened
};

// Why CreateFile failed on an interface, with what to do about it.
std::string DescribeWinOpenFailure(const std::string& path, uint32_t error, WinHidCalls& calls);

} // namespace kestrelon
