#include "zvs_ostrel_to_app.h"

#include <QtTest>

class TestZvsBlock : public QObject
{
    Q_OBJECT

private slots:
    void bothWays_data();
    void bothWays();
    void decodesAtOffset();
    void refusesShortInput_data();
    void refusesShortInput();
};

namespace
{

zvs_ostrel_to_app_t block(uint32_t direction, uint32_t txStatus, int64_t timeMs, uint64_t stamp,
                          uint32_t tag, uint16_t msgId, uint16_t src, uint16_t dst, uint16_t length)
{
    zvs_ostrel_to_app_t b{};
    b.direction = direction;
    b.txStatus = txStatus;
    b.timeMs = timeMs;
    b.stamp = stamp;
    b.tag = tag;
    b.header = zvs_ostrel_header_t{msgId, src, dst, length};
    return b;
}

} // namespace

void TestZvsBlock::bothWays_data()
{
    QTest::addColumn<zvs_ostrel_to_app_t>("value");
    QTest::addColumn<QByteArray>("bytes");

    // direction | txStatus | timeMs | stamp | tag | id src dst len | reserved
    QTest::newRow("received, every field distinct")
        << block(0, 0, 1733486400123LL, 42, 0, 0x0380, 0x0001, 0x0007, 0x0004)
        << QByteArray::fromHex("00000000"
                               "00000000"
                               "7b52d79b93010000"
                               "2a00000000000000"
                               "00000000"
                               "8003010007000400"
                               "00000000");
    QTest::newRow("sent answer with tag")
        << block(1, 1, 0, 0x0102030405060708ULL, 0xA1B2C3D4, 0xFFFE, 0x1234, 0xABCD, 0xFFFF)
        << QByteArray::fromHex("01000000"
                               "01000000"
                               "0000000000000000"
                               "0807060504030201"
                               "d4c3b2a1"
                               "feff3412cdabffff"
                               "00000000");
    QTest::newRow("time before 1970, all-ones words")
        << block(0xFFFFFFFF, 0xFFFFFFFF, -1, ~0ULL, 0xFFFFFFFF, 1, 2, 3, 0)
        << QByteArray::fromHex("ffffffff"
                               "ffffffff"
                               "ffffffffffffffff"
                               "ffffffffffffffff"
                               "ffffffff"
                               "0100020003000000"
                               "00000000");
}

void TestZvsBlock::bothWays()
{
    QFETCH(zvs_ostrel_to_app_t, value);
    QFETCH(QByteArray, bytes);

    QCOMPARE(bytes.size(), ZVS_OSTREL_TO_APP_SIZE);
    QCOMPARE(zvsOstrelToAppEncode(value).toHex(), bytes.toHex());

    zvs_ostrel_to_app_t got{};
    got.reserved = 0x55;
    QVERIFY(zvsOstrelToAppDecode(bytes, 0, &got));
    QCOMPARE(got.direction, value.direction);
    QCOMPARE(got.txStatus, value.txStatus);
    QCOMPARE(got.timeMs, value.timeMs);
    QCOMPARE(got.stamp, value.stamp);
    QCOMPARE(got.tag, value.tag);
    QCOMPARE(got.header.msg_id, value.header.msg_id);
    QCOMPARE(got.header.src, value.header.src);
    QCOMPARE(got.header.dst, value.header.dst);
    QCOMPARE(got.header.length, value.header.length);
    QCOMPARE(got.reserved, 0u);
}

void TestZvsBlock::decodesAtOffset()
{
    // A 0x2000 server frame: 10 bytes of frame head, the block, then data;
    // the reserved word is ignored whatever it holds.
    QByteArray frame = QByteArray::fromHex("5ebaa00000002e000000");
    frame += QByteArray::fromHex("00000000000000000100000000000000"
                                 "0500000000000000090000008003010007000200"
                                 "deadbeef");
    frame += QByteArray::fromHex("0102");
    zvs_ostrel_to_app_t got{};
    QVERIFY(zvsOstrelToAppDecode(frame, 10, &got));
    QCOMPARE(got.timeMs, qint64(1));
    QCOMPARE(got.stamp, quint64(5));
    QCOMPARE(got.tag, 9u);
    QCOMPARE(got.header.msg_id, uint16_t(0x380));
    QCOMPARE(got.header.length, uint16_t(2));
    QCOMPARE(got.reserved, 0u);
    QCOMPARE(frame.mid(10 + ZVS_OSTREL_TO_APP_SIZE), QByteArray::fromHex("0102"));
}

void TestZvsBlock::refusesShortInput_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("offset");
    QTest::addColumn<bool>("ok");
    QTest::newRow("empty") << 0 << 0 << false;
    QTest::newRow("39 bytes") << 39 << 0 << false;
    QTest::newRow("exactly 40") << 40 << 0 << true;
    QTest::newRow("offset leaves 39") << 50 << 11 << false;
    QTest::newRow("offset leaves 40") << 50 << 10 << true;
    QTest::newRow("offset past end") << 40 << 100 << false;
    QTest::newRow("negative offset") << 60 << -1 << false;
}

void TestZvsBlock::refusesShortInput()
{
    QFETCH(int, size);
    QFETCH(int, offset);
    QFETCH(bool, ok);

    const QByteArray bytes(size, char(0x11));
    zvs_ostrel_to_app_t got = block(7, 7, 7, 7, 7, 7, 7, 7, 7);
    QCOMPARE(zvsOstrelToAppDecode(bytes, offset, &got), ok);
    // A refused decode leaves the caller's block as it was.
    QCOMPARE(got.direction, ok ? 0x11111111u : 7u);
    QCOMPARE(got.header.length, ok ? uint16_t(0x1111) : uint16_t(7));
}

QTEST_GUILESS_MAIN(TestZvsBlock)
#include "tst_zvsblock.moc"
