#include "agwpe.h"
#include "agwpe_reader.h"
#include "kiss.h"
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

class TestModems : public QObject
{
    Q_OBJECT
private slots:
    void kissEscape_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("start");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("fend and fesc") << hex("c000a1c0db") << 2 << hex("c000a1dbdcdbdd");
        // A 16-bit index would wrap and leave the tail of a long frame raw.
        const QByteArray big = QByteArray(69999, 'a') + hex("c0");
        QTest::newRow("beyond 16 bits") << big << 0 << big.left(69999) + hex("dbdc");
    }

    void kissEscape()
    {
        QFETCH(QByteArray, input);
        QFETCH(int, start);
        QFETCH(QByteArray, expected);
        KISS::escape(input, uint16_t(start));
        QCOMPARE(input.toHex(), expected.toHex());
    }

    // The stream as TCP cuts it into reads, and the frames that must come out.
    void kissDeframe_data()
    {
        using V = QVector<QByteArray>;
        QTest::addColumn<V>("reads");
        QTest::addColumn<V>("frames");
        QTest::newRow("escapes undone") << V{hex("c000a1dbdcb2dbddc0")} << V{hex("00a1c0b2db")};
        QTest::newRow("escape split between reads")
            << V{hex("c000a1db"), hex("dcc0")} << V{hex("00a1c0")};
        QTest::newRow("only data frames") << V{hex("c00164c0c0ffc0c01007c0")} << V{hex("1007")};
        // A peer that never closes a frame must not make us hold it for ever.
        QTest::newRow("oversized frame dropped, stream recovers")
            << V{hex("c000"), QByteArray(70000, 'x'), hex("c00042c0")} << V{hex("0042")};
    }

    void kissDeframe()
    {
        QFETCH(QVector<QByteArray>, reads);
        KissDeframer deframer;
        QVector<QByteArray> out;
        for (const QByteArray &r : reads)
            deframer.feed(r, out);
        QTEST(out, "frames");
    }

    void kissOverSocket()
    {
        ScriptedModem modem;
        KISS kiss;
        QSignalSpy connected(&kiss, &AX25_interface::Connected);
        QSignalSpy errors(&kiss, &AX25_interface::Error);
        QSignalSpy arrived(&kiss, &AX25_interface::PacketArrived);
        kiss.Connect("127.0.0.1", modem.port());
        // Still connecting: a socket would keep this and send it on connect.
        QByteArray early = hex("0102");
        kiss.send_packet(early);
        QVERIFY(connected.wait());
        QTRY_VERIFY(modem.client);
        QByteArray payload = hex("8003010007000400c0db0000");
        kiss.send_packet(payload);
        QTRY_COMPARE(modem.received.toHex(), QByteArray("c000a2b472b0964062a2b472b096406100f0"
                                                        "8003010007000400dbdcdbdd0000c0"));

        // The tail of a frame cut by a dropped link must not glue onto the next stream.
        QSignalSpy reads(kiss.socket(), &QIODevice::readyRead);
        modem.send(hex("c000aaaa"));
        QVERIFY(reads.wait());
        modem.client->disconnectFromHost();
        modem.client = nullptr;
        QVERIFY(errors.wait());
        kiss.Connect("127.0.0.1", modem.port());
        QTRY_VERIFY(modem.client);
        modem.send(hex("bbbbc0c00011c0"));
        QTRY_COMPARE(arrived.count(), 1);
        QCOMPARE(arrived.at(0).at(0).toByteArray().toHex(), QByteArray("0011"));
    }

    // Reads as TCP cuts them; each frame out is its kind followed by its data.
    void agwpeDeframe_data()
    {
        using V = QVector<QByteArray>;
        QTest::addColumn<V>("reads");
        QTest::addColumn<V>("frames");
        QTest::addColumn<bool>("ok");
        const QByteArray k = agwFrame('K', QByteArray(40, 'z'));
        QTest::newRow("20, 30, then the rest")
            << V{k.left(20), k.mid(20, 30), k.mid(50)} << V{"K" + QByteArray(40, 'z')} << true;
        // A length nobody sends would have us wait for ever; the frames before it stand.
        QTest::newRow("just over the cap")
            << V{agwFrame('K', "ok") + agwFrame('K', "", 65537)} << V{"Kok"} << false;
    }

    void agwpeDeframe()
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

    // A frame announcing more than the cap: the reader drops the link itself,
    // the reconnect tick brings it back, and a command then reaches the modem.
    void agwpeReaderRecoversFromARefusedFrame()
    {
        ScriptedModem modem;
        AGWPE_Reader reader("127.0.0.1", modem.port());
        QSignalSpy states(&reader, &AbstractReader::stateChanges);
        QTRY_COMPARE(reader.state(), AbstractReader::HW_READY);
        QPointer<QTcpSocket> first = modem.client;
        QSignalSpy dropped(first.data(), &QTcpSocket::disconnected);
        MessageLog log;
        modem.send(agwFrame('K', "", 65537));
        QVERIFY(dropped.wait());
        QTRY_COMPARE(modem.connections, 2);
        QTRY_COMPARE(reader.state(), AbstractReader::HW_READY);
        QCOMPARE(log.count("AGWPE frame announces 65537 data bytes; dropping the connection\n"), 1);
        QVERIFY(states.contains({QVariant::fromValue(AbstractReader::HW_ERROR)}));

        uint8_t data[] = {0x01, 0x00, 0x00, 0x00};
        tag_ostrel_message command{0x0380, 0x0001, 0x0007, 4, data};
        reader.ostrel_send_message(&command);
        // Each link opened with the 36-byte raw-frame request; then one AGWPE
        // 'K' frame: its header, the AX.25 header, the message.
        QTRY_VERIFY(modem.received.endsWith(AX25_interface::ax25HeaderBytes() +
                                            hex("800301000700040001000000")));
        QCOMPARE(modem.received.size(), 36 + 36 + 36 + 17 + 12);
        QCOMPARE(modem.received.at(72 + 4), 'K');
    }
};

QTEST_GUILESS_MAIN(TestModems)
#include "tst_modems.moc"
