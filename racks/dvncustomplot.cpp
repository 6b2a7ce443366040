#include "dvncustomplot.h"

#include "cappedgraph.h"
#include "instrumentrackswatch.h"
#include "msecdatetimeticker.h"

#include <QAction>
#include <QInputDialog>
#include <QMainWindow>
#include <QMenu>
#include <QStatusBar>

#include <cmath>
#include <cstdlib>

namespace
{
const char *const kRenameTitle = "DvnCustomPlot example";

bool selectedAxisLine(const QCPAxis *axis)
{
    return axis->selectedParts().testFlag(QCPAxis::spAxis);
}

bool selectedAxisLineOrLabels(const QCPAxis *axis)
{
    return axis->selectedParts().testFlag(QCPAxis::spAxis) ||
           axis->selectedParts().testFlag(QCPAxis::spTickLabels);
}

double unitRand()
{
    return std::rand() / 2147483647.0;
}
} // namespace

DvnCustomPlot::DvnCustomPlot(CustomPlotSettings settings, InstrumentRackSwatch *rack)
    : QCustomPlot(rack), rack(rack), plotSettings(settings)
{
    setObjectName(settings.title);
    setInteractions(QCP::iRangeDrag | QCP::iRangeZoom | QCP::iSelectPlottables | QCP::iSelectAxes |
                    QCP::iSelectLegend);

    // The library's own date-time ticker reads keys as seconds; rack keys
    // are milliseconds.
    QSharedPointer<MSecDateTimeTicker> ticker(new MSecDateTimeTicker);
    ticker->setDateTimeFormat(QStringLiteral("hh:mm:ss\nzzz"));
    xAxis->setTicker(ticker);
    xAxis->setRange(double(settings.xMin), double(settings.xMax));
    yAxis->setRange(double(settings.yMin), double(settings.yMax));
    axisRect()->setupFullAxesBox(false);
    xAxis2->setTicker(ticker);

    plotLayout()->insertRow(0);
    title = new QCPTextElement(this, settings.title);
    plotLayout()->addElement(0, 0, title);

    xAxis->setLabel(settings.xName);
    yAxis->setLabel(settings.yName);

    legend->setVisible(settings.legend);
    QFont legendFont = font();
    legendFont.setPointSize(10);
    legend->setFont(legendFont);
    legend->setSelectedFont(legendFont);
    legend->setSelectableParts(QCPLegend::spItems);
    axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignLeft);

    setNoAntialiasingOnDrag(true);
    setNotAntialiasedElements(QCP::aeAll);

    connect(this, &QCustomPlot::selectionChangedByUser, this, &DvnCustomPlot::selectionChanged);
    connect(this, &QCustomPlot::mousePress, this, &DvnCustomPlot::mousePress);
    connect(this, &QCustomPlot::mouseWheel, this, &DvnCustomPlot::mouseWheel);
    connect(xAxis, qOverload<const QCPRange &>(&QCPAxis::rangeChanged), xAxis2,
            qOverload<const QCPRange &>(&QCPAxis::setRange));
    connect(yAxis, qOverload<const QCPRange &>(&QCPAxis::rangeChanged), yAxis2,
            qOverload<const QCPRange &>(&QCPAxis::setRange));
    // Autoscale, drags, zooms and rescales all move a range; the twin axes
    // follow these two.
    connect(xAxis, qOverload<const QCPRange &>(&QCPAxis::rangeChanged), this,
            &DvnCustomPlot::markStale);
    connect(yAxis, qOverload<const QCPRange &>(&QCPAxis::rangeChanged), this,
            &DvnCustomPlot::markStale);
    connect(this, &QCustomPlot::afterReplot, this, [this] { stale = false; });
    connect(title, &QCPTextElement::doubleClicked, this,
            [this](QMouseEvent *event) { titleDoubleClick(event, title); });
    connect(this, &QCustomPlot::axisDoubleClick, this,
            [this](QCPAxis *axis, QCPAxis::SelectablePart part, QMouseEvent *) {
                axisLabelDoubleClick(axis, part);
            });
    connect(this, &QCustomPlot::legendDoubleClick, this,
            [this](QCPLegend *l, QCPAbstractLegendItem *item, QMouseEvent *) {
                legendDoubleClick(l, item);
            });
    connect(
        this, &QCustomPlot::plottableClick, this,
        [this](QCPAbstractPlottable *plottable, int, QMouseEvent *) { graphClicked(plottable); });

    setMinimumSize(50, 50);
}

