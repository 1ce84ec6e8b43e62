#include "model/lang.h"
#include "widgets/image_combo_box.h"
#include "widgets/led.h"
#include "window/captions.h"
#include "window/language_dialog.h"
#include "window/main_form.h"
#include "window_tests.h"

#include "ui_language_dialog.h"
#include "ui_main_form.h"

#include <QComboBox>
#include <QImage>
#include <QMovie>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace kestrelon;

namespace {

constexpr int any = -1;
constexpr bool shown = true, hidden = false, on = true, off = false;

struct ControlRow {
    const char* name;
    int x, y, w, h;   // any: not fixed by the layout
    bool shown, enabled;
};

// Controls whose place the layout fixes, as designed.
const ControlRow kPlaced[] = {
    {"imgLogo", 17, 23, 200, 66, shown, on},           {"imgCust", 6, 29, any, any, hidden, on},
    {"Model_select", 313, 31, 230, 48, shown, off},    {"gifBind", 568, 34, 50, 50, hidden, on},
    {"imgNoneDev", any, any, 50, 50, shown, on},       {"imgConnected", any, any, 50, 50, hidden, on},
    {"btnCombo_Cmd_Soft_Bind_SW", 635, 59, 73, 27, shown, off},
    {"gbSysStatus", 722, 25, 164, 38, shown, on},      {"cbbLang", 722, 66, 164, 21, shown, on},
    {"gbSetting", 12, 88, 700, 235, shown, off},       {"gbRXType", 14, 11, 331, 46, shown, on},
    {"gbCustKey", 14, 65, 331, 71, shown, on},         {"cbCustKey1", 62, any, 210, any, shown, off},
    {"cbCustKey2", 62, any, 210, any, shown, off},     {"gbISS", 14, 140, 160, 43, shown, on},
    {"gbCPI", 185, 140, 160, 43, shown, on},           {"gbNL", 353, 9, 331, 81, shown, on},
    {"gbWKUP", 353, 93, 331, 43, shown, off},          {"gbBTY", 353, 140, 331, 43, shown, on},
    {"gbVIDPID", 14, 186, 670, 43, shown, on},         {"EraseEEPROM", 721, 94, 166, 125, shown, on},
    {"suiGroupBox3", 720, 224, 169, 57, shown, on},    {"suiGroupBox2", 718, 285, 169, 139, shown, on},
    {"CallMERO", 726, 428, 142, 21, shown, off},       {"gb1", 10, 322, 700, 77, shown, on},
    {"gbRX", 10, 399, 700, 95, shown, on},             {"gbTX", 8, 496, 700, 95, shown, on},
    {"gbFnKey", 11, 450, 701, 143, shown, on},         {"gbGo", 10, 592, 700, 129, shown, on},
    {"pbSetTX", any, any, any, 21, shown, on},         {"spgcntrl1", 3, 722, any, any, hidden, on},
};

// The other controls by their design-time state. The settings start locked
// (the suspend spin edits excepted); the numbering panel's TX RF-ID row and
// the pictures and boxes the run shows later start hidden.
const char* const kLocked[] = {
    "rbMouseOnly", "rbKbdMse", "rbRF_DR_15", "rbRF_DR_1A", "rbRF_CPI_H", "rbRF_CPI_L", "rbRF_DR_45", "rbRF_DR_4A",
    "rbRF_DR_4F", "rbRF_DR_25", "rbRF_DR_2A", "cbRF_Set_BTY_Low_Level", "edtVID_SET", "edtPID_SET", "edtEEPROM_20",
    "TX_Erased", "suiButton2", "RX_Erased", "suiButton1", "LRMBinding", "Fn_Enabled", "FNPB", "FnUIO",
    "fndirection", "FnPR", "FnBreak", "FnF1", "FnF6", "FnF7", "FnF11", "FnF12", "ComboRFPower", "cbResetRF",
    "btnGo", "rbMSE", "rbKB", "rbRX_RandomRFID", "rbRX_CustomRFID", "edtRX_IncInitRFID", "edtRX_IncNextRFID",
    "cbRX_IsSN", "cbRX_IsDate", "edtRX_FixByteCount", "edtRX_FixSN", "rbRX_FixAscii", "rbRX_FixHex",
    "edtRX_IncByteCount", "edtRX_IncInitSN", "edtRX_IncCurrentSN", "edtRX_IncNextSN", "cbTX_IsSN", "cbTX_IsDate",
    "edtTX_FixByteCount", "edtTX_FixSN", "rbTX_FixAscii", "rbTX_FixHex", "edtTX_IncByteCount", "edtTX_IncInitSN",
    "edtTX_IncCurrentSN", "edtTX_IncNextSN",
};
const ControlRow kHidden[] = {
    {"gbPO_BIND", any, any, any, any, hidden, on},          {"Image2", any, any, any, any, hidden, on},
    {"lstDebug", any, any, any, any, hidden, on},           {"cbKeyboardbind", any, any, any, any, hidden, off},
    {"btnEEPROM_W_19", any, any, any, any, hidden, off},    {"rbTX_RandomRFID", any, any, any, any, hidden, off},
    {"rbTX_CustomRFID", any, any, any, any, hidden, off},   {"edtTX_IncInitRFID", any, any, any, any, hidden, off},
    {"edtTX_IncNextRFID", any, any, any, any, hidden, off},
};
const char* const kOperable[] = {
    "edtVID", "edtPID", "lblHK1", "lblHK2", "lblStrDesc", "rbRF_DR_5A", "rbRF_DR_55", "wakeupsetting",
    "suiSpinEdit2", "Label4", "Sleepsetting", "suiSpinEdit1", "Label3", "ledRX", "ledTX", "edtRX", "edtTX",
    "lblResult", "Image1", "lblRFPower", "edtCaliTime", "lblSec", "lblHotKey", "edtMseDongleAddr", "edtTX_SN",
    "edtRX_SN",
    // The engineering pages' operand carriers and buttons.
    "btnSpecialCmd1", "btnSpecialCmd4", "edtSC01_00", "edtSC04_06", "edtDirectAddr", "edtDirectData",
    "edtRFICAddr", "edtRFICData", "btnC_JUMP_TO_POR", "btnC_RELOAD_PARAMETER", "rbC_RF_ENTER_ACCESS_W_LED",
    "rbC_RF_ENTER_ACCESS_WO_LED", "rbC_RF_LEAVE_ACCESS", "edtC_RF_SETUP_CPI", "edtRF_EEPROMAddr",
    "edtRF_EEPROMData", "edtRF_IndexRegAddr", "edtRF_IndexRegData", "edtRF_DirectRegAddr", "edtRF_DirectRegData",
    "edtRF_SensorAddr", "edtRF_SensorData", "edtRF_RFICAddr", "edtRF_RFICData", "btnC_RF_Wrt_EEPROM",
    "btnC_RF_Rd_Sensor", "btnC_RF_Wrt_RFIC_RFX5820K", "btnRF_DR_3C", "btnRF_DR_3D", "edtEEPROM_00",
    "edtEEPROM_19", "btnEEPROM_R_00", "btnEEPROM_W_18", "btnEEPROM_R_19", "btnUpdateCustKey", "btnLoadSetting",
    "btnWriteSetting", "btnSetTX",
};

std::unique_ptr<TForm1> designed;   // one form for every row

} // namespace

