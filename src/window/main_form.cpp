#include "window/main_form.h"

#include "device/hotkey_lists.h"
#include "window/pictures.h"

#include "ui_main_form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QImageReader>
#include <QKeyEvent>
#include <QMovie>
#include <QScreen>

namespace kestrelon {

TForm1::TForm1(QWidget* parent) : QWidget(parent), ui_(std::make_unique<Ui::TForm1>()) {
    pictures::Init();
    ui_->setupUi(this);
    fillLists();
    setPictures();
    setWindowIcon(pictures::Icon());

    connect(ui_->imgLogo, &TImagePanel::doubleClicked, this, &TForm1::logoDoubleClicked);
    connect(ui_->imgCust, &TImagePanel::doubleClicked, this, &TForm1::logoDoubleClicked);
    connect(ui_->cbbLang, &QComboBox::activated, this, &TForm1::languagePicked);

    // Key preview: the window sees a key before the control that has the focus.
    qApp->installEventFilter(this);
}

TForm1::~TForm1() = default;

QWidget* TForm1::control(const QString& name, Qt::CaseSensitivity cs) const {
    if (cs == Qt::CaseSensitive) return findChild<QWidget*>(name);
    for (QWidget* w : findChildren<QWidget*>())
        if (w->objectName().compare(name, Qt::CaseInsensitive) == 0) return w;
    return nullptr;
}

void TForm1::fillLists() {
    for (const CustKeyItem& item : CustKeyList) {
        ui_->cbCustKey1->addItem(QString::fromUtf8(item.text), item.usage);
        ui_->cbCustKey2->addItem(QString::fromUtf8(item.text), item.usage);
    }
    ui_->cbCustKey1->setCurrentIndex(kCustKey1Default);
    ui_->cbCustKey2->setCurrentIndex(kCustKey2Default);

    for (const BatteryItem& item : BatteryLevelList) ui_->cbRF_Set_BTY_Low_Level->addItem(QString::fromUtf8(item.text));
    ui_->cbRF_Set_BTY_Low_Level->setCurrentIndex(kBatteryDefault);

    QStringList fnItems;
    for (const char* t : FnKeyList) fnItems << QString::fromUtf8(t);
    for (int i = 1; i <= 12; ++i) {
        auto* box = static_cast<QComboBox*>(control(QStringLiteral("FnF%1").arg(i), Qt::CaseInsensitive));
        box->addItems(fnItems);
        box->setCurrentIndex(0);
        box->view()->setMinimumWidth(180);
    }
    for (QComboBox* box : {ui_->FnPR, ui_->FnBreak}) {
        box->addItems(fnItems);
        box->setCurrentIndex(-1);   // shows "Empty"
    }
    // A Fn box without a selection shows its placeholder where the form
    // shows a text: drawn as an item's text is, dark while the box can be
    // used and grey while it is locked.
    for (QComboBox* box : findChildren<QComboBox*>()) {
        if (!box->objectName().startsWith(QLatin1String("Fn"), Qt::CaseInsensitive)) continue;
        QPalette p = box->palette();
        for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            p.setColor(g, QPalette::PlaceholderText, p.color(g, QPalette::ButtonText));
        box->setPalette(p);
    }
}

void TForm1::setPictures() {
    ui_->imgLogo->setPicture(pictures::Logo());
    ui_->imgNoneDev->setPixmap(pictures::NoReceiver());
    ui_->imgConnected->setPixmap(pictures::Connected());
    movie_ = new QMovie(pictures::PairingMovie(), QByteArray(), this);
    ui_->gifBind->setMovie(movie_);
    ui_->Image1->setPixmap(pictures::Idle());
    ui_->Image2->setPixmap(pictures::Waiting());
    const QList<QPixmap> langs = pictures::LanguageImages();
    ui_->cbbLang->setImages(langs);
    ui_->cbbLang->setIconSize(langs.front().size());
}

void TForm1::FormResize() {
    const int h = BaseHeight + ui_->gbFnKey->height() - ui_->gb1->height() - ui_->gbRX->height() - ui_->gbTX->height();
    if (size() != QSize(BaseWidth, h)) setFixedSize(BaseWidth, h);
    const int pb = ui_->pbSetTX->height();
    const int go = ui_->gbGo->height();
    ui_->pbSetTX->move(ui_->pbSetTX->x(), h - pb);
    ui_->gbGo->move(ui_->gbGo->x(), h - go - pb);
    ui_->gbFnKey->move(ui_->gbFnKey->x(), h - go - pb - ui_->gbFnKey->height());
}

void TForm1::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    FormResize();
}

