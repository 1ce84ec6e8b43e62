#pragma once
// The calls of the Windows HID class and device set-up libraries that the
// HID back end makes, one method per call (or per fixed group of calls),
// with portable types, so the back end's logic can run against a fake.
// SystemHidCalls() gives the real ones (Windows only).

#include "device/hid_backend.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace kestrelon {

class WinHidCalls {
public:
    using Handle = std::intptr_t;   // a file handle; kInvalidHandle is INVALID_HANDLE_VALUE
    static constexpr Handle kInvalidHandle = -1;

    // GetLastError() codes the back end tells apart.
    static constexpr uint32_t kFileNotFound = 2;          // ERROR_FILE_NOT_FOUND
    static constexpr uint32_t kPathNotFound = 3;          // ERROR_PATH_NOT_FOUND
    static constexpr uint32_t kAccessDenied = 5;          // ERROR_ACCESS_DENIED
    static constexpr uint32_t kSharingViolation = 32;     // ERROR_SHARING_VIOLATION
    static constexpr uint32_t kNoSuchDevice = 433;        // ERROR_NO_SUCH_DEVICE
    static constexpr uint32_t kDeviceNotConnected = 1167; // ERROR_DEVICE_NOT_CONNECTED

    struct Caps {
        int featureReportLength = 0;   // bytes, report ID included
        uint16_t usagePage = 0, usage = 0;
    };
    enum class Next { Path, Skip, End };

    virtual ~WinHidCalls() = default;

    // SetupDiGetClassDevs over the HID interface class (HidD_GetHidGuid),
    // present devices and their interfaces. False (error set) when there
    // is no device information set; one walk at a time.
    virtual bool beginInterfaces(uint32_t& error) = 0;
    // SetupDiEnumDeviceInterfaces for index, then
    // SetupDiGetDeviceInterfaceDetail for its path. End when there is no
    // interface at index; Skip when its path cannot be read.
    virtual Next interfacePath(uint32_t index, std::string& path) = 0;
    // SetupDiDestroyDeviceInfoList.
    virtual void endInterfaces() = 0;

    // CreateFile on an interface path, sharing read and write, existing
    // only. readWrite false asks for no rights at all: enough to query the
    // interface and for feature reports, also on collections the system
    // holds exclusively (keyboards, mice).
    virtual Handle createFile(const std::string& path, bool readWrite, uint32_t& error) = 0;
    virtual void closeHandle(Handle h) = 0;

    // HidD_GetAttributes; fails once the device is gone.
    virtual bool getAttributes(Handle h, HidAttributes& out) = 0;
    // HidD_GetPreparsedData, HidP_GetCaps, HidD_FreePreparsedData.
    virtual bool getCaps(Handle h, Caps& out) = 0;
    // HidD_SetFeature, HidD_GetFeature: len bytes, data[0] the report ID.
    virtual bool setFeature(Handle h, const uint8_t* data, size_t len) = 0;
    virtual bool getFeature(Handle h, uint8_t* data, size_t len) = 0;
    // HidD_GetManufacturerString and HidD_GetProductString, for people.
    virtual std::string describe(Handle h) = 0;

    // FormatMessage for an error code.
    virtual std::string errorText(uint32_t error) = 0;
};

// The real calls (hid.dll, setupapi.dll); built on Windows only.
std::unique_ptr<WinHidCalls> SystemHidCalls();

} // namespace kestrelon
