#include "zvs_ostrel_to_app.h"

#include <QtTest>

class TestZvsBlock : public QObject
{
    Q_OBJECT

private slots:
    void bothWays_data()
    {
        QTest::addColumn<zvs_ostrel_to_app_t>("value");
        QTest::addColumn<QByteArray>("bytes");

        // direction | txStatus | timeMs | stamp | tag | id src dst len | reserved
        zvs_ostrel_to_app_t distinct{1,  1, 1733486400123LL, 0x0102030405060708ULL, 0xA1B2C3D4,
                                     {}, 0};
        distinct.header = {0xFFFE, 0x1234, 0xABCD, 0xFFFF};
        QTest::newRow("every field distinct")
            << distinct
            << QByteArray::fromHex("01000000 01000000 7b52d79b93010000 0807060504030201 d4c3b2a1 "
                                   "feff3412cdabffff 00000000");
        QTest::newRow("time before 1970, all-ones words")
            << zvs_ostrel_to_app_t{0xFFFFFFFF, 0xFFFFFFFF, -1, ~0ULL, 0xFFFFFFFF, {1, 2, 3, 0}, 0}
            << QByteArray::fromHex("ffffffff ffffffff ffffffffffffffff ffffffffffffffff ffffffff "
                                   "0100020003000000 00000000");
    }

    void bothWays()
    {
        QFETCH(zvs_ostrel_to_app_t, value);
        QFETCH(QByteArray, bytes);

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
        QTest::newRow("offset leaves 39") << 50 << 11 << false;
        QTest::newRow("negative offset") << 60 << -1 << false;
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

QTEST_GUILESS_MAIN(TestZvsBlock)
#include "tst_zvsblock.moc"
