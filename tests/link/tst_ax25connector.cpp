#include "agwpe.h"
#include "agwpe_reader.h"
#include "kiss.h"
#include "kiss_connector.h"
#include "ostrel_user.h"
#include "support_modem.h"

#include <QSignalSpy>
#include <QtTest>

namespace
{

struct Delivered {
    uint16_t msgId, src, dst, length;
    QByteArray data;
};

// Collects what the readers hand to the bus stack's delivery hook.
struct DeliveryCapture {
    QVector<Delivered> messages;
    DeliveryCapture()
    {
        ostrelSetRxRoute([this](tag_ostrel_message *m) {
            messages.append({m->msg_id, m->src, m->dst, m->length,
                             m->data
                                 ? QByteArray(reinterpret_cast<const char *>(m->data), m->length)
                                 : QByteArray()});
        });
    }
    ~DeliveryCapture() { ostrelSetRxRoute(nullptr); }
};

QByteArray frameOf(const QByteArray &messages)
{
    return AX25_interface::ax25HeaderBytes() + messages;
}

QByteArray kissed(const QByteArray &frame)
{
    QByteArray out = QByteArray(1, char(0xC0)) + frame;
    KISS::escape(out, 1);
    return out + char(0xC0);
}

} // namespace

class TestAx25Connector : public QObject
{
    Q_OBJECT
private slots:
    void split_data();
    void split();
    void zeroLengthMessagePointsPastItsHeader();
    void callSign_data();
    void callSign();
    void sendBuildsOneFrame();
    void sendOnlyWhenReady();
    void missingDataGoesOutAsZeros();
    void receivedFramesReachTheDeliveryHook();
    void connectedMessages();
    void reconnectsAfterTheModemDrops();
    void closedLinkIsLeftAlone();
    void closeWhileConnecting();
    void reopenWhileClosing();
    void nullReader();
};

void TestAx25Connector::split_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<int>("count");
    QTest::addColumn<QByteArray>("lastData");
    const QByteArray m1 = hex("800301000700040001000000");
    const QByteArray m2 = hex("81040700010002000a0b");
    QTest::newRow("header only") << frameOf(QByteArray()) << 0 << QByteArray();
    QTest::newRow("shorter than a header") << hex("00a2b4") << 0 << QByteArray();
    QTest::newRow("one message") << frameOf(m1) << 1 << hex("01000000");
    QTest::newRow("two and 5 stray bytes")
        << frameOf(m1 + m2 + hex("0102030405")) << 2 << hex("0a0b");
    QTest::newRow("claims 200, holds 10")
        << frameOf(hex("01000100020000c8") + QByteArray(10, 'x')) << 0 << QByteArray();
    QTest::newRow("bad length after a good one")
        << frameOf(m1 + hex("0100010002000900") + QByteArray(8, 'x')) << 1 << hex("01000000");
    QTest::newRow("exact fit") << frameOf(m2 + m2) << 2 << hex("0a0b");
}

void TestAx25Connector::split()
{
    QFETCH(QByteArray, frame);
    QFETCH(int, count);
    QFETCH(QByteArray, lastData);
    const QVector<ostrel_message> msgs = AX25_connector::AX25_to_Ostrel_vector(frame);
    QCOMPARE(msgs.size(), count);
    if (count) {
        const ostrel_message &m = msgs.last();
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(m.data), m.length).toHex(),
                 lastData.toHex());
        // The data pointers point into the frame itself.
        QVERIFY(m.data >= reinterpret_cast<const uint8_t *>(frame.constData()));
        QVERIFY(m.data + m.length <=
                reinterpret_cast<const uint8_t *>(frame.constData()) + frame.size());
    }
}

void TestAx25Connector::zeroLengthMessagePointsPastItsHeader()
{
    QByteArray frame = frameOf(hex("600a0100070000001122"));
    const QVector<ostrel_message> msgs = AX25_connector::AX25_to_Ostrel_vector(frame);
    QCOMPARE(msgs.size(), 1);
    QCOMPARE(msgs[0].msg_id, uint16_t(0x0A60));
    QCOMPARE(msgs[0].length, uint16_t(0));
    QCOMPARE(msgs[0].data, reinterpret_cast<uint8_t *>(frame.data()) + 17 + 8);
}