void FormTest::cleanupTestCase() { designed.reset(); }

void FormTest::everyControlOfTheForm_data() {
    QTest::addColumn<QString>("name");   // found ignoring case, as "FnF7" finds Fnf7
    QTest::addColumn<QRect>("geometry");   // a coordinate of -1 is not checked
    QTest::addColumn<bool>("shown");
    QTest::addColumn<bool>("enabled");
    auto add = [](const ControlRow& r) {
        QTest::newRow(r.name) << r.name << QRect(r.x, r.y, r.w, r.h) << r.shown << r.enabled;
    };
    for (const ControlRow& r : kPlaced) add(r);
    for (const char* n : kLocked) add({n, any, any, any, any, shown, off});
    for (const ControlRow& r : kHidden) add(r);
    for (const char* n : kOperable) add({n, any, any, any, any, shown, on});
}

void FormTest::everyControlOfTheForm() {
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(bool, shown);
    QFETCH(bool, enabled);
    if (!designed) designed = std::make_unique<TForm1>();
    QWidget* w = designed->control(name, Qt::CaseInsensitive);
    QVERIFY2(w, qPrintable(name));
    const QRect g = w->geometry();
    if (geometry.x() != any) QCOMPARE(g.x(), geometry.x());
    if (geometry.y() != any) QCOMPARE(g.y(), geometry.y());
    if (geometry.width() != any) QCOMPARE(g.width(), geometry.width());
    if (geometry.height() != any) QCOMPARE(g.height(), geometry.height());
    QCOMPARE(!w->isHidden(), shown);
    QCOMPARE(!w->testAttribute(Qt::WA_ForceDisabled), enabled);
}

