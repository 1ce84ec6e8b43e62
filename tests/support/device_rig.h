#pragma once
// The command set and detection on a simulated PC and virtual clock, with a
// back end in between that can hide interfaces from single enumeration
// walks, fail fetches and watch or alter frames on their way.

#include "app/link_presenter.h"
#include "app/engineering_page.h"
#include "device/detection.h"
#include "platform/trace.h"
#include "support/message_recorder.h"
#include "platform/virtual_clock.h"
#include "sim/pair_firmware.h"
#include "sim/sim_hid_backend.h"

#include <algorithm>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kestrelon::test {

class HookedBackend : public HidBackend {
public:
    explicit HookedBackend(HidBackend& inner) : inner_(inner) {}

    // Per enumeration walk, in order: how many interfaces to leave off the
    // end of the list (a count that flickers while a device settles).
    std::deque<int> hideLast;
    // Sees every set-feature request before the device does.
    std::function<void(const CommandFrame&)> onSet;
    // Asked before every get; true fails it without reaching the device.
    // bare: a plain fetch (only the report ID set), not the get of a set-get.
    std::function<bool(bool bare)> failGet;
    // May change an answer; code is the command of the last request sent.
    std::function<void(uint8_t code, uint8_t* answer)> editAnswer;

    bool start(std::string& why) override { return inner_.start(why); }
    std::vector<HidInterfaceInfo> enumerate() override {
        auto list = inner_.enumerate();
        if (!hideLast.empty()) {
            const auto n = static_cast<size_t>(std::max(0, hideLast.front()));
            hideLast.pop_front();
            list.resize(list.size() - std::min(n, list.size()));
        }
        return list;
    }
    std::unique_ptr<HidDevice> open(const std::string& path, std::string* why = nullptr) override {
        auto dev = inner_.open(path, why);
        if (!dev) return nullptr;
        return std::make_unique<Device>(*this, std::move(dev));
    }

private:
    class Device : public HidDevice {
    public:
        Device(HookedBackend& b, std::unique_ptr<HidDevice> inner) : b_(b), inner_(std::move(inner)) {}
        bool getAttributes(HidAttributes& out) override { return inner_->getAttributes(out); }
        bool getFeatureReportLength(int& out) override { return inner_->getFeatureReportLength(out); }
        bool setFeature(const uint8_t* data, size_t len) override {
            CommandFrame f{};
            std::copy_n(data, std::min(len, f.size()), f.begin());
            b_.lastCode_ = f[1];
            if (b_.onSet) b_.onSet(f);
            return inner_->setFeature(data, len);
        }
        bool getFeature(uint8_t* data, size_t len) override {
            const bool bare = std::all_of(data + 1, data + len, [](uint8_t v) { return v == 0; });
            if (b_.failGet && b_.failGet(bare)) return false;
            const bool ok = inner_->getFeature(data, len);
            if (ok && b_.editAnswer) b_.editAnswer(b_.lastCode_, data);
            return ok;
        }

    private:
        HookedBackend& b_;
        std::unique_ptr<HidDevice> inner_;
    };

    HidBackend& inner_;
    uint8_t lastCode_ = 0;
};

struct DeviceRig {
    Trace trace;
    VirtualClock clock{&trace};
    sim::SimHidBackend sim{clock, &trace};
    HookedBackend backend{sim};
    std::shared_ptr<sim::PairFirmware> pair;
    int dongleDevice = -1;
    HidAccess hid{backend, clock, clock};
    DeviceLink link;
    Transport transport{hid, link};
    RunState run;
    PresentationModel ui;
    EngineeringState& eng = ui.engineering;
    MessageRouter router;
    MessageRecorder recorded;
    PairingState pairing;
    WindowTimers timers;
    DeviceCalls calls{transport};
    EngineeringPage cmd{calls, transport, run, ui.options, ui.engineering, MouseRxChosen(ui.devices), router};
    LinkPresenter presenter{ui.devices, ui.result, ui.progress};
    Detection det{hid, DeviceAccess{transport, link, calls},
                  Detection::View{ui.options, ui.language, MouseRxChosen(ui.devices)},
                  Detection::Shared{run, pairing, timers}, presenter};

    // The PC's usual devices (4 interfaces) and, with plug, the receiver (3).
    explicit DeviceRig(sim::PairConfig config = {}, bool plug = true) {
        sim.setTransferMicros(0);
        sim.plugTypicalPcDevices();
        pair = std::make_shared<sim::PairFirmware>(config, [this] { return clock.nowMicros(); });
        if (plug) plugDongle();
        FillBuiltInDevices(det.KnownDevices);
        router.install(&recorded);
        run.RunMode = RunIdle;
    }

    void plugDongle() { dongleDevice = sim.plugDongle(pair); }

    const DeviceStatus& devices() const { return *ui.devices; }
    void options(const std::function<void(ProductSettings&)>& f) { ui.options.edit(f); }

    // Opens the receiver the way detection does, without its status work.
    bool open() {
        return hid.OpenDongle(link, pair->vendorId(), pair->productId());
    }

    // The requests sent since the trace was last cleared, "01 03 2F 00 ..." each.
    std::vector<std::string> sentFrames() const {
        std::vector<std::string> out;
        for (const auto& t : trace.tokens(true))
            if (t[0] == 'S') out.push_back(t.substr(t.find(':') + 1));
        return out;
    }
    size_t transfers() const {
        return trace.count(TraceEntry::Kind::SetFeature) + trace.count(TraceEntry::Kind::GetFeature);
    }
    int countSent(const std::string& prefix) const {
        int n = 0;
        for (const auto& s : sentFrames()) n += s.rfind(prefix, 0) == 0;
        return n;
    }
};

} // namespace kestrelon::test
