// The real console as an operator runs it: on its own X server (Xvfb),
// against a scripted KISS modem and a local SiDS endpoint, driven through
// xdotool.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

// A KISS data frame from RS99S to QZ9XK holding one power switch state message.
const QByteArray fromSatellite =
    QByteArray::fromHex("c000a2b472b0964060a4a67272a6406103f0800407000100040005000000c0");

class TestEndToEnd : public QObject
{
    Q_OBJECT

    QTemporaryDir work;
    QProcess xvfb;
    QString display;
    QTcpServer modem;
    QTcpServer sids;
    QStringList posts;
    QByteArray fromConsole;
    QTcpSocket *link = nullptr;

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", display);
        env.insert("QT_QPA_PLATFORM", "xcb");
        // The X libraries leave leaks LeakSanitizer cannot suppress; ours are
        // checked by the in-process tests of the same start-up.
        env.insert("LSAN_OPTIONS", "detect_leaks=0");
        return env;
    }
    bool xdotool(const QStringList &args, QByteArray *out = nullptr)
    {
        QProcess p;
        p.setProcessEnvironment(environment());
        p.start(QStandardPaths::findExecutable("xdotool"), args);
        if (!p.waitForFinished(10000) || p.exitCode() != 0)
            return false;
        if (out)
            *out = p.readAllStandardOutput();
        return true;
    }
    QString consoleWindow()
    {
        QByteArray out;
        if (!xdotool({"search", "--name", "Velkaro Telemetry Viewer v"}, &out))
            return QString();
        return QString(out).split('\n').value(0).trimmed();
    }
    QStringList arguments() const
    {
        return QString("Interface KISSTCP KISSTCP_Hostname 127.0.0.1 SiDS_CallSign QZ9XK "
                       "SiDS_latitude +55.75 SiDS_longitude 37.61 SiDS_SatCallSign0 RS99S "
                       "SiDS_NORAD_id0 99999")
                   .split(' ') +
               QStringList{"KISSTCP_Port",  QString::number(modem.serverPort()),
                           "SiDS_URL_main", QString("http://127.0.0.1:%1/m").arg(sids.serverPort()),
                           "StartLayout",   work.filePath("start.layout"),
                           "ErrorLogFile",  work.filePath("errors.log")};
    }
    // Starts the console and waits for its window and its modem link.
    bool start(QProcess &console)
    {
        link = nullptr;
        QSignalSpy accepted(&modem, &QTcpServer::newConnection);
        console.setProcessEnvironment(environment());
        console.setWorkingDirectory(work.path());
        console.setProcessChannelMode(QProcess::ForwardedChannels);
        console.start(QStringLiteral(VELKARO_BINARY_DIR "/app/velkaro"), arguments());
        if (!console.waitForStarted(10000) || !accepted.wait(20000))
            return false;
        link = modem.nextPendingConnection();
        connect(link, &QTcpSocket::readyRead, this, [this]() { fromConsole += link->readAll(); });
        QElapsedTimer t;
        t.start();
        while (consoleWindow().isEmpty() && t.elapsed() < 20000)
            QTest::qWait(50);
        return !consoleWindow().isEmpty();
    }
    bool keys(const QStringList &keys)
    {
        return xdotool({"windowfocus", "--sync", consoleWindow()}) &&
               xdotool(QStringList{"key", "--delay", "200"} + keys);
    }
    bool quit(QProcess &console)
    {
        return keys({"alt+f", "q"}) && console.waitForFinished(20000) && console.exitCode() == 0;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(!QStandardPaths::findExecutable("Xvfb").isEmpty(), "Xvfb is not installed");
        QVERIFY2(!QStandardPaths::findExecutable("xdotool").isEmpty(), "xdotool is not installed");
        int n = 90 + QCoreApplication::applicationPid() % 400;
        while (QFile::exists(QString("/tmp/.X%1-lock").arg(n)))
            ++n;
        display = QString(":%1").arg(n);
        xvfb.start("Xvfb", {display, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
        QVERIFY(xvfb.waitForStarted(10000));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(QString("/tmp/.X11-unix/X%1").arg(display.mid(1))),
                                 20000);
        QVERIFY(QFile::link(QStringLiteral(VELKARO_SOURCE_DIR "/resources"),
                            work.filePath("resources")));
        QVERIFY(modem.listen(QHostAddress::LocalHost, 0));
        QVERIFY(sids.listen(QHostAddress::LocalHost, 0));
        connect(&sids, &QTcpServer::newConnection, this, [this]() {
            while (QTcpSocket *s = sids.nextPendingConnection()) {
                connect(s, &QTcpSocket::readyRead, this, [this, s]() {
                    const QByteArray all = s->property("got").toByteArray() + s->readAll();
                    s->setProperty("got", all);
                    const int end = all.indexOf("\r\n\r\n") + 4;
                    const int at = all.toLower().indexOf("content-length:");
                    if (end < 4 || at < 0 ||
                        all.size() < end + all.mid(at + 15, 8).split('\r')[0].trimmed().toInt())
                        return;
                    posts << QString::fromLatin1(all.mid(end));
                    s->write("HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
                    s->disconnectFromHost();
                });
            }
        });
    }
    void cleanupTestCase()
    {
        xvfb.terminate();
        xvfb.waitForFinished(10000);
    }

    void operatorSession()
    {
        QProcess console;
        QVERIFY(start(console));

        // A frame from the satellite: logged, and posted with the sign kept.
        link->write(fromSatellite);
        QTRY_COMPARE_WITH_TIMEOUT(posts.size(), 1, 20000);
        const QByteArray bare = fromSatellite.mid(2, fromSatellite.size() - 3);
        QVERIFY2(posts.first().contains("latitude=%2B55.75") &&
                     posts.first().endsWith("&frame=" + bare.toHex().toUpper()),
                 qPrintable(posts.first()));
        const QStringList logs = QDir(work.filePath("logs")).entryList({"*.kss"});
        QCOMPARE(logs.size(), 1);
        QFile kss(work.filePath("logs/" + logs.first()));
        QVERIFY(kss.open(QIODevice::ReadOnly));
        QVERIFY(
            kss.readAll().endsWith(QByteArray::fromHex("c000") + bare + QByteArray::fromHex("c0")));

        // A command picked in the tree by its name goes out through the modem.
        QVERIFY(keys({"Tab"}));
        QVERIFY(xdotool({"type", "--delay", "30", "channels_on"}));
        QVERIFY(keys({"Tab", "Tab", "End", "Return"}));
        const QByteArray command = QByteArray::fromHex("800301000700040001000000");
        QTRY_VERIFY_WITH_TIMEOUT(fromConsole.contains(command), 20000);
        QVERIFY(fromConsole.startsWith(QByteArray::fromHex("c000")));

        // The rack of resources/racks/ shows "PSW on(0)" on top of "History":
        // a click on it, then its hot key, each send its stored command.
        const QByteArray stored = QByteArray::fromHex("80030100070004000f000000");
        QVERIFY(xdotool({"mousemove", "--window", consoleWindow(), "938", "178", "click", "1"}));
        QTRY_COMPARE_WITH_TIMEOUT(fromConsole.count(stored), 1, 20000);
        QVERIFY(xdotool({"key", "0"}));
        QTRY_COMPARE_WITH_TIMEOUT(fromConsole.count(stored), 2, 20000);
        // Struck again a moment later and held for a second, the key repeats
        // as X11 gives it to an idle client: a plain release and press every
        // 40 ms. It sends once.
        QStringList hold{"sleep", "0.4", "keydown", "0", "sleep", "0.7"};
        for (int i = 0; i < 20; ++i)
            hold += QStringList{"keyup", "0", "keydown", "0", "sleep", "0.016"};
        QVERIFY(xdotool(hold + QStringList{"keyup", "0"}));
        QTRY_COMPARE_WITH_TIMEOUT(fromConsole.count(stored), 3, 20000);
        QVERIFY(!QTest::qWaitFor([this, stored]() { return fromConsole.count(stored) > 3; }, 1000));

        // The operator moves the window; quitting writes the layout, which
        // the restart loads without a word.
        QVERIFY(xdotool({"windowmove", "--sync", consoleWindow(), "40", "30"}));
        QVERIFY(quit(console));

        QProcess again;
        QVERIFY(start(again));
        QByteArray geometry;
        QVERIFY(xdotool({"getwindowgeometry", consoleWindow()}, &geometry));
        QVERIFY2(geometry.contains("Position: 40,30"), geometry.constData());
        QVERIFY(quit(again));
        QFile errors(work.filePath("errors.log"));
        QVERIFY(errors.open(QIODevice::ReadOnly));
        const QString log = errors.readAll();
        const QString second = log.mid(log.lastIndexOf("Application started at "));
        QVERIFY2(!second.contains("layout file"), qPrintable(second));
    }
};

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
