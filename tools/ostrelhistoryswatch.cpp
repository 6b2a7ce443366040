#include "ostrelhistoryswatch.h"

#include "ostreltablemodel.h"
#include "ostreltablerecord.h"
#include "tableclipboard.h"
#include "toolbar.h"
#include "toolsresources.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace
{

// The history's row header. Its rows are all alike: the model gives them no
// header text, their height is fixed and none is hidden. Two things Qt's
// header does for every row change cost more, with a deep history, than
// everything else the history does:
//  - its size hint measures up to 200 sections again, though the answer
//    cannot have changed while there are rows at all;
//  - taking out a section walks every section left (to renumber hidden
//    ones), and the depth limit takes out one per received message.
// So the hint is kept until the font or style changes, and a removal cuts
// the header down to the model's row count from the end, which leaves
// exactly the same sections.
class RowHeader : public QHeaderView
{
public:
    explicit RowHeader(QWidget *parent) : QHeaderView(Qt::Vertical, parent)
    {
        // What QTableView gives its own row header.
        setSectionsClickable(true);
        setHighlightSections(true);
        setSectionResizeMode(QHeaderView::Fixed);
    }

    QSize sizeHint() const override
    {
        const bool empty = count() == 0;
        if (!m_hint.isValid() || empty != m_hintEmpty) {
            m_hint = QHeaderView::sizeHint();
            m_hintEmpty = empty;
        }
        return m_hint;
    }

    void setModel(QAbstractItemModel *model) override
    {
        disconnect(m_cut);
        disconnect(m_headerData);
        QHeaderView::setModel(model);
        m_hint = QSize();
        if (!model)
            return;
        // Qt's own connection to its private slot can only be named by its
        // text. Should it not be found, that slot removes the section first
        // and the count below is already right: slower, never wrong.
        disconnect(model, SIGNAL(rowsRemoved(QModelIndex, int, int)), this,
                   SLOT(_q_sectionsRemoved(QModelIndex, int, int)));
        m_cut = connect(model, &QAbstractItemModel::rowsRemoved, this, &RowHeader::cutToRowCount);
        m_headerData = connect(model, &QAbstractItemModel::headerDataChanged, this,
                               [this] { m_hint = QSize(); });
    }

protected:
    void changeEvent(QEvent *event) override
    {
        if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
            m_hint = QSize();
        QHeaderView::changeEvent(event);
    }

private:
    void cutToRowCount()
    {
        const int rows = model() ? model()->rowCount(rootIndex()) : 0;
        if (rows >= count())
            return;
        // The ranged form drops the sections beyond the new end and nothing
        // else; the plain one also walks every remaining section.
        if (rows > 0)
            initializeSections(0, rows - 1);
        else
            initializeSections();
    }

    mutable QSize m_hint;
    mutable bool m_hintEmpty = true;
    QMetaObject::Connection m_cut;
    QMetaObject::Connection m_headerData;
};

// The history's table. While the dock holds its paint, laying the rows out
// again for every burst would only serve a picture that nobody sees yet; the
// layout waits for the paint.
class HistoryView : public QTableView
{
public:
    void holdLayout(bool hold)
    {
        m_held = hold;
        if (!hold && m_pending) {
            m_pending = false;
            QTableView::doItemsLayout();
        }
    }

    void doItemsLayout() override
    {
        if (m_held)
            m_pending = true;
        else
            QTableView::doItemsLayout();
    }

private:
    bool m_held = false;
    bool m_pending = false;
};

// A counter in the status bar. A label that changes its size asks the status
// bar, and through it the dock and the main window, to lay out again; a label
// of fixed size only repaints itself. The size follows the text whenever its
// length changes (the digits of the interface fonts share one width).
void setCounterText(QLabel *label, const QString &text)
{
    const bool refit =
        label->text().size() != text.size() || label->minimumSize() != label->maximumSize();
    label->setText(text);
    if (refit)
        label->setFixedSize(label->sizeHint());
}

} // namespace

