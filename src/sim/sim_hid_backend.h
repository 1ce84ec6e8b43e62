#pragma once
// The simulated HID world: receivers with their three interfaces (a keyboard
// and a mouse collection without feature reports beside the vendor
// collection that carries them) and unrelated HID devices, as detection
// meets them on a real PC. Transfers spend simulated time on the clock.

#include "device/hid_backend.h"
#include "platform/clock.h"
#include "platform/trace.h"
#include "sim/pair_firmware.h"

#include <memory>
#include <vector>

namespace kestrelon::sim {

class SimHidBackend : public HidBackend {
public:
    explicit SimHidBackend(Clock& clock, Trace* trace = nullptr) : clock_(clock), trace_(trace) {}

    bool start(std::string&) override { return true; }
    std::vector<HidInterfaceInfo> enumerate() override;
    std::unique_ptr<HidDevice> open(const std::string& path, std::string* whyNot = nullptr) override;

    // Plugs a receiver; returns the device number used in its paths.
    int plugDongle(std::shared_ptr<PairFirmware> firmware);
    // Plugs an unrelated device with the given interfaces' feature lengths.
    int plugOther(uint16_t vid, uint16_t pid, const std::string& name, std::vector<int> featureLengths,
                  uint16_t version = 0x0100);
    void unplug(int device);
    // A dongle that carries its feature reports on a second, longer report
    // (for the frame-length guard), or any interface list of one's own.
    int plugCustom(uint16_t vid, uint16_t pid, uint16_t version, std::vector<int> featureLengths,
                   std::shared_ptr<PairFirmware> firmware);

    // The PC's usual HID devices: a keyboard, a mouse, a vendor device that
    // carries feature reports of its own.
    void plugTypicalPcDevices();

    void setTransferMicros(uint32_t us) { transferUs_ = us; }
    uint32_t transferMicros() const { return transferUs_; }
    uint64_t transferCount() const { return transfers_; }
    uint64_t transferMicrosSpent() const { return transferUsSpent_; }
    void setTrace(Trace* t) { trace_ = t; }

    struct SimUsbDevice;
    struct SimInterface;

    // Used by the open interfaces.
    bool transfer(SimInterface& itf, bool set, uint8_t* data, size_t len);
    bool present(const SimInterface& itf) const;

private:
    int add(uint16_t vid, uint16_t pid, uint16_t version, const std::string& name,
            const std::vector<int>& featureLengths, std::shared_ptr<PairFirmware> firmware);

    Clock& clock_;
    Trace* trace_;
    uint32_t transferUs_ = 250;   // a full-speed USB control transfer
    uint64_t transfers_ = 0;
    uint64_t transferUsSpent_ = 0;
    int nextDevice_ = 0;
    std::vector<std::shared_ptr<SimUsbDevice>> devices_;
};

} // namespace kestrelon::sim
