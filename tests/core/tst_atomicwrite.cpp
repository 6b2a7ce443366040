#include "atomicwrite.h"

#include <QtTest>

#include <csignal>
#include <sys/resource.h>

// Writes that fail must leave the previous file byte for byte and say why.
class TstAtomicWrite : public QObject
{
    Q_OBJECT

private slots:
    void replacesWholeFile();
    void failedOpenKeepsNothingAndReports();
    void failedWriteKeepsOldFile();
};

void TstAtomicWrite::replacesWholeFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("config.xml");
    QVERIFY(writeFileAtomicallyOrReport(path, "first, and longer than the second"));
    QVERIFY(writeFileAtomicallyOrReport(path, "second"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("second"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"config.xml"});
}

void TstAtomicWrite::failedOpenKeepsNothingAndReports()
{
    QTemporaryDir dir;
    // A regular file where a folder should be: refused even for root.
    QFile blocker(dir.filePath("plain"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString path = dir.filePath("plain/queue.que");
    QString error;
    QVERIFY(!writeFileAtomically(path, "x", &error));
    QVERIFY(!error.isEmpty());
    QTest::ignoreMessage(
        QtCriticalMsg,
        QRegularExpression("^Can't create file " + QRegularExpression::escape(path) + "\n.+"));
    QVERIFY(!writeFileAtomicallyOrReport(path, "x"));
}

void TstAtomicWrite::failedWriteKeepsOldFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("schedule.sch");
    const QByteArray old = "the operator's schedule\n";
    QVERIFY(writeFileAtomically(path, old));

    // A file size limit makes the write fail midway, as a full disk would.
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto *previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    QTest::ignoreMessage(
        QtCriticalMsg,
        QRegularExpression("^Error writing to " + QRegularExpression::escape(path) + "\n.+"));
    const bool written = writeFileAtomicallyOrReport(path, QByteArray(100000, 'z'));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    QVERIFY(!written);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"schedule.sch"});
}

QTEST_GUILESS_MAIN(TstAtomicWrite)
#include "tst_atomicwrite.moc"
