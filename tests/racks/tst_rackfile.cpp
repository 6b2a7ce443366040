#include "dvncommandbutton.h"
#include "dvncustomplot.h"
#include "dvnfieldview.h"
#include "instrumentrackswatch.h"
#include "ostreltablemodel.h"
#include "rackfilereader.h"
#include "support_rack.h"

#include <QtTest>
#include <QtWidgets>

namespace
{
const char *const kPortsOn = "SRC=0X1, DST=0X7, MSGID=0X380, DLEN=0X4, data:0f000000";
const char *const kSampleRack = "resources/racks/power.dvk";

QByteArray rack(const QByteArray &body)
{
    return "<InstrumentRack><RackName>Loaded</RackName>" + body + "</InstrumentRack>";
}

QString readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// One line per entry read, so that whole files compare in one QCOMPARE.
QStringList describe(const RackFileContents &c)
{
    QStringList out;
    for (const RackFileEntry &e : c.entries) {
        if (e.kind == RackFileEntry::Watch)
            out << QStringLiteral("watch %1").arg(e.watch.msgId);
        else if (e.kind != RackFileEntry::Plot)
            out << e.text;
        else
            out << QStringLiteral("plot %1").arg(e.plot.maxPoints);
        for (const CPGraphSettings &g : e.graphs)
            out.last() += QStringLiteral(" %1").arg(g.devAddr);
    }
    return out;
}

// A rack with a history model over the sample descriptions, as the main window makes.
struct SampleRack {
    RackSamples samples;
    OstrelTableModel history{samples.treeModel.get()};
    InstrumentRackSwatch rack{QString()};
    SampleRack()
    {
        rack.setTreeModel(samples.treeModel.get());
        rack.setHistoryModel(&history);
    }
};
} // namespace

