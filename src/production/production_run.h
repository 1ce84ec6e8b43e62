#pragma once
// One key press programs one dongle and one mouse: Go (pre-checks, timers,
// timing, closing the connection) around the production cycle proper.

#include "numbering/numbering_panel.h"
#include "numbering/settings_file.h"

#include <cstdint>
#include <string>

namespace kestrelon {

class Station;

// What one Go left on the window, for a front end to report.
struct UnitRecord {
    bool refused = false;   // a lamp was dark: nothing ran
    bool passed = false;
    uint32_t elapsedMs = 0;
    std::string elapsed;    // as edtCaliTime shows it
    std::string rfId;       // edtMseDongleAddr
    std::string rxSn, txSn;
    int32_t rxRfid = -1, txRfid = -1;   // the IDs used, before bit 7 is set
    std::string reason;     // for a FAIL: the step that failed
    bool settingsSaved = true;
    std::string settingsError;
    std::string logError;
};

class ProductionRun {
public:
    explicit ProductionRun(Station& s) : s_(s) {}

    void btnGoClick();
    void btnSetTXClick();
    // Page Down (virtual-key 0x22) starts Go while the button is enabled.
    void FormKeyDown(int key);
    void tmrIsTxLinkTimer();

    const UnitRecord& lastUnit() const { return unit_; }

    // "1.005" for 1005 ms: whole seconds, a point, three digits.
    static std::string ElapsedText(uint32_t ms);
    // "Please Check Device:" and a line for each dark lamp, mouse first.
    static std::string CheckDeviceText(bool mouseDark, bool dongleDark);
    // The dongle transceiver code for an RF power item.
    static uint8_t RfPowerCode(int item);

private:
    bool check(const char* step);
    void progress(int n);
    bool fillMouseImage();
    bool placeRfIds();
    bool writeMouse();
    bool fillDongleImage();
    bool writeDongle();
    void waitForMouse();
    void bindKeyboard();
    void verdict();

    Station& s_;
    UnitRecord unit_;
    bool inCycle_ = false;
    UnitRFIDs ids_;
    uint8_t idBytes_[6] = {};
};

} // namespace kestrelon
