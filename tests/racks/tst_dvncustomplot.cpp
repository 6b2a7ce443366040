#include "cappedgraph.h"
#include "dvncustomplot.h"
#include "instrumentrackswatch.h"
#include "msecdatetimeticker.h"
#include "support_rack.h"

#include <QtTest>
#include <QtWidgets>

namespace
{
CustomPlotSettings settings()
{
    CustomPlotSettings s;
    s.title = QStringLiteral("Plot");
    s.xName = QStringLiteral("Time");
    s.yName = QStringLiteral("Value");
    s.xMax = 1000;
    s.yMax = 10;
    s.maxPoints = 3000;
    return s;
}

void selectGraph(QCPGraph *g)
{
    g->setSelection(QCPDataSelection(g->data()->dataRange()));
}

QString statusText(InstrumentRackSwatch &rack)
{
    return rack.innerWindow->statusBar()->currentMessage();
}

// A plot whose X axis maps one pixel to one key unit, so a press lands on
// an exact key.
struct PixelPlot {
    PixelPlot() : rack(QStringLiteral("R"))
    {
        plot = rack.addCustomPlot(settings());
        plot->resize(600, 400);
        plot->replot();
        plot->xAxis->setRange(0, plot->axisRect()->width());
        graph = plot->addCappedGraph();
        graph->setName(QStringLiteral("G"));
        for (double k : {100.0, 200.0, 400.0})
            graph->addData(k, k / 100);
    }
    void press(double key)
    {
        const QPointF at(plot->xAxis->coordToPixel(key), plot->axisRect()->center().y());
        QMouseEvent e(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        plot->mousePress(&e);
    }
    InstrumentRackSwatch rack;
    DvnCustomPlot *plot = nullptr;
    QCPGraph *graph = nullptr;
};
} // namespace

class TestDvnCustomPlot : public QObject
{
    Q_OBJECT
private slots:
    void construction()
    {
        InstrumentRackSwatch rack(QStringLiteral("R"));
        DvnCustomPlot *plot = rack.addCustomPlot(settings());
        QCOMPARE(plot->objectName(), QStringLiteral("Plot"));
        QCOMPARE(plot->parentWidget(), rack.plotsGroup);
        QCOMPARE(int(plot->interactions()), 0x3B);
        QVERIFY(plot->xAxis->ticker().dynamicCast<MSecDateTimeTicker>());
        QCOMPARE(plot->xAxis->ticker(), plot->xAxis2->ticker());
        QCOMPARE(plot->xAxis->range(), QCPRange(0, 1000));
        QVERIFY(plot->xAxis2->visible() && plot->yAxis2->visible());
        QCOMPARE(plot->titleElement()->text(), QStringLiteral("Plot"));
        QCOMPARE(plot->legend->font().pointSize(), 10);
        QCOMPARE(plot->minimumSize(), QSize(50, 50));
        plot->xAxis->setRange(5, 6);
        QCOMPARE(plot->xAxis2->range(), QCPRange(5, 6));
        plot->yAxis->setRange(-1, 1);
        QCOMPARE(plot->yAxis2->range(), QCPRange(-1, 1));
        plot->addRandomGraph();
        QCOMPARE(plot->graph(0)->name(), QStringLiteral("New graph 0"));
        QCOMPARE(plot->graph(0)->dataCount(), 50);
    }

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
        InstrumentRackSwatch rack(QStringLiteral("R"));
        DvnCustomPlot *plot = rack.addCustomPlot(settings());
        for (int i = 0; i < graphs; ++i)
            plot->addCappedGraph()->addData(1, 1);
        if (selected)
            selectGraph(plot->graph(graphs - 1));
        plot->legend->setVisible(legend);
        std::unique_ptr<QMenu> menu(plot->createStandardContextMenu());
        QVERIFY(menu->testAttribute(Qt::WA_DeleteOnClose));
        QCOMPARE(actionTexts(menu.get()), entries);
        QMenu *sub = menu->actions().first()->menu();
        QVERIFY(sub);
        QCOMPARE(actionTexts(sub),
                 QStringList({legendFirst, "Move to top left", "Move to top center",
                              "Move to top right", "Move to bottom right", "Move to bottom left"}));
        QCOMPARE(sub->actions().at(4)->data().toInt(), 66);
    }

