// The window bound to a station on the simulated pair, in real time on the
// window's own clock. Nothing here waits a fixed time: each test waits for
// the state it needs (with a generous limit, so a busy machine only makes
// it slower), and dialogs are answered as they show.

#include "app/title.h"
#include "frontend/sim_line.h"
#include "platform/file_lock.h"
#include "platform/qt/qt_clock.h"
#include "sim/pair_state_file.h"
#include "window/arguments.h"
#include "window/instance_hand_over.h"
#include "window/language_store.h"
#include "window/main_window.h"
#include "window_tests.h"

#include "ui_main_form.h"

#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QMovie>
#include <QPointer>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <functional>
#include <memory>

using namespace kestrelon;

namespace {

constexpr int kLimitMs = 60000;   // for what takes a second on a quiet machine

// A station on the simulated line and its window, with the settings file in
// a folder of the test and the process end recorded instead of done.
struct Bench {
    QTemporaryDir dir;
    QtClock clock;
    SimulatedLine line{clock, {}, {100, 100}};   // the finished unit is taken out at once
    std::unique_ptr<Station> st;
    std::unique_ptr<MainWindow> window;
    int endedWith = -1;
    QStringList told;   // the lines for standard error

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
        cfg.settingsLockWaitMs = 0;
        st = std::make_unique<Station>(line.backend(), clock, clock, cfg);
        MainWindow::Setup setup;
        setup.endProcess = [this](int code) { endedWith = code; };
        setup.tell = [this](const std::string& text) { told << QString::fromStdString(text); };
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
        line.attach(st->loop, st->production.unitDone, [this] { st->HidDevicesChanged(); });
    }
    bool show() {
        window->form().show();
        window->form().activateWindow();
        return QTest::qWaitForWindowActive(&window->form(), kLimitMs);
    }
    bool ready() { return ui().ledRX->Value() && ui().ledTX->Value() && ui().btnGo->isEnabled(); }
    // Both lamps lit and Go enabled: the receiver and its mouse are found.
    bool waitReady() {
        return QTest::qWaitFor([this] { return ready(); }, kLimitMs);
    }
    // Runs `f` after every change of the window's groups, once the window
    // has drawn it.
    void afterEachChange(const std::function<void()>& f) {
        PresentationModel& m = st->ui;
        for (Notifier* n : {&m.devices.changed, &m.result.changed, &m.progress.changed}) watches.push_back(n->connect(f));
    }
    std::vector<Notifier::Connection> watches;
};

// Answers each modal dialog as it shows (no polling): keeps
// "caption|text" and presses OK, or does what `act` says.
class DialogHook : public QObject {
public:
    QStringList seen;
    std::function<void(QDialog&)> act;

    DialogHook() { qApp->installEventFilter(this); }
    ~DialogHook() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* dialog = qobject_cast<QDialog*>(watched);
        if (event->type() != QEvent::Show || !dialog || !dialog->isModal()) return false;
        const auto* box = qobject_cast<QMessageBox*>(dialog);
        seen << dialog->windowTitle() + QLatin1Char('|') + (box ? box->text() : QString());
        QMetaObject::invokeMethod(
            dialog,
            [this, d = QPointer<QDialog>(dialog)] {
                if (!d) return;
                if (act) act(*d);
                else d->accept();
            },
            Qt::QueuedConnection);
        return false;
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
    QVERIFY(ui.lblAutoRun->isHidden());
    QCOMPARE(ui.ComboRFPower->currentIndex(), rfPower);
    QCOMPARE(ui.suiButton2->isEnabled(), eraseTx);
    QCOMPARE(b.ini(), ini);   // nothing written before the first activation
    QVERIFY(b.told.isEmpty());

