#include "ostrel.h"
#include "ostrel_user.h"

#include <QtTest>

Q_DECLARE_METATYPE(QList<can_message>)

namespace
{

// "ext:identifier:data", all hex: "0:067:8003" is a standard frame 0x67 with
// dlc 2. A fourth part overrides the dlc ("0:067:8003:9").
can_message frameFromText(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    can_message f{};
    f.ext = uint8_t(parts.value(0).toUInt(nullptr, 16));
    f.identifier = parts.value(1).toUInt(nullptr, 16);
    const QByteArray bytes = QByteArray::fromHex(parts.value(2).toLatin1());
    f.dlc = uint8_t(bytes.size());
    memcpy(f.data, bytes.constData(), size_t(qMin(bytes.size(), 8)));
    if (parts.size() > 3)
        f.dlc = uint8_t(parts.at(3).toUInt());
    return f;
}

QString frameToText(const can_message &f)
{
    const int n = qMin<int>(f.dlc, 8);
    return QStringLiteral("%1:%2:%3")
        .arg(f.ext)
        .arg(f.identifier, 0, 16)
        .arg(QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(f.data), n).toHex()));
}

QString messageToText(const tag_ostrel_message &m, const QByteArray &data)
{
    return QStringLiteral("%1 %2>%3 %4")
        .arg(m.msg_id, 0, 16)
        .arg(m.src)
        .arg(m.dst)
        .arg(QString::fromLatin1(data.toHex()));
}

// One stack copy with every hook recorded. Messages are delivered at once,
// as the application's hooks do.
struct Bus {
    explicit Bus(OstrelStackConfig config = OstrelStackConfig{}) : stack(config, OstrelStackHooks{})
    {
        OstrelStackHooks &h = stack.hooks();
        h.rxEvent = [this](uint16_t, uint16_t) { stack.ostrel_take_message(); };
        h.rxMessage = [this](tag_ostrel_message *m) {
            const QByteArray data =
                m->data ? QByteArray(reinterpret_cast<const char *>(m->data), m->length)
                        : QByteArray();
            QCOMPARE(data.size(), int(m->length));
            delivered << messageToText(*m, data);
            if (onDelivery)
                onDelivery(m);
        };
        h.error = [this](uint16_t code) { errors << int(code); };
        h.hwSend = [this](tag_can_message *f) { sent << *f; };
    }

    void receive(const QList<can_message> &frames)
    {
        for (const can_message &f : frames)
            stack.can_receive_message(f);
    }

    OstrelStack stack;
    QList<int> errors;
    QStringList delivered;
    QList<can_message> sent;
    std::function<void(tag_ostrel_message *)> onDelivery;
};

// The frames the stack cuts a message into.
QList<can_message> framesOf(uint16_t src, uint16_t dst, uint16_t msgId, const QByteArray &data)
{
    Bus sender;
    sender.stack.ostrel_init();
    QByteArray copy = data;
    tag_ostrel_message m{msgId, src, dst, uint16_t(data.size()),
                         reinterpret_cast<uint8_t *>(copy.data())};
    sender.stack.ostrel_send_message(&m);
    return sender.sent;
}

QByteArray pattern(int size, int seed)
{
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i)
        b[i] = char((i * 31 + seed * 7 + 1) & 0xFF);
    return b;
}

} // namespace

class TestOstrel : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void crcCheckValues_data();
    void crcCheckValues();

    void cutting_data();
    void cutting();
    void sendRefusesWhatCannotBeFramed_data();
    void sendRefusesWhatCannotBeFramed();
    void roundTrip_data();
    void roundTrip();

    void reassembly_data();
    void reassembly();
    void interleavedSenders();
    void slotAndBudgetExhaustion();
    void closeReleasesEverything();
    void receiverFeedingTheStackGetsEachMessageOnce();

    void globalStackDeliversThroughRoute();
    void globalStackRunsFarBeyondItsBudget();
};

