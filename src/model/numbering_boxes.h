#pragma once
// The numbering panel's controls as the window shows them: the RX and TX
// serial-number boxes and the RF-ID row. The numbering panel's handlers
// change them; the window draws them.

#include <string>

namespace kestrelon {

struct SerialBoxes {
    bool IsSN = false;            // cbRX_IsSN
    bool IsDate = false;          // cbRX_IsDate
    bool dateVisible = false;     // cbRX_IsDate and lblRX_Date shown
    std::string DateLabel = "2009.01.01";
    int FixByteCount = 0;         // edtRX_FixByteCount
    int IncByteCount = 0;         // edtRX_IncByteCount
    bool FixAscii = false;        // rbRX_FixAscii
    bool FixHex = false;          // rbRX_FixHex
    std::string FixSN;            // edtRX_FixSN
    bool fixHexFilter = false;
    bool fixUpperCase = true;
    int fixMaxLength = 12;
    bool fixEnabled = false;
    std::string IncInitSN;        // edtRX_IncInitSN
    int initMaxLength = 12;
    bool initEnabled = false;
    std::string IncCurrentSN;     // read-only, filled after a passed unit
    std::string IncNextSN;        // read-only
    int height = 95;              // group box height
    bool operator==(const SerialBoxes&) const = default;
};

struct RFIDBoxes {
    bool Random = false;          // rbRX_RandomRFID
    bool Custom = false;          // rbRX_CustomRFID
    std::string IncInitRFID;      // edtRX_IncInitRFID
    std::string IncCurrentRFID;   // read-only, filled after a passed unit
    std::string IncNextRFID;      // read-only
    bool operator==(const RFIDBoxes&) const = default;
};

struct NumberingBoxes {
    SerialBoxes rx, tx;
    RFIDBoxes rxId, txId;
    int BaseHeight = 740;         // window height rule: both boxes + 550
    bool operator==(const NumberingBoxes&) const = default;
};

} // namespace kestrelon
