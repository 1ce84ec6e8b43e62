#include "window/display_check.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

#ifndef _WIN32
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>
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
    const QByteArray path = "/tmp/.X11-unix/X" + number;
    struct stat st {};
    if (stat(path.constData(), &st) == 0) return true;
#ifdef __linux__
    // The server may listen only in the abstract namespace (a container
    // without the socket folder, or a server still creating the file).
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_un addr {};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path + 1, path.constData(), static_cast<size_t>(path.size()));
    const socklen_t len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + path.size());
    const bool reachable = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), len) == 0;
    close(fd);
    return reachable;
#else
    return false;
#endif
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
