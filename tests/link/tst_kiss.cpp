#include "kiss.h"
#include "support_modem.h"

#include <QSignalSpy>
#include <QTcpSocket>
#include <QtTest>

Q_DECLARE_METATYPE(QVector<QByteArray>)

class TestKiss : public QObject
{
    Q_OBJECT
private slots:
    void escape_data();
    void escape();
    void escapeBeyond16Bits();
    void deescape_data();
    void deescape();
    void deframe_data();
    void deframe();
    void oversizedFrameIsDroppedAndStreamRecovers();
    void sendWritesOneEscapedFrame();
    void receiveAcrossReads();
    void nothingWrittenBeforeConnected();
    void secondConnectWhileConnectingIsIgnored();
    void disconnectDropsPartialFrame();
};

void TestKiss::escape_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("start");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("plain") << hex("c000a1b2") << 2 << hex("c000a1b2");
    QTest::newRow("fend") << hex("c000a1c0b2") << 2 << hex("c000a1dbdcb2");
    QTest::newRow("fesc") << hex("c000db") << 2 << hex("c000dbdd");
    QTest::newRow("both, adjacent") << hex("c0c0dbc0") << 1 << hex("c0dbdcdbdddbdc");
    QTest::newRow("start past end") << hex("c0db") << 5 << hex("c0db");
    QTest::newRow("empty") << QByteArray() << 0 << QByteArray();
}

void TestKiss::escape()
{
    QFETCH(QByteArray, input);
    QFETCH(int, start);
    QFETCH(QByteArray, expected);
    KISS::escape(input, uint16_t(start));
    QCOMPARE(input.toHex(), expected.toHex());
}

void TestKiss::escapeBeyond16Bits()
{
    // A 16-bit walk would wrap and leave the tail of a long frame raw.
    QByteArray big(70000, 'a');
    big[69999] = char(0xC0);
    big[1] = char(0xDB);
    KISS::escape(big, 0);
    QCOMPARE(big.size(), 70002);
    QCOMPARE(big.right(2).toHex(), QByteArray("dbdc"));
    QCOMPARE(big.mid(1, 2).toHex(), QByteArray("dbdd"));
    KISS::deescape(big);
    QCOMPARE(big.size(), 70000);
    QCOMPARE(uint8_t(big.at(69999)), uint8_t(0xC0));
}

void TestKiss::deescape_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("framed") << hex("c000a1dbdcb2c0") << hex("00a1c0b2");
    QTest::newRow("fesc") << hex("dbdd") << hex("db");
    QTest::newRow("unknown escape passes") << hex("db41") << hex("41");
    QTest::newRow("trailing fesc") << hex("41db") << hex("41");
    QTest::newRow("fends anywhere") << hex("c041c0c042") << hex("4142");
}

void TestKiss::deescape()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, expected);
    KISS::deescape(input);
    QCOMPARE(input.toHex(), expected.toHex());
}

void TestKiss::deframe_data()
{
    QTest::addColumn<QVector<QByteArray>>("reads");
    QTest::addColumn<QVector<QByteArray>>("frames");
    QTest::newRow("one frame") << QVector<QByteArray>{hex("c000a1dbdcb2c0")}
                               << QVector<QByteArray>{hex("00a1c0b2")};
    QTest::newRow("two frames in one read") << QVector<QByteArray>{hex("c00001c0c00002c0")}
                                            << QVector<QByteArray>{hex("0001"), hex("0002")};
    QTest::newRow("shared fend") << QVector<QByteArray>{hex("c00001c00002c0")}
                                 << QVector<QByteArray>{hex("0001"), hex("0002")};
    QTest::newRow("one frame over three reads")
        << QVector<QByteArray>{hex("c000"), hex("a1b2"), hex("c3c0")}
        << QVector<QByteArray>{hex("00a1b2c3")};
    QTest::newRow("escape split between reads")
        << QVector<QByteArray>{hex("c000a1db"), hex("dcc0")} << QVector<QByteArray>{hex("00a1c0")};
    QTest::newRow("empty frames skipped")
        << QVector<QByteArray>{hex("c0c0c0c00005c0c0")} << QVector<QByteArray>{hex("0005")};
    QTest::newRow("only data frames")
        << QVector<QByteArray>{hex("c00164c0c0ffc0c01007c0")} << QVector<QByteArray>{hex("1007")};
    QTest::newRow("garbage before the first fend")
        << QVector<QByteArray>{hex("00de00ad"), hex("beefc00009c0")}
        << QVector<QByteArray>{hex("0009")};
    QTest::newRow("unfinished frame held back")
        << QVector<QByteArray>{hex("c00001c0c00002")} << QVector<QByteArray>{hex("0001")};
}

void TestKiss::deframe()
{
    QFETCH(QVector<QByteArray>, reads);
    QFETCH(QVector<QByteArray>, frames);
    KissDeframer deframer;
    QVector<QByteArray> out;
    for (const QByteArray &r : reads)
        deframer.feed(r, out);
    QCOMPARE(out, frames);
}

