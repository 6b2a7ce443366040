#include "ostreldatamodel.h"
#include "ostreltablerecord.h"
#include "support_recfixture.h"
#include "treeitem.h"
#include "treemodel.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <limits>

namespace
{

constexpr int Int = 0, UInt = 1, Float = 2, Double = 3, String = 4, Data = 5, Bit = 6, File = 7;
constexpr int BE = 0, LE = 1;

// A packet description that is not part of any description model; it
// deletes its fields itself.
struct Packet {
    OstrelPacketRecord p;
    explicit Packet(int dataLen = 0) { p.dataLen = dataLen; }
    ~Packet() { qDeleteAll(p.fields); }
    OstrelFieldRecord *add(int type, int len, int offset, int order = LE,
                           const QVariant &def = QVariant())
    {
        auto *f = new OstrelFieldRecord;
        f->type = OstrelFieldRecord::FieldType(type);
        f->bitLen = len;
        f->bitOffset = offset;
        f->byteOrder = order;
        f->defaultValue = def;
        return p.insertField(f);
    }
};

void attach(OstrelTableRecord &rec, Packet &pkt)
{
    rec.packet = &pkt.p;
    rec.packetHeader.copyHeader(&pkt.p);
    rec.initFieldValues();
}

void setMessage(OstrelTableRecord &rec, const QByteArray &bytes, int length)
{
    rec.deleteOstrelMessage();
    rec.data = bytes;
    rec.message.length = uint16_t(length);
}

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

QByteArray messageBytes(const OstrelTableRecord &rec)
{
    if (!rec.message.data)
        return QByteArray();
    return QByteArray(reinterpret_cast<const char *>(rec.message.data), rec.message.length);
}

} // namespace

class TestOstrelTableRecord : public QObject
{
    Q_OBJECT
private slots:
    void decode_data();
    void decode();
    void decodeKeepsWhatItCannotRead();
    void encode_data();
    void encode();
    void encodeFileField();
    void encodeUnknownFieldLeavesNoBuffer();
    void roundTrip_data();
    void roundTrip();
    void expandAndCompress();
    void fromMessageTextAndCopy();
    void statusTexts();
    void fieldValuesKeepKeyOrder();
};

