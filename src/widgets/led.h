#pragma once
// ThhALed: a lamp drawn from two pictures, one lit and one unlit, both
// painted in code from the colours. When lit with Blink on, a timer of its
// own alternates the two pictures every Interval ms.

#include <QColor>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

namespace kestrelon {

class ThhALed : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool Value READ Value WRITE setValue)
    Q_PROPERTY(QColor TrueColor READ TrueColor WRITE setTrueColor)
    Q_PROPERTY(QColor FalseColor READ FalseColor WRITE setFalseColor)
    Q_PROPERTY(QColor BorderColor READ BorderColor WRITE setBorderColor)
    Q_PROPERTY(bool Bordered READ Bordered WRITE setBordered)
    Q_PROPERTY(TLEDStyle LEDStyle READ LEDStyle WRITE setLEDStyle)
    Q_PROPERTY(bool Blink READ Blink WRITE setBlink)
    Q_PROPERTY(int Interval READ Interval WRITE setInterval)

public:
    // Round or square, small (two thirds of the control) or large (all of it).
    enum TLEDStyle { LEDSmall, LEDLarge, LEDSqSmall, LEDSqLarge };
    Q_ENUM(TLEDStyle)

    explicit ThhALed(QWidget* parent = nullptr);

    bool Value() const { return value_; }
    void setValue(bool on);
    QColor TrueColor() const { return trueColor_; }
    void setTrueColor(const QColor& c);
    QColor FalseColor() const { return falseColor_; }
    void setFalseColor(const QColor& c);
    QColor BorderColor() const { return borderColor_; }
    void setBorderColor(const QColor& c);
    bool Bordered() const { return bordered_; }
    void setBordered(bool on);
    TLEDStyle LEDStyle() const { return style_; }
    void setLEDStyle(TLEDStyle s);
    bool Blink() const { return blink_; }
    void setBlink(bool on);
    int Interval() const { return blinkTimer_.interval(); }
    void setInterval(int ms);

    // The picture on show: the lit one, or the unlit one (also while a lit
    // lamp blinks through its dark phase).
    bool showingLit() const { return showingLit_; }
    bool blinking() const { return blinkTimer_.isActive(); }
    // One blink step: swaps the picture (the timer's handler).
    void blinkStep();

    QSize sizeHint() const override { return {24, 24}; }

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;

private:
    void update_state();
    QPixmap draw(const QColor& fill) const;
    void redraw();

    bool value_ = false;
    QColor trueColor_{0, 255, 0};
    QColor falseColor_{192, 192, 192};
    QColor borderColor_{64, 64, 64};
    bool bordered_ = true;
    TLEDStyle style_ = LEDLarge;
    bool blink_ = true;
    bool showingLit_ = false;
    QTimer blinkTimer_;
    QPixmap lit_, unlit_;
};

} // namespace kestrelon
