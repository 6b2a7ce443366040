#include "kiss_connector.h"
#include "ostrelexchangeinterface.h"
#include "ostreltablerecord.h"
#include "support_link.h"

#include <QSignalSpy>
#include <QtTest>

namespace
{

// A command record carrying its id as its two data bytes, which the record owns.
struct Command {
    OstrelTableRecord record;
    explicit Command(uint16_t msgId)
    {
        record.message =
            tag_ostrel_message{msgId, 1, 7, 2, new uint8_t[2]{uint8_t(msgId), uint8_t(msgId >> 8)}};
    }
};

// A message cut into CAN frames by the bus stack's own sender.
QVector<can_message> framesOf(uint16_t src, const QByteArray &data)
{
    QVector<can_message> frames;
    OstrelStackHooks hooks;
    hooks.hwSend = [&frames](tag_can_message *f) { frames.append(*f); };
    OstrelStack sender(OstrelStackConfig(), hooks);
    sender.ostrel_init();
    QByteArray copy = data;
    tag_ostrel_message msg{0x0123, src, 7, uint16_t(data.size()),
                           reinterpret_cast<uint8_t *>(copy.data())};
    sender.ostrel_send_message(&msg);
    return frames;
}

} // namespace

class TestExchangeInterface : public QObject
{
    Q_OBJECT
private slots:
    void statusFollowsTheLink();
    void initDoesNotOpenASecondLink();
    void ownStack();
};

void TestExchangeInterface::statusFollowsTheLink()
{
    ScriptedModem modem;
    KISS_connector reader("127.0.0.1", modem.port());
    OstrelExchangeInterface exchange(&reader);
    QSignalSpy sent(&exchange, &OstrelExchangeInterface::can_sent_record);
    exchange.can_send_from_que(nullptr);
    QCOMPARE(sent.count(), 0);
    // Not connected yet: it fails now and is never sent later.
    Command connecting(0xAAAA);
    exchange.can_send_from_que(&connecting.record);
    QCOMPARE(connecting.record.status, unsigned(OstrelTableRecord::ErrorTx));
    QTRY_COMPARE(reader.state(), AbstractReader::HW_READY);
    Command ready(0x0380);
    exchange.can_send_from_que(&ready.record);
    QCOMPARE(ready.record.status, unsigned(OstrelTableRecord::Sent));
    reader.HW_close();
    Command closed(0xBBBB);
    exchange.can_send_from_que(&closed.record);
    QCOMPARE(closed.record.status, unsigned(OstrelTableRecord::ErrorTx));
    QCOMPARE(sent.count(), 3);
    QCOMPARE(sent.at(1).at(0).value<OstrelTableRecord *>(), &ready.record);
    reader.HW_init();
    QTRY_COMPARE(reader.state(), AbstractReader::HW_READY);
    QTRY_VERIFY(modem.received.endsWith(hex("80030100070002008003c0")));
    QCOMPARE(modem.received.count(char(0xC0)), 2);

    NullReader none;
    OstrelExchangeInterface nowhere(&none);
    nowhere.ostrel_init();
    nowhere.can_send_from_que(&ready.record);
    QCOMPARE(ready.record.status, unsigned(OstrelTableRecord::ErrorTx));
}

void TestExchangeInterface::initDoesNotOpenASecondLink()
{
    MessageLog log;
    ScriptedModem modem;
    KISS_connector reader("127.0.0.1", modem.port());
    OstrelExchangeInterface exchange(&reader);
    // Start-up initialises right after the reader began connecting.
    exchange.ostrel_init();
    QTRY_COMPARE(reader.state(), AbstractReader::HW_READY);
    QCOMPARE(modem.connections, 1);
    exchange.ostrel_close();
    QCOMPARE(reader.state(), AbstractReader::HW_NOTINIT);
    exchange.ostrel_init();
    QTRY_COMPARE(reader.state(), AbstractReader::HW_READY);
    QCOMPARE(modem.connections, 2);
    QCOMPARE(log.countContaining("already"), 0);
}

// The object's own stack: 5 slots, a 1 MiB budget, the CRC left in the data.
void TestExchangeInterface::ownStack()
{
    NullReader reader;
    OstrelExchangeInterface exchange(&reader);
    QSignalSpy events(&exchange, &OstrelExchangeInterface::ostrel_RX_event);
    QSignalSpy messages(&exchange, &OstrelExchangeInterface::ostrel_RX_message);
    QSignalSpy errors(&exchange, &OstrelExchangeInterface::ostrel_error);
    QVector<QVector<can_message>> frames;
    for (uint16_t src = 1; src <= 6; ++src)
        frames << framesOf(src, "1234567");
    // Refused before initialisation.
    exchange.can_receive_message(frames[0][0]);
    exchange.ostrel_init();
    for (const QVector<can_message> &f : qAsConst(frames))
        emit reader.can_message_ready(f[0]);
    QCOMPARE(errors.count(), 2);
    QCOMPARE(errors.at(0).at(0).value<uint16_t>(), uint16_t(1));
    QCOMPARE(errors.at(1).at(0).value<uint16_t>(), uint16_t(4));
    QCOMPARE(exchange.stack().state.free_buffers, uint16_t(0));
    for (int i = 1; i < frames[0].size(); ++i)
        exchange.can_receive_message(frames[0][i]);
    QCOMPARE(events.count(), 1);
    QCOMPARE(events.at(0).at(1).value<uint16_t>(), uint16_t(9));
    const auto msg = messages.at(0).at(0).value<tag_ostrel_message>();
    QCOMPARE(msg.length, uint16_t(9));
    QVERIFY(msg.data == nullptr);
    const uint16_t crc = crc16(reinterpret_cast<const uint8_t *>("1234567"), 7);
    QCOMPARE(messages.at(0).at(1).toByteArray().toHex(),
             (QByteArray("1234567") + char(crc) + char(crc >> 8)).toHex());
    // Closing drops the partial messages of the other four slots.
    exchange.ostrel_close();
    exchange.ostrel_init();
    for (int i = 1; i < frames[1].size(); ++i)
        exchange.can_receive_message(frames[1][i]);
    QCOMPARE(messages.count(), 1);
    QCOMPARE(exchange.stack().state.free_buffers, uint16_t(5));
    QCOMPARE(exchange.stack().state.free_memory, 1048576u);
}

QTEST_GUILESS_MAIN(TestExchangeInterface)
#include "tst_exchangeinterface.moc"
