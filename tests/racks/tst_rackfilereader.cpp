#include "rackfilereader.h"

#include <QtTest>

namespace
{

// One line per entry, so that whole files compare in one QCOMPARE.
QStringList describe(const RackFileContents &c)
{
    QStringList out;
    for (const RackFileEntry &e : c.entries) {
        const CustomPlotSettings &s = e.plot;
        switch (e.kind) {
        case RackFileEntry::Name:
            out << "name " + e.text;
            break;
        case RackFileEntry::Plot:
            out << QStringList{"plot " + s.title,
                               QString::number(s.legend),
                               s.xName,
                               QString::number(s.xMin),
                               QString::number(s.xMax),
                               s.yName,
                               QString::number(s.yMin),
                               QString::number(s.yMax),
                               QString::number(s.maxPoints),
                               QString::number(s.maxVisible)}
                       .join('|');
            for (const CPGraphSettings &g : e.graphs)
                out.last() +=
                    QStringLiteral(" graph %1/%2/%3").arg(g.devAddr).arg(g.msgId).arg(g.fieldRecId);
            break;
        case RackFileEntry::Button:
            out << QStringList{"button " + e.button.title, e.button.description}.join('|') + '|' +
                       e.commandLines.join('|');
            break;
        case RackFileEntry::Watch:
            out << QStringLiteral("watch %1/%2/%3")
                       .arg(e.watch.devAddress)
                       .arg(e.watch.msgId)
                       .arg(e.watch.fieldId);
            break;
        case RackFileEntry::Problem:
            out << "problem " + e.text;
            break;
        }
    }
    return out;
}

QByteArray rack(const QByteArray &body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<InstrumentRack>" + body +
           "</InstrumentRack>";
}

// The written form of the example rack, byte for byte.
const char *const kExample = R"(<?xml version="1.0" encoding="UTF-8"?>
<InstrumentRack>
    <RackName>Power</RackName>
    <CustomPlot>
        <Title>Battery voltage</Title>
        <Legend>1</Legend>
        <XName>Time, ms</XName>
        <XMin>0</XMin>
        <XMax>60000</XMax>
        <YName>Value</YName>
        <YMin>0</YMin>
        <YMax>100</YMax>
        <MaxPoints>3000</MaxPoints>
        <MaxVisible>0</MaxVisible>
        <CPGraph>
            <CPGDevAddr>7</CPGDevAddr>
            <CPGMsgId>1025</CPGMsgId>
            <CPGFieldRecId>2</CPGFieldRecId>
        </CPGraph>
    </CustomPlot>
    <CommandButton>
        <Title>Heater on</Title>
        <Description>Switch the heater on &amp; wait</Description>
        <CommandPacket>SRC=0X1, DST=0X7, MSGID=0X380, DLEN=0X4, data:01000000</CommandPacket>
    </CommandButton>
    <FieldView>
        <FVDevAddress>7</FVDevAddress>
        <FVMsgId>1025</FVMsgId>
        <FVFieldId>3</FVFieldId>
    </FieldView>
</InstrumentRack>)";

const QStringList kExampleRead{
    "name Power", "plot Battery voltage|1|Time, ms|0|60000|Value|0|100|3000|0 graph 7/1025/2",
    "button Heater on|Switch the heater on & wait|"
    "SRC=0X1, DST=0X7, MSGID=0X380, DLEN=0X4, data:01000000",
    "watch 7/1025/3"};

} // namespace

class TestRackFileReader : public QObject
{
    Q_OBJECT

private slots:
    void writesAndReadsTheExample()
    {
        const RackFileContents read = RackFileReader::read(QByteArray(kExample));
        QCOMPARE(read.xmlError, QString());
        QCOMPARE(describe(read), kExampleRead);
        QCOMPARE(writeRackFile(read), QByteArray(kExample));
    }

