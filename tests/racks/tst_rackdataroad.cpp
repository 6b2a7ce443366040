#include "cappedgraph.h"
#include "dvncustomplot.h"
#include "dvnfieldview.h"
#include "instrumentrackswatch.h"
#include "msecdatetimeticker.h"
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

    void axesFollowPoints_data()
    {
        QTest::addColumn<bool>("autoscale");
        QTest::addColumn<QVector<QPointF>>("points");
        QTest::addColumn<QPointF>("x"); // lower, upper
        QTest::addColumn<QPointF>("y");
        const QPointF first(5000, 5); // its window is [0, 10000]
        QTest::newRow("x moves by half a window") << true << QVector<QPointF>{first, {12000, 5}}
                                                  << QPointF(5000, 15000) << QPointF(0, 10);
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
        rack->autoscaleAction->setChecked(autoscale);
        plot->xAxis->setRange(-1e9, 1e9); // the first point sets its own window
        QCPGraph *graph = rack->addGraphFromField(plot, thresholdItem, 1);
        for (const QPointF &p : points)
            rack->addPoint2Graph(graph, p.x(), p.y());
        QCOMPARE(plot->xAxis->range(), QCPRange(x.x(), x.y()));
        QCOMPARE(plot->yAxis->range(), QCPRange(y.x(), y.y()));
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
    }

    void fromSettings_data()
    {
        QTest::addColumn<uint>("msg");
        QTest::addColumn<uint>("field");
        QTest::addColumn<QString>("message");
        QTest::newRow("found") << 0x480u << 3u << QString();
        QTest::newRow("no field") << 0x480u << 33u
                                  << "Can't find field 33 in message 1152 for device 7. "
                                     "Different Zedorir map or Device description file?";
    }
    void fromSettings()
    {
        QFETCH(uint, msg);
        QFETCH(uint, field);
        QFETCH(QString, message);
        if (!message.isEmpty())
            QTest::ignoreMessage(QtCriticalMsg, qPrintable(message));
        rack->addGraphFromSettings(plot, {7, msg, field});
        QCOMPARE(plot->graphCount(), message.isEmpty() ? 1 : 0);
        QCOMPARE(rack->addWatchFromSettings({7, msg, field}), message.isEmpty());
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
