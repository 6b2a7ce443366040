#include "ostreldatamodel.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QtTest>

#include <climits>
#include <cstdio>
#include <functional>
#include <unistd.h>

Q_DECLARE_METATYPE(OstrelFieldRecord::FieldType)

namespace {

// The readers print their file-level messages on standard output; this
// runs `fn` with file descriptor 1 redirected into a temporary file.
QString captureStdout(const std::function<void()> &fn)
{
    QTemporaryFile tmp;
    if (!tmp.open())
        return QStringLiteral("<capture failed>");
    fflush(stdout);
    const int saved = dup(1);
    dup2(tmp.handle(), 1);
    fn();
    fflush(stdout);
    dup2(saved, 1);
    close(saved);
    tmp.seek(0);
    return QString::fromUtf8(tmp.readAll());
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(content) == content.size();
}

QByteArray field(const char *type, const char *name, const char *value = "0", const char *extra = "")
{
    return QByteArray("<Field><FldType>") + type + "</FldType><FldOffset>0</FldOffset><FldLen>8</FldLen>"
           + "<FldName>" + name + "</FldName><FldValue>" + value + "</FldValue>" + extra + "</Field>";
}

QByteArray packet(const char *type, const char *id, const char *name, const QByteArray &fields = QByteArray())
{
    return QByteArray("<Packet><PacType>") + type + "</PacType><PacId>" + id + "</PacId><PacName>" + name
           + "</PacName><PacDesc>d " + name + "</PacDesc><DataLen>4</DataLen>" + fields + "</Packet>";
}

QByteArray deviceBody(const char *model, const QByteArray &body)
{
    return QByteArray("<Device><DevModel>") + model + "</DevModel>" + body + "</Device>\n";
}

QByteArray device(const char *model, const QByteArray &body)
{
    return "<?xml version=\"1.0\"?>\n" + deviceBody(model, body);
}

QByteArray devices(const QByteArray &bodies)
{
    return "<?xml version=\"1.0\"?>\n<Devices>" + bodies + "</Devices>\n";
}

QStringList packetNames(OstrelDataModel &m)
{
    QStringList names;
    for (OstrelPacketRecord *p : qAsConst(m.packets))
        names << p->devModel + ":" + p->name;
    return names;
}

} // namespace

class TestOstrelDataModel : public QObject
{
    Q_OBJECT

private slots:
    void valToStr_data();
    void valToStr();
    void valFromStr_data();
    void valFromStr();
    void roundTrip_data();
    void roundTrip();
    void type2str();

    void readPacketsAndFields();
    void dropRules_data();
    void dropRules();
    void duplicatesPerFile();
    void badDefaultsAndLimits();
    void memoryDescriptions();
    void fileLevelMessages();
    void errorInsideMemoryElements_data();
    void errorInsideMemoryElements();
    void numbersAre32Bit();
    void loadDirectoryOrder();
    void malformedNesting_data();
    void malformedNesting();
    void flatReading();
    void packetWalksByModel();

private:
    QTemporaryDir dir;
    QString write(const QString &name, const QByteArray &content)
    {
        const QString path = dir.filePath(name);
        if (!writeFile(path, content))
            qFatal("cannot write fixture %s", qPrintable(path));
        return path;
    }
};

void TestOstrelDataModel::valToStr_data()
{
    QTest::addColumn<OstrelFieldRecord::FieldType>("type");
    QTest::addColumn<QString>("defaultText");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("expected");

    const auto I = OstrelFieldRecord::TypeInt;
    const auto U = OstrelFieldRecord::TypeUInt;
    QTest::newRow("int hex -1") << I << "0x10" << QVariant(-1) << "-0x1";
    QTest::newRow("int hex min") << I << "0X10" << QVariant(INT_MIN) << "-0x80000000";
    QTest::newRow("uint hex all ones") << U << "0x10" << QVariant(0xffffffffu) << "0xffffffff";
    QTest::newRow("uint hex from int bits") << U << "0x10" << QVariant(-1) << "0xffffffff";
    QTest::newRow("uint dec large") << U << "0" << QVariant(4000000000u) << "4000000000";
    QTest::newRow("uint dec from int bits") << U << "0" << QVariant(int(-294967296)) << "4000000000";
    QTest::newRow("invalid gives default") << I << "0X1F" << QVariant() << "0X1F";
    QTest::newRow("float third") << OstrelFieldRecord::TypeFloat << "" << QVariant(1.0f / 3.0f) << "0.333333";
    QTest::newRow("double") << OstrelFieldRecord::TypeDouble << "" << QVariant(1234567.0) << "1.23457e+06";
    QTest::newRow("data") << OstrelFieldRecord::TypeData << "" << QVariant(QByteArray("\x01\xab", 2)) << "0x01ab";
    QTest::newRow("bit true") << OstrelFieldRecord::TypeBit << "" << QVariant(true) << "1";
    QTest::newRow("string") << OstrelFieldRecord::TypeString << "" << QVariant(QStringLiteral("a b")) << "a b";
    QTest::newRow("unknown type as data") << OstrelFieldRecord::FieldType(9) << ""
                                          << QVariant(QByteArray("\x10", 1)) << "0x10";
}

