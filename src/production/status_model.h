#pragma once
// What the main window shows of the devices and the run, kept by the core so
// that detection, pairing and the production cycle can be driven and
// checked without a window. The window draws it; tests read it.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kestrelon {

enum class LampColor { Green, Red };

struct Lamp {
    bool Value = false;                  // lit
    LampColor TrueColor = LampColor::Green;
};

enum class ConnectPicture { NoneDev, Bind, Connected };   // imgNoneDev, gifBind, imgConnected

// The colours the result label takes.
enum class ResultColor { None, Lime, Blue, Red };

struct StatusModel {
    // Dongle and mouse status (lamps with their texts).
    Lamp ledRX, ledTX;
    std::string edtRX = "Mouse RX Not Ready";
    std::string edtTX = "Mouse TX Not Ready";
    std::string edtVID, edtPID;                      // the open dongle's IDs
    ConnectPicture picture = ConnectPicture::NoneDev;
    bool gifBindAnimating = true;
    bool rbKB_Enabled = false, rbMSE_Enabled = false;
    bool rbMSE_Checked = true;                       // RX type sent to the dongle: mouse or keyboard
    bool btnConnectEnabled = false;
    uint8_t btnConnectCaptionId = 0x03;              // "&Connect" / 0x04 "&Connecting"
    bool btnGoEnabled = false;
    bool cbKeyboardbindVisible = false;             // only offered for keyboard + mouse receivers
    bool languageDialogShowing = false;

    // The result area of the Go group.
    std::string lblResult;
    ResultColor lblResultColor = ResultColor::None;
    bool Image1Visible = true;                       // idle picture
    bool Image2Visible = false;                      // waiting picture (keyboard binding)
    std::string edtMseDongleAddr, edtTX_SN, edtRX_SN, edtCaliTime;
    int pbSetTX = 0;                                 // 0..20

    std::vector<std::string> lstDebug;               // the hidden debug list

    // A modal message (dlgError, dlgBind, plain boxes). The window shows a
    // dialog; without one the messages are kept in order.
    std::function<void(const std::string& caption, const std::string& text)> showMessage;
    std::vector<std::pair<std::string, std::string>> messages;

    void message(const std::string& caption, const std::string& text) {
        messages.emplace_back(caption, text);
        if (showMessage) showMessage(caption, text);
    }
    void clearResultDisplays() {
        lblResult.clear();
        lblResultColor = ResultColor::None;
        Image1Visible = false;
        edtMseDongleAddr.clear();
        edtTX_SN.clear();
        edtRX_SN.clear();
        edtCaliTime.clear();
    }
};

} // namespace kestrelon
