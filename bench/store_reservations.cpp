// How long a unit's reservation takes in a number store that several
// stations share: STATIONS stations (one thread and one connection each, as
// separate PCs would have) reserve and settle UNITS units each at once, on
// a product of their own, each PACE_MS apart on average (a unit's cycle;
// 0: back to back). Prints the median, the 99th percentile and the longest
// reservation, and the units per second.
//
//   kestrelon-bench-store URI [STATIONS] [UNITS] [PACE_MS]
#include "platform/steady_clock.h"
#include "store/pg_unit_numbers.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace kestrelon;

namespace {

constexpr const char* kSerial =
    "object TProdSN;  IsSN = True;  IsDate = True;  FixSNByteCount = 1;  FixSN = 65;  IncSNByteCount = 3;"
    "  IncInitSN = 1;  IsFixAscii = True;end;";
constexpr const char* kIds = "object TProdRFID;  IsRandom = False;  IncInitRFID = 1193046;end;";

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: kestrelon-bench-store URI [STATIONS] [UNITS]\n");
        return 2;
    }
    const std::string uri = argv[1];
    const int stations = argc > 2 ? std::max(1, std::atoi(argv[2])) : 8;
    const int units = argc > 3 ? std::max(1, std::atoi(argv[3])) : 500;
    const int paceMs = argc > 4 ? std::max(0, std::atoi(argv[4])) : 0;
    const std::string product = "bench-" + std::to_string(getpid()) + "-" + std::to_string(stations);

    store::PgError e;
    auto admin = store::PgConnection::open(uri, "kestrelon-bench-store", e);
    if (!admin || !store::PrepareSchema(*admin, true, e) ||
        !store::WriteGenerators(*admin, product, {kIds, kSerial, kIds, kSerial}, e)) {
        std::fprintf(stderr, "kestrelon-bench-store: %s\n", e.message.c_str());
        return 1;
    }

    std::vector<std::vector<double>> took(static_cast<size_t>(stations));
    std::vector<std::string> errors(static_cast<size_t>(stations));
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> threads;
    for (int s = 0; s < stations; ++s) {
        threads.emplace_back([&, s] {
            SteadyClock clock;
            std::mt19937 jitter(static_cast<unsigned>(s));
            PostgresUnitNumbers numbers(NumberStoreConfig{uri, product, "bench " + std::to_string(s)},
                                        ComponentContext{clock, nullptr});
            if (const SettingsStatus ready = numbers.readyForUnit(); !ready.ok) {
                errors[static_cast<size_t>(s)] = ready.message;
                return;
            }
            for (int u = 0; u < units; ++u) {
                ReservedNumbers r;
                const auto t0 = std::chrono::steady_clock::now();
                const SettingsStatus kept =
                    numbers.reserve(product + "-" + std::to_string(s) + "-" + std::to_string(u), r);
                const auto t1 = std::chrono::steady_clock::now();
                if (!kept.ok) {
                    errors[static_cast<size_t>(s)] = kept.message;
                    return;
                }
                took[static_cast<size_t>(s)].push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
                // The unit's cycle, between half and one and a half of the pace.
                if (paceMs)
                    std::this_thread::sleep_for(std::chrono::microseconds(
                        std::uniform_int_distribution<int>(paceMs * 500, paceMs * 1500)(jitter)));
                numbers.settlePass(r, UnitOutcome{{}, 1, {}});
            }
        });
    }
    for (auto& t : threads) t.join();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    for (const std::string& why : errors) {
        if (why.empty()) continue;
        std::fprintf(stderr, "kestrelon-bench-store: %s\n", why.c_str());
        return 1;
    }
    std::vector<double> all;
    for (const auto& t : took) all.insert(all.end(), t.begin(), t.end());
    std::sort(all.begin(), all.end());
    const auto at = [&all](double q) { return all[std::min(all.size() - 1, static_cast<size_t>(q * all.size()))]; };
    std::printf("reservation with %d stations, %d ms apart: median %.2f ms, p99 %.2f ms, longest %.2f ms (%zu "
                "reservations, %.0f units/s)\n",
                stations, paceMs, at(0.5), at(0.99), all.back(), all.size(), all.size() / seconds);
    return 0;
}