void TestOstrelDataModel::valToStr()
{
    QFETCH(OstrelFieldRecord::FieldType, type);
    QFETCH(QString, defaultText);
    QFETCH(QVariant, value);
    QFETCH(QString, expected);
    OstrelFieldRecord f;
    f.type = type;
    f.defaultText = defaultText;
    f.isHex = defaultText.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? 1 : 0;
    QCOMPARE(f.valToStr(value), expected);
}

void TestOstrelDataModel::valFromStr_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<OstrelFieldRecord::FieldType>("type");
    QTest::addColumn<QVariant>("expected");
    QTest::addColumn<bool>("ok");

    const auto I = OstrelFieldRecord::TypeInt;
    const auto U = OstrelFieldRecord::TypeUInt;
    QTest::newRow("int hex") << "0x1F" << I << QVariant(31) << true;
    QTest::newRow("int bad") << "abc" << I << QVariant(0) << false;
    QTest::newRow("int trailing junk") << "12a" << I << QVariant(0) << false;
    QTest::newRow("uint large") << "4000000000" << U << QVariant(4000000000u) << true;
    QTest::newRow("uint hex max") << "0xffffffff" << U << QVariant(0xffffffffu) << true;
    QTest::newRow("float") << "1.5" << OstrelFieldRecord::TypeFloat << QVariant(1.5f) << true;
    QTest::newRow("double") << "-2.25e3" << OstrelFieldRecord::TypeDouble << QVariant(-2250.0) << true;
    QTest::newRow("string") << " x " << OstrelFieldRecord::TypeString << QVariant(QStringLiteral(" x ")) << true;
    QTest::newRow("data prefixed") << "0x01ab" << OstrelFieldRecord::TypeData
                                   << QVariant(QByteArray("\x01\xab", 2)) << true;
    QTest::newRow("data upper prefix") << "0X0a" << OstrelFieldRecord::TypeData << QVariant(QByteArray("\x0a", 1))
                                       << true;
    QTest::newRow("data prefix only") << "0x" << OstrelFieldRecord::TypeData << QVariant(QByteArray()) << true;
    QTest::newRow("bit two") << "2" << OstrelFieldRecord::TypeBit << QVariant(true) << true;
    QTest::newRow("bit bad") << "yes" << OstrelFieldRecord::TypeBit << QVariant(false) << false;
    QTest::newRow("unknown type") << "x" << OstrelFieldRecord::FieldType(9) << QVariant(QStringLiteral("x"))
                                  << false;
}

void TestOstrelDataModel::valFromStr()
{
    QFETCH(QString, text);
    QFETCH(OstrelFieldRecord::FieldType, type);
    QFETCH(QVariant, expected);
    QFETCH(bool, ok);
    bool good = !ok;
    const QVariant v = OstrelFieldRecord::valFromStr(text, type, &good);
    QCOMPARE(good, ok);
    QCOMPARE(v.userType(), expected.userType());
    QCOMPARE(v, expected);
    // The flag pointer is optional.
    QCOMPARE(OstrelFieldRecord::valFromStr(text, type, nullptr), expected);
}

void TestOstrelDataModel::roundTrip_data()
{
    QTest::addColumn<OstrelFieldRecord::FieldType>("type");
    QTest::addColumn<QString>("defaultText");
    QTest::addColumn<QVariant>("value");

    QTest::newRow("int hex negative") << OstrelFieldRecord::TypeInt << "0x0" << QVariant(-300);
    QTest::newRow("int hex most negative")
        << OstrelFieldRecord::TypeInt << "0x0" << QVariant(INT_MIN);
    QTest::newRow("uint dec") << OstrelFieldRecord::TypeUInt << "0" << QVariant(4000000000u);
    QTest::newRow("uint hex") << OstrelFieldRecord::TypeUInt << "0x0" << QVariant(0xdeadbeefu);
    QTest::newRow("double") << OstrelFieldRecord::TypeDouble << "" << QVariant(-12.5);
    QTest::newRow("string") << OstrelFieldRecord::TypeString << "" << QVariant(QStringLiteral("0xnot hex"));
    QTest::newRow("data") << OstrelFieldRecord::TypeData << "" << QVariant(QByteArray("\x00\x01\xff", 3));
    QTest::newRow("data leading zero") << OstrelFieldRecord::TypeData << "" << QVariant(QByteArray("\x00", 1));
}

