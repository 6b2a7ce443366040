#include "ostreldatamodel.h"
#include "support_fixture.h"

#include <QtTest>

#include <climits>

using Fld = OstrelFieldRecord;

namespace
{

QByteArray field(const char *type, const char *name, const char *value = "0",
                 const char *extra = "")
{
    return QByteArray("<Field><FldType>") + type +
           "</FldType><FldOffset>0</FldOffset><FldLen>8</FldLen><FldName>" + name +
           "</FldName><FldValue>" + value + "</FldValue>" + extra + "</Field>";
}

QByteArray limit(const char *type, const char *action, const char *value = "1")
{
    return QByteArray("<Limit><LimType>") + type + "</LimType><LimAction>" + action +
           "</LimAction><LimDesc>low</LimDesc><LimValue>" + value + "</LimValue></Limit>";
}

QStringList packetNames(OstrelDataModel &m)
{
    QStringList names;
    for (OstrelPacketRecord *p : qAsConst(m.packets))
        names << p->devModel + ":" + p->name;
    return names;
}

QString limitText(const OstrelLimitRecord *l)
{
    return QStringLiteral("%1 %2 ").arg(l->type).arg(l->action) + l->desc + " " +
           l->limitValue.toString();
}

} // namespace

class TestOstrelDataModel : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString write(const QString &name, const QByteArray &content)
    {
        return fixtureFile(dir, name, content);
    }

