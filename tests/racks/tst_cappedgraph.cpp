#include "cappedgraph.h"
#include "msecdatetimeticker.h"

#include <QtTest>

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
    QCustomPlot plot;

    CappedGraph *graph(double cap)
    {
        auto *g = new CappedGraph(plot.xAxis, plot.yAxis); // the plot owns it
        g->setDataMaxSize(cap);
        return g;
    }

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
        // count - cap beyond any integer: clamped to the points held.
        QTest::newRow("huge negative") << -1e300 << 10 << 1;
        QTest::newRow("minus infinity") << -kInf << 10 << 1;
    }
    void capKeepsNewest()
    {
        QFETCH(double, cap);
        QFETCH(int, adds);
        QFETCH(int, held);
        CappedGraph *g = graph(cap);
        for (int i = 0; i < adds; ++i)
            g->addPoint(i, -i);
        QCOMPARE(g->dataCount(), held);
        QCOMPARE(keysOf(g).first(), double(adds - held));
        QCOMPARE(g->data()->constBegin()->value, -double(adds - held));
        QCOMPARE(keysOf(g).last(), double(adds - 1));
    }

    void loweredCapTrimsAtNextAdd()
    {
        CappedGraph *g = graph(3000);
        for (int i = 0; i < 3001; ++i)
            g->addPoint(i, 0);
        g->setDataMaxSize(100);
        QCOMPARE(g->dataCount(), 3001);
        g->addPoint(5000, 0);
        QCOMPARE(g->dataCount(), 101);
        QCOMPARE(keysOf(g).first(), 2901.0);
    }

    void lowestKeysGoFirst()
    {
        CappedGraph *g = graph(2);
        g->addPoint(10, 1);
        g->addPoint(10, 2); // equal keys both stay
        g->addPoint(5, 3);  // below all others, inserted all the same
        QCOMPARE(keysOf(g), QVector<double>({5, 10, 10}));
        g->addPoint(20, 4);
        QCOMPARE(keysOf(g), QVector<double>({10, 10, 20}));
        // A container swapped in from outside is taken over, not bypassed.
        g->setData(QVector<double>{1, 2, 3, 4}, QVector<double>{1, 2, 3, 4});
        g->addPoint(5, 5);
        QCOMPARE(keysOf(g), QVector<double>({3, 4, 5}));
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
        QCOMPARE(ticker.getTickLabel(key, QLocale::c(), 'g', 6), label);
    }

    void axisTicksInMilliseconds()
    {
        MSecDateTimeTicker ticker;
        QVector<double> ticks;
        QVector<QString> labels;
        ticker.generate(QCPRange(0, 61000), plot.locale(), 'g', 6, ticks, nullptr, &labels);
        QCOMPARE(labels.value(ticks.indexOf(0.0)), QStringLiteral("00:00:00\n000"));
        QCOMPARE(labels.value(ticks.indexOf(60000.0)), QStringLiteral("00:01:00\n000"));
    }
};

QTEST_MAIN(TestCappedGraph)
#include "tst_cappedgraph.moc"