void TestOstrelDataModel::roundTrip()
{
    QFETCH(OstrelFieldRecord::FieldType, type);
    QFETCH(QString, defaultText);
    QFETCH(QVariant, value);
    OstrelFieldRecord f;
    f.type = type;
    f.defaultText = defaultText;
    f.isHex = defaultText.startsWith(QLatin1String("0x")) ? 1 : 0;
    bool ok = false;
    const QVariant back = OstrelFieldRecord::valFromStr(f.valToStr(value), type, &ok);
    QVERIFY(ok);
    QCOMPARE(back, value);
    QCOMPARE(f.valToStr(back), f.valToStr(value));
}

void TestOstrelDataModel::type2str()
{
    QStringList names;
    OstrelFieldRecord f;
    for (int t = 0; t <= 8; ++t) {
        f.type = OstrelFieldRecord::FieldType(t);
        names << f.type2str();
    }
    QCOMPARE(names, (QStringList{"Integer", "Integer unsigned", "Float", "Double", "String",
                                 "Hex data", "Bit", "File", "(Unknown)"}));
    // Names in the debug dump are data, not patterns.
    f.type = OstrelFieldRecord::TypeData;
    f.name = "a%2";
    f.bitOffset = 7;
    QCOMPARE(f.toString(), QStringLiteral("   Field: 5 a%2 7 a%2\n"));
}

void TestOstrelDataModel::readPacketsAndFields()
{
    // The root element need not be Device, and texts may repeat.
    const QByteArray xml =
        "<Root><Device><DevModel>psu</DevModel><DevModel>1</DevModel>"
        "<Packet><PacType>command</PacType><PacId>010</PacId><PacName>Set</PacName><PacName>Out</PacName>"
        "<PacDesc>switch</PacDesc><DataLen>0x6</DataLen>"
        "<Field><FldType>uint</FldType><FldOffset>3</FldOffset><FldLen>13</FldLen><FldByteOrder>BE</FldByteOrder>"
        "<FldEdit>yes</FldEdit><FldName>mask</FldName><FldDesc>bits</FldDesc><FldValue>0xFF</FldValue>"
        "<Limit><LimType>&lt;=</LimType><LimAction>deny</LimAction><LimDesc>max</LimDesc><LimValue>0x1fff</LimValue></Limit>"
        "<Limit><LimType>enum</LimType><LimAction>info</LimAction><LimValue>7</LimValue></Limit>"
        "</Field>"
        "<Field><FldType>string</FldType><FldOffset>16</FldOffset><FldLen>32</FldLen><FldEdit>NO</FldEdit>"
        "<FldName>label</FldName><FldValue/></Field>"
        "</Packet>"
        "<Packet><PacType>datain</PacType><PacId>0x2F1</PacId><PacName>Get</PacName></Packet>"
        "</Device></Root>";
    const QString path = write("read.xml", xml);
    OstrelDataModel m;
    QString p = path;
    QString out = captureStdout([&] { QCOMPARE(m.fromXMLFile(&p), 0); });
    QCOMPARE(out, QString());
    QCOMPARE(m.packets.size(), 2);

    OstrelPacketRecord *cmd = m.packets.value(1);
    QCOMPARE((QStringList{cmd->devModel, cmd->name, cmd->desc}),
             (QStringList{"psu1", "SetOut", "switch"}));
    QCOMPARE((QList<int>{int(cmd->type), int(cmd->id), cmd->dataLen, cmd->fields.size()}),
             (QList<int>{0, 8, 6, 2}));
    OstrelFieldRecord *mask = cmd->fields.value(1);
    QCOMPARE(mask->type, OstrelFieldRecord::TypeUInt);
    QCOMPARE((QList<int>{mask->bitOffset, mask->bitLen, mask->byteOrder, mask->isHex}),
             (QList<int>{3, 13, 0, 1}));
    QVERIFY(mask->editable); // anything but "NO" is editable
    QCOMPARE(mask->defaultValue, QVariant(255u));
    QCOMPARE(mask->valToStr(QVariant()), QStringLiteral("0xFF"));
    QCOMPARE(mask->limits.size(), 2);
    OstrelLimitRecord *max = mask->limits.value(1);
    QCOMPARE((QList<int>{int(max->type), int(max->action), int(mask->limits.value(2)->type)}),
             (QList<int>{4, 3, 6}));
    QCOMPARE(max->desc, QStringLiteral("max"));
    QCOMPARE(max->limitValue, QVariant(0x1fffu));
    OstrelFieldRecord *label = cmd->fields.value(2);
    QVERIFY(!label->editable);
    QCOMPARE(label->byteOrder, 1); // absent byte order reads as LE
    QCOMPARE(label->defaultValue, QVariant(QString()));
    QCOMPARE(m.packets.value(2)->type, 1u);
    QCOMPARE(m.packets.value(2)->id, 0x2f1u);
}

