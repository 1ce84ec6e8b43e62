#include "platform/scheduled_clock.h"

#include <algorithm>
#include <limits>

namespace kestrelon {

struct ScheduledClock::TimerState {
    ScheduledClock* clock = nullptr;
    std::function<void()> onTick;
    uint32_t intervalMs = 0;
    bool enabled = false;
    uint64_t dueMicros = 0;
    bool alive = true;
};

namespace {

class ScheduledTimer : public Timer {
public:
    explicit ScheduledTimer(std::shared_ptr<ScheduledClock::TimerState> s) : s_(std::move(s)) {}
    ~ScheduledTimer() override { s_->alive = false; s_->enabled = false; }

    void setEnabled(bool on) override {
        if (on == s_->enabled) return;
        s_->enabled = on;
        if (on) s_->dueMicros = s_->clock->nowMicros() + uint64_t{s_->intervalMs} * 1000;
    }
    bool enabled() const override { return s_->enabled; }
    void setInterval(uint32_t ms) override {
        s_->intervalMs = ms;
        if (s_->enabled) s_->dueMicros = s_->clock->nowMicros() + uint64_t{ms} * 1000;
    }
    uint32_t interval() const override { return s_->intervalMs; }

private:
    std::shared_ptr<ScheduledClock::TimerState> s_;
};

} // namespace

ScheduledClock::ScheduledClock() : timers_(std::make_shared<std::vector<std::shared_ptr<TimerState>>>()) {}
ScheduledClock::~ScheduledClock() {
    for (auto& t : *timers_) t->clock = nullptr;
}

std::unique_ptr<Timer> ScheduledClock::createTimer(uint32_t intervalMs, std::function<void()> onTick) {
    auto s = std::make_shared<TimerState>();
    s->clock = this;
    s->onTick = std::move(onTick);
    s->intervalMs = intervalMs;
    timers_->push_back(s);
    return std::make_unique<ScheduledTimer>(s);
}

void ScheduledClock::ProcessMessages() {
    onPump();
    auto timers = timers_;   // keeps the list alive if a handler destroys timers
    timers->erase(std::remove_if(timers->begin(), timers->end(),
                                 [](const auto& t) { return !t->alive; }),
                  timers->end());
    const uint64_t now = nowMicros();
    // A snapshot: timers created by a handler wait for the next pump.
    auto snapshot = *timers;
    for (auto& t : snapshot) {
        if (!t->alive || !t->enabled || t->dueMicros > now) continue;
        // Like a window timer: an overdue timer fires once, then counts anew.
        t->dueMicros = now + uint64_t{t->intervalMs} * 1000;
        if (t->onTick) t->onTick();
    }
}

uint64_t ScheduledClock::microsUntilNextTimer() {
    uint64_t best = std::numeric_limits<uint64_t>::max();
    const uint64_t now = nowMicros();
    for (auto& t : *timers_) {
        if (!t->alive || !t->enabled) continue;
        best = std::min(best, t->dueMicros > now ? t->dueMicros - now : 0);
    }
    return best;
}

} // namespace kestrelon