void TestAx25Connector::callSign_data()
{
    QTest::addColumn<QByteArray>("address");
    QTest::addColumn<QString>("call");
    QTest::newRow("padded with blanks") << hex("a2b472b0964062") << "QZ9XK";
    QTest::newRow("six characters") << hex("a2b472b09686") << "QZ9XKC";
    QTest::newRow("NUL padded") << hex("9c8200000000") << "NA";
    QTest::newRow("empty") << hex("404040404040") << "";
}

void TestAx25Connector::callSign()
{
    QFETCH(QByteArray, address);
    QFETCH(QString, call);
    QCOMPARE(AX25_connector::AX25_CallSignToStr(
                 reinterpret_cast<const unsigned char *>(address.constData())),
             call);
}

void TestAx25Connector::sendBuildsOneFrame()
{
    ScriptedModem modem;
    KISS_connector reader("127.0.0.1", modem.port());
    QTRY_COMPARE(reader.state(), AbstractReader::HW_READY);
    uint8_t data[] = {1, 0, 0, 0};
    tag_ostrel_message msg{0x0380, 0x0001, 0x0007, 4, data};
    reader.ostrel_send_message(&msg);
    QTRY_COMPARE(modem.received().toHex(),
                 kissed(frameOf(hex("800301000700040001000000"))).toHex());
    QCOMPARE(reader.transmitCount(), 0u);
}

void TestAx25Connector::sendOnlyWhenReady()
{
    ScriptedModem modem;
    AGWPE_Reader reader("127.0.0.1", modem.port());
    QCOMPARE(reader.state(), AbstractReader::HW_NOTINIT);
    uint8_t data[] = {9};
    tag_ostrel_message msg{0x0101, 1, 7, 1, data};
    // Still connecting: the command fails now and must never leave later.
    reader.ostrel_send_message(&msg);
    QTRY_COMPARE(reader.state(), AbstractReader::HW_READY);
    QTRY_COMPARE(modem.received().size(), 36);
    msg.msg_id = 0x0202;
    reader.ostrel_send_message(&msg);
    QTRY_COMPARE(modem.received().size(), 36 + 36 + 17 + 9);
    QCOMPARE(modem.received().mid(36 + 36 + 17, 2).toHex(), QByteArray("0202"));
}

void TestAx25Connector::missingDataGoesOutAsZeros()
{
    ScriptedModem modem;
    KISS_connector reader("127.0.0.1", modem.port());
    QTRY_COMPARE(reader.state(), AbstractReader::HW_READY);
    tag_ostrel_message msg{0x0380, 1, 7, 3, nullptr};
    reader.ostrel_send_message(&msg);
    QTRY_COMPARE(modem.received().toHex(), kissed(frameOf(hex("8003010007000300000000"))).toHex());
}

void TestAx25Connector::receivedFramesReachTheDeliveryHook()
{
    DeliveryCapture capture;
    ScriptedModem modem;
    KISS_connector reader("127.0.0.1", modem.port());
    QTRY_COMPARE(reader.state(), AbstractReader::HW_READY);
    QTRY_VERIFY(modem.client());
    const QByteArray f1 = frameOf(hex("80030100070004000100c000"
                                      "810407000100000000"));
    const QByteArray f2 = frameOf(QByteArray());
    const QByteArray stream = kissed(f1) + kissed(f2);
    // Cut mid-escape and mid-frame, as TCP may.
    const int cut = stream.indexOf(char(0xDB)) + 1;
    modem.send(stream.left(cut));
    QSignalSpy reads(reader.modemInterface()->socket(), &QIODevice::readyRead);
    QVERIFY(reads.wait());
    modem.send(stream.mid(cut));
    QTRY_COMPARE(reader.receiveCount(), uint32_t(f1.size() + f2.size()));
    QCOMPARE(capture.messages.size(), 2);
    QCOMPARE(capture.messages[0].msgId, uint16_t(0x0380));
    QCOMPARE(capture.messages[0].data.toHex(), QByteArray("0100c000"));
    QCOMPARE(capture.messages[1].msgId, uint16_t(0x0481));
    QCOMPARE(capture.messages[1].src, uint16_t(7));
    QCOMPARE(capture.messages[1].length, uint16_t(0));
    QCOMPARE(reader.transmitCount(), 0u);
}

