#include "dvncommandbutton.h"
#include "dvncustomplot.h"
#include "dvnfieldview.h"
#include "instrumentrackswatch.h"
#include "ostreltablemodel.h"
#include "support_rack.h"

#include <QtTest>
#include <QtWidgets>

namespace
{

// Every message that passes the handler while alive, as "C text" (critical),
// "W text" (warning) or "D text" (debug), with the file name as F.
struct MessageLog {
    MessageLog() { previous = qInstallMessageHandler(collect); }
    ~MessageLog() { qInstallMessageHandler(previous); }
    QStringList take(const QString &fileName)
    {
        QStringList out = lines;
        lines.clear();
        if (!fileName.isEmpty())
            out.replaceInStrings(fileName, QStringLiteral("F"));
        return out;
    }
    static void collect(QtMsgType type, const QMessageLogContext &, const QString &text)
    {
        const char kind = type == QtDebugMsg ? 'D' : type == QtWarningMsg ? 'W' : 'C';
        lines << QString(QLatin1Char(kind)) + QLatin1Char(' ') + text;
    }
    static QStringList lines;
    QtMessageHandler previous;
};
QStringList MessageLog::lines;

const char *const kPortsOn = "SRC=0X1, DST=0X7, MSGID=0X380, DLEN=0X4, data:0f000000";
const char *const kPortsOff = "SRC=0X1, DST=0X7, MSGID=0X381, DLEN=0X4, data:03000000";

QByteArray rack(const QByteArray &body)
{
    return "<InstrumentRack><RackName>Loaded</RackName>" + body + "</InstrumentRack>";
}

QByteArray plotWithGraph(const QByteArray &graph)
{
    return "<CustomPlot><Title>T</Title><MaxPoints>10</MaxPoints>" + graph + "</CustomPlot>";
}

QByteArray button(const QByteArray &packets)
{
    return "<CommandButton><Title>B</Title>" + packets + "</CommandButton>";
}

QList<OstrelTableRecord *> commands(TreeModel *tree, const QStringList &lines)
{
    QList<OstrelTableRecord *> list;
    for (const QString &line : lines) {
        auto *rec = new OstrelTableRecord;
        rec->fromStr(line, tree);
        rec->status = OstrelTableRecord::Ready;
        list << rec;
    }
    return list;
}

QStringList commandLines(const DvnCommandButton *b)
{
    QStringList lines;
    for (OstrelTableRecord *rec : b->commands)
        lines << rec->toStr();
    return lines;
}

QStringList graphBindings(InstrumentRackSwatch &rack, DvnCustomPlot *plot)
{
    QStringList out;
    for (int i = 0; i < plot->graphCount(); ++i) {
        TreeItem *item = nullptr;
        quint32 field = 0;
        if (rack.bindingOfGraph(plot->graph(i), &item, &field))
            out << QStringLiteral("%1/%2/%3")
                       .arg(item->deviceTag.devAddress)
                       .arg(item->packet->id, 0, 16)
                       .arg(field);
    }
    return out;
}

QStringList watchBindings(const InstrumentRackSwatch &rack)
{
    QStringList out;
    for (DvnFieldView *w : rack.watches)
        out << QStringLiteral("%1/%2/%3")
                   .arg(w->item->deviceTag.devAddress)
                   .arg(w->item->packet->id, 0, 16)
                   .arg(w->fieldId);
    return out;
}

// The sample rack for the sample satellite, built through the rack as an
// operator would, with a fixed time range so that its file is the same on
// every run.
void buildSampleRack(InstrumentRackSwatch &rack, RackSamples &samples)
{
    CustomPlotSettings currents;
    currents.title = QStringLiteral("Channel currents");
    currents.legend = true;
    currents.xName = QStringLiteral("Time, ms");
    currents.xMax = 60000;
    currents.yName = QStringLiteral("Current, mA");
    currents.yMax = 1000;
    currents.maxPoints = 3000;
    DvnCustomPlot *plot = rack.addCustomPlot(currents);
    for (uint msgId = 0x482; msgId <= 0x485; ++msgId) // ports 1 to 4, main channels
        rack.addGraphFromField(plot, samples.node(0x7, msgId), 3);

    CustomPlotSettings feeders = currents;
    feeders.title = QStringLiteral("Feeders state");
    feeders.yName = QStringLiteral("On");
    feeders.yMax = 1;
    plot = rack.addCustomPlot(feeders);
    for (uint field = 1; field <= 4; ++field) // port1_main to port4_main
        rack.addGraphFromField(plot, samples.node(0x7, 0x480), field);

    DvnCommandButton *on = rack.addCommandButton(
        {QStringLiteral("PSW on"), QStringLiteral("channels_on, ports 1-4 (mask 0x0000000F)")});
    const QList<OstrelTableRecord *> recs = commands(samples.treeModel.get(), {kPortsOn});
    on->setCommandQueue(recs);
    qDeleteAll(recs);

    rack.addWatchFromField(samples.node(0x18, 0x582), 3); // battery voltage
    rack.addWatchFromField(samples.node(0x18, 0x582), 2); // battery current
    rack.addWatchFromField(samples.node(0x18, 0x582), 4); // battery temperature
    rack.addWatchFromField(samples.node(0x18, 0x581), 3); // converter output voltage
}

const char *const kSampleRack = "resources/racks/power.dvk";

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
        RackSamples samples;
        OstrelTableModel history(samples.treeModel.get());
        InstrumentRackSwatch first(QStringLiteral("Power"));
        first.setTreeModel(samples.treeModel.get());
        first.setHistoryModel(&history);

