#pragma once
// One key press programs one dongle and one mouse: Go (pre-checks, timers,
// timing, closing the connection) around the production cycle proper.

#include "device/device_access.h"
#include "device/link_status.h"
#include "model/messages.h"
#include "model/pairing_state.h"
#include "model/presentation.h"
#include "model/run_state.h"
#include "model/window_timers.h"
#include "numbering/unit_numbers.h"
#include "production/pairing.h"
#include "production/unit_images.h"

#include <cstdint>
#include <functional>
#include <string>

namespace kestrelon {

struct RecordOrigin;

// What one Go left on the window, for a front end to report.
struct UnitRecord {
    bool refused = false;   // a lamp was dark, or the unit's numbers could not be reserved: nothing ran
    bool retryLater = false;   // refused for a cause that may pass by itself (the number store does not answer)
    std::string unitId;     // shared by the unit's records; empty when nothing was reserved
    bool passed = false;
    LocalDateTime started;
    int vendorId = 0, productId = 0, dongleVersion = 0;   // the receiver
    int model = 0;          // the selected model's item index
    uint32_t elapsedMs = 0;
    std::string elapsed;    // as edtCaliTime shows it
    uint64_t keepingMicros = 0;   // spent reserving, recording and settling the unit's numbers
    std::string rfId;       // the RX ID, as edtMseDongleAddr shows it
    std::string rxSn, txSn;
    int32_t rxRfid = -1, txRfid = -1;   // the IDs used, before bit 7 is set; -1 before they were read
    std::string reason;     // for a FAIL: the step that failed; for a refusal: why
    std::string deviceError;   // for a FAIL at a device operation: which one, and its address
    std::string settingsError;   // the counters could not be brought up to date after the verdict
    std::string logError;
    std::string recordError;
};

// What the run leaves outside the devices: the companion program started
// after a passing unit, the production log, the record of every unit.
struct Companion {
    std::string currentDirectory = ".";   // where the program and the log live
    std::function<bool(const std::string&)> startProgram;
    std::string recordFile;               // overrides the settings' RecordFile when set
    std::string station, program;         // named in each record
    std::string defaultRecordFile;        // when the settings name none: beside the settings file
};

class ProductionRun {
public:
    struct Parts {
        Pacing pacing;
        DeviceAccess device;
        LinkStatus& linkStatus;   // detection, as far as the run needs it
        Pairing& pairing;
        PairingState& pairingState;
        RunState& run;
        UnitNumbers& numbers;
        Observed<ProductSettings>& options;
        OperatorView view;
        const Companion& companion;
    };
    explicit ProductionRun(Parts p) : p_(p) {}

    void btnGoClick();
    void btnSetTXClick();
    // Page Down (virtual-key 0x22) starts Go while the button is enabled.
    void FormKeyDown(int key);
    void tmrIsTxLinkTimer();

    const UnitRecord& lastUnit() const { return unit_; }
    // The record file units are written to now; empty when records are off.
    std::string recordPath() const;
    // True while a production cycle runs (inside Go, between its pumps).
    bool running() const { return inCycle_; }
    // Told when a Go that ran a cycle has ended, whoever started it (the
    // button, Page Down, the automatic start); lastUnit() holds the unit.
    Notifier unitDone;

    // "1.005" for 1005 ms: whole seconds, a point, three digits.
    static std::string ElapsedText(uint32_t ms);
    // "Please Check Device:" and a line for each dark lamp, mouse first.
    static std::string CheckDeviceText(const Language& language, bool mouseDark, bool dongleDark);

private:
    // Why Go may not start now (a dark lamp, numbers that could not be
    // kept); empty when it may.
    std::string refusal();
    void autoGo();
    // Names the step the following device operations serve.
    void step(const char* name);
    // False once an operation has failed; the unit's reason is then the
    // step that operation served.
    bool check();
    void progress(int n);
    bool fillMouseImage();
    bool placeRfIds();
    bool writeMouse();
    bool fillDongleImage();
    bool writeDongle();
    void waitForMouse();
    void bindKeyboard();
    void verdict();
    void showResult(const char* text, ResultColor color);
    void startRecord();
    bool beginUnit();
    void endUnit();
    bool record(const std::string& line);
    RecordOrigin origin() const;

    Parts p_;
    UnitRecord unit_;
    uint32_t unitStartTick_ = 0;
    bool inCycle_ = false;
    // The unit's numbers, reserved before the cycle writes anything.
    ReservedNumbers numbers_;
    bool reserved_ = false;
    // What the unit's images are built from, and what they could not hold.
    UnitImageInputs imageInputs_;
    std::string descriptorError_;
    std::string toldRefusal_;   // the cause of the last refused Go, told once
};

} // namespace kestrelon
