// The real console on its own X server, against a scripted KISS modem and
// a local SiDS endpoint, driven through xdotool.

#include "../link/support_link.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
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
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    ScriptedModem modem;
    HttpCapture sids;

    bool xdotool(const QStringList &args, QByteArray *out = nullptr)
    {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral("xdotool"), args);
        if (!p.waitForFinished(10000) || p.exitCode() != 0)
            return false;
        if (out)
            *out = p.readAllStandardOutput();
        return true;
    }
    QString consoleWindow()
    {
        QByteArray out;
        xdotool({"search", "--name", "Velkaro Telemetry Viewer v"}, &out);
        return QString(out).split('\n').value(0).trimmed();
    }
    // Starts the console and waits for its modem link and its window.
    bool start(QProcess &console)
    {
        const int before = modem.connections;
        console.setProcessEnvironment(env);
        console.setWorkingDirectory(work.path());
        console.setProcessChannelMode(QProcess::ForwardedChannels);
        console.start(QStringLiteral(VELKARO_BINARY_DIR "/app/velkaro"),
                      QString("Interface KISSTCP KISSTCP_Hostname 127.0.0.1 SiDS_CallSign QZ9XK "
                              "SiDS_latitude +55.75 SiDS_longitude 37.61 SiDS_SatCallSign0 RS99S "
                              "SiDS_NORAD_id0 99999 KISSTCP_Port %1 SiDS_URL_main %2 "
                              "StartLayout start.layout ErrorLogFile errors.log")
                          .arg(modem.port())
                          .arg(sids.url("/m"))
                          .split(' '));
        return QTest::qWaitFor([&]() { return modem.connections > before; }, 20000) &&
               QTest::qWaitFor([this]() { return !consoleWindow().isEmpty(); }, 20000);
    }
    bool keys(const QStringList &keys)
    {
        return xdotool({"windowfocus", "--sync", consoleWindow()}) &&
               xdotool(QStringList{"key", "--delay", "200"} + keys);
    }
    QByteArray position()
    {
        QByteArray geometry;
        xdotool({"getwindowgeometry", consoleWindow()}, &geometry);
        return geometry.mid(geometry.indexOf("Position: ")).split(' ').value(1);
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
        // Xvfb picks a free display and names it once it takes clients.
        xvfb.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
        QVERIFY(xvfb.waitForReadyRead(20000));
        env.insert("DISPLAY", ":" + xvfb.readAllStandardOutput().trimmed());
        env.insert("QT_QPA_PLATFORM", "xcb");
        // The X libraries leave leaks LeakSanitizer cannot suppress.
        env.insert("LSAN_OPTIONS", "detect_leaks=0");
        QVERIFY(QFile::link(QStringLiteral(VELKARO_SOURCE_DIR "/resources"),
                            work.filePath("resources")));
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
        QCOMPARE(position(), QByteArray("128,128")); // 1024x768 centred

        // A frame from the satellite is posted, with the sign kept.
        modem.send(fromSatellite);
        QTRY_COMPARE_WITH_TIMEOUT(sids.requests.size(), 1, 20000);
        const QByteArray bare = fromSatellite.mid(2, fromSatellite.size() - 3);
        const QString post = sids.requests.first();
        QVERIFY2(post.contains("latitude=%2B55.75") &&
                     post.endsWith("&frame=" + bare.toHex().toUpper()),
                 qPrintable(post));

        // The rack of resources/racks/ shows "PSW on(0)" on top of "History":
        // a click on it, then its hot key, each send its stored command.
        const QByteArray stored = QByteArray::fromHex("80030100070004000f000000");
        QVERIFY(xdotool({"mousemove", "--window", consoleWindow(), "938", "178", "click", "1"}));
        QTRY_COMPARE_WITH_TIMEOUT(modem.received.count(stored), 1, 20000);
        QVERIFY(xdotool({"key", "0"}));
        QTRY_COMPARE_WITH_TIMEOUT(modem.received.count(stored), 2, 20000);
        // Struck again and held, the key repeats as X11 gives it to an idle
        // client, a plain release and press every 40 ms: it sends once.
        QStringList hold{"sleep", "0.4", "keydown", "0", "sleep", "0.7"};
        for (int i = 0; i < 20; ++i)
            hold += QStringList{"keyup", "0", "keydown", "0", "sleep", "0.016"};
        QVERIFY(xdotool(hold + QStringList{"keyup", "0"}));
        QTRY_COMPARE_WITH_TIMEOUT(modem.received.count(stored), 3, 20000);
        QVERIFY(!QTest::qWaitFor([&]() { return modem.received.count(stored) > 3; }, 1000));

        // The rack's "Export..." with "rack" typed where "rack.dvk" is: Return
        // asks about rack.dvk, Return again keeps it ("No" is the default), and
        // the keyboard is back in the name field for another name.
        const QByteArray operatorsRack = "<InstrumentRack/>";
        QFile old(work.filePath("rack.dvk"));
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write(operatorsRack) > 0);
        old.close();
        QVERIFY(xdotool({"mousemove", "--window", consoleWindow(), "645", "89", "click", "1"}));
        QTest::qWait(500);
        QVERIFY(xdotool({"mousemove", "--window", consoleWindow(), "678", "114", "click", "1"}));
        QTest::qWait(1000);
        QVERIFY(xdotool({"key", "ctrl+a"}) && xdotool({"type", work.filePath("rack")}));
        for (const char *key : {"Return", "Return"}) {
            QVERIFY(xdotool({"key", key}));
            QTest::qWait(1000);
        }
        QVERIFY(xdotool({"type", "2"}) && xdotool({"key", "Return"}));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(work.filePath("rack2.dvk")), 20000);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), operatorsRack);

        // Quitting writes the layout, which the restart loads without a word.
        QVERIFY(xdotool({"windowmove", "--sync", consoleWindow(), "40", "30"}));
        QVERIFY(quit(console));
        QProcess again;
        QVERIFY(start(again));
        QCOMPARE(position(), QByteArray("40,30"));
        QVERIFY(quit(again));
        QFile errors(work.filePath("errors.log"));
        QVERIFY(errors.open(QIODevice::ReadOnly));
        const QString log = errors.readAll();
        QVERIFY2(!log.mid(log.lastIndexOf("Application started at ")).contains("layout file"),
                 qPrintable(log));
    }
};

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
