#pragma once
// The window's pictures, built into the program.

#include <QList>
#include <QPixmap>
#include <QString>

namespace kestrelon::pictures {

// Makes the built-in pictures reachable (once per process; safe to repeat).
void Init();

QPixmap Logo();          // built-in logo, 200 x 66 (a JPEG)
QPixmap NoReceiver();    // imgNoneDev, 50 x 50
QPixmap Connected();     // imgConnected, 50 x 50
QString PairingMovie();  // gifBind's animation (a resource path for QMovie)
QPixmap Idle();          // Image1
QPixmap Waiting();       // Image2
QPixmap Pass();
QPixmap Fail();
QPixmap Language();      // the language dialog's img1, 32 x 32
QPixmap Icon();          // the window icon
// imgsLang: English, Traditional Chinese, Simplified Chinese, 63 x 14 each.
QList<QPixmap> LanguageImages();

} // namespace kestrelon::pictures
