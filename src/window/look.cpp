#include "window/look.h"

#include <QApplication>
#include <QFont>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

namespace kestrelon {

void ApplyToolLook(QApplication& app) {
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    QPalette p = QApplication::style()->standardPalette();
    p.setColor(QPalette::Window, QColor(0xe8, 0xeb, 0xef));
    p.setColor(QPalette::Button, QColor(0xf3, 0xf5, 0xf7));
    p.setColor(QPalette::Highlight, QColor(0x2f, 0x6d, 0xb5));
    p.setColor(QPalette::Disabled, QPalette::Window, QColor(0xe8, 0xeb, 0xef));
    QApplication::setPalette(p);

    // The Chinese fonts also carry Latin letters, so both scripts match.
    QFont font(QStringList{QStringLiteral("Noto Sans CJK TC"), QStringLiteral("Noto Sans CJK SC"),
                           QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("DejaVu Sans")});
    font.setPixelSize(12);
    QApplication::setFont(font);

    app.setStyleSheet(QStringLiteral(
        "QGroupBox { border: 1px solid #a9b1ba; border-radius: 3px; margin-top: 7px; }"
        "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 7px; padding: 0 2px; }"
        "QGroupBox::title:disabled { color: #8a9098; }"
        "QPushButton#btnGo { font-size: 22px; font-weight: bold; }"
        "QLabel#lblResult { font-size: 40px; font-weight: bold; }"
        "QLabel#lblHotKey { color: #4a5563; }"
        "QLabel#lblAutoRun { color: #2f6db5; font-weight: bold; }"));
}

} // namespace kestrelon