DvnCustomPlot::~DvnCustomPlot() = default;

CappedGraph *DvnCustomPlot::addCappedGraph()
{
    // Constructing a graph registers it with the plot and its legend.
    auto *graph = new CappedGraph(xAxis, yAxis);
    graph->setName(QStringLiteral("Graph %1").arg(graphCount() - 1));
    markStale();
    return graph;
}

void DvnCustomPlot::paintEvent(QPaintEvent *event)
{
    // The rack's tick leaves plots out of sight undrawn; one that comes into
    // sight (its tab chosen, or scrolled to) draws what it missed before it
    // is painted, rather than showing an old picture until the next tick.
    if (stale)
        replot(QCustomPlot::rpQueuedRefresh);
    QCustomPlot::paintEvent(event);
}

QMenu *DvnCustomPlot::createStandardContextMenu()
{
    auto *menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);

    QMenu *legendMenu = menu->addMenu(tr("Legend"));
    if (legend->visible())
        legendMenu->addAction(tr("Hide"), this, &DvnCustomPlot::slotHideLegend);
    else
        legendMenu->addAction(tr("Show"), this, &DvnCustomPlot::slotShowLegend);
    const struct {
        const char *text;
        Qt::Alignment where;
    } corners[] = {
        {"Move to top left", Qt::AlignTop | Qt::AlignLeft},
        {"Move to top center", Qt::AlignTop | Qt::AlignHCenter},
        {"Move to top right", Qt::AlignTop | Qt::AlignRight},
        {"Move to bottom right", Qt::AlignBottom | Qt::AlignRight},
        {"Move to bottom left", Qt::AlignBottom | Qt::AlignLeft},
    };
    for (const auto &corner : corners)
        legendMenu->addAction(tr(corner.text), this, &DvnCustomPlot::moveLegend)
            ->setData(int(corner.where));

    menu->addAction(tr("Save plot..."), this, &DvnCustomPlot::savePlotToFile);
    menu->addAction(tr("Save plot data..."), this, &DvnCustomPlot::savePlotToCSV);
    menu->addAction(tr("Refresh plot"), this, &DvnCustomPlot::slotReplot);
    menu->addAction(tr("Clear data"), this, &DvnCustomPlot::slotResetPlotData);
    menu->addAction(tr("Change data depth"), this, &DvnCustomPlot::slotSetMaxSize);
    if (!chosenGraphs().isEmpty())
        menu->addAction(tr("Remove selected graph"), this, &DvnCustomPlot::removeSelectedGraph);
    if (graphCount() > 0)
        menu->addAction(tr("Remove all graphs"), this, &DvnCustomPlot::removeAllGraphs);
    return menu;
}

void DvnCustomPlot::contextMenuRequest(QPoint pos)
{
    createStandardContextMenu()->popup(mapToGlobal(pos));
}

void DvnCustomPlot::removeTracers(QCPGraph *graph)
{
    while (tracers.contains(graph))
        removeItem(tracers.take(graph));
}

void DvnCustomPlot::titleDoubleClick(QMouseEvent *event, QCPTextElement *element)
{
    Q_UNUSED(event)
    if (!element)
        return;
    bool ok = false;
    const QString text = QInputDialog::getText(this, tr(kRenameTitle), tr("New plot title:"),
                                               QLineEdit::Normal, element->text(), &ok);
    if (!ok)
        return;
    element->setText(text);
    replot();
}