void TestOstrelDataModel::dropRules_data()
{
    QTest::addColumn<QByteArray>("middle");

    QTest::newRow("PacType capitalised") << packet("Command", "2", "mid");
    QTest::newRow("FldType unknown") << packet("command", "2", "mid", field("int", "a") + field("Int", "b"));
    QTest::newRow("byte order lower case")
        << packet("command", "2", "mid",
                  field("int", "a") + field("int", "b", "0", "<FldByteOrder>le</FldByteOrder>"));
    QTest::newRow("LimType unknown")
        << packet("command", "2", "mid",
                  field("int", "a", "0", "<Limit><LimType>=&gt;</LimType><LimAction>none</LimAction><LimValue>1</LimValue></Limit>"));
    QTest::newRow("LimAction unknown")
        << packet("command", "2", "mid",
                  field("int", "a", "0", "<Limit><LimType>=</LimType><LimAction>Warn</LimAction><LimValue>1</LimValue></Limit>"));
}

void TestOstrelDataModel::dropRules()
{
    QFETCH(QByteArray, middle);
    const QString path =
        write("drop.xml", device("m", packet("command", "1", "first", field("int", "a")) + middle
                                          + packet("datain", "3", "last", field("bit", "b"))));
    OstrelDataModel m;
    QString p = path;
    // Dropped silently: no message at all.
    const QString out = captureStdout([&] { QCOMPARE(m.fromXMLFile(&p), 0); });
    QCOMPARE(out, QString());
    QCOMPARE(packetNames(m), QStringList() << "m:first"
                                           << "m:last");
    QCOMPARE(m.packets.value(2)->packetNum, 2u);
}

void TestOstrelDataModel::duplicatesPerFile()
{
    const QByteArray body = packet("command", "0x10", "a") + packet("datain", "0x10", "b");
    const QString one = write("dup1.xml", device("M", body));
    const QString two = write("dup2.xml", device("M", packet("datain", "0x10", "c")));

    OstrelDataModel m;
    QString p = one;
    QTest::ignoreMessage(QtWarningMsg, "\"Packet 0x10 (b) for device M already exists, skip!\"");
    QCOMPARE(m.fromXMLFile(&p), 0);
    p = two;
    QCOMPARE(m.fromXMLFile(&p), 0);
    QCOMPARE(packetNames(m), QStringList() << "M:a"
                                           << "M:c");

    // Same id in another device model is another packet; the key covers the
    // low 16 bits of the id only.
    const QString three = write("dup3.xml", devices(deviceBody("M", packet("command", "0x10010", "x"))
                                                        + deviceBody("N", packet("command", "0x10", "y"))));
    OstrelDataModel m2;
    p = three;
    QCOMPARE(m2.fromXMLFile(&p), 0);
    QCOMPARE(packetNames(m2), QStringList() << "M:x"
                                            << "N:y");
}

void TestOstrelDataModel::badDefaultsAndLimits()
{
    const QByteArray fields =
        field("int", "i", "12a") + field("uint", "u", "-1") + field("bit", "b", "on") + field("string", "s", "12a")
        + field("float", "f", "1.5",
                "<Limit><LimType>&gt;</LimType><LimAction>warning</LimAction><LimDesc>low</LimDesc>"
                "<LimValue>cold</LimValue></Limit>");
    const QString path = write("bad.xml", device("m", packet("command", "1", "p", fields)));
    OstrelDataModel m;
    QString p = path;
    QTest::ignoreMessage(QtCriticalMsg, "\"field i has incompatible default value (12a) for type int\"");
    QTest::ignoreMessage(QtCriticalMsg, "\"field u has incompatible default value (-1) for type int\"");
    QTest::ignoreMessage(QtCriticalMsg, "\"field b has incompatible default value (on) for type bool\"");
    QTest::ignoreMessage(QtCriticalMsg, "\"Limit low for field f has incompatible value (cold) for type float\"");
    QCOMPARE(m.fromXMLFile(&p), 0);
    QCOMPARE(m.packets.size(), 1);
    OstrelPacketRecord *pk = m.packets.first();
    QCOMPARE(pk->fields.size(), 5); // kept with the value the conversion gave
    QCOMPARE(pk->fields.value(1)->defaultValue, QVariant(0));
    QCOMPARE(pk->fields.value(3)->defaultValue, QVariant(false));
    QCOMPARE(pk->fields.value(4)->defaultValue, QVariant(QStringLiteral("12a")));
    QCOMPARE(pk->fields.value(5)->limits.size(), 1);
    QCOMPARE(pk->fields.value(5)->limits.first()->limitValue, QVariant(0.0f));
}