void TestOstrelTableRecord::decode_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("len");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("order");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("length"); // message length; -1: the byte count
    QTest::addColumn<QVariant>("expected");

    const int INT_MIN32 = std::numeric_limits<qint32>::min();
    QTest::newRow("uint16 LE at 8")
        << UInt << 16 << 8 << LE << hex("003412") << -1 << QVariant(0x1234u);
    QTest::newRow("uint16 BE at 8")
        << UInt << 16 << 8 << BE << hex("003412") << -1 << QVariant(0x3412u);
    QTest::newRow("uint40 LE first four bytes")
        << UInt << 40 << 0 << LE << hex("0102030405") << -1 << QVariant(0x04030201u);
    QTest::newRow("uint40 BE first four bytes")
        << UInt << 40 << 0 << BE << hex("0102030405") << -1 << QVariant(0x01020304u);
    QTest::newRow("int3 101") << Int << 3 << 0 << LE << hex("a0") << -1 << QVariant(-3);
    QTest::newRow("int16 LE feff") << Int << 16 << 0 << LE << hex("feff") << -1 << QVariant(-2);
    QTest::newRow("int32 LE min") << Int << 32 << 0 << LE << hex("00000080") << -1
                                  << QVariant(INT_MIN32);
    QTest::newRow("int32 BE min") << Int << 32 << 0 << BE << hex("80000000") << -1
                                  << QVariant(INT_MIN32);
    QTest::newRow("int width 0") << Int << 0 << 0 << LE << hex("ff") << -1 << QVariant(0);
    QTest::newRow("int40 LE") << Int << 40 << 0 << LE << hex("ffffffff00") << -1 << QVariant(-1);
    QTest::newRow("uint3 at 5") << UInt << 3 << 5 << LE << hex("05") << -1 << QVariant(5u);
    QTest::newRow("uint4 across bytes")
        << UInt << 4 << 6 << LE << hex("03c0") << -1 << QVariant(15u);
    QTest::newRow("int12 BE -2048") << Int << 12 << 4 << BE << hex("0800") << -1 << QVariant(-2048);
    QTest::newRow("uint16 LE unaligned")
        << UInt << 16 << 4 << LE << hex("0341f0") << -1 << QVariant(0x1f34u);
    QTest::newRow("float32 BE") << Float << 32 << 0 << BE << hex("3fc00000") << -1
                                << QVariant(1.5f);
    QTest::newRow("float16") << Float << 16 << 0 << LE << hex("3c00") << -1 << QVariant(0.0f);
    QTest::newRow("double32") << Double << 32 << 0 << LE << hex("0000f03f") << -1 << QVariant(0.0);
    QTest::newRow("double64 BE ignores order")
        << Double << 64 << 0 << BE << hex("000000000000f03f") << -1 << QVariant(1.0);
    QTest::newRow("bit at 9") << Bit << 1 << 9 << LE << hex("0040") << -1 << QVariant(true);
    QTest::newRow("data16 at 4") << Data << 16 << 4 << LE << hex("0abcd0") << -1
                                 << QVariant(hex("abcd"));
    QTest::newRow("string16") << String << 16 << 8 << LE << QByteArray("xhi") << -1
                              << QVariant(QByteArray("hi"));
    // fields running past the data: the bits that exist, the rest zero
    QTest::newRow("uint16 BE past end")
        << UInt << 16 << 8 << BE << hex("0034") << -1 << QVariant(0x3400u);
    QTest::newRow("float32 BE past end")
        << Float << 32 << 0 << BE << hex("3fc000") << -1 << QVariant(1.5f);
    QTest::newRow("data past end")
        << Data << 32 << 8 << LE << hex("00aabb") << -1 << QVariant(hex("aabb"));
    QTest::newRow("field beyond data") << UInt << 8 << 64 << LE << hex("ff") << -1 << QVariant(0u);
    QTest::newRow("negative offset") << UInt << 8 << -4 << LE << hex("ff") << -1 << QVariant(0x0fu);
    // only the first `length` bytes count; fewer bytes than the length: none
    QTest::newRow("length cuts the stream")
        << UInt << 16 << 0 << BE << hex("12ff") << 1 << QVariant(0x1200u);
    QTest::newRow("message shorter than length")
        << UInt << 8 << 0 << LE << hex("ff") << 2 << QVariant(0u);
    QTest::newRow("data of short message")
        << Data << 8 << 0 << LE << hex("ff") << 2 << QVariant(QByteArray());
}

void TestOstrelTableRecord::decode()
{
    QFETCH(int, type);
    QFETCH(int, len);
    QFETCH(int, offset);
    QFETCH(int, order);
    QFETCH(QByteArray, bytes);
    QFETCH(int, length);
    QFETCH(QVariant, expected);

    Packet pkt;
    pkt.add(type, len, offset, order, QVariant(QStringLiteral("untouched")));
    OstrelTableRecord rec;
    attach(rec, pkt);
    setMessage(rec, bytes, length < 0 ? bytes.size() : length);
    rec.message.msg_id = 0x123;
    rec.message.src = 7;
    rec.message.dst = 1;
    rec.decomposeOstrelMessage();

    const QVariant value = rec.fieldValues.value(1);
    QCOMPARE(value.userType(), expected.userType());
    QCOMPARE(value, expected);
    QCOMPARE(rec.packetHeader.id, 0x123u);
    QCOMPARE(rec.packetHeader.dataLen, length < 0 ? bytes.size() : length);
    QCOMPARE(rec.src, 7u);
    QCOMPARE(rec.dst, 1u);
}

void TestOstrelTableRecord::decodeKeepsWhatItCannotRead()
{
    Packet pkt;
    pkt.add(UInt, 8, 0, LE, QVariant(42u));
    pkt.add(UInt, 8, 8);
    OstrelTableRecord rec;
    attach(rec, pkt);
    setMessage(rec, hex("ff"), 0); // length 0: the defaults stay
    rec.decomposeOstrelMessage();
    QCOMPARE(rec.fieldValues.value(1), QVariant(42u));

    // A value without a field stops the decoding there and survives.
    rec.fieldValues.insert(3, QVariant(QStringLiteral("stray")));
    rec.fieldValues.insert(4, QVariant(QStringLiteral("after")));
    setMessage(rec, hex("0102ff"), 3);
    QTest::ignoreMessage(QtCriticalMsg, "field not found in packet description!");
    rec.decomposeOstrelMessage();
    QCOMPARE(rec.fieldValues.values(), (QVariantList{1u, 2u, "stray", "after"}));

    OstrelTableRecord bare; // no description at all
    bare.fieldValues.insert(1, QVariant(5));
    setMessage(bare, hex("ff"), 1);
    QTest::ignoreMessage(QtCriticalMsg, "field not found in packet description!");
    bare.decomposeOstrelMessage();
    QCOMPARE(bare.fieldValues.value(1), QVariant(5));
}