void TestOstrel::init()
{
    ostrelSetRxRoute(nullptr);
}

void TestOstrel::cleanup()
{
    ostrel_close();
    ostrelSetRxRoute(nullptr);
}

void TestOstrel::crcCheckValues_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("crc");
    QTest::newRow("check value") << QByteArray("123456789") << 0x31C3;
    QTest::newRow("no data") << QByteArray() << 0x0000;
    QTest::newRow("one byte") << QByteArray("A") << 0x58E5;
    QTest::newRow("sixteen FF") << QByteArray(16, char(0xFF)) << 0x0041;
}

void TestOstrel::crcCheckValues()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, crc);
    QCOMPARE(int(crc16(reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size()))),
             crc);
}

void TestOstrel::cutting_data()
{
    QTest::addColumn<int>("src");
    QTest::addColumn<int>("dst");
    QTest::addColumn<int>("msgId");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QStringList>("frames");

    QTest::newRow("six bytes, one frame") << 3 << 7 << 0x380 << QByteArray::fromHex("010203040506")
                                          << QStringList{"0:67:8003010203040506"};
    QTest::newRow("seven bytes, CRC high byte alone")
        << 3 << 7 << 0x380 << QByteArray::fromHex("00010203040506")
        << QStringList{"0:67:feff80030900", "0:467:000102030405060c", "0:467:d9"};
    QTest::newRow("eight bytes, CRC frame")
        << 3 << 7 << 0x380 << QByteArray::fromHex("0001020304050607")
        << QStringList{"0:67:feff80030a00", "0:467:0001020304050607", "0:467:b326"};
    QTest::newRow("nine bytes, CRC after last byte")
        << 3 << 7 << 0x380 << QByteArray::fromHex("000102030405060708")
        << QStringList{"0:67:feff80030b00", "0:467:0001020304050607", "0:467:08ac76"};
    QTest::newRow("extended continuation flag")
        << 40 << 7 << 0x380 << QByteArray::fromHex("00010203040506")
        << QStringList{"4:a0007:feff80030900", "4:100a0007:000102030405060c", "4:100a0007:d9"};
    QTest::newRow("both 31, still standard")
        << 31 << 31 << 0x380 << QByteArray() << QStringList{"0:3ff:8003"};
    QTest::newRow("destination 32, extended")
        << 0 << 32 << 0x380 << QByteArray() << QStringList{"4:20:8003"};
    QTest::newRow("widest addresses")
        << 0x3FFF << 0x3FFF << 0x1 << QByteArray() << QStringList{"4:fffffff:0100"};
    // A start frame beginning FE FF would be read as a header.
    QTest::newRow("id FFFE goes multi-frame") << 3 << 7 << 0xFFFE << QByteArray::fromHex("aa")
                                              << QStringList{"0:67:fefffeff0300", "0:467:aaa014"};
}

void TestOstrel::cutting()
{
    QFETCH(int, src);
    QFETCH(int, dst);
    QFETCH(int, msgId);
    QFETCH(QByteArray, data);
    QFETCH(QStringList, frames);

    QStringList got;
    for (const can_message &f : framesOf(uint16_t(src), uint16_t(dst), uint16_t(msgId), data)) {
        QCOMPARE(int(f.rtr), 0);
        got << frameToText(f);
    }
    QCOMPARE(got, frames);
}

void TestOstrel::sendRefusesWhatCannotBeFramed_data()
{
    QTest::addColumn<int>("src");
    QTest::addColumn<int>("dst");
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("withData");
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("frameCount");

    QTest::newRow("source over 14 bits") << 0x4000 << 7 << 2 << true << 14 << 0;
    QTest::newRow("destination FFFF") << 3 << 0xFFFF << 2 << true << 14 << 0;
    QTest::newRow("total over 16 bits") << 3 << 7 << 65534 << true << 17 << 0;
    QTest::newRow("largest total") << 3 << 7 << 65533 << true << 0 << 1 + (65535 + 7) / 8;
    QTest::newRow("length without data") << 3 << 7 << 4 << false << 17 << 0;
}

