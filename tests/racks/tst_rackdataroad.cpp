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

CustomPlotSettings plotSettings(const QString &title)
{
    return {title, true, QStringLiteral("Time, ms"), 0, 10000, QStringLiteral("Value"), 0, 10,
            3000,  0};
}
} // namespace

class TestRackDataRoad : public QObject
{
    Q_OBJECT
    RackSamples samples;
    TreeItem *feedersItem = samples.node(0x7, 0x480);
    TreeItem *thresholdItem = samples.node(0x7, 0x481);
    std::unique_ptr<InstrumentRackSwatch> rack;
    DvnCustomPlot *plot = nullptr;

    void deliver(quint16 msgId, const QByteArray &data, qint64 ms,
                 InstrumentRackSwatch *to = nullptr)
    {
        (to ? to : rack.get())
            ->slotNewData(pswRecord(samples.treeModel.get(), msgId, data, ms).get());
    }

private slots:
    void init()
    {
        QVERIFY(feedersItem && thresholdItem);
        rack.reset(new InstrumentRackSwatch(QStringLiteral("A")));
        rack->setTreeModel(samples.treeModel.get());
        plot = rack->addCustomPlot(plotSettings(QStringLiteral("P")));
    }
    void cleanup() { rack.reset(); }

    void deliveryGate_data()
    {
        QTest::addColumn<int>("msgId");
        QTest::addColumn<bool>("disabled");
        QTest::addColumn<int>("emitted");
        QTest::addColumn<int>("points");
        QTest::newRow("bound field") << 0x480 << false << 1 << 1;
        QTest::newRow("message without bound field") << 0x481 << false << 1 << 0;
        QTest::newRow("disabled rack") << 0x480 << true << 0 << 0;
        QTest::newRow("undescribed message") << 0x4FF << false << 0 << 0;
    }
    void deliveryGate()
    {
        QFETCH(int, msgId);
        QFETCH(bool, disabled);
        QFETCH(int, emitted);
        QFETCH(int, points);
        QCPGraph *graph = rack->addGraphFromField(plot, feedersItem, 1);
        QSignalSpy spy(rack.get(), &InstrumentRackSwatch::signalNewFieldData);
        if (disabled)
            rack->slotEnableRack();
        deliver(quint16(msgId), feeders({1}), T);
        QCOMPARE(spy.count(), emitted);
        QCOMPARE(graph->dataCount(), points);
    }

    void axesFollowPoints()
    {
        plot->xAxis->setRange(-1e9, 1e9);
        QCPGraph *graph = rack->addGraphFromField(plot, thresholdItem, 1);
        rack->addPoint2Graph(graph, 5000, 5); // the first point sets its own window
        QCOMPARE(plot->xAxis->range(), QCPRange(0, 10000));
        // x moves on by half a window; y widens above, then below
        rack->addPoint2Graph(graph, 12000, 20);
        rack->addPoint2Graph(graph, 5000, -5);
        QCOMPARE(plot->xAxis->range(), QCPRange(5000, 15000));
        QCOMPARE(plot->yAxis->range(), QCPRange(-9.4, 22));
    }

