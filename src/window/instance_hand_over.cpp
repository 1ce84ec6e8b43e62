#include "window/instance_hand_over.h"

#include "platform/process_list.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <algorithm>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace kestrelon {

namespace {

const QByteArray kRequest = "shut-down\n";

QString UserTag() {
#ifdef _WIN32
    return qEnvironmentVariable("USERNAME");
#else
    return QString::number(geteuid());
#endif
}

} // namespace

InstanceHandOver::InstanceHandOver(QString exeName, QObject* parent)
    : QObject(parent), exeName_(exeName.isEmpty() ? QString::fromStdString(GetOwnExeName()) : std::move(exeName)) {}

InstanceHandOver::~InstanceHandOver() = default;

QString InstanceHandOver::ServerName(const QString& exeName) {
    return QStringLiteral("%1-%2").arg(exeName.toLower(), UserTag());
}

InstanceHandOver::Result InstanceHandOver::TakeOver(int graceMs) {
    Result r;
    const std::string name = exeName_.toStdString();
    std::vector<int64_t> older = FindOtherInstances(name);
    r.found = static_cast<int>(older.size());

    if (!older.empty()) {
        // The copy that listens hears the request; one that does not (still
        // starting, or hung) is ended after the grace time like any other.
        QLocalSocket socket;
        socket.connectToServer(ServerName(exeName_));
        if (socket.waitForConnected(500)) {
            socket.write(kRequest);
            socket.waitForBytesWritten(500);
            socket.disconnectFromServer();
        }
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < graceMs) {
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
        for (int64_t pid : older)
            if (TerminateInstance(pid, name)) ++r.terminated;
    }
    serve();
    return r;
}

void InstanceHandOver::serve() {
    const QString name = ServerName(exeName_);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(name)) {
        QLocalServer::removeServer(name);   // left behind by a copy that was ended
        server_->listen(name);
    }
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = server_->nextPendingConnection()) {
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
            connect(s, &QLocalSocket::readyRead, this, [this, s] {
                if (!s->canReadLine() || s->readLine() != kRequest) return;
                if (onShutdownRequested) onShutdownRequested();
                else QCoreApplication::quit();
            });
        }
    });
}

} // namespace kestrelon
