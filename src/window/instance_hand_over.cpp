#include "window/instance_hand_over.h"

#include "platform/process_list.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <algorithm>
#include <cstdio>

#ifndef _WIN32
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kestrelon {

namespace {

const QByteArray kShutDown = "shut-down";
const QByteArray kState = "state";

QString UserTag() {
#ifdef _WIN32
    return qEnvironmentVariable("USERNAME");
#else
    return QString::number(geteuid());
#endif
}

int Remaining(const QElapsedTimer& t, int limitMs) { return std::max(0, limitMs - static_cast<int>(t.elapsed())); }

} // namespace

InstanceHandOver::InstanceHandOver(QString exeName, QObject* parent)
    : QObject(parent), exeName_(exeName.isEmpty() ? QString::fromStdString(GetOwnExeName()) : std::move(exeName)) {}

InstanceHandOver::~InstanceHandOver() { stop(); }

InstanceHandOver::Address InstanceHandOver::ServerAddress(const QString& exeName) {
    const QString base = exeName.toLower() + QStringLiteral("-instance");
#ifndef _WIN32
    // The user's runtime folder, as the desktop sets it up: theirs, and
    // closed to everybody else.
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    struct stat st {};
    if (runtime.startsWith('/') && ::stat(runtime.constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
        st.st_uid == geteuid() && (st.st_mode & 077) == 0)
        return {QFile::decodeName(runtime) + QLatin1Char('/') + base, false};
#ifdef __linux__
    return {base + QLatin1Char('-') + UserTag(), true};
#endif
#endif
    return {base + QLatin1Char('-') + UserTag(), false};
}

bool InstanceHandOver::SameUser(qintptr socketDescriptor) {
#ifdef __linux__
    ucred peer {};
    socklen_t len = sizeof peer;
    if (::getsockopt(static_cast<int>(socketDescriptor), SOL_SOCKET, SO_PEERCRED, &peer, &len) != 0) return false;
    return peer.uid == geteuid();
#else
    (void)socketDescriptor;
    return true;
#endif
}

QString InstanceHandOver::Ask(const Address& address, const QByteArray& request, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    QLocalSocket socket;
    if (address.abstract) socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    socket.connectToServer(address.name);
    if (!socket.waitForConnected(timeoutMs)) return {};
    // In the abstract namespace anybody may take a name first.
    if (!SameUser(socket.socketDescriptor())) return {};
    socket.write(request + '\n');
    if (!socket.waitForBytesWritten(Remaining(t, timeoutMs))) return {};
    while (!socket.canReadLine())
        if (!socket.waitForReadyRead(Remaining(t, timeoutMs))) return {};
    return QString::fromLatin1(socket.readLine()).trimmed();
}

InstanceHandOver::Result InstanceHandOver::TakeOver(const Waits& waits) {
    Result r;
    const std::string name = exeName_.toStdString();
    std::vector<int64_t> older = FindOtherInstances(name);
    r.found = static_cast<int>(older.size());

    if (!older.empty()) {
        // The copy that listens answers; one that does not (still starting,
        // or hung) is ended after the close time like any other.
        const QString answer = Ask(ServerAddress(exeName_), kShutDown, waits.answerMs);
        int limitMs = waits.closeMs;
        if (answer == QLatin1String("busy")) {
            r.waitedForUnit = true;
            limitMs += waits.unitMs;
            const QString who = older.size() == 1 ? QStringLiteral(" (process %1)").arg(older.front()) : QString();
            if (waiting)
                waiting(QStringLiteral("Waiting for the running copy%1 to finish its unit; at most %2 s")
                            .arg(who)
                            .arg((limitMs + 999) / 1000));
        }
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < limitMs) {
            older.erase(std::remove_if(older.begin(), older.end(),
                                       [&](int64_t pid) {
                                           const bool gone = !ProcessRunning(pid);
                                           r.ended += gone;
                                           return gone;
                                       }),
                        older.end());
            if (older.empty()) break;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(20);
        }
        if (r.waitedForUnit && waitOver) waitOver();
        for (int64_t pid : older)
            if (TerminateInstance(pid, name)) ++r.terminated;
    }
    serve();
    return r;
}

void InstanceHandOver::serve() {
    const Address address = ServerAddress(exeName_);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(address.abstract ? QLocalServer::AbstractNamespaceOption
                                               : QLocalServer::UserAccessOption);
    if (!server_->listen(address.name) && !address.abstract) {
        QLocalServer::removeServer(address.name);   // left behind by a copy that was ended
        server_->listen(address.name);
    }
    if (!server_->isListening())
        std::fprintf(stderr, "%s: newer copies cannot reach this one (%s: %s)\n", qPrintable(exeName_),
                     qPrintable(address.name), qPrintable(server_->errorString()));
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = server_->nextPendingConnection()) {
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
            if (!SameUser(s->socketDescriptor())) {
                s->abort();   // another user: not a word, and no shut-down
                s->deleteLater();
                continue;
            }
            connect(s, &QLocalSocket::readyRead, this, [this, s] { answer(s); });
            if (s->canReadLine()) answer(s);
        }
    });
}

void InstanceHandOver::answer(QLocalSocket* s) {
    while (s->canReadLine()) {
        const QByteArray request = s->readLine().trimmed();
        const bool unit = busy && busy();
        if (request == kState) {
            s->write(unit ? "busy\n" : ready && ready() ? "ready\n" : "starting\n");
        } else if (request == kShutDown) {
            // The answer goes out before the shut-down, which may end the
            // process at once.
            s->write(unit ? "busy\n" : "closing\n");
            s->waitForBytesWritten(500);
            if (onShutdownRequested) onShutdownRequested();
            else QCoreApplication::quit();
            return;
        }
    }
}

void InstanceHandOver::stop() {
    if (!server_) return;
    server_->close();   // removes the socket file
    delete server_;
    server_ = nullptr;
}

} // namespace kestrelon
