#include "agwpe_reader.h"
#include "kiss_connector.h"
#include "ostrel_user.h"
#include "support_link.h"

#include <QSignalSpy>
#include <QtTest>

namespace
{

QByteArray frameOf(const QByteArray &messages)
{
    return AX25_interface::ax25HeaderBytes() + messages;
}

} // namespace

class TestAx25Connector : public QObject
{
    Q_OBJECT
private slots:
    void split_data();
    void split();
    void receivedFramesReachTheDeliveryHook();
    void reconnectsWithoutSecondLinks();
    void closedLinkStaysClosedUntilOpened();
};

void TestAx25Connector::split_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<int>("count");
    QTest::addColumn<QByteArray>("lastData");
    QTest::addColumn<int>("lastOffset");
    const QByteArray m1 = hex("800301000700040001000000");
    const QByteArray m2 = hex("81040700010002000a0b");
    QTest::newRow("header only") << frameOf("") << 0 << QByteArray() << 0;
    QTest::newRow("shorter than a header") << hex("00a2b4") << 0 << QByteArray() << 0;
    QTest::newRow("two and 5 stray bytes")
        << frameOf(m1 + m2 + hex("0102030405")) << 2 << hex("0a0b") << 37;
    QTest::newRow("claims 200, holds 10")
        << frameOf(hex("01000100020000c8") + QByteArray(10, 'x')) << 0 << QByteArray() << 0;
    QTest::newRow("bad length after a good one")
        << frameOf(m1 + hex("0100010002000900") + QByteArray(8, 'x')) << 1 << hex("01000000") << 25;
    QTest::newRow("zero length, then stray")
        << frameOf(hex("600a0100070000001122")) << 1 << QByteArray() << 25;
}

void TestAx25Connector::split()
{
    QFETCH(QByteArray, frame);
    QFETCH(int, count);
    QFETCH(QByteArray, lastData);
    QFETCH(int, lastOffset);
    const QVector<ostrel_message> msgs = AX25_connector::AX25_to_Ostrel_vector(frame);
    QCOMPARE(msgs.size(), count);
    if (count) {
        // The data points into the frame itself, right after its header.
        QCOMPARE(msgs.last().data, reinterpret_cast<uint8_t *>(frame.data()) + lastOffset);
        QCOMPARE(QByteArray(frame.constData() + lastOffset, msgs.last().length).toHex(),
                 lastData.toHex());
    }
}

void TestAx25Connector::receivedFramesReachTheDeliveryHook()
{
    QVector<QByteArray> got;
    ostrelSetRxRoute([&got](tag_ostrel_message *m) {
        got << QString::asprintf("%x/%x/%x:", m->msg_id, m->src, m->dst).toLatin1() +
                   QByteArray(reinterpret_cast<const char *>(m->data), m->length).toHex();
    });
    KISS_connector reader("127.0.0.1", 1);
    const QByteArray frame = frameOf(hex("80030100070004000100c000810407000100000000"));
    reader.OnPacketArrived(frame);
    reader.OnPacketArrived(frameOf(""));
    ostrelSetRxRoute(nullptr);
    QCOMPARE(got, (QVector<QByteArray>{"380/1/7:0100c000", "481/7/1:"}));
    QCOMPARE(reader.receiveCount(), uint32_t(frame.size() + 17));
}

void TestAx25Connector::reconnectsWithoutSecondLinks()
{
    MessageLog log;
    ScriptedModem modem;
    KISS_connector reader("127.0.0.1", modem.port());
    QSignalSpy states(&reader, &AbstractReader::stateChanges);
    reader.HW_init();
    QTRY_COMPARE(reader.state(), AbstractReader::HW_READY);
    modem.dropClient();
    QTRY_COMPARE(reader.state(), AbstractReader::HW_ERROR);
    // The tool bar's tick may try at the same moment as the reader's own.
    reader.HW_init();
    reader.HW_init();
    QTRY_COMPARE_WITH_TIMEOUT(reader.state(), AbstractReader::HW_READY, 2500);
    QCOMPARE(modem.connections, 2);
    // Unaided, the one-second tick tries again.
    modem.dropClient();
    QTRY_COMPARE(reader.state(), AbstractReader::HW_ERROR);
    QTRY_COMPARE_WITH_TIMEOUT(reader.state(), AbstractReader::HW_READY, 2500);
    QCOMPARE(modem.connections, 3);
    QCOMPARE(log.count("Connected to KISS server!\n"), 3);
    QCOMPARE(log.count("already", false), 0);
    QCOMPARE(states.count(), 5);
}

void TestAx25Connector::closedLinkStaysClosedUntilOpened()
{
    MessageLog log;
    ScriptedModem modem;
    AGWPE_Reader reader("127.0.0.1", modem.port());
    QSignalSpy up(reader.modemInterface(), &AX25_interface::Connected);
    // Closed before it came up: neither the socket nor the tick brings it up.
    reader.HW_close();
    QCOMPARE(reader.state(), AbstractReader::HW_NOTINIT);
    QVERIFY(!up.wait(1200));
    reader.HW_init();
    QTRY_COMPARE(reader.state(), AbstractReader::HW_READY);
    // Unsent bytes keep a socket closing for a while; opening again must not wait for it.
    reader.modemInterface()->socket()->write(QByteArray(4 << 20, 'x'));
    reader.HW_close();
    QCOMPARE(reader.modemInterface()->socket()->state(), QAbstractSocket::ClosingState);
    reader.HW_init();
    QTRY_COMPARE(reader.state(), AbstractReader::HW_READY);
    QCOMPARE(log.count("Connected to AGWPE server!\n"), 2);
}

QTEST_GUILESS_MAIN(TestAx25Connector)
#include "tst_ax25connector.moc"
