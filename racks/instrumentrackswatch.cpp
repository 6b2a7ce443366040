#include "instrumentrackswatch.h"

#include "cappedgraph.h"
#include "dvncommandbutton.h"
#include "dvncustomplot.h"
#include "dvnfieldview.h"
#include "ostreldatamodel.h"
#include "ostreltablerecord.h"
#include "treeitem.h"
#include "treemodel.h"

#include <QAction>
#include <QCheckBox>
#include <QCursor>
#include <QDateTime>
#include <QDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <QVarLengthArray>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace
{
constexpr int kReplotMs = 50;
constexpr int kHotKeys = 10;

// A row of a label, a line edit holding `text` and a stretch.
QLineEdit *addEditRow(QVBoxLayout *into, const QString &label, const QString &text,
                      const char *name)
{
    auto *row = new QHBoxLayout;
    row->addWidget(new QLabel(label));
    auto *edit = new QLineEdit(text);
    edit->setObjectName(QLatin1String(name));
    row->addWidget(edit);
    row->addStretch();
    into->addLayout(row);
    return edit;
}

// The operator's number with its base from the prefix; 0 when it is none.
qlonglong readAutoBase(const QString &text)
{
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok, 0);
    return ok ? value : 0;
}
} // namespace

InstrumentRackSwatch::InstrumentRackSwatch(const QString &title, QWidget *parent,
                                           Qt::WindowFlags flags)
    : ColorSwatch(title, parent, flags)
{
    replotTimer = new QTimer(this);
    replotTimer->setInterval(kReplotMs);
    connect(replotTimer, &QTimer::timeout, this, &InstrumentRackSwatch::handleTimeoutReplot);
    assembleLayout();
}

InstrumentRackSwatch::~InstrumentRackSwatch()
{
    // The instruments go with the widget tree; only the bindings and the
    // rack's own record copies need releasing here.
    for (QWidget *w : qAsConst(plots))
        if (auto *plot = qobject_cast<DvnCustomPlot *>(w))
            for (int i = 0; i < plot->graphCount(); ++i)
                unbindGraph(plot->graph(i));
    plots.clear();
    buttons.clear();
    watches.clear();
    buttonOfKey.clear();
    setPendingRecords({});
}

void InstrumentRackSwatch::assembleLayout()
{
    innerWindow = new QMainWindow;
    innerWindow->setObjectName(QStringLiteral("innerWindow"));
    auto *scroll = new QScrollArea;
    auto *bar = new QMenuBar;

    enableAction = bar->addAction(tr("Disable"));
    enableAction->setObjectName(QStringLiteral("enableAction"));
    connect(enableAction, &QAction::triggered, this, &InstrumentRackSwatch::slotEnableRack);
    QMenu *addMenu = bar->addMenu(tr("Add"));
    connect(addMenu->addAction(tr("Custom plot...")), &QAction::triggered, this,
            &InstrumentRackSwatch::slotAddCustomPlot);
    QMenu *panelMenu = bar->addMenu(tr("Panel"));
    exportAction = panelMenu->addAction(tr("Export..."));
    connect(exportAction, &QAction::triggered, this, &InstrumentRackSwatch::slotExportRackToFile);
    QMenu *plotsMenu = bar->addMenu(tr("Plots"));
    autoscaleAction = plotsMenu->addAction(tr("Autoscale"));
    autoscaleAction->setObjectName(QStringLiteral("autoscaleAction"));
    autoscaleAction->setCheckable(true);
    autoscaleAction->setChecked(true);
    connect(autoscaleAction, &QAction::toggled, this, &InstrumentRackSwatch::slotAutoscaleChange);

    auto *instruments = new QGroupBox(tr("Instruments"));
    auto *row = new QHBoxLayout(instruments);
    watchGroup = new QGroupBox(tr("Watch"));
    watchGroup->setObjectName(QStringLiteral("watchGroup"));
    watchLayout = new QVBoxLayout(watchGroup);
    watchLayout->addStretch();
    plotsGroup = new QGroupBox(tr("Plots"));
    plotsGroup->setObjectName(QStringLiteral("plotsGroup"));
    plotsLayout = new QVBoxLayout(plotsGroup);
    actionsGroup = new QGroupBox(tr("Actions"));
    actionsGroup->setObjectName(QStringLiteral("actionsGroup"));
    actionsLayout = new QVBoxLayout(actionsGroup);
    actionsLayout->addStretch();
    actionsGroup->setFixedWidth(120);
    actionsGroup->hide();
    row->addWidget(watchGroup, 1);
    row->addWidget(plotsGroup, 5);
    row->addWidget(actionsGroup, 1);

    scroll->setWidgetResizable(true);
    scroll->setWidget(instruments);
    innerWindow->setCentralWidget(scroll);
    innerWindow->statusBar()->show();
    innerWindow->setMenuBar(bar);
    setWidget(innerWindow);
}

