#include "window/pictures.h"

// Resources of a static library have to be registered by hand, from outside
// any namespace.
static void InitPictureResources() { Q_INIT_RESOURCE(pictures); }

namespace kestrelon::pictures {

namespace {

QPixmap Load(const char* name) { return QPixmap(QStringLiteral(":/kestrelon/") + QLatin1String(name)); }

} // namespace

void Init() {
    static const bool once = (InitPictureResources(), true);
    (void)once;
}

QPixmap Logo() { return Load("logo.jpg"); }
QPixmap NoReceiver() { return Load("no_receiver.png"); }
QPixmap Connected() { return Load("connected.png"); }
QString PairingMovie() { return QStringLiteral(":/kestrelon/pairing.gif"); }
QPixmap Idle() { return Load("idle.png"); }
QPixmap Waiting() { return Load("waiting.png"); }
QPixmap Pass() { return Load("pass.png"); }
QPixmap Fail() { return Load("fail.png"); }
QPixmap Language() { return Load("language.png"); }
QPixmap Icon() { return Load("icon.png"); }
QList<QPixmap> LanguageImages() { return {Load("lang_eng.png"), Load("lang_cht.png"), Load("lang_chs.png")}; }

} // namespace kestrelon::pictures
