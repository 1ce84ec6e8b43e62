// The window bound to a station on the simulated pair, in real time on the
// window's own clock.

#include "app/title.h"
#include "frontend/sim_line.h"
#include "platform/qt/qt_clock.h"
#include "window/instance_hand_over.h"
#include "window/language_store.h"
#include "window/main_window.h"
#include "window_tests.h"

#include "ui_main_form.h"

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QMessageBox>
#include <QMovie>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <memory>

using namespace kestrelon;

namespace {

// A station on the simulated line and its window, with the settings file in
// a folder of the test and the process end recorded instead of done.
struct Bench {
    QTemporaryDir dir;
    QtClock clock;
    SimulatedLine line{clock, {}, {100, 100}};   // the finished unit is taken out at once
    std::unique_ptr<Station> st;
    std::unique_ptr<MainWindow> window;
    int endedWith = -1;

    explicit Bench(const QByteArray& ini = {}, bool autoRun = false) {
        LanguageStore().Save(lkEng);
        if (!ini.isEmpty()) {
            QFile f(iniPath());
            f.open(QIODevice::WriteOnly);
            f.write(ini);
        }
        std::string why;
        line.plugFirstPair(why);
        StationConfig cfg;
        cfg.settingsPath = iniPath().toStdString();
        cfg.currentDirectory = dir.path().toStdString();
        cfg.autoRun = autoRun;
        st = std::make_unique<Station>(line.backend(), clock, clock, cfg);
        MainWindow::Setup setup;
        setup.endProcess = [this](int code) { endedWith = code; };
        window = std::make_unique<MainWindow>(*st, setup);
    }
    QString iniPath() const { return dir.filePath(QStringLiteral("TX.ini")); }
    QByteArray ini() const {
        QFile f(iniPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    Ui::TForm1& ui() { return window->form().ui(); }

    void create() {
        window->FormCreate();
        line.attach(*st);
    }
    bool show() {
        window->form().show();
        window->form().activateWindow();
        return QTest::qWaitForWindowActive(&window->form());
    }
    bool ready() { return ui().ledRX->Value() && ui().ledTX->Value() && ui().btnGo->isEnabled(); }
};

// Answers the next modal message boxes with OK and keeps "caption|text".
struct MessageCatcher {
    QStringList seen;
    QTimer timer;
    MessageCatcher() {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                seen << box->windowTitle() + QLatin1Char('|') + box->text();
                box->accept();
            }
        });
        timer.start(20);
    }
};

} // namespace

void MainWindowTest::startUpAndClose_data() {
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<int>("rfPower");   // ComboRFPower's item after the load
    QTest::addColumn<bool>("eraseTx");  // suiButton2 armed by the stored TX_Erased
    QTest::newRow("no TX.ini") << QByteArray() << 3 << false;
    QTest::newRow("TX.ini") << QByteArray("[TX]\r\nRFPower=1\r\nTX_Erased=1\r\nModel_Select=0\r\n") << 1 << true;
}

void MainWindowTest::startUpAndClose() {
    QFETCH(QByteArray, ini);
    QFETCH(int, rfPower);
    QFETCH(bool, eraseTx);
    Bench b(ini);
    b.create();
    auto& ui = b.ui();
    TForm1& form = b.window->form();

    const QRegularExpression title(
        QStringLiteral("^Kestrelon 2\\.4GHz RF SoC Manufacture Tool V0\\.36 For Holmar Only TempID=(\\d+)$"));
    const auto m = title.match(form.windowTitle());
    QVERIFY2(m.hasMatch(), qPrintable(form.windowTitle()));
    const int tempId = m.captured(1).toInt();
    QCOMPARE(tempId, b.window->TempID());
    QVERIFY(tempId >= 1 && tempId <= 254);
    for (int reserved : {0x0F, 0x55, 0x5A, 0xA5, 0xAA, 0xF0}) QVERIFY(tempId != reserved);

    QCOMPARE(form.size(), QSize(900, 616));
    QCOMPARE(ui.gbFnKey->geometry().bottom() + 1, ui.gbGo->y());
    QCOMPARE(ui.gbGo->geometry().bottom() + 1, ui.pbSetTX->y());
    QCOMPARE(ui.pbSetTX->geometry(), QRect(0, 595, 900, 21));
    QVERIFY(ui.Image1->isHidden() && ui.lblResult->text().isEmpty() && ui.gbRX->isHidden());
    QCOMPARE(ui.ComboRFPower->currentIndex(), rfPower);
    QCOMPARE(ui.suiButton2->isEnabled(), eraseTx);
    QCOMPARE(b.ini(), ini);   // nothing written before the first activation

    QVERIFY(b.show());
    QTRY_VERIFY_WITH_TIMEOUT(b.ready(), 5000);
    QCOMPARE(ui.edtVID->text(), QStringLiteral("F3D7"));
    QCOMPARE(ui.edtPID->text(), QStringLiteral("053A"));
    QVERIFY(!ui.imgConnected->isHidden() && ui.imgNoneDev->isHidden());
    QCOMPARE(ui.edtTX->text(), QStringLiteral("Mouse TX Ready"));
    QCOMPARE(ui.ledTX->TrueColor(), QColor(0, 255, 0));

    b.st->commands.rbC_RF_ENTER_ACCESS_WO_LEDClick();
    b.line.pair()->settle();
    QVERIFY(b.line.pair()->mouseInAccessMode());
    form.close();
    QCOMPARE(b.endedWith, 0);
    QVERIFY(b.ini().contains("RFPower=" + QByteArray::number(rfPower)));
    b.line.pair()->settle();
    QVERIFY(!b.line.pair()->mouseInAccessMode());
}

