// `run`: the production line without a window. Start up as the window does,
// then for each unit wait for a receiver whose mouse answers, press Go,
// report, and wait for the next receiver.
#include "app/station.h"
#include "cli/commands.h"
#include "cli/device_session.h"
#include "cli/engineering.h"
#include "cli/file_checks.h"
#include "cli/line_station.h"
#include "cli/sim_fault.h"
#include "cli/stop_signals.h"
#include "production/record_file.h"
#include "platform/native_path.h"
#include "platform/steady_clock.h"
#include "platform/virtual_clock.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <ostream>
#include <thread>

namespace kestrelon::cli {

namespace {

constexpr uint32_t kSimReadyLimitMs = 30000;   // a simulated pair is ready in well under a second


struct RunOptions {
    unsigned long long units = 1;
    bool json = false, fast = false, timing = false;
    std::string dumpPath, settingsPath, recordPath, store, product;
    std::optional<FaultPlan> fault;
};

bool readOptions(const Args& args, const Io& io, RunOptions& o) {
    if (args.has("units") && (!parseNumber(args.value("units"), 100000, o.units) || o.units == 0)) {
        io.error("--units must be a number from 1");
        return false;
    }
    o.json = args.has("json");
    o.fast = args.has("fast");
    o.timing = args.has("timing");
    o.dumpPath = args.value("dump-eeprom");
    o.settingsPath = args.value("settings", "TX.ini");
    o.recordPath = args.value("record");
    o.store = args.value("store");
    o.product = args.value("product");
    const bool sim = args.has("sim");
    if (!sim && (o.fast || args.has("dump-eeprom") || args.has("sim-fault"))) {
        io.error("--fast, --dump-eeprom and --sim-fault work only on the simulation (--sim)");
        return false;
    }
    if (args.has("sim-fault")) {
        FaultPlan plan;
        std::string why;
        if (!ParseFaultText(args.value("sim-fault"), plan, why)) {
            io.error("--sim-fault: " + why);
            return false;
        }
        o.fault = plan;
    }
    return true;
}

// The record of every unit is appended to, never replaced.
bool checkRecord(const Io& io, const std::string& path) {
    std::string why;
    if (CheckWritable(path, false, why)) return true;
    io.error("cannot write the record file " + path + ": " + why);
    return false;
}

// The files run writes are checked before the first unit: a unit must not
// be programmed when its record, counters or dump cannot be kept.
bool checkFiles(const Io& io, const RunOptions& o) {
    std::string why;
    if (!CheckReadableIfPresent(o.settingsPath, why) || !CheckWritable(o.settingsPath, true, why)) {
        io.error("settings file " + o.settingsPath + ": " + why);
        return false;
    }
    if (!o.dumpPath.empty() && !CheckWritable(o.dumpPath, false, why)) {
        io.error("cannot write " + o.dumpPath + ": " + why);
        return false;
    }
    return o.recordPath.empty() || checkRecord(io, o.recordPath);
}

void printRecord(const Io& io, const RunOptions& o, int unit, const UnitRecord& r, const RecordOrigin& origin) {
    if (o.json) {
        // The line the record file gets for the unit's outcome.
        io.out << RecordFile::OutcomeLine(r, origin) << std::endl;
        return;
    }
    io.out << "unit " << unit << ": " << (r.passed ? "PASS" : "FAIL") << "  " << r.elapsed << " s  RF ID "
           << (r.rfId.empty() ? "-" : r.rfId) << "  RX SN " << (r.rxSn.empty() ? "-" : r.rxSn) << "  TX SN "
           << (r.txSn.empty() ? "-" : r.txSn);
    if (!r.passed) io.out << "  (" << r.reason << ")";
    io.out << std::endl;
}

// The figures of one run, printed as its last line on standard error.
class Summary {
public:
    void add(const UnitRecord& r, bool ran) {
        ++units_;
        passed_ += r.passed;
        if (!ran) return;   // no cycle: the receiver or its mouse never got ready
        ++cycles_;
        totalMs_ += r.elapsedMs;
        longestMs_ = std::max(longestMs_, r.elapsedMs);
    }
    int units() const { return units_; }
    void print(std::ostream& err) const {
        char buf[200];
        const double yield = units_ ? 100.0 * passed_ / units_ : 0.0;
        const double mean = cycles_ ? static_cast<double>(totalMs_) / cycles_ / 1000.0 : 0.0;
        std::snprintf(buf, sizeof buf,
                      "summary: %d units, %d passed, %d failed, yield %.1f %%, cycle time mean %.3f s, longest %.3f s\n",
                      units_, passed_, units_ - passed_, yield, mean, longestMs_ / 1000.0);
        err << buf << std::flush;
    }

private:
    int units_ = 0, passed_ = 0, cycles_ = 0;
    uint64_t totalMs_ = 0;
    uint32_t longestMs_ = 0;
};

class Line {
public:
    Line(Station& st, const StopSignals& stop) : st_(st), stop_(stop) {
        watch_ = st_.ui.devices.changed.connect([this] { lampsChanged_ = true; });
    }

