#include "cappedgraph.h"
#include "dvncustomplot.h"
#include "dvnfieldview.h"
#include "instrumentrackswatch.h"
#include "support_rack.h"

#include <QtTest>
#include <QtWidgets>

namespace
{
const qint64 T = 1700000000000; // 2023-11-14 22:13:20 UTC

CustomPlotSettings plotSettings(const QString &title, double cap = 3000)
{
    CustomPlotSettings s;
    s.title = title;
    s.xName = QStringLiteral("Time, ms");
    s.yName = QStringLiteral("Value");
    s.xMin = 0;
    s.xMax = 10000;
    s.yMin = 0;
    s.yMax = 10;
    s.maxPoints = cap;
    return s;
}

// feeders_state with port n's bit set for each n in `ports`; bit offsets
// count from the most significant bit of the first byte.
QByteArray feeders(std::initializer_list<int> ports)
{
    QByteArray b(4, '\0');
    for (int p : ports)
        b[(p - 1) / 8] = char(b[(p - 1) / 8] | (0x80 >> ((p - 1) % 8)));
    return b;
}

QCPRange range(const QCPAxis *axis)
{
    return axis->range();
}
} // namespace

class TestRackDataRoad : public QObject
{
    Q_OBJECT

    RackSamples samples;
    TreeItem *feedersItem = nullptr;
    TreeItem *thresholdItem = nullptr;

    std::unique_ptr<OstrelTableRecord> record(quint16 msgId, const QByteArray &data, qint64 ms)
    {
        return pswRecord(samples.treeModel.get(), msgId, data, ms);
    }

private slots:
    void initTestCase()
    {
        feedersItem = samples.node(0x7, 0x480);
        thresholdItem = samples.node(0x7, 0x481);
        QVERIFY(feedersItem && thresholdItem);
    }

