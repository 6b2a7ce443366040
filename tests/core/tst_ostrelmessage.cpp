#include "ostrelmessage.h"

#include <QtTest>

namespace
{
struct MessageGuard {
    ostrel_message msg{};
    ~MessageGuard() { delete[] msg.data; }
};
} // namespace

class TestOstrelMessage : public QObject
{
    Q_OBJECT

private slots:
    void toStr_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("withBytes");
        QTest::addColumn<QString>("expected");

        const QString head = "SRC=0XABC, DST=0XFFFF, MSGID=0XA60, DLEN=0X%1";
        QTest::newRow("hex upper in header, lower in data")
            << 2 << QByteArray::fromHex("ABEF") << true << head.arg(2) + ", data:abef";
        QTest::newRow("length 0 drops the data part")
            << 0 << QByteArray::fromHex("0000") << true << head.arg(0);
        QTest::newRow("no byte array drops the data part")
            << 4 << QByteArray() << false << head.arg(4);
        QTest::newRow("every byte of the array, whatever the length says")
            << 2 << QByteArray::fromHex("0102030405") << true << head.arg(2) + ", data:0102030405";
        QTest::newRow("length without bytes")
            << 4 << QByteArray() << true << head.arg(4) + ", data:";
    }

    void toStr()
    {
        QFETCH(int, length);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, withBytes);
        QFETCH(QString, expected);

        // The message's own buffer is never read: the array is what goes out.
        uint8_t stale[4] = {0xde, 0xad, 0xbe, 0xef};
        ostrel_message msg{0xa60, 0xabc, 0xffff, uint16_t(length), stale};
        QCOMPARE(ostrelMessageToStr(&msg, withBytes ? &bytes : nullptr), expected);
        QCOMPARE(ostrelMessageToStr(nullptr, &bytes), QString());
    }

    void fromStr_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QList<int>>("header"); // src, dst, msg_id, length
        QTest::addColumn<bool>("hasBuffer");
        QTest::addColumn<QByteArray>("bytes");

        auto hex = [](const char *h) { return QByteArray::fromHex(h); };
        const QList<int> h380{1, 7, 0x380, 4};

        QTest::newRow("written line") << "SRC=0X1, DST=0X7, MSGID=0X380, DLEN=0X4, data:01000000"
                                      << true << h380 << true << hex("01000000");
        QTest::newRow("lower and mixed case keys")
            << "src=0x1, DsT=0x7, MsgId=0x380, dlen=0x4, DATA:0a0B0c0D" << true << h380 << true
            << hex("0a0b0c0d");
        QTest::newRow("octal, decimal, white space, any separator")
            << "SRC: 010 , DST\t7 ,MSGID#896,DLEN= 2 ,data:beef" << true << QList<int>{8, 7, 896, 2}
            << true << hex("beef");
        QTest::newRow("DLEN 0 with a data part gives an empty buffer")
            << "SRC=0X1, DST=0X7, MSGID=0XA60, DLEN=0X0, data:00000000" << true
            << QList<int>{1, 7, 0xa60, 0} << true << QByteArray();
        QTest::newRow("DLEN 0 without a data part has no buffer")
            << "SRC=0X1, DST=0X7, MSGID=0XA60, DLEN=0X0" << true << QList<int>{1, 7, 0xa60, 0}
            << false << QByteArray();
        QTest::newRow("no data part: zero-filled buffer")
            << "SRC=0X1, DST=0X7, MSGID=0X380, DLEN=0X4" << true << h380 << true << hex("00000000");
        QTest::newRow("values wider than 16 bits keep the low bits")
            << "SRC=0x12345, DST=-1, MSGID=70000, DLEN=0x10001, data:abcd" << true
            << QList<int>{0x2345, 0xffff, 70000 & 0xffff, 1} << true << hex("ab");
        QTest::newRow("hex longer than DLEN")
            << "SRC=1, DST=7, MSGID=0x380, DLEN=4, data:0102030405" << true << h380 << true
            << hex("01020304");
        QTest::newRow("hex shorter than DLEN is zero-filled")
            << "SRC=1, DST=7, MSGID=0x380, DLEN=4, data:0102" << true << h380 << true
            << hex("01020000");
        QTest::newRow("odd last digit ends the hex")
            << "SRC=1, DST=7, MSGID=0x380, DLEN=4, data:01023" << true << h380 << true
            << hex("01020000");
        QTest::newRow("non-hex character ends the hex")
            << "SRC=1, DST=7, MSGID=0x380, DLEN=4, data:01zz03" << true << h380 << true
            << hex("01000000");
        QTest::newRow("comma after the hex") << "SRC=1, DST=7, MSGID=0x380, DLEN=4, data:ab, note"
                                             << true << h380 << true << hex("ab000000");
        QTest::newRow("data keyword at the very end")
            << "SRC=1, DST=7, MSGID=0x380, DLEN=4, data" << true << h380 << true << hex("00000000");
        QTest::newRow("missing MSGID") << "SRC=0X1, DST=0X7, DLEN=0X1, data:05" << false
                                       << QList<int>{1, 7, 0, 1} << true << hex("05");
        QTest::newRow("SRC that does not convert")
            << "SRC=abc, DST=0X7, MSGID=0X380, DLEN=0X0" << false << QList<int>{0, 7, 0x380, 0}
            << false << QByteArray();
        QTest::newRow("missing DLEN") << "SRC=0X1, DST=0X7, MSGID=0X380, data:01000000" << false
                                      << QList<int>{1, 7, 0x380, 0} << false << QByteArray();
        QTest::newRow("DLEN that does not convert")
            << "SRC=0X1, DST=0X7, MSGID=0X380, DLEN=four, data:01000000" << false
            << QList<int>{1, 7, 0x380, 0} << false << QByteArray();
        QTest::newRow("key at end of line") << "SRC=1, DST=2, MSGID=3, DLEN" << false
                                            << QList<int>{1, 2, 3, 0} << false << QByteArray();
        QTest::newRow("empty line")
            << "" << false << QList<int>{0, 0, 0, 0} << false << QByteArray();
    }

    void fromStr()
    {
        QFETCH(QString, line);
        QFETCH(bool, ok);
        QFETCH(QList<int>, header);
        QFETCH(bool, hasBuffer);
        QFETCH(QByteArray, bytes);

        // Old contents must be replaced, never merged into.
        MessageGuard g;
        g.msg = {9, 9, 9, 9, nullptr};
        QByteArray array("left over");
        QCOMPARE(ostrelMessageFromStr(line, &g.msg, &array), ok);
        QCOMPARE((QList<int>{g.msg.src, g.msg.dst, g.msg.msg_id, g.msg.length}), header);
        QCOMPARE(g.msg.data != nullptr, hasBuffer);
        // The array and the buffer carry the same DLEN bytes, so the record
        // built from them never disagrees with what goes on air.
        QCOMPARE(array, bytes);
        if (hasBuffer)
            QCOMPARE(QByteArray(reinterpret_cast<const char *>(g.msg.data), g.msg.length), bytes);
    }

    void fromStrWithoutArrayOrMessage()
    {
        // Without an array a message with a length cannot get its buffer.
        MessageGuard g;
        QVERIFY(!ostrelMessageFromStr("SRC=1, DST=7, MSGID=0x380, DLEN=4, data:01000000", &g.msg,
                                      nullptr));
        QVERIFY(!g.msg.data);
        QVERIFY(ostrelMessageFromStr("SRC=1, DST=7, MSGID=0xA60, DLEN=0", &g.msg, nullptr));
        QVERIFY(!g.msg.data);
        QByteArray array("kept");
        QVERIFY(!ostrelMessageFromStr("SRC=1, DST=7, MSGID=1, DLEN=0", nullptr, &array));
    }

    void roundTrip()
    {
        for (const QByteArray &bytes :
             {QByteArray(), QByteArray::fromHex("ffff0000"), QByteArray(255, '\xa5')}) {
            ostrel_message out{0xffff, 0xffff, 0, uint16_t(bytes.size()), nullptr};
            const QString line = ostrelMessageToStr(&out, &bytes);
            MessageGuard g;
            QByteArray array;
            QVERIFY(ostrelMessageFromStr(line, &g.msg, &array));
            QCOMPARE(array, bytes);
            QCOMPARE(ostrelMessageToStr(&g.msg, &array), line);
        }
    }

    void numberFromText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qlonglong>("value");
        QTest::addColumn<bool>("ok");

        QTest::newRow("hex upper prefix, spaces") << "  0X1F\t" << 31LL << true;
        QTest::newRow("octal") << "017" << 15LL << true;
        QTest::newRow("negative") << "-5" << -5LL << true;
        QTest::newRow("above signed range reads as bits") << "0xFFFFFFFFFFFFFFFF" << -1LL << true;
        QTest::newRow("bad octal digit") << "08" << 0LL << false;
        QTest::newRow("word") << "ten" << 0LL << false;
        QTest::newRow("prefix only") << "0x" << 0LL << false;
        QTest::newRow("inner space") << "1 2" << 0LL << false;
    }

    void numberFromText()
    {
        QFETCH(QString, text);
        QFETCH(qlonglong, value);
        QFETCH(bool, ok);

        bool good = !ok;
        QCOMPARE(ostrelNumberFromText(text, &good), value);
        QCOMPARE(good, ok);
    }
};

QTEST_APPLESS_MAIN(TestOstrelMessage)
#include "tst_ostrelmessage.moc"
