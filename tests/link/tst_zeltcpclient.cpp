#include "ax25_interface.h"
#include "kiss_connector.h"
#include "ostreltablerecord.h"
#include "support_link.h"
#include "toolbar.h"
#include "zeltcpclient.h"

#include <QtNetwork>
#include <QtTest>
#include <QtWidgets>

class tst_ZelTcpClient : public QObject
{
    Q_OBJECT

    QStringList events; // "<id>:<length>:<hex>:<stamp>" for each message received

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
                               quint16 dst = 1)
    {
        const zvs_ostrel_to_app_t b{direction, txStatus, timeMs, stamp, 0, {msgId, 7, dst, length},
                                    0};
        return serverFrame(0x2000, zvsOstrelToAppEncode(b) + data);
    }
    static QPushButton *button(ZelTcpClient &c) { return c.toolBar->findChild<QPushButton *>(); }
    void record(ZelTcpClient &client)
    {
        events.clear();
        connect(&client, &ZelTcpClient::ostrel_RX_message,
                [this](ostrel_message m, QByteArray data, zvs_ostrel_to_app_t b) {
                    events << QStringLiteral("%1:%2:%3:%4")
                                  .arg(m.msg_id, 0, 16)
                                  .arg(m.length)
                                  .arg(QString(data.toHex()))
                                  .arg(b.stamp);
                });
    }

