#include "../app/support_savedialog.h"
#include "../core/support_fixture.h"
#include "cappedgraph.h"
#include "dvncustomplot.h"
#include "instrumentrackswatch.h"
#include "support_rack.h"

#include <QtTest>
#include <QtWidgets>

#include <limits>

namespace
{
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

QStringList readLines(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly | QIODevice::Text);
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
}

void selectGraph(QCPGraph *g)
{
    g->setSelection(QCPDataSelection(g->data()->dataRange()));
}
} // namespace

class TestDvnCustomPlot : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    std::unique_ptr<InstrumentRackSwatch> rack;
    DvnCustomPlot *plot = nullptr;

    void press(double key)
    {
        const QPointF at(plot->xAxis->coordToPixel(key), plot->axisRect()->center().y());
        QMouseEvent e(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        emit plot->QCustomPlot::mousePress(&e);
    }
    QString status() const { return rack->innerWindow->statusBar()->currentMessage(); }
    CappedGraph *namedGraph()
    {
        CappedGraph *g = plot->addCappedGraph();
        g->setName(QStringLiteral("G"));
        return g;
    }

private slots:
    void init()
    {
        rack.reset(new InstrumentRackSwatch(QStringLiteral("R")));
        plot = rack->addCustomPlot({QStringLiteral("Plot"), true, QStringLiteral("Time"), 0, 1000,
                                    QStringLiteral("mA"), 0, 10, 3000, 0});
    }
    void cleanup() { rack.reset(); }

    void capKeepsNewest_data()
    {
        QTest::addColumn<double>("cap");
        QTest::addColumn<int>("adds");
        QTest::addColumn<int>("held");
        QTest::newRow("3000 after 5000") << 3000.0 << 5000 << 3001;
        QTest::newRow("0 unlimited") << 0.0 << 50 << 50;
        QTest::newRow("NaN unlimited") << kNaN << 50 << 50;
        // count - cap beyond any integer: clamped to the points held.
        QTest::newRow("huge negative") << -1e300 << 10 << 1;
        QTest::newRow("minus infinity") << -kInf << 10 << 1;
    }
    void capKeepsNewest()
    {
        QFETCH(double, cap);
        QFETCH(int, adds);
        QFETCH(int, held);
        CappedGraph *g = plot->addCappedGraph();
        g->setDataMaxSize(cap);
        for (int i = 0; i < adds; ++i)
            g->addPoint(i, -i);
        QCOMPARE(g->dataCount(), held);
        QCOMPARE(g->data()->constBegin()->value, -double(adds - held));
    }
    void equalKeysLastAddedFirst()
    {
        CappedGraph *g = plot->addCappedGraph();
        g->setDataMaxSize(1);
        g->addPoint(5, 1);
        g->addPoint(5, 2);
        g->addPoint(9, 3); // the trim takes the later point at key 5
        QCOMPARE(g->data()->constBegin()->value, 1.0);
        QCOMPARE(g->dataCount(), 2);
    }

    void timesShowInTheLocalZone()
    {
        const QByteArray was = qgetenv("TZ"); // UTC, from main
        qputenv("TZ", "Europe/Berlin");       // one hour ahead of UTC in January 1970
        tzset();
        const auto restore = qScopeGuard([was] {
            was.isNull() ? qunsetenv("TZ") : qputenv("TZ", was);
            tzset();
        });
        CappedGraph *g = namedGraph();
        g->addPoint(0, 5);
        CappedGraph *odd = plot->addCappedGraph(); // keys that are no time: the epoch
        for (double key : {1e300, kNaN})
            odd->addPoint(key, 6);
        QVector<double> ticks;
        QVector<QString> labels;
        plot->xAxis->ticker()->generate(QCPRange(0, 61000), QLocale::c(), 'g', 6, ticks, nullptr,
                                        &labels);
        QCOMPARE(labels.value(ticks.indexOf(0.0)), QStringLiteral("01:00:00\n000"));
        selectGraph(g);
        press(0);
        QCOMPARE(status(), QStringLiteral("G: Time = 01:00:00.000, mA = 5"));
        const QString path = dir.filePath(QStringLiteral("zone.csv"));
        QVERIFY(plot->savePlotData(path));
        QCOMPARE(readLines(path).mid(3, 4),
                 QStringList({"70-01-01 01:00:00:000;5", "Graph 1 - Time;Graph 1 - mA",
                              "70-01-01 01:00:00:000;6", "70-01-01 01:00:00:000;6"}));
    }

    void tracerTakesNearestPoint()
    {
        plot->resize(600, 400);
        plot->replot();
        CappedGraph *g = namedGraph();
        for (double k : {100.0, 200.0, 400.0})
            g->addPoint(k, k / 100);
        press(140); // nothing selected: no tracer
        QCOMPARE(plot->itemCount(), 0);
        selectGraph(g);
        press(140);
        press(140);
        QCOMPARE(plot->itemCount(), 1);
        QCOMPARE(status(), QStringLiteral("G: Time = 00:00:00.100, mA = 1"));
        plot->slotResetPlotData(); // clearing the data takes the tracer with it
        QCOMPARE(plot->itemCount(), 0);
    }

    void emptyGraphChosenByLegendGetsTracerAtOrigin()
    {
        CappedGraph *g = namedGraph();
        plot->legend->itemWithPlottable(g)->setSelected(true);
        plot->selectionChanged();
        press(500);
        QCOMPARE(plot->itemCount(), 1);
        QCOMPARE(status(), QStringLiteral("G: Time = 00:00:00.000, mA = 0"));
    }

    void dataDepth_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<double>("cap");
        QTest::newRow("number") << "1e3" << 1000.0;
        QTest::newRow("cancelled") << QString() << 3000.0;
    }
    void dataDepth()
    {
        QFETCH(QString, typed);
        QFETCH(double, cap);
        CappedGraph *g = plot->addCappedGraph();
        g->setDataMaxSize(3000);
        answerInput([this] { plot->slotSetMaxSize(); }, typed);
        QCOMPARE(plot->plotSettings.maxPoints, cap);
        QCOMPARE(g->dataMaxSize(), cap);
    }

    void removingGraphsUnbindsThem()
    {
        RackSamples samples;
        TreeItem *item = samples.node(0x7, 0x480);
        QCPGraph *a = rack->addGraphFromField(plot, item, 1);
        rack->addGraphFromField(plot, item, 2);
        rack->addPoint2Graph(a, 1, 1); // an empty graph cannot be selected
        selectGraph(a);
        plot->removeSelectedGraph();
        QVERIFY(!rack->plotOfGraph.contains(a) && rack->plotOfGraph.size() == 1);
        plot->removeAllGraphs();
        QVERIFY(rack->graphOfField.isEmpty() && rack->fieldsOfItem.isEmpty() &&
                rack->plotOfGraph.isEmpty());
    }

    void plotDataAsText()
    {
        rack->setObjectName(QStringLiteral("Power"));
        QCPGraph *a = plot->addCappedGraph();
        a->setName(QStringLiteral("current"));
        a->addData(1700000000123.9, 0.1 + 0.2);
        a->addData(1700000001000.0, 1250000.25);
        a->addData(1699999999999.0, -7);
        plot->addCappedGraph()->setName(QStringLiteral("empty"));
        plot->xAxis->setLabel(QStringLiteral("t"));
        const QString path = dir.filePath(QStringLiteral("data.csv"));
        QVERIFY(plot->savePlotData(path));
        QVERIFY(plot->savePlotData(path)); // appended
        const QStringList lines = readLines(path);
        QCOMPARE(lines.size(), 2 * 7 + 1);
        for (int at : {0, 7}) {
            QVERIFY(lines.at(at).startsWith("Plot Plot data from rack Power "));
            QCOMPARE(lines.mid(at + 1, 6),
                     QStringList({"", "current - t;current - mA", "23-11-14 22:13:19:999;-7",
                                  "23-11-14 22:13:20:123;0.3", "23-11-14 22:13:21:000;1.25e+06",
                                  "empty - t;empty - mA"}));
        }
    }

    void dataExportDoesNotAskToReplace()
    {
        bool asks = true; // appending replaces nothing
        onNextModal([&asks](QWidget *w) {
            if (auto *dialog = qobject_cast<QFileDialog *>(w))
                asks = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
            w->close();
        });
        plot->savePlotToCSV();
        QVERIFY(!asks);
    }

    void savesAskAboutTheFileWritten_data()
    {
        // The name is typed without the suffix the save adds to it.
        QTest::addColumn<bool>("picture");
        QTest::addColumn<bool>("byReturn");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("written");
        QTest::newRow("rack, Return") << false << true << "power" << "power.dvk";
        QTest::newRow("rack, Save button") << false << false << "power" << "power.dvk";
        QTest::newRow("picture, Return") << true << true << "Values plot" << "Values plot.png";
        QTest::newRow("picture, Save button")
            << true << false << "Values plot" << "Values plot.png";
    }
    void savesAskAboutTheFileWritten()
    {
        QFETCH(bool, picture);
        QFETCH(bool, byReturn);
        QFETCH(QString, typed);
        QFETCH(QString, written);
        QTemporaryDir here;
        const QString path = here.filePath(written);
        const QByteArray old = "the file as it was";
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(old) == old.size());
        }
        auto save = [&] { picture ? plot->savePlotToFile() : rack->slotExportRackToFile(); };
        QString asked;
        {
            QObject scope;
            answerReplace(&scope, QMessageBox::No, &asked);
            typeIntoFileDialog(here.filePath(typed), byReturn);
            save();
        }
        QCOMPARE(asked, written + " already exists.");
        QFile kept(path);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), old);

        // A new name is written with its suffix, and nothing is asked.
        asked.clear();
        QObject scope;
        answerReplace(&scope, QMessageBox::Yes, &asked);
        typeIntoFileDialog(here.filePath("new " + typed), byReturn);
        save();
        QCOMPARE(asked, QString());
        QVERIFY(QFileInfo(here.filePath("new " + written)).size() > 0);
    }

    void exportFailuresAreReported_data()
    {
        QTest::addColumn<bool>("picture");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("message");
        QTest::newRow("text, no folder") << false << "/no/such/x.csv"
                                         << "C Plot data file creation failed: /no/such/x.csv";
        QTest::newRow("text, disk full") << false << "/dev/full"
                                         << "W Plot data file /dev/full could not be written: ";
        QTest::newRow("picture, no folder")
            << true << "/no/such/x"
            << "W Plot picture /no/such/x.png could not be written: ";
    }
    void exportFailuresAreReported()
    {
        QFETCH(bool, picture);
        QFETCH(QString, path);
        QFETCH(QString, message);
        plot->addCappedGraph()->addData(1000, 5);
        MessageLog log;
        QVERIFY(!(picture ? plot->savePlotImage(path) : plot->savePlotData(path)));
        // Qt itself complains that /dev/full cannot seek to its end.
        const QStringList problems = log.take().filter(QRegularExpression("^[WC] Plot"));
        QCOMPARE(problems.size(), 1);
        QVERIFY2(problems.at(0).startsWith(message), qPrintable(problems.at(0)));
    }
};

VELKARO_TEST_MAIN_IN_UTC(TestDvnCustomPlot)

#include "tst_dvncustomplot.moc"