DvnCustomPlot *InstrumentRackSwatch::addCustomPlot(CustomPlotSettings settings)
{
    auto *plot = new DvnCustomPlot(settings, this);
    plot->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(plot, &QWidget::customContextMenuRequested, this,
            &InstrumentRackSwatch::contextMenuRequestPlot);
    plotsLayout->addWidget(plot);
    plots.append(plot);
    replotTimer->start(kReplotMs);
    return plot;
}

DvnCommandButton *InstrumentRackSwatch::addCommandButton(CommandButtonSettings settings)
{
    auto *button = new DvnCommandButton(settings, this);
    if (buttons.isEmpty())
        actionsGroup->show();
    actionsLayout->insertWidget(actionsLayout->count() - 1, button);
    buttons.append(button);
    // The lowest free digit: no two buttons ever answer one key, and a key
    // shown on a label is the key that clicks that button.
    for (int digit = 0; digit < kHotKeys; ++digit) {
        const auto key = Qt::Key(Qt::Key_0 + digit);
        if (!buttonOfKey.contains(key)) {
            buttonOfKey.insert(key, button);
            button->setHotKey(key);
            break;
        }
    }
    button->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(button, &QWidget::customContextMenuRequested, this,
            &InstrumentRackSwatch::contextMenuRequestButton);
    return button;
}

void InstrumentRackSwatch::removeCustomPlot(DvnCustomPlot *plot)
{
    if (!plot)
        return;
    plotsLayout->removeWidget(plot);
    for (int i = 0; i < plot->graphCount(); ++i)
        unbindGraph(plot->graph(i));
    plots.removeAll(plot);
    plot->tracers.clear();
    plot->clearItems();
    plot->replot();
    plot->hide();
    plot->deleteLater();
}

void InstrumentRackSwatch::removeCommandButton(DvnCommandButton *button)
{
    if (!button)
        return;
    const Qt::Key key = buttonOfKey.key(button, Qt::Key(0));
    if (key != Qt::Key(0))
        buttonOfKey.remove(key);
    actionsLayout->removeWidget(button);
    buttons.removeAll(button);
    if (buttons.isEmpty())
        actionsGroup->hide();
    button->hide();
    button->deleteLater();
}

void InstrumentRackSwatch::removeFieldWatch(DvnFieldView *watch)
{
    if (!watch)
        return;
    if (watch->label) {
        watchLayout->removeWidget(watch->label);
        watch->label->hide();
        watch->label->deleteLater();
    }
    watchLayout->removeWidget(watch);
    watches.removeAll(watch);
    if (watches.isEmpty())
        watchGroup->hide();
    watch->hide();
    watch->deleteLater();
}

int InstrumentRackSwatch::actionIndex(int count) const
{
    auto *action = qobject_cast<QAction *>(sender());
    if (!action || !action->data().isValid())
        return -1;
    bool ok = false;
    const int index = action->data().toInt(&ok);
    return ok && index >= 0 && index < count ? index : -1;
}

void InstrumentRackSwatch::slotRemoveCustomPlot()
{
    const int i = actionIndex(plots.size());
    if (i >= 0)
        removeCustomPlot(qobject_cast<DvnCustomPlot *>(plots.at(i)));
}

void InstrumentRackSwatch::slotRemoveCommandButton()
{
    const int i = actionIndex(buttons.size());
    if (i >= 0)
        removeCommandButton(buttons.at(i));
}