    // Serves events until the opened receiver's mouse answers; false after
    // limitMs (never, with real hardware: the operator plugs the next
    // receiver). The lamps are looked at only when they changed.
    bool waitUntilReady(std::optional<uint32_t> limitMs) {
        const uint32_t start = st_.clock.GetTickCount();
        bool told = false;
        lampsChanged_ = true;
        while (!(lampsChanged_ && ready())) {
            lampsChanged_ = false;
            if (stop_.requested()) return false;
            if (limitMs && st_.clock.GetTickCount() - start > *limitMs) return false;
            if (!limitMs && !told) {
                std::cerr << "waiting for a receiver whose mouse answers..." << std::endl;
                told = true;
            }
            st_.loop.waitForEvents(100);
        }
        return true;
    }

    // Detection runs on its own timer; after the simulation plugged or
    // unplugged a receiver the tick is run at once instead of up to 5 s later.
    void detectNow() { st_.detection.DetectHIDDeviceCounterTimer(); }

    std::shared_ptr<sim::PairFirmware> plugFresh(int unit) {
        sim::PairConfig cfg;
        cfg.seed = 1000 + static_cast<uint64_t>(unit);
        Clock* clock = &st_.clock;
        return std::make_shared<sim::PairFirmware>(cfg, [clock] { return clock->nowMicros(); });
    }

private:
    bool ready() const {
        const LinkState& s = st_.detection.state();
        return s.receiverReady && s.mouseAnswering && st_.link.hasDevice() && !st_.run.AwaitNewDongle;
    }

