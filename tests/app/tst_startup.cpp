// Starts the console itself against a scripted KISS modem on 127.0.0.1 and
// checks that start-up reaches the radio link once, and only once, although
// the reader is initialised twice on the way.

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

class TestStartup : public QObject
{
    Q_OBJECT

private:
    QString console() const { return QStringLiteral(VELKARO_BINARY_DIR "/app/velkaro"); }

private slots:
    void connectsToTheModemOnce()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString logName = dir.filePath(QStringLiteral("messages.log"));
        QTcpServer modem;
        QVERIFY(modem.listen(QHostAddress::LocalHost, 0));
        QSignalSpy accepted(&modem, &QTcpServer::newConnection);

        QProcess proc;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        proc.setProcessEnvironment(env);
        proc.setWorkingDirectory(QStringLiteral(VELKARO_SOURCE_DIR));
        proc.setProcessChannelMode(QProcess::MergedChannels);
        proc.start(console(), {QStringLiteral("Interface"), QStringLiteral("KISSTCP"),
                               QStringLiteral("KISSTCP_Hostname"), QStringLiteral("127.0.0.1"),
                               QStringLiteral("KISSTCP_Port"), QString::number(modem.serverPort()),
                               QStringLiteral("ErrorLogFile"), logName});
        QVERIFY2(proc.waitForStarted(10000), qPrintable(proc.errorString()));

        QVERIFY(accepted.wait(20000));
        QTcpSocket *link = modem.nextPendingConnection();
        QVERIFY(link);

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
