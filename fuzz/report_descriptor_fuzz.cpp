// The report-descriptor parser reads whatever a device or sysfs hands over.
#include "device/report_descriptor.h"
#include "fuzz_support.h"

#include <cstddef>
#include <cstdint>

namespace {
// Capabilities count a report in 16 bits, plus the report ID byte.
bool plausible(const kestrelon::ReportLengths& l) {
    for (int v : {l.input, l.output, l.feature})
        if (v < 0 || v > 0x10000) return false;
    return true;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kestrelon;
    const ReportDescriptorInfo info = ParseReportDescriptor(data, size);
    if (!plausible(info.lengths)) kestrelon::fuzz::Finding("report length out of range");
    for (const TopLevelCollection& c : info.collections)
        if (!plausible(c.lengths)) kestrelon::fuzz::Finding("report length out of range in a collection");
    return 0;
}
