#include "ostrelqueswatch.h"

#include "atomicwrite.h"
#include "ostreltablemodel.h"
#include "ostreltablerecord.h"
#include "tableclipboard.h"
#include "toolsresources.h"

#include <QAction>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMetaMethod>
#include <QPushButton>
#include <QRegularExpression>
#include <QShortcut>
#include <QTableView>
#include <QTextStream>
#include <QVBoxLayout>

#include <algorithm>

CommandFileContent readCommandFile(QIODevice *device, TreeModel *treeModel, bool withTime)
{
    CommandFileContent out;
    if (!device || !device->isReadable())
        return out;
    static const QRegularExpression timeText(QStringLiteral("(time:[0-9]+)"));
    QTextStream in(device);
    in.setCodec("UTF-8");
    // The first empty line ends the file: what follows it is not read.
    for (QString line = in.readLine(); !line.isEmpty(); line = in.readLine()) {
        auto record = std::make_unique<OstrelTableRecord>();
        bool good = record->fromStr(line, treeModel);
        quint32 time = 0;
        if (good && withTime) {
            const QRegularExpressionMatch match = timeText.match(line);
            if (match.hasMatch())
                time = match.captured(1).mid(5).toUInt(&good, 10);
        }
        if (!good) {
            out.badLines << line;
            continue;
        }
        record->status = OstrelTableRecord::Ready;
        record->timeToSend = time;
        out.records.push_back(std::move(record));
    }
    return out;
}

QByteArray queueFileBytes(const QList<OstrelTableRecord *> &records)
{
    QByteArray out;
    for (OstrelTableRecord *record : records)
        out += record->toStr().toUtf8() + '\n';
    return out;
}

QModelIndexList selectedInRowOrder(QTableView *view)
{
    QModelIndexList list;
    if (view && view->selectionModel())
        list = view->selectionModel()->selectedIndexes();
    std::sort(list.begin(), list.end());
    return list;
}

void moveSelectedRecord(QTableView *view, OstrelTableModel *model, int step)
{
    if (!view || !model)
        return;
    const QModelIndexList selection = selectedInRowOrder(view);
    if (selection.isEmpty() || !selection.first().isValid())
        return;
    const int row = selection.first().row();
    const int target = row + step;
    if (target < 0)
        return;
    // By row, not by record id: ids have gaps once a row was removed, and
    // the record must go where the selection goes.
    OstrelTableRecord *moving = model->itemAtRow(unsigned(row));
    OstrelTableRecord *neighbour =
        target < model->rowCount() ? model->itemAtRow(unsigned(target)) : nullptr;
    if (moving && neighbour)
        model->swapRows(neighbour->recordId, moving->recordId);
    view->selectionModel()->setCurrentIndex(model->index(target, selection.first().column()),
                                            QItemSelectionModel::ClearAndSelect |
                                                QItemSelectionModel::Rows);
}

