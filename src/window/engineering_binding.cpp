#include "window/engineering_binding.h"

#include "app/station.h"
#include "window/bind_util.h"
#include "window/main_form.h"

#include "ui_main_form.h"

namespace kestrelon {

EngineeringBinding::EngineeringBinding(TForm1& form, Station& station) : form_(form), st_(station) {
    st_.ui.engineering.forEachEdit([this](const char* name, HexEdit& edit) {
        auto* box = qobject_cast<QLineEdit*>(form_.control(QLatin1String(name)));
        Q_ASSERT_X(box, "EngineeringBinding", name);
        edits_.emplace_back(box, &edit);
    });
    cpi_ = form_.ui().edtC_RF_SETUP_CPI;
}

EngineeringBinding::~EngineeringBinding() = default;

void EngineeringBinding::onClick(const QString& button, std::function<void()> handler) {
    auto* b = qobject_cast<QAbstractButton*>(form_.control(button));
    Q_ASSERT_X(b, "EngineeringBinding", qPrintable(button));
    QObject::connect(b, &QAbstractButton::clicked, &form_, [h = std::move(handler)] { h(); });
}

void EngineeringBinding::Bind() {
    for (auto& [box, edit] : edits_)
        QObject::connect(box, &QLineEdit::textChanged, &form_,
                         [e = edit](const QString& t) { e->setText(t.toStdString()); });
    QObject::connect(cpi_, &QSpinBox::valueChanged, &form_,
                     [this](int v) { st_.ui.engineering.setC_RF_SETUP_CPI(v); });

    EngineeringPage& c = st_.commands;
    const std::pair<const char*, void (EngineeringPage::*)()> buttons[] = {
        {"btnC_Rd_Direct_Reg", &EngineeringPage::btnC_Rd_Direct_RegClick},
        {"btnC_Wrt_Direct_Reg", &EngineeringPage::btnC_Wrt_Direct_RegClick},
        {"btnRd_RFIC", &EngineeringPage::btnRd_RFICClick},
        {"btnWrt_RFIC", &EngineeringPage::btnWrt_RFICClick},
        {"btnC_JUMP_TO_POR", &EngineeringPage::btnC_JUMP_TO_PORClick},
        {"btnC_RELOAD_PARAMETER", &EngineeringPage::btnC_RELOAD_PARAMETERClick},
        {"btnC_RF_Rd_EEPROM", &EngineeringPage::btnC_RF_Rd_EEPROMClick},
        {"btnC_RF_Wrt_Index_Reg", &EngineeringPage::btnC_RF_Wrt_Index_RegClick},
        {"btnC_RF_Rd_Index_Reg", &EngineeringPage::btnC_RF_Rd_Index_RegClick},
        {"btnC_RF_Wrt_Direct_Reg", &EngineeringPage::btnC_RF_Wrt_Direct_RegClick},
        {"btnC_RF_Rd_Direct_Reg", &EngineeringPage::btnC_RF_Rd_Direct_RegClick},
        {"btnC_RF_Wrt_RFIC_RFX5820K", &EngineeringPage::btnC_RF_Wrt_RFIC_RFX5820KClick},
        {"btnC_RF_Rd_RFIC_RFX5820K", &EngineeringPage::btnC_RF_Rd_RFIC_RFX5820KClick},
        {"btnC_RF_Wrt_Sensor", &EngineeringPage::btnC_RF_Wrt_SensorClick},
        {"btnC_RF_Rd_Sensor", &EngineeringPage::btnC_RF_Rd_SensorClick},
        {"rbC_RF_ENTER_ACCESS_WO_LED", &EngineeringPage::rbC_RF_ENTER_ACCESS_WO_LEDClick},
        {"rbC_RF_ENTER_ACCESS_W_LED", &EngineeringPage::rbC_RF_ENTER_ACCESS_W_LEDClick},
        {"rbC_RF_LEAVE_ACCESS", &EngineeringPage::rbC_RF_LEAVE_ACCESSClick},
        {"btnC_RF_SETUP_CPI", &EngineeringPage::btnC_RF_SETUP_CPIClick},
        {"btnRF_DR_3C", &EngineeringPage::btnRF_DR_3CClick},
        {"btnRF_DR_3D", &EngineeringPage::btnRF_DR_3DClick},
        {"btnUpdateCustKey", &EngineeringPage::btnUpdateCustKeyClick},
    };
    for (const auto& [name, handler] : buttons) onClick(QLatin1String(name), [&c, h = handler] { (c.*h)(); });
    onClick(QStringLiteral("btnSpecialCmd1"), [&c] { c.btnSpecialCmd1Click(1); });
    onClick(QStringLiteral("btnSpecialCmd4"), [&c] { c.btnSpecialCmd1Click(4); });
    onClick(QStringLiteral("btnC_RF_Wrt_EEPROM"), [&c] { c.btnC_RF_Wrt_EEPROMClick(); });
    // The EEPROM page: one read and one write handler for every word; the
    // button's name tells the word.
    for (const char* word : {"00", "01", "02", "15", "16", "17", "18", "19"}) {
        const QString r = QStringLiteral("btnEEPROM_R_") + QLatin1String(word);
        const QString w = QStringLiteral("btnEEPROM_W_") + QLatin1String(word);
        onClick(r, [&c, n = r.toStdString()] { c.btnEEPROM_R_00Click(n); });
        onClick(w, [&c, n = w.toStdString()] { c.btnEEPROM_W_00Click(n); });
    }
    // The Device page: the RX type the dongle is told.
    for (QRadioButton* rb : {form_.ui().rbMSE, form_.ui().rbKB})
        QObject::connect(rb, &QRadioButton::toggled, &form_, [this, rb](bool on) {
            if (!on) return;
            st_.ui.devices.edit([&](DeviceStatus& d) { d.rbMSE_Checked = rb == form_.ui().rbMSE; });
            st_.commands.rbMSEClick();
        });
    // The SETTING page.
    onClick(QStringLiteral("btnLoadSetting"), [this] { st_.btnLoadSettingClick(); });
    onClick(QStringLiteral("btnWriteSetting"), [this] { st_.btnWriteSettingClick(); });
    onClick(QStringLiteral("btnSetTX"), [this] { st_.production.btnSetTXClick(); });

    engListener_ = st_.ui.engineering.changed.connect([this] { draw(); });
    devListener_ = st_.ui.devices.changed.connect([this] { drawDeviceType(); });
    draw();
    drawDeviceType();
}

void EngineeringBinding::draw() {
    for (const auto& [box, edit] : edits_) draw::Text(box, edit->text());
    draw::Value(cpi_, st_.ui.engineering.edtC_RF_SETUP_CPI());
}

void EngineeringBinding::drawDeviceType() {
    const DeviceStatus& d = *st_.ui.devices;
    draw::Checked(form_.ui().rbMSE, d.rbMSE_Checked);
    draw::Checked(form_.ui().rbKB, !d.rbMSE_Checked);
    draw::Enabled(form_.ui().rbMSE, d.rbMSE_Enabled);
    draw::Enabled(form_.ui().rbKB, d.rbKB_Enabled);
}

} // namespace kestrelon
