#include "cappedgraph.h"
#include "dvncustomplot.h"
#include "instrumentrackswatch.h"
#include "support_rack.h"

#include <QtTest>
#include <QtWidgets>

namespace
{
void selectGraph(QCPGraph *g)
{
    g->setSelection(QCPDataSelection(g->data()->dataRange()));
}

// Answers the next input dialog with `text` (cancels it when null) and
// returns what it asked: title, label and prefilled text.
QStringList answerInput(const std::function<void()> &ask, const QString &text)
{
    QStringList asked;
    onNextModal([&asked, text](QWidget *w) {
        auto *input = qobject_cast<QInputDialog *>(w);
        if (input)
            asked = QStringList{input->windowTitle(), input->labelText(), input->textValue()};
        if (input && !text.isNull()) {
            input->setTextValue(text);
            input->accept();
        } else {
            w->close();
        }
    });
    ask();
    return asked;
}
} // namespace

class TestDvnCustomPlot : public QObject
{
    Q_OBJECT
    std::unique_ptr<InstrumentRackSwatch> rack;
    DvnCustomPlot *plot = nullptr;

    // A graph "G" with points at 100, 200 and 400 on an X axis of one key
    // unit per pixel, so a press lands on an exact key.
    CappedGraph *pixelGraph()
    {
        plot->resize(600, 400);
        plot->replot();
        plot->xAxis->setRange(0, plot->axisRect()->width());
        CappedGraph *g = plot->addCappedGraph();
        g->setName(QStringLiteral("G"));
        for (double k : {100.0, 200.0, 400.0})
            g->addPoint(k, k / 100);
        return g;
    }
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
                                    QStringLiteral("Value"), 0, 10, 3000, 0});
    }
    void cleanup() { rack.reset(); }

    void contextMenu_data()
    {
        QTest::addColumn<int>("graphs");
        QTest::addColumn<bool>("selected");
        QTest::addColumn<bool>("legend");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("legendFirst");
        const QStringList base{"Legend",       "Save plot...", "Save plot data...",
                               "Refresh plot", "Clear data",   "Change data depth"};
        QTest::newRow("no graph") << 0 << false << true << base << "Hide";
        QTest::newRow("legend hidden") << 0 << false << false << base << "Show";
        QTest::newRow("a graph") << 1 << false << true << base + QStringList{"Remove all graphs"}
                                 << "Hide";
        QTest::newRow("a selected graph")
            << 2 << true << true << base + QStringList{"Remove selected graph", "Remove all graphs"}
            << "Hide";
    }
    void contextMenu()
    {
        QFETCH(int, graphs);
        QFETCH(bool, selected);
        QFETCH(bool, legend);
        QFETCH(QStringList, entries);
        QFETCH(QString, legendFirst);
        for (int i = 0; i < graphs; ++i)
            plot->addCappedGraph()->addPoint(1, 1);
        if (selected)
            selectGraph(plot->graph(graphs - 1));
        plot->legend->setVisible(legend);
        std::unique_ptr<QMenu> menu(plot->createStandardContextMenu());
        QVERIFY(menu->testAttribute(Qt::WA_DeleteOnClose));
        QCOMPARE(actionTexts(menu.get()), entries);
        QMenu *sub = menu->actions().first()->menu();
        QCOMPARE(actionTexts(sub),
                 QStringList({legendFirst, "Move to top left", "Move to top center",
                              "Move to top right", "Move to bottom right", "Move to bottom left"}));
        QCOMPARE(sub->actions().at(4)->data().toInt(), 66);
    }

    void tracerTakesNearestPoint_data()
    {
        QTest::addColumn<double>("pressKey");
        QTest::addColumn<double>("key");
        QTest::newRow("nearer the earlier") << 140.0 << 100.0;
        QTest::newRow("halfway takes the later") << 150.0 << 200.0;
        QTest::newRow("left of the first") << 20.0 << 100.0;
        QTest::newRow("right of the last") << 550.0 << 400.0;
    }
    void tracerTakesNearestPoint()
    {
        QFETCH(double, pressKey);
        QFETCH(double, key);
        CappedGraph *g = pixelGraph();
        rack->innerWindow->statusBar()->showMessage(QStringLiteral("before"));
        press(pressKey); // nothing selected: the status bar keeps its text
        QCOMPARE(status(), QStringLiteral("before"));
        selectGraph(g);
        press(pressKey);
        press(pressKey);
        QCOMPARE(plot->itemCount(), 1);
        QCOMPARE(plot->tracers.value(g)->position->key(), key);
        QCOMPARE(status(), QStringLiteral("G: Time = %1, Value = %2")
                               .arg(QDateTime::fromMSecsSinceEpoch(qint64(key))
                                        .toString(QStringLiteral("hh:mm:ss.zzz")))
                               .arg(key / 100));
    }

    void clearedGraphGetsAFreshTracer()
    {
        CappedGraph *g = pixelGraph();
        selectGraph(g);
        press(100);
        QPointer<QCPItemTracer> old(plot->tracers.value(g));
        plot->slotResetPlotData();
        QVERIFY(!old);
        QCOMPARE(g->dataCount(), 0);
        g->setName(QString());
        press(100);
        QCOMPARE(plot->itemCount(), 1);
        QVERIFY(status().startsWith(QStringLiteral(": Time = ")));
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
        QCOMPARE(
            answerInput([this] { plot->slotSetMaxSize(); }, typed),
            QStringList({"Graph data length", "Maximum data size (0 for unlimited):", "3000"}));
        QCOMPARE(plot->plotSettings.maxPoints, cap);
        QCOMPARE(g->dataMaxSize(), cap);
    }

    void removingGraphsUnbindsThem()
    {
        RackSamples samples;
        TreeItem *item = samples.node(0x7, 0x480);
        QCPGraph *a = rack->addGraphFromField(plot, item, 1);
        rack->addGraphFromField(plot, item, 2);
        plot->removeSelectedGraph(); // none selected
        QCOMPARE(plot->graphCount(), 2);
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
};

QTEST_MAIN(TestDvnCustomPlot)
#include "tst_dvncustomplot.moc"