void InstrumentRackSwatch::slotRemoveFieldWatch()
{
    const int i = actionIndex(watches.size());
    if (i >= 0)
        removeFieldWatch(watches.at(i));
}

void InstrumentRackSwatch::slotEnableRack()
{
    enabled = !enabled;
    enableAction->setText(enabled ? tr("Disable") : tr("Enable"));
}

void InstrumentRackSwatch::slotAutoscaleChange(bool toggled)
{
    autoscale = toggled;
}

void InstrumentRackSwatch::slotAddCustomPlot()
{
    auto *dialog = new QDialog(this);
    // A dialog per call: it must not outlive its use.
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setObjectName(QStringLiteral("addPlotDialog"));
    dialog->setModal(true);
    dialog->setWindowTitle(tr("Add new custom plot"));
    auto *layout = new QVBoxLayout(dialog);

    auto *plotBox = new QGroupBox(tr("Plot settings"));
    auto *plotLayout = new QVBoxLayout(plotBox);
    titleEdit = addEditRow(plotLayout, tr("Title"), tr("Values plot"), "titleEdit");
    auto *legendRow = new QHBoxLayout;
    legendRow->addWidget(new QLabel(tr("Legend")));
    legendCheck = new QCheckBox;
    legendCheck->setObjectName(QStringLiteral("legendCheck"));
    legendCheck->setChecked(true);
    legendRow->addWidget(legendCheck);
    legendRow->addStretch();
    plotLayout->addLayout(legendRow);
    auto *axisBox = new QGroupBox(tr("Axis settings"));
    auto *axisLayout = new QVBoxLayout(axisBox);
    xNameEdit = addEditRow(axisLayout, tr("X axis name"), tr("Time, ms"), "xNameEdit");
    yNameEdit = addEditRow(axisLayout, tr("Y axis name"), tr("Value"), "yNameEdit");
    storePointsEdit =
        addEditRow(axisLayout, tr("Store points"), QStringLiteral("3000"), "storePointsEdit");
    plotLayout->addWidget(axisBox);
    layout->addWidget(plotBox);

    auto *buttonsRow = new QHBoxLayout;
    buttonsRow->addStretch();
    auto *cancel = new QPushButton(tr("Cancel"));
    cancel->setObjectName(QStringLiteral("cancelButton"));
    auto *ok = new QPushButton(tr("Ok"));
    ok->setObjectName(QStringLiteral("okButton"));
    for (QPushButton *b : {cancel, ok}) {
        b->setFixedWidth(60);
        buttonsRow->addWidget(b, 0, Qt::AlignCenter);
    }
    // Enter after typing a title means "make it", not "throw it away".
    ok->setDefault(true);
    layout->addLayout(buttonsRow);
    connect(ok, &QPushButton::released, this, &InstrumentRackSwatch::slotAddCustomPlotFromDialog);
    connect(ok, &QPushButton::released, dialog, &QDialog::close);
    connect(cancel, &QPushButton::pressed, dialog, &QDialog::close);

    addPlotDialog = dialog;
    dialog->show();
}

void InstrumentRackSwatch::slotAddCustomPlotFromDialog()
{
    if (!addPlotDialog)
        return;
    CustomPlotSettings s;
    s.title = titleEdit->text();
    s.legend = legendCheck->isChecked();
    s.xName = xNameEdit->text();
    s.yName = yNameEdit->text();
    s.xMin = QDateTime::currentMSecsSinceEpoch();
    s.xMax = s.xMin + 60000;
    // The dialog has no Y range; the data road widens this one as points
    // arrive.
    s.yMin = 0;
    s.yMax = 10;
    s.maxPoints = double(readAutoBase(storePointsEdit->text()));
    addCustomPlot(s);
}

void InstrumentRackSwatch::contextMenuRequestPlot(QPoint pos)
{
    Q_UNUSED(pos)
    auto *plot = qobject_cast<DvnCustomPlot *>(sender());
    if (!plot)
        return;
    QMenu *menu = plot->createStandardContextMenu();
    menu->addSeparator();
    menu->addAction(tr("Remove Custom Plot element"), this,
                    &InstrumentRackSwatch::slotRemoveCustomPlot)
        ->setData(plots.indexOf(plot));
    menu->exec(QCursor::pos());
}

