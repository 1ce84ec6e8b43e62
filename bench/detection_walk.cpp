// What detection costs in the tool's own code: one walk over 50 HID
// interfaces (the count the 5 s timer and every hot-plug event make, twice
// two walks per tick), and one whole tick that finds and opens the receiver
// among them. The interfaces are simulated and their transfers run on a
// virtual clock, so the figures are the CPU time of the walk itself.
//
//   kestrelon-bench-detection [INTERFACES] [ROUNDS]
#include "device/detection.h"
#include "device/device_link.h"
#include "device/known_devices.h"
#include "app/station.h"
#include "platform/virtual_clock.h"
#include "sim/pair_firmware.h"
#include "sim/sim_hid_backend.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>
#include <unistd.h>

using namespace kestrelon;

namespace {

struct Figures {
    double median, p90, min;
};

template <typename F>
Figures measure(int rounds, F&& once) {
    std::vector<double> us;
    us.reserve(static_cast<size_t>(rounds));
    for (int i = 0; i < rounds; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        once();
        us.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
    }
    std::sort(us.begin(), us.end());
    return {us[us.size() / 2], us[us.size() * 9 / 10], us.front()};
}

void print(const char* what, int interfaces, int rounds, const Figures& f) {
    std::printf("%s over %d HID interfaces: median %.1f us, 90th percentile %.1f us, fastest %.1f us (%d rounds)\n",
                what, interfaces, f.median, f.p90, f.min, rounds);
}

} // namespace

int main(int argc, char** argv) {
    const int wanted = argc > 1 ? std::max(4, std::atoi(argv[1])) : 50;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 2000;

    VirtualClock clock;
    sim::SimHidBackend backend(clock);
    backend.plugTypicalPcDevices();
    auto pair = std::make_shared<sim::PairFirmware>(sim::PairConfig{}, [&clock] { return clock.nowMicros(); });
    backend.plugDongle(pair);
    for (uint16_t n = 0; backend.enumerate().size() < static_cast<size_t>(wanted); ++n)
        backend.plugOther(0x1A2C, static_cast<uint16_t>(0x3000 + n), "HID device", {0});
    const int interfaces = static_cast<int>(backend.enumerate().size());

    HidAccess hid(backend, clock, clock);
    int counted = 0;
    print("one detection walk", interfaces, rounds, measure(rounds, [&] { counted = hid.CountHidDevices(); }));
    if (counted != interfaces) {
        std::fprintf(stderr, "the walk counted %d interfaces of %d\n", counted, interfaces);
        return 1;
    }

    // The whole tick: four walks, the receiver opened, its status read and
    // the lamps set. The count is forgotten each round so every tick finds it.
    const std::string folder = (std::filesystem::temp_directory_path() /
                                ("kestrelon-bench-" + std::to_string(::getpid())))
                                   .string();
    std::filesystem::create_directories(folder);
    {
        StationConfig cfg;
        cfg.settingsPath = folder + "/TX.ini";
        Station st(backend, clock, clock, cfg);
        if (!st.StartUp().ok) {
            std::fprintf(stderr, "the station did not start\n");
            return 1;
        }
        const int tickRounds = std::max(1, rounds / 10);
        print("one detection tick that opens the receiver", interfaces, tickRounds, measure(tickRounds, [&] {
                  st.detection.LastDeviceCount = -1;
                  st.detection.DetectHIDDeviceCounterTimer();
              }));
        if (!st.ui.devices->btnGoEnabled) {
            std::fprintf(stderr, "the tick did not find the receiver\n");
            return 1;
        }
    }
    std::filesystem::remove_all(folder);
    return 0;
}
