#include "ostrelmessage.h"

#include <QtTest>

#include <memory>

namespace
{

// Frees the buffer the parser hands over, whatever the test's outcome.
struct MessageGuard {
    ostrel_message msg{};
    ~MessageGuard() { delete[] msg.data; }
};

QByteArray bufferBytes(const ostrel_message &msg)
{
    return QByteArray(reinterpret_cast<const char *>(msg.data), msg.length);
}

} // namespace

class TestOstrelMessage : public QObject
{
    Q_OBJECT

private slots:
    void toStr_data();
    void toStr();
    void toStrDoesNotReadMessageBuffer();

    void fromStr_data();
    void fromStr();
    void fromStrWithoutByteArray();
    void fromStrWithoutMessage();
    void fromStrResetsOldContents();

    void roundTrip_data();
    void roundTrip();

    void numberFromText_data();
    void numberFromText();
};

void TestOstrelMessage::toStr_data()
{
    QTest::addColumn<int>("src");
    QTest::addColumn<int>("dst");
    QTest::addColumn<int>("msgId");
    QTest::addColumn<int>("length");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("withBytes");
    QTest::addColumn<QString>("expected");

    QTest::newRow("typical command")
        << 1 << 7 << 0x380 << 4 << QByteArray::fromHex("01000000") << true
        << "SRC=0X1, DST=0X7, MSGID=0X380, DLEN=0X4, data:01000000";
    QTest::newRow("hex letters upper in header, lower in data")
        << 0xabc << 0xffff << 0xa60 << 2 << QByteArray::fromHex("ABEF") << true
        << "SRC=0XABC, DST=0XFFFF, MSGID=0XA60, DLEN=0X2, data:abef";
    QTest::newRow("zero values") << 0 << 0 << 0 << 0 << QByteArray() << true
                                 << "SRC=0X0, DST=0X0, MSGID=0X0, DLEN=0X0";
    QTest::newRow("length 0 drops the data part")
        << 1 << 7 << 0xa60 << 0 << QByteArray::fromHex("00000000") << true
        << "SRC=0X1, DST=0X7, MSGID=0XA60, DLEN=0X0";
    QTest::newRow("no byte array drops the data part")
        << 1 << 7 << 0x380 << 4 << QByteArray() << false
        << "SRC=0X1, DST=0X7, MSGID=0X380, DLEN=0X4";
    QTest::newRow("every byte of the array, whatever the length says")
        << 1 << 0x18 << 0x501 << 2 << QByteArray::fromHex("0102030405") << true
        << "SRC=0X1, DST=0X18, MSGID=0X501, DLEN=0X2, data:0102030405";
    QTest::newRow("length without bytes") << 1 << 2 << 3 << 4 << QByteArray() << true
                                          << "SRC=0X1, DST=0X2, MSGID=0X3, DLEN=0X4, data:";
}

void TestOstrelMessage::toStr()
{
    QFETCH(int, src);
    QFETCH(int, dst);
    QFETCH(int, msgId);
    QFETCH(int, length);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, withBytes);
    QFETCH(QString, expected);

    ostrel_message msg{};
    msg.src = uint16_t(src);
    msg.dst = uint16_t(dst);
    msg.msg_id = uint16_t(msgId);
    msg.length = uint16_t(length);
    QCOMPARE(ostrelMessageToStr(&msg, withBytes ? &bytes : nullptr), expected);
}

void TestOstrelMessage::toStrDoesNotReadMessageBuffer()
{
    uint8_t stale[2] = {0xde, 0xad};
    ostrel_message msg{};
    msg.msg_id = 0x381;
    msg.src = 1;
    msg.dst = 7;
    msg.length = 2;
    msg.data = stale;
    const QByteArray bytes = QByteArray::fromHex("0102");
    QCOMPARE(ostrelMessageToStr(&msg, &bytes),
             QStringLiteral("SRC=0X1, DST=0X7, MSGID=0X381, DLEN=0X2, data:0102"));
    QCOMPARE(ostrelMessageToStr(nullptr, &bytes), QString());
}