OstrelQueSwatch::OstrelQueSwatch(const QString &name, QWidget *parent, Qt::WindowFlags flags)
    : ColorSwatch(name, parent, flags)
{
    const QString sep = QDir::separator();
    quePath =
        QDir::cleanPath(QStringLiteral("resources") + sep + QStringLiteral("queues") + sep) + sep;

    groupBox = new QGroupBox;
    boxLayout = new QHBoxLayout;
    tableView = new QTableView;
    tableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    tableView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tableView, &QWidget::customContextMenuRequested, this,
            &OstrelQueSwatch::slotHandleContextMenu);
    buttonBox = new QGroupBox;
    buttonLayout = new QVBoxLayout;

    auto button = [](const QString &text, const QString &tip) {
        auto *b = new QPushButton(text);
        b->setToolTip(tip);
        return b;
    };
    sendButton =
        button(tr("Send"), tr("Send command to server. Use selection + Enter for sequential send"));
    deleteButton = button(tr("Delete"), tr("Delete selected commands from queue"));
    upButton = button(tr("Up"), tr("Move selected command up in queue"));
    downButton = button(tr("Down"), tr("Move selected command down in queue"));
    saveButton = button(tr("Save..."), tr("Use selection to save a set of commands"));
    openButton = button(tr("Open"), tr("Append que from file to current"));

    openMenu = new QMenu(this);
    openButton->setMenu(openMenu);

    actionShow->setIcon(toolsIcon(QStringLiteral("bolt_24x24.png")));
    tableView->verticalHeader()->setMinimumSectionSize(20);
    tableView->verticalHeader()->setDefaultSectionSize(20);

    setWidget(groupBox);
    groupBox->setLayout(boxLayout);
    boxLayout->addWidget(tableView);
    boxLayout->addWidget(buttonBox);
    buttonBox->setLayout(buttonLayout);
    buttonLayout->addWidget(sendButton, 0, Qt::AlignTop);
    buttonLayout->addWidget(deleteButton, 0, Qt::AlignTop);
    buttonLayout->addWidget(upButton);
    buttonLayout->addWidget(downButton);
    buttonLayout->addWidget(saveButton, 0, Qt::AlignTop);
    buttonLayout->addWidget(openButton, 0, Qt::AlignTop);
    buttonLayout->addStretch();
    tableView->setShowGrid(false);

    connect(sendButton, &QPushButton::pressed, this, &OstrelQueSwatch::slotBtnSendPressed);
    connect(deleteButton, &QPushButton::pressed, this, &OstrelQueSwatch::slotBtnDeletePressed);
    connect(saveButton, &QPushButton::pressed, this, &OstrelQueSwatch::slotBtnSavePressed);
    connect(openButton, &QPushButton::pressed, this, &OstrelQueSwatch::slotBtnOpenPressed);
    connect(upButton, &QPushButton::pressed, this, &OstrelQueSwatch::slotBtnUpPressed);
    connect(downButton, &QPushButton::pressed, this, &OstrelQueSwatch::slotBtnDownPressed);
    connect(tableView, &QAbstractItemView::activated, this, &OstrelQueSwatch::updateButtons);

    // Only while the focus is in this dock: Page Up in another window must
    // never reorder the queue.
    auto *pageUp = new QShortcut(QKeySequence(Qt::Key_PageUp), this);
    pageUp->setContext(Qt::WidgetWithChildrenShortcut);
    connect(pageUp, &QShortcut::activated, this, &OstrelQueSwatch::slotBtnUpPressed);
    auto *pageDown = new QShortcut(QKeySequence(Qt::Key_PageDown), this);
    pageDown->setContext(Qt::WidgetWithChildrenShortcut);
    connect(pageDown, &QShortcut::activated, this, &OstrelQueSwatch::slotBtnDownPressed);

    updateOpenMenu();
}

OstrelQueSwatch::~OstrelQueSwatch() = default;

void OstrelQueSwatch::setModel(OstrelTableModel *tableModel)
{
    model = tableModel;
    tableView->setModel(model);
    tableView->setColumnWidth(0, 60);
    tableView->setColumnWidth(1, 60);
    tableView->setColumnWidth(2, 180);
    tableView->setColumnWidth(3, 80);
    tableView->setColumnWidth(4, 80);
    tableView->setColumnWidth(5, 80);
    tableView->setColumnWidth(6, 260);
}

void OstrelQueSwatch::setDefaultQuePath(QString path)
{
    // File paths are made by appending a name to the folder.
    if (!path.isEmpty() && !path.endsWith(QLatin1Char('/')) && !path.endsWith(QDir::separator()))
        path += QDir::separator();
    quePath = path;
    updateOpenMenu();
}

void OstrelQueSwatch::loadFromFile(QString fileName)
{
    if (fileName.isEmpty() || !model)
        return;
    QFile file(fileName);
    const bool opened = file.open(QIODevice::ReadOnly | QIODevice::Text);
    if (!opened)
        qCritical("%s", qPrintable(tr("Can't open file %1").arg(fileName)));
    qDebug("%s", qPrintable(tr("Loading queue from file %1").arg(fileName)));
    if (opened) {
        const CommandFileContent content =
            readCommandFile(&file, model->descriptorModelGet(), false);
        for (const auto &record : content.records)
            model->slotUpdateFromCmdEditor(record.get());
        for (const QString &line : content.badLines)
            qCritical(
                "%s",
                qPrintable(tr("Error reading queue file at \"%1\", insertion skipped").arg(line)));
        file.close();
    }
    qDebug("%s", qPrintable(tr("finished loading")));
}