void TForm1::ApplyStartUpLook() {
    ui_->lblResult->clear();
    ui_->Image1->hide();
    for (QLineEdit* e : {ui_->edtEEPROM_20, ui_->edtMseDongleAddr, ui_->edtTX_SN, ui_->edtRX_SN}) e->clear();
    ui_->lblRX_Date->clear();
    ui_->lblTX_Date->clear();
    for (QWidget* w : std::initializer_list<QWidget*>{ui_->gb1, ui_->gbRX, ui_->gbTX, ui_->edtMseDongleAddr,
                                                      ui_->edtTX_SN, ui_->edtRX_SN, ui_->lbl14, ui_->lbl55,
                                                      ui_->Label2})
        w->hide();
    ui_->imgConnected->move(ui_->gifBind->pos());
    ui_->imgNoneDev->move(ui_->gifBind->pos());
    // Sizing the window runs the layout rule at once, so it is centred with
    // the height the rule gives.
    setFixedSize(BaseWidth, BaseHeight);
    FormResize();
    CentreOnScreen();
    ui_->pbSetTX->setGeometry(0, ui_->pbSetTX->y(), width(), ui_->pbSetTX->height());
}

void TForm1::CentreOnScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QSize s = screen->size();
    move(s.width() / 2 - width() / 2, s.height() / 2 - height() / 2);
}

bool TForm1::ShowCustomerLogo(const QString& path, QString* problem) {
    QImageReader reader(path);
    const QImage image = reader.read();
    if (image.isNull()) {
        if (problem) *problem = reader.errorString();
        ui_->imgCust->hide();
        ui_->imgLogo->show();
        return false;
    }
    // Shown with a transparent background: the colour of the bottom-left
    // pixel lets the window through.
    QPixmap pm = QPixmap::fromImage(image);
    pm.setMask(pm.createMaskFromColor(image.pixelColor(0, image.height() - 1)));
    ui_->imgCust->setPicture(pm);
    const bool fits = image.width() <= 400 && image.height() <= 60;
    ui_->imgCust->setVisible(fits);
    ui_->imgLogo->setVisible(!fits);
    return true;
}

void TForm1::showConnectPicture(ConnectPicture p) {
    ui_->imgNoneDev->setVisible(p == ConnectPicture::NoneDev);
    ui_->imgConnected->setVisible(p == ConnectPicture::Connected);
    ui_->gifBind->setVisible(p == ConnectPicture::Bind);
    if (p == ConnectPicture::Bind) movie_->start();
    else movie_->stop();
}

void TForm1::setResultLook(ResultLook look) {
    // The colours of the result: a badge in the colour with text that reads on it.
    static const char* const sheets[] = {
        "",
        "QLabel { background: #00ff00; color: #000000; border-radius: 4px; }",
        "QLabel { background: #0000ff; color: #ffffff; border-radius: 4px; }",
        "QLabel { background: #ff0000; color: #ffffff; border-radius: 4px; }",
    };
    ui_->lblResult->setStyleSheet(QString::fromLatin1(sheets[static_cast<int>(look)]));
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if ((type == QEvent::KeyPress || type == QEvent::KeyRelease || type == QEvent::ShortcutOverride) &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_PageDown) {
        auto* w = qobject_cast<QWidget*>(watched);
        if (w && w->window() == this) {
            // Page Down is the line's hot key: it starts Go and reaches no
            // control (a spin box would step, a list would change its item).
            if (type == QEvent::KeyPress && ui_->btnGo->isEnabled()) emit goHotKey();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool TForm1::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate) emit formActivated();
    return QWidget::event(e);
}

void TForm1::closeEvent(QCloseEvent* e) {
    if (closeQuery && !closeQuery()) e->ignore();
    else e->accept();
}

} // namespace kestrelon
