#include "ostrel.h"
#include "ostrel_user.h"
#include "support_fixture.h"

#include <QtTest>

Q_DECLARE_METATYPE(QList<can_message>)
using Frames = QList<can_message>;

namespace
{

using Codes = QList<int>;

can_message frame(uint8_t ext, uint32_t id, const QByteArray &bytes, int dlc = -1)
{
    can_message f{};
    f.ext = ext;
    f.identifier = id;
    f.dlc = uint8_t(dlc < 0 ? bytes.size() : dlc);
    memcpy(f.data, bytes.constData(), size_t(qMin(bytes.size(), 8)));
    return f;
}

QString messageText(const tag_ostrel_message &m)
{
    const QByteArray data(reinterpret_cast<const char *>(m.data), m.data ? m.length : 0);
    return QStringLiteral("%1 %2>%3 ").arg(m.msg_id, 0, 16).arg(m.src).arg(m.dst) + data.toHex();
}

// One stack copy with every hook recorded; messages are taken at once, as
// the application's hooks do.
struct Bus {
    explicit Bus(OstrelStackConfig config = {}) : stack(config, OstrelStackHooks{})
    {
        OstrelStackHooks &h = stack.hooks();
        h.rxEvent = [this](uint16_t, uint16_t) { stack.ostrel_take_message(); };
        h.rxMessage = [this](tag_ostrel_message *m) { delivered << messageText(*m); };
        h.error = [this](uint16_t code) { errors << int(code); };
        h.hwSend = [this](tag_can_message *f) { sent << *f; };
        stack.ostrel_init();
    }
    void receive(const QList<can_message> &frames)
    {
        for (const can_message &f : frames)
            stack.can_receive_message(f);
    }
    bool idle() const
    {
        return stack.state.free_memory == stack.config().memory &&
               stack.state.free_buffers == stack.config().slotCount && stack.state.count == 0;
    }

    OstrelStack stack;
    QList<int> errors;
    QStringList delivered;
    QList<can_message> sent;
};

QList<can_message> framesOf(uint16_t src, uint16_t dst, uint16_t msgId, QByteArray data)
{
    Bus sender;
    tag_ostrel_message m{msgId, src, dst, uint16_t(data.size()),
                         reinterpret_cast<uint8_t *>(data.data())};
    sender.stack.ostrel_send_message(&m);
    return sender.sent;
}

} // namespace

class TestOstrel : public QObject
{
    Q_OBJECT

private slots:
    void init() { ostrelSetRxRoute(nullptr); }
    void cleanup()
    {
        ostrel_close();
        ostrelSetRxRoute(nullptr);
    }

    void cutting_data()
    {
        QTest::addColumn<QList<int>>("header"); // src, dst, msg_id
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QStringList>("frames");
        const QList<int> std{3, 7, 0x380};
        QTest::newRow("six bytes, one frame")
            << std << hex("010203040506") << QStringList{"0:67:8003010203040506"};
        QTest::newRow("seven bytes, CRC high byte alone")
            << std << hex("00010203040506")
            << QStringList{"0:67:feff80030900", "0:467:000102030405060c", "0:467:d9"};
        QTest::newRow("extended continuation flag")
            << Codes{40, 7, 0x380} << hex("00010203040506")
            << QStringList{"4:a0007:feff80030900", "4:100a0007:000102030405060c", "4:100a0007:d9"};
        // A start frame beginning FE FF would be read as a header.
        QTest::newRow("id FFFE goes multi-frame")
            << Codes{3, 7, 0xFFFE} << QByteArray("\xaa")
            << QStringList{"0:67:fefffeff0300", "0:467:aaa014"};
    }
    void cutting()
    {
        QFETCH(QList<int>, header);
        QFETCH(QByteArray, data);
        QFETCH(QStringList, frames);
        const QList<can_message> cut =
            framesOf(uint16_t(header[0]), uint16_t(header[1]), uint16_t(header[2]), data);
        QStringList got;
        for (const can_message &f : cut)
            got << QStringLiteral("%1:%2:").arg(f.ext).arg(f.identifier, 0, 16) +
                       QByteArray(reinterpret_cast<const char *>(f.data), f.dlc).toHex();
        QCOMPARE(got, frames);

        Bus receiver;
        receiver.receive(cut);
        tag_ostrel_message m{uint16_t(header[2]), uint16_t(header[0]), uint16_t(header[1]),
                             uint16_t(data.size()), reinterpret_cast<uint8_t *>(data.data())};
        QCOMPARE(receiver.delivered, QStringList{messageText(m)});
        QVERIFY(receiver.idle());
    }