private slots:
    void textForms()
    {
        const auto from = [](const QString &text, Fld::FieldType type, const QVariant &value,
                             bool good) {
            bool ok = !good;
            const QVariant v = Fld::valFromStr(text, type, &ok);
            QCOMPARE(v.userType(), value.userType());
            QCOMPARE(v, value);
            QCOMPARE(ok, good);
        };
        Fld hexInt, data;
        hexInt.type = Fld::TypeInt;
        hexInt.isHex = 1;
        data.type = Fld::TypeData;
        QCOMPARE(hexInt.valToStr(INT_MIN), QString("-0x80000000"));
        from("-0x80000000", Fld::TypeInt, INT_MIN, true);
        // A leading zero byte must survive the trip back through the "0x".
        const QByteArray bytes("\x00\x01\xff", 3);
        QCOMPARE(data.valToStr(bytes), QString("0x0001ff"));
        from("0x0001ff", Fld::TypeData, bytes, true);
        from("12a", Fld::TypeInt, 0, false);
        from("yes", Fld::TypeBit, false, false);
    }

    void readPacketsAndFields()
    {
        // The root element need not be Device, and texts may repeat.
        const QByteArray maskXml =
            "<Field><FldType>uint</FldType><FldOffset>3</FldOffset><FldLen>13</FldLen>"
            "<FldByteOrder>BE</FldByteOrder><FldEdit>yes</FldEdit><FldName>mask</FldName>"
            "<FldValue>0xFF</FldValue>" +
            limit("&lt;=", "deny", "0x1fff") + limit("enum", "info", "7") + "</Field>";
        const QByteArray labelXml = field("string", "label", "", "<FldEdit>NO</FldEdit>");
        QString p = write("read.xml", "<Root><Device><DevModel>psu</DevModel><DevModel>1</DevModel>"
                                      "<Packet><PacType>command</PacType><PacId>010</PacId>"
                                      "<PacName>Set</PacName><PacName>Out</PacName>"
                                      "<DataLen>0x6</DataLen>" +
                                          maskXml + labelXml + "</Packet>" +
                                          packet("datain", "0x2F1", "Get") + "</Device></Root>");
        OstrelDataModel m;
        QCOMPARE(captureStdout([&] { QCOMPARE(m.fromXMLFile(&p), 0); }), QString());
        QCOMPARE(packetNames(m), (QStringList{"psu1:SetOut", "psu1:Get"}));
        OstrelPacketRecord *cmd = m.packets.value(1);
        QCOMPARE((QList<int>{int(cmd->type), int(cmd->id), cmd->dataLen, cmd->fields.size()}),
                 (QList<int>{0, 8, 6, 2}));
        QCOMPARE(int(m.packets.value(2)->id), 0x2f1);
        Fld *mask = cmd->fields.value(1);
        QCOMPARE((QList<int>{int(mask->type), mask->bitOffset, mask->bitLen, mask->byteOrder,
                             mask->isHex, mask->editable}),
                 (QList<int>{Fld::TypeUInt, 3, 13, 0, 1, 1})); // anything but "NO" is editable
        QCOMPARE(mask->valToStr(QVariant()), QStringLiteral("0xFF"));
        QCOMPARE(limitText(mask->limits.value(1)) + "|" + limitText(mask->limits.value(2)),
                 QStringLiteral("4 3 low 8191|6 1 low 7"));
        QCOMPARE(cmd->fields.value(2)->editable, 0);
    }

    void dropRules_data()
    {
        QTest::addColumn<QByteArray>("middle");
        QTest::newRow("PacType capitalised") << packet("Command", "2", "mid");
        QTest::newRow("FldType unknown")
            << packet("command", "2", "mid", field("int", "a") + field("Int", "b"));
        QTest::newRow("LimAction unknown")
            << packet("command", "2", "mid", field("int", "a", "0", limit("=", "Warn")));
    }
    void dropRules()
    {
        QFETCH(QByteArray, middle);
        QString p =
            write("drop.xml", device("m", packet("command", "1", "first", field("int", "a")) +
                                              middle + packet("datain", "3", "last")));
        OstrelDataModel m;
        // Dropped silently: no message at all.
        QCOMPARE(captureStdout([&] { QCOMPARE(m.fromXMLFile(&p), 0); }), QString());
        QCOMPARE(packetNames(m), (QStringList{"m:first", "m:last"}));
        QCOMPARE(m.packets.value(2)->packetNum, 2u);
    }

    void duplicates()
    {
        // Another model is another packet.
        QString p =
            write("dup.xml",
                  "<Devices>" +
                      device("M", packet("command", "0x10", "a") + packet("datain", "0x10", "b")) +
                      device("N", packet("command", "0x10", "y")) + "</Devices>");
        OstrelDataModel m;
        QTest::ignoreMessage(QtWarningMsg, "Packet 0x10 (b) for device M already exists, skip!");
        QCOMPARE(m.fromXMLFile(&p), 0);
        QCOMPARE(packetNames(m), (QStringList{"M:a", "N:y"}));
    }

    // Values that do not convert are reported and kept as converted; a number
    // wider than 32 bits reads as 0, not as its low bits.
    void badOrWideValues()
    {
        QString p = write(
            "bad.xml",
            device("m", packet("command", "1", "p",
                               field("int", "i", "12a") +
                                   field("float", "f", "1.5", limit("&gt;", "warning", "cold"))) +
                            packet("command", "0x100000380", "wide",
                                   "<Field><FldType>int</FldType><FldOffset>-99999999999"
                                   "</FldOffset><FldLen>4294967304</FldLen></Field>")));
        OstrelDataModel m;
        QTest::ignoreMessage(QtCriticalMsg,
                             "field i has incompatible default value (12a) for type int");
        QTest::ignoreMessage(
            QtCriticalMsg,
            "\"Limit low for field f has incompatible value (cold) for type float\"");
        QCOMPARE(m.fromXMLFile(&p), 0);
        QList<Fld *> f = m.packets.value(1)->fields.values();
        QCOMPARE((QVariantList{f[0]->defaultValue, f[1]->limits.first()->limitValue}),
                 (QVariantList{0, 0.0f}));
        Fld *wide = m.packets.value(2)->fields.value(1);
        QCOMPARE((QList<qint64>{m.packets.value(2)->id, wide->bitOffset, wide->bitLen}),
                 (QList<qint64>{0, 0, 0}));
    }

    void fileLevelMessagesAndBrokenFiles()
    {
        OstrelDataModel m;
        QString missing = dir.filePath("nope.xml");
        QCOMPARE(captureStdout([&] {
                     QCOMPARE(m.fromXMLFile(nullptr), -10);
                     QCOMPARE(m.fromXMLFile(&missing), -20);
                 }),
                 "Usage: xmlstreamlint <path to XML file>\nFile " + missing + " does not exist.\n");

        // A broken file is reported with its place; what was complete before it stays.
        QString p = write("broken.xml", "<?xml version=\"1.0\"?>\n<Device><DevModel>b</DevModel>" +
                                            packet("command", "1", "kept") +
                                            "\n<Packet><PacType>command</PacType><PacId>2");
        const QString out = captureStdout([&] { QCOMPARE(m.fromXMLFile(&p), -30); });
        QVERIFY2(out.startsWith("Error: ") &&
                     out.contains(" in file " + p + " at line 3, column ") && out.endsWith(".\n"),
                 qPrintable(out));
        QCOMPARE(packetNames(m), QStringList{"b:kept"});
    }
};

QTEST_GUILESS_MAIN(TestOstrelDataModel)
#include "tst_ostreldatamodel.moc"
