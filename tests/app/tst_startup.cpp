// The real console against a scripted KISS modem: start-up initialises the
// reader twice on the way, yet reaches the modem once.

#include "../link/support_link.h"

#include <QFile>
#include <QProcess>
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
        const auto logText = [&logName] {
            QFile log(logName);
            return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
        };
        ScriptedModem modem;
        QProcess proc;
        proc.setProcessChannelMode(QProcess::MergedChannels);
        proc.start(QStringLiteral(VELKARO_BINARY_DIR "/app/velkaro"),
                   {"Interface", "KISSTCP", "KISSTCP_Hostname", "127.0.0.1", "KISSTCP_Port",
                    QString::number(modem.port()), "ErrorLogFile", logName});
        // Reported from the event loop: both initialisations are behind by then.
        QTRY_VERIFY_WITH_TIMEOUT(logText().contains("Connected to KISS server!"), 20000);
        QCOMPARE(proc.state(), QProcess::Running);
        proc.kill();
        QVERIFY(proc.waitForFinished(10000));
        modem.server.waitForNewConnection(0); // takes a second connection, if one came
        QCOMPARE(modem.connections, 1);
        const QByteArray out = proc.readAll() + logText();
        QVERIFY2(!out.contains("already"), out.constData());
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
