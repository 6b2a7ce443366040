#include "ostrelmessage.h"
#include "zvs_ostrel_to_app.h"

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
    void headerBytes()
    {
        uint8_t data[] = {1, 2};
        const QByteArray wire = QByteArray::fromHex("80030100070002000102");
        QByteArray out("tag");
        ostrelMessageAppend(&out, ostrel_message{0x380, 1, 7, 2, data});
        QCOMPARE(out, "tag" + wire);
        const ostrel_message back =
            ostrelHeaderRead(reinterpret_cast<const uchar *>(wire.constData()));
        QCOMPARE((QList<int>{back.msg_id, back.src, back.dst, back.length}),
                 (QList<int>{0x380, 1, 7, 2}));
        QVERIFY(!back.data);
    }

    void fromStr_data()
    {
        // The row name is the line; the result reads "ok src dst msgid dlen
        // buffer", all hex, the buffer "-" when there is none.
        QTest::addColumn<QString>("expected");
        const QString s380 = "1 1 7 380 4 ";
        QTest::newRow("SRC: 010 , DST\t7 ,MSGID#896,DLEN= 2 ,data:beef") << "1 8 7 380 2 beef";
        QTest::newRow("SRC=0X1, DST=0X7, MSGID=0XA60, DLEN=0X0") << "1 1 7 a60 0 -";
        QTest::newRow("SRC=0x12345, DST=-1, MSGID=70000, DLEN=0x10001, data:abcd")
            << "1 2345 ffff 1170 1 ab";
        // Short hex and an odd last digit leave zeros; the data ends at a
        // comma, as in a schedule line.
        QTest::newRow("SRC=1, DST=7, MSGID=0x380, DLEN=4, data:01023") << s380 + "01020000";
        QTest::newRow("SRC=1, DST=7, MSGID=0x380, DLEN=4, data:0102, time:7") << s380 + "01020000";
        // Anything but hex digits where the length reaches is no command.
        QTest::newRow("SRC=1, DST=7, MSGID=0x380, DLEN=4, data:01zz03") << "0 1 7 380 4 -";
        QTest::newRow("SRC=0X1, DST=0X7, DLEN=0X1, data:05") << "0 1 7 0 1 05";
        QTest::newRow("") << "0 0 0 0 0 -";
    }
    void fromStr()
    {
        QFETCH(QString, expected);
        // Old contents must be replaced, never merged into.
        MessageGuard g;
        g.msg = {9, 9, 9, 9, nullptr};
        QByteArray array("left over");
        const bool ok = ostrelMessageFromStr(QTest::currentDataTag(), &g.msg, &array);
        const QString buffer =
            g.msg.data
                ? QByteArray(reinterpret_cast<const char *>(g.msg.data), g.msg.length).toHex()
                : "-";
        QCOMPARE(QStringLiteral("%1 %2 %3 %4 %5 ")
                         .arg(int(ok))
                         .arg(g.msg.src, 0, 16)
                         .arg(g.msg.dst, 0, 16)
                         .arg(g.msg.msg_id, 0, 16)
                         .arg(g.msg.length, 0, 16) +
                     buffer,
                 expected);
        // The array carries the same DLEN bytes as the buffer, so the record
        // built from it never disagrees with what goes on air.
        QCOMPARE(array.toHex(), buffer == "-" ? QByteArray() : buffer.toLatin1());
    }

    void fromStrWithoutArrayOrMessage()
    {
        // Without an array a message with a length cannot get its buffer.
        MessageGuard g;
        QVERIFY(
            !ostrelMessageFromStr("SRC=1, DST=7, MSGID=0x380, DLEN=4, data:01", &g.msg, nullptr));
        QVERIFY(!g.msg.data);
        QByteArray array;
        QVERIFY(!ostrelMessageFromStr("SRC=1, DST=7, MSGID=1, DLEN=0", nullptr, &array));
    }

    void serverBlockBothWays()
    {
        // direction | txStatus | timeMs | stamp | tag | id src dst len | reserved
        const zvs_ostrel_to_app_t value{1,
                                        1,
                                        1733486400123LL,
                                        0x0102030405060708ULL,
                                        0xA1B2C3D4,
                                        {0xFFFE, 0x1234, 0xABCD, 0xFFFF},
                                        0};
        const QByteArray bytes =
            QByteArray::fromHex("01000000 01000000 7b52d79b93010000 0807060504030201 d4c3b2a1 "
                                "feff3412cdabffff 00000000");
        QCOMPARE(zvsOstrelToAppEncode(value).toHex(), bytes.toHex());
        // Decoded at an offset, as inside a server frame; the reserved word is ignored.
        QByteArray frame = QByteArray(10, '\x5e') + bytes + QByteArray::fromHex("0102");
        frame[10 + ZVS_OFFSET_RESERVED] = '\x77';
        zvs_ostrel_to_app_t got{};
        QVERIFY(zvsOstrelToAppDecode(frame, 10, &got));
        QCOMPARE(zvsOstrelToAppEncode(got).toHex(), bytes.toHex());
    }

    void decodeBounds_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("offset");
        QTest::addColumn<bool>("ok");
        QTest::newRow("39 bytes") << 39 << 0 << false;
        QTest::newRow("exactly 40") << 40 << 0 << true;
    }

    void decodeBounds()
    {
        QFETCH(int, size);
        QFETCH(int, offset);
        QFETCH(bool, ok);

        zvs_ostrel_to_app_t got{7, 7, 7, 7, 7, {7, 7, 7, 7}, 7};
        QCOMPARE(zvsOstrelToAppDecode(QByteArray(size, char(0x11)), offset, &got), ok);
        QCOMPARE(got.header.length, ok ? uint16_t(0x1111) : uint16_t(7)); // refused: untouched
    }
};

QTEST_APPLESS_MAIN(TestOstrelMessage)
#include "tst_ostrelmessage.moc"