    void moveLegend()
    {
        InstrumentRackSwatch rack(QStringLiteral("R"));
        DvnCustomPlot *plot = rack.addCustomPlot(settings());
        auto where = [plot] { return int(plot->axisRect()->insetLayout()->insetAlignment(0)); };
        QCOMPARE(where(), 33);
        plot->slotHideLegend();
        QAction corner;
        connect(&corner, &QAction::triggered, plot, &DvnCustomPlot::moveLegend);
        corner.setData(QStringLiteral("corner"));
        corner.trigger();
        QCOMPARE(where(), 33);
        plot->moveLegend(); // no sending action
        corner.setData(66);
        corner.trigger();
        QCOMPARE(where(), 66);
        QVERIFY(!plot->legend->visible());
        plot->slotShowLegend();
        QVERIFY(plot->legend->visible());
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
        PixelPlot p;
        p.rack.innerWindow->statusBar()->showMessage(QStringLiteral("before"));
        p.press(pressKey); // nothing selected: the status bar keeps its text
        QCOMPARE(statusText(p.rack), QStringLiteral("before"));
        QVERIFY(p.plot->tracers.isEmpty());

        selectGraph(p.graph);
        p.press(pressKey);
        QCPItemTracer *tracer = p.plot->tracers.value(p.graph);
        QVERIFY(tracer);
        QCOMPARE(tracer->position->key(), key);
        QCOMPARE(statusText(p.rack), QStringLiteral("G: Time = %1, Value = %2")
                                         .arg(QDateTime::fromMSecsSinceEpoch(qint64(key))
                                                  .toString(QStringLiteral("hh:mm:ss.zzz")))
                                         .arg(key / 100));
        p.press(pressKey);
        QCOMPARE(p.plot->itemCount(), 1);
    }

    void clearedGraphGetsAFreshTracer()
    {
        PixelPlot p;
        selectGraph(p.graph);
        p.press(100);
        QPointer<QCPItemTracer> old(p.plot->tracers.value(p.graph));
        p.plot->slotResetPlotData();
        QVERIFY(!old);
        QCOMPARE(p.graph->dataCount(), 0);
        QCOMPARE(p.plot->graphCount(), 1);
        // An empty graph: a new tracer that stays at its start.
        p.press(100);
        QCOMPARE(p.plot->itemCount(), 1);
        QVERIFY(p.plot->tracers.value(p.graph) != old.data());
        QVERIFY(statusText(p.rack).startsWith(QStringLiteral("G: Time = ")));

        p.graph->setName(QString());
        p.press(100);
        QVERIFY(statusText(p.rack).startsWith(QStringLiteral(": Time")));
    }

    void orientationFollowsSelectedAxis_data()
    {
        QTest::addColumn<int>("axis"); // 0 none, 1 bottom, 2 left
        QTest::addColumn<int>("orientations");
        QTest::newRow("none") << 0 << int(Qt::Horizontal | Qt::Vertical);
        QTest::newRow("bottom") << 1 << int(Qt::Horizontal);
        QTest::newRow("left") << 2 << int(Qt::Vertical);
    }
    void orientationFollowsSelectedAxis()
    {
        QFETCH(int, axis);
        QFETCH(int, orientations);
        InstrumentRackSwatch rack(QStringLiteral("R"));
        DvnCustomPlot *plot = rack.addCustomPlot(settings());
        if (axis)
            (axis == 1 ? plot->xAxis : plot->yAxis)->setSelectedParts(QCPAxis::spAxis);
        plot->axisRect()->setRangeZoom(Qt::Orientations());
        plot->axisRect()->setRangeDrag(Qt::Orientations());
        emit plot->QCustomPlot::mouseWheel(nullptr);
        QCOMPARE(int(plot->axisRect()->rangeZoom()), orientations);
        QCOMPARE(int(plot->axisRect()->rangeDrag()), 0);
        QMouseEvent e(QEvent::MouseButtonPress, QPointF(1, 1), Qt::RightButton, Qt::RightButton,
                      Qt::NoModifier);
        emit plot->QCustomPlot::mousePress(&e);
        QCOMPARE(int(plot->axisRect()->rangeDrag()), orientations);
    }

    void twinsSelectTogether()
    {
        InstrumentRackSwatch rack(QStringLiteral("R"));
        DvnCustomPlot *plot = rack.addCustomPlot(settings());
        QCPGraph *g = plot->addCappedGraph();
        g->addData(1, 1);
        plot->xAxis2->setSelectedParts(QCPAxis::spTickLabels);
        plot->legend->itemWithPlottable(g)->setSelected(true);
        plot->selectionChanged();
        const auto both = QCPAxis::spAxis | QCPAxis::spTickLabels;
        QCOMPARE(plot->xAxis->selectedParts(), both);
        QCOMPARE(plot->xAxis2->selectedParts(), both);
        QCOMPARE(plot->yAxis->selectedParts(), QCPAxis::SelectableParts());
        QVERIFY(g->selected());
    }

