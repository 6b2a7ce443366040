#include "dvncommandbutton.h"
#include "dvncustomplot.h"
#include "dvnfieldview.h"
#include "instrumentrackswatch.h"
#include "ostreltablemodel.h"
#include "support_messages.h"
#include "support_rack.h"

#include <QtTest>
#include <QtWidgets>

namespace
{

const char *const kPortsOn = "SRC=0X1, DST=0X7, MSGID=0X380, DLEN=0X4, data:0f000000";
const char *const kPortsOff = "SRC=0X1, DST=0X7, MSGID=0X381, DLEN=0X4, data:03000000";
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

// A rack over the sample descriptions with a history model, as the main
// window makes one for a rack file.
struct SampleRack {
    RackSamples samples;
    OstrelTableModel history{samples.treeModel.get()};
    InstrumentRackSwatch rack{QString()};
    SampleRack()
    {
        rack.setTreeModel(samples.treeModel.get());
        rack.setHistoryModel(&history);
    }
    TreeItem *node(uint dev, uint msg) { return samples.node(dev, msg); }
    void addButton(const QString &title, const QString &tip, const QStringList &lines)
    {
        QList<OstrelTableRecord *> recs;
        for (const QString &line : lines) {
            recs << new OstrelTableRecord;
            recs.last()->fromStr(line, samples.treeModel.get());
        }
        rack.addCommandButton({title, tip})->setCommandQueue(recs);
        qDeleteAll(recs);
    }
    // The sample rack of the sample satellite, built as an operator would,
    // with a fixed time range so that its file is the same on every run.
    void buildPowerRack()
    {
        rack.setObjectName(QStringLiteral("Power"));
        CustomPlotSettings s;
        s.title = QStringLiteral("Channel currents");
        s.xName = QStringLiteral("Time, ms");
        s.xMax = 60000;
        s.yName = QStringLiteral("Current, mA");
        s.yMax = 1000;
        s.maxPoints = 3000;
        DvnCustomPlot *plot = rack.addCustomPlot(s);
        for (uint msgId = 0x482; msgId <= 0x485; ++msgId) // ports 1 to 4, main channels
            rack.addGraphFromField(plot, node(0x7, msgId), 3);
        s.title = QStringLiteral("Feeders state");
        s.yName = QStringLiteral("On");
        s.yMax = 1;
        plot = rack.addCustomPlot(s);
        for (uint field = 1; field <= 4; ++field) // port1_main to port4_main
            rack.addGraphFromField(plot, node(0x7, 0x480), field);
        addButton(QStringLiteral("PSW on"),
                  QStringLiteral("channels_on, ports 1-4 (mask 0x0000000F)"), {kPortsOn});
        for (uint field : {3, 2, 4}) // battery voltage, current, temperature
            rack.addWatchFromField(node(0x18, 0x582), field);
        rack.addWatchFromField(node(0x18, 0x581), 3); // converter output voltage
    }
};

} // namespace

