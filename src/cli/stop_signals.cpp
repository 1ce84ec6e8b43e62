#include "cli/stop_signals.h"

#include <csignal>

#ifndef _WIN32
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace kestrelon::cli {

namespace {

volatile std::sig_atomic_t g_signal = 0;
#ifndef _WIN32
int g_pipe[2] = {-1, -1};
#endif

extern "C" void noteStopSignal(int sig) {
    if (g_signal == 0) g_signal = sig;
#ifndef _WIN32
    const int saved = errno;
    const char byte = 1;
    if (g_pipe[1] >= 0 && ::write(g_pipe[1], &byte, 1) < 0) {
        // A full pipe already wakes the loop.
    }
    errno = saved;
#endif
}

} // namespace

#ifndef _WIN32
struct StopSignals::Saved {
    struct sigaction interrupt {}, terminate {};
};

StopSignals::StopSignals(EventLoop& loop) : saved_(std::make_unique<Saved>()) {
    g_signal = 0;
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) == 0) {
        watch_ = loop.watchReadable(g_pipe[0], [] {
            char drain[16];
            while (::read(g_pipe[0], drain, sizeof drain) > 0) {
            }
        });
    }
    struct sigaction on {};
    on.sa_handler = noteStopSignal;
    sigemptyset(&on.sa_mask);
    on.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &on, &saved_->interrupt);
    ::sigaction(SIGTERM, &on, &saved_->terminate);
}

StopSignals::~StopSignals() {
    ::sigaction(SIGINT, &saved_->interrupt, nullptr);
    ::sigaction(SIGTERM, &saved_->terminate, nullptr);
    watch_.reset();
    for (int& fd : g_pipe) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
}
#else
struct StopSignals::Saved {};

StopSignals::StopSignals(EventLoop&) : saved_(std::make_unique<Saved>()) {
    g_signal = 0;
    std::signal(SIGINT, noteStopSignal);
    std::signal(SIGTERM, noteStopSignal);
}

StopSignals::~StopSignals() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}
#endif

int StopSignals::requested() const { return g_signal; }

const char* StopSignals::name() const { return g_signal == SIGINT ? "SIGINT" : "SIGTERM"; }

} // namespace kestrelon::cli
