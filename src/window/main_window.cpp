#include "window/main_window.h"

#include "app/title.h"
#include "window/captions.h"
#include "window/pictures.h"
#include "window/settings_side.h"

#include "ui_main_form.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QMovie>
#include <QPainter>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

#ifndef _WIN32
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace kestrelon {

namespace {

QString Text(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

QColor LampColour(LampColor c) { return c == LampColor::Green ? QColor(0, 255, 0) : QColor(255, 0, 0); }

ResultLook LookOf(ResultColor c) {
    switch (c) {
    case ResultColor::Lime: return ResultLook::Lime;
    case ResultColor::Blue: return ResultLook::Blue;
    case ResultColor::Red: return ResultLook::Red;
    case ResultColor::None: break;
    }
    return ResultLook::None;
}

void SetText(QLineEdit* e, const std::string& s) {
    const QString t = Text(s);
    if (e->text() != t) e->setText(t);
}

// A message box with a line round it, so it stands apart from the window
// it covers even where no window manager draws a frame. Before the window
// shows (a start-up message) it stands in the middle of the screen, not
// over the place the hidden window has not yet taken.
class FramedBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;
    bool centreOnScreen = false;

protected:
    void showEvent(QShowEvent* e) override {
        QMessageBox::showEvent(e);
        if (const QScreen* screen = QGuiApplication::primaryScreen(); screen && centreOnScreen)
            move(screen->geometry().center() - rect().center());
    }
    void paintEvent(QPaintEvent* e) override {
        QMessageBox::paintEvent(e);
        QPainter p(this);
        p.setPen(palette().color(QPalette::Dark));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
};

// dlgError, dlgBind and the plain box: modal message boxes over the window.
class DialogSink : public MessageSink {
public:
    explicit DialogSink(QWidget& parent) : parent_(parent) {}
    void showMessage(MessageKind kind, const std::string& caption, const std::string& text) override {
        QString body = Text(text);
        body.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        while (body.endsWith(QLatin1Char('\n'))) body.chop(1);
        const QMessageBox::Icon icon = kind == MessageKind::Warning   ? QMessageBox::Warning
                                       : kind == MessageKind::Pairing ? QMessageBox::Information
                                                                      : QMessageBox::NoIcon;
        FramedBox box(icon, Text(caption), body, QMessageBox::Ok, &parent_);
        box.setObjectName(kind == MessageKind::Warning ? QStringLiteral("dlgError")
                          : kind == MessageKind::Pairing ? QStringLiteral("dlgBind")
                                                         : QStringLiteral("dlgMessage"));
        box.centreOnScreen = !parent_.isVisible();
        box.exec();
    }

private:
    QWidget& parent_;
};

void EndAtOnce(int code) {
    std::fflush(nullptr);
    std::_Exit(code);
}

void TellStderr(const std::string& text) {
    std::fprintf(stderr, "kestrelon-mfg: %s\n", text.c_str());
    std::fflush(stderr);
}

} // namespace

MainWindow::MainWindow(Station& station, Setup setup)
    : st_(station), setup_(std::move(setup)), form_(std::make_unique<TForm1>()) {
    if (!setup_.endProcess) setup_.endProcess = EndAtOnce;
    if (!setup_.tell) setup_.tell = TellStderr;
    settings_ = std::make_unique<SettingsSide>(*form_, st_);
    sink_ = std::make_unique<DialogSink>(*form_);
}

MainWindow::~MainWindow() {
    st_.messages.install(nullptr);
}

SettingsStatus MainWindow::FormCreate() {
    st_.messages.install(sink_.get());
    watchModel();
    connectControls();
    const SettingsStatus started = st_.StartUp(startUpHooks());
    // A settings file that another copy holds or that cannot be read: told,
    // and no unit may be programmed. A damaged file's copy is told too.
    // Standard error first: the box waits for somebody to press OK.
    if (!started.message.empty()) {
        setup_.tell(started.message);
        st_.messages.warning(started.message);
    }
    return started;
}

// The window's part of the start-up; the station calls each at its place.
StartUpHooks MainWindow::startUpHooks() {
    StartUpHooks h;
    h.identity = [this] { tempId_ = DrawTempID(); };
    h.title = [this] { form_->setWindowTitle(Text(MainWindowTitle(tempId_, st_.sharedStoreName()))); };
    // Started with an argument: units start without a key press; say so.
    h.autoRunNote = [this] { form_->ui().lblAutoRun->setVisible(st_.run.AutoRun); };
    h.handOver = [this] {
        if (setup_.singleInstance) setup_.singleInstance();
    };
    h.language = [this] { settings_->LoadLanguage(); };
    // Key preview: TForm1 sees Page Down before the focused control.
    h.keys = [this] { connect(form_.get(), &TForm1::goHotKey, this, [this] { st_.production.FormKeyDown(0x22); }); };
    h.clearBoxes = [this] {
        auto& ui = form_->ui();
        for (QLineEdit* e : {ui.edtEEPROM_20, ui.edtMseDongleAddr, ui.edtTX_SN, ui.edtRX_SN}) e->clear();
        ui.lblRX_Date->clear();
        ui.lblTX_Date->clear();
    };
    h.looks = [this] {
        auto& ui = form_->ui();
        for (QWidget* w : std::initializer_list<QWidget*>{ui.gb1, ui.gbRX, ui.gbTX, ui.edtMseDongleAddr, ui.edtTX_SN,
                                                          ui.edtRX_SN, ui.lbl14, ui.lbl55, ui.Label2})
            w->hide();
        ui.imgConnected->move(ui.gifBind->pos());
        ui.imgNoneDev->move(ui.gifBind->pos());
        if (QFile::exists(QStringLiteral("logo.bmp"))) {
            QString problem;
            if (!form_->ShowCustomerLogo(QStringLiteral("logo.bmp"), &problem))
                std::fprintf(stderr, "kestrelon-mfg: logo.bmp not shown: %s\n", qPrintable(problem));
        }
    };
    h.layout = [this] {
        auto& ui = form_->ui();
        // Sizing runs the layout rule, so the window is centred with the
        // height the rule gives.
        form_->setFixedSize(TForm1::BaseWidth, form_->BaseHeight);
        form_->FormResize();
        form_->CentreOnScreen();
        ui.pbSetTX->setGeometry(0, ui.pbSetTX->y(), form_->width(), ui.pbSetTX->height());
    };
    h.bindSettings = [this] { settings_->Bind(); };
    // The window itself takes the keys until the operator picks a
    // control, so Page Down starts Go and changes nothing else.
    h.ready = [this] {
        form_->setFocus();
        form_->update();
    };
    h.pump = [] { QCoreApplication::processEvents(); };
    return h;
}

void MainWindow::connectControls() {
    auto& ui = form_->ui();
    Station& st = st_;
    connect(form_.get(), &TForm1::formActivated, this, [&st] { st.FormActivate(); });
    form_->closeQuery = [this] {
        RequestShutdown();
        return false;   // FormCloseQuery ends the process itself
    };
    connect(ui.btnGo, &QPushButton::clicked, this, [&st] { st.production.btnGoClick(); });
    connect(ui.btnCombo_Cmd_Soft_Bind_SW, &QPushButton::clicked, this,
            [&st] { st.pairing.btnCombo_Cmd_Soft_Bind_SWClick(); });

    // ComboRFPower, cbResetRF, cbKeyboardbind and CallMERO are options: the
    // settings side binds them with the other setting controls.

    connect(ui.TX_Erased, &QCheckBox::clicked, this, [&st](bool on) { st.erase.TX_ErasedClick(on); });
    connect(ui.RX_Erased, &QCheckBox::clicked, this, [&st](bool on) { st.erase.RX_ErasedClick(on); });
    connect(ui.suiButton2, &QPushButton::clicked, this, [this] { erase(&EraseTools::suiButton2Click); });
    connect(ui.suiButton1, &QPushButton::clicked, this, [this] { erase(&EraseTools::suiButton1Click); });
}

// One redraw per group, run when the group announces a change; each is run
// once here so the window starts from what the station holds.
void MainWindow::watchModel() {
    auto watch = [this](Notifier& n, void (MainWindow::*draw)()) {
        watches_.push_back(n.connect([this, draw] { (this->*draw)(); }));
        (this->*draw)();
    };
    PresentationModel& m = st_.ui;
    watch(m.devices.changed, &MainWindow::drawDevices);
    watch(m.language.changed, &MainWindow::drawDevices);   // the Connect caption
    watch(m.result.changed, &MainWindow::drawResult);
    watch(m.progress.changed, &MainWindow::drawProgress);
    watch(m.erase.changed, &MainWindow::drawErase);
    watch(m.options.changed, &MainWindow::drawOptions);
    watches_.push_back(m.debug.changed.connect([this] { addDebugLine(); }));
    watches_.push_back(st_.production.unitDone.connect([this] { afterOperation(); }));
}

void MainWindow::drawDevices() {
    auto& ui = form_->ui();
    const DeviceStatus& d = *st_.ui.devices;
    for (auto [led, lamp] : {std::pair{ui.ledRX, d.ledRX}, std::pair{ui.ledTX, d.ledTX}}) {
        led->setTrueColor(LampColour(lamp.TrueColor));
        led->setValue(lamp.Value);
    }
    SetText(ui.edtRX, d.edtRX);
    SetText(ui.edtTX, d.edtTX);
    SetText(ui.edtVID, d.edtVID);
    SetText(ui.edtPID, d.edtPID);

    ui.imgNoneDev->setVisible(d.picture == ConnectPicture::NoneDev);
    ui.imgConnected->setVisible(d.picture == ConnectPicture::Connected);
    ui.gifBind->setVisible(d.picture == ConnectPicture::Bind);
    QMovie* movie = form_->pairingMovie();
    if (d.picture == ConnectPicture::Bind && d.gifBindAnimating) {
        if (movie->state() != QMovie::Running) movie->start();
    } else if (movie->state() != QMovie::NotRunning) {
        movie->stop();
    }

    SetCaption(ui.btnCombo_Cmd_Soft_Bind_SW, Text(st_.ui.language.text(d.btnConnectCaptionId)));
    enable(ui.btnCombo_Cmd_Soft_Bind_SW, d.btnConnectEnabled);
    // The link check inside a cycle lights Go again while the cycle still
    // runs (up to 16 s of keyboard binding); Go does nothing then, so it
    // does not look as if it would.
    enable(ui.btnGo, d.btnGoEnabled && !st_.production.running());
    // "Keyboard Binding" follows the RX type: the settings side shows it.
}

// A control disabled while it has the focus would hand it to the next one,
// which would then take the next Page Down as well (a combo box changes its
// item): the window takes the focus instead.
void MainWindow::enable(QWidget* control, bool on) {
    if (!on && control->hasFocus()) form_->setFocus();
    control->setEnabled(on);
}

void MainWindow::drawResult() {
    auto& ui = form_->ui();
    const ResultArea& r = *st_.ui.result;
    ui.lblResult->setText(Text(r.lblResult));
    form_->setResultLook(LookOf(r.lblResultColor));
    // The idle picture tells the last verdict at a glance.
    ui.Image1->setPixmap(r.lblResultColor == ResultColor::Blue  ? pictures::Pass()
                         : r.lblResultColor == ResultColor::Red ? pictures::Fail()
                                                                : pictures::Idle());
    ui.Image1->setVisible(r.Image1Visible);
    ui.Image2->setVisible(r.Image2Visible);
    SetText(ui.edtMseDongleAddr, r.edtMseDongleAddr);
    SetText(ui.edtTX_SN, r.edtTX_SN);
    SetText(ui.edtRX_SN, r.edtRX_SN);
    SetText(ui.edtCaliTime, r.edtCaliTime);
    // Why the unit failed or what it got, on the strip along the bottom.
    QProgressBar* strip = ui.pbSetTX;
    QString info = Text(r.unitInfo);
    strip->setToolTip(info);
    strip->setFormat(info.replace(QLatin1Char('%'), QLatin1String("%%")));
    strip->setTextVisible(!info.isEmpty());
}

void MainWindow::drawProgress() { form_->ui().pbSetTX->setValue(*st_.ui.progress); }

void MainWindow::drawErase() {
    enable(form_->ui().suiButton2, st_.ui.erase->suiButton2Enabled);
    enable(form_->ui().suiButton1, st_.ui.erase->suiButton1Enabled);
}

// The erase group's check boxes; every other option control is the
// settings side's.
void MainWindow::drawOptions() {
    auto& ui = form_->ui();
    const ProductSettings& o = *st_.ui.options;
    ui.TX_Erased->setChecked(o.TX_Erased);
    ui.RX_Erased->setChecked(o.RX_Erased);
}

// The debug list announces each line as it is added.
void MainWindow::addDebugLine() {
    const auto& lines = st_.ui.debug.lines();
    QListWidget* list = form_->ui().lstDebug;
    if (lines.empty()) return;
    while (list->count() >= static_cast<int>(DebugList::kCapacity)) delete list->takeItem(0);
    list->addItem(Text(lines.back()));
}

void MainWindow::erase(void (EraseTools::*button)()) {
    erasing_ = true;
    (st_.erase.*button)();
    erasing_ = false;
    afterOperation();
}

bool MainWindow::busy() const { return erasing_ || st_.production.running(); }

void MainWindow::afterOperation() {
    // A shut-down asked for during the operation runs now that it is over,
    // from the event loop rather than from inside the handler that ended.
    if (shutdownPending_) QTimer::singleShot(0, this, [this] { RequestShutdown(); });
}

void MainWindow::RequestShutdown() {
    if (closing_) return;
    if (busy()) {
        shutdownPending_ = true;
        return;
    }
    FormCloseQuery();
}

void MainWindow::FormCloseQuery() {
    closing_ = true;
    st_.FormCloseQuery();
    if (setup_.onClosing) setup_.onClosing();
    setup_.endProcess(0);
}

#ifndef _WIN32
namespace {
int signalPipe[2] = {-1, -1};

void OnShutdownSignal(int) {
    const char c = 1;
    [[maybe_unused]] const ssize_t n = write(signalPipe[1], &c, 1);
}
} // namespace

void MainWindow::CatchShutdownSignals(std::function<void()> onSignal) {
    if (signalPipe[0] >= 0 || pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [cb = std::move(onSignal)] {
        char buf[16];
        while (read(signalPipe[0], buf, sizeof buf) > 0) {
        }
        cb();
    });
    struct sigaction sa {};
    sa.sa_handler = OnShutdownSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
}
#else
void MainWindow::CatchShutdownSignals(std::function<void()>) {}
#endif

} // namespace kestrelon
