#include "window/display_check.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kestrelon {

namespace {

QtMessageHandler previous = nullptr;

struct Held {
    QtMsgType type;
    const char* category;
    QString text;
};
QList<Held>& held() {
    static QList<Held> list;
    return list;
}

void StartUpHandler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", NoDisplayMessage());
        std::fflush(stderr);
        std::_Exit(2);
    }
    held().append({type, context.category, text});
}

} // namespace

const char* NoDisplayMessage() {
    return "kestrelon-mfg: no display to show the window on; run it with QT_QPA_PLATFORM=offscreen, "
           "or use the command line: kestrelon-mfg-cli run --sim";
}

bool DisplayAvailable() {
#ifdef _WIN32
    return true;
#else
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) return true;
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty()) return false;
    // A local display ":N" (or "unix:N") has its socket in /tmp/.X11-unix.
    const qsizetype colon = display.lastIndexOf(':');
    const QByteArray host = display.left(colon);
    if (colon < 0 || !(host.isEmpty() || host == "unix")) return true;
    const QByteArray number = display.mid(colon + 1).split('.').front();
    struct stat st {};
    return stat(("/tmp/.X11-unix/X" + number).constData(), &st) == 0;
#endif
}

void BeginStartUpGuard() { previous = qInstallMessageHandler(StartUpHandler); }

void EndStartUpGuard() {
    qInstallMessageHandler(previous);
    for (const Held& h : std::as_const(held())) {
        const QMessageLogContext context(nullptr, 0, nullptr, h.category);
        if (previous) previous(h.type, context, h.text);
        else qt_message_output(h.type, context, h.text);
    }
    held().clear();
}

} // namespace kestrelon
