#include "window/language_store.h"
#include "window_tests.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace kestrelon;

namespace {

// The per-user file: $XDG_CONFIG_HOME/KESTRELON/RF_BIND.conf (the test
// program points XDG_CONFIG_HOME at a folder of its own).
QString UserFile() {
    return qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/KESTRELON/RF_BIND.conf");
}

void WriteUserFile(const QByteArray& content) {
    QDir().mkpath(QFileInfo(UserFile()).path());
    QFile f(UserFile());
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(content);
}

QByteArray ReadUserFile() {
    QFile f(UserFile());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

void LanguageStoreTest::reading_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("expected");   // -1: no stored choice, the dialog asks
    QTest::newRow("lower case") << QByteArray("[General]\nLngSection=lkcht\n") << int(lkCht);
    QTest::newRow("three letters") << QByteArray("[General]\nLngSection=CHS\n") << int(lkChs);
    QTest::newRow("exact") << QByteArray("[General]\nLngSection=lkEng\n") << int(lkEng);
    QTest::newRow("other text") << QByteArray("[General]\nLngSection=English\n") << -1;
    QTest::newRow("empty") << QByteArray("[General]\nLngSection=\n") << -1;
    QTest::newRow("no value") << QByteArray("[General]\nOther=lkEng\n") << -1;
    QTest::newRow("other group") << QByteArray("[Lang]\nLngSection=lkEng\n") << -1;
    QTest::newRow("a list") << QByteArray("[General]\nLngSection=lkEng, lkCht\n") << -1;
    QTest::newRow("bytes") << QByteArray("[General]\nLngSection=@ByteArray(lkEng)\n") << -1;
    QTest::newRow("a number") << QByteArray("[General]\nLngSection=@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x1)\n") << -1;
    QTest::newRow("no file") << QByteArray() << -1;
}

void LanguageStoreTest::reading() {
    QFETCH(QByteArray, content);
    QFETCH(int, expected);
    QFile::remove(UserFile());
    if (!content.isEmpty()) WriteUserFile(content);
    const std::optional<TLanguateKind> got = LanguageStore().Load();
    QCOMPARE(got ? int(*got) : -1, expected);
    QCOMPARE(ReadUserFile(), content);   // reading never rewrites
}

void LanguageStoreTest::writingAndAsking() {
    QFile::remove(UserFile());
    LanguageStore store;
    int asked = 0, offered = -1;
    auto ask = [&](int preselected) {
        ++asked;
        offered = preselected;
        return 2;
    };
    QCOMPARE(LoadLanguage(store, ask, 950), lkChs);
    QCOMPARE(asked, 1);
    QCOMPARE(offered, 1);   // code page 950 offers Traditional Chinese
    QVERIFY(ReadUserFile().contains("[General]\nLngSection=lkChs"));
    QCOMPARE(LoadLanguage(store, ask, 936), lkChs);   // stored now: no dialog
    QCOMPARE(asked, 1);
    QVERIFY(store.Save(lkEng));
    QVERIFY(ReadUserFile().contains("LngSection=lkEng"));

    // A folder where the file should be: nothing can be read, the dialog asks.
    QFile::remove(UserFile());
    QVERIFY(QDir().mkpath(UserFile()));
    QVERIFY(!LanguageStore().Load());
    QDir(UserFile()).removeRecursively();
}

void LanguageStoreTest::failingWriteReportedOnce() {
    QTemporaryDir dir;
    QFile plain(dir.filePath(QStringLiteral("plain")));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    LanguageStore store(dir.filePath(QStringLiteral("plain/RF_BIND.conf")));   // under a file: cannot be made
    QStringList reports;
    store.report = [&](const QString& m) { reports << m; };
    QVERIFY(!store.Save(lkCht));
    QVERIFY(!store.Save(lkEng));
    QCOMPARE(reports.size(), 1);
    QVERIFY(reports.front().contains(QStringLiteral("RF_BIND.conf")));
}
