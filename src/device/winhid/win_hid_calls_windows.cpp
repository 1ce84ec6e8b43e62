// The Windows HID class library (hid.dll) and device set-up library
// (setupapi.dll), linked through their import libraries.
#ifdef _WIN32

#include "device/winhid/win_hid_calls.h"
#include "platform/windows_text.h"

#include <windows.h>
#include <setupapi.h>
extern "C" {
#include <hidsdi.h>
#include <hidpi.h>
}

#include <vector>

namespace kestrelon {

namespace {

HANDLE toHandle(WinHidCalls::Handle h) { return reinterpret_cast<HANDLE>(h); }

class SystemCalls : public WinHidCalls {
public:
    SystemCalls() { HidD_GetHidGuid(&hidClass_); }
    ~SystemCalls() override { endInterfaces(); }

    bool beginInterfaces(uint32_t& error) override {
        endInterfaces();
        set_ = SetupDiGetClassDevsW(&hidClass_, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
        if (set_ == INVALID_HANDLE_VALUE) {
            error = GetLastError();
            return false;
        }
        return true;
    }

    Next interfacePath(uint32_t index, std::string& path) override {
        if (set_ == INVALID_HANDLE_VALUE) return Next::End;
        SP_DEVICE_INTERFACE_DATA data{};
        data.cbSize = sizeof data;
        if (!SetupDiEnumDeviceInterfaces(set_, nullptr, &hidClass_, index, &data)) return Next::End;
        DWORD required = 0;
        if (!SetupDiGetDeviceInterfaceDetailW(set_, &data, nullptr, 0, &required, nullptr) &&
            GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            return Next::Skip;
        if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) return Next::Skip;
        // Aligned as the structure needs; its size field names only the
        // fixed part.
        std::vector<DWORD> buffer((required + sizeof(DWORD) - 1) / sizeof(DWORD), 0);
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        if (!SetupDiGetDeviceInterfaceDetailW(set_, &data, detail, required, nullptr, nullptr)) return Next::Skip;
        path = Utf8FromWide(detail->DevicePath);
        return Next::Path;
    }

    void endInterfaces() override {
        if (set_ != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(set_);
        set_ = INVALID_HANDLE_VALUE;
    }

    Handle createFile(const std::string& path, bool readWrite, uint32_t& error) override {
        const HANDLE h = CreateFileW(WideFromUtf8(path).c_str(), readWrite ? GENERIC_READ | GENERIC_WRITE : 0,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) error = GetLastError();
        return reinterpret_cast<Handle>(h);
    }

    void closeHandle(Handle h) override {
        if (h != kInvalidHandle) CloseHandle(toHandle(h));
    }

    bool getAttributes(Handle h, HidAttributes& out) override {
        HIDD_ATTRIBUTES a{};
        a.Size = sizeof a;
        if (!HidD_GetAttributes(toHandle(h), &a)) return false;
        out.vendorId = a.VendorID;
        out.productId = a.ProductID;
        out.versionNumber = a.VersionNumber;
        return true;
    }

    bool getCaps(Handle h, Caps& out) override {
        PHIDP_PREPARSED_DATA preparsed = nullptr;
        if (!HidD_GetPreparsedData(toHandle(h), &preparsed)) return false;
        HIDP_CAPS caps{};
        const bool ok = HidP_GetCaps(preparsed, &caps) == HIDP_STATUS_SUCCESS;
        HidD_FreePreparsedData(preparsed);
        if (!ok) return false;
        out.featureReportLength = caps.FeatureReportByteLength;
        out.usagePage = caps.UsagePage;
        out.usage = caps.Usage;
        return true;
    }

    bool setFeature(Handle h, const uint8_t* data, size_t len) override {
        std::vector<uint8_t> report(data, data + len);   // the call takes a writable buffer
        return HidD_SetFeature(toHandle(h), report.data(), static_cast<ULONG>(len));
    }

    bool getFeature(Handle h, uint8_t* data, size_t len) override {
        return HidD_GetFeature(toHandle(h), data, static_cast<ULONG>(len));
    }

    std::string describe(Handle h) override {
        // At most 126 characters each, by the HID class driver's rules.
        wchar_t text[128] = {};
        std::string manufacturer, product;
        if (HidD_GetManufacturerString(toHandle(h), text, sizeof text - sizeof text[0]))
            manufacturer = Utf8FromWide(text);
        text[0] = L'\0';
        if (HidD_GetProductString(toHandle(h), text, sizeof text - sizeof text[0])) product = Utf8FromWide(text);
        if (manufacturer.empty() || product.empty()) return manufacturer + product;
        return manufacturer + " " + product;
    }

    std::string errorText(uint32_t error) override { return SystemErrorText(error); }

private:
    GUID hidClass_{};
    HDEVINFO set_ = INVALID_HANDLE_VALUE;
};

} // namespace

std::unique_ptr<WinHidCalls> SystemHidCalls() { return std::make_unique<SystemCalls>(); }

} // namespace kestrelon

#endif
