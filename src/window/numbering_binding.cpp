#include "window/numbering_binding.h"

#include "widgets/varo_edit.h"
#include "window/bind_util.h"
#include "window/main_form.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QRadioButton>

namespace kestrelon {

namespace {

template <class W>
W* Named(const TForm1& form, const char* tag, const char* rest) {
    const QString name = QString::fromLatin1(rest).arg(QLatin1String(tag));
    auto* w = qobject_cast<W*>(form.control(name));
    Q_ASSERT_X(w, "NumberingBinding", qPrintable(name));
    return w;
}

} // namespace

NumberingBinding::NumberingBinding(TForm1& form, Observed<NumberingBoxes>& boxes, NumberingPanel& panel)
    : form_(form),
      boxes_(boxes),
      panel_(panel),
      rows_{find(NumberingRow::Rx, "RX"), find(NumberingRow::Tx, "TX")},
      rxDateShown_(boxes->rx.DateLabel),
      txDateShown_(boxes->tx.DateLabel) {}

NumberingBinding::~NumberingBinding() = default;

NumberingBinding::Row NumberingBinding::find(NumberingRow r, const char* t) const {
    const TForm1& f = form_;
    return Row{r,
               Named<QGroupBox>(f, t, "gb%1"),
               Named<QCheckBox>(f, t, "cb%1_IsSN"),
               Named<QCheckBox>(f, t, "cb%1_IsDate"),
               Named<QLabel>(f, t, "lbl%1_Date"),
               Named<QSpinBox>(f, t, "edt%1_FixByteCount"),
               Named<QSpinBox>(f, t, "edt%1_IncByteCount"),
               Named<THexEdit>(f, t, "edt%1_FixSN"),
               Named<THexEdit>(f, t, "edt%1_IncInitSN"),
               Named<QRadioButton>(f, t, "rb%1_FixAscii"),
               Named<QRadioButton>(f, t, "rb%1_FixHex"),
               Named<QLineEdit>(f, t, "edt%1_IncCurrentSN"),
               Named<QLineEdit>(f, t, "edt%1_IncNextSN"),
               Named<QRadioButton>(f, t, "rb%1_RandomRFID"),
               Named<QRadioButton>(f, t, "rb%1_CustomRFID"),
               Named<THexEdit>(f, t, "edt%1_IncInitRFID"),
               Named<QLineEdit>(f, t, "edt%1_IncCurrentRFID"),
               Named<QLineEdit>(f, t, "edt%1_IncNextRFID")};
}

void NumberingBinding::Bind() {
    for (const Row& w : rows_) connectRow(w);
    listener_ = boxes_.changed.connect([this] { draw(); });
    draw();
}

void NumberingBinding::connectRow(const Row& w) {
    NumberingPanel& p = panel_;
    const NumberingRow r = w.row;
    const auto text = [](const QString& s) { return s.toStdString(); };
    QObject::connect(w.IsSN, &QCheckBox::toggled, &form_, [&p, r](bool on) { p.setIsSN(r, on); });
    QObject::connect(w.IsDate, &QCheckBox::toggled, &form_, [&p, r](bool on) { p.setIsDate(r, on); });
    QObject::connect(w.FixByteCount, &QSpinBox::valueChanged, &form_, [&p, r](int v) { p.setFixByteCount(r, v); });
    QObject::connect(w.IncByteCount, &QSpinBox::valueChanged, &form_, [&p, r](int v) { p.setIncByteCount(r, v); });
    QObject::connect(w.FixSN, &QLineEdit::textChanged, &form_,
                     [&p, r, text](const QString& s) { p.setFixSNText(r, text(s)); });
    QObject::connect(w.IncInitSN, &QLineEdit::textChanged, &form_,
                     [&p, r, text](const QString& s) { p.setIncInitSNText(r, text(s)); });
    QObject::connect(w.FixAscii, &QRadioButton::toggled, &form_, [&p, r](bool on) {
        if (on) p.checkFixAscii(r);
    });
    QObject::connect(w.FixHex, &QRadioButton::toggled, &form_, [&p, r](bool on) {
        if (on) p.checkFixHex(r);
    });
    QObject::connect(w.RandomRFID, &QRadioButton::toggled, &form_, [&p, r](bool on) {
        if (on) p.checkRandomRFID(r);
    });
    QObject::connect(w.CustomRFID, &QRadioButton::toggled, &form_, [&p, r](bool on) {
        if (on) p.checkCustomRFID(r);
    });
    QObject::connect(w.IncInitRFID, &QLineEdit::textChanged, &form_,
                     [&p, r, text](const QString& s) { p.setIncInitRFIDText(r, text(s)); });
}

void NumberingBinding::draw() {
    const NumberingBoxes& b = *boxes_;
    drawRow(rows_[0], b.rx, b.rxId, rxDateShown_);
    drawRow(rows_[1], b.tx, b.txId, txDateShown_);
    // The boxes' heights: gbTX follows gbRX, and the window keeps its
    // height through BaseHeight and the layout rule.
    QGroupBox* rx = rows_[0].box;
    QGroupBox* tx = rows_[1].box;
    const int txTop = rx->y() + rx->height();
    if (tx->y() != txTop) tx->move(tx->x(), txTop);
    if (form_.BaseHeight != b.BaseHeight) {
        form_.BaseHeight = b.BaseHeight;
        form_.FormResize();
    }
}

void NumberingBinding::drawRow(const Row& w, const SerialBoxes& sn, const RFIDBoxes& id, std::string& dateShown) {
    draw::Checked(w.IsSN, sn.IsSN);
    draw::Checked(w.IsDate, sn.IsDate);
    draw::Visible(w.IsDate, sn.dateVisible);
    draw::Visible(w.Date, sn.dateVisible);
    if (sn.DateLabel != dateShown) {
        dateShown = sn.DateLabel;
        draw::Text(w.Date, sn.DateLabel);
    }
    draw::Value(w.FixByteCount, sn.FixByteCount);
    draw::Value(w.IncByteCount, sn.IncByteCount);
    w.FixSN->setFilter(sn.fixHexFilter);
    w.FixSN->setUpperCase(sn.fixUpperCase);
    draw::MaxLength(w.FixSN, sn.fixMaxLength);
    draw::Text(w.FixSN, sn.FixSN);
    draw::Enabled(w.FixSN, sn.fixEnabled);
    draw::Checked(w.FixAscii, sn.FixAscii);
    draw::Checked(w.FixHex, sn.FixHex);
    draw::MaxLength(w.IncInitSN, sn.initMaxLength);
    draw::Text(w.IncInitSN, sn.IncInitSN);
    draw::Enabled(w.IncInitSN, sn.initEnabled);
    draw::Text(w.IncCurrentSN, sn.IncCurrentSN);
    draw::Text(w.IncNextSN, sn.IncNextSN);
    if (w.box->height() != sn.height) w.box->resize(w.box->width(), sn.height);

    draw::Checked(w.RandomRFID, id.Random);
    draw::Checked(w.CustomRFID, id.Custom);
    draw::Text(w.IncInitRFID, id.IncInitRFID);
    draw::Text(w.IncCurrentRFID, id.IncCurrentRFID);
    draw::Text(w.IncNextRFID, id.IncNextRFID);
}

} // namespace kestrelon
