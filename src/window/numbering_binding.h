#pragma once
// The numbering panel's widgets (group boxes gbRX, gbTX and gb1) bound to
// the NumberingPanel: every change of a control goes to the panel's setter,
// which runs the control's handler; the panel's state (the presentation
// model's `numbering`) is drawn back, once per finished cascade.

#include "model/numbering_boxes.h"
#include "model/observed.h"
#include "numbering/numbering_panel.h"

#include <array>
#include <string>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace kestrelon {

class TForm1;
class THexEdit;

class NumberingBinding {
public:
    NumberingBinding(TForm1& form, Observed<NumberingBoxes>& boxes, NumberingPanel& panel);
    ~NumberingBinding();
    NumberingBinding(const NumberingBinding&) = delete;
    NumberingBinding& operator=(const NumberingBinding&) = delete;

    // Connects the widgets and draws the panel as it is.
    void Bind();

private:
    struct Row {
        NumberingRow row;
        QGroupBox* box;
        QCheckBox *IsSN, *IsDate;
        QLabel* Date;
        QSpinBox *FixByteCount, *IncByteCount;
        THexEdit *FixSN, *IncInitSN;
        QRadioButton *FixAscii, *FixHex;
        QLineEdit *IncCurrentSN, *IncNextSN;
        QRadioButton *RandomRFID, *CustomRFID;
        THexEdit* IncInitRFID;
        QLineEdit *IncCurrentRFID, *IncNextRFID;
    };
    Row find(NumberingRow r, const char* tag) const;
    void connectRow(const Row& w);
    void draw();
    void drawRow(const Row& w, const SerialBoxes& sn, const RFIDBoxes& id, std::string& dateShown);

    TForm1& form_;
    Observed<NumberingBoxes>& boxes_;
    NumberingPanel& panel_;
    std::array<Row, 2> rows_;
    // The date labels change only with the date box; start-up empties them.
    std::string rxDateShown_, txDateShown_;
    Notifier::Connection listener_;
};

} // namespace kestrelon
