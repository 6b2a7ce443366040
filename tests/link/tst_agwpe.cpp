#include "agwpe.h"
#include "support_modem.h"

#include <QSignalSpy>
#include <QTcpSocket>
#include <QtTest>

namespace
{

QByteArray agwFrame(char kind, const QByteArray &data)
{
    AGWPE_Header h;
    h.DataKind = uint8_t(kind);
    h.DataLen = uint32_t(data.size());
    return h.encode() + data;
}

struct Connection {
    ScriptedModem modem;
    AGWPE agw;
    QSignalSpy connected{&agw, &AX25_interface::Connected};
    QSignalSpy errors{&agw, &AX25_interface::Error};
    QSignalSpy arrived{&agw, &AX25_interface::PacketArrived};

    bool open()
    {
        agw.Connect("127.0.0.1", modem.port());
        if (!connected.wait())
            return false;
        return QTest::qWaitFor(
            [this]() { return modem.client() && modem.received().size() >= 36; });
    }
};

} // namespace

class TestAgwpe : public QObject
{
    Q_OBJECT
private slots:
    void headerRoundTrip();
    void rawModeRequestedFirst();
    void sendFrame();
    void frameOverThreeReads();
    void otherKindsConsumedSilently();
    void hugeDataLenDropsConnection();
    void reconnectStartsClean();
};

void TestAgwpe::headerRoundTrip()
{
    AGWPE_Header h;
    h.port = 3;
    h.DataKind = 'K';
    h.PID = 0xF0;
    qstrncpy(h.CallFrom, "QZ9XK-0", 10);
    h.DataLen = 0x01020304;
    h.User = 0xA0B0C0D0;
    const QByteArray bytes = h.encode();
    QCOMPARE(bytes.size(), 36);
    QCOMPARE(bytes.mid(28, 8).toHex(), QByteArray("04030201d0c0b0a0"));
    QCOMPARE(bytes.mid(0, 8).toHex(), QByteArray("030000004b00f000"));
    const AGWPE_Header back = AGWPE_Header::decode(bytes.constData());
    QCOMPARE(back.DataLen, h.DataLen);
    QCOMPARE(back.User, h.User);
    QCOMPARE(QByteArray(back.CallFrom), QByteArray("QZ9XK-0"));
}

void TestAgwpe::rawModeRequestedFirst()
{
    Connection c;
    QVERIFY(c.open());
    QByteArray expected(36, '\0');
    expected[4] = 'k';
    QCOMPARE(c.modem.received().toHex(), expected.toHex());
}

void TestAgwpe::sendFrame()
{
    Connection c;
    QVERIFY(c.open());
    c.modem.clearReceived();
    QByteArray payload = hex("8003010007000400"
                             "01000000");
    c.agw.send_packet(payload);
    QTRY_COMPARE(c.modem.received().size(), 36 + 29);
    const QByteArray got = c.modem.received();
    const AGWPE_Header h = AGWPE_Header::decode(got.constData());
    QCOMPARE(h.DataKind, uint8_t('K'));
    QCOMPARE(h.DataLen, 29u);
    QCOMPARE(QByteArray(got.constData() + 8, 10), QByteArray("QZ9XK-0\0\0\0", 10));
    QCOMPARE(QByteArray(got.constData() + 18, 10), QByteArray("QZ9XK-1\0\0\0", 10));
    QCOMPARE(got.mid(36).toHex(), QByteArray("00a2b472b0964062a2b472b096406100f0"
                                             "800301000700040001000000"));
}

void TestAgwpe::frameOverThreeReads()
{
    Connection c;
    QVERIFY(c.open());
    const QByteArray frame = agwFrame('K', QByteArray(40, 'z'));
    QSignalSpy reads(c.agw.socket(), &QIODevice::readyRead);
    c.modem.send(frame.left(20));
    QVERIFY(reads.wait());
    c.modem.send(frame.mid(20, 30));
    QVERIFY(reads.wait());
    QCOMPARE(c.arrived.count(), 0);
    c.modem.send(frame.mid(50));
    QTRY_COMPARE(c.arrived.count(), 1);
    QCOMPARE(c.arrived.at(0).at(0).toByteArray(), QByteArray(40, 'z'));
}

void TestAgwpe::otherKindsConsumedSilently()
{
    Connection c;
    QVERIFY(c.open());
    c.modem.send(agwFrame('T', "abc") + agwFrame('R', QByteArray()) +
                 agwFrame('K', QByteArray("\x00xy", 3)));
    QTRY_COMPARE(c.arrived.count(), 1);
    QCOMPARE(c.arrived.at(0).at(0).toByteArray(), QByteArray("\x00xy", 3));
}

void TestAgwpe::hugeDataLenDropsConnection()
{
    MessageLog log;
    Connection c;
    QVERIFY(c.open());
    AGWPE_Header h;
    h.DataKind = 'K';
    h.DataLen = 0x7FFFFFFF;
    c.modem.send(agwFrame('K', "ok") + h.encode() + QByteArray(100, 'x'));
    QVERIFY(c.errors.count() > 0 || c.errors.wait());
    QCOMPARE(c.arrived.count(), 1);
    QCOMPARE(c.agw.socket()->state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(log.countContaining("AGWPE frame announces 2147483647 data bytes"), 1);
    // The link can be opened again and works from a clean state.
    c.agw.Connect("127.0.0.1", c.modem.port());
    QTRY_COMPARE(c.connected.count(), 2);
    QTRY_COMPARE(c.modem.connections(), 2);
    c.modem.send(agwFrame('K', "again"));
    QTRY_COMPARE(c.arrived.count(), 2);
    QCOMPARE(c.arrived.at(1).at(0).toByteArray(), QByteArray("again"));
}

void TestAgwpe::reconnectStartsClean()
{
    Connection c;
    QVERIFY(c.open());
    const QByteArray frame = agwFrame('K', QByteArray(40, 'a'));
    QSignalSpy reads(c.agw.socket(), &QIODevice::readyRead);
    c.modem.send(frame.left(50));
    QVERIFY(reads.wait());
    c.modem.dropClient();
    QVERIFY(c.errors.wait());
    c.agw.Connect("127.0.0.1", c.modem.port());
    QTRY_COMPARE(c.connected.count(), 2);
    QTRY_VERIFY(c.modem.client());
    c.modem.send(agwFrame('K', "fresh"));
    QTRY_COMPARE(c.arrived.count(), 1);
    QCOMPARE(c.arrived.at(0).at(0).toByteArray(), QByteArray("fresh"));
}

QTEST_GUILESS_MAIN(TestAgwpe)
#include "tst_agwpe.moc"