void TestOstrelDataModel::memoryDescriptions()
{
    const QByteArray body =
        "<MemoryBlock><MemName>flash</MemName><MemDesc>main</MemDesc><MemAddr>0x08000000</MemAddr>"
        "<MemSize>0x20000</MemSize></MemoryBlock>"
        "<MemoryBlock><MemName>eeprom</MemName><MemAddr>0xFFFFFFFF</MemAddr><MemSize>256</MemSize></MemoryBlock>"
        "<MemoryAccess><EnterMemModeCmd>0xAAFF</EnterMemModeCmd><ExitMemModeCmd>0xAB00</ExitMemModeCmd>"
        "<WriteMemCmd>0xAB02</WriteMemCmd><WriteMemAddrFld>addr</WriteMemAddrFld>"
        "<WriteMemSizeFld>size</WriteMemSizeFld><WriteMemDataFld>data</WriteMemDataFld>"
        "<FWUpdateCmd>0xAB04</FWUpdateCmd><FWUpdAddrFld>a</FWUpdAddrFld><FWUpdSizeFld>s</FWUpdSizeFld>"
        "<FWUpdCrc32Fld>crc</FWUpdCrc32Fld><WriteMemBlockSz>64</WriteMemBlockSz>"
        "<WriteMemPause>10</WriteMemPause><DefaultWriteMem>fw.bin</DefaultWriteMem></MemoryAccess>"
        // An unlisted child ends the block early: its later children are
        // ignored, and the token after the unlisted end tag is not acted on.
        "<MemoryBlock><MemName>ram</MemName><Other>x</Other><MemSize>5</MemSize></MemoryBlock>"
        + packet("command", "1", "after");
    QString p = write("mem.xml", device("boot", body));
    OstrelDataModel m;
    QCOMPARE(m.fromXMLFile(&p), 0);

    // Last read comes first, and the walk starts over after its end.
    QStringList blocks;
    for (OstrelMemoryDesc *d = m.nextMemoryDevModel("boot", true); d;
         d = m.nextMemoryDevModel("boot", false))
        blocks << QString("%1 %2 %3").arg(d->MemName).arg(d->MemAddr).arg(d->MemSize);
    QCOMPARE(blocks, (QStringList{"ram 0 0", "eeprom -1 256", "flash 134217728 131072"}));
    QVERIFY(m.nextMemoryDevModel("boot", false));
    QVERIFY(!m.nextMemoryDevModel("Boot", true));

    OstrelMemAccessDesc *a = m.nextMemAccessDevModel("boot", true);
    QVERIFY(a);
    QCOMPARE((QList<int>{a->EnterMemModeCmd, a->ExitMemModeCmd, a->WriteMemCmd, a->FWUpdateCmd,
                         a->WriteMemBlockSz, a->WriteMemPause}),
             (QList<int>{0xAAFF, 0xAB00, 0xAB02, 0xAB04, 64, 10}));
    QCOMPARE((QStringList{a->WriteMemDataFld, a->FWUpdCrc32Fld, a->DefaultWriteMem}),
             (QStringList{"data", "crc", "fw.bin"}));
    QVERIFY(!m.nextMemAccessDevModel("boot", false));
    QCOMPARE(packetNames(m), QStringList{"boot:after"});
    m.ReadMemoryBlockElement(nullptr, nullptr); // a null description reads nothing
}