void InstrumentRackSwatch::contextMenuRequestButton(QPoint pos)
{
    Q_UNUSED(pos)
    auto *button = qobject_cast<DvnCommandButton *>(sender());
    if (!button)
        return;
    QMenu menu;
    menu.addSeparator();
    menu.addAction(tr("Remove button"), this, &InstrumentRackSwatch::slotRemoveCommandButton)
        ->setData(buttons.indexOf(button));
    menu.exec(QCursor::pos());
}

void InstrumentRackSwatch::contextMenuRequestField(QPoint pos)
{
    Q_UNUSED(pos)
    auto *watch = qobject_cast<DvnFieldView *>(sender());
    if (!watch)
        return;
    QMenu *menu = watch->createStandardContextMenu();
    menu->addSeparator();
    menu->addAction(tr("Remove watch element"), this, &InstrumentRackSwatch::slotRemoveFieldWatch)
        ->setData(watches.indexOf(watch));
    menu->exec(QCursor::pos());
    delete menu;
}

void InstrumentRackSwatch::keyPressEvent(QKeyEvent *key)
{
    if (!key || key->key() == 0)
        return;
    // A held key repeats: one press is one click, never a burst of sends.
    if (!keyRepeat.isHandPress(key))
        return;
    DvnCommandButton *button = buttonOfKey.value(Qt::Key(key->key()));
    if (!button)
        return;
    button->click();
    qDebug("%s", qUtf8Printable(button->objectName() + tr(" pressed")));
}

void InstrumentRackSwatch::setPendingRecords(const QList<OstrelTableRecord *> &records)
{
    qDeleteAll(pendingRecords);
    pendingRecords.clear();
    for (OstrelTableRecord *rec : records) {
        if (!rec)
            continue;
        auto *copy = new OstrelTableRecord;
        copy->copyFromPacketTable(rec);
        pendingRecords.append(copy);
    }
}

void InstrumentRackSwatch::slotCreateButtonFromQueueSubmenu(QMenu *menu,
                                                            QList<OstrelTableRecord *> queList)
{
    setPendingRecords(queList);
    if (menu)
        menu->addAction(objectName(), this, &InstrumentRackSwatch::slotCreateButtonFromQueue);
}

void InstrumentRackSwatch::slotCreateButtonFromQueue()
{
    if (pendingRecords.isEmpty())
        return;
    CommandButtonSettings s;
    if (pendingRecords.size() == 1) {
        s.description = pendingRecords.first()->packetHeader.name;
    } else {
        for (OstrelTableRecord *rec : qAsConst(pendingRecords))
            s.description += rec->packetHeader.name + QLatin1Char('\n');
    }
    s.title = QInputDialog::getText(this, tr("New command button"), tr("Command name:"),
                                    QLineEdit::Normal, pendingRecords.first()->packetHeader.name);
    DvnCommandButton *button = addCommandButton(s);
    button->setCommandQueue(pendingRecords);
}

// ---- The data road -------------------------------------------------------

void InstrumentRackSwatch::slotNewData(OstrelTableRecord *rec)
{
    if (!enabled || !rec || !rec->treeItem)
        return;
    TreeItem *item = rec->treeItem;
    auto fields = fieldsOfItem.constFind(item);
    if (fields == fieldsOfItem.constEnd()) {
        emit signalNewFieldData(rec);
        return;
    }
    const double x = double(rec->created.toMSecsSinceEpoch());
    // A field bound twice is listed twice; it still gives one point per
    // graph.
    QVarLengthArray<quint32, 32> visited;
    for (; fields != fieldsOfItem.constEnd() && fields.key() == item; ++fields) {
        const quint32 f = fields.value();
        if (std::find(visited.cbegin(), visited.cend(), f) != visited.cend())
            continue;
        visited.append(f);
        // A record lacking a bound field's value gives that field no point:
        // a missing reading is not a zero.
        const auto value = rec->fieldValues.constFind(f);
        if (value == rec->fieldValues.constEnd())
            continue;
        const double y = value->toDouble();
        const FieldKey key(item, f);
        for (auto g = graphOfField.constFind(key); g != graphOfField.constEnd() && g.key() == key;
             ++g)
            addPoint2Graph(g.value(), x, y);
    }
    emit signalNewFieldData(rec);
}