void MainWindowTest::goRefused_data() {
    QTest::addColumn<bool>("receiverAnswers");
    QTest::addColumn<QString>("message");
    QTest::newRow("mouse silent") << true << "Message|Please Check Device:\n* Mouse TX";
    QTest::newRow("receiver silent") << false << "Message|Please Check Device:\n* Mouse TX\n* Mouse RX";
}

void MainWindowTest::goRefused() {
    QFETCH(bool, receiverAnswers);
    QFETCH(QString, message);
    Bench b;
    b.line.pair()->setMousePowered(false);
    if (!receiverAnswers) {
        sim::Faults f;
        f.transferErrorFrom = 1;
        b.line.pair()->armFaults(f);
    }
    b.create();
    QVERIFY(b.show());
    QTRY_VERIFY_WITH_TIMEOUT(b.ui().btnGo->isEnabled(), 5000);
    QCOMPARE(b.ui().ledRX->Value(), receiverAnswers);
    MessageCatcher catcher;
    QTest::mouseClick(b.ui().btnGo, Qt::LeftButton);
    QCOMPARE(catcher.seen, QStringList{message});
    QVERIFY(b.ui().btnGo->isEnabled());
    QVERIFY(b.ui().lblResult->text().isEmpty());
}

void MainWindowTest::pageDownPasses() {
    Bench b;
    b.create();
    QVERIFY(b.show());
    QTRY_VERIFY_WITH_TIMEOUT(b.ready(), 5000);
    auto& ui = b.ui();
    QCOMPARE(QApplication::focusWidget(), &b.window->form());   // the window takes the keys at first
    ui.btnCombo_Cmd_Soft_Bind_SW->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), ui.btnCombo_Cmd_Soft_Bind_SW);

    QTest::keyClick(ui.btnCombo_Cmd_Soft_Bind_SW, Qt::Key_PageDown);   // returns when the unit is done
    const UnitRecord& r = b.st->production.lastUnit();
    QVERIFY2(r.passed, r.reason.c_str());
    QCOMPARE(ui.lblResult->text(), QStringLiteral("PASS"));
    QVERIFY(ui.lblResult->styleSheet().contains(QStringLiteral("#0000ff")));
    QVERIFY(QRegularExpression(QStringLiteral("^\\d+\\.\\d{3}$")).match(ui.edtCaliTime->text()).hasMatch());
    QCOMPARE(ui.edtMseDongleAddr->text().toStdString(), r.rfId);
    QCOMPARE(ui.edtRX_SN->text().toStdString(), r.rxSn);
    QCOMPARE(ui.pbSetTX->value(), 20);
    QVERIFY(!ui.Image1->isHidden());
    QVERIFY(b.ini().contains("RXRFIDINFO"));   // the counters were kept
    // Connect, disabled with the focus, left it to the window, not to the next control.
    QCOMPARE(QApplication::focusWidget(), &b.window->form());
    // The finished unit is taken out; the next pair follows a second later.
    QVERIFY(!ui.ledRX->Value() && !ui.btnGo->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(b.ready(), 5000);
    QCOMPARE(ui.lblResult->text(), QString());
}

void MainWindowTest::autoRunWhenStartedWithArgument() {
    Bench b({}, true);
    b.create();
    QVERIFY(b.show());
    QTRY_COMPARE_WITH_TIMEOUT(b.ui().lblResult->text(), QStringLiteral("PASS"), 15000);
    QVERIFY(b.st->production.lastUnit().passed);
}