void FormTest::startUpLook() {
    TForm1 form;
    auto& ui = form.ui();
    ui.lblResult->setText(QStringLiteral("PASS"));
    form.ApplyStartUpLook();
    QCOMPARE(form.size(), QSize(900, 616));
    QCOMPARE(ui.gbFnKey->y(), 323);
    QCOMPARE(ui.gbGo->y(), 466);
    QCOMPARE(ui.pbSetTX->geometry(), QRect(0, 595, 900, 21));
    QCOMPARE(ui.gbSetting->geometry().bottom() + 1, 323);
    for (QWidget* w : std::initializer_list<QWidget*>{ui.gb1, ui.gbRX, ui.gbTX, ui.edtMseDongleAddr, ui.edtTX_SN,
                                                      ui.edtRX_SN, ui.lbl14, ui.lbl55, ui.Label2, ui.Image1})
        QVERIFY2(w->isHidden(), qPrintable(w->objectName()));
    QVERIFY(ui.lblResult->text().isEmpty());
    QVERIFY(ui.lblRX_Date->text().isEmpty());
    QCOMPARE(ui.imgConnected->pos(), QPoint(568, 34));
    QCOMPARE(ui.imgNoneDev->pos(), QPoint(568, 34));
    QVERIFY(ui.gbPO_BIND->x() >= form.width());
    QVERIFY(ui.lstDebug->x() >= form.width());

    // The numbering panel shrinks gbRX and lowers BaseHeight with it: the
    // window stays 616 high and the bottom stack in place.
    ui.gbRX->resize(700, 35);
    form.BaseHeight = 35 + 95 + 550;
    form.FormResize();
    QCOMPARE(form.size(), QSize(900, 616));
    QCOMPARE(ui.gbGo->y(), 466);
    QCOMPARE(ui.pbSetTX->y(), 595);
}

void FormTest::listsAndPictures() {
    TForm1 form;
    auto& ui = form.ui();
    for (int i = 1; i <= 12; ++i) {
        auto* box = qobject_cast<QComboBox*>(form.control(QStringLiteral("FnF%1").arg(i), Qt::CaseInsensitive));
        QVERIFY(box);
        QCOMPARE(box->count(), 65);
        QCOMPARE(box->currentText(), QStringLiteral("<Disabled>"));
    }
    for (QComboBox* box : {ui.FnPR, ui.FnBreak}) {
        QCOMPARE(box->count(), 65);
        QCOMPARE(box->currentIndex(), -1);
        QCOMPARE(box->placeholderText(), QStringLiteral("Empty"));
    }
    QCOMPARE(ui.FnPR->itemText(57), QStringLiteral("CDROM Eject           "));
    QCOMPARE(ui.cbCustKey2->currentText(), QStringLiteral("MAIL"));
    QCOMPARE(ui.cbCustKey2->currentData().toInt(), 0x18A);
    QCOMPARE(ui.cbRF_Set_BTY_Low_Level->currentText(), QStringLiteral("Set BTY Low Level: VBAT <= 1.8V"));
    QCOMPARE(ui.ComboRFPower->currentText(), QStringLiteral("-20"));

    QVERIFY(ui.ledRX->LEDStyle() == ThhALed::LEDSqLarge && !ui.ledRX->Blink() && !ui.ledTX->Blink());
    QCOMPARE(ui.ledTX->Interval(), 300);

    // The logo is a JPEG: decoding it proves the image plugin is there.
    QCOMPARE(ui.imgLogo->pixmap().size(), QSize(200, 66));
    QVERIFY(form.pairingMovie()->isValid() && form.pairingMovie()->frameCount() > 1);
    QCOMPARE(ui.cbbLang->images().size(), 3);
    for (const QPixmap& pm : ui.cbbLang->images()) QCOMPARE(pm.size(), QSize(63, 14));

    const char* const pages[][2] = {{"stbsht1", "EEPROM   RFIC  Reg"}, {"stbsht3", "Combo_cmd   ACCESS   JUMP_TO_POR RSSI"},
                                    {"shtRF", "RF"}, {"sht1", "EEPROM"}, {"sht2", "Device"}, {"sht3", "SETTING"}};
    QCOMPARE(ui.spgcntrl1->count(), 6);
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(ui.spgcntrl1->widget(i)->objectName(), QString::fromLatin1(pages[i][0]));
        QCOMPARE(ui.spgcntrl1->tabText(i), QString::fromLatin1(pages[i][1]));
    }

    form.showConnectPicture(ConnectPicture::Bind);
    QVERIFY(!ui.gifBind->isHidden() && ui.imgNoneDev->isHidden() && ui.imgConnected->isHidden());
    QCOMPARE(form.pairingMovie()->state(), QMovie::Running);
    form.showConnectPicture(ConnectPicture::Connected);
    QVERIFY(ui.gifBind->isHidden() && ui.imgNoneDev->isHidden() && !ui.imgConnected->isHidden());
    QCOMPARE(form.pairingMovie()->state(), QMovie::NotRunning);
}

