#include "platform/virtual_clock.h"

#include "platform/calendar.h"

#include <algorithm>

namespace kestrelon {

void VirtualClock::Sleep(uint32_t ms) {
    countSleep(ms);
    if (trace_) {
        TraceEntry e{TraceEntry::Kind::Sleep};
        e.atMicros = nowUs_;
        e.sleepMs = ms;
        trace_->add(e);
    }
    nowUs_ += uint64_t{ms} * 1000;
}

void VirtualClock::onPump() {
    ++pumps_;
    if (trace_) {
        TraceEntry e{TraceEntry::Kind::Pump};
        e.atMicros = nowUs_;
        trace_->add(e);
    }
}

void VirtualClock::waitForEvents(uint32_t maxMs) {
    const uint64_t until = std::min<uint64_t>(microsUntilNextTimer(), uint64_t{maxMs} * 1000);
    nowUs_ += until;
    ProcessMessages();
}

LocalDateTime VirtualClock::localNow() {
    return addMilliseconds(start_, static_cast<int64_t>((nowUs_ - startAtUs_) / 1000));
}

} // namespace kestrelon
