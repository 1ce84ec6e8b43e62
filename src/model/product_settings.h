#pragma once
// The product options as the main window holds them: what the operator (or
// the settings file) chose, and what a production run turns into EEPROM
// contents. Plain data, so the run, the settings file, the command line and
// the window all share one copy. Initial values are the window's design-time
// state; the settings load replaces them.

#include "model/hex_edit.h"

#include <array>
#include <string>

namespace kestrelon {

constexpr int kNoSelection = -1;   // a combo box or list without a selected item

struct ProductSettings {
    // Model select: 0 = "01", 1 = "02", 2 = "03".
    int ModelIndex = 0;

    // RX type: rbMouseOnly (true) or rbKbdMse (false).
    bool MouseOnly = true;
    // Custom hot keys: item indexes into the hot-key list.
    int CustKey1 = 7;   // "WWW HOME"
    int CustKey2 = 8;   // "MAIL"
    // Switch CPI by L+R: rbRF_DR_15 (true, enable) or rbRF_DR_1A (false).
    bool SoftISS = false;
    // CPI: rbRF_CPI_H (true) or rbRF_CPI_L (false).
    bool CpiHigh = false;
    // Wake-up: 0 rbRF_DR_25 (motion + button), 1 rbRF_DR_2A (button only).
    int Wakeup = 0;
    // Power saving: 0 rbRF_DR_45, 1 rbRF_DR_4A, 2 rbRF_DR_4F.
    int PowerSaving = 0;
    // PowerOn auto connecting (hidden group): rbRF_DR_5A (true) or rbRF_DR_55.
    bool PowerOnAutoConnect = true;
    // Battery-low list item index (three items), or kNoSelection.
    int BatteryLevel = 2;

    bool TX_Erased = false;
    bool RX_Erased = false;

    // Fn key group.
    bool Fn_Enabled = false;
    bool FNPB = false;
    bool FnUIO = false;
    bool fndirection = false;
    int FnPR = kNoSelection;
    int FnBreak = kNoSelection;
    std::array<int, 12> FnF{kNoSelection, kNoSelection, kNoSelection, kNoSelection,
                            kNoSelection, kNoSelection, kNoSelection, kNoSelection,
                            kNoSelection, kNoSelection, kNoSelection, kNoSelection};

    // USB identity: the texts of edtVID_SET, edtPID_SET (hex, may be empty)
    // and edtEEPROM_20 (the string descriptor).
    std::string VidSet;
    std::string PidSet;
    std::string StringDesc;

    bool LRMBinding = false;
    int RFPower = 3;          // ComboRFPower item: "0", "-5", "-10", "-20" dBm
    int SleepPeriod = 56;     // suiSpinEdit1, 0-240
    int WakeupPeriod = 15;    // suiSpinEdit2, 3-19
    bool KeyboardBind = false;
    bool CallMERO = false;
    bool ResetRF = true;
    int Delay = 0;            // kept and written back, used by nothing
    std::string RecordFile;   // the record of every unit; empty: none
    // A number store shared by stations (a PostgreSQL connection URI, never
    // with its password) and the product whose generators it keeps there;
    // empty: the counters are this file's.
    std::string NumberStore;
    std::string NumberStoreProduct;

    bool operator==(const ProductSettings&) const = default;
};

} // namespace kestrelon