        CustomPlotSettings s;
        s.title = QStringLiteral("Currents <&>");
        s.legend = false;
        s.xName = QStringLiteral("t");
        s.xMin = 1000;
        s.xMax = 2000;
        s.yName = QStringLiteral("mA");
        s.yMin = -5;
        s.yMax = 100;
        s.maxPoints = 1234567;
        s.maxVisible = 7;
        DvnCustomPlot *p1 = first.addCustomPlot(s);
        first.addGraphFromField(p1, samples.node(0x7, 0x483), 3);
        first.addGraphFromField(p1, samples.node(0x7, 0x482), 3);
        p1->addRandomGraph(); // plots no field: not written
        s.title = QStringLiteral("Empty");
        first.addCustomPlot(s);
        const QList<OstrelTableRecord *> recs =
            commands(samples.treeModel.get(), {kPortsOn, kPortsOff});
        first.addCommandButton({QStringLiteral("Ports on and off"), QStringLiteral("two\nlines")})
            ->setCommandQueue(recs);
        qDeleteAll(recs);
        first.addCommandButton({QStringLiteral("Nothing"), QString()});
        first.addWatchFromField(samples.node(0x18, 0x582), 3);
        first.addWatchFromField(samples.node(0x7, 0x480), 1);

        const QString path = dir.filePath(QStringLiteral("round.dvk"));
        MessageLog log;
        first.exportRackToFile(path);
        QCOMPARE(log.take(path), QStringList());

        InstrumentRackSwatch second(QString(), nullptr);
        second.setTreeModel(samples.treeModel.get());
        second.setHistoryModel(&history);
        const qint64 before = QDateTime::currentMSecsSinceEpoch();
        second.importRackFromFile(path);
        const qint64 after = QDateTime::currentMSecsSinceEpoch();
        QCOMPARE(log.take(path), QStringList{"D finished loading F"});

        QCOMPARE(second.objectName(), QStringLiteral("Power"));
        QCOMPARE(second.windowTitle(), QStringLiteral("Power"));
        QCOMPARE(second.dockMenu->title(), QStringLiteral("Power"));
        QCOMPARE(second.actionShow->text(), QStringLiteral("Power"));

        QCOMPARE(second.plots.size(), 2);
        auto *q1 = qobject_cast<DvnCustomPlot *>(second.plots.at(0));
        const CustomPlotSettings &r = q1->plotSettings;
        QCOMPARE(q1->objectName(), QStringLiteral("Currents <&>"));
        QVERIFY(!r.legend);
        QCOMPARE(r.xName + '|' + r.yName, QStringLiteral("t|mA"));
        QCOMPARE(r.yMin, qint64(-5));
        QCOMPARE(r.yMax, qint64(100));
        QCOMPARE(r.maxPoints, 1234570.0);
        QCOMPARE(r.maxVisible, 7.0);
        QVERIFY(r.xMin >= before && r.xMin <= after);
        QCOMPARE(r.xMax, r.xMin + 60000);
        QCOMPARE(graphBindings(second, q1), (QStringList{"7/483/3", "7/482/3"}));
        QCOMPARE(second.plots.at(1)->objectName(), QStringLiteral("Empty"));

