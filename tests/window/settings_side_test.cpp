#include "device/hotkey_lists.h"
#include "support/station_bench.h"
#include "window/main_form.h"
#include "window/password.h"
#include "window/settings_side.h"
#include "window_tests.h"

#include "ui_main_form.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QInputDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <filesystem>
#include <optional>

using namespace kestrelon;

namespace {

// A station on a simulated PC with the settings side bound to a form, as
// the window starts up: language, binding, the core's start-up, activation.
struct Rig {
    test::StationBench bench;
    TForm1 form;
    SettingsSide side{form, *bench.st};
    Station& st = *bench.st;
    Ui::TForm1& ui = form.ui();

    Rig() {
        form.ApplyStartUpLook();
        side.Bind();
        bench.startUp();
    }
};

QString UserFile() { return qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/KESTRELON/RF_BIND.conf"); }

// Answers the next password prompt: types the text and presses OK, or
// presses Cancel for nothing. Counts the prompts in *prompts.
void AnswerPassword(std::optional<QString> typed, int* prompts) {
    QTimer::singleShot(0, [typed, prompts] {
        auto* d = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        if (!d) return;
        ++*prompts;
        if (!typed) return d->reject();
        d->setTextValue(*typed);
        d->accept();
    });
}

} // namespace

void SettingsSideTest::passwordDialog_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("exact") << QStringLiteral("BrelhawQS") << true;
    QTest::newRow("letter case") << QStringLiteral("brelhawqs") << false;
    QTest::newRow("trailing blank") << QStringLiteral("BrelhawQS ") << false;
    QTest::newRow("leading blank") << QStringLiteral(" BrelhawQS") << false;
    QTest::newRow("empty") << QString() << false;
}

void SettingsSideTest::passwordDialog() {
    QFETCH(QString, typed);
    QFETCH(bool, accepted);
    QCOMPARE(PasswordAccepted(typed), accepted);

    const auto d = MakePasswordDialog(nullptr);
    QCOMPARE(d->windowTitle(), QStringLiteral("Setting"));
    QCOMPARE(d->labelText(), QStringLiteral("PASSWORD:"));
    QCOMPARE(d->textEchoMode(), QLineEdit::Password);
    d->show();
    auto* edit = d->findChild<QLineEdit*>();
    QVERIFY(edit);
    QTest::keyClicks(edit, QStringLiteral("ab"));
    QCOMPARE(edit->displayText(), QStringLiteral("**"));
}