    void writesTheNameFirstAndInstrumentsByKind()
    {
        RackFileContents c = RackFileReader::read(rack(
            "<FieldView/><CommandButton><Title>B</Title></CommandButton><RackName>R</RackName>"));
        QCOMPARE(describe(RackFileReader::read(writeRackFile(c))),
                 (QStringList{"name R", "button B||", "watch 0/0/0"}));
        QCOMPARE(writeRackFile(RackFileContents()),
                 QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<InstrumentRack>\n"
                            "    <RackName></RackName>\n</InstrumentRack>"));
    }

    void writesCapsWithSixDigits_data()
    {
        QTest::addColumn<double>("cap");
        QTest::addColumn<QString>("written");
        QTest::addColumn<double>("readBack");
        QTest::newRow("whole") << 3000.0 << "3000" << 3000.0;
        QTest::newRow("seven digits") << 1234567.0 << "1.23457e+06" << 1234570.0;
        QTest::newRow("fraction") << 2.7182818 << "2.71828" << 2.71828;
        QTest::newRow("negative") << -5.0 << "-5" << -5.0;
    }
    void writesCapsWithSixDigits()
    {
        QFETCH(double, cap);
        QFETCH(QString, written);
        QFETCH(double, readBack);
        RackFileContents c;
        RackFileEntry plot;
        plot.kind = RackFileEntry::Plot;
        plot.plot.maxPoints = cap;
        c.entries << plot;
        const QByteArray bytes = writeRackFile(c);
        QVERIFY(bytes.contains("<MaxPoints>" + written.toUtf8() + "</MaxPoints>"));
        QCOMPARE(RackFileReader::read(bytes).entriesOf(RackFileEntry::Plot).at(0).plot.maxPoints,
                 readBack);
    }

    void readsNumbersAsSigned32Bit_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("yMin");
        QTest::addColumn<unsigned int>("devAddr");
        QTest::newRow("negative") << "-5" << qint64(-5) << 0xFFFFFFFBu;
        QTest::newRow("largest") << "2147483647" << qint64(2147483647) << 2147483647u;
        QTest::newRow("beyond 32 bits") << "4294967296" << qint64(0) << 0u;
        QTest::newRow("beyond signed") << "3000000000" << qint64(0) << 0u;
        QTest::newRow("hexadecimal") << "0x10" << qint64(0) << 0u;
        QTest::newRow("fraction") << "1.5" << qint64(0) << 0u;
        QTest::newRow("empty") << "" << qint64(0) << 0u;
    }
    void readsNumbersAsSigned32Bit()
    {
        QFETCH(QString, text);
        QFETCH(qint64, yMin);
        QFETCH(unsigned int, devAddr);
        const QByteArray t = text.toUtf8();
        const RackFileContents c = RackFileReader::read(
            rack("<CustomPlot><YMin>" + t + "</YMin><CPGraph><CPGDevAddr>" + t +
                 "</CPGDevAddr></CPGraph></CustomPlot><FieldView><FVMsgId>" + t +
                 "</FVMsgId></FieldView>"));
        QCOMPARE(c.xmlError, QString());
        QCOMPARE(c.entries.size(), 2);
        QCOMPARE(c.entries.at(0).plot.yMin, yMin);
        QCOMPARE(c.entries.at(0).graphs.at(0).devAddr, devAddr);
        QCOMPARE(c.entries.at(1).watch.msgId, devAddr);
    }

    void readsOddlyShapedFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("read");
        QTest::addColumn<bool>("xmlError");

        QTest::newRow("titles concatenate")
            << rack("<CustomPlot><Title>Bat</Title><Legend>0</Legend><Title>tery</Title>"
                    "<Legend>yes</Legend><MaxPoints>abc</MaxPoints><MaxVisible>nan</MaxVisible>"
                    "</CustomPlot>")
            << QStringList{"plot Battery|0||0|0||0|0|0|0"} << false;
        QTest::newRow("children in any order, graph values carry over")
            << rack("<CustomPlot><CPGraph><CPGMsgId>5</CPGMsgId><CPGDevAddr>7</CPGDevAddr>"
                    "</CPGraph><Title>T</Title><CPGraph><CPGFieldRecId>2</CPGFieldRecId>"
                    "</CPGraph></CustomPlot><RackName>Late</RackName>")
            << QStringList{"plot T|1||0|0||0|0|0|0 graph 7/5/0 graph 7/5/2", "name Late"} << false;
        QTest::newRow("unknown empty element ends the section")
            << rack("<RackName>A</RackName><Spare/><RackName>B</RackName>") << QStringList{"name A"}
            << false;
        QTest::newRow("unknown element's content read in place, its end ends the section")
            << rack("<Group><RackName>A</RackName></Group><FieldView/>") << QStringList{"name A"}
            << false;
        QTest::newRow("two racks in another root")
            << QByteArray("<Racks><InstrumentRack><RackName>A</RackName></InstrumentRack>"
                          "<Other><InstrumentRack><FieldView><FVFieldId>4</FVFieldId>"
                          "</FieldView></InstrumentRack></Other></Racks>")
            << QStringList{"name A", "watch 0/0/4"} << false;
        QTest::newRow("unknown element gives up a plot and the section")
            << rack("<CustomPlot><Title>T</Title><Colour>red</Colour>\n<Legend>1</Legend>"
                    "</CustomPlot><FieldView/>")
            << QStringList() << false;
        QTest::newRow("graph given up, plot kept")
            << rack("<CustomPlot><Title>T</Title><CPGraph><Bad></Bad> <CPGMsgId>3</CPGMsgId>"
                    "</CPGraph><Title>2</Title></CustomPlot><FieldView/>")
            << QStringList{"problem error parsing graph settings for pannel T"} << false;
        QTest::newRow("button without commands, repeated texts")
            << rack("<CommandButton><Description>a</Description><Title>x</Title>"
                    "<Description>b</Description></CommandButton>")
            << QStringList{"button x|ab|"} << false;
        QTest::newRow("truncated keeps what was read")
            << rack("<RackName>A</RackName><FieldView><FVMsgId>1</FVMsgId></FieldView>"
                    "<CommandButton><Title>x</Title>")
                   .left(160)
            << QStringList{"name A", "watch 0/1/0"} << true;
        QTest::newRow("element inside a text element")
            << rack("<FieldView/><CustomPlot><Title>a<b>c</b></Title></CustomPlot><FieldView/>")
            << QStringList{"watch 0/0/0"} << true;
        QTest::newRow("empty input") << QByteArray() << QStringList() << true;
        QTest::newRow("garbage") << QByteArray("\x01\xff<<") << QStringList() << true;
        QTest::newRow("no rack") << QByteArray("<Config><RackName>A</RackName></Config>")
                                 << QStringList() << false;
    }
    void readsOddlyShapedFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, read);
        QFETCH(bool, xmlError);
        const RackFileContents c = RackFileReader::read(bytes);
        QCOMPARE(describe(c), read);
        QCOMPARE(!c.xmlError.isEmpty(), xmlError);
    }
};

QTEST_MAIN(TestRackFileReader)
#include "tst_rackfilereader.moc"