void TestOstrelTableRecord::encode_data()
{
    // Fields as "type:len:order:offset" joined by spaces, values in order.
    QTest::addColumn<QString>("fields");
    QTest::addColumn<QVariantList>("values");
    QTest::addColumn<int>("dataLen");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("back to back, offsets ignored")
        << "1:8:1:40 1:16:1:3 1:8:1:0" << QVariantList{1u, 0x0203u, 4u} << 4 << hex("01030204");
    QTest::newRow("int16 LE -2") << "0:16:1:0" << QVariantList{-2} << 2 << hex("feff");
    QTest::newRow("int32 BE min") << "0:32:0:0" << QVariantList{std::numeric_limits<qint32>::min()}
                                  << 4 << hex("80000000");
    QTest::newRow("small fields ignore order")
        << "1:3:0:0 0:5:1:0" << QVariantList{5u, -1} << 1 << hex("bf");
    QTest::newRow("uint12 BE") << "1:12:0:0 1:4:1:0" << QVariantList{0xabcu, 0xfu} << 2
                               << hex("abcf");
    QTest::newRow("float32 BE") << "2:32:0:0" << QVariantList{1.5f} << 4 << hex("3fc00000");
    QTest::newRow("double ignores order")
        << "3:64:0:0" << QVariantList{1.0} << 8 << hex("000000000000f03f");
    QTest::newRow("string is room only")
        << "4:16:1:0 1:8:1:0" << QVariantList{QStringLiteral("hi"), 9u} << 3 << hex("000009");
    QTest::newRow("bit adds one bit")
        << "6:8:1:0 1:7:1:0" << QVariantList{true, 0x7fu} << 1 << hex("ff");
    QTest::newRow("data padded") << "5:32:1:0" << QVariantList{hex("aabb")} << 4 << hex("aabb0000");
    QTest::newRow("data cut") << "5:16:1:0" << QVariantList{hex("aabbcc")} << 2 << hex("aabb");
    QTest::newRow("stream shorter than length")
        << "1:8:1:0" << QVariantList{7u} << 3 << hex("070000");
    QTest::newRow("stream longer than length")
        << "1:16:0:0" << QVariantList{0x1234u} << 1 << hex("12");
    QTest::newRow("trailing bit") << "1:8:1:0 6:1:1:8" << QVariantList{1u, true} << 2
                                  << hex("0180");
    // A stream of at most 8 bits goes out as one byte, right-aligned.
    QTest::newRow("three bits, right-aligned")
        << "6:1:1:0 6:1:1:1 6:1:1:2" << QVariantList{true, false, true} << 1 << hex("05");
}

void TestOstrelTableRecord::encode()
{
    QFETCH(QString, fields);
    QFETCH(QVariantList, values);
    QFETCH(int, dataLen);
    QFETCH(QByteArray, expected);

    Packet pkt(dataLen);
    pkt.p.id = 0x380;
    for (const QString &f : fields.split(QLatin1Char(' '))) {
        const QStringList p = f.split(QLatin1Char(':'));
        pkt.add(p[0].toInt(), p[1].toInt(), p[3].toInt(), p[2].toInt());
    }
    OstrelTableRecord rec;
    attach(rec, pkt);
    rec.src = 1;
    rec.dst = 0x10007; // wider than the header: truncated to 16 bits
    for (int i = 0; i < values.size(); ++i)
        rec.fieldValues[unsigned(i + 1)] = values[i];
    rec.composeOstrelMessage();

    QCOMPARE(rec.message.msg_id, uint16_t(0x380));
    QCOMPARE(rec.message.src, uint16_t(1));
    QCOMPARE(rec.message.dst, uint16_t(7));
    QCOMPARE(int(rec.message.length), dataLen);
    QCOMPARE(messageBytes(rec), expected);
    QVERIFY(rec.data.startsWith(expected.left(qMin(expected.size(), rec.data.size()))));
}

