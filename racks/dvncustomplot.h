#ifndef DVNCUSTOMPLOT_H
#define DVNCUSTOMPLOT_H

#include "racksettings.h"

#include <qcustomplot.h>

#include <QMap>

class CappedGraph;
class InstrumentRackSwatch;
class QMenu;

// A plot of a rack: time (milliseconds since the epoch) along the bottom,
// one capped graph per plotted field, a title row that renames on double
// click, a legend, zoom and drag that follow the selected axis, and a
// tracer that writes the selected graph's point into the rack's status bar.
//
// The rack creates and removes plots and adds graphs and points through its
// data road; a plot never redraws when points arrive, the rack's tick does,
// and only when something changed since the plot was last drawn.
// Before the plot drops a graph itself it tells the rack (unbindGraph), so
// that no point is routed to a graph that is gone. The plot's object name
// is the title it was built with; renames change only what is shown.
class DvnCustomPlot : public QCustomPlot
{
    Q_OBJECT
public:
    DvnCustomPlot(CustomPlotSettings settings, InstrumentRackSwatch *rack);
    ~DvnCustomPlot() override;

    // The plot's context menu, not shown; it deletes itself when closed.
    QMenu *createStandardContextMenu();
    void removeTracers(QCPGraph *graph);
    // A new empty graph on the bottom and left axes, with its legend item.
    CappedGraph *addCappedGraph();

    QCPTextElement *titleElement() const { return title; }

    // Whatever changes the plot without drawing it marks it stale; any
    // replot, whoever asks for it, draws everything there is and clears it.
    void markStale() { stale = true; }
    bool isStale() const { return stale; }

    // The two exports behind savePlotToFile and savePlotToCSV, given the
    // chosen file name; false (and a message) when nothing was written.
    bool savePlotImage(QString fileName);
    bool savePlotData(const QString &fileName);

    InstrumentRackSwatch *rack;
    CustomPlotSettings plotSettings;
    QMap<QCPGraph *, QCPItemTracer *> tracers;

public slots:
    void savePlotToFile();
    void savePlotToCSV();
    void titleDoubleClick(QMouseEvent *event, QCPTextElement *element);
    void axisLabelDoubleClick(QCPAxis *axis, QCPAxis::SelectablePart part);
    void legendDoubleClick(QCPLegend *legend, QCPAbstractLegendItem *item);
    void selectionChanged();
    void mousePress(QMouseEvent *event);
    void mouseWheel();
    void addRandomGraph();
    void slotShowLegend();
    void slotHideLegend();
    void slotResetPlotData();
    void contextMenuRequest(QPoint pos);
    void removeAllGraphs();
    void removeSelectedGraph();
    void slotReplot();
    void moveLegend();
    void graphClicked(QCPAbstractPlottable *plottable);
    void slotSetMaxSize();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Qt::Orientations followedOrientation() const;
    // The graphs the operator has selected. A graph without points cannot
    // hold a selection of points, so its selected legend item stands for it.
    QList<QCPGraph *> chosenGraphs() const;

    QCPTextElement *title = nullptr;
    bool stale = true;
};

#endif // DVNCUSTOMPLOT_H