void TestOstrel::sendRefusesWhatCannotBeFramed()
{
    QFETCH(int, src);
    QFETCH(int, dst);
    QFETCH(int, length);
    QFETCH(bool, withData);
    QFETCH(int, error);
    QFETCH(int, frameCount);

    Bus bus;
    bus.stack.ostrel_init();
    QByteArray data(length, '\x5a');
    tag_ostrel_message m{0x100, uint16_t(src), uint16_t(dst), uint16_t(length),
                         withData ? reinterpret_cast<uint8_t *>(data.data()) : nullptr};
    QCOMPARE(bus.stack.ostrel_send_message(&m), error);
    QCOMPARE(bus.errors, error ? QList<int>{error} : QList<int>{});
    QCOMPARE(bus.sent.size(), frameCount);
    if (frameCount)
        QCOMPARE(frameToText(bus.sent.first()), QStringLiteral("0:67:feff0001ffff"));
}

void TestOstrel::roundTrip_data()
{
    QTest::addColumn<int>("src");
    QTest::addColumn<int>("dst");
    QTest::addColumn<int>("length");
    for (int length : {0, 6, 7, 8, 9, 15, 16, 4000}) {
        QTest::addRow("standard %d", length) << 5 << 9 << length;
        QTest::addRow("extended %d", length) << 1000 << 16000 << length;
    }
}

void TestOstrel::roundTrip()
{
    QFETCH(int, src);
    QFETCH(int, dst);
    QFETCH(int, length);

    const QByteArray data = pattern(length, src);
    Bus receiver;
    receiver.stack.ostrel_init();
    receiver.receive(framesOf(uint16_t(src), uint16_t(dst), 0x4A1, data));
    QCOMPARE(receiver.errors, QList<int>{});
    tag_ostrel_message m{0x4A1, uint16_t(src), uint16_t(dst), uint16_t(length), nullptr};
    QCOMPARE(receiver.delivered, QStringList{messageToText(m, data)});
    QCOMPARE(receiver.stack.state.free_memory, 8192u);
    QCOMPARE(receiver.stack.state.free_buffers, uint16_t(500));
}