private slots:
    void initTestCase() { qRegisterMetaType<ZelTcpClient::ConnState>(); }

    // The modem accepts, drops, refuses while down and accepts again; "Disconnect"
    // then stops the retries until "Connect" is pressed.
    void scriptedModem()
    {
        MessageLog log;
        QTcpServer modem;
        QVERIFY(modem.listen(QHostAddress::LocalHost, 0));
        const quint16 port = modem.serverPort();
        QSignalSpy accepted(&modem, &QTcpServer::newConnection);
        ZelTcpClient client("127.0.0.1", 0);
        QSignalSpy connChanged(&client, &ZelTcpClient::connChanged);
        KISS_connector kiss("127.0.0.1", port);
        client.reader = &kiss;
        connect(kiss.modemInterface(), &AX25_interface::Connected, &client,
                &ZelTcpClient::slotConnected);
        connect(kiss.modemInterface(), &AX25_interface::Error, &client, &ZelTcpClient::slotError);
        QTRY_COMPARE(accepted.count(), 1);
        QTcpSocket *peer = modem.nextPendingConnection();
        modem.close();
        peer->close();
        QTRY_VERIFY_WITH_TIMEOUT(connChanged.count() >= 3, 10000); // refused, once a second
        QCOMPARE(log.count("TCP error", false), 1);
        QVERIFY(modem.listen(QHostAddress::LocalHost, port));
        QTRY_COMPARE_WITH_TIMEOUT(button(client)->text(), QString("Disconnect"), 10000);

        button(client)->click();
        QTcpSocket *link = kiss.modemInterface()->socket();
        QTRY_COMPARE(link->state(), QAbstractSocket::UnconnectedState);
        QVERIFY(QMetaObject::invokeMethod(&client, "handleReconnectTimeout"));
        kiss.handleReconnectTimeout();
        QCOMPARE(link->state(), QAbstractSocket::UnconnectedState);
        button(client)->click();
        QTRY_COMPARE(accepted.count(), 3);
    }

    // A scripted server takes every frame kind the client sends and answers
    // through the socket's receive slot.
    void serverSocket()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        QSignalSpy accepted(&server, &QTcpServer::newConnection);
        ZelTcpClient client("127.0.0.2", 1);
        QTcpSocket *own = client.findChild<QTcpSocket *>();
        client.slotParmChanged("serverAddress", "127.0.0.1");
        client.slotParmChanged("serverPort", QString::number(server.serverPort()));
        QCOMPARE(own->state(), QAbstractSocket::UnconnectedState);
        client.start();
        QTRY_COMPARE(accepted.count(), 1);
        QTRY_COMPARE(own->state(), QAbstractSocket::ConnectedState);
        QTcpSocket *peer = server.nextPendingConnection();
        uint8_t bytes[4] = {1, 0, 0, 0};
        tag_ostrel_message msgs[2] = {{0x380, 1, 7, 4, bytes}, {0x960, 1, 7, 4, nullptr}};
        client.sendOstrelToServer(&msgs[0], 0x01020304);
        client.sendOstrelToServer(&msgs[1], 5); // no buffer: zeros go out
        client.sendOstrelToServer(nullptr, 1);
        OstrelTableRecord rec;
        rec.recordId = 42;
        rec.message = {0x380, 1, 7, 2, new uint8_t[2]{0xAB, 0xCD}};
        client.can_send_from_que(&rec);
        QCOMPARE(rec.status, 2u);
        // Marker, kind, frame length, tag, msg_id, src, dst, length, data, marker.
        const QByteArray expected =
            QByteArray::fromHex("5eba 00100000 1c000000 04030201 8003 0100 0700 0400 01000000 11ba"
                                "5eba 00100000 1c000000 05000000 6009 0100 0700 0400 00000000 11ba"
                                "5eba 00100000 1a000000 2a000000 8003 0100 0700 0200 abcd 11ba");
        QByteArray got;
        QTRY_VERIFY((got += peer->readAll()).size() >= expected.size());
        QCOMPARE(got.toHex(' '), expected.toHex(' '));
    }

    void receive_data()
    {
        QTest::addColumn<QList<QByteArray>>("chunks");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("warnings");
        const QByteArray msg = delivery(0, 0, 0, 7, 0x380, 4, QByteArray::fromHex("01000000"));
        const QString rx = "380:4:01000000:7";
        using L = QList<QByteArray>;
        using S = QStringList;
        QTest::newRow("junk, empty message, split")
            << L{"junk" + msg.left(10), msg.mid(10) + delivery(0, 0, 0, 8, 0xA60, 0) + msg}
            << S{rx, "a60:0::8", rx} << 0;
        // Untrusted lengths: dropped with a warning, resynchronised on the next marker.
        QTest::newRow("length below the fixed part")
            << L{serverFrame(0x2002, QByteArray(24, 0), 20) + msg} << S{rx} << 1;
        QTest::newRow("length above the cap")
            << L{serverFrame(0x2000, QByteArray(40, 0), 0x7FFFFFF0) + msg} << S{rx} << 1;
        QTest::newRow("block length past the frame")
            << L{delivery(0, 0, 0, 9, 0x380, 200, "UUUU") + msg} << S{rx} << 1;
    }

    // Each input also gives the same result however finely it is cut.
    void receive()
    {
        QFETCH(QList<QByteArray>, chunks);
        for (int step : {0, 1, 7}) {
            MessageLog log;
            ZelTcpClient client("127.0.0.1", 1);
            record(client);
            QList<QByteArray> parts = chunks;
            if (step) {
                const QByteArray all = chunks.join();
                parts.clear();
                for (int at = 0; at < all.size(); at += step)
                    parts << all.mid(at, step);
            }
            for (const QByteArray &part : qAsConst(parts))
                client.receiveBytes(part);
            QTEST(events, "expected");
            QTEST(log.count("is malformed and was dropped", false), "warnings");
        }
    }

    // A log that cannot be opened leaves the current one.
    void messageLog()
    {
        MessageLog log;
        QTemporaryDir dir;
        const QString first = dir.filePath("1.csv"), bad = dir.filePath("no/bad.csv");
        ZelTcpClient client("127.0.0.1", 1);
        client.setLogFile(first, true);
        client.setLogFile(bad, false);
        QCOMPARE(log.count("Ostrel messages log file creation failed: " + bad), 1);
        const qint64 t = 1709642096789; // 2024-03-05 12:34:56.789 UTC
        client.receiveBytes(delivery(0, 0, t, 8, 0xA60, 0) +
                            delivery(1, 1, t, 12345678901ull, 0xB, 2, "\xab\xcd", 0xFFE) +
                            delivery(2, 0, t, 1, 0xB, 0));
        QFile file(first);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QStringList got = QString(file.readAll()).split('\n');
        QVERIFY(got.takeFirst().startsWith("Ostrel messages log started at "));
        const QString at = "24_03_05 12:34:56.789";
        QCOMPARE(got,
                 (QStringList{
                     "Time;Stamp;Direction;Source;Destination;Message ID;Length;Status for tx;Data",
                     at + ";8;I;7;1;0A60;0;;", at + ";12345678901;O;7;FFE;000B;2;OK;abcd",
                     at + ";1;O;7;1;000B;0;ERR;", ""}));
    }
};

VELKARO_TEST_MAIN_IN_UTC(tst_ZelTcpClient)

#include "tst_zeltcpclient.moc"
