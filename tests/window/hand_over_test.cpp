#include "window_tests.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// A copy of the probe program under a name of this run, so that other runs
// of these tests on the same machine are never taken for older copies.
QString ProbeCopy(const QTemporaryDir& dir, const QString& name) {
    const QString path = dir.filePath(name);
    if (!QFile::exists(path)) QFile::copy(QStringLiteral(KESTRELON_INSTANCE_PROBE), path);
    return path;
}

std::unique_ptr<QProcess> StartProbe(const QString& path, bool ignoreRequest, int graceMs) {
    auto p = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PROBE_GRACE_MS"), QString::number(graceMs));
    if (ignoreRequest) env.insert(QStringLiteral("PROBE_IGNORE"), QStringLiteral("1"));
    p->setProcessEnvironment(env);
    p->start(path, {});
    return p;
}

// The "ready" line of a probe: what its take-over found.
QString WaitReady(QProcess& p) {
    QString out;
    for (int i = 0; i < 100 && !out.contains(QLatin1Char('\n')); ++i)
        if (p.waitForReadyRead(100)) out += QString::fromLatin1(p.readAllStandardOutput());
    return out.trimmed();
}

} // namespace

void HandOverTest::twoProcesses_data() {
    QTest::addColumn<bool>("sameName");
    QTest::addColumn<bool>("olderIgnores");
    QTest::addColumn<QString>("newerSays");
    QTest::addColumn<QString>("older");   // how the older copy ends
    QTest::newRow("older shuts down itself") << true << false << "ready found=1 ended=1 terminated=0"
                                              << "shut down";
    QTest::newRow("older does not answer") << true << true << "ready found=1 ended=0 terminated=1" << "killed";
    QTest::newRow("another program name") << false << false << "ready found=0 ended=0 terminated=0" << "running";
}

void HandOverTest::twoProcesses() {
    QFETCH(bool, sameName);
    QFETCH(bool, olderIgnores);
    QFETCH(QString, newerSays);
    QFETCH(QString, older);
    QTemporaryDir dir;
    const QString name = QStringLiteral("probe-%1").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
    const QString newerPath = ProbeCopy(dir, name);
    const QString olderPath = sameName ? newerPath : ProbeCopy(dir, name + QStringLiteral("-other"));

    auto a = StartProbe(olderPath, olderIgnores, 300);
    QCOMPARE(WaitReady(*a), QStringLiteral("ready found=0 ended=0 terminated=0"));
    auto b = StartProbe(newerPath, false, 300);
    QCOMPARE(WaitReady(*b), newerSays);

    if (older == QLatin1String("running")) {
        QVERIFY(!a->waitForFinished(200));
        a->kill();
    } else {
        QVERIFY(a->waitForFinished(3000));
        if (older == QLatin1String("shut down")) {
            QCOMPARE(a->exitStatus(), QProcess::NormalExit);
            QCOMPARE(a->exitCode(), 0);
            QVERIFY(a->readAllStandardOutput().contains("shut-down requested"));
        } else {
            QCOMPARE(a->exitStatus(), QProcess::CrashExit);
        }
    }
    a->waitForFinished(3000);
    b->kill();
    b->waitForFinished(3000);
}