class TestRackFile : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void initTestCase()
    {
        qRegisterMetaType<OstrelTableRecord *>();
        QVERIFY(dir.isValid());
    }

    void exportThenImportKeepsTheRack()
    {
        SampleRack first;
        first.rack.setObjectName(QStringLiteral("Power <&>"));
        CustomPlotSettings s;
        s.title = QStringLiteral("Currents");
        s.legend = true;
        s.yMin = -5;
        s.yMax = 100;
        s.maxPoints = 1234567;
        s.maxVisible = 7;
        DvnCustomPlot *plot = first.rack.addCustomPlot(s);
        first.rack.addGraphFromField(plot, first.node(0x7, 0x483), 3);
        first.rack.addGraphFromField(plot, first.node(0x7, 0x482), 3);
        plot->addRandomGraph(); // plots no field: not written
        s.title = QStringLiteral("Empty");
        s.legend = false;
        first.rack.addCustomPlot(s);
        first.addButton(QStringLiteral("On and off"), QStringLiteral("two\nlines"),
                        {kPortsOn, kPortsOff});
        first.addButton(QStringLiteral("Nothing"), QString(), {});
        first.rack.addWatchFromField(first.node(0x18, 0x582), 3);
        first.rack.addWatchFromField(first.node(0x7, 0x480), 1);
        const QString path = dir.filePath(QStringLiteral("round.dvk"));
        MessageLog log;
        first.rack.exportRackToFile(path);

        SampleRack second;
        const qint64 before = QDateTime::currentMSecsSinceEpoch();
        second.rack.importRackFromFile(path);
        const qint64 after = QDateTime::currentMSecsSinceEpoch();
        QCOMPARE(log.take(path), QStringList{"D finished loading F"});
        InstrumentRackSwatch &r = second.rack;
        QCOMPARE(r.objectName(), QStringLiteral("Power <&>"));
        QCOMPARE(r.windowTitle() + r.dockMenu->title() + r.actionShow->text(),
                 QStringLiteral("Power <&>").repeated(3));
        for (QWidget *p : r.plots) {
            const CustomPlotSettings &loaded = qobject_cast<DvnCustomPlot *>(p)->plotSettings;
            QVERIFY(loaded.xMin >= before && loaded.xMin <= after);
            QCOMPARE(loaded.xMax, loaded.xMin + 60000);
            QCOMPARE(loaded.maxPoints, 1234570.0);
        }
        QCOMPARE(r.buttons.value(1)->label->text(), QStringLiteral("Nothing(1)"));
        QCOMPARE(r.buttons.value(0)->commands.value(0)->status, unsigned(OstrelTableRecord::Ready));

        // Written again, the loaded rack gives the same file but for the
        // time ranges: the same plots, graphs, buttons and watches in order.
        const QString again = dir.filePath(QStringLiteral("again.dvk"));
        r.exportRackToFile(again);
        const QRegularExpression range(QStringLiteral("<XM(in|ax)>\\d+</XM(in|ax)>"));
        QCOMPARE(readAll(again).remove(range), readAll(path).remove(range));
        QCOMPARE(readAll(path).count(QStringLiteral("<CPGraph>")), 2);
        QCOMPARE(readAll(path).count(QStringLiteral("<CommandPacket>")), 2);
        QCOMPARE(readAll(path).count(QStringLiteral("<FieldView>")), 2);
    }

    void filesLoadWhatTheyCanAndSaySo_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // "missing": no file at all
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("loaded"); // plots/graphs/buttons/commands/watches
        QTest::addColumn<QString>("firstCommand");

        const QString done = QStringLiteral("D finished loading F");
        const QString premature =
            QStringLiteral("C Error: Failed to parse file F: Premature end of document.");
        QTest::newRow("sound, read-only")
            << rack("<CustomPlot><CPGraph><CPGDevAddr>7</CPGDevAddr><CPGMsgId>1154</CPGMsgId>"
                    "<CPGFieldRecId>3</CPGFieldRecId></CPGraph></CustomPlot>")
            << QStringList{done} << "1/1/0/0/0"
            << "";
        QTest::newRow("missing") << QByteArray("missing")
                                 << QStringList{"C Can't open file F", premature, done}
                                 << "0/0/0/0/0"
                                 << "";
        QTest::newRow("empty") << QByteArray() << QStringList{premature, done} << "0/0/0/0/0"
                               << "";
        QTest::newRow("not well formed")
            << rack("<FieldView><FVDevAddress>24</FVDevAddress><FVMsgId>1410</FVMsgId>"
                    "<FVFieldId>1</FVFieldId></FieldView><CustomPlot><Title>x</Titel>")
            << QStringList{"C Error: Failed to parse file F: Opening and ending tag mismatch.",
                           done}
            << "0/0/0/0/1"
            << "";
        QTest::newRow("command not described")
            << rack("<CommandButton><CommandPacket>SRC=0X1, DST=0X7, MSGID=0XFFF, DLEN=0X0, "
                    "data:</CommandPacket><CommandPacket>" +
                    QByteArray(kPortsOn) + "</CommandPacket></CommandButton>")
            << QStringList{"C Unknown command 4095 for device 7, skipped", done} << "0/0/1/1/0"
            << kPortsOn;
        QTest::newRow("command not a command line")
            << rack("<CommandButton><CommandPacket>hello</CommandPacket></CommandButton>")
            << QStringList{"C Error reading queue file at \"hello\", insertion skipped", done}
            << "0/0/1/0/0"
            << "";
        QTest::newRow("command shorter than its length")
            << rack("<CommandButton><CommandPacket>SRC=0X1, DST=0X7, MSGID=0X380, DLEN=0X4, "
                    "data:01</CommandPacket></CommandButton>")
            << QStringList{done} << "0/0/1/1/0"
            << "SRC=0X1, DST=0X7, MSGID=0X380, DLEN=0X4, data:01000000";
        QTest::newRow("graph given up")
            << rack("<CustomPlot><Title>T</Title><CPGraph><Colour/></CPGraph></CustomPlot>")
            << QStringList{"C error parsing graph settings for pannel T", done} << "1/0/0/0/0"
            << "";
        QTest::newRow("graph of a message not described")
            << rack("<CustomPlot><CPGraph><CPGDevAddr>7</CPGDevAddr><CPGMsgId>4095</CPGMsgId>"
                    "</CPGraph></CustomPlot>")
            << QStringList{"C Can't find message 4095 for device 7. Different Zedorir map?", done}
            << "1/0/0/0/0"
            << "";
        QTest::newRow("watch of a field not described")
            << rack("<FieldView><FVDevAddress>24</FVDevAddress><FVMsgId>1410</FVMsgId>"
                    "<FVFieldId>99</FVFieldId></FieldView>")
            << QStringList{done} << "0/0/0/0/0"
            << "";
    }
    void filesLoadWhatTheyCanAndSaySo()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, messages);
        QFETCH(QString, loaded);
        QFETCH(QString, firstCommand);

        const QString path = dir.filePath(QString::fromLatin1(QTest::currentDataTag()));
        if (bytes != "missing") {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(bytes);
            QVERIFY(file.setPermissions(QFileDevice::ReadOwner | QFileDevice::ReadGroup));
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
        QCOMPARE(QStringLiteral("%1/%2/%3/%4/%5")
                     .arg(r.rack.plots.size())
                     .arg(graphs)
                     .arg(r.rack.buttons.size())
                     .arg(commands)
                     .arg(r.rack.watches.size()),
                 loaded);
        if (!firstCommand.isEmpty())
            QCOMPARE(r.rack.buttons.at(0)->commands.at(0)->toStr(), firstCommand);
        QCOMPARE(r.rack.objectName(), bytes.contains("Loaded") ? "Loaded" : QString());
    }

    void exportFileNameFollowsTheSuffixRule_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("written");
        QTest::newRow("no suffix") << "rack1"
                                   << "rack1.dvk";
        QTest::newRow("suffix") << "rack1.dvk"
                                << "rack1.dvk";
        QTest::newRow("upper-case suffix") << "rack1.DVK"
                                           << "rack1.DVK";
        QTest::newRow("suffix not last") << "rack1.dvk.bak"
                                         << "rack1.dvk.bak.dvk";
        QTest::newRow("cancelled") << ""
                                   << "";
        QTest::newRow("suffix only") << ".dvk"
                                     << "";
        QTest::newRow("upper-case suffix only") << ".DVK"
                                                << ".DVK";
    }
    void exportFileNameFollowsTheSuffixRule()
    {
        QFETCH(QString, answer);
        QFETCH(QString, written);
        QCOMPARE(InstrumentRackSwatch::exportFileName(answer), written);
    }

    void exportDialogAndUnwritablePath()
    {
        InstrumentRackSwatch r(QStringLiteral("Dialogue"));
        r.rackFolder = dir.path() + QLatin1Char('/');
        QStringList seen;
        onNextModal([&](QWidget *w) {
            auto *dialog = qobject_cast<QFileDialog *>(w);
            seen << w->windowTitle() << (dialog ? dialog->selectedFiles().value(0) : QString());
            if (dialog)
                dialog->selectFile(dir.filePath(QStringLiteral("chosen")));
            QMetaObject::invokeMethod(w, "accept");
        });
        r.exportAction->trigger();
        QCOMPARE(seen, (QStringList{"Save queue to file", dir.filePath("Dialogue.dvk")}));
        QCOMPARE(readAll(dir.filePath(QStringLiteral("chosen.dvk"))),
                 QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<InstrumentRack>\n"
                                "    <RackName>Dialogue</RackName>\n</InstrumentRack>"));

        MessageLog log;
        const QString path = dir.filePath(QStringLiteral("no/such/folder/r.dvk"));
        r.exportRackToFile(path);
        const QStringList messages = log.take(path);
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages.at(0).startsWith(QStringLiteral("C Can't create file F\n")),
                 qPrintable(messages.at(0)));
        QVERIFY(!QFile::exists(path));
    }

    void sampleRackIsTheProgramsOwnExport()
    {
        SampleRack r;
        r.buildPowerRack();
        const QString path = QStringLiteral(VELKARO_BINARY_DIR "/power.dvk");
        r.rack.exportRackToFile(path);
        QVERIFY2(readAll(path) == readAll(QString::fromLatin1(kSampleRack)),
                 "the sample rack differs from build/power.dvk, the export of the same rack");
    }

    void sampleRacksLoadAndFollowTelemetry()
    {
        const QStringList files = QDir(QStringLiteral("resources/racks"))
                                      .entryList({QStringLiteral("*.dvk")}, QDir::Files);
        QVERIFY(files.contains(QStringLiteral("power.dvk")));
        for (const QString &name : files) {
            SampleRack r;
            const QString path = QStringLiteral("resources/racks/") + name;
            MessageLog log;
            r.rack.importRackFromFile(path);
            QCOMPARE(log.take(path), QStringList{"D finished loading F"});
            QVERIFY(!r.rack.objectName().isEmpty());
        }

        SampleRack s;
        InstrumentRackSwatch &r = s.rack;
        r.importRackFromFile(QString::fromLatin1(kSampleRack));
        QCOMPARE(r.buttons.size(), 1);
        QCOMPARE(r.buttons.at(0)->label->text(), QStringLiteral("PSW on(0)"));
        connect(&s.history, &OstrelTableModel::signalIncomingMsg, &r,
                &InstrumentRackSwatch::slotNewData);
        auto receive = [&](quint16 src, quint16 msgId, const QByteArray &hex) {
            const QByteArray bytes = QByteArray::fromHex(hex);
            auto *buffer = new uint8_t[bytes.size()];
            memcpy(buffer, bytes.constData(), size_t(bytes.size()));
            s.history.slotNewFromOstrel({msgId, src, 0x1, quint16(bytes.size()), buffer}, bytes);
        };
        // Port 2 main: 750 mA, 5000 mV, 31 degC.
        receive(0x7, 0x483, "10ee0288131f");
        auto *currents = qobject_cast<DvnCustomPlot *>(r.plots.at(0));
        QCOMPARE(currents->graph(0)->data()->size(), 0);
        QCOMPARE(currents->graph(1)->data()->size(), 1);
        QCOMPARE(currents->graph(1)->data()->begin()->value, 750.0);
        const double key = currents->graph(1)->data()->begin()->key;
        QCOMPARE(currents->xAxis->range().lower, std::trunc(key - 5000));
        // Battery: charging, -1200 mA, 7.5 V, 21 degC.
        receive(0x18, 0x582, "0150fb0000f04015");
        QStringList shown;
        for (DvnFieldView *w : r.watches)
            shown << w->text();
        QCOMPARE(shown, (QStringList{"7.5", "-1200", "21", "voltage"}));

        // The button's key sends the mask to the power switch.
        QSignalSpy sent(&s.history, &OstrelTableModel::signalSendFromHistory);
        QTest::keyClick(&r, Qt::Key_0);
        QTRY_COMPARE(sent.count(), 1);
        QCOMPARE(sent.at(0).at(0).value<OstrelTableRecord *>()->toStr(), QString(kPortsOn));

        r.resize(1100, 700);
        r.show();
        QVERIFY(QTest::qWaitForWindowExposed(&r));
        r.handleTimeoutReplot();
        QVERIFY(r.grab().save(QStringLiteral(VELKARO_BINARY_DIR "/tst_rackfile_sample.png")));
    }
};

QTEST_MAIN(TestRackFile)
#include "tst_rackfile.moc"