void TestOstrelMessage::fromStr_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("src");
    QTest::addColumn<int>("dst");
    QTest::addColumn<int>("msgId");
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("hasBuffer");
    QTest::addColumn<QByteArray>("bytes");

    auto hex = [](const char *h) { return QByteArray::fromHex(h); };

    QTest::newRow("written line") << "SRC=0X1, DST=0X7, MSGID=0X380, DLEN=0X4, data:01000000"
                                  << true << 1 << 7 << 0x380 << 4 << true << hex("01000000");
    QTest::newRow("lower case keys and digits")
        << "src=0x1, dst=0x7, msgid=0x380, dlen=0x4, DATA:0a0B0c0D" << true << 1 << 7 << 0x380 << 4
        << true << hex("0a0b0c0d");
    QTest::newRow("mixed case keys") << "Src=0x2, DsT=0x18, MsgId=0x501, Dlen=0x1, Data:ff" << true
                                     << 2 << 0x18 << 0x501 << 1 << true << hex("ff");
    QTest::newRow("decimal and octal values") << "SRC=10, DST=010, MSGID=896, DLEN=2, data:beef"
                                              << true << 10 << 8 << 896 << 2 << true << hex("beef");
    QTest::newRow("white space around values") << "SRC= 0x1 , DST=\t7 ,MSGID= 12,DLEN= 1 ,data:7f"
                                               << true << 1 << 7 << 12 << 1 << true << hex("7f");
    QTest::newRow("any separator after the key")
        << "SRC:1, DST 7, MSGID#5, DLEN=0" << true << 1 << 7 << 5 << 0 << false << QByteArray();
    QTest::newRow("DLEN 0 with a data part gives an empty buffer")
        << "SRC=0X1, DST=0X7, MSGID=0X0A60, DLEN=0X0, data:00000000" << true << 1 << 7 << 0xa60 << 0
        << true << QByteArray();
    QTest::newRow("DLEN 0 without a data part has no buffer")
        << "SRC=0X1, DST=0X7, MSGID=0X0A60, DLEN=0X0" << true << 1 << 7 << 0xa60 << 0 << false
        << QByteArray();
    QTest::newRow("DLEN last, no data part: zero-filled buffer")
        << "SRC=0X1, DST=0X7, MSGID=0X384, DLEN=0X3" << true << 1 << 7 << 0x384 << 3 << true
        << hex("000000");
    QTest::newRow("values wider than 16 bits keep the low bits")
        << "SRC=0x12345, DST=0x1FFFF, MSGID=70000, DLEN=0x10001, data:abcd" << true << 0x2345
        << 0xffff << (70000 & 0xffff) << 1 << true << hex("ab");
    QTest::newRow("negative value keeps its low bits")
        << "SRC=-1, DST=7, MSGID=1, DLEN=0" << true << 0xffff << 7 << 1 << 0 << false
        << QByteArray();
    QTest::newRow("hex longer than DLEN")
        << "SRC=0X1, DST=0X7, MSGID=0X383, DLEN=0X2, data:0102030405" << true << 1 << 7 << 0x383
        << 2 << true << hex("0102");
    QTest::newRow("hex shorter than DLEN is zero-filled")
        << "SRC=0X1, DST=0X7, MSGID=0X380, DLEN=0X4, data:0102" << true << 1 << 7 << 0x380 << 4
        << true << hex("01020000");
    QTest::newRow("odd last digit ends the hex")
        << "SRC=0X1, DST=0X7, MSGID=0X383, DLEN=0X3, data:01023" << true << 1 << 7 << 0x383 << 3
        << true << hex("010200");
    QTest::newRow("non-hex character ends the hex")
        << "SRC=0X1, DST=0X7, MSGID=0X383, DLEN=0X3, data:01zz03" << true << 1 << 7 << 0x383 << 3
        << true << hex("010000");
    QTest::newRow("comma after the hex") << "SRC=1, DST=7, MSGID=2, DLEN=2, data:ab, note" << true
                                         << 1 << 7 << 2 << 2 << true << hex("ab00");
    QTest::newRow("data keyword at the very end")
        << "SRC=1, DST=7, MSGID=2, DLEN=2, data" << true << 1 << 7 << 2 << 2 << true << hex("0000");
    QTest::newRow("missing MSGID")
        << "SRC=0X1, DST=0X7, DLEN=0X1, data:05" << false << 1 << 7 << 0 << 1 << true << hex("05");
    QTest::newRow("missing SRC") << "DST=0X7, MSGID=0X380, DLEN=0X0" << false << 0 << 7 << 0x380
                                 << 0 << false << QByteArray();
    QTest::newRow("SRC that does not convert") << "SRC=abc, DST=0X7, MSGID=0X380, DLEN=0X0" << false
                                               << 0 << 7 << 0x380 << 0 << false << QByteArray();
    QTest::newRow("missing DLEN") << "SRC=0X1, DST=0X7, MSGID=0X380, data:01000000" << false << 1
                                  << 7 << 0x380 << 0 << false << QByteArray();
    QTest::newRow("DLEN that does not convert")
        << "SRC=0X1, DST=0X7, MSGID=0X380, DLEN=four, data:01000000" << false << 1 << 7 << 0x380
        << 0 << false << QByteArray();
    QTest::newRow("key at end of line")
        << "SRC=1, DST=2, MSGID=3, DLEN" << false << 1 << 2 << 3 << 0 << false << QByteArray();
    QTest::newRow("empty line") << "" << false << 0 << 0 << 0 << 0 << false << QByteArray();
}

void TestOstrelMessage::fromStr()
{
    QFETCH(QString, line);
    QFETCH(bool, ok);
    QFETCH(int, src);
    QFETCH(int, dst);
    QFETCH(int, msgId);
    QFETCH(int, length);
    QFETCH(bool, hasBuffer);
    QFETCH(QByteArray, bytes);

    MessageGuard g;
    QByteArray array("left over");
    QCOMPARE(ostrelMessageFromStr(line, &g.msg, &array), ok);
    QCOMPARE(int(g.msg.src), src);
    QCOMPARE(int(g.msg.dst), dst);
    QCOMPARE(int(g.msg.msg_id), msgId);
    QCOMPARE(int(g.msg.length), length);
    QCOMPARE(g.msg.data != nullptr, hasBuffer);
    // The array and the buffer carry the same DLEN bytes, so the record
    // built from them never disagrees with what goes on air.
    QCOMPARE(array, bytes);
    if (hasBuffer)
        QCOMPARE(bufferBytes(g.msg), bytes);
}