    void dataDepth_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accept");
        QTest::addColumn<double>("cap");
        QTest::newRow("number") << "1e3" << true << 1000.0;
        QTest::newRow("not a number means unlimited") << "abc" << true << 0.0;
        QTest::newRow("cancelled") << "5" << false << 3000.0;
    }
    void dataDepth()
    {
        QFETCH(QString, typed);
        QFETCH(bool, accept);
        QFETCH(double, cap);
        InstrumentRackSwatch rack(QStringLiteral("R"));
        DvnCustomPlot *plot = rack.addCustomPlot(settings());
        CappedGraph *g = plot->addCappedGraph();
        g->setDataMaxSize(3000);
        QString prefill;
        onNextModal([&](QWidget *w) {
            auto *input = qobject_cast<QInputDialog *>(w);
            if (input) {
                prefill = input->textValue();
                input->setTextValue(typed);
            }
            if (accept && input)
                input->accept();
            else
                w->close();
        });
        plot->slotSetMaxSize();
        QCOMPARE(prefill, QStringLiteral("3000"));
        QCOMPARE(plot->plotSettings.maxPoints, cap);
        QCOMPARE(g->dataMaxSize(), cap);
    }

    void renames_data()
    {
        QTest::addColumn<int>("what"); // 0 title, 1 axis label, 2 graph name
        QTest::addColumn<QString>("label");
        QTest::newRow("title") << 0 << "New plot title:";
        QTest::newRow("axis") << 1 << "New axis label:";
        QTest::newRow("graph") << 2 << "New graph name:";
    }
    void renames()
    {
        QFETCH(int, what);
        QFETCH(QString, label);
        InstrumentRackSwatch rack(QStringLiteral("R"));
        DvnCustomPlot *plot = rack.addCustomPlot(settings());
        QCPGraph *g = plot->addCappedGraph();
        QString asked;
        onNextModal([&asked](QWidget *w) {
            auto *input = qobject_cast<QInputDialog *>(w);
            if (!input) {
                w->close();
                return;
            }
            asked = input->windowTitle() + QLatin1Char('|') + input->labelText();
            input->setTextValue(QString());
            input->accept();
        });
        if (what == 0)
            plot->titleDoubleClick(nullptr, plot->titleElement());
        else if (what == 1)
            plot->axisLabelDoubleClick(plot->yAxis, QCPAxis::spAxisLabel);
        else
            plot->legendDoubleClick(plot->legend, plot->legend->itemWithPlottable(g));
        QCOMPARE(asked, QStringLiteral("DvnCustomPlot example|") + label);
        const QString shown = what == 0   ? plot->titleElement()->text()
                              : what == 1 ? plot->yAxis->label()
                                          : g->name();
        QCOMPARE(shown, QString());
        QCOMPARE(plot->objectName(), QStringLiteral("Plot"));
        // Parts of an axis other than its label, and the legend border, ask
        // nothing.
        plot->axisLabelDoubleClick(plot->yAxis, QCPAxis::spTickLabels);
        plot->legendDoubleClick(plot->legend, nullptr);
    }

    void removingGraphsUnbindsThem()
    {
        RackSamples samples;
        TreeItem *item = samples.node(0x7, 0x480);
        InstrumentRackSwatch rack(QStringLiteral("R"));
        DvnCustomPlot *plot = rack.addCustomPlot(settings());
        QCPGraph *a = rack.addGraphFromField(plot, item, 1);
        rack.addGraphFromField(plot, item, 2);
        rack.addGraphFromField(plot, item, 3);
        plot->removeSelectedGraph(); // none selected
        QCOMPARE(plot->graphCount(), 3);
        rack.addPoint2Graph(a, 1, 1); // an empty graph cannot be selected
        selectGraph(a);
        plot->removeSelectedGraph();
        QCOMPARE(plot->graphCount(), 2);
        QCOMPARE(rack.graphOfField.size(), 2);
        QVERIFY(!rack.plotOfGraph.contains(a));
        plot->removeAllGraphs();
        QCOMPARE(plot->graphCount(), 0);
        QVERIFY(rack.graphOfField.isEmpty() && rack.fieldsOfItem.isEmpty() &&
                rack.plotOfGraph.isEmpty());
    }
};

QTEST_MAIN(TestDvnCustomPlot)
#include "tst_dvncustomplot.moc"