    QVERIFY(b.show());
    QVERIFY(b.waitReady());
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

// A settings file another copy holds: the line reaches standard error
// before the box waits for OK, and the box stands in the middle of the
// screen although the window is not shown yet.
void MainWindowTest::startUpRefusalToldFirstAndCentred() {
    Bench b;
    QtClock clock;
    const FileLock::Attempt holder = FileLock::Acquire(b.iniPath().toStdString() + ".lock", 0, clock);
    QCOMPARE(holder.outcome, FileLock::Outcome::Acquired);
    DialogHook hook;
    QStringList toldBeforeTheBox;
    QRect box;
    hook.act = [&](QDialog& d) {
        toldBeforeTheBox = b.told;
        box = d.frameGeometry();
        d.accept();
    };
    QVERIFY(!b.window->FormCreate().ok);
    QCOMPARE(hook.seen.size(), 1);
    QCOMPARE(toldBeforeTheBox.size(), 1);
    QVERIFY2(toldBeforeTheBox[0].contains(QStringLiteral("in use by another copy of the program (process ")),
             qPrintable(toldBeforeTheBox[0]));
    const QPoint offCentre = box.center() - QGuiApplication::primaryScreen()->geometry().center();
    QVERIFY2(offCentre.manhattanLength() <= 4, qPrintable(QStringLiteral("%1,%2").arg(offCentre.x()).arg(offCentre.y())));
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
    QVERIFY(QTest::qWaitFor([&] { return b.ui().btnGo->isEnabled(); }, kLimitMs));
    QCOMPARE(b.ui().ledRX->Value(), receiverAnswers);
    DialogHook hook;
    QTest::mouseClick(b.ui().btnGo, Qt::LeftButton);   // returns when the box was answered
    QCOMPARE(hook.seen, QStringList{message});
    QVERIFY(b.ui().btnGo->isEnabled());
    QVERIFY(b.ui().lblResult->text().isEmpty());
}

void MainWindowTest::pageDownPasses() {
    Bench b;
    b.create();
    QVERIFY(b.show());
    QVERIFY(b.waitReady());
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
    // The finished unit is taken out; the next pair follows a moment later.
    QVERIFY(!ui.ledRX->Value() && !ui.btnGo->isEnabled());
    QVERIFY(b.waitReady());
    QCOMPARE(ui.lblResult->text(), QString());
    QVERIFY(!ui.pbSetTX->isTextVisible());
}

// Go does nothing while a unit runs, and looks it, also while the keyboard
// binding waits; afterwards the strip along the bottom tells what the unit
// got, or the step that failed, in the words of the unit's record.
void MainWindowTest::goAndTheStrip_data() {
    QTest::addColumn<bool>("passes");
    QTest::addColumn<QString>("strip");   // a pattern
    QTest::newRow("PASS with a keyboard binding") << true << "^RX ID [0-9A-F]{6}    TX ID [0-9A-F]{6}$";
    QTest::newRow("FAIL") << false << "^Failed step: writing the dongle EEPROM$";
}

void MainWindowTest::goAndTheStrip() {
    QFETCH(bool, passes);
    QFETCH(QString, strip);
    Bench b(passes ? QByteArray("[TX]\r\nMouseOnly=0\r\nKBind=1\r\n") : QByteArray());
    b.line.pair()->setKeyboardPresent(true);
    if (!passes) {
        sim::Faults f;
        f.readbackWord = 0x10;
        b.line.pair()->armFaults(f);
    }
    b.create();
    QVERIFY(b.show());
    QVERIFY(b.waitReady());
    auto& ui = b.ui();
    bool sawWait = false, goLit = false;
    b.afterEachChange([&] {
        if (!b.st->production.running()) return;
        sawWait |= ui.lblResult->text() == QLatin1String("Wait");
        goLit |= ui.btnGo->isEnabled();
    });
    QTest::mouseClick(ui.btnGo, Qt::LeftButton);   // returns when the unit is done
    const UnitRecord& r = b.st->production.lastUnit();
    QCOMPARE(r.passed, passes);
    QCOMPARE(sawWait, passes);
    QVERIFY(!goLit);
    QVERIFY(ui.pbSetTX->isTextVisible());
    QVERIFY2(QRegularExpression(strip).match(ui.pbSetTX->format()).hasMatch(), qPrintable(ui.pbSetTX->format()));
    if (passes) QVERIFY(ui.pbSetTX->format().contains(QString::fromStdString(r.rfId)));
    else QVERIFY(ui.pbSetTX->format().endsWith(QString::fromStdString(r.reason)));
}

void MainWindowTest::autoRunWhenStartedWithArgument() {
    Bench b({}, true);
    b.create();
    QVERIFY(!b.ui().lblAutoRun->isHidden());
    QCOMPARE(b.ui().lblAutoRun->text(), QStringLiteral("AUTO"));
    QVERIFY(b.show());
    QVERIFY(QTest::qWaitFor([&] { return b.ui().lblResult->text() == QLatin1String("PASS"); }, kLimitMs));
    QVERIFY(b.st->production.lastUnit().passed);
}

// --help, -h and --version ask for a text; any other argument, Qt's own
// options included, asks for automatic runs.
void MainWindowTest::arguments_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("ask");
    QTest::addColumn<bool>("autoRun");
    using Ask = WindowArguments::Ask;
    QTest::newRow("none") << QStringList{} << int(Ask::Window) << false;
    QTest::newRow("any word") << QStringList{"auto"} << int(Ask::Window) << true;
    QTest::newRow("a single dash") << QStringList{"-"} << int(Ask::Window) << true;
    QTest::newRow("Qt's style option") << QStringList{"-style", "fusion"} << int(Ask::Window) << true;
    QTest::newRow("--help") << QStringList{"--help"} << int(Ask::Help) << false;
    QTest::newRow("-h after a word") << QStringList{"auto", "-h"} << int(Ask::Help) << false;
    QTest::newRow("--version") << QStringList{"--version"} << int(Ask::Version) << false;
    QTest::newRow("-help is a word") << QStringList{"-help"} << int(Ask::Window) << true;
}