void SettingsSideTest::lockGesture() {
    Rig r;
    r.st.numbering.setFixByteCount(NumberingRow::Rx, 0);   // no fixed part: its box stays locked
    auto enabled = [&](const char* name) { return !r.form.control(QLatin1String(name), Qt::CaseInsensitive)
                                                        ->testAttribute(Qt::WA_ForceDisabled); };
    QVERIFY(!r.ui.gbSetting->isEnabled());
    QVERIFY(enabled("suiSpinEdit1") && enabled("suiSpinEdit2"));   // free until the first double-click
    int prompts = 0;
    auto dblClick = [&](QWidget* logo) { QTest::mouseDClick(logo, Qt::LeftButton); };

    for (int i = 0; i < 4; ++i) dblClick(r.ui.imgLogo);
    QVERIFY(!enabled("suiSpinEdit1") && !enabled("suiSpinEdit2"));
    QCOMPARE(prompts, 0);
    for (const QString& wrong : {QStringLiteral("brelhawqs"), QStringLiteral("BrelhawQS ")}) {
        AnswerPassword(wrong, &prompts);
        dblClick(r.ui.imgLogo);
        for (int i = 0; i < 4; ++i) dblClick(r.ui.imgLogo);
    }
    QCOMPARE(prompts, 2);
    QVERIFY(!r.ui.gbSetting->isEnabled());
    AnswerPassword(QStringLiteral("BrelhawQS"), &prompts);
    dblClick(r.ui.imgLogo);
    QCOMPARE(prompts, 3);
    QVERIFY(r.ui.gbSetting->isEnabled());
    QVERIFY(r.bench.recorded.messages.empty());
    for (const LockedControl& c : r.st.settingsLock.controls())
        QVERIFY2(enabled(c.name) == (std::string(c.name) != "edtRX_FixSN"), c.name);
    QVERIFY(r.ui.suiSpinEdit1->isEnabled() && r.ui.Fnf7->isEnabled());

    // With the customer logo shown, the gesture is on it: locked at once.
    QTemporaryDir dir;
    const QString logo = dir.filePath(QStringLiteral("logo.bmp"));
    QImage image(120, 40, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QVERIFY(image.save(logo, "BMP"));
    QVERIFY(r.form.ShowCustomerLogo(logo));
    dblClick(r.ui.imgCust);
    QCOMPARE(prompts, 3);
    QCOMPARE(r.bench.messageTexts(), std::vector<std::string>{"Locked"});
    QVERIFY(!r.ui.gbSetting->isEnabled());
    for (const LockedControl& c : r.st.settingsLock.controls()) QVERIFY2(!enabled(c.name), c.name);
}

void SettingsSideTest::models_data() {
    QTest::addColumn<int>("model");
    QTest::addColumn<bool>("suspend");
    QTest::addColumn<bool>("lrm");
    QTest::addColumn<bool>("fnKeys");
    QTest::addColumn<int>("callMeroTop");
    QTest::newRow("01") << 0 << false << false << false << 224;
    QTest::newRow("02") << 1 << true << true << false << 428;
    QTest::newRow("03") << 2 << true << true << true << 428;
}

void SettingsSideTest::models() {
    QFETCH(int, model);
    QFETCH(bool, suspend);
    QFETCH(bool, lrm);
    QFETCH(bool, fnKeys);
    QFETCH(int, callMeroTop);
    Rig r;
    QRadioButton* items[] = {r.ui.Model_select_01, r.ui.Model_select_02, r.ui.Model_select_03};
    items[(model + 1) % 3]->setChecked(true);   // from another model
    r.ui.Fn_Enabled->setChecked(true);
    emit r.ui.Fn_Enabled->clicked(true);
    QVERIFY(r.st.ui.options->Fn_Enabled);
    std::filesystem::remove(r.bench.settingsPath());

    items[model]->setChecked(true);
    QCOMPARE(r.st.ui.options->ModelIndex, model);
    QCOMPARE(!r.ui.suiGroupBox2->isHidden(), suspend);
    QCOMPARE(!r.ui.suiGroupBox3->isHidden(), lrm);
    QCOMPARE(!r.ui.gbFnKey->isHidden(), fnKeys);
    QCOMPARE(r.ui.CallMERO->y(), callMeroTop);
    QCOMPARE(r.form.size(), QSize(900, 616));   // the rule keeps the Fn band
    // Models without Fn keys uncheck them; "03" keeps them as they were.
    QCOMPARE(r.ui.Fn_Enabled->isChecked(), fnKeys);
    QVERIFY(std::filesystem::exists(r.bench.settingsPath()));   // stored at once
}

void SettingsSideTest::settingControls() {
    Rig r;
    // The period labels keep their form texts until a period changes.
    QCOMPARE(r.ui.Label3->text(), QStringLiteral("1828.2ms"));
    QCOMPARE(r.ui.Label4->text(), QStringLiteral("6.4ms"));
    r.ui.suiSpinEdit1->setValue(57);
    r.ui.suiSpinEdit1->setValue(56);
    r.ui.suiSpinEdit2->setValue(19);
    QCOMPARE(r.ui.Label3->text(), QStringLiteral("1828.36ms"));
    QCOMPARE(r.ui.Label4->text(), QStringLiteral("8ms"));
    QCOMPARE(r.st.ui.options->WakeupPeriod, 19);

    // Keyboard + Mouse offers the keyboard binding; Mouse Only hides it and
    // keeps its check.
    r.ui.rbKbdMse->setChecked(true);
    QVERIFY(!r.st.ui.options->MouseOnly);
    QVERIFY(!r.ui.cbKeyboardbind->isHidden());
    r.st.ui.options.edit([](ProductSettings& o) { o.KeyboardBind = true; });
    r.ui.rbMouseOnly->setChecked(true);
    QVERIFY(r.ui.cbKeyboardbind->isHidden());
    QVERIFY(r.st.ui.options->KeyboardBind && r.ui.cbKeyboardbind->isChecked());

    // Every Fn box holds the same 65 items; one without a selection shows
    // "<Disabled>".
    const QStringList expected = QStringLiteral(
        "<Disabled>|W3 BACK|W3 FORWARD|W3 STOP|W3 REFRESH|W3 SEARCH|W3 FAVORITES|W3 HOME|MAIL|MUTE|VOLUE-|VOLUE+|"
        "PLAY/PAUSE|STOP|PREVIOUSTRACK/Replay|NEXTTRACK/Skip|MEDIASelect|MYCOMPUTER|CALCULATOR|MoreInfo|Record|"
        "Forward|Rewind|Guide|BassBoost|Loud|BassUp|BassDown|TrebleUp|TrebleDown|<Reserved>|<Reserved>|<Reserved>|"
        "H1|H2|H3|H4|H5|H6|H7|H8|H9|H10|H11|H12|H13|MCE|MyMusic|MyVideo|MyTV|ProgramManual|LiveTV|RecordedTV|"
        "Messenger|DVDMenu|MyPicture|MyRadio|CDROM Eject           |Power                 |"
        "Sleep                 |Wake up               |Scroll Lock           |Num Lock              |"
        "Back To Desktop|Lock PC").split(QLatin1Char('|'));
    QCOMPARE(expected.size(), 65);
    for (QComboBox* box : r.ui.gbFnKey->findChildren<QComboBox*>()) {
        QStringList items;
        for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
        QCOMPARE(items, expected);
    }
    r.st.ui.options.edit([](ProductSettings& o) { o.FnF[6] = kNoSelection, o.FnF[0] = 64; });
    QCOMPARE(r.ui.Fnf7->currentText(), QString());
    QCOMPARE(r.ui.Fnf7->placeholderText(), QStringLiteral("<Disabled>"));
    QCOMPARE(r.ui.FnF1->currentText(), QStringLiteral("Lock PC"));
    // Its "<Disabled>" reads like an item: dark while usable, grey while
    // locked, as every other control's text.
    auto darkest = [&](bool enabled) {
        r.ui.Fnf7->setEnabled(enabled);
        const QImage shot = r.ui.Fnf7->grab().toImage();
        int least = 255;
        for (int y = 4; y < shot.height() - 4; ++y)
            for (int x = 4; x < shot.width() - 24; ++x) least = std::min(least, qGray(shot.pixel(x, y)));
        return least;
    };
    const int usable = darkest(true), locked = darkest(false);
    QVERIFY2(usable + 40 < locked, qPrintable(QStringLiteral("usable %1, locked %2").arg(usable).arg(locked)));

    // The period labels hold their longest texts.
    for (auto [spin, label] : {std::pair{r.ui.suiSpinEdit1, r.ui.Label3}, std::pair{r.ui.suiSpinEdit2, r.ui.Label4}})
        for (int v = spin->minimum(); v <= spin->maximum(); ++v) {
            spin->setValue(v);
            QVERIFY2(label->sizeHint().width() <= label->width(), qPrintable(QStringLiteral("%1 %2").arg(label->text()).arg(label->sizeHint().width())));
        }

    // A typed VID is stored at once.
    r.st.ui.lock.edit([](LockState& l) { l.unlocked = true; });
    std::filesystem::remove(r.bench.settingsPath());
    QTest::keyClicks(r.ui.edtVID_SET, QStringLiteral("f3d7"));
    QCOMPARE(r.st.ui.options->VidSet, "F3D7");
    QVERIFY(std::filesystem::exists(r.bench.settingsPath()));
}

void SettingsSideTest::failedVidReadKeepsTheBox() {
    Rig r;
    QVERIFY(r.bench.plugAndDetect());
    r.st.ui.options.edit([](ProductSettings& o) { o.VidSet = "F3D7"; });
    QCOMPARE(r.ui.edtVID_SET->text(), QStringLiteral("F3D7"));
    sim::Faults f;
    f.noAnswerFrom = 1;
    r.bench.pair->armFaults(f);
    r.bench.recorded.clear();
    r.st.ui.lock.edit([](LockState& l) { l.unlocked = true; });
    r.ui.btnEEPROM_R_VID->click();
    QCOMPARE(r.ui.edtVID_SET->text(), QStringLiteral("F3D7"));
    QCOMPARE(r.st.ui.engineering.edtEEPROM_15.text(), "FFFFFF");   // the word box shows the failure
    QCOMPARE(r.bench.recorded.messages.size(), size_t(1));
}

void SettingsSideTest::numberingPanel() {
    // The widgets go through the panel's setters; its cascade is drawn back.
    Rig r;
    r.ui.cbRX_IsSN->setChecked(false);
    QCOMPARE(r.ui.gbRX->height(), 35);
    QCOMPARE(r.ui.gbTX->y(), r.ui.gbRX->y() + 35);
    QCOMPARE(r.form.BaseHeight, 35 + r.ui.gbTX->height() + 550);
    r.ui.cbRX_IsDate->setChecked(false);
    r.ui.edtRX_FixByteCount->setValue(2);
    QCOMPARE(r.ui.edtRX_IncByteCount->value(), 4);
    r.ui.rbRX_CustomRFID->setChecked(true);
    r.ui.edtRX_IncInitRFID->setText(QStringLiteral("123456"));
    QCOMPARE(r.ui.edtRX_IncNextRFID->text(), QStringLiteral("123456"));
    r.ui.rbRX_RandomRFID->setChecked(true);
    QVERIFY(r.ui.edtRX_IncNextRFID->text().isEmpty() && r.st.generators.TxRFID->IsRandom());
}

void SettingsSideTest::engineeringPages() {
    Rig r;
    QVERIFY(r.bench.plugAndDetect());
    r.bench.pair->dongleEepromForTest()[17] = 0x05FA;
    r.ui.btnEEPROM_R_17->click();
    QCOMPARE(r.ui.edtEEPROM_17->text(), QStringLiteral("05"));
    r.ui.edtEEPROM_01->setText(QStringLiteral("5A"));
    QCOMPARE(r.st.ui.engineering.edtEEPROM_01.text(), "5A");
    r.ui.btnEEPROM_W_01->click();
    QCOMPARE(r.st.run.RxImage[1], 0x5AA5);
    r.ui.edtC_RF_SETUP_CPI->setValue(2);
    QCOMPARE(r.st.ui.engineering.edtC_RF_SETUP_CPI(), 2);
}

void SettingsSideTest::languages() {
    // Nothing stored: the dialog asks, with the link check aside meanwhile.
    QFile::remove(UserFile());
    {
        test::StationBench bench;
        TForm1 form;
        SettingsSide side(form, *bench.st);
        bool asideWhileAsked = false;
        QTimer::singleShot(0, [&] {
            auto* d = QApplication::activeModalWidget();
            QVERIFY(d);
            asideWhileAsked = bench.st->ui.language.DialogShowing;
            auto* box = d->findChild<QComboBox*>(QStringLiteral("cbbLang"));
            box->setCurrentIndex(1);
            QTest::keyClick(d, Qt::Key_Return);
        });
        side.LoadLanguage();
        QVERIFY(asideWhileAsked && !bench.st->ui.language.DialogShowing);
        QCOMPARE(bench.st->ui.language.CurLanguage(), lkCht);
        QCOMPARE(form.ui().cbbLang->currentIndex(), 1);
        QCOMPARE(form.ui().btnGo->text(), QString::fromUtf8("設定"));
    }
    QFile f(UserFile());
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.readAll().contains("LngSection=lkCht"));
    f.close();

    // Switching during a pairing keeps the pairing button's "Connecting".
    Rig r;
    r.side.LoadLanguage();   // stored: no dialog
    r.st.ui.devices.edit([](DeviceStatus& d) { d.btnConnectCaptionId = 0x04; });
    emit r.form.languagePicked(2);
    QCOMPARE(r.st.ui.language.CurLanguage(), lkChs);
    QCOMPARE(r.ui.btnCombo_Cmd_Soft_Bind_SW->text(), QString::fromUtf8("对码中(&C)"));
    QCOMPARE(r.ui.cbCustKey1->x(), 90);
    emit r.form.languagePicked(0);
    QCOMPARE(r.ui.btnCombo_Cmd_Soft_Bind_SW->text(), QStringLiteral("&Connecting"));
    QCOMPARE(r.ui.cbCustKey2->x(), 65);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.readAll().contains("LngSection=lkEng"));
}
