#include "cappedgraph.h"
#include "msecdatetimeticker.h"

#include <QtTest>

#include <limits>

namespace
{
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

struct LabelProbe : MSecDateTimeTicker {
    using MSecDateTimeTicker::getTickLabel;
};
} // namespace

class TestCappedGraph : public QObject
{
    Q_OBJECT
    QCustomPlot plot;

private slots:
    void capKeepsNewest_data()
    {
        QTest::addColumn<double>("cap");
        QTest::addColumn<int>("adds");
        QTest::addColumn<int>("held");
        QTest::newRow("3000 after 5000") << 3000.0 << 5000 << 3001;
        QTest::newRow("1") << 1.0 << 10 << 2;
        QTest::newRow("0 unlimited") << 0.0 << 50 << 50;
        QTest::newRow("NaN unlimited") << kNaN << 50 << 50;
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
        auto *g = new CappedGraph(plot.xAxis, plot.yAxis); // the plot owns it
        g->setDataMaxSize(cap);
        for (int i = 0; i < adds; ++i)
            g->addPoint(i, -i);
        QCOMPARE(g->dataCount(), held);
        QCOMPARE(g->data()->constBegin()->key, double(adds - held));
        QCOMPARE(g->data()->constBegin()->value, -double(adds - held));
        // A lowered cap trims at the next add.
        g->setDataMaxSize(1);
        g->addPoint(adds, 0);
        QCOMPARE(g->dataCount(), 2);
    }

    void millisecondLabels_data()
    {
        QTest::addColumn<double>("key");
        QTest::addColumn<QString>("label");
        QTest::newRow("epoch") << 0.0 << "1970-01-01 00:00:00.000";
        QTest::newRow("61 s") << 61000.0 << "1970-01-01 00:01:01.000";
        QTest::newRow("no time") << kNaN << "1970-01-01 00:00:00.000";
    }
    void millisecondLabels()
    {
        QFETCH(double, key);
        QFETCH(QString, label);
        LabelProbe ticker;
        ticker.setDateTimeFormat(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
        QCOMPARE(ticker.getTickLabel(key, QLocale::c(), 'g', 6), label);
        // The axis's own ticks stand at whole milliseconds.
        QVector<double> ticks;
        QVector<QString> labels;
        MSecDateTimeTicker().generate(QCPRange(0, 61000), QLocale::c(), 'g', 6, ticks, nullptr,
                                      &labels);
        QCOMPARE(labels.value(ticks.indexOf(60000.0)), QStringLiteral("00:01:00\n000"));
    }
};

QTEST_MAIN(TestCappedGraph)
#include "tst_cappedgraph.moc"