void TestOstrel::reassembly_data()
{
    QTest::addColumn<QList<can_message>>("frames");
    QTest::addColumn<QList<int>>("errors");
    QTest::addColumn<QStringList>("delivered");

    auto list = [](const QStringList &texts) {
        QList<can_message> frames;
        for (const QString &t : texts)
            frames << frameFromText(t);
        return frames;
    };
    const QByteArray nine = QByteArray::fromHex("000102030405060708");
    const QList<can_message> msg9 = framesOf(3, 7, 0x380, nine);
    const QString got9 = QStringLiteral("380 3>7 000102030405060708");

    QTest::newRow("start frame dlc 2")
        << list({"0:67:8003"}) << QList<int>{} << QStringList{"380 3>7 "};
    QTest::newRow("dlc over 8") << list({"0:67:8003:9"}) << QList<int>{12} << QStringList{};
    QTest::newRow("standard id 2048") << list({"0:800:8003"}) << QList<int>{13} << QStringList{};
    QTest::newRow("extended id 2^29")
        << list({"4:20000000:8003"}) << QList<int>{14} << QStringList{};
    QTest::newRow("any ext counts as extended")
        << list({"1:a0007:8003"}) << QList<int>{} << QStringList{"380 40>7 "};
    QTest::newRow("start frame dlc 1") << list({"0:67:80"}) << QList<int>{11} << QStringList{};
    QTest::newRow("header dlc 5") << list({"0:67:feff800309"}) << QList<int>{15} << QStringList{};
    QTest::newRow("header total 1")
        << list({"0:67:feff80030100"}) << QList<int>{3} << QStringList{};
    QTest::newRow("continuation without start")
        << list({"0:467:0001020304050607"}) << QList<int>{5} << QStringList{};
    QTest::newRow("nine bytes") << msg9 << QList<int>{} << QStringList{got9};
    QTest::newRow("empty continuation changes nothing")
        << QList<can_message>{msg9[0], frameFromText("0:467:"), msg9[1], msg9[2]} << QList<int>{}
        << QStringList{got9};

    QList<can_message> badCrc = msg9;
    badCrc[2].data[2] ^= 0x01;
    QTest::newRow("wrong CRC dropped") << badCrc << QList<int>{3} << QStringList{};
    QList<can_message> badData = msg9;
    badData[1].data[0] ^= 0x80;
    QTest::newRow("corrupted data dropped") << badData << QList<int>{3} << QStringList{};

    // A lost frame leaves the message waiting; when the header of the next
    // message is lost too, its frames fill the old one up with the wrong bytes.
    const QList<can_message> msg16 = framesOf(3, 7, 0x381, pattern(16, 1));
    QTest::newRow("lost middle frame waits")
        << QList<can_message>{msg16[0], msg16[1], msg16[3]} << QList<int>{} << QStringList{};
    QTest::newRow("lost middle frame and next header")
        << QList<can_message>{msg16[0], msg16[1], msg16[3], msg9[1], msg9[2]} << QList<int>{3, 5}
        << QStringList{};
    QTest::newRow("lost last frame, then next message")
        << (QList<can_message>{msg16[0], msg16[1], msg16[2]} + msg9) << QList<int>{2}
        << QStringList{got9};
    QTest::newRow("second header goes on")
        << (QList<can_message>{msg9[0]} + msg9) << QList<int>{2} << QStringList{got9};
    QTest::newRow("out of order") << QList<can_message>{msg9[1], msg9[0], msg9[2]} << QList<int>{5}
                                  << QStringList{};

    // Two more bytes than the total: the message completes, then error 6.
    QList<can_message> overrun = msg9;
    overrun[2].dlc = 5;
    overrun[2].data[3] = 0xEE;
    overrun[2].data[4] = 0xEE;
    QTest::newRow("overrun") << overrun << QList<int>{6} << QStringList{got9};

    QTest::newRow("zero-length multi-frame")
        << list({"0:67:feff80030200", "0:467:0000"}) << QList<int>{} << QStringList{"380 3>7 "};
}

void TestOstrel::reassembly()
{
    QFETCH(QList<can_message>, frames);
    QFETCH(QList<int>, errors);
    QFETCH(QStringList, delivered);

    Bus bus;
    bus.stack.ostrel_init();
    bus.receive(frames);
    QCOMPARE(bus.errors, errors);
    QCOMPARE(bus.delivered, delivered);
    // Whatever happened, nothing is still held once the senders have finished
    // or a newer message has replaced theirs.
    if (bus.stack.state.free_buffers == 500)
        QCOMPARE(bus.stack.state.free_memory, 8192u);
    QCOMPARE(bus.stack.state.count, 0u);
}

void TestOstrel::interleavedSenders()
{
    Bus bus;
    bus.stack.ostrel_init();
    const QByteArray a = pattern(40, 1);
    const QByteArray b = pattern(25, 2);
    const QList<can_message> fa = framesOf(1, 20, 0x201, a);   // 7 frames
    const QList<can_message> fb = framesOf(200, 20, 0x202, b); // 5 frames
    // The filler is a single frame from the first sender, between its own frames.
    QList<can_message> mixed;
    for (int i = 0; i < fa.size(); ++i)
        mixed << fa[i] << fb.value(i, frameFromText("0:21:8003ff"));
    bus.receive(mixed);
    QCOMPARE(bus.errors, QList<int>{});
    QCOMPARE(bus.delivered, (QStringList{"202 200>20 " + b.toHex(), "380 1>1 ff",
                                         "201 1>20 " + a.toHex(), "380 1>1 ff"}));
    QCOMPARE(bus.stack.state.free_memory, 8192u);
}