void FormTest::captions_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<bool>("pairing");
    QTest::addColumn<QStringList>("spots");   // name=caption
    QTest::addColumn<int>("hotKeyLeft");
    QTest::newRow("English") << int(lkEng) << false
                             << QStringList{"btnGo=Go", "gbSysStatus=USB Info.", "rbRF_DR_5A=Enable",
                                            "btnCombo_Cmd_Soft_Bind_SW=&Connect",
                                            "lblRFIDNOTE=Program will skip values that reserved for system."}
                             << 65;
    QTest::newRow("English, pairing") << int(lkEng) << true
                                      << QStringList{"btnCombo_Cmd_Soft_Bind_SW=&Connecting"} << 65;
    QTest::newRow("Traditional Chinese") << int(lkCht) << false
                                         << QStringList{QString::fromUtf8("btnGo=設定"), QString::fromUtf8("lblHK1=熱鍵1"),
                                                        QString::fromUtf8("btnEEPROM_R_VID=讀")}
                                         << 65;
    QTest::newRow("Simplified Chinese, pairing")
        << int(lkChs) << true
        << QStringList{QString::fromUtf8("lblHK1=可编程按键1"), QString::fromUtf8("cbKeyboardbind=键盘对码"),
                       QString::fromUtf8("btnCombo_Cmd_Soft_Bind_SW=对码中(&C)")}
        << 90;
}

void FormTest::captions() {
    QFETCH(int, language);
    QFETCH(bool, pairing);
    QFETCH(QStringList, spots);
    QFETCH(int, hotKeyLeft);
    TForm1 form;
    Language lang;
    lang.setCurLanguage(static_cast<TLanguateKind>(language));
    ApplyLanguage(form, [&](uint8_t id) { return lang.text(id); }, pairing, lang.CurLanguage());

    for (const CaptionRow& row : CaptionTable())
        for (const char* name : row.controls) {
            const QWidget* w = form.control(QString::fromLatin1(name));
            QVERIFY2(w, name);
            QVERIFY2(!Caption(w).isEmpty(), name);
        }
    for (const QString& spot : spots) {
        const QString name = spot.section(QLatin1Char('='), 0, 0);
        QCOMPARE(Caption(form.control(name)), spot.section(QLatin1Char('='), 1));
    }
    QCOMPARE(form.ui().cbCustKey1->x(), hotKeyLeft);
    QCOMPARE(form.ui().cbCustKey2->x(), hotKeyLeft);
    // Captions outside the table keep their form texts in every language.
    QCOMPARE(form.ui().Model_select->title(), QStringLiteral("Model Select"));
    QCOMPARE(form.ui().gbFnKey->title(), QStringLiteral("Fn Key Configuration"));
    QCOMPARE(form.ui().suiGroupBox2->title(), QStringLiteral("Rx USB Suspend Behavior"));
}

