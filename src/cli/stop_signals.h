#pragma once
// Ctrl-C (SIGINT) and SIGTERM as a request to stop a long command where it
// can stop cleanly. The handler only notes the signal and writes a byte to
// a pipe the event loop watches, so a wait wakes at once; the command asks
// requested() between its steps. The previous handlers come back when the
// object ends.

#include "platform/event_loop.h"

#include <memory>

namespace kestrelon::cli {

class StopSignals {
public:
    explicit StopSignals(EventLoop& loop);
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // The first signal that came, or 0.
    int requested() const;
    // The exit status of a command that stopped for it: 128 + the signal.
    int exitCode() const { return 128 + requested(); }
    // "SIGINT" or "SIGTERM".
    const char* name() const;

private:
    struct Saved;
    std::unique_ptr<Saved> saved_;
    std::unique_ptr<DescriptorWatch> watch_;
};

} // namespace kestrelon::cli
