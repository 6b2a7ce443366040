#include "kiss_connector.h"
#include "ostrelexchangeinterface.h"
#include "ostreltablerecord.h"
#include "support_link.h"

#include <QSignalSpy>
#include <QtTest>

class TestExchangeInterface : public QObject
{
    Q_OBJECT
private slots:
    void statusFollowsTheLink();
    void ownStack();
};

void TestExchangeInterface::statusFollowsTheLink()
{
    MessageLog log;
    ScriptedModem modem;
    KISS_connector reader("127.0.0.1", modem.port());
    OstrelExchangeInterface exchange(&reader);
    QSignalSpy sent(&exchange, &OstrelExchangeInterface::can_sent_record);
    // Start-up initialises right after the reader began connecting: still one link.
    exchange.ostrel_init();
    exchange.can_send_from_que(nullptr);
    OstrelTableRecord records[3];
    records[0].message = {0xAAAA, 1, 7, 2, new uint8_t[2]{0xAA, 0xAA}}; // the record owns the data
    records[2].message = {0xBBBB, 1, 7, 2, new uint8_t[2]{0xBB, 0xBB}};
    // A length without a buffer goes out as zeros, never read through null.
    records[1].message = {0x0380, 1, 7, 3, nullptr};
    // Not connected yet: it fails now and is never sent later.
    exchange.can_send_from_que(&records[0]);
    QTRY_COMPARE(reader.state(), AbstractReader::HW_READY);
    exchange.can_send_from_que(&records[1]);
    exchange.ostrel_close();
    exchange.can_send_from_que(&records[2]);
    QCOMPARE(records[0].status, unsigned(OstrelTableRecord::ErrorTx));
    QCOMPARE(records[1].status, unsigned(OstrelTableRecord::Sent));
    QCOMPARE(records[2].status, unsigned(OstrelTableRecord::ErrorTx));
    QCOMPARE(sent.count(), 3);
    QCOMPARE(sent.at(1).at(0).value<OstrelTableRecord *>(), &records[1]);
    exchange.ostrel_init();
    QTRY_COMPARE(reader.state(), AbstractReader::HW_READY);
    QCOMPARE(modem.connections, 2);
    QCOMPARE(log.count("already", false), 0);
    QTRY_VERIFY(modem.received.endsWith(hex("8003010007000300000000c0")));
    QCOMPARE(modem.received.count(char(0xC0)), 2);

    NullReader none;
    OstrelExchangeInterface nowhere(&none);
    nowhere.can_send_from_que(&records[1]);
    QCOMPARE(records[1].status, unsigned(OstrelTableRecord::ErrorTx));
}

// The object's own stack: 5 slots, a 1 MiB budget, the CRC left in the data.
void TestExchangeInterface::ownStack()
{
    NullReader reader;
    OstrelExchangeInterface exchange(&reader);
    QSignalSpy messages(&exchange, &OstrelExchangeInterface::ostrel_RX_message);
    QSignalSpy errors(&exchange, &OstrelExchangeInterface::ostrel_error);
    // Six senders, each with a message cut into CAN frames by the bus stack's own sender.
    QVector<QVector<can_message>> frames(6);
    OstrelStack sender{OstrelStackConfig(), OstrelStackHooks()};
    sender.ostrel_init();
    uint8_t data[] = {'1', '2', '3', '4', '5', '6', '7'};
    for (uint16_t src = 0; src < 6; ++src) {
        sender.hooks().hwSend = [&frames, src](tag_can_message *f) { frames[src] << *f; };
        tag_ostrel_message msg{0x0123, src, 7, 7, data};
        sender.ostrel_send_message(&msg);
    }
    exchange.ostrel_init();
    for (const QVector<can_message> &f : qAsConst(frames))
        emit reader.can_message_ready(f[0]);
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.at(0).at(0).value<uint16_t>(), uint16_t(4));
    for (int i = 1; i < frames[0].size(); ++i)
        exchange.can_receive_message(frames[0][i]);
    QCOMPARE(messages.count(), 1);
    QCOMPARE(messages.at(0).at(0).value<tag_ostrel_message>().length, uint16_t(9));
    const uint16_t crc = crc16(data, 7);
    QCOMPARE(messages.at(0).at(1).toByteArray(),
             QByteArray("1234567") + char(crc) + char(crc >> 8));
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