void FormTest::pageDownFromAnyControl() {
    // Page Down starts Go from whichever control has the focus, and no
    // control sees it: the suspend spin box (usable while the settings are
    // locked) keeps its value, the language box its language.
    TForm1 form;
    QSignalSpy go(&form, &TForm1::goHotKey);
    form.show();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QSpinBox* spin = form.ui().suiSpinEdit1;
    QComboBox* lang = form.ui().cbbLang;
    lang->setCurrentIndex(0);
    for (QWidget* focused : std::initializer_list<QWidget*>{spin, lang, &form}) {
        focused->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), focused);
        for (bool enabled : {false, true}) {
            form.ui().btnGo->setEnabled(enabled);
            const int before = go.count();
            QTest::keyClick(focused, Qt::Key_PageDown);
            QCOMPARE(go.count(), before + (enabled ? 1 : 0));
        }
        QCOMPARE(spin->value(), 56);
        QCOMPARE(lang->currentIndex(), 0);
    }
    QTest::keyClick(spin, Qt::Key_PageUp);   // any other key is the control's
    QCOMPARE(go.count(), 3);
    QCOMPARE(spin->value(), 66);
}

void FormTest::customerLogo_data() {
    QTest::addColumn<QSize>("size");   // empty: a file that is no picture
    QTest::addColumn<bool>("custom");
    QTest::newRow("400 x 60") << QSize(400, 60) << true;
    QTest::newRow("120 x 40") << QSize(120, 40) << true;
    QTest::newRow("401 x 60") << QSize(401, 60) << false;
    QTest::newRow("400 x 61") << QSize(400, 61) << false;
    QTest::newRow("not a picture") << QSize() << false;
}

void FormTest::customerLogo() {
    QFETCH(QSize, size);
    QFETCH(bool, custom);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("logo.bmp"));
    if (size.isEmpty()) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("BM not really");
    } else {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::white);
        QVERIFY(image.save(path, "BMP"));
    }
    TForm1 form;
    QString problem;
    QCOMPARE(form.ShowCustomerLogo(path, &problem), !size.isEmpty());
    QCOMPARE(problem.isEmpty(), !size.isEmpty());
    QCOMPARE(!form.ui().imgCust->isHidden(), custom);
    QCOMPARE(!form.ui().imgLogo->isHidden(), !custom);
    if (!size.isEmpty()) QCOMPARE(form.ui().imgCust->size(), size);
}

void FormTest::languageDialog() {
    TForm2 dialog(QStringLiteral("Title TempID=9"));
    auto& ui = dialog.ui();
    QCOMPARE(dialog.size(), QSize(353, 182));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Title TempID=9"));
    QCOMPARE(ui.lbl1->text(), QStringLiteral("Please select a language."));
    QCOMPARE(ui.lbl1->pos(), QPoint(79, 56));
    ui.lbl1->ensurePolished();
    QCOMPARE(ui.lbl1->font().pixelSize(), 16);
    QCOMPARE(ui.img1->geometry(), QRect(31, 71, 32, 32));
    QVERIFY(!ui.img1->pixmap().isNull());
    QCOMPARE(ui.cbbLang->pos(), QPoint(82, 95));
    QCOMPARE(ui.cbbLang->width(), 175);
    QCOMPARE(ui.cbbLang->count(), 3);
    QCOMPARE(ui.btnOK->geometry(), QRect(268, 95, 61, 24));
    QVERIFY(ui.btnOK->isDefault());
    QCOMPARE(dialog.findChildren<QPushButton*>().size(), 1);   // no cancel

    // Enter takes the item on show; so does closing the dialog otherwise.
    QTimer::singleShot(0, &dialog, [&] { QTest::keyClick(&dialog, Qt::Key_Return); });
    QCOMPARE(dialog.Ask(1), 1);
    QTimer::singleShot(0, &dialog, [&] {
        ui.cbbLang->setCurrentIndex(2);
        dialog.reject();
    });
    QCOMPARE(dialog.Ask(0), 2);
}
