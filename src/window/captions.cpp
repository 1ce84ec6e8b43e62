#include "window/captions.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>

namespace kestrelon {

const std::vector<CaptionRow>& CaptionTable() {
    static const std::vector<CaptionRow> table = {
        {0x00, {"gbSysStatus"}},
        {0x07, {"gbCustKey"}},
        {0x08, {"lblHK1"}},
        {0x09, {"lblHK2"}},
        {0x27, {"lblRFPower"}},
        {0x28, {"cbResetRF"}},
        {0x0A, {"gbISS"}},
        {0x0B, {"rbRF_DR_15", "rbRF_DR_5A"}},
        {0x0C, {"rbRF_DR_1A", "rbRF_DR_55"}},
        {0x0D, {"gbWKUP"}},
        {0x0E, {"rbRF_DR_25"}},
        {0x0F, {"rbRF_DR_2A"}},
        {0x10, {"gbCPI"}},
        {0x11, {"rbRF_CPI_H"}},
        {0x12, {"rbRF_CPI_L"}},
        {0x13, {"gbNL"}},
        {0x14, {"rbRF_DR_45"}},
        {0x15, {"rbRF_DR_4A"}},
        {0x16, {"rbRF_DR_4F"}},
        {0x18, {"gbPO_BIND"}},
        {0x19, {"gbBTY"}},
        {0x25, {"btnGo"}},
        {0x17, {"cbKeyboardbind"}},
        {0x1D, {"gbVIDPID"}},
        {0x1E, {"lblStrDesc"}},
        {0x1B, {"btnEEPROM_R_VID", "btnEEPROM_R_PID", "btnEEPROM_R_20"}},
        {0x1C, {"btnEEPROM_W_VID", "btnEEPROM_W_PID", "btnEEPROM_W_20"}},
        {0x26, {"lblHotKey"}},
        {0x29, {"cbRX_IsSN", "cbTX_IsSN"}},
        {0x2A, {"cbRX_IsDate", "cbTX_IsDate"}},
        {0x2B, {"lblRX_FixSN", "lblTX_FixSN"}},
        {0x2C, {"lblRX_IncSN", "lblTX_IncSN"}},
        {0x2D, {"lblRX_FixSNByte", "lblRX_IncSNByte", "lblTX_FixSNByte", "lblTX_IncSNByte"}},
        {0x2E, {"lblRX_FixSNV", "lblTX_FixSNV"}},
        {0x2F, {"lblRX_IncInitSN", "lblTX_IncInitSN", "lblRX_IncInitRFID", "lblTX_IncInitRFID"}},
        {0x30, {"lblRX_IncCurrentSN", "lblTX_IncCurrentSN", "lblRX_IncCurrentRFID", "lblTX_IncCurrentRFID"}},
        {0x31, {"lblRX_IncNextSN", "lblTX_IncNextSN", "lblRX_IncNextRFID", "lblTX_IncNextRFID"}},
        {0x32, {"rbRX_RandomRFID", "rbTX_RandomRFID"}},
        {0x33, {"rbRX_CustomRFID", "rbTX_CustomRFID"}},
        {0x37, {"lblRFIDNOTE"}},
        {0x34, {"gbRXType"}},
        {0x35, {"rbMouseOnly"}},
        {0x36, {"rbKbdMse"}},
    };
    return table;
}

void SetCaption(QWidget* control, const QString& text) {
    if (auto* g = qobject_cast<QGroupBox*>(control)) g->setTitle(text);
    else if (auto* b = qobject_cast<QAbstractButton*>(control)) b->setText(text);
    else if (auto* l = qobject_cast<QLabel*>(control)) l->setText(text);
}

QString Caption(const QWidget* control) {
    if (auto* g = qobject_cast<const QGroupBox*>(control)) return g->title();
    if (auto* b = qobject_cast<const QAbstractButton*>(control)) return b->text();
    if (auto* l = qobject_cast<const QLabel*>(control)) return l->text();
    return {};
}

void ApplyLanguage(QWidget& form, const TextLookup& text, bool pairingInProgress, TLanguateKind language) {
    auto set = [&](const char* name, uint8_t id) {
        if (QWidget* w = form.findChild<QWidget*>(QLatin1String(name))) SetCaption(w, QString::fromStdString(text(id)));
    };
    for (const CaptionRow& row : CaptionTable())
        for (const char* name : row.controls) set(name, row.id);
    set("btnCombo_Cmd_Soft_Bind_SW", pairingInProgress ? 0x04 : 0x03);

    const int left = language == lkChs ? 90 : 65;
    for (const char* name : {"cbCustKey1", "cbCustKey2"})
        if (QWidget* w = form.findChild<QWidget*>(QLatin1String(name))) w->move(left, w->y());
}

} // namespace kestrelon