void TestOstrelMessage::fromStrWithoutByteArray()
{
    MessageGuard g;
    QVERIFY(!ostrelMessageFromStr(
        QStringLiteral("SRC=1, DST=7, MSGID=0x380, DLEN=4, data:01000000"), &g.msg, nullptr));
    QCOMPARE(int(g.msg.length), 4);
    QVERIFY(!g.msg.data);

    MessageGuard empty;
    QVERIFY(ostrelMessageFromStr(QStringLiteral("SRC=1, DST=7, MSGID=0xA60, DLEN=0"), &empty.msg,
                                 nullptr));
    QVERIFY(!empty.msg.data);
}

void TestOstrelMessage::fromStrWithoutMessage()
{
    QByteArray array("kept");
    QVERIFY(
        !ostrelMessageFromStr(QStringLiteral("SRC=1, DST=7, MSGID=1, DLEN=0"), nullptr, &array));
}

void TestOstrelMessage::fromStrResetsOldContents()
{
    MessageGuard g;
    QByteArray array;
    QVERIFY(ostrelMessageFromStr(QStringLiteral("SRC=1, DST=7, MSGID=2, DLEN=2, data:abcd"), &g.msg,
                                 &array));
    delete[] g.msg.data;
    g.msg.data = nullptr;
    QVERIFY(!ostrelMessageFromStr(QStringLiteral("garbage"), &g.msg, &array));
    QCOMPARE(int(g.msg.src), 0);
    QCOMPARE(int(g.msg.length), 0);
    QVERIFY(!g.msg.data);
    QVERIFY(array.isEmpty());
}

void TestOstrelMessage::roundTrip_data()
{
    QTest::addColumn<int>("src");
    QTest::addColumn<int>("dst");
    QTest::addColumn<int>("msgId");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("power switch mask") << 1 << 7 << 0x380 << QByteArray::fromHex("ffff0000");
    QTest::newRow("no data") << 1 << 7 << 0xa60 << QByteArray();
    QTest::newRow("extremes") << 0xffff << 0 << 0xffff << QByteArray(255, '\xa5');
    QTest::newRow("zero bytes") << 1 << 0x18 << 0x501 << QByteArray(3, '\0');
}

void TestOstrelMessage::roundTrip()
{
    QFETCH(int, src);
    QFETCH(int, dst);
    QFETCH(int, msgId);
    QFETCH(QByteArray, bytes);

    ostrel_message out{};
    out.src = uint16_t(src);
    out.dst = uint16_t(dst);
    out.msg_id = uint16_t(msgId);
    out.length = uint16_t(bytes.size());
    const QString line = ostrelMessageToStr(&out, &bytes);

    MessageGuard g;
    QByteArray array;
    QVERIFY(ostrelMessageFromStr(line, &g.msg, &array));
    QCOMPARE(int(g.msg.src), src);
    QCOMPARE(int(g.msg.dst), dst);
    QCOMPARE(int(g.msg.msg_id), msgId);
    QCOMPARE(int(g.msg.length), bytes.size());
    QCOMPARE(array, bytes);
    QCOMPARE(ostrelMessageToStr(&g.msg, &array), line);
}

void TestOstrelMessage::numberFromText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qlonglong>("value");
    QTest::addColumn<bool>("ok");

    QTest::newRow("decimal") << "1234" << 1234LL << true;
    QTest::newRow("hex lower prefix") << "0x1f" << 31LL << true;
    QTest::newRow("hex upper prefix") << "0X1F" << 31LL << true;
    QTest::newRow("octal") << "017" << 15LL << true;
    QTest::newRow("zero") << "0" << 0LL << true;
    QTest::newRow("spaces") << "  42\t" << 42LL << true;
    QTest::newRow("negative") << "-5" << -5LL << true;
    QTest::newRow("above signed range reads as bits") << "0xFFFFFFFFFFFFFFFF" << -1LL << true;
    QTest::newRow("bad octal digit") << "08" << 0LL << false;
    QTest::newRow("word") << "ten" << 0LL << false;
    QTest::newRow("empty") << "" << 0LL << false;
    QTest::newRow("prefix only") << "0x" << 0LL << false;
    QTest::newRow("inner space") << "1 2" << 0LL << false;
}

void TestOstrelMessage::numberFromText()
{
    QFETCH(QString, text);
    QFETCH(qlonglong, value);
    QFETCH(bool, ok);

    bool good = !ok;
    QCOMPARE(ostrelNumberFromText(text, &good), value);
    QCOMPARE(good, ok);
    QCOMPARE(ostrelNumberFromText(text), value);
}

QTEST_APPLESS_MAIN(TestOstrelMessage)
#include "tst_ostrelmessage.moc"