void TestKiss::oversizedFrameIsDroppedAndStreamRecovers()
{
    MessageLog log;
    KissDeframer deframer;
    QVector<QByteArray> out;
    deframer.feed(hex("c000"), out);
    const QByteArray chunk(4096, 'x');
    for (int i = 0; i < 20; ++i)
        deframer.feed(chunk, out);
    deframer.feed(hex("c00042c0"), out);
    QCOMPARE(out, QVector<QByteArray>{hex("0042")});
    QCOMPARE(deframer.oversizedFrames(), 1);
    QCOMPARE(log.countContaining("KISS frame longer than"), 1);
}

void TestKiss::sendWritesOneEscapedFrame()
{
    ScriptedModem modem;
    KISS kiss;
    QSignalSpy connected(&kiss, &AX25_interface::Connected);
    kiss.Connect("127.0.0.1", modem.port());
    QVERIFY(connected.wait());
    QByteArray payload = hex("8003010007000400c0db0000");
    kiss.send_packet(payload);
    const QByteArray expected = hex("c000a2b472b0964062a2b472b096406100f0"
                                    "8003010007000400dbdcdbdd0000c0");
    QTRY_COMPARE(modem.received().toHex(), expected.toHex());
}

void TestKiss::receiveAcrossReads()
{
    ScriptedModem modem;
    KISS kiss;
    QSignalSpy connected(&kiss, &AX25_interface::Connected);
    QSignalSpy arrived(&kiss, &AX25_interface::PacketArrived);
    kiss.Connect("127.0.0.1", modem.port());
    QVERIFY(connected.wait());
    QTRY_VERIFY(modem.client());
    QSignalSpy reads(kiss.socket(), &QIODevice::readyRead);
    modem.send(hex("c000a1db"));
    QVERIFY(reads.wait());
    QCOMPARE(arrived.count(), 0);
    modem.send(hex("dcb2c0c000ee"));
    QTRY_COMPARE(arrived.count(), 1);
    modem.send(hex("ffc0"));
    QTRY_COMPARE(arrived.count(), 2);
    QCOMPARE(arrived.at(0).at(0).toByteArray().toHex(), QByteArray("00a1c0b2"));
    QCOMPARE(arrived.at(1).at(0).toByteArray().toHex(), QByteArray("00eeff"));
}

void TestKiss::nothingWrittenBeforeConnected()
{
    ScriptedModem modem;
    KISS kiss;
    QSignalSpy connected(&kiss, &AX25_interface::Connected);
    kiss.Connect("127.0.0.1", modem.port());
    // Still connecting: a write now would be buffered and sent on connect.
    QByteArray payload = hex("0102");
    kiss.send_packet(payload);
    QVERIFY(connected.wait());
    QByteArray second = hex("0304");
    kiss.send_packet(second);
    QTRY_VERIFY(modem.received().size() > 0);
    QCOMPARE(modem.received().right(3).toHex(), QByteArray("0304c0"));
    QCOMPARE(modem.received().count(char(0xC0)), 2);
}

void TestKiss::secondConnectWhileConnectingIsIgnored()
{
    MessageLog log;
    ScriptedModem modem;
    KISS kiss;
    QSignalSpy connected(&kiss, &AX25_interface::Connected);
    QSignalSpy errors(&kiss, &AX25_interface::Error);
    kiss.Connect("127.0.0.1", modem.port());
    kiss.Connect("127.0.0.1", modem.port());
    QVERIFY(connected.wait());
    kiss.Connect("127.0.0.1", modem.port());
    QTRY_COMPARE(modem.connections(), 1);
    QCOMPARE(connected.count(), 1);
    QCOMPARE(errors.count(), 0);
    QCOMPARE(log.countContaining("Connecting to "), 1);
    QCOMPARE(log.countContaining("already"), 0);
}

void TestKiss::disconnectDropsPartialFrame()
{
    ScriptedModem modem;
    KISS kiss;
    QSignalSpy connected(&kiss, &AX25_interface::Connected);
    QSignalSpy errors(&kiss, &AX25_interface::Error);
    QSignalSpy arrived(&kiss, &AX25_interface::PacketArrived);
    kiss.Connect("127.0.0.1", modem.port());
    QVERIFY(connected.wait());
    QTRY_VERIFY(modem.client());
    QSignalSpy reads(kiss.socket(), &QIODevice::readyRead);
    modem.send(hex("c000aaaa"));
    QVERIFY(reads.wait());
    modem.dropClient();
    QVERIFY(errors.wait());
    kiss.Connect("127.0.0.1", modem.port());
    QTRY_COMPARE(connected.count(), 2);
    QTRY_VERIFY(modem.client());
    // The tail of the old frame must not glue onto the new stream.
    modem.send(hex("bbbbc0c00011c0"));
    QTRY_COMPARE(arrived.count(), 1);
    QCOMPARE(arrived.at(0).at(0).toByteArray().toHex(), QByteArray("0011"));
}

QTEST_GUILESS_MAIN(TestKiss)
#include "tst_kiss.moc"