void TestOstrelDataModel::fileLevelMessages()
{
    OstrelDataModel m;
    QString out = captureStdout([&] { QCOMPARE(m.fromXMLFile(nullptr), -10); });
    QCOMPARE(out, QStringLiteral("Usage: xmlstreamlint <path to XML file>\n"));

    QString missing = dir.filePath("nope.xml");
    out = captureStdout([&] { QCOMPARE(m.fromXMLFile(&missing), -20); });
    QCOMPARE(out, QStringLiteral("File %1 does not exist.\n").arg(missing));

    // A directory exists but does not open as a file.
    QString unreadable = dir.filePath("adir.xml");
    QVERIFY(QDir().mkpath(unreadable));
    out = captureStdout([&] { QCOMPARE(m.fromXMLFile(&unreadable), -20); });
    QCOMPARE(out, QStringLiteral("Failed to open file %1.\n").arg(unreadable));

    // Truncated after the first packet: that one stays.
    QByteArray whole = device("t", packet("command", "1", "kept") + packet("command", "2", "lost"));
    QString truncated = write("trunc.xml", whole.left(whole.indexOf("lost")));
    out = captureStdout([&] { QCOMPARE(m.fromXMLFile(&truncated), -30); });
    QVERIFY2(out.startsWith("Error: ") && out.contains(" in file " + truncated + " at line 2, column ")
                 && out.endsWith(".\n"),
             qPrintable(out));
    QCOMPARE(packetNames(m), QStringList() << "t:kept");

    QString broken = write("broken.xml", "<Device><Packet></Device>");
    out = captureStdout([&] { QCOMPARE(m.fromXMLFile(&broken), -30); });
    QVERIFY2(out.startsWith("Error: ") && out.contains("at line 1, column "), qPrintable(out));

    QString empty = write("empty.xml", "");
    out = captureStdout([&] { QCOMPARE(m.fromXMLFile(&empty), -30); });
    QVERIFY2(out.startsWith("Error: "), qPrintable(out));
    QCOMPARE(m.packets.size(), 1);

    QList<QString> list = {missing, dir.filePath("read.xml")};
    write("read.xml", device("L", packet("command", "1", "fromList")));
    out = captureStdout([&] { QCOMPARE(m.fromXMLFileList(&list), 0); });
    QCOMPARE(out, QStringLiteral("File %1 does not exist.\n").arg(missing));
    QCOMPARE(packetNames(m), QStringList() << "t:kept"
                                           << "L:fromList");
}

void TestOstrelDataModel::errorInsideMemoryElements_data()
{
    QTest::addColumn<QByteArray>("tail");
    QTest::addColumn<int>("blocks"); // memory blocks and access descriptions kept

    QTest::newRow("memory block cut off")
        << QByteArray("<MemoryBlock><MemName>flash</MemName><MemAddr>0x10") << 0;
    QTest::newRow("memory access cut off")
        << QByteArray("<MemoryAccess><WriteMemCmd>0xAB02</WriteMemCmd>") << 0;
    QTest::newRow("mismatched tag inside a block child")
        << QByteArray("<MemoryBlock><MemName>a<b></MemName></MemoryBlock></Device>") << 0;
    QTest::newRow("cut off right after the block")
        << QByteArray("<MemoryBlock><MemSize>4</MemSize></MemoryBlock>") << 1;
}

void TestOstrelDataModel::errorInsideMemoryElements()
{
    // A fault met while a memory element is read is a broken file like any
    // other: reported, -30, and what was complete before it stays.
    QFETCH(QByteArray, tail);
    const QString path =
        write("memcut.xml", "<?xml version=\"1.0\"?>\n<Device><DevModel>b</DevModel>" +
                                packet("command", "1", "kept") + "\n" + tail);
    OstrelDataModel m;
    QString p = path;
    const QString out = captureStdout([&] { QCOMPARE(m.fromXMLFile(&p), -30); });
    QVERIFY2(out.startsWith("Error: ") && out.contains(" in file " + path + " at line ") &&
                 out.endsWith(".\n"),
             qPrintable(out));
    QCOMPARE(packetNames(m), QStringList() << "b:kept");
    // A block cut short by the fault is not complete, so it is not kept.
    QFETCH(int, blocks);
    QCOMPARE(m.memoryDescs.size() + m.memAccessDescs.size(), blocks);
}