void MainWindowTest::eraseButtonsFollowTheirBoxes() {
    Bench b;
    b.create();
    auto& ui = b.ui();
    for (auto [box, button] : {std::pair{ui.TX_Erased, ui.suiButton2}, std::pair{ui.RX_Erased, ui.suiButton1}}) {
        box->setEnabled(true);   // the settings lock is open
        QVERIFY(!button->isEnabled());
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, box->height() / 2));
        QVERIFY2(button->isEnabled(), qPrintable(box->objectName()));
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, box->height() / 2));
        QVERIFY(!button->isEnabled());
    }
}

void MainWindowTest::shutdownWaitsForAnErase() {
    Bench b;
    b.create();
    QVERIFY(b.show());
    QTRY_VERIFY_WITH_TIMEOUT(b.ready(), 5000);
    b.st->erase.RX_ErasedClick(true);
    int endedDuringErase = -2;
    QTimer::singleShot(300, [&] {
        b.window->RequestShutdown();
        endedDuringErase = b.endedWith;
    });
    QTest::mouseClick(b.ui().suiButton1, Qt::LeftButton);   // returns when the erase is done
    QCOMPARE(endedDuringErase, -1);
    QCOMPARE(b.ui().lblResult->text(), QStringLiteral("RX Erased"));
    QTRY_COMPARE(b.endedWith, 0);
}

void MainWindowTest::connectShowsItsProgress() {
    Bench b;
    b.line.pair()->setKeyboardPresent(true);
    b.create();
    QVERIFY(b.show());
    QTRY_VERIFY_WITH_TIMEOUT(b.ready(), 5000);
    auto& ui = b.ui();
    MessageCatcher catcher;
    QTest::mouseClick(ui.btnCombo_Cmd_Soft_Bind_SW, Qt::LeftButton);
    QCOMPARE(ui.btnCombo_Cmd_Soft_Bind_SW->text(), QStringLiteral("&Connecting"));
    QVERIFY(!ui.gifBind->isHidden() && ui.imgConnected->isHidden());
    QCOMPARE(b.window->form().pairingMovie()->state(), QMovie::Running);

    QTRY_COMPARE_WITH_TIMEOUT(catcher.seen, QStringList{QStringLiteral("Connect|Connect Success")}, 10000);
    QCOMPARE(ui.btnCombo_Cmd_Soft_Bind_SW->text(), QStringLiteral("&Connect"));
    QVERIFY(ui.gifBind->isHidden() && !ui.imgConnected->isHidden());
    QCOMPARE(b.window->form().pairingMovie()->state(), QMovie::NotRunning);
}

// Two copies of the program on the simulated pair: the newer one asks the
// older to shut down, which writes its settings and ends with status 0; the
// newer one ends the same way on SIGTERM.
void MainWindowTest::twoProcesses() {
    QTemporaryDir dir;
    const QString name = QStringLiteral("mfg-%1").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
    const QString exe = dir.filePath(name);
    QVERIFY(QFile::copy(QStringLiteral(KESTRELON_MFG), exe));
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("older")) && QDir(dir.path()).mkpath(QStringLiteral("newer")));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("KESTRELON_SIM"), QStringLiteral("1"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), qEnvironmentVariable("XDG_CONFIG_HOME"));   // the stored language
    LanguageStore().Save(lkEng);
    auto start = [&](const char* folder) {
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(dir.filePath(QString::fromLatin1(folder)));
        p->start(exe, {});
        return p;
    };
    // Up once it listens for newer copies.
    auto listening = [&] {
        QLocalSocket s;
        s.connectToServer(InstanceHandOver::ServerName(name));
        return s.waitForConnected(100);
    };

    // Listening comes before the settings load; give the window time to show.
    auto older = start("older");
    QTRY_VERIFY_WITH_TIMEOUT(listening(), 10000);
    QTest::qWait(1000);
    auto newer = start("newer");
    QVERIFY(older->waitForFinished(5000));
    QCOMPARE(older->exitStatus(), QProcess::NormalExit);
    QCOMPARE(older->exitCode(), 0);
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("older/TX.ini"))));

    QTRY_VERIFY_WITH_TIMEOUT(listening(), 10000);
    QTest::qWait(1000);
    ::kill(static_cast<pid_t>(newer->processId()), SIGTERM);
    QVERIFY(newer->waitForFinished(5000));
    QCOMPARE(newer->exitStatus(), QProcess::NormalExit);
    QCOMPARE(newer->exitCode(), 0);
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("newer/TX.ini"))));
}