OstrelHistorySwatch::OstrelHistorySwatch(const QString &name, QWidget *parent,
                                         Qt::WindowFlags flags)
    : ColorSwatch(name, parent, flags)
{
    groupBox = new QGroupBox;
    boxLayout = new QVBoxLayout;
    tableView = new HistoryView;
    tableView->setVerticalHeader(new RowHeader(tableView));
    tableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    tableView->setSortingEnabled(true);
    tableView->installEventFilter(this);
    // Each layout of the rows lays the table's scroll bars out again, and Qt
    // then marks them for repaint even where nothing moved. Scroll bars that
    // fill their own background keep that repaint to themselves, instead of
    // repainting the frame, the box and the dock behind them as well.
    for (QScrollBar *bar : {tableView->verticalScrollBar(), tableView->horizontalScrollBar()})
        bar->setAutoFillBackground(true);

    auto fixedButton = [](const QString &text) {
        auto *button = new QPushButton(text);
        button->setFixedSize(40, 25);
        return button;
    };
    enableButton = fixedButton(tr("Off"));
    showButton = fixedButton(tr("Show"));
    showButton->setEnabled(false);
    clearButton = fixedButton(tr("Clear"));
    applyButton = fixedButton(tr("Apply"));
    depthEdit = new QLineEdit;
    depthEdit->setFixedSize(40, 25);
    autoscrollBox = new QCheckBox(tr("Autoscroll"));
    autoscrollBox->setChecked(autoscroll);

    actionsBar = new ToolBar(tr("Actions"), this);
    statisticsBar = new ToolBar(tr("Statistics"), this);
    filtersBar = new ToolBar(tr("Filters"), this);
    // Made but placed in no window; hidden so that it does not paint itself
    // into a corner of the dock.
    statisticsBar->hide();

    inLabel = new QLabel(tr("In: %1").arg(inCount));
    outLabel = new QLabel(tr("Out: %1").arg(outCount));
    freeLabel = new QLabel(tr("Free: %1").arg(freeCount));
    // A counter that fills its own background repaints alone when its text
    // changes, not the status bar and the dock under it.
    for (QLabel *counter : {inLabel, outLabel, freeLabel})
        counter->setAutoFillBackground(true);

    actionShow->setIcon(toolsIcon(QStringLiteral("clock_24x24.png")));

    assembleLayout();

    connect(depthEdit, &QLineEdit::textEdited, this, &OstrelHistorySwatch::slotDepthEditChanged);
    connect(applyButton, &QPushButton::pressed, this, &OstrelHistorySwatch::slotButtonDepthPressed);
    connect(enableButton, &QPushButton::pressed, this,
            &OstrelHistorySwatch::slotButtonEnablePressed);
    connect(clearButton, &QPushButton::pressed, this, &OstrelHistorySwatch::slotButtonClearPressed);
    connect(showButton, &QPushButton::pressed, this, &OstrelHistorySwatch::slotButtonShowPressed);
    connect(autoscrollBox, &QCheckBox::toggled, this, &OstrelHistorySwatch::slotAutoscrollChanged);

    paintTimer = new QTimer(this);
    paintTimer->setObjectName(QStringLiteral("paintTimer"));
    paintTimer->setSingleShot(true);
    paintTimer->setInterval(kPaintIntervalMs);
    connect(paintTimer, &QTimer::timeout, this, &OstrelHistorySwatch::releasePaint);

    auto *shortcut =
        new QShortcut(QKeySequence(tr("Ctrl+Enter"), QKeySequence::NativeText), depthEdit);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, &OstrelHistorySwatch::slotButtonDepthPressed);
}

OstrelHistorySwatch::~OstrelHistorySwatch() = default;

void OstrelHistorySwatch::assembleLayout()
{
    innerWindow = new QMainWindow;

    actionsBar->addWidget(new QLabel(tr("Depth:")));
    actionsBar->addWidget(depthEdit);
    actionsBar->addWidget(applyButton);
    actionsBar->addSeparator();
    actionsBar->addWidget(enableButton);
    actionsBar->addWidget(showButton);
    actionsBar->addWidget(clearButton);
    actionsBar->addSeparator();
    actionsBar->addWidget(autoscrollBox);

    boxLayout->addWidget(tableView);

    QStatusBar *status = innerWindow->statusBar();
    status->show();
    status->addWidget(inLabel);
    status->addWidget(outLabel);
    status->addWidget(freeLabel);

    innerWindow->addToolBar(actionsBar);
    innerWindow->addToolBar(filtersBar);

    groupBox->setLayout(boxLayout);
    innerWindow->setCentralWidget(groupBox);
    innerWindow->setParent(this);
    setWidget(innerWindow);
}

