#pragma once
// The hidden debug list: the last lines of debug output, bounded so that a
// whole shift of pairing ticks cannot grow it without end.

#include "model/observed.h"

#include <cstddef>
#include <deque>
#include <string>

namespace kestrelon {

class DebugList {
public:
    static constexpr std::size_t kCapacity = 1000;

    void add(std::string line) {
        if (lines_.size() == kCapacity) lines_.pop_front();
        lines_.push_back(std::move(line));
        changed.notify();
    }
    const std::deque<std::string>& lines() const { return lines_; }

    Notifier changed;

private:
    std::deque<std::string> lines_;
};

} // namespace kestrelon
