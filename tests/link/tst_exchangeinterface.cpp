#include "kiss.h"
#include "kiss_connector.h"
#include "ostrelexchangeinterface.h"
#include "ostreltablerecord.h"
#include "support_modem.h"

#include <QSignalSpy>
#include <QtTest>

namespace
{

// A command record whose message points at its own data bytes.
struct Command {
    OstrelTableRecord record;
    explicit Command(const QByteArray &bytes = hex("01000000"))
    {
        record.data = bytes;
        record.message.msg_id = 0x0380;
        record.message.src = 0x0001;
        record.message.dst = 0x0007;
        record.message.length = uint16_t(bytes.size());
        record.message.data = new uint8_t[size_t(bytes.size())];
        memcpy(record.message.data, bytes.constData(), size_t(bytes.size()));
        record.status = OstrelTableRecord::Ready;
    }
};

// Cuts a message into CAN frames with the bus stack's own sender.
QVector<can_message> framesOf(uint16_t src, uint16_t dst, uint16_t msgId, const QByteArray &data)
{
    QVector<can_message> frames;
    OstrelStackHooks hooks;
    hooks.hwSend = [&frames](tag_can_message *f) { frames.append(*f); };
    OstrelStack sender(OstrelStackConfig(), hooks);
    sender.ostrel_init();
    QByteArray copy = data;
    tag_ostrel_message msg{msgId, src, dst, uint16_t(data.size()),
                           reinterpret_cast<uint8_t *>(copy.data())};
    sender.ostrel_send_message(&msg);
    return frames;
}

} // namespace

class TestExchangeInterface : public QObject
{
    Q_OBJECT
private slots:
    void sentWhenTheLinkIsReady();
    void errorTxWhenTheLinkIsDown();
    void nullReaderMarksErrorTx();
    void nullRecordIsIgnored();
    void initRestartsAClosedLink();
    void ownStackDeliversWithCrc();
    void ownStackHasFiveSlots();
    void closeDropsPartialMessages();
};

void TestExchangeInterface::sentWhenTheLinkIsReady()
{
    ScriptedModem modem;
    KISS_connector reader("127.0.0.1", modem.port());
    OstrelExchangeInterface exchange(&reader);
    QSignalSpy sent(&exchange, &OstrelExchangeInterface::can_sent_record);
    QTRY_COMPARE(reader.state(), AbstractReader::HW_READY);
    Command cmd;
    exchange.can_send_from_que(&cmd.record);
    QCOMPARE(cmd.record.status, unsigned(OstrelTableRecord::Sent));
    QCOMPARE(sent.count(), 1);
    QCOMPARE(sent.at(0).at(0).value<OstrelTableRecord *>(), &cmd.record);
    QTRY_VERIFY(modem.received().contains(hex("800301000700040001000000")));
}

void TestExchangeInterface::errorTxWhenTheLinkIsDown()
{
    ScriptedModem modem;
    KISS_connector reader("127.0.0.1", modem.port());
    OstrelExchangeInterface exchange(&reader);
    QSignalSpy sent(&exchange, &OstrelExchangeInterface::can_sent_record);
    Command connecting;
    // Not connected yet: the command fails now and is never sent later.
    exchange.can_send_from_que(&connecting.record);
    QCOMPARE(connecting.record.status, unsigned(OstrelTableRecord::ErrorTx));
    QTRY_COMPARE(reader.state(), AbstractReader::HW_READY);
    reader.HW_close();
    Command closed(hex("0202"));
    exchange.can_send_from_que(&closed.record);
    QCOMPARE(closed.record.status, unsigned(OstrelTableRecord::ErrorTx));
    QCOMPARE(sent.count(), 2);
    reader.HW_init();
    QTRY_COMPARE(reader.state(), AbstractReader::HW_READY);
    Command marker(hex("ffff"));
    exchange.can_send_from_que(&marker.record);
    QCOMPARE(marker.record.status, unsigned(OstrelTableRecord::Sent));
    QTRY_VERIFY(modem.received().contains(hex("ffffc0")));
    QVERIFY(!modem.received().contains(hex("01000000")));
    QVERIFY(!modem.received().contains(hex("02020000")));
    QCOMPARE(modem.received().count(char(0xC0)), 2);
}

void TestExchangeInterface::nullReaderMarksErrorTx()
{
    NullReader reader;
    OstrelExchangeInterface exchange(&reader);
    exchange.ostrel_init();
    QSignalSpy sent(&exchange, &OstrelExchangeInterface::can_sent_record);
    Command cmd;
    exchange.can_send_from_que(&cmd.record);
    QCOMPARE(cmd.record.status, unsigned(OstrelTableRecord::ErrorTx));
    QCOMPARE(sent.count(), 1);
}

void TestExchangeInterface::nullRecordIsIgnored()
{
    NullReader reader;
    OstrelExchangeInterface exchange(&reader);
    QSignalSpy sent(&exchange, &OstrelExchangeInterface::can_sent_record);
    exchange.can_send_from_que(nullptr);
    QCOMPARE(sent.count(), 0);
}

