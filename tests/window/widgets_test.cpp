#include "widgets/image_combo_box.h"
#include "widgets/led.h"
#include "widgets/varo_edit.h"
#include "window_tests.h"

#include <QPainter>
#include <QTest>

using namespace kestrelon;

void WidgetsTest::lamp() {
    ThhALed led;
    led.resize(24, 24);
    QCOMPARE(led.TrueColor(), QColor(0, 255, 0));
    QCOMPARE(led.FalseColor(), QColor(192, 192, 192));
    QVERIFY(led.Bordered() && led.Blink() && !led.Value());
    QCOMPARE(led.Interval(), 1000);
    auto pixel = [&](int x, int y) {
        QImage img(24, 24, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        led.render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
        return img.pixelColor(x, y);
    };
    auto green = [&] { return pixel(12, 12).green() > 150 && pixel(12, 12).red() < 100; };

    // Lit with Blink on: its own timer alternates the pictures.
    led.setLEDStyle(ThhALed::LEDSqLarge);
    led.setInterval(300);
    QVERIFY(!green());
    led.setValue(true);
    QVERIFY(led.blinking() && led.showingLit() && green());
    led.blinkStep();
    QVERIFY(!led.showingLit() && !green());
    // Off stops the timer on the unlit picture; Blink off shows the lit one steadily.
    led.setValue(false);
    QVERIFY(!led.blinking() && !led.showingLit());
    led.setBlink(false);
    led.setValue(true);
    QVERIFY(!led.blinking() && led.showingLit() && green());

    QVERIFY(pixel(1, 1).alpha() > 0);   // the large square fills its control
    led.setLEDStyle(ThhALed::LEDSmall);
    QCOMPARE(pixel(1, 1).alpha(), 0);
    led.setTrueColor(QColor(255, 0, 0));
    QVERIFY(pixel(12, 12).red() > 150 && pixel(12, 12).green() < 100);
}

void WidgetsTest::hexEditTyping() {
    THexEdit e;
    QVERIFY(e.Filter());
    QTest::keyClicks(&e, "1aG-Fz 9");
    QCOMPARE(e.text(), QStringLiteral("1aF9"));
    QTest::keyClick(&e, Qt::Key_Backspace);
    QCOMPARE(e.text(), QStringLiteral("1aF"));
    e.setUpperCase(true);
    QCOMPARE(e.text(), QStringLiteral("1AF"));
    QTest::keyClicks(&e, "b");
    QCOMPARE(e.text(), QStringLiteral("1AFB"));
    e.clear();
    e.setFilter(false);
    e.setUpperCase(false);
    QTest::keyClicks(&e, "Ab-1");
    QCOMPARE(e.text(), QStringLiteral("Ab-1"));

    TVAROEdit a;
    QCOMPARE(a.Alignment(), TVAROEdit::taLeftJustify);
    a.setAlignment(TVAROEdit::taRightJustify);
    QCOMPARE(a.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    a.setAlignment(TVAROEdit::taCenter);
    QCOMPARE(a.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
}

void WidgetsTest::hexEditNumbers_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<qlonglong>("value");
    QTest::addColumn<bool>("ok");
    QTest::newRow("empty") << "" << 0LL << true;
    QTest::newRow("digits") << "F3D7" << 0xF3D7LL << true;
    QTest::newRow("lower case") << "ab" << 0xABLL << true;
    QTest::newRow("wide") << "123456789ABC" << 0x123456789ABCLL << true;
    QTest::newRow("not hex") << "12G" << 0LL << false;
    QTest::newRow("sign") << "-1" << 0LL << false;
    QTest::newRow("prefix") << "0x10" << 0LL << false;
    QTest::newRow("blank") << " 1" << 0LL << false;
}

void WidgetsTest::hexEditNumbers() {
    QFETCH(QString, text);
    QFETCH(qlonglong, value);
    QFETCH(bool, ok);
    THexEdit e;
    e.setText(text);
    bool good = !ok;
    QCOMPARE(e.hexValue(&good), value);
    QCOMPARE(good, ok);
    // Writing: upper case without leading zeros, nothing for 0 or less.
    e.setHexValue(value ? value : -5);
    QCOMPARE(e.text(), value ? text.toUpper() : QString());
}

void WidgetsTest::imageComboItems() {
    const struct {
        const char* text;
        const char* caption;
        int image;
    } rows[] = {{"|0", "", 0}, {"English|2", "English", 2}, {"a|b|1", "a|b", 1}, {"plain", "plain", -1},
                {"x|", "x", -1}, {"x|-3", "x", -1}};
    for (const auto& r : rows) {
        const ImageComboItem item = ParseImageComboItem(QString::fromLatin1(r.text));
        QCOMPARE(item.caption, QString::fromLatin1(r.caption));
        QCOMPARE(item.image, r.image);
    }
    // The picture at the item's left edge 2 px down; the caption 4 px after it.
    const ImageComboItemPlacement p = PlaceImageComboItem(QRect(10, 20, 164, 21), QSize(63, 14));
    QCOMPARE(p.image, QPoint(10, 22));
    QCOMPARE(p.caption, QRect(77, 20, 97, 21));

    TVAROImageComboBox box;
    box.addItems({"|0", "|1", "Other|7"});
    QPixmap red(63, 14);
    red.fill(Qt::red);
    QPixmap blue(63, 14);
    blue.fill(Qt::blue);
    box.setImages({red, blue});
    QCOMPARE(box.itemImage(1).toImage().pixelColor(0, 0), QColor(Qt::blue));
    QVERIFY(box.itemImage(2).isNull());   // no such picture
    QImage drawn(100, 21, QImage::Format_ARGB32);
    drawn.fill(Qt::white);
    QPainter painter(&drawn);
    box.paintItem(painter, drawn.rect(), 0, box.palette(), false);
    painter.end();
    QCOMPARE(drawn.pixelColor(0, 1), QColor(Qt::white));
    QCOMPARE(drawn.pixelColor(0, 2), QColor(Qt::red));
    QCOMPARE(drawn.pixelColor(62, 15), QColor(Qt::red));
    QCOMPARE(drawn.pixelColor(63, 10), QColor(Qt::white));
}
