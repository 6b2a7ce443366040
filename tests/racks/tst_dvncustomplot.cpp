#include "cappedgraph.h"
#include "dvncustomplot.h"
#include "instrumentrackswatch.h"
#include "msecdatetimeticker.h"
#include "support_rack.h"

#include <QtTest>
#include <QtWidgets>

#include <ctime>
#include <limits>

namespace
{
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

struct LabelProbe : MSecDateTimeTicker {
    using MSecDateTimeTicker::getTickLabel;
};
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

// The process's local zone for as long as it lives (CTest runs in UTC).
struct LocalZone {
    const bool wasSet = qEnvironmentVariableIsSet("TZ");
    const QByteArray was = qgetenv("TZ");
    explicit LocalZone(const char *zone)
    {
        qputenv("TZ", zone);
        tzset();
    }
    ~LocalZone()
    {
        wasSet ? qputenv("TZ", was) : qunsetenv("TZ");
        tzset();
    }
};
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
        auto *g = new CappedGraph(plot->xAxis, plot->yAxis); // the plot owns it
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
    void equalKeysLastAddedFirst()
    {
        auto *g = new CappedGraph(plot->xAxis, plot->yAxis);
        g->setDataMaxSize(1);
        g->addPoint(5, 1);
        g->addPoint(5, 2);
        g->addPoint(9, 3); // the trim takes the later point at key 5
        QCOMPARE(g->data()->constBegin()->value, 1.0);
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
        ticker.setDateTimeSpec(Qt::UTC);
        ticker.setDateTimeFormat(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
        QCOMPARE(ticker.getTickLabel(key, QLocale::c(), 'g', 6), label);
        // The axis's own ticks stand at whole milliseconds.
        QVector<double> ticks;
        QVector<QString> labels;
        MSecDateTimeTicker().generate(QCPRange(0, 61000), QLocale::c(), 'g', 6, ticks, nullptr,
                                      &labels);
        QCOMPARE(labels.value(ticks.indexOf(60000.0)), QStringLiteral("00:01:00\n000"));
    }
    void timesShowInTheLocalZone()
    {
        LocalZone berlin("Europe/Berlin"); // one hour ahead of UTC in January 1970
        CappedGraph *g = plot->addCappedGraph();
        g->setName(QStringLiteral("G"));
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

    void contextMenu()
    {
        plot->addCappedGraph()->addPoint(1, 1);
        selectGraph(plot->graph(0));
        std::unique_ptr<QMenu> menu(plot->createStandardContextMenu());
        QVERIFY(menu->testAttribute(Qt::WA_DeleteOnClose));
        QCOMPARE(actionTexts(menu.get()),
                 QStringList({"Legend", "Save plot...", "Save plot data...", "Refresh plot",
                              "Clear data", "Change data depth", "Remove selected graph",
                              "Remove all graphs"}));
        QCOMPARE(actionTexts(menu->actions().first()->menu()),
                 QStringList({"Hide", "Move to top left", "Move to top center", "Move to top right",
                              "Move to bottom right", "Move to bottom left"}));
    }

    void tracerTakesNearestPoint_data()
    {
        QTest::addColumn<double>("pressKey");
        QTest::addColumn<double>("key");
        QTest::newRow("nearer the earlier") << 140.0 << 100.0;
        QTest::newRow("halfway takes the later") << 150.0 << 200.0;
    }
    void tracerTakesNearestPoint()
    {
        QFETCH(double, pressKey);
        QFETCH(double, key);
        plot->resize(600, 400);
        plot->replot();
        plot->xAxis->setRange(0, plot->axisRect()->width()); // one key per pixel
        CappedGraph *g = plot->addCappedGraph();
        g->setName(QStringLiteral("G"));
        for (double k : {100.0, 200.0, 400.0})
            g->addPoint(k, k / 100);
        rack->innerWindow->statusBar()->showMessage(QStringLiteral("before"));
        press(pressKey); // nothing selected: the status bar keeps its text
        QCOMPARE(status(), QStringLiteral("before"));
        selectGraph(g);
        press(pressKey);
        press(pressKey);
        QCOMPARE(plot->itemCount(), 1);
        QCOMPARE(status(), QStringLiteral("G: Time = %1, mA = %2")
                               .arg(QDateTime::fromMSecsSinceEpoch(qint64(key))
                                        .toString(QStringLiteral("hh:mm:ss.zzz")))
                               .arg(key / 100));
        // Clearing the data takes the tracer with it; the next press makes one.
        QPointer<QCPItemTracer> old(plot->tracers.value(g));
        plot->slotResetPlotData();
        QVERIFY(!old);
        press(pressKey);
        QCOMPARE(plot->itemCount(), 1);
    }

    void emptyGraphChosenByLegendGetsTracerAtOrigin()
    {
        CappedGraph *g = plot->addCappedGraph();
        g->setName(QStringLiteral("G"));
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
        QTest::newRow("not a number means unlimited") << "abc" << 0.0;
        QTest::newRow("cancelled") << QString() << 3000.0;
    }
    void dataDepth()
    {
        QFETCH(QString, typed);
        QFETCH(double, cap);
        CappedGraph *g = plot->addCappedGraph();
        g->setDataMaxSize(3000);
        QCOMPARE(answerInput([this] { plot->slotSetMaxSize(); }, typed),
                 QStringLiteral("Graph data length|Maximum data size (0 for unlimited):|3000"));
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
        QCOMPARE(plot->graphCount(), 1);
        QVERIFY(!rack->plotOfGraph.contains(a));
        plot->removeAllGraphs();
        QCOMPARE(plot->graphCount(), 0);
        QVERIFY(rack->graphOfField.isEmpty() && rack->fieldsOfItem.isEmpty() &&
                rack->plotOfGraph.isEmpty());
    }

    void picturesBySuffix_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QByteArray>("format");
        QTest::newRow("png upper case") << "b.PNG"
                                        << "b.PNG" << QByteArray("png");
        QTest::newRow("jpg") << "c.Jpg"
                             << "c.Jpg" << QByteArray("jpeg");
        QTest::newRow("pdf") << "e.pdf"
                             << "e.pdf" << QByteArray("pdf");
        QTest::newRow("jpeg is not known") << "f.jpeg"
                                           << "f.jpeg.png" << QByteArray("png");
        QTest::newRow("no suffix") << "g"
                                   << "g.png" << QByteArray("png");
    }
    void picturesBySuffix()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        QFETCH(QByteArray, format);
        plot->addCappedGraph()->addData(1000, 5);
        QVERIFY(plot->savePlotImage(dir.filePath(chosen)));
        QFile file(dir.filePath(written));
        QVERIFY(file.open(QIODevice::ReadOnly));
        if (format == "pdf")
            QCOMPARE(file.read(4), QByteArray("%PDF"));
        else
            QCOMPARE(QImageReader(&file).format(), format);
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
        MessageLog log;
        QVERIFY(plot->savePlotData(path));
        QVERIFY(plot->savePlotData(path)); // appended
        const QStringList lines = readLines(path);
        const QStringList one{"",
                              "current - t;current - mA",
                              "23-11-14 22:13:19:999;-7",
                              "23-11-14 22:13:20:123;0.3",
                              "23-11-14 22:13:21:000;1.25e+06",
                              "empty - t;empty - mA"};
        QCOMPARE(lines.size(), 2 * 7 + 1);
        for (int at : {0, 7}) {
            const QString head = QStringLiteral("Plot Plot data from rack Power ");
            QCOMPARE(lines.at(at).left(head.size()), head);
            QVERIFY(QDateTime::fromString(lines.at(at).mid(head.size()), "yyyy-MM-dd hh:mm:ss")
                        .isValid());
            QCOMPARE(lines.mid(at + 1, 6), one);
        }
        const QStringList messages{
            "D Plot data file created: F", "D Exported 3 points for graph \"current\"",
            "D Exported 0 points for graph \"empty\"", "D Export plot data completed"};
        QCOMPARE(log.take(path), messages + messages);
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
        // The reason follows the file name where the message gives one.
        QVERIFY(!message.endsWith(": ") || problems.at(0).size() > message.size() + 2);
    }
};

QTEST_MAIN(TestDvnCustomPlot)
#include "tst_dvncustomplot.moc"
