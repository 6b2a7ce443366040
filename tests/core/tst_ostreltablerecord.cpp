#include "ostreldatamodel.h"
#include "ostreltablerecord.h"
#include "support_fixture.h"

#include <QtTest>

#include <limits>

namespace
{

// A packet description outside any description model; it deletes its fields.
// Fields are given as "type len offset order": type one of i u f d s x b F
// (int, uint, float, double, string, data, bit, file), order L or B.
struct Packet {
    OstrelPacketRecord p;
    Packet(const QString &fields, int dataLen)
    {
        p.dataLen = dataLen;
        for (const QString &layout : fields.split(QLatin1Char(','))) {
            const QStringList s = layout.simplified().split(QLatin1Char(' '));
            auto *f = new OstrelFieldRecord;
            f->type = OstrelFieldRecord::FieldType(QStringLiteral("iufdsxbF").indexOf(s[0]));
            f->bitLen = s.value(1).toInt();
            f->bitOffset = s.value(2).toInt();
            f->byteOrder = s.value(3) == QLatin1String("B") ? OstrelFieldRecord::BigEndian
                                                            : OstrelFieldRecord::LittleEndian;
            p.insertField(f);
        }
    }
    ~Packet() { qDeleteAll(p.fields); }
};

void attach(OstrelTableRecord &rec, Packet &pkt)
{
    rec.packet = &pkt.p;
    rec.packetHeader.copyHeader(&pkt.p);
    rec.initFieldValues();
}

QByteArray messageBytes(const OstrelTableRecord &rec)
{
    return rec.message.data
               ? QByteArray(reinterpret_cast<const char *>(rec.message.data), rec.message.length)
               : QByteArray();
}

} // namespace

class TestOstrelTableRecord : public QObject
{
    Q_OBJECT

private slots:
    void decode_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("length"); // message length; -1: the byte count
        QTest::addColumn<QVariant>("expected");

        QTest::newRow("uint16 LE at 8") << "u 16 8 L" << hex("003412") << -1 << QVariant(0x1234u);
        QTest::newRow("uint16 BE at 8") << "u 16 8 B" << hex("003412") << -1 << QVariant(0x3412u);
        QTest::newRow("int3 101") << "i 3 0 L" << hex("a0") << -1 << QVariant(-3);
        QTest::newRow("uint4 across bytes") << "u 4 6 L" << hex("03c0") << -1 << QVariant(15u);
        QTest::newRow("data16 at 4") << "x 16 4 L" << hex("0abcd0") << -1 << QVariant(hex("abcd"));
        // Fields running past the data: the bits that exist, the rest zero.
        QTest::newRow("uint16 BE past end") << "u 16 8 B" << hex("0034") << -1 << QVariant(0x3400u);
        // Only the first `length` bytes count; fewer bytes than the length: none.
        QTest::newRow("length cuts the stream")
            << "u 16 0 B" << hex("12ff") << 1 << QVariant(0x1200u);
        QTest::newRow("message shorter than length") << "u 8 0 L" << hex("ff") << 2 << QVariant(0u);
    }
    void decode()
    {
        QFETCH(QString, field);
        QFETCH(QByteArray, bytes);
        QFETCH(int, length);
        QFETCH(QVariant, expected);

        Packet pkt(field, 0);
        OstrelTableRecord rec;
        attach(rec, pkt);
        rec.fieldValues[1] = QStringLiteral("untouched");
        rec.data = bytes;
        rec.message = {0x123, 7, 1, uint16_t(length < 0 ? bytes.size() : length), nullptr};
        rec.decomposeOstrelMessage();
        const QVariant value = rec.fieldValues.value(1);
        QCOMPARE(value.userType(), expected.userType());
        QCOMPARE(value, expected);
        QCOMPARE((QList<unsigned>{rec.packetHeader.id, unsigned(rec.packetHeader.dataLen), rec.src,
                                  rec.dst}),
                 (QList<unsigned>{0x123, rec.message.length, 7, 1}));
    }

    void encode_data()
    {
        QTest::addColumn<QString>("fields");
        QTest::addColumn<QVariantList>("values");
        QTest::addColumn<int>("dataLen");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("back to back, offsets ignored")
            << "u 8 40 L, u 16 3 L, u 8 0 L" << QVariantList{1u, 0x0203u, 4u} << 4
            << hex("01030204");
        QTest::newRow("int32 BE min")
            << "i 32 0 B" << QVariantList{std::numeric_limits<qint32>::min()} << 4
            << hex("80000000");
        QTest::newRow("string is room only")
            << "s 16 0 L, u 8 0 L" << QVariantList{QStringLiteral("hi"), 9u} << 3 << hex("000009");
        QTest::newRow("bit adds one bit")
            << "b 8 0 L, u 7 0 L" << QVariantList{true, 0x7fu} << 1 << hex("ff");
        // A stream of at most 8 bits goes out as one byte, right-aligned.
        QTest::newRow("three bits, right-aligned")
            << "b 1 0 L, b 1 1 L, b 1 2 L" << QVariantList{true, false, true} << 1 << hex("05");
    }
    void encode()
    {
        QFETCH(QString, fields);
        QFETCH(QVariantList, values);
        QFETCH(int, dataLen);
        QFETCH(QByteArray, expected);

        Packet pkt(fields, dataLen);
        pkt.p.id = 0x380;
        OstrelTableRecord rec;
        attach(rec, pkt);
        rec.src = 1;
        rec.dst = 0x10007; // wider than the header: truncated to 16 bits
        for (int i = 0; i < values.size(); ++i)
            rec.fieldValues[unsigned(i + 1)] = values[i];
        rec.composeOstrelMessage();
        QCOMPARE(
            (QList<int>{rec.message.msg_id, rec.message.src, rec.message.dst, rec.message.length}),
            (QList<int>{0x380, 1, 7, dataLen}));
        QCOMPARE(messageBytes(rec), expected);
    }

    void encodeFileField()
    {
        QTemporaryDir dir;
        const QString small = fixtureFile(dir, "small.bin", hex("c0ffee"));
        const QString big = fixtureFile(dir, "big.bin", QByteArray(600, 'Z'));

        Packet pkt("u 16 0 B, F 0 16 L", 2);
        OstrelTableRecord rec;
        attach(rec, pkt);
        rec.fieldValues[1] = 0x0102u;
        rec.fieldValues[2] = small;
        QTest::ignoreMessage(
            QtDebugMsg, qPrintable(QString("File %1 (size 3) added to ostrel message").arg(small)));
        rec.composeOstrelMessage();
        QCOMPARE(messageBytes(rec), hex("0102c0ffee"));

        // One that would take the length past 65535 is refused, not wrapped.
        pkt.p.dataLen = 65000;
        rec.packetHeader.copyHeader(&pkt.p);
        rec.fieldValues[2] = big;
        QTest::ignoreMessage(
            QtCriticalMsg,
            qPrintable(QString("File %1 (size 600) does not fit into ostrel message").arg(big)));
        rec.composeOstrelMessage();
        QCOMPARE(int(rec.message.length), 65000);
        QCOMPARE(rec.data, hex("0102"));
        QCOMPARE(int(rec.message.data[64999]), 0);
    }
};

QTEST_GUILESS_MAIN(TestOstrelTableRecord)
#include "tst_ostreltablerecord.moc"
