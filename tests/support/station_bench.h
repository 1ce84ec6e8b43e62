#pragma once
// A whole Station on a simulated PC and the virtual clock, with its settings
// file and current directory in a private temporary folder. The back end in
// between lets a test watch every request and alter answers.

#include "app/station.h"
#include "numbering/temp_dir.h"
#include "platform/virtual_clock.h"
#include "sim/pair_firmware.h"
#include "sim/sim_hid_backend.h"
#include "support/device_rig.h"
#include "support/message_recorder.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kestrelon::test {

// Faults with only the named fields set: makeFaults([](auto& f) { f.mouseSilent = true; }).
template <class Set>
sim::Faults makeFaults(Set set) {
    sim::Faults f;
    set(f);
    return f;
}

struct StationBench {
    testing_support::TempDir dir;
    VirtualClock clock;
    sim::SimHidBackend sim{clock};
    HookedBackend backend{sim};
    std::shared_ptr<sim::PairFirmware> pair;
    int dongleDevice = -1;
    std::vector<CommandFrame> sent;   // every request, in order
    std::vector<std::string> started;  // programs the station started
    MessageRecorder recorded;          // the station's messages
    std::unique_ptr<Station> st;

    explicit StationBench(sim::PairConfig config = {}, bool autoRun = false,
                          std::shared_ptr<SettingsFileOps> fileOps = nullptr) {
        sim.setTransferMicros(0);
        sim.plugTypicalPcDevices();
        backend.onSet = [this](const CommandFrame& f) { sent.push_back(f); };
        StationConfig cfg;
        cfg.settingsPath = settingsPath();
        cfg.currentDirectory = directory();
        cfg.autoRun = autoRun;
        cfg.fileOps = std::move(fileOps);
        cfg.startProgram = [this](const std::string& path) {
            started.push_back(path);
            return true;
        };
        st = std::make_unique<Station>(backend, clock, clock, cfg);
        st->messages.install(&recorded);
        pair = makePair(config);
    }

    std::string directory() const { return std::filesystem::path(dir.file("x")).parent_path().string(); }
    std::string settingsPath() const { return dir.file("TX.ini"); }

    std::shared_ptr<sim::PairFirmware> makePair(sim::PairConfig config) {
        return std::make_shared<sim::PairFirmware>(config, [this] { return clock.nowMicros(); });
    }

    // Start-up and the first activation of the window.
    void startUp() {
        st->StartUp();
        st->FormActivate();
    }

    // Plugs the current pair and runs a detection tick at once; true when
    // both lamps are lit.
    bool plugAndDetect() {
        dongleDevice = sim.plugDongle(pair);
        st->detection.DetectHIDDeviceCounterTimer();
        return devices().ledRX.Value && devices().ledTX.Value;
    }

    // The operator takes the unit out and plugs the next one.
    bool nextUnit(sim::PairConfig config = {}) {
        sim.unplug(dongleDevice);
        st->detection.DetectHIDDeviceCounterTimer();
        pair = makePair(config);
        return plugAndDetect();
    }

    void sequentialIds(int32_t rx, int32_t tx) {
        auto& g = st->generators;
        g.RxRFID->setIsRandom(false);
        g.RxRFID->setIncInitRFID(rx);
        g.TxRFID->setIsRandom(false);
        g.TxRFID->setIncInitRFID(tx);
    }

    const UnitRecord& go() {
        st->production.btnGoClick();
        return st->production.lastUnit();
    }

    int countSent(const std::function<bool(const CommandFrame&)>& match) const {
        int n = 0;
        for (const auto& f : sent) n += match(f);
        return n;
    }

    std::vector<std::string> messageTexts() const {
        std::vector<std::string> out;
        for (const auto& m : recorded.messages) out.push_back(m.second);
        return out;
    }

    const DeviceStatus& devices() const { return *st->ui.devices; }
    const ResultArea& result() const { return *st->ui.result; }
    void options(const std::function<void(ProductSettings&)>& f) { st->ui.options.edit(f); }

    // Runs the clock until the timer is off or limitMs have passed.
    void pumpWhile(const std::function<bool()>& cond, uint32_t limitMs) {
        const uint32_t start = clock.GetTickCount();
        while (cond() && clock.GetTickCount() - start < limitMs) clock.waitForEvents(1000);
    }
};

} // namespace kestrelon::test