void InstrumentRackSwatch::addPoint2Graph(QCPGraph *graph, double x, double y)
{
    if (!graph)
        return;
    if (auto *capped = qobject_cast<CappedGraph *>(graph))
        capped->addPoint(x, y);
    else
        graph->addData(x, y);
    DvnCustomPlot *plot = plotOfGraph.value(graph);
    if (!plot) {
        if (auto *owner = qobject_cast<DvnCustomPlot *>(graph->parentPlot()))
            owner->markStale();
        return;
    }
    plot->markStale();
    QCPAxis *xAxis = plot->xAxis;
    QCPAxis *yAxis = plot->yAxis;
    if (graph->dataCount() == 1) {
        xAxis->setRange(std::trunc(x - 5000), std::trunc(x + 5000));
        return;
    }
    if (!autoscale)
        return;
    const QCPRange xr = xAxis->range();
    if (x > xr.upper) {
        const double lower = std::trunc(xr.lower);
        const double upper = std::trunc(xr.upper);
        const double half = std::floor((upper - lower) / 2);
        xAxis->setRange(lower + half, upper + half);
    }
    const QCPRange yr = yAxis->range();
    const double l = yr.lower;
    const double u = yr.upper;
    if (y > u)
        yAxis->setRange(l, y + (u - l) / 5);
    else if (y < l)
        yAxis->setRange(y - (u - l) / 5, u);
}

void InstrumentRackSwatch::handleTimeoutReplot()
{
    // An unchanged plot is not drawn again, nor one out of sight (a rack
    // behind another dock's tab, a plot scrolled away): it draws when it
    // comes to be painted.
    for (QWidget *w : qAsConst(plots))
        if (auto *plot = qobject_cast<DvnCustomPlot *>(w);
            plot && plot->isStale() && !plot->visibleRegion().isEmpty())
            plot->replot(QCustomPlot::rpRefreshHint);
    for (DvnFieldView *watch : qAsConst(watches))
        watch->showPending();
    replotTimer->start(kReplotMs);
}

QCPGraph *InstrumentRackSwatch::addGraphFromField(DvnCustomPlot *plot, TreeItem *item,
                                                  unsigned int fieldId)
{
    if (!plot || !item || !item->packet)
        return nullptr;
    OstrelFieldRecord *field = item->packet->fields.value(fieldId);
    if (!field) {
        qCritical("%s", qUtf8Printable(
                            tr("field %1 not found in %2").arg(fieldId).arg(item->packet->name)));
        return nullptr;
    }
    CappedGraph *graph = plot->addCappedGraph();
    graph->setName(QStringLiteral("%1: %2 - %3")
                       .arg(item->deviceTag.devName, item->packet->name, field->name));
    graph->setLineStyle(QCPGraph::lsLine);
    graph->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssCross, 6));
    graph->setDataMaxSize(plot->plotSettings.maxPoints);
    // The process-wide generator, never seeded: every run draws the same
    // sequence of colours.
    const int a = std::rand();
    const int b = std::rand();
    const int c = std::rand();
    QPen pen(QColor(c % 245 + 10, b % 245 + 10, a % 245 + 10, 255));
    pen.setWidth(1);
    graph->setPen(pen);
    plot->replot(QCustomPlot::rpRefreshHint);

    plotOfGraph.insert(graph, plot);
    graphOfField.insert(FieldKey(item, fieldId), graph);
    fieldsOfItem.insert(item, fieldId);
    return graph;
}

