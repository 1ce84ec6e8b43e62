#pragma once
// The numbering panel without a window: the state of every control of the
// RX / TX serial-number boxes and the RF-ID row, and the change handlers that
// carry the rules between those controls and the generators. A window binds
// its widgets to this class; the command line uses it as it is, so both
// start up and number units along the same path.
//
// As with real controls, a handler runs only when its control's value
// actually changes, whether the operator or the program changed it; the
// handlers set other controls and so run those controls' handlers in turn.

#include "model/numbering_boxes.h"
#include "model/observed.h"
#include "numbering/generators.h"
#include "numbering/settings_file.h"

#include <functional>
#include <string>

namespace kestrelon {

enum class NumberingRow { Rx, Tx };

// What the Current and Next boxes show after a passed unit; a row the
// advance leaves alone is not `advanced` and its boxes keep their text.
struct PassDisplay {
    struct Row {
        bool advanced = false;
        std::string current, next;
    };
    Row rxSN, txSN, rxRFID, txRFID;
};

// The RF IDs a production run gives one unit: one read of each generator,
// RX first; the mouse's one higher when both are equal.
struct UnitRFIDs {
    int32_t rx = 0;
    int32_t tx = 0;
};
UnitRFIDs ReadUnitRFIDs(NumberingGenerators& g);

// The counter advance after a passed unit: serial numbers move on when
// numbering is on with an incrementing part; sequential RF IDs record the
// IDs used (and the Next boxes show the ID the next unit gets).
PassDisplay AdvanceAfterPass(NumberingGenerators& g, const UnitRFIDs& used);
// The same in two steps, as a reservation takes them: the serial numbers
// move on when a unit's numbers are taken, the rest once it has passed.
void AdvanceSerials(NumberingGenerators& g);
PassDisplay ShowPassed(NumberingGenerators& g, const UnitRFIDs& used);

class NumberingPanel {
public:
    // save: the settings write every handler ends with. error: shows a
    // message (a refused hex entry).
    // boxes: the panel's controls in the presentation model.
    NumberingPanel(NumberingGenerators& generators, Observed<NumberingBoxes>& boxes, std::function<void()> save,
                   std::function<void(const std::string&)> error = {});

    const SerialBoxes& serial(NumberingRow r) const { return r == NumberingRow::Rx ? boxes_->rx : boxes_->tx; }
    const RFIDBoxes& rfid(NumberingRow r) const { return r == NumberingRow::Rx ? boxes_->rxId : boxes_->txId; }
    int BaseHeight() const { return boxes_->BaseHeight; }
    // gbSetting enabled (the settings lock is open): gates the Fixed and
    // Initial boxes.
    void setSettingsEnabled(bool on);

    // Control changes, by the operator or the program. Each runs the
    // control's handler when the value differs.
    void setIsSN(NumberingRow r, bool checked);
    void setIsDate(NumberingRow r, bool checked);
    void setFixByteCount(NumberingRow r, int value);
    void setIncByteCount(NumberingRow r, int value);
    void setFixSNText(NumberingRow r, const std::string& text);
    void setIncInitSNText(NumberingRow r, const std::string& text);
    void checkFixAscii(NumberingRow r);
    void checkFixHex(NumberingRow r);
    void setIncInitRFIDText(NumberingRow r, const std::string& text);
    void checkRandomRFID(NumberingRow r);
    void checkCustomRFID(NumberingRow r);

    // The handlers, by the names of the controls that fire them.
    void cbRX_IsSNClick(NumberingRow r);
    void cbRX_IsDateClick(NumberingRow r);
    void edtRX_FixByteCountChange(NumberingRow r);
    void edtRX_IncByteCountChange(NumberingRow r);
    void edtRX_FixSNChange(NumberingRow r);
    void edtRX_IncInitSNChange(NumberingRow r);
    void rbRX_FixAsciiClick(NumberingRow r, bool ascii);
    void edtRX_IncInitRFIDChange(NumberingRow r);
    void rbRX_RandomRFIDClick(bool random);

    // Fills the panel from the generators (start-up). Filling the Initial
    // serial-number boxes here does not restart the sequences: each resumes
    // where the settings file left it.
    void ShowNumberingSettings();

    // Shows the result of AdvanceAfterPass in the Current and Next boxes.
    void showPassDisplay(const PassDisplay& d);

private:
    // Only inside a batch of boxes_: every public entry opens one, so the
    // window hears of a cascade of handlers once, at its end.
    NumberingBoxes& all() { return boxes_.data(); }
    SerialBoxes& box(NumberingRow r) { return r == NumberingRow::Rx ? all().rx : all().tx; }
    RFIDBoxes& idBox(NumberingRow r) { return r == NumberingRow::Rx ? all().rxId : all().txId; }
    TProdSN& sn(NumberingRow r) { return r == NumberingRow::Rx ? *gens_.RxSN : *gens_.TxSN; }
    TProdRFID& rf(NumberingRow r) { return r == NumberingRow::Rx ? *gens_.RxRFID : *gens_.TxRFID; }
    void setFixBoxText(NumberingRow r, std::string text);
    void setInitBoxText(NumberingRow r, std::string text);
    void showSNNext(NumberingRow r);
    void save() { if (save_) save_(); }
    void refuse(const std::string& text);

    NumberingGenerators& gens_;
    Observed<NumberingBoxes>& boxes_;
    std::function<void()> save_;
    std::function<void(const std::string&)> error_;
    bool settingsEnabled_ = false;
    bool showing_ = false;
};

// What start-up does to the numbering: load the settings file, fill the
// panel, then run cbRX_IsSNClick for the RX box (the Station takes the same
// steps with the window's own start-up steps in between; a preview takes
// them here). The load's result tells whether units may be programmed.
LoadResult StartUpNumbering(SettingsFile& file, ProductSettings& settings, RunState& run, KnownDeviceTable& devices,
                      NumberingGenerators& generators, NumberingPanel& panel,
                      const std::function<void(int)>& onModelChange = {});

} // namespace kestrelon