void DvnCustomPlot::axisLabelDoubleClick(QCPAxis *axis, QCPAxis::SelectablePart part)
{
    if (!axis || part != QCPAxis::spAxisLabel)
        return;
    bool ok = false;
    const QString text = QInputDialog::getText(this, tr(kRenameTitle), tr("New axis label:"),
                                               QLineEdit::Normal, axis->label(), &ok);
    if (!ok)
        return;
    axis->setLabel(text);
    replot();
}

void DvnCustomPlot::legendDoubleClick(QCPLegend *legend, QCPAbstractLegendItem *item)
{
    Q_UNUSED(legend)
    auto *plItem = qobject_cast<QCPPlottableLegendItem *>(item);
    if (!plItem)
        return;
    bool ok = false;
    const QString text = QInputDialog::getText(this, tr(kRenameTitle), tr("New graph name:"),
                                               QLineEdit::Normal, plItem->plottable()->name(), &ok);
    if (!ok)
        return;
    plItem->plottable()->setName(text);
    replot();
}

void DvnCustomPlot::selectionChanged()
{
    // An axis and its twin on the other side of the box select together,
    // and so do a graph and its legend entry.
    if (selectedAxisLineOrLabels(xAxis) || selectedAxisLineOrLabels(xAxis2)) {
        xAxis2->setSelectedParts(QCPAxis::spAxis | QCPAxis::spTickLabels);
        xAxis->setSelectedParts(QCPAxis::spAxis | QCPAxis::spTickLabels);
    }
    if (selectedAxisLineOrLabels(yAxis) || selectedAxisLineOrLabels(yAxis2)) {
        yAxis2->setSelectedParts(QCPAxis::spAxis | QCPAxis::spTickLabels);
        yAxis->setSelectedParts(QCPAxis::spAxis | QCPAxis::spTickLabels);
    }
    for (int i = 0; i < graphCount(); ++i) {
        QCPGraph *g = graph(i);
        QCPPlottableLegendItem *item = legend->itemWithPlottable(g);
        if (g->selected() || (item && item->selected())) {
            if (item)
                item->setSelected(true);
            g->setSelection(QCPDataSelection(g->data()->dataRange()));
        }
    }
    markStale();
}

Qt::Orientations DvnCustomPlot::followedOrientation() const
{
    if (selectedAxisLine(xAxis))
        return xAxis->orientation();
    if (selectedAxisLine(yAxis))
        return yAxis->orientation();
    return Qt::Horizontal | Qt::Vertical;
}

QList<QCPGraph *> DvnCustomPlot::chosenGraphs() const
{
    QList<QCPGraph *> chosen;
    for (int i = 0; i < graphCount(); ++i) {
        QCPGraph *g = graph(i);
        const QCPPlottableLegendItem *item = legend->itemWithPlottable(g);
        if (g->selected() || (item && item->selected()))
            chosen << g;
    }
    return chosen;
}

void DvnCustomPlot::mouseWheel()
{
    axisRect()->setRangeZoom(followedOrientation());
}

void DvnCustomPlot::mousePress(QMouseEvent *event)
{
    axisRect()->setRangeDrag(followedOrientation());
    const QList<QCPGraph *> selected = chosenGraphs();
    if (selected.isEmpty() || !event)
        return;
    const double key = xAxis->pixelToCoord(qRound(event->localPos().x()));
    QCPGraph *g = selected.first();
    QCPItemTracer *tracer = tracers.value(g);
    if (!tracer) {
        tracer = new QCPItemTracer(this);
        tracers.insert(g, tracer);
    }
    tracer->setGraph(g);
    tracer->setGraphKey(key);
    tracer->setInterpolating(false);
    tracer->setStyle(QCPItemTracer::tsCircle);
    tracer->setPen(QPen(Qt::red));
    tracer->setBrush(Qt::red);
    tracer->setSize(7);
    tracer->updatePosition();
    markStale();

    const double at = tracer->position->key();
    const QString when = MSecDateTimeTicker::keyToDateTime(at, Qt::LocalTime)
                             .toString(QStringLiteral("hh:mm:ss.zzz"));
    const QString value = QStringLiteral("%1").arg(tracer->position->value());
    rack->innerWindow->statusBar()->showMessage(
        QStringLiteral("%1: %2 = %3, %4 = %5")
            .arg(g->name(), xAxis->label(), when, yAxis->label(), value));
}

