#include "device/report_descriptor.h"

#include <algorithm>
#include <array>
#include <map>
#include <tuple>

namespace kestrelon {
namespace {

enum ReportType { kInput = 0, kOutput = 1, kFeature = 2 };

// Item prefixes with the size bits masked off.
constexpr uint8_t kMainInput = 0x80;
constexpr uint8_t kMainOutput = 0x90;
constexpr uint8_t kMainCollection = 0xA0;
constexpr uint8_t kMainFeature = 0xB0;
constexpr uint8_t kMainEndCollection = 0xC0;
constexpr uint8_t kGlobalUsagePage = 0x04;
constexpr uint8_t kGlobalReportSize = 0x74;
constexpr uint8_t kGlobalReportId = 0x84;
constexpr uint8_t kGlobalReportCount = 0x94;
constexpr uint8_t kGlobalPush = 0xA4;
constexpr uint8_t kGlobalPop = 0xB4;
constexpr uint8_t kLocalUsage = 0x08;
constexpr uint8_t kLongItem = 0xFE;

// Capabilities count report bytes in 16 bits; anything longer is garbage.
constexpr uint64_t kMaxReportBits = 0xFFFFull * 8;
// Real descriptors push once or twice; a deep stack means garbage.
constexpr size_t kMaxPushDepth = 16;

struct Globals {
    uint32_t usagePage = 0;
    uint32_t reportSize = 0;
    uint32_t reportCount = 0;
    uint32_t reportId = 0;
};

// Collection index (-1 outside any), report type, report ID.
using ReportKey = std::tuple<int, int, uint32_t>;

int& lengthOf(ReportLengths& l, int type) {
    return type == kInput ? l.input : type == kOutput ? l.output : l.feature;
}

int bytesOf(uint64_t bits) {
    // The report ID byte is counted whether or not IDs are declared.
    return static_cast<int>((bits + 7) / 8) + 1;
}

class Parser {
public:
    Parser(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    ReportDescriptorInfo run() {
        size_t pos = 0;
        while (pos < size_) {
            const uint8_t prefix = data_[pos];
            if (prefix == kLongItem) {
                // Long items carry no report layout; skip them whole.
                if (size_ - pos < 3 || size_ - pos - 3 < data_[pos + 1]) {
                    fail("truncated long item at offset " + std::to_string(pos));
                    break;
                }
                pos += 3 + data_[pos + 1];
                continue;
            }
            static constexpr std::array<size_t, 4> kDataSizes{0, 1, 2, 4};
            const size_t len = kDataSizes[prefix & 0x03];
            if (size_ - pos - 1 < len) {
                fail("truncated item at offset " + std::to_string(pos));
                break;
            }
            uint32_t value = 0;
            for (size_t i = 0; i < len; ++i) value |= uint32_t{data_[pos + 1 + i]} << (8 * i);
            item(static_cast<uint8_t>(prefix & 0xFC), value, len);
            pos += 1 + len;
        }
        if (depth_ > 0) fail("collection not closed at end of descriptor");
        return finish();
    }

private:
    void fail(const std::string& why) {
        if (info_.error.empty()) info_.error = why;
    }

    void item(uint8_t tag, uint32_t value, size_t len) {
        switch (tag) {
        case kMainInput: addReport(kInput); break;
        case kMainOutput: addReport(kOutput); break;
        case kMainFeature: addReport(kFeature); break;
        case kMainCollection:
            if (depth_ == 0) {
                info_.collections.push_back({static_cast<uint16_t>(firstUsage_ >> 16),
                                             static_cast<uint16_t>(firstUsage_ & 0xFFFF), {}});
            }
            ++depth_;
            break;
        case kMainEndCollection:
            if (depth_ == 0) fail("End Collection without Collection");
            else --depth_;
            break;
        case kGlobalUsagePage: globals_.usagePage = value; break;
        case kGlobalReportSize: globals_.reportSize = value; break;
        case kGlobalReportCount: globals_.reportCount = value; break;
        case kGlobalReportId:
            if (value == 0 || value > 0xFF) fail("report ID " + std::to_string(value) + " out of range");
            globals_.reportId = value;
            info_.usesReportIds = true;
            break;
        case kGlobalPush:
            if (stack_.size() >= kMaxPushDepth) fail("Push nested too deep");
            else stack_.push_back(globals_);
            break;
        case kGlobalPop:
            if (stack_.empty()) fail("Pop without Push");
            else { globals_ = stack_.back(); stack_.pop_back(); }
            break;
        case kLocalUsage:
            if (!haveUsage_) {
                // A 4-byte usage names its own page in the high half.
                firstUsage_ = len == 4 ? value : ((globals_.usagePage & 0xFFFF) << 16) | (value & 0xFFFF);
                haveUsage_ = true;
            }
            break;
        default: break;   // other items do not change report lengths
        }
        // Local items last until the next main item.
        if ((tag & 0x0C) == 0x00) {
            haveUsage_ = false;
            firstUsage_ = 0;
        }
    }

    void addReport(int type) {
        const uint64_t bits = uint64_t{globals_.reportSize} * globals_.reportCount;
        if (bits == 0) return;
        const int collection = depth_ > 0 ? static_cast<int>(info_.collections.size()) - 1 : -1;
        uint64_t& sum = bits_[ReportKey{collection, type, globals_.reportId}];
        sum = std::min(sum + std::min(bits, kMaxReportBits + 1), kMaxReportBits + 1);
        if (sum > kMaxReportBits) fail("report longer than 65535 bytes");
    }

    ReportDescriptorInfo finish() {
        // The same report ID may be spread over several collections in a
        // broken descriptor; the whole-descriptor figure adds them up.
        std::map<std::pair<int, uint32_t>, uint64_t> overall;
        for (const auto& [key, bits] : bits_) {
            const auto& [collection, type, id] = key;
            uint64_t& sum = overall[{type, id}];
            sum = std::min(sum + bits, kMaxReportBits);
            if (collection >= 0) {
                int& len = lengthOf(info_.collections[static_cast<size_t>(collection)].lengths, type);
                len = std::max(len, bytesOf(std::min(bits, kMaxReportBits)));
            }
        }
        for (const auto& [key, bits] : overall) {
            int& len = lengthOf(info_.lengths, key.first);
            len = std::max(len, bytesOf(bits));
        }
        return std::move(info_);
    }

    const uint8_t* data_;
    size_t size_;
    ReportDescriptorInfo info_;
    Globals globals_;
    std::vector<Globals> stack_;
    int depth_ = 0;
    uint32_t firstUsage_ = 0;
    bool haveUsage_ = false;
    std::map<ReportKey, uint64_t> bits_;
};

} // namespace

ReportDescriptorInfo ParseReportDescriptor(const uint8_t* data, size_t size) {
    if (data == nullptr || size == 0) {
        ReportDescriptorInfo info;
        info.error = "empty report descriptor";
        return info;
    }
    return Parser(data, size).run();
}

} // namespace kestrelon