class TestRackFile : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void initTestCase() { qRegisterMetaType<OstrelTableRecord *>(); }

    void sampleRackReadsBackAndFollowsTelemetry()
    {
        SampleRack s;
        InstrumentRackSwatch &r = s.rack;
        const QString sample = QString::fromLatin1(kSampleRack);
        MessageLog log;
        r.importRackFromFile(sample);
        QCOMPARE(log.take(sample), QStringList{"D finished loading F"});
        QCOMPARE(r.windowTitle(), QStringLiteral("Power"));
        // Written again: the same file but for the time ranges, set at loading.
        const QString again = dir.filePath(QStringLiteral("again.dvk"));
        r.exportRackToFile(again);
        const QRegularExpression range(QStringLiteral("<XM(in|ax)>\\d+</XM(in|ax)>"));
        QCOMPARE(readAll(again).remove(range), readAll(sample).remove(range));

        QCOMPARE(r.buttons.at(0)->label->text(), QStringLiteral("PSW on(0)"));
        connect(&s.history, &OstrelTableModel::signalIncomingMsg, &r,
                &InstrumentRackSwatch::slotNewData);
        auto receive = [&](quint16 src, quint16 msgId, const QByteArray &hex) {
            const QByteArray bytes = QByteArray::fromHex(hex);
            auto *buffer = new uint8_t[bytes.size()];
            memcpy(buffer, bytes.constData(), size_t(bytes.size()));
            s.history.slotNewFromOstrel({msgId, src, 0x1, quint16(bytes.size()), buffer}, bytes);
        };
        receive(0x7, 0x483, "10ee0288131f"); // port 2 main: 750 mA, 5000 mV, 31 degC
        auto *currents = qobject_cast<DvnCustomPlot *>(r.plots.at(0));
        QCOMPARE(currents->graph(0)->data()->size(), 0);
        QCOMPARE(currents->graph(1)->data()->begin()->value, 750.0);
        receive(0x18, 0x582, "0150fb0000f04015"); // battery: -1200 mA, 7.5 V, 21 degC
        r.handleTimeoutReplot();
        QStringList shown;
        for (DvnFieldView *w : r.watches)
            shown << w->text();
        QCOMPARE(shown, (QStringList{"7.5", "-1200", "21", "voltage"}));

        // The button's key sends the mask to the power switch.
        QSignalSpy sent(&s.history, &OstrelTableModel::signalSendFromHistory);
        QTest::keyClick(&r, Qt::Key_0);
        QTRY_COMPARE(sent.count(), 1);
        QCOMPARE(sent.at(0).at(0).value<OstrelTableRecord *>()->toStr(), QString(kPortsOn));
    }

    void filesLoadWhatTheyCanAndSaySo_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // "missing": no file at all
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("loaded"); // plots/graphs/buttons/commands/watches
        const QString done = QStringLiteral("D finished loading F");
        const QString premature =
            QStringLiteral("C Error: Failed to parse file F: Premature end of document.");
        QTest::newRow("sound, read-only")
            << rack("<CustomPlot><CPGraph><CPGDevAddr>7</CPGDevAddr><CPGMsgId>1154</CPGMsgId>"
                    "<CPGFieldRecId>3</CPGFieldRecId></CPGraph></CustomPlot>")
            << QStringList{done} << "1/1/0/0/0";
        QTest::newRow("missing") << QByteArray("missing")
                                 << QStringList{"C Can't open file F", premature, done}
                                 << "0/0/0/0/0";
        QTest::newRow("not well formed")
            << rack("<FieldView><FVDevAddress>24</FVDevAddress><FVMsgId>1410</FVMsgId>"
                    "<FVFieldId>1</FVFieldId></FieldView><CustomPlot><Title>x</Titel>")
            << QStringList{"C Error: Failed to parse file F: Opening and ending tag mismatch.",
                           done}
            << "0/0/0/0/1";
        QTest::newRow("command not described")
            << rack("<CommandButton><CommandPacket>SRC=0X1, DST=0X7, MSGID=0XFFF, DLEN=0X0, "
                    "data:</CommandPacket><CommandPacket>" +
                    QByteArray(kPortsOn) + "</CommandPacket></CommandButton>")
            << QStringList{"C Unknown command 4095 for device 7, skipped", done} << "0/0/1/1/0";
        QTest::newRow("graph given up")
            << rack("<CustomPlot><Title>T</Title><CPGraph><Colour/></CPGraph></CustomPlot>")
            << QStringList{"C error parsing graph settings for pannel T", done} << "1/0/0/0/0";
        // A button given up still reads its commands, and says what is wrong with them.
        QTest::newRow("button given up")
            << rack("<CommandButton><CommandPacket>hello</CommandPacket><Colour/></CommandButton>")
            << QStringList{"C Error reading queue file at \"hello\", insertion skipped", done}
            << "0/0/0/0/0";
        QTest::newRow("button cut by an XML error")
            << rack("<CommandButton><CommandPacket>SRC=0X1, DST=0X7, MSGID=0XFFF, DLEN=0X0, "
                    "data:</CommandPacket><Title>x</Titel>")
            << QStringList{"C Unknown command 4095 for device 7, skipped",
                           "C Error: Failed to parse file F: Opening and ending tag mismatch.",
                           done}
            << "0/0/0/0/0";
    }
    void filesLoadWhatTheyCanAndSaySo()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, messages);
        QFETCH(QString, loaded);
        const QString path = dir.filePath(QString::fromLatin1(QTest::currentDataTag()));
        if (bytes != "missing") {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
            QVERIFY(file.setPermissions(QFileDevice::ReadOwner));
        }
        SampleRack r;
        MessageLog log;
        r.rack.importRackFromFile(path);
        QCOMPARE(log.take(path), messages);
        int graphs = 0, commands = 0;
        for (QWidget *p : r.rack.plots)
            graphs += qobject_cast<DvnCustomPlot *>(p)->graphCount();
        for (DvnCommandButton *b : r.rack.buttons)
            commands += b->commands.size();
        QCOMPARE(QString::asprintf("%d/%d/%d/%d/%d", r.rack.plots.size(), graphs,
                                   r.rack.buttons.size(), commands, r.rack.watches.size()),
                 loaded);
        QCOMPARE(r.rack.objectName(), bytes.contains("Loaded") ? "Loaded" : QString());
    }

    void readingRules_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("read");
        QTest::newRow("unknown empty element ends the section")
            << rack("<Spare/><RackName>B</RackName>") << QStringList{"Loaded"};
        QTest::newRow("unknown element gives up a plot and the section")
            << rack("<CustomPlot><Title>T</Title><Colour>red</Colour>\n<Legend>1</Legend>"
                    "</CustomPlot><FieldView/>")
            << QStringList{"Loaded"};
        // Numbers are signed 32-bit decimals; anything else reads as 0.
        QTest::newRow("negative") << rack("<FieldView><FVMsgId>-5</FVMsgId></FieldView>")
                                  << QStringList{"Loaded", "watch 4294967291"};
        for (const char *n : {"4294967296", "0x10"})
            QTest::newRow(n) << rack(QByteArray("<CustomPlot><YMin>") + n +
                                     "</YMin><CPGraph><CPGDevAddr>" + n +
                                     "</CPGDevAddr></CPGraph></CustomPlot>")
                             << QStringList{"Loaded", "plot 0 0"};
        for (const char *cap : {"nan", "inf", "-inf"})
            QTest::newRow(cap) << rack(QByteArray("<CustomPlot><MaxPoints>") + cap +
                                       "</MaxPoints></CustomPlot>")
                               << QStringList{"Loaded", QStringLiteral("plot ") + cap};
        QTest::newRow("element inside the name")
            << QByteArray("<InstrumentRack><RackName>Gau<b/>ges</RackName>") << QStringList{"Gau"};
    }
    void readingRules()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, read);
        const RackFileContents c = RackFileReader::read(bytes);
        QCOMPARE(describe(c), read);
        for (const RackFileEntry &e : c.entriesOf(RackFileEntry::Plot))
            QCOMPARE(e.plot.yMin, qint64(0));
    }

    void exportFileNameFollowsTheSuffixRule()
    {
        QStringList written;
        for (const char *a : {"rack1", "rack1.dvk", "rack1.DVK", "", ".dvk", ".DVK"})
            written << InstrumentRackSwatch::exportFileName(QString::fromLatin1(a));
        QCOMPARE(written, (QStringList{"rack1.dvk", "rack1.dvk", "rack1.DVK", "", "", ".DVK"}));
        // The dialog starts in the rack folder, however the folder was written.
        InstrumentRackSwatch r(QStringLiteral("Gauges"));
        r.setObjectName(QStringLiteral("Gauges"));
        QStringList proposed;
        for (const char *folder : {"resources/racks", "resources/racks/", ""}) {
            r.rackFolder = QString::fromLatin1(folder);
            proposed << r.exportProposal();
        }
        QCOMPARE(proposed, (QStringList{"resources/racks/Gauges.dvk", "resources/racks/Gauges.dvk",
                                        "Gauges.dvk"}));
    }

    void unwritablePathIsReported()
    {
        InstrumentRackSwatch r(QStringLiteral("R"));
        MessageLog log;
        const QString path = dir.filePath(QStringLiteral("no/such/folder/r.dvk"));
        r.exportRackToFile(path);
        const QStringList messages = log.take(path);
        QCOMPARE(messages.size(), 1); // nothing else is attempted
        QVERIFY2(messages.at(0).startsWith("C Can't create file F\n"), qPrintable(messages.at(0)));
    }
};

QTEST_MAIN(TestRackFile)
#include "tst_rackfile.moc"
