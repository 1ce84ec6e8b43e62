#include "cli/device_session.h"

#include "platform/steady_clock.h"
#include "platform/virtual_clock.h"

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

namespace kestrelon::cli {

namespace {

bool loadState(const std::string& path, sim::PairFirmware& pair, const Io& io) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return true;   // a new pair
    std::ifstream in(path);
    nlohmann::json j = nlohmann::json::parse(in, nullptr, false);
    std::string why;
    if (j.is_discarded() || !j.contains("pair") || !pair.loadJson(j["pair"], &why)) {
        io.error("cannot read simulation state " + path + (why.empty() ? ": not a state file" : ": " + why));
        return false;
    }
    return true;
}

} // namespace

bool OpenDeviceSession(const Args& args, const Io& io, DeviceSession& s, bool virtualTime) {
    if (virtualTime)
        s.clock = std::make_unique<VirtualClock>();
    else
        s.clock = std::make_unique<SteadyClock>();

    if (args.has("sim")) {
        auto backend = std::make_unique<sim::SimHidBackend>(*s.clock);
        backend->plugTypicalPcDevices();
        Clock* clock = s.clock.get();
        s.simPair = std::make_shared<sim::PairFirmware>(sim::PairConfig{}, [clock] { return clock->nowMicros(); });
        s.statePath = args.value("sim-state");
        if (!s.statePath.empty() && !loadState(s.statePath, *s.simPair, io)) return false;
        s.simDongleDevice = backend->plugDongle(s.simPair);
        s.sim = backend.get();
        s.backend = std::move(backend);
        return true;
    }

    s.backend = MakeRealHidBackend();
    if (!s.backend) {
        io.error("this build has no HID back end; use --sim");
        return false;
    }
    std::string why;
    if (!s.backend->start(why)) {
        io.error("cannot start the HID layer: " + why);
        return false;
    }
    return true;
}

bool DeviceSession::saveSimState(const Io& io) {
    if (statePath.empty() || !simPair) return true;
    simPair->settle();
    nlohmann::json j;
    j["pair"] = simPair->toJson();
    const std::string tmp = statePath + ".tmp";
    {
        std::ofstream out(tmp, std::ios::trunc);
        out << j.dump(1) << "\n";
        if (!out.flush()) {
            io.error("cannot write simulation state " + statePath);
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(tmp, statePath, ec);
    if (ec) {
        io.error("cannot write simulation state " + statePath + ": " + ec.message());
        return false;
    }
    return true;
}

} // namespace kestrelon::cli
