#pragma once
// Report lengths and top-level collections of a HID report descriptor, as
// Windows' capabilities call reports them: for each report type the longest
// report in bytes, one byte for the report ID included (also when the
// descriptor declares no report IDs: the zero ID still takes a byte).
// Linux gives us the raw descriptor only, so we compute the same figures
// ourselves to pick the dongle's interface the same way on both systems.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrelon {

struct ReportLengths {
    int input = 0;     // 0: no report of that type
    int output = 0;
    int feature = 0;
};

struct TopLevelCollection {
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    ReportLengths lengths;   // of the reports declared inside this collection
};

struct ReportDescriptorInfo {
    ReportLengths lengths;   // over the whole descriptor (one hidraw node)
    bool usesReportIds = false;
    std::vector<TopLevelCollection> collections;
    // Empty when the descriptor parsed cleanly. Otherwise what went wrong
    // first; the figures above are then a best effort from what could be read.
    std::string error;

    bool ok() const { return error.empty(); }
};

// Never reads outside [data, data + size).
ReportDescriptorInfo ParseReportDescriptor(const uint8_t* data, size_t size);

inline ReportDescriptorInfo ParseReportDescriptor(const std::vector<uint8_t>& bytes) {
    return ParseReportDescriptor(bytes.data(), bytes.size());
}

} // namespace kestrelon
