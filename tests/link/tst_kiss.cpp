#include "kiss.h"
#include "support_link.h"

#include <QSignalSpy>
#include <QtTest>

Q_DECLARE_METATYPE(QVector<QByteArray>)

class TestKiss : public QObject
{
    Q_OBJECT
private slots:
    void escape_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("start");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("fend and fesc") << hex("c000a1c0db") << 2 << hex("c000a1dbdcdbdd");
        QTest::newRow("start past end") << hex("c0db") << 5 << hex("c0db");
        // A 16-bit index would wrap and leave the tail of a long frame raw.
        const QByteArray big = QByteArray(69999, 'a') + hex("c0");
        QTest::newRow("beyond 16 bits") << big << 0 << big.left(69999) + hex("dbdc");
    }

    void escape()
    {
        QFETCH(QByteArray, input);
        QFETCH(int, start);
        QFETCH(QByteArray, expected);
        KISS::escape(input, uint16_t(start));
        QCOMPARE(input.toHex(), expected.toHex());
    }

    // The stream as TCP cuts it into reads, and the frames that must come out.
    void deframe_data()
    {
        using V = QVector<QByteArray>;
        QTest::addColumn<V>("reads");
        QTest::addColumn<V>("frames");
        QTest::newRow("escapes undone") << V{hex("c000a1dbdcb2dbddc0")} << V{hex("00a1c0b2db")};
        QTest::newRow("two frames in one read, shared fend")
            << V{hex("c00001c0c00002c00003c0")} << V{hex("0001"), hex("0002"), hex("0003")};
        QTest::newRow("one frame over three reads")
            << V{hex("c000"), hex("a1b2"), hex("c3c0")} << V{hex("00a1b2c3")};
        QTest::newRow("escape split between reads")
            << V{hex("c000a1db"), hex("dcc0")} << V{hex("00a1c0")};
        QTest::newRow("empty frames skipped") << V{hex("c0c0c0c00005c0c0")} << V{hex("0005")};
        QTest::newRow("only data frames") << V{hex("c00164c0c0ffc0c01007c0")} << V{hex("1007")};
        QTest::newRow("garbage before the first fend")
            << V{hex("00de00ad"), hex("beefc00009c0")} << V{hex("0009")};
        // A peer that never closes a frame must not make us hold it for ever.
        QTest::newRow("oversized frame dropped, stream recovers")
            << V{hex("c000"), QByteArray(70000, 'x'), hex("c00042c0")} << V{hex("0042")};
    }

    void deframe()
    {
        QFETCH(QVector<QByteArray>, reads);
        KissDeframer deframer;
        QVector<QByteArray> out;
        for (const QByteArray &r : reads)
            deframer.feed(r, out);
        QTEST(out, "frames");
    }

    void overSocket()
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
        modem.dropClient();
        QVERIFY(errors.wait());
        kiss.Connect("127.0.0.1", modem.port());
        QTRY_VERIFY(modem.client);
        modem.send(hex("bbbbc0c00011c0"));
        QTRY_COMPARE(arrived.count(), 1);
        QCOMPARE(arrived.at(0).at(0).toByteArray().toHex(), QByteArray("0011"));
    }
};

QTEST_GUILESS_MAIN(TestKiss)
#include "tst_kiss.moc"
