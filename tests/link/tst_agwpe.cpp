#include "agwpe.h"
#include "support_link.h"

#include <QSignalSpy>
#include <QtTest>

Q_DECLARE_METATYPE(QVector<QByteArray>)

static QByteArray agwFrame(char kind, const QByteArray &data, uint32_t dataLen = 0)
{
    AGWPE_Header h;
    h.DataKind = uint8_t(kind);
    h.DataLen = dataLen ? dataLen : uint32_t(data.size());
    return h.encode() + data;
}

class TestAgwpe : public QObject
{
    Q_OBJECT
private slots:
    // Reads as TCP cuts them; each frame out is its kind followed by its data.
    void deframe_data()
    {
        using V = QVector<QByteArray>;
        QTest::addColumn<V>("reads");
        QTest::addColumn<V>("frames");
        QTest::addColumn<bool>("ok");
        const QByteArray k = agwFrame('K', QByteArray(40, 'z'));
        QTest::newRow("20, 30, then the rest")
            << V{k.left(20), k.mid(20, 30), k.mid(50)} << V{"K" + QByteArray(40, 'z')} << true;
        QTest::newRow("three kinds in one read")
            << V{agwFrame('T', "abc") + agwFrame('R', "") + agwFrame('K', "xy")}
            << V{"Tabc", "R", "Kxy"} << true;
        // A length nobody sends would have us wait for ever; the frames before it stand.
        QTest::newRow("just over the cap")
            << V{agwFrame('K', "ok") + agwFrame('K', "", 65537)} << V{"Kok"} << false;
    }

    void deframe()
    {
        QFETCH(QVector<QByteArray>, reads);
        AgwpeDeframer deframer;
        QVector<AGWPE_Packet> out;
        bool allOk = true;
        for (const QByteArray &r : reads)
            allOk = deframer.feed(r, out) && allOk;
        QVector<QByteArray> got;
        for (const AGWPE_Packet &p : out)
            got << char(p.header.DataKind) + p.data;
        QTEST(got, "frames");
        QTEST(allOk, "ok");
    }

    void overSocket()
    {
        MessageLog log;
        ScriptedModem modem;
        AGWPE agw;
        QSignalSpy connected(&agw, &AX25_interface::Connected);
        QSignalSpy errors(&agw, &AX25_interface::Error);
        QSignalSpy arrived(&agw, &AX25_interface::PacketArrived);
        agw.Connect("127.0.0.1", modem.port());
        QVERIFY(connected.wait());
        // Raw frames are asked for before anything else is written.
        QByteArray raw(36, '\0');
        raw[4] = 'k';
        QTRY_COMPARE(modem.received.toHex(), raw.toHex());
        QByteArray payload = hex("800301000700040001000000");
        agw.send_packet(payload);
        QTRY_COMPARE(
            modem.received.mid(36).toHex(),
            QByteArray("000000004b000000515a39584b2d30000000515a39584b2d310000001d00000000000000"
                       "00a2b472b0964062a2b472b096406100f0800301000700040001000000"));

        // Only 'K' frames are handed on; a huge length drops the link.
        modem.send(agwFrame('T', "abc") + agwFrame('K', "xy") + agwFrame('K', "", 0x7FFFFFFF));
        QVERIFY(errors.wait());
        QCOMPARE(arrived.count(), 1);
        QCOMPARE(arrived.at(0).at(0).toByteArray(), QByteArray("xy"));
        QCOMPARE(agw.socket()->state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(log.count("AGWPE frame announces 2147483647 data bytes", false), 1);

        // A frame cut by a dropped link is forgotten; the next link starts clean.
        agw.Connect("127.0.0.1", modem.port());
        QTRY_COMPARE(modem.connections, 2);
        QSignalSpy reads(agw.socket(), &QIODevice::readyRead);
        modem.send(agwFrame('K', QByteArray(40, 'a')).left(50));
        QVERIFY(reads.wait());
        modem.dropClient();
        QVERIFY(errors.wait());
        agw.Connect("127.0.0.1", modem.port());
        QTRY_COMPARE(modem.connections, 3);
        modem.send(agwFrame('K', "fresh"));
        QTRY_COMPARE(arrived.count(), 2);
        QCOMPARE(arrived.at(1).at(0).toByteArray(), QByteArray("fresh"));
    }
};

QTEST_GUILESS_MAIN(TestAgwpe)
#include "tst_agwpe.moc"
