#include "agwpe_reader.h"
#include "ax25_interface.h"
#include "kiss_connector.h"
#include "ostreltablerecord.h"
#include "toolbar.h"
#include "zeltcpclient.h"

#include <QtNetwork>
#include <QtTest>
#include <QtWidgets>

#include <ctime>
#include <numeric>
#include <utility>

namespace
{

QMap<QtMsgType, QStringList> captured;
QtMessageHandler previousHandler = nullptr;

void captureHandler(QtMsgType type, const QMessageLogContext &ctx, const QString &text)
{
    captured[type] << text;
    previousHandler(type, ctx, text);
}

} // namespace

class tst_ZelTcpClient : public QObject
{
    Q_OBJECT

    static QByteArray le32(quint32 v)
    {
        QByteArray b(4, 0);
        qToLittleEndian(v, b.data());
        return b;
    }
    static QByteArray serverFrame(quint32 kind, const QByteArray &payload, qint64 length = -1)
    {
        return "\x5e\xba" + le32(kind) + le32(quint32(length < 0 ? payload.size() + 12 : length)) +
               payload + "\x11\xba";
    }
    static QByteArray delivery(quint32 direction, quint32 txStatus, qint64 timeMs, quint64 stamp,
                               quint16 msgId, quint16 length, const QByteArray &data = {},
                               quint32 tag = 0, quint16 dst = 1)
    {
        const zvs_ostrel_to_app_t b{
            direction, txStatus, timeMs, stamp, tag, {msgId, 7, dst, length}, 0};
        return serverFrame(0x2000, zvsOstrelToAppEncode(b) + data);
    }
    static QByteArray stateFrame(quint32 v)
    {
        return serverFrame(0x2002, le32(0) + le32(v) + QByteArray(16, 0));
    }
    // The 40-byte name area ends the block: a name without a zero is followed
    // directly by the end marker.
    static QByteArray infoFrame(const QByteArray &name, quint32 seconds)
    {
        return serverFrame(0x2001, QByteArray(16, 0x7f) + le32(seconds) + QByteArray(4, 0x7f) +
                                       name.leftJustified(40, '\0', true));
    }
    static QPushButton *button(ZelTcpClient &c) { return c.toolBar->findChild<QPushButton *>(); }
    static QAction *serverAction(ZelTcpClient &c) { return c.toolBar->actions().at(1); }
    static QAction *satAction(ZelTcpClient &c) { return c.toolBar->actions().at(2); }
    static QImage image(const QIcon &i)
    {
        return i.pixmap(24, 24).toImage().convertToFormat(QImage::Format_ARGB32);
    }
    static QImage resource(const QString &file)
    {
        return image(QIcon(":/icons/resources/icons/" + file));
    }

    // What the client reported, in order: "rx:<id>:<length>:<hex>:<stamp>",
    // "sat:<satellite tool tip>" on each change, "conn:<state>".
    static QStringList *record(ZelTcpClient &client)
    {
        auto *events = new QStringList;
        connect(&client, &QObject::destroyed, [events] { delete events; });
        connect(&client, &ZelTcpClient::ostrel_RX_message,
                [events](ostrel_message m, QByteArray data, zvs_ostrel_to_app_t b) {
                    *events << QStringLiteral("rx:%1:%2:%3:%4")
                                   .arg(m.msg_id, 0, 16)
                                   .arg(m.length)
                                   .arg(QString(data.toHex()))
                                   .arg(b.stamp);
                });
        connect(&client, &ZelTcpClient::connChanged, [events](ZelTcpClient::ConnState s) {
            *events << QStringLiteral("conn:%1").arg(s);
        });
        QAction *sat = satAction(client);
        connect(sat, &QAction::changed, [events, sat, tip = sat->toolTip()]() mutable {
            if (sat->toolTip() != tip)
                *events << "sat:" + (tip = sat->toolTip()).section(": ", 1);
        });
        return events;
    }