void MainWindowTest::arguments() {
    QFETCH(QStringList, args);
    QFETCH(int, ask);
    QFETCH(bool, autoRun);
    std::vector<QByteArray> bytes{"kestrelon-mfg"};
    for (const QString& a : args) bytes.push_back(a.toLocal8Bit());
    std::vector<const char*> argv;
    for (const QByteArray& a : bytes) argv.push_back(a.constData());
    const WindowArguments w = ReadWindowArguments(static_cast<int>(argv.size()), argv.data());
    QCOMPARE(int(w.ask), ask);
    QCOMPARE(w.autoRun, autoRun);
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
    QVERIFY(b.waitReady());
    b.st->erase.RX_ErasedClick(true);
    // Asked to shut down as soon as the erase shows progress.
    int endedDuringErase = -2;
    const auto watching = b.st->ui.progress.changed.connect([&] {
        if (endedDuringErase != -2 || !b.window->busy()) return;
        b.window->RequestShutdown();
        endedDuringErase = b.endedWith;
    });
    QTest::mouseClick(b.ui().suiButton1, Qt::LeftButton);   // returns when the erase is done
    QCOMPARE(endedDuringErase, -1);
    QCOMPARE(b.ui().lblResult->text(), QStringLiteral("RX Erased"));
    QVERIFY(QTest::qWaitFor([&] { return b.endedWith == 0; }, kLimitMs));
}

void MainWindowTest::connectShowsItsProgress() {
    Bench b;
    b.line.pair()->setKeyboardPresent(true);
    b.create();
    QVERIFY(b.show());
    QVERIFY(b.waitReady());
    auto& ui = b.ui();
    DialogHook hook;
    QTest::mouseClick(ui.btnCombo_Cmd_Soft_Bind_SW, Qt::LeftButton);
    QCOMPARE(ui.btnCombo_Cmd_Soft_Bind_SW->text(), QStringLiteral("&Connecting"));
    QVERIFY(!ui.gifBind->isHidden() && ui.imgConnected->isHidden());
    QCOMPARE(b.window->form().pairingMovie()->state(), QMovie::Running);

    QVERIFY(QTest::qWaitFor([&] { return !hook.seen.isEmpty(); }, kLimitMs));
    QCOMPARE(hook.seen, QStringList{QStringLiteral("Connect|Connect Success")});
    QCOMPARE(ui.btnCombo_Cmd_Soft_Bind_SW->text(), QStringLiteral("&Connect"));
    QVERIFY(ui.gifBind->isHidden() && !ui.imgConnected->isHidden());
    QCOMPARE(b.window->form().pairingMovie()->state(), QMovie::NotRunning);
}