void TestExchangeInterface::initRestartsAClosedLink()
{
    MessageLog log;
    ScriptedModem modem;
    KISS_connector reader("127.0.0.1", modem.port());
    OstrelExchangeInterface exchange(&reader);
    // Start-up initialises right after the reader began connecting: still one link.
    exchange.ostrel_init();
    QTRY_COMPARE(reader.state(), AbstractReader::HW_READY);
    QCOMPARE(modem.connections(), 1);
    QCOMPARE(exchange.stack().state.initialised, uint8_t(1));
    QCOMPARE(exchange.stack().state.free_memory, 1048576u);
    QCOMPARE(exchange.stack().state.free_buffers, uint16_t(5));
    exchange.ostrel_close();
    QCOMPARE(reader.state(), AbstractReader::HW_NOTINIT);
    QCOMPARE(exchange.stack().state.initialised, uint8_t(0));
    exchange.ostrel_init();
    QTRY_COMPARE(reader.state(), AbstractReader::HW_READY);
    QTRY_COMPARE(modem.connections(), 2);
    QCOMPARE(log.countContaining("already"), 0);
}

void TestExchangeInterface::ownStackDeliversWithCrc()
{
    NullReader reader;
    OstrelExchangeInterface exchange(&reader);
    QSignalSpy events(&exchange, &OstrelExchangeInterface::ostrel_RX_event);
    QSignalSpy messages(&exchange, &OstrelExchangeInterface::ostrel_RX_message);
    QSignalSpy errors(&exchange, &OstrelExchangeInterface::ostrel_error);
    const QVector<can_message> frames = framesOf(3, 7, 0x0123, hex("31323334353637"));
    QCOMPARE(frames.size(), 3);

    // Before initialisation every frame is refused.
    exchange.can_receive_message(frames[0]);
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.at(0).at(0).value<uint16_t>(), uint16_t(1));

    exchange.ostrel_init();
    for (const can_message &f : frames)
        emit reader.can_message_ready(f);
    QCOMPARE(errors.count(), 1);
    QCOMPARE(events.count(), 1);
    QCOMPARE(events.at(0).at(0).value<uint16_t>(), uint16_t(0x0123));
    QCOMPARE(events.at(0).at(1).value<uint16_t>(), uint16_t(9));
    QCOMPARE(messages.count(), 1);
    const auto msg = messages.at(0).at(0).value<tag_ostrel_message>();
    const QByteArray data = messages.at(0).at(1).toByteArray();
    QCOMPARE(msg.src, uint16_t(3));
    QCOMPARE(msg.dst, uint16_t(7));
    QCOMPARE(msg.length, uint16_t(9));
    QVERIFY(msg.data == nullptr);
    // The seven bytes, then their CRC-16/XMODEM low byte first.
    const uint16_t crc = crc16(reinterpret_cast<const uint8_t *>("1234567"), 7);
    QCOMPARE(data.toHex(), (QByteArray("1234567") + char(crc & 0xFF) + char(crc >> 8)).toHex());
    QCOMPARE(exchange.stack().state.free_buffers, uint16_t(5));
}

void TestExchangeInterface::ownStackHasFiveSlots()
{
    NullReader reader;
    OstrelExchangeInterface exchange(&reader);
    exchange.ostrel_init();
    QSignalSpy errors(&exchange, &OstrelExchangeInterface::ostrel_error);
    QSignalSpy messages(&exchange, &OstrelExchangeInterface::ostrel_RX_message);
    for (uint16_t src = 1; src <= 6; ++src)
        exchange.can_receive_message(framesOf(src, 7, 0x0200, QByteArray(10, 'x')).first());
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.at(0).at(0).value<uint16_t>(), uint16_t(4));
    QCOMPARE(exchange.stack().state.free_buffers, uint16_t(0));
    // The five in progress still complete.
    for (uint16_t src = 1; src <= 5; ++src) {
        const QVector<can_message> frames = framesOf(src, 7, 0x0200, QByteArray(10, 'x'));
        for (int i = 1; i < frames.size(); ++i)
            exchange.can_receive_message(frames[i]);
    }
    QCOMPARE(messages.count(), 5);
    QCOMPARE(exchange.stack().state.free_buffers, uint16_t(5));
}

void TestExchangeInterface::closeDropsPartialMessages()
{
    NullReader reader;
    OstrelExchangeInterface exchange(&reader);
    exchange.ostrel_init();
    QSignalSpy messages(&exchange, &OstrelExchangeInterface::ostrel_RX_message);
    const QVector<can_message> frames = framesOf(3, 7, 0x0200, QByteArray(10, 'x'));
    exchange.can_receive_message(frames[0]);
    QCOMPARE(exchange.stack().state.free_buffers, uint16_t(4));
    exchange.ostrel_close();
    exchange.ostrel_init();
    for (int i = 1; i < frames.size(); ++i)
        exchange.can_receive_message(frames[i]);
    QCOMPARE(messages.count(), 0);
    QCOMPARE(exchange.stack().state.free_buffers, uint16_t(5));
    QCOMPARE(exchange.stack().state.free_memory, 1048576u);
}

QTEST_GUILESS_MAIN(TestExchangeInterface)
#include "tst_exchangeinterface.moc"