void OstrelHistorySwatch::setModel(OstrelTableModel *tableModel)
{
    model = tableModel;
    tableView->setModel(model);

    using M = OstrelTableModel;
    for (int column : {M::ColTimeToSend, M::ColData, M::ColModule, M::ColSystem, M::ColCreatedBy,
                       M::ColRecordId, M::ColStatus, M::ColDirection})
        tableView->hideColumn(column);

    tableView->setAutoScroll(autoscroll);
    // The style's minimum would otherwise hold rows above 20 pixels.
    tableView->verticalHeader()->setMinimumSectionSize(20);
    tableView->verticalHeader()->setDefaultSectionSize(20);

    connect(this, &OstrelHistorySwatch::signalClearHistory, model,
            &OstrelTableModel::slotClearTable);
    connect(this, &OstrelHistorySwatch::signalChangeMaxDepth, model,
            &OstrelTableModel::slotSetDepth);
    connect(this, &OstrelHistorySwatch::signalEnableHistory, model,
            &OstrelTableModel::slotEnableHistory);
    connectAutoscroll(autoscroll);
    connect(model, &QAbstractItemModel::rowsInserted, this, &OstrelHistorySwatch::holdPaint);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &OstrelHistorySwatch::holdPaint);
    connect(model, &OstrelTableModel::signalMaxDepthChanged, this,
            &OstrelHistorySwatch::slotMaxDepthChanged);
    connect(model, &OstrelTableModel::signalIncomingMsg, this,
            &OstrelHistorySwatch::slotIncreaseCounters);
    // Order matters: a new current row is announced (through this dock) to
    // the field editor before the model stores it as its current index.
    connect(tableView->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &OstrelHistorySwatch::slotCurrentChanged);
    connect(tableView->selectionModel(), &QItemSelectionModel::currentChanged, model,
            &OstrelTableModel::slotCurrentChanged);
    connect(this, &OstrelHistorySwatch::signalUserSelectionChanged, model,
            &OstrelTableModel::slotNewCmdPacketEditFromSel);

    depthEdit->setText(QString::number(model->maxDepth()));
    applyButton->setEnabled(false);

    tableView->setColumnWidth(OstrelTableModel::ColDirection, 60);
    tableView->setColumnWidth(OstrelTableModel::ColStatus, 60);
    tableView->setColumnWidth(OstrelTableModel::ColCreated, 180);
    tableView->setColumnWidth(OstrelTableModel::ColReceiver, 80);
    tableView->setColumnWidth(OstrelTableModel::ColSender, 80);
    tableView->setColumnWidth(OstrelTableModel::ColMessage, 80);
    tableView->setColumnWidth(OstrelTableModel::ColPacket, 260);

    model->setView(tableView);
}

void OstrelHistorySwatch::connectAutoscroll(bool on)
{
    if (!model)
        return;
    if (on) {
        if (!scrollConnection)
            scrollConnection = connect(model, &QAbstractItemModel::rowsInserted, this,
                                       &OstrelHistorySwatch::scheduleScrollToBottom);
    } else if (scrollConnection) {
        disconnect(scrollConnection);
        scrollConnection = QMetaObject::Connection();
    }
}

void OstrelHistorySwatch::scheduleScrollToBottom()
{
    // Scrolling lays the whole view out at once. Rows arriving together
    // scroll once, when control is back in the event loop, or, while the
    // dock holds its paint, when it paints again.
    if (scrollPending)
        return;
    scrollPending = true;
    if (!paintHeld)
        QMetaObject::invokeMethod(this, &OstrelHistorySwatch::scrollIfPending,
                                  Qt::QueuedConnection);
}

void OstrelHistorySwatch::scrollIfPending()
{
    if (!scrollPending)
        return;
    scrollPending = false;
    if (autoscroll)
        tableView->scrollToBottom();
}

void OstrelHistorySwatch::holdPaint()
{
    // The first change after a quiet spell paints at once; the changes that
    // follow within the interval are painted together when it ends.
    if (!paintTimer->isActive()) {
        paintTimer->start();
    } else if (!paintHeld) {
        paintHeld = true;
        setRowPaintEnabled(false);
        static_cast<HistoryView *>(tableView)->holdLayout(true);
    }
}