void TestAx25Connector::connectedMessages()
{
    MessageLog log;
    ScriptedModem modem;
    {
        AGWPE_Reader agw("127.0.0.1", modem.port());
        QTRY_COMPARE(agw.state(), AbstractReader::HW_READY);
    }
    {
        KISS_connector kiss("127.0.0.1", modem.port());
        QTRY_COMPARE(kiss.state(), AbstractReader::HW_READY);
    }
    QCOMPARE(log.count("Connected to AGWPE server!\n"), 1);
    QCOMPARE(log.count("Connected to KISS server!\n"), 1);
}

void TestAx25Connector::reconnectsAfterTheModemDrops()
{
    MessageLog log;
    ScriptedModem modem;
    KISS_connector reader("127.0.0.1", modem.port());
    QSignalSpy states(&reader, &AbstractReader::stateChanges);
    // A second start right away must not open a second connection.
    reader.HW_init();
    QTRY_COMPARE(reader.state(), AbstractReader::HW_READY);
    QTRY_COMPARE(modem.connections(), 1);
    modem.dropClient();
    QTRY_COMPARE(reader.state(), AbstractReader::HW_ERROR);
    // The tool bar's tick may try at the same moment as the reader's own.
    reader.HW_init();
    reader.HW_init();
    QTRY_COMPARE_WITH_TIMEOUT(reader.state(), AbstractReader::HW_READY, 2500);
    QCOMPARE(modem.connections(), 2);
    // And without help, the one-second tick tries again by itself.
    modem.dropClient();
    QTRY_COMPARE(reader.state(), AbstractReader::HW_ERROR);
    QTRY_COMPARE_WITH_TIMEOUT(reader.state(), AbstractReader::HW_READY, 2500);
    QCOMPARE(modem.connections(), 3);
    QCOMPARE(log.count("Connected to KISS server!\n"), 3);
    QCOMPARE(log.countContaining("already"), 0);
    QCOMPARE(states.count(), 5);
}

void TestAx25Connector::closedLinkIsLeftAlone()
{
    ScriptedModem modem;
    AGWPE_Reader reader("127.0.0.1", modem.port());
    QTRY_COMPARE(reader.state(), AbstractReader::HW_READY);
    reader.HW_close();
    QCOMPARE(reader.state(), AbstractReader::HW_NOTINIT);
    QTRY_VERIFY(!modem.client() || modem.client()->state() != QAbstractSocket::ConnectedState);
    QSignalSpy states(&reader, &AbstractReader::stateChanges);
    QVERIFY(!states.wait(1500));
    QCOMPARE(modem.connections(), 1);
    reader.HW_init();
    QTRY_COMPARE(reader.state(), AbstractReader::HW_READY);
    QCOMPARE(modem.connections(), 2);
}

void TestAx25Connector::closeWhileConnecting()
{
    ScriptedModem modem;
    KISS_connector reader("127.0.0.1", modem.port());
    QSignalSpy up(reader.modemInterface(), &AX25_interface::Connected);
    reader.HW_close();
    QCOMPARE(reader.state(), AbstractReader::HW_NOTINIT);
    // Closed before it came up: it must not come up afterwards.
    QVERIFY(!up.wait(1200));
    QCOMPARE(reader.state(), AbstractReader::HW_NOTINIT);
}

void TestAx25Connector::reopenWhileClosing()
{
    ScriptedModem modem;
    KISS_connector reader("127.0.0.1", modem.port());
    QTRY_COMPARE(reader.state(), AbstractReader::HW_READY);
    // Unsent bytes keep the socket closing for a while after HW_close.
    reader.modemInterface()->socket()->write(QByteArray(4 << 20, 'x'));
    reader.HW_close();
    QCOMPARE(reader.modemInterface()->socket()->state(), QAbstractSocket::ClosingState);
    reader.HW_init();
    QTRY_COMPARE(reader.state(), AbstractReader::HW_READY);
    QCOMPARE(modem.connections(), 2);
}

void TestAx25Connector::nullReader()
{
    NullReader reader;
    QCOMPARE(reader.state(), AbstractReader::HW_ERROR);
    tag_ostrel_message msg{1, 2, 3, 0, nullptr};
    reader.ostrel_send_message(&msg);
    reader.HW_init();
    QCOMPARE(reader.state(), AbstractReader::HW_ERROR);
    QCOMPARE(reader.readerDataCount(), 0);
    QCOMPARE(reader.receiveCount(), 0u);
    QCOMPARE(reader.transmitCount(), 0u);
}

QTEST_GUILESS_MAIN(TestAx25Connector)
#include "tst_ax25connector.moc"
