#include "atomicwrite.h"
#include "support_fixture.h"

#include <QtTest>

// Writes that fail must leave the previous file byte for byte and say why.
class TstAtomicWrite : public QObject
{
    Q_OBJECT

private slots:
    void failedOpenKeepsNothingAndReports();
    void failedWriteKeepsOldFile();
};

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
    QTest::ignoreMessage(
        QtCriticalMsg,
        QRegularExpression("^Error writing to " + QRegularExpression::escape(path) + "\n.+"));
    bool written = true;
    withFileSizeLimit(
        4096, [&] { written = writeFileAtomicallyOrReport(path, QByteArray(100000, 'z')); });
    QVERIFY(!written);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"schedule.sch"});
}

QTEST_GUILESS_MAIN(TstAtomicWrite)
#include "tst_atomicwrite.moc"
