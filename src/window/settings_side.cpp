#include "window/settings_side.h"

#include "app/setting_controls.h"
#include "app/station.h"
#include "model/product_models.h"
#include "window/bind_util.h"
#include "window/captions.h"
#include "window/language_dialog.h"
#include "window/main_form.h"
#include "window/password.h"

#include "ui_main_form.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QRadioButton>

#include <array>
#include <cstdio>
#include <iterator>

namespace kestrelon {

namespace {

// The twelve Fn+F1 .. Fn+F12 boxes, found ignoring case as the form names
// some of them "Fnf".
std::array<QComboBox*, 12> FnBoxes(const TForm1& form) {
    std::array<QComboBox*, 12> boxes{};
    for (int i = 0; i < 12; ++i)
        boxes[static_cast<size_t>(i)] =
            qobject_cast<QComboBox*>(form.control(QStringLiteral("FnF%1").arg(i + 1), Qt::CaseInsensitive));
    return boxes;
}

} // namespace

SettingsSide::SettingsSide(TForm1& form, Station& station)
    : form_(form),
      st_(station),
      numbering_(form, station.ui.numbering, station.numbering),
      engineering_(form, station),
      sleepShown_(form.ui().suiSpinEdit1->value()),
      wakeupShown_(form.ui().suiSpinEdit2->value()) {
    store_.report = [this](const QString& text) {
        std::fprintf(stderr, "%s\n", qPrintable(text));
        st_.messages.warning(text.toStdString());
    };
}

SettingsSide::~SettingsSide() = default;

// ---- language --------------------------------------------------------------

void SettingsSide::LoadLanguage() {
    Language& language = st_.ui.language;
    if (!dialog_) dialog_ = std::make_unique<TForm2>(form_.windowTitle());
    const auto ask = [&](int preselected) {
        // The link check stands aside while the dialog waits for the operator.
        language.DialogShowing = true;
        const int item = dialog_->Ask(preselected);
        language.DialogShowing = false;
        return item;
    };
    language.setCurLanguage(kestrelon::LoadLanguage(store_, ask, SystemCodePage()));
    form_.ui().cbbLang->setCurrentIndex(language.CurLanguage());
    ApplyLanguage();
}

void SettingsSide::ApplyLanguage() {
    const Language& language = st_.ui.language;
    kestrelon::ApplyLanguage(
        form_, [&](uint8_t id) { return language.text(id); }, st_.ui.devices->btnConnectCaptionId == text_id::ConnectingCaption,
        language.CurLanguage());
}

void SettingsSide::SaveLanguage() { store_.Save(st_.ui.language.CurLanguage()); }

void SettingsSide::cbbLangChange(int itemIndex) {
    if (itemIndex < lkEng || itemIndex > lkChs) return;
    // Re-captioned by the language's listeners.
    st_.ui.language.setCurLanguage(static_cast<TLanguateKind>(itemIndex));
    SaveLanguage();
}

// ---- binding ---------------------------------------------------------------

void SettingsSide::Bind() {
    auto& ui = form_.ui();
    auto listen = [this](Notifier& n, std::function<void()> f) { listeners_.push_back(n.connect(std::move(f))); };

    QObject::connect(&form_, &TForm1::languagePicked, &form_, [this](int i) { cbbLangChange(i); });
    listen(st_.ui.language.changed, [this] {
        draw::Index(form_.ui().cbbLang, st_.ui.language.CurLanguage());
        ApplyLanguage();
    });

    SettingsLock& lock = st_.settingsLock;
    lock.askPassword = [this]() -> std::optional<std::string> {
        const std::optional<QString> typed = AskPassword(&form_);
        if (!typed) return std::nullopt;
        return typed->toStdString();
    };
    lock.passwordMatches = [](const std::string& typed) { return PasswordAccepted(QString::fromStdString(typed)); };
    QObject::connect(&form_, &TForm1::logoDoubleClicked, &form_, [this] { st_.settingsLock.imgLogoDblClick(); });
    listen(st_.ui.lock.changed, [this] { drawLock(); });

    // The Fn boxes without a selection show what the form shows.
    for (QComboBox* box : FnBoxes(form_)) box->setPlaceholderText(QStringLiteral("<Disabled>"));
    connectOptions();
    listen(st_.ui.options.changed, [this] { drawOptions(); });

    numbering_.Bind();
    engineering_.Bind();

    draw::Index(ui.cbbLang, st_.ui.language.CurLanguage());
    drawOptions();
    drawLock();
}

void SettingsSide::connectOptions() {
    auto& ui = form_.ui();
    auto& options = st_.ui.options;
    using Set = std::function<void(ProductSettings&)>;
    // A radio button acts when it becomes checked, by the operator; the
    // options are all a production run needs.
    auto radio = [&](QRadioButton* rb, Set set) {
        QObject::connect(rb, &QRadioButton::toggled, &form_, [&options, set](bool on) {
            if (on) options.edit(set);
        });
    };
    radio(ui.rbMouseOnly, [](ProductSettings& o) { o.MouseOnly = true; });
    radio(ui.rbKbdMse, [](ProductSettings& o) { o.MouseOnly = false; });
    radio(ui.rbRF_DR_15, [](ProductSettings& o) { o.SoftISS = true; });
    radio(ui.rbRF_DR_1A, [](ProductSettings& o) { o.SoftISS = false; });
    radio(ui.rbRF_CPI_H, [](ProductSettings& o) { o.CpiHigh = true; });
    radio(ui.rbRF_CPI_L, [](ProductSettings& o) { o.CpiHigh = false; });
    radio(ui.rbRF_DR_25, [](ProductSettings& o) { o.Wakeup = 0; });
    radio(ui.rbRF_DR_2A, [](ProductSettings& o) { o.Wakeup = 1; });
    radio(ui.rbRF_DR_45, [](ProductSettings& o) { o.PowerSaving = 0; });
    radio(ui.rbRF_DR_4A, [](ProductSettings& o) { o.PowerSaving = 1; });
    radio(ui.rbRF_DR_4F, [](ProductSettings& o) { o.PowerSaving = 2; });
    radio(ui.rbRF_DR_5A, [](ProductSettings& o) { o.PowerOnAutoConnect = true; });
    radio(ui.rbRF_DR_55, [](ProductSettings& o) { o.PowerOnAutoConnect = false; });
    // The model: the core applies it and stores the settings.
    const QRadioButton* models[] = {ui.Model_select_01, ui.Model_select_02, ui.Model_select_03};
    static_assert(std::size(models) == kModelCount, "a button for each model");
    for (int i = 0; i < kModelCount; ++i)
        QObject::connect(models[i], &QRadioButton::toggled, &form_, [this, i](bool on) {
            if (on) st_.Model_selectClick(i);
        });

    // Lists: the operator's pick.
    auto list = [&](QComboBox* box, std::function<void(ProductSettings&, int)> set) {
        QObject::connect(box, &QComboBox::activated, &form_, [&options, set](int i) {
            options.edit([&](ProductSettings& o) { set(o, i); });
        });
    };
    list(ui.cbCustKey1, [](ProductSettings& o, int i) { o.CustKey1 = i; });
    list(ui.cbCustKey2, [](ProductSettings& o, int i) { o.CustKey2 = i; });
    list(ui.cbRF_Set_BTY_Low_Level, [](ProductSettings& o, int i) { o.BatteryLevel = i; });
    list(ui.ComboRFPower, [](ProductSettings& o, int i) { o.RFPower = i; });   // in the Go group
    list(ui.FnPR, [](ProductSettings& o, int i) { o.FnPR = i; });
    list(ui.FnBreak, [](ProductSettings& o, int i) { o.FnBreak = i; });
    const auto fn = FnBoxes(form_);
    for (size_t k = 0; k < fn.size(); ++k) list(fn[k], [k](ProductSettings& o, int i) { o.FnF[k] = i; });

    // Check boxes: the operator's click.
    auto check = [&](QCheckBox* box, std::function<void(ProductSettings&, bool)> set) {
        QObject::connect(box, &QCheckBox::clicked, &form_,
                         [&options, set](bool on) { options.edit([&](ProductSettings& o) { set(o, on); }); });
    };
    check(ui.Fn_Enabled, [](ProductSettings& o, bool on) { o.Fn_Enabled = on; });
    check(ui.FNPB, [](ProductSettings& o, bool on) { o.FNPB = on; });
    check(ui.FnUIO, [](ProductSettings& o, bool on) { o.FnUIO = on; });
    check(ui.fndirection, [](ProductSettings& o, bool on) { o.fndirection = on; });
    check(ui.LRMBinding, [](ProductSettings& o, bool on) { o.LRMBinding = on; });
    // cbResetRFClick, the handler of both boxes, does nothing.
    check(ui.cbResetRF, [](ProductSettings& o, bool on) { o.ResetRF = on; });
    check(ui.cbKeyboardbind, [](ProductSettings& o, bool on) { o.KeyboardBind = on; });
    QObject::connect(ui.CallMERO, &QCheckBox::clicked, &form_, [this](bool on) { st_.erase.CallMEROClick(on); });

    // The suspend periods; their labels follow the values drawn back.
    QObject::connect(ui.suiSpinEdit1, &QSpinBox::valueChanged, &form_,
                     [&options](int v) { options.edit([v](ProductSettings& o) { o.SleepPeriod = v; }); });
    QObject::connect(ui.suiSpinEdit2, &QSpinBox::valueChanged, &form_,
                     [&options](int v) { options.edit([v](ProductSettings& o) { o.WakeupPeriod = v; }); });

    // The USB identity: the core stores the settings when it changes.
    auto text = [&](QLineEdit* box, std::function<void(ProductSettings&, std::string)> set) {
        QObject::connect(box, &QLineEdit::textChanged, &form_, [&options, set](const QString& t) {
            options.edit([&](ProductSettings& o) { set(o, t.toStdString()); });
        });
    };
    text(ui.edtVID_SET, [](ProductSettings& o, std::string t) { o.VidSet = std::move(t); });
    text(ui.edtPID_SET, [](ProductSettings& o, std::string t) { o.PidSet = std::move(t); });
    text(ui.edtEEPROM_20, [](ProductSettings& o, std::string t) { o.StringDesc = std::move(t); });
    EngineeringPage& cmd = st_.commands;
    auto button = [&](QPushButton* b, void (EngineeringPage::*handler)()) {
        QObject::connect(b, &QPushButton::clicked, &form_, [&cmd, handler] { (cmd.*handler)(); });
    };
    button(ui.btnEEPROM_R_VID, &EngineeringPage::btnEEPROM_R_VIDClick);
    button(ui.btnEEPROM_W_VID, &EngineeringPage::btnEEPROM_W_VIDClick);
    button(ui.btnEEPROM_R_PID, &EngineeringPage::btnEEPROM_R_PIDClick);
    button(ui.btnEEPROM_W_PID, &EngineeringPage::btnEEPROM_W_PIDClick);
    button(ui.btnEEPROM_R_20, &EngineeringPage::btnEEPROM_R_20Click);
    QObject::connect(ui.btnEEPROM_W_20, &QPushButton::clicked, &form_, [&cmd] { cmd.btnEEPROM_W_20Click(); });
}

// ---- drawing ---------------------------------------------------------------

void SettingsSide::drawOptions() {
    auto& ui = form_.ui();
    const ProductSettings& o = *st_.ui.options;
    draw::Checked(ui.rbMouseOnly, o.MouseOnly);
    draw::Checked(ui.rbKbdMse, !o.MouseOnly);
    draw::Checked(ui.rbRF_DR_15, o.SoftISS);
    draw::Checked(ui.rbRF_DR_1A, !o.SoftISS);
    draw::Checked(ui.rbRF_CPI_H, o.CpiHigh);
    draw::Checked(ui.rbRF_CPI_L, !o.CpiHigh);
    draw::Checked(ui.rbRF_DR_25, o.Wakeup == 0);
    draw::Checked(ui.rbRF_DR_2A, o.Wakeup == 1);
    draw::Checked(ui.rbRF_DR_45, o.PowerSaving == 0);
    draw::Checked(ui.rbRF_DR_4A, o.PowerSaving == 1);
    draw::Checked(ui.rbRF_DR_4F, o.PowerSaving == 2);
    draw::Checked(ui.rbRF_DR_5A, o.PowerOnAutoConnect);
    draw::Checked(ui.rbRF_DR_55, !o.PowerOnAutoConnect);

    draw::Index(ui.cbCustKey1, o.CustKey1);
    draw::Index(ui.cbCustKey2, o.CustKey2);
    draw::Index(ui.cbRF_Set_BTY_Low_Level, o.BatteryLevel);
    draw::Index(ui.ComboRFPower, o.RFPower);
    draw::Index(ui.FnPR, o.FnPR);
    draw::Index(ui.FnBreak, o.FnBreak);
    const auto fn = FnBoxes(form_);
    for (size_t k = 0; k < fn.size(); ++k) draw::Index(fn[k], o.FnF[k]);

    draw::Checked(ui.Fn_Enabled, o.Fn_Enabled);
    draw::Checked(ui.FNPB, o.FNPB);
    draw::Checked(ui.FnUIO, o.FnUIO);
    draw::Checked(ui.fndirection, o.fndirection);
    draw::Checked(ui.LRMBinding, o.LRMBinding);
    draw::Checked(ui.cbResetRF, o.ResetRF);
    draw::Checked(ui.cbKeyboardbind, o.KeyboardBind);
    draw::Visible(ui.cbKeyboardbind, !o.MouseOnly);   // only a keyboard + mouse receiver binds a keyboard
    draw::Checked(ui.CallMERO, o.CallMERO);

    // The labels show their form texts until the first change of a period.
    draw::Value(ui.suiSpinEdit1, o.SleepPeriod);
    if (o.SleepPeriod != sleepShown_) {
        sleepShown_ = o.SleepPeriod;
        ui.Label3->setText(QString::fromStdString(SleepPeriodLabel(o.SleepPeriod)));
    }
    draw::Value(ui.suiSpinEdit2, o.WakeupPeriod);
    if (o.WakeupPeriod != wakeupShown_) {
        wakeupShown_ = o.WakeupPeriod;
        ui.Label4->setText(QString::fromStdString(WakeupPeriodLabel(o.WakeupPeriod)));
    }

    draw::Text(ui.edtVID_SET, o.VidSet);
    draw::Text(ui.edtPID_SET, o.PidSet);
    draw::Text(ui.edtEEPROM_20, o.StringDesc);
    drawModel();
}

void SettingsSide::drawModel() {
    auto& ui = form_.ui();
    const int model = st_.ui.options->ModelIndex;
    if (model == modelShown_) return;
    const std::optional<ModelLook> look = ModelLookFor(model);
    if (!look) return;
    modelShown_ = model;
    QRadioButton* items[] = {ui.Model_select_01, ui.Model_select_02, ui.Model_select_03};
    draw::Checked(items[model], true);
    draw::Visible(ui.suiGroupBox2, look->suspendGroup);
    draw::Visible(ui.suiGroupBox3, look->lrmGroup);
    draw::Visible(ui.gbFnKey, look->fnKeyGroup);
    ui.CallMERO->move(ui.CallMERO->x(), look->callMeroTop);
    form_.FormResize();
}

void SettingsSide::drawLock() {
    const SettingsLock& lock = st_.settingsLock;
    draw::Enabled(form_.ui().gbSetting, st_.ui.lock->unlocked);
    if (!lock.controlsFollow()) return;
    for (const LockedControl& c : lock.controls())
        if (QWidget* w = form_.control(QLatin1String(c.name), Qt::CaseInsensitive)) draw::Enabled(w, c.enabled);
}

} // namespace kestrelon