void TestOstrel::slotAndBudgetExhaustion()
{
    OstrelStackConfig config;
    config.slotCount = 5;
    Bus bus(config);
    QCOMPARE(bus.stack.ostrel_init(), 5);

    // A header for a sender that already waits replaces its message and
    // keeps its one slot, whatever the number of repeats.
    const can_message header = frameFromText("0:67:feff80031000");
    for (int i = 0; i < 10; ++i)
        bus.stack.can_receive_message(header);
    QCOMPARE(bus.errors, QVector<int>(9, 2).toList());
    QCOMPARE(bus.stack.state.free_buffers, uint16_t(4));
    QCOMPARE(bus.stack.state.free_memory, 8192u - 34 - 16);
    // A replacing header too big for the budget leaves the slot free.
    bus.stack.can_receive_message(frameFromText("0:67:feff8003ffff"));
    QCOMPARE(bus.errors.mid(9), (QList<int>{2, 16}));
    QCOMPARE(bus.stack.state.free_buffers, uint16_t(5));
    QCOMPARE(bus.stack.state.free_memory, 8192u);
    bus.errors.clear();

    // Six senders for five slots: the sixth is refused, then served once a
    // slot is free again.
    QList<QList<can_message>> streams;
    for (int s = 1; s <= 6; ++s)
        streams << framesOf(uint16_t(s), 30, 0x300, pattern(20, s));
    for (int s = 0; s < 6; ++s)
        bus.stack.can_receive_message(streams[s][0]);
    bus.stack.can_receive_message(streams[5][1]);
    QCOMPARE(bus.errors, (QList<int>{4, 5}));
    bus.receive(streams[0].mid(1));
    bus.receive(streams[5]);
    for (int s = 1; s < 5; ++s)
        bus.receive(streams[s].mid(1));
    QCOMPARE(bus.delivered.size(), 6);
    QCOMPARE(bus.errors, (QList<int>{4, 5}));
    QCOMPARE(bus.stack.state.free_buffers, uint16_t(5));
    QCOMPARE(bus.stack.state.free_memory, 8192u);

    // A message too big for what is left of the budget is refused; small
    // single frames still fit and give their bytes back.
    const QList<can_message> big = framesOf(1, 9, 0x111, pattern(7998, 3));
    const QList<can_message> second = framesOf(2, 9, 0x222, pattern(198, 4));
    bus.stack.can_receive_message(big[0]);
    bus.stack.can_receive_message(second[0]);
    QCOMPARE(bus.errors.mid(2), QList<int>{16});
    for (int i = 0; i < 50; ++i)
        bus.receive(framesOf(3, 9, 0x333, QByteArray(6, char(i))));
    bus.receive(big.mid(1));
    bus.receive(second);
    QCOMPARE(bus.delivered.size(), 6 + 52);
    QCOMPARE(bus.errors.size(), 3);
    QCOMPARE(bus.stack.state.free_memory, 8192u);
}

void TestOstrel::closeReleasesEverything()
{
    Bus bus;
    // Before init every frame is refused and nothing goes out.
    bus.receive(framesOf(3, 7, 0x380, QByteArray(20, 'x')));
    QCOMPARE(bus.errors, QVector<int>(4, 1).toList());
    uint8_t data[8] = {};
    tag_ostrel_message m{0x100, 3, 7, 8, data};
    bus.stack.ostrel_send_message(&m);
    QVERIFY(bus.sent.isEmpty() && bus.delivered.isEmpty());

    // Close, and init again, drop the senders in progress (the sanitizer
    // build checks that nothing leaks).
    bus.stack.ostrel_init();
    for (int s = 1; s <= 20; ++s)
        bus.stack.can_receive_message(framesOf(uint16_t(s), 0, 0x10, pattern(100, s))[0]);
    QCOMPARE(bus.stack.state.free_buffers, uint16_t(480));
    QCOMPARE(bus.stack.ostrel_close(), 0);
    QCOMPARE(bus.stack.state.free_buffers, uint16_t(500));
    QCOMPARE(bus.stack.state.free_memory, 8192u);
    bus.stack.ostrel_init();
    bus.stack.can_receive_message(framesOf(1, 0, 0x10, pattern(100, 1))[0]);
    QCOMPARE(bus.stack.ostrel_init(), 500);
    QCOMPARE(bus.stack.state.free_memory, 8192u);
    bus.stack.ostrel_close();
    bus.stack.ostrel_send_message(&m);
    QVERIFY(bus.sent.isEmpty());
}

