#include "platform/trace.h"

#include <cstdio>

namespace kestrelon {

std::vector<std::string> Trace::tokens(bool withFrames) const {
    std::vector<std::string> out;
    out.reserve(entries_.size());
    for (const auto& e : entries_) {
        std::string t;
        switch (e.kind) {
        case TraceEntry::Kind::Sleep: t = "W" + std::to_string(e.sleepMs); break;
        case TraceEntry::Kind::Pump: t = "P"; break;
        case TraceEntry::Kind::SetFeature: t = e.ok ? "S" : "S!"; break;
        case TraceEntry::Kind::GetFeature: t = e.ok ? "G" : "G!"; break;
        }
        if (withFrames && (e.kind == TraceEntry::Kind::SetFeature || e.kind == TraceEntry::Kind::GetFeature)) {
            char buf[4];
            t += ":";
            for (size_t i = 0; i < e.frame.size(); ++i) {
                std::snprintf(buf, sizeof buf, i ? " %02X" : "%02X", e.frame[i]);
                t += buf;
            }
        }
        out.push_back(std::move(t));
    }
    return out;
}

} // namespace kestrelon