void TestOstrelDataModel::numbersAre32Bit()
{
    // A number that does not fit 32 bits does not read, and so gives 0
    // rather than its low bits (which could name a real packet id).
    const QByteArray body = packet("command", "0x100000380", "wide",
                                   "<Field><FldType>int</FldType><FldOffset>-99999999999</"
                                   "FldOffset><FldLen>4294967304</FldLen>"
                                   "<FldName>f</FldName><FldValue>0</FldValue></Field>") +
                            packet("command", "0xFFFFFFFF", "max") +
                            packet("command", "-1", "minusOne") +
                            "<MemoryBlock><MemName>m</MemName><MemAddr>0x1FFFFFFFF</"
                            "MemAddr><MemSize>-0x80000000</MemSize></MemoryBlock>";
    const QString path = write("wide.xml", device("w", body));
    OstrelDataModel m;
    QString p = path;
    QTest::ignoreMessage(QtWarningMsg,
                         "\"Packet 0xffffffff (minusOne) for device w already exists, skip!\"");
    QCOMPARE(m.fromXMLFile(&p), 0);
    QCOMPARE(packetNames(m), QStringList() << "w:wide"
                                           << "w:max");
    QCOMPARE(m.packets.value(1)->id, 0u);
    QCOMPARE(m.packets.value(1)->fields.value(1)->bitOffset, 0);
    QCOMPARE(m.packets.value(1)->fields.value(1)->bitLen, 0);
    QCOMPARE(m.packets.value(2)->id, 0xFFFFFFFFu);
    OstrelMemoryDesc *mem = m.nextMemoryDevModel("w", true);
    QVERIFY(mem);
    QCOMPARE(mem->MemAddr, 0);
    QCOMPARE(mem->MemSize, qint32(-0x7fffffff - 1));
}

void TestOstrelDataModel::loadDirectoryOrder()
{
    QTemporaryDir root;
    const QString devs = root.filePath("resources/devices/");
    QVERIFY(QDir().mkpath(devs + "sub.xml"));
    for (const char *name : {"b.xml", "A.xml", "C.XML", ".hidden.xml", "notes.txt"})
        QVERIFY(writeFile(devs + name, device(name, packet("command", "1", "p"))));
    const QString old = QDir::currentPath();
    QVERIFY(QDir::setCurrent(root.path()));
    OstrelDataModel m;
    const QString out = captureStdout([&] { m.loadDevXMLs(); });
    QDir::setCurrent(old);
    QCOMPARE(out, QString());
    QCOMPARE(packetNames(m), (QStringList{"A.xml:p", "b.xml:p", "C.XML:p"}));
}

void TestOstrelDataModel::malformedNesting_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QStringList>("packets");
    QTest::addColumn<int>("fieldsOfFirst");
    QTest::addColumn<QStringList>("warnings");

    QTest::newRow("field before packet")
        << device("m", field("int", "orphan") + "<Limit><LimType>=</LimType></Limit>" +
                           packet("command", "1", "p"))
        << QStringList{"m:p"} << 0 << QStringList();
    QTest::newRow("limit outside field")
        << device("m", packet("command", "1", "p",
                              "<Limit><LimType>=</LimType><LimValue>1</LimValue></Limit>" +
                                  field("int", "a")))
        << QStringList{"m:p"} << 1 << QStringList();
    QTest::newRow("field nested, end tag twice")
        << device("m", packet("command", "1", "p",
                              field("int", "a") + "<Field><FldName>outer</FldName>" +
                                  field("int", "b") + "</Field>"))
        << QStringList{"m:p"} << 2 << QStringList();
    QTest::newRow("nested packets")
        << QByteArray("<D><DevModel>m</DevModel><Packet><PacType>command</PacType><PacName>outer</"
                      "PacName>") +
               field("int", "a") + packet("command", "2", "inner", field("int", "b")) +
               "</Packet></D>"
        << QStringList{"m:inner"} << 1
        << QStringList{"\"Packet 0x2 (inner) for device m already exists, skip!\""};
    QTest::newRow("unclosed field and limit")
        << QByteArray(
               "<D><DevModel>m</DevModel><Packet><PacType>command</PacType><PacName>p</PacName>"
               "<Field><FldName>x</FldName><Limit><LimType>=</LimType><LimValue>0</LimValue>"
               "<Field><FldName>y</FldName></Field></Limit></Field></Packet></D>")
        << QStringList{"m:p"} << 1 << QStringList();
    QTest::newRow("leaves without records")
        << QByteArray(
               "<D><PacType>bogus</PacType><FldType>bogus</FldType><LimAction>bogus</LimAction>"
               "<PacName>x</PacName><FldName>y</FldName><LimDesc>z</LimDesc></D>")
        << QStringList{} << 0 << QStringList();
    QTest::newRow("huge and negative numbers")
        << device(
               "m",
               packet(
                   "command", "0x1FFFFFFFFF", "p",
                   "<Field><FldOffset>-99999999999</FldOffset><FldLen>0xFFFFFFFF</FldLen></Field>"))
        << QStringList{"m:p"} << 1 << QStringList();
    // Nesting is not checked: the packet, field and limit read last stay
    // current after their end tags, so what follows them still joins them.
    QTest::newRow("field after packet end joins it")
        << device("m", packet("command", "1", "p") + field("int", "late")) << QStringList{"m:p"}
        << 1 << QStringList();
    QTest::newRow("limit after field end joins it")
        << device("m", packet("command", "1", "p",
                              field("int", "a") +
                                  "<Limit><LimType>&gt;</LimType><LimAction>info</LimAction>"
                                  "<LimValue>3</LimValue></Limit>"))
        << QStringList{"m:p"} << 1 << QStringList();
    QTest::newRow("packet end tag twice")
        << QByteArray("<D><DevModel>m</DevModel><Packet><PacType>command</PacType><PacId>5</PacId>"
                      "<PacName>once</PacName><Packet><PacType>command</PacType><PacId>6</PacId>"
                      "<PacName>p</PacName></Packet></Packet></D>")
        << QStringList{"m:p"} << 0
        << QStringList{"\"Packet 0x6 (p) for device m already exists, skip!\""};
}