void TestOstrelTableRecord::encodeFileField()
{
    QTemporaryDir dir;
    const QString small = dir.filePath(QStringLiteral("small.bin"));
    const QString big = dir.filePath(QStringLiteral("big.bin"));
    const QString missing = dir.filePath(QStringLiteral("missing.bin"));
    QFile f(small), g(big);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(hex("c0ffee")) == 3);
    QVERIFY(g.open(QIODevice::WriteOnly) && g.write(QByteArray(600, 'Z')) == 600);
    f.close();
    g.close();

    Packet pkt(2);
    pkt.add(UInt, 16, 0, BE);
    pkt.add(File, 0, 16);
    OstrelTableRecord rec;
    attach(rec, pkt);
    rec.fieldValues[1] = 0x0102u;
    rec.fieldValues[2] = small;
    QTest::ignoreMessage(QtDebugMsg,
                         qPrintable(QString("File %1 (size 3) added to ostrel message").arg(small)));
    rec.composeOstrelMessage();
    QCOMPARE(messageBytes(rec), hex("0102c0ffee"));

    // A file that does not open adds nothing and leaves the length alone.
    rec.fieldValues[2] = missing;
    QTest::ignoreMessage(QtCriticalMsg, qPrintable(QString("Can't open file %1").arg(missing)));
    rec.composeOstrelMessage();
    QCOMPARE(messageBytes(rec), hex("0102"));

    // One that would take the length past 65535 is refused: without the
    // check the length would wrap to 64 and cut the message.
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

void TestOstrelTableRecord::encodeUnknownFieldLeavesNoBuffer()
{
    Packet pkt(2);
    pkt.add(UInt, 8, 0);
    OstrelTableRecord rec;
    attach(rec, pkt);
    rec.fieldValues[1] = 1u;
    rec.fieldValues[5] = 2u;
    rec.composeOstrelMessage(); // first a buffer...
    QTest::ignoreMessage(QtCriticalMsg, "field not found in packet description!");
    rec.composeOstrelMessage();
    QVERIFY(!rec.message.data); // ...then none, and nothing leaks

    Packet empty(0);
    OstrelTableRecord zero;
    attach(zero, empty);
    zero.composeOstrelMessage();
    QCOMPARE(int(zero.message.length), 0);
    QVERIFY(!zero.message.data);
}

void TestOstrelTableRecord::roundTrip_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("order");
    QTest::addColumn<QList<int>>("widths");

    QList<int> all;
    for (int w = 1; w <= 32; ++w)
        all << w;
    QTest::newRow("uint LE") << UInt << LE << all;
    QTest::newRow("uint BE") << UInt << BE << all;
    QTest::newRow("int LE") << Int << LE << all;
    QTest::newRow("int BE") << Int << BE << all;
    QTest::newRow("float LE") << Float << LE << QList<int>{32};
    QTest::newRow("float BE") << Float << BE << QList<int>{32};
    QTest::newRow("double LE") << Double << LE << QList<int>{64};
    QTest::newRow("double BE") << Double << BE << QList<int>{64};
    QTest::newRow("data") << Data << LE << QList<int>{8, 16, 24, 40, 64};
    QTest::newRow("bit") << Bit << LE << QList<int>{1};
}

