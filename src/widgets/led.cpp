#include "widgets/led.h"

#include <QPainter>
#include <QRadialGradient>

namespace kestrelon {

ThhALed::ThhALed(QWidget* parent) : QWidget(parent) {
    blinkTimer_.setInterval(1000);
    connect(&blinkTimer_, &QTimer::timeout, this, &ThhALed::blinkStep);
    redraw();
}

void ThhALed::setValue(bool on) {
    value_ = on;
    update_state();
}

void ThhALed::setBlink(bool on) {
    blink_ = on;
    update_state();
}

void ThhALed::setInterval(int ms) { blinkTimer_.setInterval(ms); }

void ThhALed::update_state() {
    if (value_ && blink_) {
        if (!blinkTimer_.isActive()) {
            showingLit_ = true;
            blinkTimer_.start();
        }
    } else {
        blinkTimer_.stop();
        showingLit_ = value_;
    }
    update();
}

void ThhALed::blinkStep() {
    showingLit_ = !showingLit_;
    update();
}

void ThhALed::setTrueColor(const QColor& c) {
    trueColor_ = c;
    redraw();
}
void ThhALed::setFalseColor(const QColor& c) {
    falseColor_ = c;
    redraw();
}
void ThhALed::setBorderColor(const QColor& c) {
    borderColor_ = c;
    redraw();
}
void ThhALed::setBordered(bool on) {
    bordered_ = on;
    redraw();
}
void ThhALed::setLEDStyle(TLEDStyle s) {
    style_ = s;
    redraw();
}

void ThhALed::resizeEvent(QResizeEvent*) { redraw(); }

void ThhALed::redraw() {
    lit_ = draw(trueColor_);
    unlit_ = draw(falseColor_);
    update();
}

QPixmap ThhALed::draw(const QColor& fill) const {
    const qreal dpr = devicePixelRatioF();
    QPixmap pm(size() * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    const bool large = style_ == LEDLarge || style_ == LEDSqLarge;
    const bool square = style_ == LEDSqSmall || style_ == LEDSqLarge;
    const int side = std::min(width(), height());
    const int d = large ? side : side * 2 / 3;
    QRectF r((width() - d) / 2.0, (height() - d) / 2.0, d, d);
    r.adjust(0.5, 0.5, -0.5, -0.5);

    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    // A soft highlight towards the upper left gives the glass look.
    QRadialGradient g(r.left() + r.width() * 0.35, r.top() + r.height() * 0.3, r.width() * 0.8);
    g.setColorAt(0, fill.lighter(150));
    g.setColorAt(0.6, fill);
    g.setColorAt(1, fill.darker(130));
    p.setBrush(g);
    p.setPen(bordered_ ? QPen(borderColor_, 1.5) : Qt::NoPen);
    if (square) p.drawRoundedRect(r, 2, 2);
    else p.drawEllipse(r);
    return pm;
}

void ThhALed::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(0, 0, showingLit_ ? lit_ : unlit_);
}

} // namespace kestrelon