void TestOstrel::receiverFeedingTheStackGetsEachMessageOnce()
{
    Bus bus;
    bus.stack.ostrel_init();
    const QList<can_message> answer = framesOf(8, 1, 0x81, pattern(12, 8));
    bus.onDelivery = [&](tag_ostrel_message *m) {
        if (m->msg_id == 0x80)
            bus.receive(answer);
    };
    bus.receive(framesOf(1, 8, 0x80, pattern(3, 1)));
    QCOMPARE(bus.delivered.size(), 2);
    QVERIFY(bus.delivered[1].startsWith(QLatin1String("81 ")));
    QCOMPARE(bus.stack.state.count, 0u);
    QCOMPARE(bus.stack.state.free_memory, 8192u);
}

void TestOstrel::globalStackDeliversThroughRoute()
{
    QStringList routed;
    ostrelSetRxRoute([&](tag_ostrel_message *m) {
        routed << messageToText(*m, QByteArray(reinterpret_cast<const char *>(m->data), m->length));
    });
    can_receive_message(frameFromText("0:67:8003aa")); // before init: refused
    QCOMPARE(ostrel_init(), 500);
    for (const can_message &f : framesOf(40, 7, 0x480, QByteArray::fromHex("0102030405060708")))
        can_receive_message(f);
    // The reader calls the hook directly with a message of a radio frame.
    uint8_t bytes[2] = {0x12, 0x34};
    tag_ostrel_message m{0x99, 1, 2, 2, bytes};
    ostrel_RX_message(&m);
    QCOMPARE(routed, (QStringList{"480 40>7 0102030405060708", "99 1>2 1234"}));

    ostrelSetRxRoute(nullptr); // no route: dropped, no crash
    ostrel_RX_message(&m);
    can_receive_message(frameFromText("0:67:8003aa"));
    QCOMPARE(routed.size(), 2);
}

void TestOstrel::globalStackRunsFarBeyondItsBudget()
{
    // The route copies the bytes and clears the data pointer, as the shell's
    // routing does; the stack must still get its buffer back every time.
    int count = 0;
    qint64 bytes = 0;
    ostrelSetRxRoute([&](tag_ostrel_message *m) {
        const QByteArray copy(reinterpret_cast<const char *>(m->data), m->length);
        m->data = nullptr;
        QCOMPARE(copy, pattern(m->length, m->src));
        ++count;
        bytes += copy.size();
    });
    ostrel_init();
    for (int i = 0; i < 1000; ++i) {
        const int length = (i % 3 == 0) ? 6 : 100 + i % 400;
        for (const can_message &f : framesOf(uint16_t(i % 60), 5, 0x42, pattern(length, i % 60)))
            can_receive_message(f);
    }
    QCOMPARE(count, 1000);
    QVERIFY(bytes > 20 * 8192);
    QCOMPARE(ostrel.state.free_memory, 8192u);
    QCOMPARE(ostrel.state.free_buffers, uint16_t(500));
    QCOMPARE(ostrel.state.count, 0u);
}

QTEST_GUILESS_MAIN(TestOstrel)
#include "tst_ostrel.moc"