    // The tool bar against "button|server tip|server icon|checked|satellite
    // tip|satellite icon", each tip after its "... connection status: ".
    static void expectBar(ZelTcpClient &c, const QString &shown)
    {
        const QStringList s = shown.split('|');
        const QMap<QString, QImage> icons{
            {"stop", resource("server_stop.png")},
            {"cancel", resource("server_cancel.png")},
            {"computer", image(c.toolBar->style()->standardIcon(QStyle::SP_ComputerIcon))},
            {"sPend", resource("satellite_refreshmark_24x24.png")},
            {"sOk", resource("satellite_checkmark_24x24.png")},
            {"sErr", resource("satellite_blockmark_24x24.png")}};
        QAction *srv = serverAction(c), *sat = satAction(c);
        QCOMPARE(srv->text() + "|" + sat->text(), QString("ZEL server|Satellite connection"));
        QCOMPARE(button(c)->text(), s[0]);
        QCOMPARE(srv->toolTip(), "Server connection status: " + s[1]);
        QCOMPARE(image(srv->icon()), icons[s[2]]);
        QCOMPARE(srv->isChecked(), s[3] == "1");
        QCOMPARE(sat->toolTip(), "Satellite connection status: " + s[4]);
        QCOMPARE(sat->isEnabled(), s[4] != "Unknown");
        QCOMPARE(image(sat->icon()), icons[s[5]]);
    }

private slots:
    void initTestCase()
    {
        qputenv("TZ", "UTC");
        tzset();
        qRegisterMetaType<ostrel_message>();
        qRegisterMetaType<zvs_ostrel_to_app_t>();
        qRegisterMetaType<ZelTcpClient::ConnState>();
        previousHandler = qInstallMessageHandler(captureHandler);
    }
    void init() { captured.clear(); }
    void cleanupTestCase() { qInstallMessageHandler(previousHandler); }

    void toolBarStates()
    {
        ZelTcpClient client("127.0.0.1", 1);
        QSignalSpy connChanged(&client, &ZelTcpClient::connChanged);
        QCOMPARE(client.toolBar->windowTitle(), QString("Ostrel server connection tool bar"));
        QCOMPARE(client.toolBar->height(), 36);
        expectBar(client, "Connect|No connection|stop|0|Unknown|sPend");
        serverAction(client)->trigger(); // wired to nothing: flips only its check mark
        expectBar(client, "Connect|No connection|stop|1|Unknown|sPend");
        client.receiveBytes(stateFrame(0));
        expectBar(client, "Connect|No connection|stop|1|Error!|sErr");
        client.receiveBytes(stateFrame(1));
        expectBar(client, "Connect|No connection|stop|1|Pending...|sPend");
        client.receiveBytes(stateFrame(2) + stateFrame(0xFFFFFFFF)); // outside: ignored
        expectBar(client, "Connect|No connection|stop|1|Connected|sOk");
        client.slotConnected();
        expectBar(client, "Disconnect|Connected|computer|1|Connected|sOk");
        client.receiveBytes(stateFrame(100)); // unknown keeps the icon
        expectBar(client, "Disconnect|Connected|computer|1|Unknown|sOk");
        QCOMPARE(connChanged.count(), 0);
        const QList<QPair<QAbstractSocket::SocketError, QString>> errors{
            {QAbstractSocket::RemoteHostClosedError, "\"TCP error: remote host is closed\""},
            {QAbstractSocket::HostNotFoundError, "\"TCP error: host not found\""},
            {QAbstractSocket::ConnectionRefusedError, ""}};
        for (const auto &e : errors) {
            client.receiveBytes(stateFrame(1));
            client.slotConnected();
            captured.clear();
            client.slotError(e.first);
            expectBar(client, "Connect|Error!|cancel|0|Unknown|sPend");
            QCOMPARE(captured[QtCriticalMsg].join(""), e.second);
        }
        QCOMPARE(connChanged.count(), 3);
        for (const auto &args : connChanged)
            QCOMPARE(args[0].value<ZelTcpClient::ConnState>(), ZelTcpClient::ConnError);
    }