    Station& st_;
    const StopSignals& stop_;
    Notifier::Connection watch_;
    bool lampsChanged_ = true;
};

// The number store did not answer: the unit waits, its receiver plugged,
// and Go is pressed again every half second until the store answers or
// refuses for another reason, or a stop signal comes. The reason was told
// once.
UnitRecord waitForStore(Station& st, MessageSink& sink, const StopSignals& stop) {
    std::cerr << "waiting for the number store..." << std::endl;
    st.messages.install(nullptr);
    UnitRecord r;
    do {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        st.loop.ProcessMessages();
        st.production.btnGoClick();
        r = st.production.lastUnit();
    } while (r.refused && r.retryLater && !stop.requested());
    st.messages.install(&sink);
    if (r.refused && !stop.requested()) st.messages.warning(r.reason);
    return r;
}

int run(const Args& args, const Io& io) {
    RunOptions o;
    if (!readOptions(args, io, o) || !checkFiles(io, o)) return kExitUsage;
    DeviceSession d;
    if (!OpenDeviceSession(args, io, d, o.fast)) return kExitFailed;

    StationConfig cfg = LineStationConfig(d, o.settingsPath);
    cfg.recordFile = o.recordPath;
    cfg.numberStore = o.store;
    cfg.numberStoreProduct = o.product;
    Station st(*d.backend, *d.clock, *d.clock, cfg);
    ErrorLineSink sink(io);
    st.messages.install(&sink);
    const SettingsStatus started = st.StartUp();
    if (!started.message.empty()) io.error(started.message);
    if (!started.ok) return kExitUsage;   // nothing programmed: the settings file is locked or unreadable
    // The record file (the settings' one, or beside the settings file), like
    // the one given with --record, must work before the first unit.
    if (const std::string records = st.production.recordPath(); o.recordPath.empty() && !records.empty() &&
                                                                !checkRecord(io, records))
        return kExitUsage;
    const RecordOrigin origin{st.companion.station, st.companion.program};
    st.FormActivate();
    // Ctrl-C or SIGTERM: the unit in progress ends with its verdict, no
    // further unit starts, and the run closes as after its last unit.
    StopSignals stop(st.loop);
    Line line(st, stop);

    int dongleDevice = -1;
    std::shared_ptr<sim::PairFirmware> pair;
    nlohmann::json dumps = nlohmann::json::array();
    bool allPassed = true;
    int exitCode = kExitOk;
    Summary summary;
    if (d.sim) {
        // The state file's pair (or a fresh one) is the first unit.
        pair = d.simPair;
        dongleDevice = d.simDongleDevice;
    }

    for (int unit = 1; unit <= static_cast<int>(o.units) && !stop.requested(); ++unit) {
        if (d.sim && unit > 1) {
            pair = line.plugFresh(unit);
            dongleDevice = d.sim->plugDongle(pair);
        }
        line.detectNow();
        const bool ready = line.waitUntilReady(d.sim ? std::optional<uint32_t>(kSimReadyLimitMs) : std::nullopt);
        if (!ready && stop.requested()) break;   // stopped while waiting: no unit was begun
        UnitRecord r;
        if (!ready) {
            r.reason = st.link.hasDevice() ? "the mouse did not answer over RF" : "no receiver was found";
            r.elapsed = "0.000";
        } else {
            if (d.sim && o.fault && (!o.fault->onlyUnit || *o.fault->onlyUnit == unit)) pair->armFaults(o.fault->faults);
            const uint64_t slept0 = d.clock->sleptMs();
            const uint64_t xfer0 = d.sim ? d.sim->transferMicrosSpent() : 0;
            st.production.btnGoClick();
            r = st.production.lastUnit();
            if (r.refused && r.retryLater) r = waitForStore(st, sink, stop);
            if (r.refused) {
                // The lamps were lit: this unit's numbers could not be
                // reserved or recorded (the message said why). Nothing was
                // sent to the devices.
                exitCode = kExitUsage;
                break;
            }
            if (o.timing) {
                const double waits = static_cast<double>(d.clock->sleptMs() - slept0);
                const double xfer = d.sim ? static_cast<double>(d.sim->transferMicrosSpent() - xfer0) / 1000.0 : 0.0;
                const double over = r.elapsedMs - waits - xfer;
                char buf[240];
                std::snprintf(buf, sizeof buf,
                              "timing: unit %d wall %u ms, mandated waits %.0f ms, simulated transfers %.1f ms, "
                              "own code %.1f ms (%.2f%%), of it numbers reserved, recorded and settled %.1f ms\n",
                              unit, r.elapsedMs, waits, xfer, over, 100.0 * over / (waits + xfer),
                              static_cast<double>(r.keepingMicros) / 1000.0);
                std::cerr << buf;
            }
        }
        printRecord(io, o, unit, r, origin);
        summary.add(r, ready);
        allPassed &= r.passed;
        if (d.sim) {
            pair->settle();
            // Kept only when asked for: a long run must not grow by a dump a unit.
            if (!o.dumpPath.empty())
                dumps.push_back(
                    {{"unit", unit},
                     {"dongle", std::vector<int>(pair->dongleEeprom().begin(), pair->dongleEeprom().end())},
                     {"mouse", std::vector<int>(pair->mouseEeprom().begin(), pair->mouseEeprom().end())}});
            if (unit < static_cast<int>(o.units)) {
                // The operator takes the finished unit out.
                d.sim->unplug(dongleDevice);
                line.detectNow();
            }
        }
    }

    // One clear line per problem: a settings file already reported is not
    // reported again by the closing save.
    if (exitCode == kExitUsage) st.messages.install(nullptr);
    const SaveResult closing = st.FormCloseQuery();
    if (!closing.ok) exitCode = kExitUsage;
    if (d.sim) {
        d.simPair = pair;
        if (!d.saveSimState(io)) exitCode = exitCode ? exitCode : kExitFailed;
    }
    if (!o.dumpPath.empty()) {
        std::ofstream out(NativePath(o.dumpPath), std::ios::trunc);
        out << dumps.dump() << "\n";
        if (!out.flush()) {
            io.error("cannot write " + o.dumpPath);
            if (!exitCode) exitCode = kExitFailed;
        }
    }
    if (stop.requested()) {
        const int done = summary.units();
        io.error(std::string("stopped by ") + stop.name() + " after " + std::to_string(done) +
                 (done == 1 ? " unit" : " units"));
        summary.print(io.err);
        return stop.exitCode();
    }
    if (summary.units()) summary.print(io.err);   // a run refused before its first unit has one line only
    if (exitCode) return exitCode;
    return allPassed ? kExitOk : kExitFailed;
}

} // namespace

Command runCommand() {
    return {"run",
            "the production line without a window: program N units, one record each",
            "run",
            {{"settings", "FILE", "the settings file (default TX.ini in the current folder)"},
             stationOption(),
             {"units", "N", "number of units to program (default 1)"},
             {"json", "", "one JSON object per unit"},
             {"dump-eeprom", "FILE", "write each unit's dongle and mouse EEPROM to FILE as JSON (simulation)"},
             {"fast", "", "run the simulation and every wait on a virtual clock"},
             {"sim-fault", "FAULT", "unplug:N, noanswer:N, xfer-error:N, mouse-silent, readback:W; @K for unit K only"},
             {"timing", "", "report each unit's time against the mandated waits on stderr"},
             {"record", "FILE", "append the units' records to FILE (instead of the settings' RecordFile)"},
             {"store", "URI", "take the numbers from this PostgreSQL number store (instead of KESTRELON_STORE, NumberStore)"},
             {"product", "NAME", "the product whose numbers the store keeps (instead of NumberStoreProduct)"}},
            0,
            0,
            run,
            {"0    every unit passed",
             "1    a unit failed, or the simulation state could not be kept",
             "2    bad usage, or the settings, record or dump file cannot be used or is in use by a window or",
             "     another run (nothing is programmed then)",
             "130  stopped by Ctrl-C (SIGINT), 143 by SIGTERM: the unit in progress ended with its verdict"},
            "run --settings TX.ini --units 100 --json"};
}

} // namespace kestrelon::cli