void DvnCustomPlot::addRandomGraph()
{
    const int n = 50;
    const double xScale = (unitRand() + 0.5) * 2;
    const double yScale = (unitRand() + 0.5) * 2;
    const double xOffset = (unitRand() - 0.5) * 4;
    const double yOffset = (unitRand() - 0.5) * 5;
    const double r1 = (unitRand() - 0.5) * 2;
    const double r2 = (unitRand() - 0.5) * 2;
    const double r3 = (unitRand() - 0.5) * 2;
    const double r4 = (unitRand() - 0.5) * 2;
    QVector<double> x(n), y(n);
    for (int i = 0; i < n; ++i) {
        x[i] = (i / double(n) - 0.5) * 10.0 * xScale + xOffset;
        y[i] = (std::sin(x[i] * r1 * 5) * std::sin(std::cos(x[i] * r2) * r4 * 3) +
                r3 * std::cos(std::sin(x[i]) * r4 * 2)) *
                   yScale +
               yOffset;
    }
    CappedGraph *g = addCappedGraph();
    g->setName(QStringLiteral("New graph %1").arg(graphCount() - 1));
    g->setData(x, y);
    g->setLineStyle(QCPGraph::LineStyle(std::rand() % 5 + 1));
    if (std::rand() % 100 > 50)
        g->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ScatterShape(std::rand() % 14 + 1), 6));
    QPen pen;
    const int blue = std::rand() % 245 + 10;
    const int green = std::rand() % 245 + 10;
    const int red = std::rand() % 245 + 10;
    pen.setColor(QColor(red, green, blue));
    pen.setWidthF(unitRand() * 2 + 1);
    g->setPen(pen);
    replot();
}

void DvnCustomPlot::slotShowLegend()
{
    legend->setVisible(true);
    markStale();
}

void DvnCustomPlot::slotHideLegend()
{
    legend->setVisible(false);
    markStale();
}

void DvnCustomPlot::slotResetPlotData()
{
    for (int i = 0; i < graphCount(); ++i) {
        removeTracers(graph(i));
        graph(i)->data()->clear();
    }
    rescaleAxes(true);
    replot();
}

void DvnCustomPlot::removeAllGraphs()
{
    for (int i = 0; i < graphCount(); ++i) {
        rack->unbindGraph(graph(i));
        removeTracers(graph(i));
    }
    clearGraphs();
    replot();
}

void DvnCustomPlot::removeSelectedGraph()
{
    const QList<QCPGraph *> selected = chosenGraphs();
    if (selected.isEmpty())
        return;
    QCPGraph *g = selected.first();
    rack->unbindGraph(g);
    removeTracers(g);
    removeGraph(g);
    replot();
}

void DvnCustomPlot::slotReplot()
{
    rescaleAxes(true);
    replot();
}

void DvnCustomPlot::moveLegend()
{
    auto *action = qobject_cast<QAction *>(sender());
    if (!action)
        return;
    bool ok = false;
    const int where = action->data().toInt(&ok);
    if (!ok)
        return;
    axisRect()->insetLayout()->setInsetAlignment(0, Qt::Alignment(where));
    replot();
}

void DvnCustomPlot::graphClicked(QCPAbstractPlottable *plottable)
{
    Q_UNUSED(plottable)
}

void DvnCustomPlot::slotSetMaxSize()
{
    bool ok = false;
    const QString text = QInputDialog::getText(
        nullptr, tr("Graph data length"), tr("Maximum data size (0 for unlimited):"),
        QLineEdit::Normal, QStringLiteral("%1").arg(plotSettings.maxPoints), &ok);
    if (!ok)
        return;
    const double cap = text.toDouble();
    for (int i = 0; i < graphCount(); ++i)
        if (auto *capped = qobject_cast<CappedGraph *>(graph(i)))
            capped->setDataMaxSize(cap);
    plotSettings.maxPoints = cap;
}