// Two copies of the program on the simulated pair. The older one runs
// units by itself; `--help` leaves it alone; a newer copy started while it
// programs a unit waits for the unit and says so; the older one then shuts
// down through its own path (settings written, status 0), and the newer one
// ends the same way on SIGTERM, removing its socket.
void MainWindowTest::twoProcesses() {
    QTemporaryDir dir, runtime;
    QVERIFY(QFile::setPermissions(runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                      QFileDevice::ExeOwner));
    const QString name = QStringLiteral("mfg-%1").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
    const QString exe = dir.filePath(name);
    QVERIFY(QFile::copy(QStringLiteral(KESTRELON_MFG), exe));
    for (const char* folder : {"older", "newer"}) QVERIFY(QDir(dir.path()).mkpath(QString::fromLatin1(folder)));
    // Sequential RF IDs: a passing unit leaves its IDs in the counters. Its
    // keyboard binding makes the unit long enough (6 s) to start a copy in it.
    QFile ini(dir.filePath(QStringLiteral("older/TX.ini")));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[TX]\r\nMouseOnly=0\r\nKBind=1\r\nRXRFIDINFO=object TProdRFID;  IsRandom = False;  "
              "IncInitRFID = 4096;  IncPrevRFID = 4095;  IncCurrentRFID = 0;end;\r\n");
    ini.close();
    const QString pairState = dir.filePath(QStringLiteral("older/pair.json"));
    std::string why;
    QVERIFY2(sim::SavePairState(pairState.toStdString(),
                                sim::PairFirmware(sim::PairConfig{.keyboardPresent = true}, [] { return uint64_t(0); }),
                                why),
             why.c_str());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("KESTRELON_SIM"), QStringLiteral("1"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), qEnvironmentVariable("XDG_CONFIG_HOME"));   // the stored language
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    LanguageStore().Save(lkEng);
    auto start = [&](const char* folder, const QStringList& args) {
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(dir.filePath(QString::fromLatin1(folder)));
        p->start(exe, args);
        return p;
    };
    const InstanceHandOver::Address address{runtime.filePath(name + QStringLiteral("-instance")), false};
    auto state = [&] { return InstanceHandOver::Ask(address, "state", 2000); };
    auto waitState = [&](const char* wanted) {
        return QTest::qWaitFor([&] { return state() == QLatin1String(wanted); }, kLimitMs);
    };

    env.insert(QStringLiteral("KESTRELON_SIM_STATE"), pairState);
    auto older = start("older", {QStringLiteral("auto")});
    env.remove(QStringLiteral("KESTRELON_SIM_STATE"));
    QVERIFY(waitState("busy"));   // up, and programming its first unit

    auto help = start("newer", {QStringLiteral("--help")});
    QVERIFY(help->waitForFinished(kLimitMs));
    QCOMPARE(help->exitCode(), 0);
    QVERIFY(help->readAllStandardOutput().startsWith("Usage: kestrelon-mfg"));
    QVERIFY(state() == QLatin1String("busy") || state() == QLatin1String("ready"));

    auto newer = start("newer", {});
    QVERIFY(older->waitForFinished(kLimitMs));
    QCOMPARE(older->exitStatus(), QProcess::NormalExit);
    QCOMPARE(older->exitCode(), 0);
    QVERIFY(ini.open(QIODevice::ReadOnly));
    const QByteArray kept = ini.readAll();
    QVERIFY2(QRegularExpression(QStringLiteral("RXRFIDINFO=.*IncCurrentRFID = [1-9]")).match(QString::fromLatin1(kept)).hasMatch(),
             kept.constData());   // the unit passed and its counters were kept

    QVERIFY(waitState("ready"));
    ::kill(static_cast<pid_t>(newer->processId()), SIGTERM);
    QVERIFY(newer->waitForFinished(kLimitMs));
    QCOMPARE(newer->exitStatus(), QProcess::NormalExit);
    QCOMPARE(newer->exitCode(), 0);
    const QByteArray newerSaid = newer->readAllStandardError();
    QVERIFY2(newerSaid.contains("kestrelon-mfg: Waiting for the running copy (process"), newerSaid.constData());
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("newer/TX.ini"))));
    QVERIFY(!QFile::exists(address.name));
}
