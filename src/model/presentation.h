#pragma once
// Everything the main window shows, kept by the core so that detection,
// pairing and the production cycle can be driven and checked without a
// window. Each group announces its changes on its own; the window redraws
// exactly the group that changed and never polls.

#include "model/debug_list.h"
#include "model/engineering_state.h"
#include "model/lang.h"
#include "model/messages.h"
#include "model/numbering_boxes.h"
#include "model/observed.h"
#include "model/product_settings.h"

#include <cstdint>
#include <string>

namespace kestrelon {

enum class LampColor { Green, Red };

// ThhALed: lit or not, and the colour it shows when lit.
struct Lamp {
    bool Value = false;
    LampColor TrueColor = LampColor::Green;
    bool operator==(const Lamp&) const = default;
};

// A lamp in words, as the command line tells it: "off", "green" or "red".
inline const char* LampText(const Lamp& lamp) {
    if (!lamp.Value) return "off";
    return lamp.TrueColor == LampColor::Green ? "green" : "red";
}

enum class ConnectPicture { NoneDev, Bind, Connected };   // imgNoneDev, gifBind, imgConnected

// The dongle and mouse status and the controls it enables.
struct DeviceStatus {
    Lamp ledRX, ledTX;
    std::string edtRX = "Mouse RX Not Ready";
    std::string edtTX = "Mouse TX Not Ready";
    std::string edtVID, edtPID;                      // the open dongle's IDs
    ConnectPicture picture = ConnectPicture::NoneDev;
    bool gifBindAnimating = true;
    bool rbKB_Enabled = false, rbMSE_Enabled = false;
    bool rbMSE_Checked = true;                       // RX type sent to the dongle: mouse or keyboard
    bool btnConnectEnabled = false;
    uint8_t btnConnectCaptionId = text_id::ConnectCaption;   // or text_id::ConnectingCaption
    bool btnGoEnabled = false;
    bool operator==(const DeviceStatus&) const = default;
};

// The colours the result label takes.
enum class ResultColor { None, Lime, Blue, Red };

// The result area of the Go group.
struct ResultArea {
    std::string lblResult;
    ResultColor lblResultColor = ResultColor::None;
    bool Image1Visible = true;    // idle picture
    bool Image2Visible = false;   // waiting picture (keyboard binding)
    std::string edtMseDongleAddr, edtTX_SN, edtRX_SN, edtCaliTime;
    // About the last Go, under the verdict: the failed step after FAIL, the
    // serial numbers and RF IDs after PASS, why a Go did not start.
    std::string unitInfo;
    bool operator==(const ResultArea&) const = default;

    void clearDisplays() {
        lblResult.clear();
        lblResultColor = ResultColor::None;
        Image1Visible = false;
        edtMseDongleAddr.clear();
        edtTX_SN.clear();
        edtRX_SN.clear();
        edtCaliTime.clear();
        unitInfo.clear();
    }
};

// The erase buttons follow their check boxes, not the settings lock.
struct EraseButtons {
    bool suiButton2Enabled = false;   // "Erase TX"
    bool suiButton1Enabled = false;   // "Erase RX"
    bool operator==(const EraseButtons&) const = default;
};

// The settings lock: gbSetting enabled means unlocked.
struct LockState {
    bool unlocked = false;
    int UnlockTries = 0;
    bool operator==(const LockState&) const = default;
};

struct PresentationModel {
    Observed<DeviceStatus> devices;
    Observed<ResultArea> result;
    Observed<int> progress;             // pbSetTX, 0..20
    Observed<EraseButtons> erase;
    Observed<ProductSettings> options;   // the setting controls
    Observed<NumberingBoxes> numbering;
    Observed<LockState> lock;
    EngineeringState engineering;        // the hidden pages' operand edits
    Language language;
    DebugList debug;                     // lstDebug
};

// What an operation shows the operator while it runs: the status and the
// result area, the progress bar, the debug list and the messages, in the
// current language.
struct OperatorView {
    Observed<DeviceStatus>& devices;
    Observed<ResultArea>& result;
    Observed<int>& progress;
    DebugList& debug;
    MessageRouter& messages;
    const Language& language;
};

} // namespace kestrelon