void TestOstrelTableRecord::roundTrip()
{
    QFETCH(int, type);
    QFETCH(int, order);
    QFETCH(QList<int>, widths);

    for (int w : widths) {
        QVariantList values;
        switch (type) {
        case UInt: {
            const quint32 max = w == 32 ? 0xffffffffu : ((1u << w) - 1);
            values << 0u << 1u << max << (max >> 1) + 1 << (0xa5a5a5a5u & max);
            break;
        }
        case Int: {
            const qint64 max = (qint64(1) << (w - 1)) - 1;
            values << 0 << int(max) << int(-max - 1) << -1;
            break;
        }
        case Float:
            values << 1.5f << -2.25e-7f << std::numeric_limits<float>::max();
            break;
        case Double:
            values << 3.141592653589793 << -1e300;
            break;
        case Data:
            values << QByteArray::fromHex("a1b2c3d4e5f60718").left(w / 8);
            break;
        default:
            values << true << false;
        }
        for (const QVariant &v : values) {
            // The field sits between two odd-sized neighbours, so its bits
            // never start on a byte boundary.
            const int total = 3 + w + 5;
            Packet pkt((total + 7) / 8);
            pkt.add(UInt, 3, 0);
            pkt.add(type, w, 3, order);
            pkt.add(UInt, 5, 3 + w);
            OstrelTableRecord rec;
            attach(rec, pkt);
            rec.fieldValues[1] = 5u;
            rec.fieldValues[2] = v;
            rec.fieldValues[3] = 0x11u;
            rec.composeOstrelMessage();
            rec.fieldValues[1] = QVariant();
            rec.fieldValues[2] = QVariant();
            rec.fieldValues[3] = QVariant();
            rec.decomposeOstrelMessage();
            const QString where = QStringLiteral("width %1 value %2").arg(w).arg(v.toString());
            QVERIFY2(
                rec.fieldValues.value(2) == v,
                qPrintable(where + QStringLiteral(" gave ") + rec.fieldValues.value(2).toString()));
            QVERIFY2(rec.fieldValues.value(1) == QVariant(5u), qPrintable(where));
            QVERIFY2(rec.fieldValues.value(3) == QVariant(0x11u), qPrintable(where));
        }
    }
}

void TestOstrelTableRecord::expandAndCompress()
{
    QByteArray in = hex("a5c3");
    QByteArray out;
    OstrelTableRecord::expandBit2ByteData(&out, &in, 12, 0);
    // whole byte first, then the four lowest bits of the next byte
    const char bits12[] = {1, 0, 1, 0, 0, 1, 0, 1, 0, 0, 1, 1};
    QCOMPARE(out, QByteArray(bits12, 12));

    // A partial final byte still needs its byte: nothing is read past the end.
    QByteArray one = hex("ff");
    out.clear();
    OstrelTableRecord::expandBit2ByteData(&out, &one, 12, 0);
    QVERIFY(out.isEmpty());

    // A start beyond the input is clamped to its end.
    out.clear();
    OstrelTableRecord::expandBit2ByteData(&out, &one, 3, 100);
    QCOMPARE(out, QByteArray("\x01\x01\x01", 3));
    // Fewer whole bytes than count/8: nothing, whatever the start.
    out.clear();
    OstrelTableRecord::expandBit2ByteData(&out, &one, 16, 8);
    QVERIFY(out.isEmpty());
    out.clear();
    QByteArray two = hex("0f80");
    OstrelTableRecord::expandBit2ByteData(&out, &two, 4, 6);
    QCOMPARE(out, QByteArray("\x00\x00\x01\x01", 4));

    QByteArray packed;
    QByteArray bits(bits12, 12);
    OstrelTableRecord::compressByte2BitData(&packed, &bits, 12, false);
    QCOMPARE(packed, hex("a503"));
    packed.clear();
    OstrelTableRecord::compressByte2BitData(&packed, &bits, 12, true);
    QCOMPARE(packed, hex("a530"));
    packed.clear();
    OstrelTableRecord::compressByte2BitData(&packed, &bits, 3, false);
    QCOMPARE(packed, hex("05"));
    packed.clear();
    OstrelTableRecord::compressByte2BitData(&packed, &bits, 13, false); // more than there is
    QVERIFY(packed.isEmpty());

    QByteArray abc("abc");
    QCOMPARE(OstrelTableRecord::swapBytesInQByteArray(&abc), QByteArray("cba"));
}

