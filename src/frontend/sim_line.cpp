#include "frontend/sim_line.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

namespace kestrelon {

SimulatedLine::SimulatedLine(Clock& clock, std::string statePath, Timing timing)
    : clock_(clock), statePath_(std::move(statePath)), timing_(timing), backend_(clock) {
    backend_.plugTypicalPcDevices();
    pair_ = std::make_shared<sim::PairFirmware>(sim::PairConfig{}, [this] { return clock_.nowMicros(); });
}

SimulatedLine::~SimulatedLine() = default;

bool SimulatedLine::plugFirstPair(std::string& why) {
    std::error_code ec;
    if (!statePath_.empty() && std::filesystem::exists(statePath_, ec)) {
        std::ifstream in(statePath_);
        const nlohmann::json j = nlohmann::json::parse(in, nullptr, false);
        std::string reason;
        if (j.is_discarded() || !j.is_object() || !j.contains("pair") || !pair_->loadJson(j["pair"], &reason)) {
            why = "cannot read simulation state " + statePath_ + (reason.empty() ? ": not a state file" : ": " + reason);
            return false;
        }
    }
    device_ = backend_.plugDongle(pair_);
    return true;
}

void SimulatedLine::attach(EventLoop& loop, Notifier& unitDone, std::function<void()> devicesChanged) {
    devicesChanged_ = std::move(devicesChanged);
    unitDone_ = unitDone.connect([this] { this->unitDone(); });
    takeOut_ = loop.createTimer(timing_.takeOutMs, [this] {
        takeOut_->setEnabled(false);
        takeOut();
    });
    // Detection acts on a changed number of HID interfaces: it must see the
    // receiver gone before the next one arrives, or the two cancel out.
    const uint32_t replugMs = std::max(timing_.replugMs, 2 * Station::kHotplugSettleMs);
    replug_ = loop.createTimer(replugMs, [this] {
        replug_->setEnabled(false);
        plugFresh();
    });
    devicesChanged_();
}

void SimulatedLine::unitDone() {
    ++units_;
    std::string why;
    if (!save(why)) std::fprintf(stderr, "kestrelon-mfg: %s\n", why.c_str());
    takeOut_->setEnabled(true);
}

void SimulatedLine::takeOut() {
    backend_.unplug(device_);
    device_ = -1;
    devicesChanged_();
    replug_->setEnabled(true);
}

void SimulatedLine::plugFresh() {
    sim::PairConfig cfg;
    cfg.seed = 1000 + static_cast<uint64_t>(units_);
    pair_ = std::make_shared<sim::PairFirmware>(cfg, [this] { return clock_.nowMicros(); });
    device_ = backend_.plugDongle(pair_);
    if (devicesChanged_) devicesChanged_();
}

bool SimulatedLine::keepAtClose(std::string& why) { return units_ > 0 || save(why); }

bool SimulatedLine::save(std::string& why) {
    if (statePath_.empty()) return true;
    pair_->settle();
    nlohmann::json j;
    j["pair"] = pair_->toJson();
    const std::string tmp = statePath_ + ".tmp";
    {
        std::ofstream out(tmp, std::ios::trunc);
        out << j.dump(1) << "\n";
        if (!out.flush()) {
            why = "cannot write simulation state " + statePath_;
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(tmp, statePath_, ec);
    if (ec) {
        why = "cannot write simulation state " + statePath_ + ": " + ec.message();
        return false;
    }
    return true;
}

} // namespace kestrelon