void InstrumentRackSwatch::addGraphFromSettings(DvnCustomPlot *plot, CPGraphSettings settings)
{
    TreeItem *item = treeModel ? treeModel->findDevMsg(settings.devAddr, settings.msgId) : nullptr;
    if (!item) {
        qCritical("%s", qUtf8Printable(tr("Can't find message %1 for device %2. Different "
                                          "Zedorir map?")
                                           .arg(settings.msgId)
                                           .arg(settings.devAddr)));
        return;
    }
    if (!item->packet || !item->packet->fields.contains(settings.fieldRecId)) {
        qCritical("%s", qUtf8Printable(tr("Can't find field %1 in message %2 for device %3. "
                                          "Different Zedorir map or Device description file?")
                                           .arg(settings.fieldRecId)
                                           .arg(settings.msgId)
                                           .arg(settings.devAddr)));
        return;
    }
    addGraphFromField(plot, item, settings.fieldRecId);
}

void InstrumentRackSwatch::unbindGraph(QCPGraph *graph)
{
    plotOfGraph.remove(graph);
    for (auto it = graphOfField.begin(); it != graphOfField.end(); ++it) {
        if (it.value() != graph)
            continue;
        const FieldKey key = it.key();
        graphOfField.erase(it);
        auto f = fieldsOfItem.find(key.first, key.second);
        if (f != fieldsOfItem.end())
            fieldsOfItem.erase(f);
        return;
    }
}

bool InstrumentRackSwatch::bindingOfGraph(QCPGraph *graph, TreeItem **item, quint32 *fieldId) const
{
    for (auto it = graphOfField.constBegin(); it != graphOfField.constEnd(); ++it) {
        if (it.value() != graph)
            continue;
        if (item)
            *item = it.key().first;
        if (fieldId)
            *fieldId = it.key().second;
        return true;
    }
    return false;
}

void InstrumentRackSwatch::slotConnectField2GraphSubmenu(QMenu *menu, TreeItem *item,
                                                         unsigned int fieldNum)
{
    offeredItem = item;
    offeredField = fieldNum;
    if (!menu)
        return;
    menu->addAction(objectName() + tr(" - To watch"), this,
                    &InstrumentRackSwatch::slotAddWatchFromField);
    for (int i = 0; i < plots.size(); ++i)
        menu->addAction(objectName() + QStringLiteral(" - ") + plots.at(i)->objectName(), this,
                        &InstrumentRackSwatch::slotConnectField2Graph)
            ->setData(i);
}

void InstrumentRackSwatch::slotAddWatchFromField()
{
    addWatchFromField(offeredItem, offeredField);
}

void InstrumentRackSwatch::slotConnectField2Graph()
{
    const int i = actionIndex(plots.size());
    if (i >= 0)
        addGraphFromField(qobject_cast<DvnCustomPlot *>(plots.at(i)), offeredItem, offeredField);
}

DvnFieldView *InstrumentRackSwatch::addWatchFromField(TreeItem *item, unsigned int fieldId)
{
    if (!item || !item->packet)
        return nullptr;
    OstrelFieldRecord *field = item->packet->fields.value(fieldId);
    if (!field)
        return nullptr;
    auto *watch = new DvnFieldView(item, fieldId, this);
    if (watches.isEmpty())
        watchGroup->show();
    auto *caption = new QLabel(item->data(0).toString().mid(6) + QLatin1Char('-') + field->name);
    watch->label = caption;
    watchLayout->insertWidget(watchLayout->count() - 1, caption);
    watchLayout->insertWidget(watchLayout->count() - 1, watch);
    watches.append(watch);
    connect(this, &InstrumentRackSwatch::signalNewFieldData, watch, &DvnFieldView::slotNewData);
    // A rack of watches alone still needs the tick that shows their values.
    if (!replotTimer->isActive())
        replotTimer->start(kReplotMs);
    watch->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(watch, &QWidget::customContextMenuRequested, this,
            &InstrumentRackSwatch::contextMenuRequestField);
    return watch;
}

bool InstrumentRackSwatch::addWatchFromSettings(FieldViewSettings settings)
{
    TreeItem *item =
        treeModel ? treeModel->findDevMsg(settings.devAddress, settings.msgId) : nullptr;
    if (!item)
        return false;
    return addWatchFromField(item, settings.fieldId) != nullptr;
}