void TestOstrelTableRecord::fromMessageTextAndCopy()
{
    RecFixture fx;
    QVERIFY(fx.isValid());
    qputenv("USER", "operator1");

    OstrelTableRecord rec;
    rec.message = {0x480, 7, 1, 4, new uint8_t[4]{0x34, 0x12, 0xff, 0xfe}};
    rec.data = hex("3412fffe");
    rec.fillFromOstrelMsg(fx.tree);
    QVERIFY(rec.packet && rec.treeItem);
    QCOMPARE(rec.packetHeader.name, QStringLiteral("state"));
    QCOMPARE(rec.fieldValues.values(), (QVariantList{0x1234u, -2}));
    QCOMPARE(rec.direction, unsigned(OstrelTableRecord::In));
    QCOMPARE(rec.status, unsigned(OstrelTableRecord::Received));
    QCOMPARE(rec.created.timeSpec(), Qt::UTC);
    QCOMPARE(rec.createdBy, QStringLiteral("operator1"));
    qunsetenv("USER");

    // No description: kept as a plain received message with its own header,
    // and so is its copy.
    OstrelTableRecord unknown;
    unknown.message = {0x999, 7, 1, 1, new uint8_t[1]{0}};
    unknown.data = hex("00");
    unknown.fillFromOstrelMsg(fx.tree);
    QVERIFY(!unknown.packet && !unknown.treeItem);
    QCOMPARE(unknown.packetHeader.id, 0x999u);
    QCOMPARE(unknown.status, unsigned(OstrelTableRecord::Received));
    OstrelTableRecord unknownCopy;
    unknownCopy.copyFromPacketTable(&unknown);
    QCOMPARE(unknownCopy.packetHeader.id, 0x999u);
    QCOMPARE(unknownCopy.packetHeader.dataLen, 1);

    // The command text line: looked up by the receiver, edited, composed.
    const QString line = QStringLiteral("SRC=0X1, DST=0X7, MSGID=0X380, DLEN=0X4, data:01000000");
    auto *cmd = new OstrelTableRecord;
    QVERIFY(cmd->fromStr(line, fx.tree));
    QCOMPARE(cmd->packetHeader.name, QStringLiteral("set_ports"));
    QCOMPARE(cmd->fieldValues.value(1), QVariant(1u));
    QCOMPARE(cmd->direction, unsigned(OstrelTableRecord::Out));
    QCOMPARE(cmd->toStr(), line);
    cmd->fieldValues[1] = 0x80000001u;
    cmd->composeOstrelMessage();
    QCOMPARE(cmd->toStr(), QStringLiteral("SRC=0X1, DST=0X7, MSGID=0X380, DLEN=0X4, data:01000080"));
    QVERIFY(!cmd->fromStr(QStringLiteral("SRC=0X1, DST=0X7, DLEN=0X0"), fx.tree));
    QVERIFY(cmd->fromStr(line, fx.tree)); // replaces the buffer: the sanitizer sees a leak otherwise

    // A copy owns its own buffer and outlives the original.
    cmd->recordId = 17;
    cmd->timeToSend = 30;
    OstrelTableRecord copy;
    copy.copyFromPacketTable(cmd);
    QCOMPARE(copy.recordId, 0u);
    QCOMPARE(copy.timeToSend, 30u);
    QVERIFY(copy.message.data != cmd->message.data);
    delete cmd;
    QCOMPARE(messageBytes(copy), hex("01000000"));
}

void TestOstrelTableRecord::statusTexts()
{
    QStringList texts;
    for (unsigned int i = 0; i <= 7; ++i)
        texts << OstrelTableRecord::statusToStr(i);
    QCOMPARE(texts, (QStringList{"New", "Ready", "Sending", "Sent", "Error tx", "Received",
                                 "Error rx", "UNKNOWN"}));
}

void TestOstrelTableRecord::fieldValuesKeepKeyOrder()
{
    OstrelFieldValues v;
    v.insert(5, 50);
    v.insert(2, 20);
    v[9] = 90;
    v.insert(2, 21); // replaces
    const OstrelFieldValues &cv = v;
    QVERIFY(!cv[3].isValid());
    QCOMPARE(v.keys(), (QList<unsigned int>{2, 5, 9})); // a const read inserts nothing
    QCOMPARE(v.values(), (QVariantList{21, 50, 90}));
    QMap<unsigned int, QVariant> map = v;
    map.insert(1, 10);
    QCOMPARE(OstrelFieldValues(map).firstKey(), 1u);
    v.erase(v.find(5));
    QCOMPARE(v.take(9), QVariant(90));
    QCOMPARE(v.keys(), QList<unsigned int>{2});
}

QTEST_GUILESS_MAIN(TestOstrelTableRecord)
#include "tst_ostreltablerecord.moc"
