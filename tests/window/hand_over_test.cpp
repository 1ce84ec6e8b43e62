#include "window/instance_hand_over.h"
#include "window_tests.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstddef>
#include <cstring>

using kestrelon::InstanceHandOver;

namespace {

// A copy of the probe program under a name of this run, so that other runs
// of these tests on the same machine are never taken for older copies.
QString ProbeCopy(const QTemporaryDir& dir, const QString& name) {
    const QString path = dir.filePath(name);
    if (!QFile::exists(path)) QFile::copy(QStringLiteral(KESTRELON_INSTANCE_PROBE), path);
    return path;
}

std::unique_ptr<QProcess> StartProbe(const QString& path, const QStringList& settings) {
    auto p = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PROBE_CLOSE_MS"), QStringLiteral("2000"));
    for (const QString& s : settings) env.insert(s.section(QLatin1Char('='), 0, 0), s.section(QLatin1Char('='), 1));
    p->setProcessEnvironment(env);
    p->start(path, {});
    return p;
}

// The "ready" line of a probe: what its take-over found. Each wait ends as
// soon as output comes.
QString WaitReady(QProcess& p) {
    QString out;
    while (!out.contains(QLatin1Char('\n')) && p.waitForReadyRead(30000)) out += QString::fromLatin1(p.readAllStandardOutput());
    return out.trimmed();
}

QString Name() {
    return QStringLiteral("probe-%1").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
}

} // namespace

void HandOverTest::twoProcesses_data() {
    QTest::addColumn<bool>("sameName");
    QTest::addColumn<QStringList>("olderDoes");
    QTest::addColumn<QString>("newerSays");
    QTest::addColumn<QString>("older");   // how the older copy ends
    QTest::newRow("older shuts down itself") << true << QStringList{} << "ready found=1 ended=1 terminated=0"
                                              << "shut down";
    // The newer copy gives it 2 s to close, and 6 s more for a unit.
    QTest::newRow("older finishes its unit first")
        << true << QStringList{"PROBE_BUSY_MS=3000"} << "ready found=1 ended=1 terminated=0" << "shut down";
    QTest::newRow("older does not answer") << true << QStringList{"PROBE_HANG=1"}
                                            << "ready found=1 ended=0 terminated=1" << "killed";
    QTest::newRow("another program name") << false << QStringList{} << "ready found=0 ended=0 terminated=0"
                                           << "running";
}

void HandOverTest::twoProcesses() {
    QFETCH(bool, sameName);
    QFETCH(QStringList, olderDoes);
    QFETCH(QString, newerSays);
    QFETCH(QString, older);
    // The copies meet in a runtime folder of this test, not the user's.
    QTemporaryDir dir, runtime;
    QVERIFY(QFile::setPermissions(runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                      QFileDevice::ExeOwner));
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    const auto restore = qScopeGuard([&] {
        if (saved.isNull()) qunsetenv("XDG_RUNTIME_DIR");
        else qputenv("XDG_RUNTIME_DIR", saved);
    });
    const QString name = Name();
    const QString newerPath = ProbeCopy(dir, name);
    const QString olderPath = sameName ? newerPath : ProbeCopy(dir, name + QStringLiteral("-other"));

    auto a = StartProbe(olderPath, olderDoes);
    QCOMPARE(WaitReady(*a), QStringLiteral("ready found=0 ended=0 terminated=0"));
    auto b = StartProbe(newerPath, {QStringLiteral("PROBE_UNIT_MS=6000")});
    QCOMPARE(WaitReady(*b), newerSays);

    if (older == QLatin1String("running")) {
        QCOMPARE(InstanceHandOver::Ask(InstanceHandOver::ServerAddress(name + QStringLiteral("-other")), "state",
                                       5000),
                 QStringLiteral("ready"));
        a->kill();
    } else {
        QVERIFY(a->waitForFinished(30000));
        if (older == QLatin1String("shut down")) {
            QCOMPARE(a->exitStatus(), QProcess::NormalExit);
            QCOMPARE(a->exitCode(), 0);
            QVERIFY(a->readAllStandardOutput().contains("shut-down requested"));
        } else {
            QCOMPARE(a->exitStatus(), QProcess::CrashExit);
        }
    }
    a->waitForFinished(30000);
    b->kill();
    b->waitForFinished(30000);
    // All it wrote is read once it has ended.
    const bool waited = b->readAllStandardError().contains("Waiting for the running copy (process");
    QCOMPARE(waited, olderDoes.contains(QStringLiteral("PROBE_BUSY_MS=3000")));
}

