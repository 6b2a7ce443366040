#include "cappedgraph.h"
#include "msecdatetimeticker.h"

#include <QtTest>

#include <cmath>
#include <limits>

namespace
{
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

QVector<double> keysOf(const QCPGraph *graph)
{
    QVector<double> keys;
    for (auto it = graph->data()->constBegin(); it != graph->data()->constEnd(); ++it)
        keys.append(it->key);
    return keys;
}

struct LabelProbe : MSecDateTimeTicker {
    using MSecDateTimeTicker::getTickLabel;
};
} // namespace

class TestCappedGraph : public QObject
{
    Q_OBJECT
private slots:
    void capKeepsNewest_data()
    {
        QTest::addColumn<double>("cap");
        QTest::addColumn<int>("adds");
        QTest::addColumn<int>("held");
        QTest::newRow("3000 after 5000") << 3000.0 << 5000 << 3001;
        QTest::newRow("1") << 1.0 << 10 << 2;
        QTest::newRow("0 unlimited") << 0.0 << 5000 << 5000;
        QTest::newRow("NaN unlimited") << kNaN << 5000 << 5000;
        QTest::newRow("infinite") << kInf << 50 << 50;
        QTest::newRow("fraction") << 2.5 << 10 << 4;
        QTest::newRow("-1") << -1.0 << 10 << 1;
        QTest::newRow("huge negative") << -1e300 << 10 << 1;
        QTest::newRow("minus infinity") << -kInf << 10 << 1;
    }
    void capKeepsNewest()
    {
        QFETCH(double, cap);
        QFETCH(int, adds);
        QFETCH(int, held);
        QCustomPlot plot;
        CappedGraph &graph = *new CappedGraph(plot.xAxis, plot.yAxis); // the plot owns it
        graph.setDataMaxSize(cap);
        for (int i = 0; i < adds; ++i)
            graph.addPoint(i, -i);
        QCOMPARE(graph.dataCount(), held);
        QCOMPARE(keysOf(&graph).first(), double(adds - held));
        QCOMPARE(keysOf(&graph).last(), double(adds - 1));
        QCOMPARE(graph.data()->constBegin()->value, -double(adds - held));
    }

    void pointsOverCapNeverExceedsHeld_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<double>("cap");
        QTest::addColumn<int>("over");
        QTest::newRow("steady") << 3001 << 3000.0 << 1;
        QTest::newRow("at cap") << 3000 << 3000.0 << 0;
        QTest::newRow("lowered") << 3001 << 100.0 << 2901;
        QTest::newRow("fraction") << 4 << 2.5 << 1;
        QTest::newRow("empty, negative") << 0 << -1.0 << 0;
        QTest::newRow("beyond int") << 7 << -1e18 << 7;
        QTest::newRow("NaN") << 7 << kNaN << 0;
        QTest::newRow("zero") << 7 << 0.0 << 0;
    }
    void pointsOverCapNeverExceedsHeld()
    {
        QFETCH(int, count);
        QFETCH(double, cap);
        QFETCH(int, over);
        QCOMPARE(CappedGraph::pointsOverCap(count, cap), over);
    }

    void loweredCapTrimsAtNextAdd()
    {
        QCustomPlot plot;
        CappedGraph &graph = *new CappedGraph(plot.xAxis, plot.yAxis); // the plot owns it
        graph.setDataMaxSize(3000);
        for (int i = 0; i < 3001; ++i)
            graph.addPoint(i, 0);
        graph.setDataMaxSize(100);
        QCOMPARE(graph.dataMaxSize(), 100.0);
        QCOMPARE(graph.dataCount(), 3001);
        graph.addPoint(5000, 0);
        QCOMPARE(graph.dataCount(), 101);
        QCOMPARE(keysOf(&graph).first(), 2901.0);
    }

    void lowestKeyGoesFirstAndEqualKeysStay()
    {
        QCustomPlot plot;
        CappedGraph &graph = *new CappedGraph(plot.xAxis, plot.yAxis); // the plot owns it
        graph.setDataMaxSize(2);
        graph.addPoint(10, 1);
        graph.addPoint(10, 2);
        graph.addPoint(5, 3); // below all others, inserted all the same
        QCOMPARE(keysOf(&graph), QVector<double>({5, 10, 10}));
        graph.addPoint(20, 4);
        QCOMPARE(keysOf(&graph), QVector<double>({10, 10, 20}));
    }

    void clearedGraphStillCaps()
    {
        QCustomPlot plot;
        CappedGraph &graph = *new CappedGraph(plot.xAxis, plot.yAxis); // the plot owns it
        graph.setDataMaxSize(1);
        graph.addPoint(1, 1);
        graph.data()->clear();
        for (int i = 0; i < 5; ++i)
            graph.addPoint(i, i);
        QCOMPARE(graph.dataCount(), 2);
        // A container swapped in from outside is taken over, not bypassed.
        graph.setData(QVector<double>{1, 2, 3}, QVector<double>{1, 2, 3});
        graph.addPoint(4, 4);
        QCOMPARE(keysOf(&graph), QVector<double>({3, 4}));
    }

    void millisecondLabels_data()
    {
        QTest::addColumn<double>("key");
        QTest::addColumn<QString>("label");
        QTest::newRow("epoch") << 0.0 << "1970-01-01 00:00:00.000";
        QTest::newRow("61 s") << 61000.0 << "1970-01-01 00:01:01.000";
        QTest::newRow("fraction truncated") << 61000.9 << "1970-01-01 00:01:01.000";
        QTest::newRow("2023") << 1700000000123.0 << "2023-11-14 22:13:20.123";
        QTest::newRow("no time") << kNaN << "1970-01-01 00:00:00.000";
    }
    void millisecondLabels()
    {
        QFETCH(double, key);
        QFETCH(QString, label);
        LabelProbe ticker;
        ticker.setDateTimeFormat(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
        QCOMPARE(ticker.dateTimeSpec(), Qt::UTC);
        QCOMPARE(ticker.getTickLabel(key, QLocale::c(), 'g', 6), label);
    }

    void axisTicksInMilliseconds()
    {
        QCustomPlot plot;
        QSharedPointer<MSecDateTimeTicker> ticker(new MSecDateTimeTicker);
        plot.xAxis->setTicker(ticker);
        QVector<double> ticks;
        QVector<QString> labels;
        ticker->generate(QCPRange(0, 61000), plot.locale(), 'g', 6, ticks, nullptr, &labels);
        QVERIFY(ticks.contains(0.0));
        QVERIFY(ticks.contains(60000.0));
        QCOMPARE(labels.at(ticks.indexOf(0.0)), QStringLiteral("00:00:00\n000"));
        QCOMPARE(labels.at(ticks.indexOf(60000.0)), QStringLiteral("00:01:00\n000"));
    }
};

QTEST_MAIN(TestCappedGraph)
#include "tst_cappedgraph.moc"