void TestOstrelDataModel::malformedNesting()
{
    QFETCH(QByteArray, xml);
    QFETCH(QStringList, packets);
    QFETCH(int, fieldsOfFirst);
    QFETCH(QStringList, warnings);
    QString path = write("malformed.xml", xml);
    OstrelDataModel m;
    for (const QString &w : qAsConst(warnings))
        QTest::ignoreMessage(QtWarningMsg, qPrintable(w));
    QCOMPARE(m.fromXMLFile(&path), 0);
    QCOMPARE(packetNames(m), packets);
    if (!packets.isEmpty()) {
        OstrelPacketRecord *first = m.packets.first();
        QCOMPARE(first->fields.size(), fieldsOfFirst);
        // Field numbers stay dense whatever was dropped on the way.
        quint32 n = 1;
        for (OstrelFieldRecord *f = first->nextField(true); f; f = first->nextField(false))
            QCOMPARE(f->fieldNum, n++);
    }
}

void TestOstrelDataModel::flatReading()
{
    // Elements written after the end tag of the record they belong to.
    const QByteArray xml =
        "<D><DevModel>m</DevModel>"
        "<Packet><PacType>command</PacType><PacId>0x10</PacId><PacName>p</PacName></Packet>"
        "<PacDesc>late</PacDesc>"
        "<Field><FldType>uint</FldType><FldLen>8</FldLen><FldName>f</FldName><FldValue>0x1</"
        "FldValue></Field>"
        "<Limit><LimType>&lt;</LimType><LimAction>warning</LimAction><LimValue>9</LimValue></Limit>"
        "<Packet><PacType>datain</PacType><PacId>0x11</PacId><PacName>q</PacName></Packet></D>";
    const QString path = write("flat.xml", xml);
    OstrelDataModel m;
    QString p = path;
    QCOMPARE(m.fromXMLFile(&p), 0);
    QCOMPARE(packetNames(m), QStringList() << "m:p"
                                           << "m:q");
    OstrelPacketRecord *first = m.packets.value(1);
    QCOMPARE(first->desc, QStringLiteral("late"));
    QCOMPARE(first->fields.size(), 1);
    OstrelFieldRecord *f = first->fields.value(1);
    QCOMPARE(f->name, QStringLiteral("f"));
    QCOMPARE(f->defaultValue, QVariant(1u));
    QCOMPARE(f->limits.size(), 1);
    QCOMPARE(f->limits.value(1)->type, 3u);
    QCOMPARE(f->limits.value(1)->limitValue, QVariant(9u));
    QVERIFY(m.packets.value(2)->fields.isEmpty());
}

void TestOstrelDataModel::packetWalksByModel()
{
    QString p = write("walk.xml", devices(deviceBody("x", packet("command", "1", "x1")) +
                                          deviceBody("", packet("command", "2", "e1")) +
                                          deviceBody("x", packet("command", "3", "x2")) +
                                          deviceBody("X", packet("command", "4", "X1"))));
    OstrelDataModel m;
    QCOMPARE(m.fromXMLFile(&p), 0);
    QString x = "x";
    QStringList walk;
    for (OstrelPacketRecord *pk = m.nextPacketDevModel(&x, true); pk;
         pk = m.nextPacketDevModel(&x, false))
        walk << pk->name;
    QCOMPARE(walk, (QStringList{"x1", "x2"}));
    QCOMPARE(m.nextPacketDevModel(&x, false)->name, QStringLiteral("x1")); // starts over
    QCOMPARE(m.nextPacketDevModel(nullptr, true)->name, QStringLiteral("e1"));
    QVERIFY(!m.nextPacketDevModel(nullptr, false));
}

QTEST_GUILESS_MAIN(TestOstrelDataModel)
#include "tst_ostreldatamodel.moc"