    void deliveryGate_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<int>("emitted");
        QTest::addColumn<int>("points");
        QTest::newRow("bound field") << "bound" << 1 << 1;
        QTest::newRow("message without bound field") << "unbound" << 1 << 0;
        QTest::newRow("disabled rack") << "disabled" << 0 << 0;
        QTest::newRow("null record") << "null" << 0 << 0;
        QTest::newRow("undescribed message") << "undescribed" << 0 << 0;
    }
    void deliveryGate()
    {
        QFETCH(QString, what);
        QFETCH(int, emitted);
        QFETCH(int, points);
        InstrumentRackSwatch rack(QStringLiteral("A"));
        DvnCustomPlot *plot = rack.addCustomPlot(plotSettings(QStringLiteral("P")));
        QCPGraph *graph = rack.addGraphFromField(plot, feedersItem, 1);
        QSignalSpy spy(&rack, &InstrumentRackSwatch::signalNewFieldData);
        std::unique_ptr<OstrelTableRecord> rec;
        if (what == QLatin1String("bound") || what == QLatin1String("disabled"))
            rec = record(0x480, feeders({1}), T);
        else if (what == QLatin1String("unbound"))
            rec = record(0x481, QByteArray(6, '\0'), T);
        else if (what == QLatin1String("undescribed"))
            rec = record(0x4FF, QByteArray(2, '\0'), T);
        if (what == QLatin1String("disabled"))
            rack.slotEnableRack();
        rack.slotNewData(rec.get());
        QCOMPARE(spy.count(), emitted);
        QCOMPARE(graph->dataCount(), points);
        if (points)
            QCOMPARE(graph->data()->constBegin()->value, 1.0);
    }

    void firstPointWindow_data()
    {
        QTest::addColumn<bool>("autoscale");
        QTest::newRow("autoscale on") << true;
        QTest::newRow("autoscale off") << false;
    }
    void firstPointWindow()
    {
        QFETCH(bool, autoscale);
        InstrumentRackSwatch rack(QStringLiteral("A"));
        rack.slotAutoscaleChange(autoscale);
        CustomPlotSettings s = plotSettings(QStringLiteral("P"));
        s.xMin = T - 3600000; // a wider window than the first point's
        s.xMax = T + 3600000;
        DvnCustomPlot *plot = rack.addCustomPlot(s);
        QCPGraph *graph = rack.addGraphFromField(plot, feedersItem, 2);
        auto rec = record(0x480, feeders({2}), T + 123);
        rack.slotNewData(rec.get());
        QCOMPARE(graph->dataCount(), 1);
        QCOMPARE(range(plot->xAxis), QCPRange(T + 123 - 5000, T + 123 + 5000));
        QCOMPARE(range(plot->yAxis), QCPRange(0, 10));
        QCOMPARE(range(plot->xAxis2), range(plot->xAxis));

        // A graph cleared by its plot treats its next point as a first one.
        plot->slotResetPlotData();
        auto later = record(0x480, feeders({2}), T + 60000);
        rack.slotNewData(later.get());
        QCOMPARE(range(plot->xAxis), QCPRange(T + 55000, T + 65000));
    }

    void axesFollowPoints_data()
    {
        QTest::addColumn<bool>("autoscale");
        QTest::addColumn<QVector<QPointF>>("points");
        QTest::addColumn<QPointF>("x"); // lower, upper
        QTest::addColumn<QPointF>("y");
        const QPointF first(5000, 5); // its window is [0, 10000]
        QTest::newRow("x moves by half a window") << true << QVector<QPointF>{first, {12000, 5}}
                                                  << QPointF(5000, 15000) << QPointF(0, 10);
        QTest::newRow("x moves once per point")
            << true << QVector<QPointF>{first, {12000, 5}, {40000, 5}} << QPointF(10000, 20000)
            << QPointF(0, 10);
        QTest::newRow("y above") << true << QVector<QPointF>{first, {5000, 20}} << QPointF(0, 10000)
                                 << QPointF(0, 22);
        QTest::newRow("y above then below")
            << true << QVector<QPointF>{first, {5000, 20}, {5000, -5}} << QPointF(0, 10000)
            << QPointF(-9.4, 22);
        QTest::newRow("autoscale off") << false << QVector<QPointF>{first, {40000, 20}, {50000, -5}}
                                       << QPointF(0, 10000) << QPointF(0, 10);
    }
    void axesFollowPoints()
    {
        QFETCH(bool, autoscale);
        QFETCH(QVector<QPointF>, points);
        QFETCH(QPointF, x);
        QFETCH(QPointF, y);
        InstrumentRackSwatch rack(QStringLiteral("A"));
        rack.autoscaleAction->setChecked(autoscale);
        DvnCustomPlot *plot = rack.addCustomPlot(plotSettings(QStringLiteral("P")));
        QCPGraph *graph = rack.addGraphFromField(plot, thresholdItem, 1);
        for (const QPointF &p : points)
            rack.addPoint2Graph(graph, p.x(), p.y());
        QCOMPARE(range(plot->xAxis), QCPRange(x.x(), x.y()));
        QCOMPARE(range(plot->yAxis), QCPRange(y.x(), y.y()));
    }

    void negativeCapMakesEveryPointFirst()
    {
        InstrumentRackSwatch rack(QStringLiteral("A"));
        DvnCustomPlot *plot = rack.addCustomPlot(plotSettings(QStringLiteral("P"), -1));
        QCPGraph *graph = rack.addGraphFromField(plot, thresholdItem, 1);
        for (qint64 t : {T, T + 20000, T + 90000}) {
            rack.addPoint2Graph(graph, double(t), 1000);
            QCOMPARE(graph->dataCount(), 1);
            QCOMPARE(range(plot->xAxis), QCPRange(t - 5000, t + 5000));
        }
        QCOMPARE(range(plot->yAxis), QCPRange(0, 10));
    }

    void bindings()
    {
        InstrumentRackSwatch rack(QStringLiteral("A"));
        DvnCustomPlot *p1 = rack.addCustomPlot(plotSettings(QStringLiteral("P1")));
        DvnCustomPlot *p2 = rack.addCustomPlot(plotSettings(QStringLiteral("P2")));
        // Field 1 of two messages, and field 1 of feeders_state on both
        // plots and twice on one.
        QCPGraph *feeders1 = rack.addGraphFromField(p1, feedersItem, 1);
        QCPGraph *threshold1 = rack.addGraphFromField(p1, thresholdItem, 1);
        QCPGraph *again = rack.addGraphFromField(p2, feedersItem, 1);
        QCPGraph *twice = rack.addGraphFromField(p2, feedersItem, 1);
        QCPGraph *feeders2 = rack.addGraphFromField(p2, feedersItem, 2);
        QCOMPARE(feeders1->name(), QStringLiteral("PSW: feeders_state - port1_main"));
        QCOMPARE(feeders2->pen().width(), 1);
        QCOMPARE(qobject_cast<CappedGraph *>(feeders1)->dataMaxSize(), 3000.0);
        QCOMPARE(rack.fieldsOfItem.count(feedersItem), 4);
        QCOMPARE(rack.plotOfGraph.value(threshold1), p1);

        auto rec = record(0x480, feeders({2}), T);
        rack.slotNewData(rec.get());
        for (QCPGraph *g : {feeders1, again, twice, feeders2})
            QCOMPARE(g->dataCount(), 1);
        QCOMPARE(threshold1->dataCount(), 0);
        QCOMPARE(feeders1->data()->constBegin()->value, 0.0);
        QCOMPARE(feeders2->data()->constBegin()->value, 1.0);

        auto thr = record(0x481, QByteArray::fromHex("2a0000000000"), T);
        rack.slotNewData(thr.get());
        QCOMPARE(threshold1->dataCount(), 1);
        QCOMPARE(threshold1->data()->constBegin()->value, 42.0);
        QCOMPARE(feeders1->dataCount(), 1);

        TreeItem *item = nullptr;
        quint32 field = 0;
        QVERIFY(rack.bindingOfGraph(threshold1, &item, &field));
        QCOMPARE(item, thresholdItem);
        QCOMPARE(field, 1u);

        // One of the two graphs of the twice-bound field goes; the other
        // still receives, and the field is listed once less.
        rack.unbindGraph(twice);
        QCOMPARE(rack.fieldsOfItem.count(feedersItem), 3);
        QVERIFY(!rack.bindingOfGraph(twice, nullptr, nullptr));
        rack.unbindGraph(twice); // unbound already: nothing
        auto next = record(0x480, feeders({1}), T + 1);
        rack.slotNewData(next.get());
        QCOMPARE(twice->dataCount(), 1);
        QCOMPARE(again->dataCount(), 2);
    }

    void removedPlotReceivesNothing()
    {
        InstrumentRackSwatch rack(QStringLiteral("A"));
        DvnCustomPlot *plot = rack.addCustomPlot(plotSettings(QStringLiteral("P")));
        QCPGraph *a = rack.addGraphFromField(plot, feedersItem, 1);
        QCPGraph *b = rack.addGraphFromField(plot, thresholdItem, 1);
        rack.removeCustomPlot(plot);
        QVERIFY(rack.plotOfGraph.isEmpty() && rack.graphOfField.isEmpty() &&
                rack.fieldsOfItem.isEmpty());
        QSignalSpy spy(&rack, &InstrumentRackSwatch::signalNewFieldData);
        {
            MessageCounter messages;
            auto rec = record(0x480, feeders({1}), T);
            rack.slotNewData(rec.get());
            QCOMPARE(MessageCounter::count, 0);
        }
        QCOMPARE(a->dataCount() + b->dataCount(), 0);
        QCOMPARE(spy.count(), 1);
    }

    void graphsAndWatchesFromSettings_data()
    {
        QTest::addColumn<bool>("withTree");
        QTest::addColumn<uint>("dev");
        QTest::addColumn<uint>("msg");
        QTest::addColumn<uint>("field");
        QTest::addColumn<QString>("message");
        QTest::newRow("found") << true << 7u << 0x480u << 3u << QString();
        QTest::newRow("no message")
            << true << 7u << 0x4FFu << 1u
            << "Can't find message 1279 for device 7. Different Zedorir map?";
        QTest::newRow("no device")
            << true << 99u << 0x480u << 1u
            << "Can't find message 1152 for device 99. Different Zedorir map?";
        QTest::newRow("no field") << true << 7u << 0x480u << 33u
                                  << "Can't find field 33 in message 1152 for device 7. "
                                     "Different Zedorir map or Device description file?";
        QTest::newRow("no tree model")
            << false << 7u << 0x480u << 1u
            << "Can't find message 1152 for device 7. Different Zedorir map?";
    }
    void graphsAndWatchesFromSettings()
    {
        QFETCH(bool, withTree);
        QFETCH(uint, dev);
        QFETCH(uint, msg);
        QFETCH(uint, field);
        QFETCH(QString, message);
        InstrumentRackSwatch rack(QStringLiteral("A"));
        if (withTree)
            rack.setTreeModel(samples.treeModel.get());
        DvnCustomPlot *plot = rack.addCustomPlot(plotSettings(QStringLiteral("P")));
        if (!message.isEmpty())
            QTest::ignoreMessage(QtCriticalMsg, qPrintable(message));
        rack.addGraphFromSettings(plot, {dev, msg, field});
        QCOMPARE(plot->graphCount(), message.isEmpty() ? 1 : 0);
        QCOMPARE(rack.addWatchFromSettings({dev, msg, field}), message.isEmpty());
        QCOMPARE(rack.watches.size(), message.isEmpty() ? 1 : 0);
    }

    void missingFieldIsReported()
    {
        InstrumentRackSwatch rack(QStringLiteral("A"));
        DvnCustomPlot *plot = rack.addCustomPlot(plotSettings(QStringLiteral("P")));
        QTest::ignoreMessage(QtCriticalMsg, "field 40 not found in feeders_state");
        QVERIFY(!rack.addGraphFromField(plot, feedersItem, 40));
        QVERIFY(!rack.addGraphFromField(nullptr, feedersItem, 1));
        QVERIFY(!rack.addGraphFromField(plot, nullptr, 1));
        QVERIFY(rack.graphOfField.isEmpty());
    }

    void offerMenuOfTwoRacks()
    {
        InstrumentRackSwatch a(QStringLiteral("A"));
        InstrumentRackSwatch b(QStringLiteral("B"));
        DvnCustomPlot *p2 = nullptr;
        a.addCustomPlot(plotSettings(QStringLiteral("P1")));
        p2 = a.addCustomPlot(plotSettings(QStringLiteral("P2")));
        QMenu menu;
        a.slotConnectField2GraphSubmenu(&menu, feedersItem, 5);
        b.slotConnectField2GraphSubmenu(&menu, feedersItem, 5);
        QCOMPARE(actionTexts(&menu),
                 QStringList({"A - To watch", "A - P1", "A - P2", "B - To watch"}));
        actionNamed(&menu, QStringLiteral("A - P2"))->trigger();
        QCOMPARE(p2->graphCount(), 1);
        QCOMPARE(p2->graph(0)->name(), QStringLiteral("PSW: feeders_state - port5_main"));

        // The watch of the offered field, captioned after the packet node.
        actionNamed(&menu, QStringLiteral("B - To watch"))->trigger();
        QCOMPARE(b.watches.size(), 1);
        DvnFieldView *watch = b.watches.first();
        QCOMPARE(watch->label->text(),
                 feedersItem->data(0).toString().mid(6) + QStringLiteral("-port5_main"));
        QVERIFY(watch->label->text().startsWith(QLatin1Char(' ')));
        auto rec = record(0x480, feeders({5}), T);
        b.slotNewData(rec.get());
        QCOMPARE(watch->text(), QStringLiteral("Set"));
        b.slotEnableRack();
        auto off = record(0x480, feeders({}), T);
        b.slotNewData(off.get());
        QCOMPARE(watch->text(), QStringLiteral("Set"));
    }

    void renderRack()
    {
        InstrumentRackSwatch rack(QStringLiteral("Power switch"));
        rack.setTreeModel(samples.treeModel.get());
        rack.resize(1000, 700);
        DvnCustomPlot *states = rack.addCustomPlot(plotSettings(QStringLiteral("Channel states")));
        CustomPlotSettings s = plotSettings(QStringLiteral("Current limit"));
        s.yName = QStringLiteral("Port");
        DvnCustomPlot *limits = rack.addCustomPlot(s);
        rack.addGraphFromField(states, feedersItem, 1);
        rack.addGraphFromField(states, feedersItem, 2);
        rack.addGraphFromField(limits, thresholdItem, 1);
        rack.addWatchFromField(feedersItem, 1);
        rack.addWatchFromField(thresholdItem, 1);
        for (int i = 0; i < 120; ++i) {
            const qint64 t = T + i * 500;
            auto f = record(0x480, feeders({(i / 10) % 2 ? 1 : 2, 3}), t);
            rack.slotNewData(f.get());
            QByteArray thr(6, '\0');
            thr[0] = char(quint8(100 + 50 * std::sin(i / 10.0)));
            auto l = record(0x481, thr, t);
            rack.slotNewData(l.get());
        }
        rack.show();
        rack.handleTimeoutReplot();
        // The tracer on the last limit, written into the status bar.
        QCPGraph *limit = limits->graph(0);
        limit->setSelection(QCPDataSelection(limit->data()->dataRange()));
        const double lastKey = (limit->data()->constEnd() - 1)->key;
        QMouseEvent press(QEvent::MouseButtonPress,
                          QPointF(limits->xAxis->coordToPixel(lastKey), 10), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        limits->mousePress(&press);
        QCOMPARE(rack.innerWindow->statusBar()->currentMessage(),
                 QStringLiteral("PSW: threshold - port: Time, ms = 22:14:19.500, Port = %1")
                     .arg((limit->data()->constEnd() - 1)->value));
        rack.handleTimeoutReplot();
        const QString png = QStringLiteral(VELKARO_BINARY_DIR "/racks_rack.png");
        QCoreApplication::sendPostedEvents(); // pending layouts, the status bar's among them
        QVERIFY(rack.grab().save(png));
        QVERIFY(QFileInfo(png).size() > 0);
    }
};

QTEST_MAIN(TestRackDataRoad)
#include "tst_rackdataroad.moc"
