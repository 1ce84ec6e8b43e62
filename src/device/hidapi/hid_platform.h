#pragma once
// The few facts hidapi does not give us about an interface, fetched from
// the operating system: report lengths (from the report descriptor), the
// USB release number, and whether an opened node still belongs to the same
// device. Implemented for Linux (hid_descriptor_linux.cpp); Windows has a
// back end of its own (src/device/winhid).

#include "device/report_descriptor.h"

#include <cstdint>
#include <string>

namespace kestrelon {

struct HidReportCaps {
    ReportLengths lengths;        // over the whole interface
    uint16_t usagePage = 0;       // of the first top-level collection
    uint16_t usage = 0;
};

// Where the operating system publishes device facts. On Linux the sysfs
// root: KESTRELON_SYSFS_ROOT when set (tests point it at a fake tree),
// else "/sys". Unused on Windows.
std::string DefaultSystemRoot();

// False with a reason when this system cannot offer HID interfaces at all.
bool PlatformReady(const std::string& systemRoot, std::string& whyNot);

// False when the interface's capabilities cannot be read; whyNot then says why.
bool ReadFeatureCaps(const std::string& path, const std::string& systemRoot, HidReportCaps& out,
                     std::string* whyNot = nullptr);

// The USB release number (bcdDevice) of the device behind path; 0 when it
// has no USB parent (a virtual or Bluetooth device) or it cannot be read.
uint16_t ReadReleaseNumber(const std::string& path, const std::string& systemRoot);

// What tells one plugged-in device from the next one given the same node.
struct NodeIdentity {
    uint64_t node = 0;            // device number of the node
    std::string systemDevice;     // where the OS keeps the device's facts
};

bool CaptureNodeIdentity(const std::string& path, const std::string& systemRoot, NodeIdentity& out);
// False once the device captured is gone, even when another took its node.
bool NodeStillPresent(const std::string& path, const std::string& systemRoot, const NodeIdentity& was);

} // namespace kestrelon