    void bindings()
    {
        // Field 1 of two messages; field 1 of feeders_state on both plots, twice on one.
        DvnCustomPlot *p2 = rack->addCustomPlot(plotSettings(QStringLiteral("P2")));
        QCPGraph *feeders1 = rack->addGraphFromField(plot, feedersItem, 1);
        QCPGraph *threshold1 = rack->addGraphFromField(plot, thresholdItem, 1);
        QCPGraph *again = rack->addGraphFromField(p2, feedersItem, 1);
        QCPGraph *twice = rack->addGraphFromField(p2, feedersItem, 1);
        QCPGraph *feeders2 = rack->addGraphFromField(p2, feedersItem, 2);
        QCOMPARE(qobject_cast<CappedGraph *>(feeders1)->dataMaxSize(), 3000.0);

        deliver(0x480, feeders({2}), T);
        for (QCPGraph *g : {feeders1, again, twice, feeders2})
            QCOMPARE(g->dataCount(), 1);
        QCOMPARE(feeders2->data()->constBegin()->value, 1.0);
        QCOMPARE(threshold1->dataCount(), 0);
        deliver(0x481, QByteArray::fromHex("2a0000000000"), T);
        QCOMPARE(threshold1->data()->constBegin()->value, 42.0);
        QCOMPARE(feeders1->dataCount(), 1);

        // One of the twice-bound graphs goes; the other still receives.
        rack->unbindGraph(twice);
        rack->unbindGraph(twice);
        QCOMPARE(rack->fieldsOfItem.count(feedersItem), 3);
        deliver(0x480, feeders({1}), T + 1);
        QCOMPARE(twice->dataCount(), 1);
        QCOMPARE(again->dataCount(), 2);
        // Placed at each record's time in milliseconds.
        QCOMPARE(again->data()->constBegin()->key, 1700000000000.0);
        QCOMPARE((again->data()->constEnd() - 1)->key, 1700000000001.0);
    }

    void fromSettingsWithoutTheField()
    {
        QTest::ignoreMessage(QtCriticalMsg, "Can't find field 33 in message 1152 for device 7. "
                                            "Different Zedorir map or Device description file?");
        rack->addGraphFromSettings(plot, {7, 0x480, 33});
        QCOMPARE(plot->graphCount(), 0);
        QVERIFY(!rack->addWatchFromSettings({7, 0x480, 33}));
    }

    void offerMenuOfTwoRacks()
    {
        DvnCustomPlot *p2 = rack->addCustomPlot(plotSettings(QStringLiteral("P2")));
        InstrumentRackSwatch b(QStringLiteral("B"));
        QMenu menu;
        rack->slotConnectField2GraphSubmenu(&menu, feedersItem, 5);
        b.slotConnectField2GraphSubmenu(&menu, feedersItem, 5);
        actionNamed(&menu, QStringLiteral("A - P2"))->trigger();
        QCOMPARE(p2->graph(0)->name(), QStringLiteral("PSW: feeders_state - port5_main"));
        actionNamed(&menu, QStringLiteral("B - To watch"))->trigger();
        DvnFieldView *watch = b.watches.value(0);
        QVERIFY(watch);
        deliver(0x480, feeders({5}), T, &b);
        b.handleTimeoutReplot();
        QCOMPARE(watch->text(), QStringLiteral("Set"));
    }

    void tickDrawsOnlyChanges()
    {
        rack->show();
        QVERIFY(QTest::qWaitForWindowExposed(rack.get()));
        QTRY_VERIFY(!plot->isStale());
        rack->addGraphFromField(plot, feedersItem, 1);
        QSignalSpy drawn(plot, &QCustomPlot::afterReplot);
        const auto tick = [&] {
            rack->handleTimeoutReplot();
            rack->replotTimer->stop();
            return drawn.count();
        };
        deliver(0x480, feeders({1}), T); // a record never draws; the tick does, once
        QCOMPARE(drawn.count(), 0);
        QCOMPARE(tick(), 1);
        QCOMPARE(tick(), 1);
        deliver(0x481, QByteArray(6, '\0'), T + 1); // no bound field
        QCOMPARE(tick(), 1);
        rack->hide(); // out of sight: drawn when shown again
        deliver(0x480, feeders({}), T + 2);
        QCOMPARE(tick(), 1);
        rack->show();
        QTRY_COMPARE(drawn.count(), 2);
        QCOMPARE(tick(), 2);
        deliver(0x480, feeders({1}), T + 3);
        plot->repaint(); // never shows an older picture than it holds
        QCOMPARE(drawn.count(), 3);
        QCOMPARE(tick(), 3);
    }
};

QTEST_MAIN(TestRackDataRoad)
#include "tst_rackdataroad.moc"