    void scriptedModem_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("KISS") << "KISS";
        QTest::newRow("AGWPE") << "AGWPE";
    }

    // A scripted modem accepts, drops, refuses while down and accepts again;
    // the real reader drives the tool bar through each step. "Disconnect"
    // then stops the retries until "Connect" is pressed.
    void scriptedModem()
    {
        QFETCH(QString, kind);
        QTcpServer modem;
        QVERIFY(modem.listen(QHostAddress::LocalHost, 0));
        const quint16 port = modem.serverPort();
        QSignalSpy accepted(&modem, &QTcpServer::newConnection);
        ZelTcpClient client("127.0.0.1", 0);
        QSignalSpy connChanged(&client, &ZelTcpClient::connChanged);
        QAction *srv = serverAction(client);
        QScopedPointer<AX25_connector> reader(
            kind == "KISS" ? static_cast<AX25_connector *>(new KISS_connector("127.0.0.1", port))
                           : new AGWPE_Reader("127.0.0.1", port));
        client.reader = reader.data();
        connect(reader->modemInterface(), &AX25_interface::Connected, &client,
                &ZelTcpClient::slotConnected);
        connect(reader->modemInterface(), &AX25_interface::Error, &client,
                &ZelTcpClient::slotError);

        QTRY_COMPARE(srv->toolTip(), QString("Server connection status: Connected"));
        QTRY_COMPARE(accepted.count(), 1);
        QTcpSocket *peer = modem.nextPendingConnection();
        modem.close();
        peer->close();
        QTRY_COMPARE(srv->toolTip(), QString("Server connection status: Error!"));
        QCOMPARE(captured[QtCriticalMsg], QStringList{"\"TCP error: remote host is closed\""});
        QTRY_VERIFY_WITH_TIMEOUT(connChanged.count() >= 3, 10000); // refused, once a second
        QCOMPARE(captured[QtCriticalMsg].size(), 1);
        QVERIFY(modem.listen(QHostAddress::LocalHost, port));
        QTRY_COMPARE_WITH_TIMEOUT(button(client)->text(), QString("Disconnect"), 10000);
        QTRY_COMPARE(accepted.count(), 2);

        button(client)->click();
        QCOMPARE(srv->toolTip(), QString("Server connection status: No connection"));
        QTcpSocket *link = reader->modemInterface()->socket();
        QTRY_COMPARE(link->state(), QAbstractSocket::UnconnectedState);
        // Both ticks, the client's and the reader's own, find nothing to retry.
        QVERIFY(QMetaObject::invokeMethod(&client, "handleReconnectTimeout"));
        reader->handleReconnectTimeout();
        QCOMPARE(link->state(), QAbstractSocket::UnconnectedState);
        button(client)->click();
        QTRY_COMPARE(accepted.count(), 3);
        QTRY_COMPARE(button(client)->text(), QString("Disconnect"));
    }

    // A scripted server takes every frame kind the client sends, answers
    // through the socket's receive slot, and sees a new port re-open the link.
    void serverSocket()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        QSignalSpy accepted(&server, &QTcpServer::newConnection);
        ZelTcpClient client("127.0.0.2", 1);
        QTcpSocket *own = client.findChild<QTcpSocket *>();
        // New parameters are stored; under "no connection" they open nothing.
        client.slotParmChanged("serverAddress", "127.0.0.1");
        client.slotParmChanged("serverPort", QString::number(server.serverPort()));
        client.slotParmChanged("ServerPort", "1"); // names are case-sensitive
        QCOMPARE(own->state(), QAbstractSocket::UnconnectedState);
        client.start();
        QTRY_COMPARE(accepted.count(), 1);
        QTRY_COMPARE(own->state(), QAbstractSocket::ConnectedState);
        QTcpSocket *peer = server.nextPendingConnection();
        uint8_t bytes[4] = {1, 0, 0, 0};
        tag_ostrel_message msgs[3] = {
            {0x380, 1, 7, 4, bytes}, {0x960, 1, 7, 4, nullptr}, {0xA60, 1, 7, 0, bytes}};
        client.sendOstrelToServer(&msgs[0], 0x01020304);
        client.sendOstrelToServer(&msgs[1], 5); // no buffer: zeros go out
        client.sendOstrelToServer(&msgs[2], 0);
        OstrelTableRecord rec;
        rec.recordId = 42;
        rec.message = {0x380, 1, 7, 2, new uint8_t[2]{0xAB, 0xCD}};
        client.can_send_from_que(&rec);
        QCOMPARE(rec.status, 2u);
        QCOMPARE(rec.message.data[1], uint8_t(0xCD)); // the record keeps its own bytes
        zvs_app_info_t info;
        std::iota(info.bytes, info.bytes + 44, 0);
        client.sendInfoToServer(info);
        client.sendOstrelToServer(nullptr, 1);
        client.sendToServer(nullptr);
        client.can_send_from_que(nullptr);
        // Marker, kind, frame length, tag, msg_id, src, dst, length, data, marker.
        const QByteArray expected =
            QByteArray::fromHex("5eba 00100000 1c000000 04030201 8003 0100 0700 0400 01000000 11ba"
                                "5eba 00100000 1c000000 05000000 6009 0100 0700 0400 00000000 11ba"
                                "5eba 00100000 18000000 00000000 600a 0100 0700 0000 11ba"
                                "5eba 00100000 1a000000 2a000000 8003 0100 0700 0200 abcd 11ba"
                                "5eba 01100000 38000000") +
            QByteArray((const char *)info.bytes, 44) + "\x11\xba";
        QByteArray got;
        QTRY_VERIFY((got += peer->readAll()).size() >= expected.size());
        QCOMPARE(got.toHex(' '), expected.toHex(' '));

        // Nothing in the console joins the socket to the receive slot; do it here.
        connect(own, &QTcpSocket::readyRead, &client,
                [&client] { QMetaObject::invokeMethod(&client, "slotReadyRead"); });
        const QStringList *events = record(client);
        const QByteArray answer =
            delivery(1, 1, 0, 3, 0x380, 2, "\xab\xcd", 42) + infoFrame("ground", 0);
        peer->write(answer.left(33));
        QVERIFY(QSignalSpy(own, &QTcpSocket::readyRead).wait(5000));
        QVERIFY(events->isEmpty());
        peer->write(answer.mid(33));
        QTRY_COMPARE(*events, (QStringList{"rx:380:2:abcd:3", "conn:2"}));
        client.slotParmChanged("serverPort", QString::number(server.serverPort()));
        QTRY_COMPARE(accepted.count(), 2);
    }

    void receive_data()
    {
        QTest::addColumn<QList<QByteArray>>("chunks");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<int>("warnings");
        const QByteArray msg = delivery(0, 0, 0, 7, 0x380, 4, QByteArray::fromHex("01000000"));
        const QByteArray ok = stateFrame(2);
        const QString rx = "rx:380:4:01000000:7", sat = "sat:Connected";
        using L = QList<QByteArray>;
        using S = QStringList;
        QTest::newRow("junk before a state frame") << L{"\x01\x02\x03" + ok} << S{sat} << 0;
        QTest::newRow("ten bytes wait") << L{msg.left(10), msg.mid(10)} << S{rx} << 0;
        QTest::newRow("end marker not checked")
            << L{msg.left(msg.size() - 2) + "xx" + ok} << S{rx, sat} << 0;
        QTest::newRow("own kinds stepped over")
            << L{serverFrame(0x1000, QByteArray(12, 0)) + ok} << S{sat} << 0;
        // Untrusted lengths: dropped with a warning, resynchronised on the
        // next start marker.
        QTest::newRow("length below the fixed part")
            << L{serverFrame(0x2002, QByteArray(24, 0), 20) + msg} << S{rx} << 1;
        QTest::newRow("length of ten or less")
            << L{serverFrame(0x2000, QByteArray(40, 0), 3) + ok} << S{sat} << 1;
        QTest::newRow("negative length")
            << L{serverFrame(0x2001, QByteArray(64, 0), 0xFFFFFFFF) + ok} << S{sat} << 1;
        QTest::newRow("length above the cap")
            << L{serverFrame(0x2000, QByteArray(40, 0), 0x7FFFFFF0) + msg} << S{rx} << 1;
        QTest::newRow("block length past the frame")
            << L{delivery(0, 0, 0, 9, 0x380, 200, "UUUU") + msg} << S{rx} << 1;
        QTest::newRow("cut-off frame, huge length")
            << L{serverFrame(0x2001, QByteArray(64, 0), 0x40000000).left(30) + ok} << S{sat} << 1;
        const QByteArray empty = delivery(0, 0, 0, 8, 0xA60, 0);
        QTest::newRow("mixed stream") << L{"junk" + stateFrame(1) + msg + empty + msg + ok}
                                      << S{"sat:Pending...", rx, "rx:a60:0::8", rx, sat} << 0;
        // Fed by a receiver while it is told of a frame: handled after it.
        QTest::newRow("receiver feeds again")
            << L{delivery(0, 0, 0, 1, 1, 0) + ok, stateFrame(0) + delivery(0, 0, 0, 2, 2, 0)}
            << S{"rx:1:0::1", sat, "sat:Error!", "rx:2:0::2"} << 0;
    }

    // Each input also gives the same result however finely it is cut.
    void receive()
    {
        QFETCH(QList<QByteArray>, chunks);
        const bool fromReceiver = QByteArray(QTest::currentDataTag()) == "receiver feeds again";
        for (int step : {0, 1, 3, 7, 16}) {
            if (step && fromReceiver)
                break;
            ZelTcpClient client("127.0.0.1", 1);
            const QStringList *events = record(client);
            QList<QByteArray> parts = chunks;
            if (step) {
                const QByteArray all = chunks.join();
                parts.clear();
                for (int at = 0; at < all.size(); at += step)
                    parts << all.mid(at, step);
            }
            if (fromReceiver)
                connect(&client, &ZelTcpClient::ostrel_RX_message, [&, fed = false]() mutable {
                    if (!std::exchange(fed, true))
                        client.receiveBytes(parts.takeLast());
                });
            captured.clear();
            for (int i = 0; i < parts.size(); ++i) {
                client.receiveBytes(parts[i]);
                if (!step && i + 1 < parts.size())
                    QVERIFY2(events->isEmpty(), "a frame was handled before it was complete");
            }
            QTEST(*events, "events");
            QTEST(captured[QtWarningMsg].size(), "warnings");
        }
    }

    void serverInfoName_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("short") << QByteArray("Zel-1");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("forty bytes without a zero") << QByteArray(40, 'N');
        QTest::newRow("place markers stay text") << QByteArray("a%1b%3");
    }

    void serverInfoName()
    {
        QFETCH(QByteArray, name);
        ZelTcpClient client("10.1.2.3", 4100);
        const QStringList *events = record(client);
        client.receiveBytes(infoFrame(name, 1700000000));
        const QString time = QDateTime::fromSecsSinceEpoch(1700000000).toString(Qt::TextDate);
        QCOMPARE(captured[QtDebugMsg],
                 QStringList{"\"Connected to server " + QString(name) +
                             " (10.1.2.3:4100). Server time is " + time + ".\""});
        QCOMPARE(*events, QStringList{"conn:2"});
        QCOMPARE(button(client)->text(), QString("Disconnect"));
    }

    // The message log's lines; a log that cannot be opened leaves the current
    // one, and a new one closes the previous file.
    void messageLog()
    {
        QTemporaryDir dir;
        const QString first = dir.filePath("1.csv"), second = dir.filePath("2.csv"),
                      bad = dir.filePath("no/bad.csv");
        auto lines = [](const QString &path) {
            QFile f(path);
            return f.open(QIODevice::ReadOnly) ? QString(f.readAll()).split('\n') : QStringList();
        };
        auto openCount = [](const QString &path) {
            QDir fds("/proc/self/fd");
            int n = 0;
            for (const QString &fd :
                 fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
                n += QFile::symLinkTarget(fds.filePath(fd)) == path;
            return n;
        };
        ZelTcpClient client("127.0.0.1", 1);
        client.receiveBytes(delivery(0, 0, 0, 1, 1, 0)); // before the log: not written
        client.setLogFile(first, true);
        client.setLogFile(bad, false);
        QCOMPARE(captured[QtDebugMsg],
                 QStringList{"\"Ostrel messages log file created: " + first + "\""});
        QCOMPARE(captured[QtCriticalMsg],
                 QStringList{"\"Ostrel messages log file creation failed: " + bad + "\""});
        const qint64 t = 1709642096789; // 2024-03-05 12:34:56.789 UTC
        client.receiveBytes(delivery(0, 0, t, 7, 0x380, 4, QByteArray::fromHex("01000000")) +
                            delivery(0, 0, t, 8, 0xA60, 0) +
                            delivery(1, 1, t, 12345678901ull, 0xB, 2, "\xab\xcd", 0, 0xFFE) +
                            delivery(2, 0, t, 1, 0xB, 0));
        QStringList got = lines(first);
        QVERIFY(QRegularExpression(
                    "^Ostrel messages log started at \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$")
                    .match(got.takeFirst())
                    .hasMatch());
        const QString at = "24_03_05 12:34:56.789";
        QCOMPARE(got,
                 (QStringList{
                     "Time;Stamp;Direction;Source;Destination;Message ID;Length;Status for tx;Data",
                     at + ";7;I;7;1;0380;4;;01000000", at + ";8;I;7;1;0A60;0;;",
                     at + ";12345678901;O;7;FFE;000B;2;OK;abcd", at + ";1;O;7;1;000B;0;ERR;", ""}));
        QCOMPARE(openCount(first), 1);
        client.setLogFile(second, false); // lines off: nothing but the heading
        QCOMPARE(openCount(first), 0);
        client.receiveBytes(delivery(0, 0, t, 6, 1, 0));
        QCOMPARE(lines(second).size(), 3);
        QCOMPARE(lines(first).size(), 7);
    }
};

QTEST_MAIN(tst_ZelTcpClient)
#include "tst_zeltcpclient.moc"
