// kestrelon-uhid-dongle: the simulated receiver and mouse as a real kernel
// HID device, so the hidapi back end and the command line can be tested
// end to end on Linux without hardware.
#include "sim/pair_firmware.h"
#include "sim/pair_state_file.h"
#include "uhid/dongle_options.h"
#include "uhid/dongle_server.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <iostream>

namespace {

using kestrelon::sim::PairFirmware;
constexpr const char* kProgram = "kestrelon-uhid-dongle";

// The system's monotonic clock (CLOCK_MONOTONIC), in the milliseconds
// `kestrelon-mfg-cli watch` stamps its lines with: plug to Go is measured
// between the two.
uint64_t monotonicMs() {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

int fail(const std::string& message, int status = 1) {
    std::cerr << kProgram << ": " << message << "\n";
    return status;
}

} // namespace

int main(int argc, char** argv) {
    kestrelon::uhid::DongleOptions opt;
    std::string error;
    if (!kestrelon::uhid::ParseDongleOptions({argv + 1, argv + argc}, opt, error))
        return fail(error + "; try --help", 2);
    if (opt.help) {
        std::cout << kestrelon::uhid::DongleUsage();
        return 0;
    }

    kestrelon::sim::PairConfig config;
    config.model = opt.model;
    config.productId = opt.productId;
    if (opt.seed) config.seed = *opt.seed;
    const auto origin = std::chrono::steady_clock::now();
    PairFirmware pair(config, [origin] {
        return static_cast<uint64_t>(
            std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - origin).count());
    });
    // The same file the command line keeps with --sim-state, so a pair can
    // move between the in-process simulation and this device.
    if (!opt.statePath.empty() && kestrelon::sim::LoadPairState(opt.statePath, pair, error) ==
                                      kestrelon::sim::StateLoad::Failed)
        return fail("cannot read state " + opt.statePath + ": " + error);

    // Signals arrive through a descriptor so the single event loop sees
    // them between reports, never in the middle of one.
    sigset_t mask;
    sigemptyset(&mask);
    for (int s : {SIGTERM, SIGINT, SIGUSR1}) sigaddset(&mask, s);
    if (sigprocmask(SIG_BLOCK, &mask, nullptr) != 0) return fail("cannot block signals");
    const int sfd = signalfd(-1, &mask, SFD_CLOEXEC);
    if (sfd < 0) return fail("cannot create a signalfd");

    kestrelon::uhid::DongleServer server(opt, pair, std::cerr);
    const uint64_t pluggedAt = monotonicMs();
    if (!server.plug(error)) return fail(error);
    std::printf("ready %04X:%04X version %04X: mouse interface and vendor interface (feature report 1, 9 bytes)\n"
                "plugged at %llu ms\n",
                pair.vendorId(), pair.productId(), pair.versionNumber(), static_cast<unsigned long long>(pluggedAt));
    std::fflush(stdout);

    const int signo = server.serve(sfd);
    std::printf("unplugged at %llu ms\n", static_cast<unsigned long long>(monotonicMs()));
    std::fflush(stdout);
    server.unplug();
    std::cerr << kProgram << ": unplugged after " << server.reports() << " reports"
              << (signo == SIGUSR1 ? " (SIGUSR1)" : "") << "\n";
    ::close(sfd);
    if (!opt.statePath.empty() && !kestrelon::sim::SavePairState(opt.statePath, pair, error))
        return fail("cannot write state " + opt.statePath + ": " + error);
    return 0;
}