void OstrelHistorySwatch::setRowPaintEnabled(bool enabled)
{
    // Only the cells and the row numbers change with the rows. Holding the
    // whole table would repaint its frame when released, and with it the
    // box and the dock behind the frame, every interval.
    tableView->viewport()->setUpdatesEnabled(enabled);
    tableView->verticalHeader()->viewport()->setUpdatesEnabled(enabled);
}

void OstrelHistorySwatch::releasePaint()
{
    if (!paintHeld)
        return;
    paintHeld = false;
    if (countersPending)
        showCounters();
    static_cast<HistoryView *>(tableView)->holdLayout(false);
    scrollIfPending();
    setRowPaintEnabled(true);
    // After a removal the view keeps its row header from painting until its
    // next layout, which cannot let it paint again while the view is held.
    QHeaderView *rows = tableView->verticalHeader();
    if (!rows->updatesEnabled())
        rows->setUpdatesEnabled(true);
    paintTimer->start();
}

void OstrelHistorySwatch::copyToClipBoard()
{
    copyTableSelectionToClipboard(tableView);
}

void OstrelHistorySwatch::updateFreeCounter()
{
    const qint32 free = model ? qint32(model->maxDepth()) - qint32(model->recordCountGet()) : 0;
    freeCount = free < 0 ? 0 : quint32(free);
    setCounterText(freeLabel, tr("Free: %1").arg(freeCount));
}

bool OstrelHistorySwatch::handleKey(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Copy))
        copyToClipBoard();
    else if (event->matches(QKeySequence::Delete))
        slotButtonClearPressed();
    else if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier)
        slotButtonEnablePressed();
    else
        return false;
    return true;
}

void OstrelHistorySwatch::keyPressEvent(QKeyEvent *event)
{
    if (!handleKey(event))
        event->ignore();
}

bool OstrelHistorySwatch::eventFilter(QObject *watched, QEvent *event)
{
    // The table would take Space (select) and Ctrl+C (one cell) for itself
    // where the operator works; the dock's keys come first.
    if (watched == tableView && event->type() == QEvent::KeyPress &&
        handleKey(static_cast<QKeyEvent *>(event)))
        return true;
    return ColorSwatch::eventFilter(watched, event);
}

void OstrelHistorySwatch::slotCurrentChanged(QModelIndex current, QModelIndex previous)
{
    emit signalUserSelectionChanged(current, previous);
}

void OstrelHistorySwatch::slotButtonDepthPressed()
{
    // Text that is not a number applies depth 0, which means no limit.
    emit signalChangeMaxDepth(quint32(depthEdit->text().toInt(nullptr, 10)));
}

void OstrelHistorySwatch::slotButtonClearPressed()
{
    emit signalClearHistory();
}

void OstrelHistorySwatch::slotButtonShowPressed() {}

void OstrelHistorySwatch::slotButtonEnablePressed()
{
    // The button names what the next press does.
    if (model && model->isEnabledHistory()) {
        enableButton->setText(tr("On"));
        emit signalEnableHistory(false);
    } else {
        enableButton->setText(tr("Off"));
        emit signalEnableHistory(true);
    }
}

void OstrelHistorySwatch::slotDepthEditChanged()
{
    applyButton->setEnabled(true);
}

void OstrelHistorySwatch::slotMaxDepthChanged(quint32 depth)
{
    depthEdit->setText(QString::number(depth));
    applyButton->setEnabled(false);
}

void OstrelHistorySwatch::slotIncreaseCounters(OstrelTableRecord *rec)
{
    if (!rec)
        return;
    holdPaint();
    if (rec->direction == OstrelTableRecord::In)
        ++inCount;
    else
        ++outCount;
    // While the paint is held nothing of the dock is drawn; the counters are
    // written once, with the newest counts, when it is released.
    if (paintHeld)
        countersPending = true;
    else
        showCounters();
}

void OstrelHistorySwatch::showCounters()
{
    countersPending = false;
    setCounterText(inLabel, tr("In: %1").arg(inCount));
    setCounterText(outLabel, tr("Out: %1").arg(outCount));
    updateFreeCounter();
}

void OstrelHistorySwatch::slotAutoscrollChanged(bool on)
{
    autoscroll = on;
    tableView->setAutoScroll(on);
    connectAutoscroll(on);
}