    void sendRefusesWhatCannotBeFramed_data()
    {
        QTest::addColumn<QList<int>>("message"); // src, dst, length, with data
        QTest::addColumn<int>("error");
        QTest::newRow("longest that fits") << Codes{1000, 16000, 65533, 1} << 0;
        QTest::newRow("source over 14 bits") << Codes{0x4000, 7, 2, 1} << 14;
        QTest::newRow("total over 16 bits") << Codes{3, 7, 65534, 1} << 17;
    }
    void sendRefusesWhatCannotBeFramed()
    {
        QFETCH(QList<int>, message);
        QFETCH(int, error);
        Bus bus;
        QByteArray data(message[2], '\x5a');
        tag_ostrel_message m{0x100, uint16_t(message[0]), uint16_t(message[1]),
                             uint16_t(message[2]),
                             message[3] ? reinterpret_cast<uint8_t *>(data.data()) : nullptr};
        QCOMPARE(bus.stack.ostrel_send_message(&m), error);
        QCOMPARE(bus.errors, error ? Codes{error} : Codes{});
        QCOMPARE(bus.sent.isEmpty(), error != 0);
    }

    void reassembly_data()
    {
        QTest::addColumn<QList<can_message>>("frames");
        QTest::addColumn<QList<int>>("errors");
        QTest::addColumn<QStringList>("delivered");

        const QList<can_message> msg9 = framesOf(3, 7, 0x380, hex("000102030405060708"));
        const QStringList got9{"380 3>7 000102030405060708"};
        const QList<can_message> msg16 = framesOf(3, 7, 0x381, QByteArray(16, 8));

        const QStringList nothing;
        QTest::newRow("start frame dlc 2")
            << Frames{frame(0, 0x67, hex("8003"))} << Codes{} << QStringList{"380 3>7 "};
        QTest::newRow("dlc over 8")
            << Frames{frame(0, 0x67, hex("8003"), 9)} << Codes{12} << nothing;
        QTest::newRow("continuation without start")
            << Frames{frame(0, 0x467, hex("0001020304050607"))} << Codes{5} << nothing;
        QList<can_message> badCrc = msg9, overrun = msg9;
        badCrc[2].data[2] ^= 0x01;
        QTest::newRow("wrong CRC dropped") << badCrc << Codes{3} << nothing;
        QTest::newRow("lost last frame, then next message")
            << (msg16.mid(0, 3) + msg9) << Codes{2} << got9;
        overrun[2].dlc = 5;
        QTest::newRow("overrun completes, then error") << overrun << Codes{6} << got9;
    }
    void reassembly()
    {
        QFETCH(QList<can_message>, frames);
        QFETCH(QList<int>, errors);
        QFETCH(QStringList, delivered);
        Bus bus;
        bus.receive(frames);
        QCOMPARE(bus.errors, errors);
        QCOMPARE(bus.delivered, delivered);
        if (bus.stack.state.free_buffers == 500)
            QVERIFY(bus.idle());
    }

    void globalStackRoutesFarBeyondItsBudget()
    {
        // The route clears the data pointer, as the shell's routing does; the
        // stack must still get its buffer back.
        QStringList routed;
        ostrelSetRxRoute([&](tag_ostrel_message *m) {
            routed << messageText(*m);
            m->data = nullptr;
        });
        QCOMPARE(ostrel_init(), 500);
        for (int i = 0; i < 200; ++i)
            for (const can_message &f :
                 framesOf(uint16_t(i % 60), 5, 0x42, QByteArray(100 + i, char(i))))
                can_receive_message(f);
        QCOMPARE(routed.size(), 200);
        QCOMPARE(routed.last(), QStringLiteral("42 19>5 ") + QByteArray(299, char(199)).toHex());
        QCOMPARE(ostrel.state.free_memory, 8192u);
    }
};

QTEST_GUILESS_MAIN(TestOstrel)
#include "tst_ostrel.moc"
