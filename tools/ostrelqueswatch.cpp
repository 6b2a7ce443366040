#include "ostrelqueswatch.h"

#include "atomicwrite.h"
#include "commandtable.h"
#include "ostreltablemodel.h"
#include "ostreltablerecord.h"
#include "savefiledialog.h"
#include "tableclipboard.h"
#include "toolsresources.h"

#include <QAction>
#include <QDir>
#include <QDirIterator>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMetaMethod>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

QByteArray queueFileBytes(const QList<OstrelTableRecord *> &records)
{
    QByteArray out;
    for (OstrelTableRecord *record : records)
        out += record->toStr().toUtf8() + '\n';
    return out;
}

OstrelQueSwatch::OstrelQueSwatch(const QString &name, QWidget *parent, Qt::WindowFlags flags)
    : ColorSwatch(name, parent, flags)
{
    const QString sep = QDir::separator();
    quePath =
        QDir::cleanPath(QStringLiteral("resources") + sep + QStringLiteral("queues") + sep) + sep;

    buildCommandFrame(this);
    connect(tableView, &QWidget::customContextMenuRequested, this,
            &OstrelQueSwatch::slotHandleContextMenu);

    sendButton = pressButton(
        tr("Send"), tr("Send command to server. Use selection + Enter for sequential send"), this,
        &OstrelQueSwatch::slotBtnSendPressed);
    deleteButton = pressButton(tr("Delete"), tr("Delete selected commands from queue"), this,
                               &OstrelQueSwatch::slotBtnDeletePressed);
    upButton = pressButton(tr("Up"), tr("Move selected command up in queue"), this,
                           &OstrelQueSwatch::slotBtnUpPressed);
    downButton = pressButton(tr("Down"), tr("Move selected command down in queue"), this,
                             &OstrelQueSwatch::slotBtnDownPressed);
    saveButton = pressButton(tr("Save..."), tr("Use selection to save a set of commands"), this,
                             &OstrelQueSwatch::slotBtnSavePressed);
    openButton = pressButton(tr("Open"), tr("Append que from file to current"), this,
                             &OstrelQueSwatch::slotBtnOpenPressed);

    openMenu = new QMenu(this);
    openButton->setMenu(openMenu);

    actionShow->setIcon(toolsIcon(QStringLiteral("bolt_24x24.png")));

    buttonLayout->addWidget(sendButton, 0, Qt::AlignTop);
    buttonLayout->addWidget(deleteButton, 0, Qt::AlignTop);
    buttonLayout->addWidget(upButton);
    buttonLayout->addWidget(downButton);
    buttonLayout->addWidget(saveButton, 0, Qt::AlignTop);
    buttonLayout->addWidget(openButton, 0, Qt::AlignTop);
    buttonLayout->addStretch();
    tableView->setShowGrid(false);

    connect(tableView, &QAbstractItemView::activated, this, &OstrelQueSwatch::updateButtons);
    // Only while the focus is in this dock: Page Up in another window must
    // never reorder the queue.
    focusShortcut(this, Qt::Key_PageUp, this, &OstrelQueSwatch::slotBtnUpPressed);
    focusShortcut(this, Qt::Key_PageDown, this, &OstrelQueSwatch::slotBtnDownPressed);

    updateOpenMenu();
}

OstrelQueSwatch::~OstrelQueSwatch() = default;

void OstrelQueSwatch::setModel(OstrelTableModel *tableModel)
{
    model = tableModel;
    tableView->setModel(model);
    setCommandColumnWidths(tableView);
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
    loadCommandFile(model, fileName, false, tr("Loading queue from file %1"),
                    tr("Error reading queue file at \"%1\", insertion skipped"));
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
    const QModelIndex first = firstSelected(tableView);
    OstrelTableRecord *record = model->itemPacket(first);
    if (!record)
        return;
    auto *copy = new OstrelTableRecord;
    copy->copyFromPacketTable(record);
    // The rest of the selection stays, so Return sends the next one.
    model->removeRows(first.row(), 1);
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
    const QString fileName =
        askSaveFileName(this, tr("Save queue to file"), quePath + QStringLiteral("untitled.que"),
                        tr("Ostrel Queue (*.que)"), {QStringLiteral(".que")});
    QList<OstrelTableRecord *> records;
    if (fileName.isEmpty() || !recordsToSave(tableView, model, &records))
        return;
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
    else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // A held Return sends once, not one selected row per repeat.
        if (keyRepeat.isHandPress(event))
            slotBtnSendPressed();
    } else
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