        QCOMPARE(second.buttons.size(), 2);
        QCOMPARE(second.buttons.at(0)->objectName(), QStringLiteral("Ports on and off"));
        QCOMPARE(second.buttons.at(0)->toolTip(), QStringLiteral("two\nlines"));
        QCOMPARE(commandLines(second.buttons.at(0)), (QStringList{kPortsOn, kPortsOff}));
        QCOMPARE(second.buttons.at(0)->commands.at(0)->status, unsigned(OstrelTableRecord::Ready));
        QCOMPARE(second.buttons.at(1)->label->text(), QStringLiteral("Nothing(1)"));
        QCOMPARE(commandLines(second.buttons.at(1)), QStringList());
        QCOMPARE(watchBindings(second), (QStringList{"24/582/3", "7/480/1"}));

        // Written again, the rack gives the same file but for the new range.
        const QString again = dir.filePath(QStringLiteral("again.dvk"));
        second.exportRackToFile(again);
        QFile a(path), b(again);
        QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        const QRegularExpression range(QStringLiteral("<XM(in|ax)>\\d+</XM(in|ax)>"));
        QCOMPARE(QString::fromUtf8(b.readAll()).remove(range),
                 QString::fromUtf8(a.readAll()).remove(range));
    }

    void emptyRackWritesItsNameOnly()
    {
        InstrumentRackSwatch empty(QStringLiteral("Nothing"));
        const QString path = dir.filePath(QStringLiteral("empty.dvk"));
        empty.exportRackToFile(path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                            "<InstrumentRack>\n"
                                            "    <RackName>Nothing</RackName>\n"
                                            "</InstrumentRack>"));
    }

    void brokenFilesLoadWhatTheyCanAndSaySo_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("loaded"); // plots/graphs/buttons/commands/watches

        const QString done = QStringLiteral("D finished loading F");
        QTest::newRow("sound") << rack(plotWithGraph("<CPGraph><CPGDevAddr>7</CPGDevAddr>"
                                                     "<CPGMsgId>1154</CPGMsgId><CPGFieldRecId>3"
                                                     "</CPGFieldRecId></CPGraph>"))
                               << QStringList{done} << "1/1/0/0/0";
        QTest::newRow("not well formed")
            << rack("<FieldView><FVDevAddress>24</FVDevAddress><FVMsgId>1410</FVMsgId>"
                    "<FVFieldId>1</FVFieldId></FieldView><CustomPlot><Title>x</Titel>")
            << QStringList{"C Error: Failed to parse file F: Opening and ending tag mismatch.",
                           done}
            << "0/0/0/0/1";
        QTest::newRow("empty file")
            << QByteArray()
            << QStringList{"C Error: Failed to parse file F: Premature end of document.", done}
            << "0/0/0/0/0";
        QTest::newRow("command not described")
            << rack(button("<CommandPacket>SRC=0X1, DST=0X7, MSGID=0XFFF, DLEN=0X0, data:"
                           "</CommandPacket><CommandPacket>" +
                           QByteArray(kPortsOn) + "</CommandPacket>"))
            << QStringList{"C Unknown command 4095 for device 7, skipped", done} << "0/0/1/1/0";
        QTest::newRow("command not a command line")
            << rack(button("<CommandPacket>hello</CommandPacket>"))
            << QStringList{"C Error reading queue file at \"hello\", insertion skipped", done}
            << "0/0/1/0/0";
        QTest::newRow("graph given up")
            << rack(plotWithGraph("<CPGraph><Colour/></CPGraph>"))
            << QStringList{"C error parsing graph settings for pannel T", done} << "1/0/0/0/0";
        QTest::newRow("graph of a message not described")
            << rack(plotWithGraph("<CPGraph><CPGDevAddr>7</CPGDevAddr><CPGMsgId>4095</CPGMsgId>"
                                  "</CPGraph>"))
            << QStringList{"C Can't find message 4095 for device 7. Different Zedorir map?", done}
            << "1/0/0/0/0";
        QTest::newRow("watch of a field not described")
            << rack("<FieldView><FVDevAddress>24</FVDevAddress><FVMsgId>1410</FVMsgId>"
                    "<FVFieldId>99</FVFieldId></FieldView>")
            << QStringList{done} << "0/0/0/0/0";
    }
    void brokenFilesLoadWhatTheyCanAndSaySo()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, messages);
        QFETCH(QString, loaded);

        RackSamples samples;
        OstrelTableModel history(samples.treeModel.get());
        const QString path = dir.filePath(QStringLiteral("broken.dvk"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();

        InstrumentRackSwatch r(QString(), nullptr);
        r.setTreeModel(samples.treeModel.get());
        r.setHistoryModel(&history);
        MessageLog log;
        r.importRackFromFile(path);
        QCOMPARE(log.take(path), messages);
        int graphs = 0, commandCount = 0;
        for (QWidget *p : r.plots)
            graphs += qobject_cast<DvnCustomPlot *>(p)->graphCount();
        for (DvnCommandButton *b : r.buttons)
            commandCount += b->commands.size();
        QCOMPARE(QStringLiteral("%1/%2/%3/%4/%5")
                     .arg(r.plots.size())
                     .arg(graphs)
                     .arg(r.buttons.size())
                     .arg(commandCount)
                     .arg(r.watches.size()),
                 loaded);
    }

    void missingOrReadOnlyFiles()
    {
        InstrumentRackSwatch r(QStringLiteral("Kept"));
        MessageLog log;
        const QString missing = dir.filePath(QStringLiteral("missing.dvk"));
        r.importRackFromFile(missing);
        QCOMPARE(log.take(missing),
                 (QStringList{"C Can't open file F",
                              "C Error: Failed to parse file F: Premature end of document.",
                              "D finished loading F"}));
        QCOMPARE(r.objectName(), QStringLiteral("Kept"));
        r.importRackFromFile(QString());
        QCOMPARE(log.take(QString()), QStringList());

        const QString readOnly = dir.filePath(QStringLiteral("readonly.dvk"));
        QFile file(readOnly);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(rack(""));
        file.close();
        QVERIFY(file.setPermissions(QFileDevice::ReadOwner | QFileDevice::ReadGroup));
        r.importRackFromFile(readOnly);
        QCOMPARE(log.take(readOnly), QStringList{"D finished loading F"});
        QCOMPARE(r.objectName(), QStringLiteral("Loaded"));
    }

    void commandShorterThanItsLengthIsZeroPadded()
    {
        RackSamples samples;
        OstrelTableModel history(samples.treeModel.get());
        const QString path = dir.filePath(QStringLiteral("short.dvk"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(rack(button(
            "<CommandPacket>SRC=0X1, DST=0X7, MSGID=0X380, DLEN=0X4, data:01</CommandPacket>")));
        file.close();
        InstrumentRackSwatch r(QString(), nullptr);
        r.setTreeModel(samples.treeModel.get());
        r.setHistoryModel(&history);
        r.importRackFromFile(path);
        QCOMPARE(r.buttons.size(), 1);
        OstrelTableRecord *stored = r.buttons.at(0)->commands.value(0);
        QVERIFY(stored);
        QCOMPARE(stored->message.length, quint16(4));
        QCOMPARE(stored->toStr(),
                 QStringLiteral("SRC=0X1, DST=0X7, MSGID=0X380, DLEN=0X4, data:01000000"));
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

    void exportDialogWritesTheChosenFile()
    {
        InstrumentRackSwatch r(QStringLiteral("Dialogue"));
        r.rackFolder = dir.path() + QLatin1Char('/');
        QString proposed, caption;
        onNextModal([&](QWidget *w) {
            auto *dialog = qobject_cast<QFileDialog *>(w);
            if (!dialog)
                return;
            caption = dialog->windowTitle();
            proposed = dialog->selectedFiles().value(0);
            dialog->selectFile(dir.filePath(QStringLiteral("chosen")));
            QMetaObject::invokeMethod(dialog, "accept");
        });
        r.exportAction->trigger();
        QCOMPARE(caption, QStringLiteral("Save queue to file"));
        QCOMPARE(proposed, dir.filePath(QStringLiteral("Dialogue.dvk")));
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("chosen.dvk"))));
    }

    void unwritablePathIsReportedAndOldFileKept()
    {
        InstrumentRackSwatch r(QStringLiteral("Nowhere"));
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
        RackSamples samples;
        OstrelTableModel history(samples.treeModel.get());
        InstrumentRackSwatch r(QStringLiteral("Power"));
        r.setTreeModel(samples.treeModel.get());
        r.setHistoryModel(&history);
        buildSampleRack(r, samples);
        const QString path = QStringLiteral(VELKARO_BINARY_DIR "/power.dvk");
        r.exportRackToFile(path);
        QFile written(path), sample(QString::fromLatin1(kSampleRack));
        QVERIFY(written.open(QIODevice::ReadOnly));
        QVERIFY2(sample.open(QIODevice::ReadOnly), "copy the written file into resources/racks");
        QCOMPARE(sample.readAll(), written.readAll());
    }

    void sampleRacksLoadAndFollowTelemetry()
    {
        RackSamples samples;
        OstrelTableModel history(samples.treeModel.get());
        const QStringList files = QDir(QStringLiteral("resources/racks"))
                                      .entryList({QStringLiteral("*.dvk")}, QDir::Files);
        QVERIFY(files.contains(QStringLiteral("power.dvk")));
        for (const QString &name : files) {
            InstrumentRackSwatch r(QString(), nullptr);
            r.setTreeModel(samples.treeModel.get());
            r.setHistoryModel(&history);
            const QString path = QStringLiteral("resources/racks/") + name;
            MessageLog log;
            r.importRackFromFile(path);
            QCOMPARE(log.take(path), QStringList{"D finished loading F"});
            QVERIFY(!r.objectName().isEmpty());
        }

        InstrumentRackSwatch r(QString(), nullptr);
        r.setTreeModel(samples.treeModel.get());
        r.setHistoryModel(&history);
        r.importRackFromFile(QString::fromLatin1(kSampleRack));
        QCOMPARE(r.plots.size(), 2);
        QCOMPARE(r.watches.size(), 4);
        QCOMPARE(r.buttons.size(), 1);
        QCOMPARE(r.buttons.at(0)->label->text(), QStringLiteral("PSW on(0)"));

        // Through the history model, as received telemetry comes.
        connect(&history, &OstrelTableModel::signalIncomingMsg, &r,
                &InstrumentRackSwatch::slotNewData);
        auto receive = [&](quint16 src, quint16 msgId, const QByteArray &hex) {
            const QByteArray bytes = QByteArray::fromHex(hex);
            auto *buffer = new uint8_t[bytes.size()];
            memcpy(buffer, bytes.constData(), size_t(bytes.size()));
            history.slotNewFromOstrel({msgId, src, 0x1, quint16(bytes.size()), buffer}, bytes);
        };
        // Port 2 main: 750 mA, 5000 mV, 31 degC.
        receive(0x7, 0x483, "10ee0288131f");
        auto *currents = qobject_cast<DvnCustomPlot *>(r.plots.at(0));
        QCOMPARE(currents->graph(1)->data()->size(), 1);
        QCOMPARE(currents->graph(1)->data()->begin()->value, 750.0);
        QCOMPARE(currents->graph(0)->data()->size(), 0);
        const double key = currents->graph(1)->data()->begin()->key;
        QCOMPARE(currents->xAxis->range().lower, std::trunc(key - 5000));

        // Battery: charging, -1200 mA, 7.5 V, 21 degC.
        receive(0x18, 0x582, "0150fb0000f04015");
        QCOMPARE(r.watches.at(0)->text(), QStringLiteral("7.5"));
        QCOMPARE(r.watches.at(1)->text(), QStringLiteral("-1200"));
        QCOMPARE(r.watches.at(2)->text(), QStringLiteral("21"));
        QCOMPARE(r.watches.at(3)->text(), QStringLiteral("voltage"));

        // Pressing the button (or its key) sends the mask to the power switch.
        QSignalSpy sent(&history, &OstrelTableModel::signalSendFromHistory);
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