// The socket is the user's own: in $XDG_RUNTIME_DIR when that is theirs,
// in the abstract namespace otherwise, never a fixed name under /tmp.
void HandOverTest::socketPlace() {
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    const auto restore = qScopeGuard([&] {
        if (saved.isNull()) qunsetenv("XDG_RUNTIME_DIR");
        else qputenv("XDG_RUNTIME_DIR", saved);
    });
    QTemporaryDir runtime;
    QVERIFY(QFile::setPermissions(runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                      QFileDevice::ExeOwner));
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    const auto own = InstanceHandOver::ServerAddress(QStringLiteral("Kestrelon-MFG"));
    QCOMPARE(own.name, runtime.filePath(QStringLiteral("kestrelon-mfg-instance")));
    QVERIFY(!own.abstract);
    {
        // Listening makes the socket there; stopping removes it.
        InstanceHandOver h(QStringLiteral("Kestrelon-MFG"));
        h.TakeOver({});
        QVERIFY(QFile::exists(own.name));
        h.stop();
        QVERIFY(!QFile::exists(own.name));
    }

    // A folder others may enter is not taken for the user's own.
    QVERIFY(QFile::setPermissions(runtime.path(), QFile::permissions(runtime.path()) | QFileDevice::ExeOther));
    const auto open = InstanceHandOver::ServerAddress(QStringLiteral("kestrelon-mfg"));
    qunsetenv("XDG_RUNTIME_DIR");
    const auto unset = InstanceHandOver::ServerAddress(QStringLiteral("kestrelon-mfg"));
    for (const auto& a : {open, unset}) {
        QVERIFY(a.abstract);
        QVERIFY2(!a.name.contains(QLatin1Char('/')), qPrintable(a.name));
    }
}

// A connection from another user gets no answer and shuts nothing down.
// Needs root to act as another user (the tests run as root in CI).
void HandOverTest::otherUsersAreRefused() {
    if (::geteuid() != 0) QSKIP("acting as another user needs root");
    // In the abstract namespace, where anybody can connect.
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qunsetenv("XDG_RUNTIME_DIR");
    const auto restore = qScopeGuard([&] {
        if (!saved.isNull()) qputenv("XDG_RUNTIME_DIR", saved);
    });
    QTemporaryDir dir;
    const QString name = Name();
    auto probe = StartProbe(ProbeCopy(dir, name), {});
    QCOMPARE(WaitReady(*probe), QStringLiteral("ready found=0 ended=0 terminated=0"));
    const InstanceHandOver::Address address = InstanceHandOver::ServerAddress(name);
    QVERIFY(address.abstract);

    // The other user speaks the protocol by hand: connect, ask, read.
    const QByteArray path = address.name.toLocal8Bit();
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        if (::setuid(65534) != 0) ::_exit(3);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr {};
        addr.sun_family = AF_UNIX;
        std::memcpy(addr.sun_path + 1, path.constData(), static_cast<size_t>(path.size()));
        const auto len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + path.size());
        if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), len) != 0) ::_exit(4);
        ::signal(SIGPIPE, SIG_IGN);   // the server may have closed the connection already
        char c = 0;
        pollfd p {fd, POLLIN, 0};
        const bool answered = ::write(fd, "shut-down\n", 10) == 10 && ::poll(&p, 1, 3000) == 1 && ::read(fd, &c, 1) == 1;
        ::_exit(answered ? 1 : 0);
    }
    int status = -1;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY2(WIFEXITED(status) && WEXITSTATUS(status) == 0, qPrintable(QString::number(status)));
    QCOMPARE(InstanceHandOver::Ask(address, "state", 5000), QStringLiteral("ready"));   // this user is answered
    QVERIFY(!probe->readAllStandardOutput().contains("shut-down requested"));
    probe->kill();
    probe->waitForFinished(30000);
}