void OstrelQueSwatch::updateOpenMenu()
{
    openMenu->clear();
    fromFileAction = openMenu->addAction(tr("From file..."));
    connect(fromFileAction, &QAction::triggered, this, &OstrelQueSwatch::slotActOpenQueFromFile);
    // A file in a subfolder is offered by its path below the queue folder,
    // so that choosing it loads that very file.
    const QDir folder(QDir(quePath).absolutePath());
    QDirIterator it(quePath, QStringList{QStringLiteral("*.que")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QString relative = folder.relativeFilePath(it.fileInfo().absoluteFilePath());
        QString title = relative;
        QAction *entry = openMenu->addAction(title.replace(QLatin1Char('&'), QLatin1String("&&")));
        entry->setData(relative);
        connect(entry, &QAction::triggered, this, &OstrelQueSwatch::slotActOpenQue);
    }
}

void OstrelQueSwatch::slotBtnDeletePressed()
{
    const QModelIndexList selection = selectedInRowOrder(tableView);
    if (!selection.isEmpty())
        emit signalDeleteFromQue(selection);
}

void OstrelQueSwatch::slotBtnSendPressed()
{
    if (!model)
        return;
    // Without a taker the command would leave the queue and go nowhere.
    if (!isSignalConnected(QMetaMethod::fromSignal(&OstrelQueSwatch::signalSendFromQue)))
        return;
    const QModelIndexList selection = selectedInRowOrder(tableView);
    if (selection.isEmpty() || !selection.first().isValid())
        return;
    OstrelTableRecord *record = model->itemPacket(selection.first());
    if (!record)
        return;
    auto *copy = new OstrelTableRecord;
    copy->copyFromPacketTable(record);
    // The rest of the selection stays, so Return sends the next one.
    model->removeRows(selection.first().row(), 1);
    emit signalSendFromQue(copy);
}

void OstrelQueSwatch::updateButtons()
{
    sendButton->setEnabled(true);
    deleteButton->setEnabled(true);
}

void OstrelQueSwatch::slotBtnSavePressed()
{
    if (!model)
        return;
    if (model->rowCount() == 0) {
        qWarning("%s", qPrintable(tr("Queue is empty - nothing to save")));
        return;
    }
    QString fileName = QFileDialog::getSaveFileName(this, tr("Save queue to file"),
                                                    quePath + QStringLiteral("untitled.que"),
                                                    tr("Ostrel Queue (*.que)"));
    if (fileName.isEmpty())
        return;
    if (fileName.right(4).compare(QLatin1String(".que"), Qt::CaseInsensitive) != 0)
        fileName += QStringLiteral(".que");

    // From the first to the last selected row, the rows between included.
    const QModelIndexList selection = selectedInRowOrder(tableView);
    int first = 0;
    int last = model->rowCount() - 1;
    if (!selection.isEmpty()) {
        first = selection.first().row();
        last = selection.last().row();
    }
    QList<OstrelTableRecord *> records;
    for (int row = first; row <= last; ++row) {
        OstrelTableRecord *record = model->itemAtRow(unsigned(row));
        if (!record) {
            // A queue file silently short of a command is worse than none.
            qCritical("%s", qPrintable(tr("Packet record at row %1 not found").arg(row)));
            return;
        }
        records << record;
    }
    writeFileAtomicallyOrReport(fileName, queueFileBytes(records));
    updateOpenMenu();
}

void OstrelQueSwatch::slotBtnOpenPressed()
{
    updateOpenMenu();
}

void OstrelQueSwatch::slotBtnUpPressed()
{
    moveSelectedRecord(tableView, model, -1);
}

void OstrelQueSwatch::slotBtnDownPressed()
{
    moveSelectedRecord(tableView, model, +1);
}

void OstrelQueSwatch::slotHandleContextMenu(const QPoint &pos)
{
    // The position only means something coming from the view that asked.
    if (!sender() || !model)
        return;
    QMenu menu(this);
    QAction *copy = menu.addAction(tr("Copy"), this, &OstrelQueSwatch::copyToClipBoard);
    copy->setShortcut(QKeySequence::Copy);
    QAction *save = menu.addAction(tr("Save"), this, &OstrelQueSwatch::slotBtnSavePressed);
    save->setShortcut(QKeySequence::Save);
    menu.addSeparator();
    QMenu *rackMenu = menu.addMenu(tr("Add to rack"));
    const QModelIndexList selection = selectedInRowOrder(tableView);
    if (!selection.isEmpty())
        emit signalAddCommand2Button(rackMenu, model->getListFromSelection(selection));
    // The position is the viewport's, below the header.
    menu.exec(tableView->viewport()->mapToGlobal(pos));
}

void OstrelQueSwatch::copyToClipBoard()
{
    copyTableSelectionToClipboard(tableView);
}

void OstrelQueSwatch::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Copy))
        copyToClipBoard();
    else if (event->matches(QKeySequence::Delete))
        slotBtnDeletePressed();
    else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        slotBtnSendPressed();
    else
        ColorSwatch::keyPressEvent(event);
}

void OstrelQueSwatch::slotActOpenQue()
{
    const auto *entry = qobject_cast<QAction *>(sender());
    if (entry)
        loadFromFile(quePath + entry->data().toString());
}

void OstrelQueSwatch::slotActOpenQueFromFile()
{
    const QString fileName = QFileDialog::getOpenFileName(this, tr("Open queue from file"), quePath,
                                                          tr("Ostrel Queue (*.que)"));
    if (!fileName.isEmpty())
        loadFromFile(fileName);
}
