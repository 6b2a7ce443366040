// The real console (offscreen, on the sample resources/ like this test)
// against a scripted KISS modem on 127.0.0.1: start-up initialises the
// reader twice on the way, yet reaches the modem once.

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void connectsToTheModemOnce()
    {
        QTemporaryDir dir;
        const QString logName = dir.filePath(QStringLiteral("messages.log"));
        QTcpServer modem;
        QVERIFY(modem.listen(QHostAddress::LocalHost, 0));
        QSignalSpy accepted(&modem, &QTcpServer::newConnection);
        QProcess proc;
        proc.setProcessChannelMode(QProcess::MergedChannels);
        proc.start(QStringLiteral(VELKARO_BINARY_DIR "/app/velkaro"),
                   {"Interface", "KISSTCP", "KISSTCP_Hostname", "127.0.0.1", "KISSTCP_Port",
                    QString::number(modem.serverPort()), "ErrorLogFile", logName});
        QVERIFY(accepted.wait(20000));

        // The link reports itself up from the event loop, so both
        // initialisations are behind the console by then.
        const auto logText = [&logName] {
            QFile log(logName);
            return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
        };
        QTRY_VERIFY_WITH_TIMEOUT(logText().contains("Connected to KISS server!"), 20000);
        QCOMPARE(proc.state(), QProcess::Running);
        proc.kill();
        QVERIFY(proc.waitForFinished(10000));
        // A second connection attempt would have reached the listening socket.
        QVERIFY(!modem.waitForNewConnection(0));
        QCOMPARE(accepted.count(), 1);
        const QByteArray out = proc.readAll() + logText();
        QVERIFY2(!out.contains("already"), out.constData());
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
