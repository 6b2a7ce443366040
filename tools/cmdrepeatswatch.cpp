#include "cmdrepeatswatch.h"

#include "commandtable.h"
#include "ostreltablemodel.h"
#include "ostreltablerecord.h"
#include "tableclipboard.h"
#include "toolsresources.h"

#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMetaMethod>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

CmdRepeatSwatch::CmdRepeatSwatch(const QString &name, QWidget *parent, Qt::WindowFlags flags)
    : ColorSwatch(name, parent, flags)
{
    listPath = QDir::cleanPath(QStringLiteral("resources") + QDir::separator() +
                               QStringLiteral("cmd_repeat.txt"));

    buildCommandFrame(this);
    connect(tableView, &QWidget::customContextMenuRequested, this,
            &CmdRepeatSwatch::slotHandleContextMenu);

    sendButton = pressButton(
        tr("Repeat"), tr("Send command to server. Use selection + Enter for sequential send"), this,
        &CmdRepeatSwatch::slotBtnSendPressed);
    sendButton->setFixedWidth(80);

    actionShow->setIcon(toolsIcon(QStringLiteral("loop_alt2_24x21.png")));

    buttonLayout->addStretch();
    buttonLayout->addWidget(sendButton, 0, Qt::AlignRight);
}

CmdRepeatSwatch::~CmdRepeatSwatch() = default;

void CmdRepeatSwatch::setModel(OstrelTableModel *tableModel)
{
    model = tableModel;
    if (model)
        model->nextRecordId = 1000000;
    tableView->setModel(model);
    for (int column : {0, 1, 4})
        tableView->hideColumn(column);
    tableView->setColumnWidth(2, 120);
    tableView->setColumnWidth(3, 60);
    tableView->setColumnWidth(5, 60);
    tableView->setColumnWidth(6, 120);
}

void CmdRepeatSwatch::setDefaultPath(QString path)
{
    listPath = path;
}

void CmdRepeatSwatch::loadFromFile(QString fileName)
{
    loadCommandFile(model, fileName, false, tr("Loading command repeat list from file %1"),
                    tr("Error reading command repeat list file at \"%1\", insertion skipped"));
}

void CmdRepeatSwatch::sendCopyOf(OstrelTableRecord *record)
{
    auto *copy = new OstrelTableRecord;
    copy->copyFromPacketTable(record);
    emit signalSendFromRepeatList(copy);
}

void CmdRepeatSwatch::slotBtnSendPressed()
{
    // Without a taker the copy would belong to no one.
    if (!model ||
        !isSignalConnected(QMetaMethod::fromSignal(&CmdRepeatSwatch::signalSendFromRepeatList)))
        return;
    if (OstrelTableRecord *record = model->itemPacket(firstSelected(tableView)))
        sendCopyOf(record);
}

void CmdRepeatSwatch::updateButtons()
{
    sendButton->setEnabled(true);
}

void CmdRepeatSwatch::slotHandleContextMenu(const QPoint &pos)
{
    // The position only means something coming from the view that asked.
    if (!sender())
        return;
    QMenu menu(this);
    QAction *copy = menu.addAction(tr("Copy"), this, &CmdRepeatSwatch::copyToClipBoard);
    copy->setShortcut(QKeySequence::Copy);
    menu.addSeparator();
    menu.exec(tableView->viewport()->mapToGlobal(pos));
}

void CmdRepeatSwatch::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Copy))
        copyToClipBoard();
    else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // A held Return sends once.
        if (keyRepeat.isHandPress(event))
            slotBtnSendPressed();
    } else
        ColorSwatch::keyPressEvent(event);
}

void CmdRepeatSwatch::copyToClipBoard()
{
    copyTableSelectionToClipboard(tableView);
}

void CmdRepeatSwatch::slotRepeatLastCommand()
{
    if (!model || !model->hasIndex(0, 0) ||
        !isSignalConnected(QMetaMethod::fromSignal(&CmdRepeatSwatch::signalSendFromRepeatList)))
        return;
    OstrelTableRecord *record = model->itemAtRow(0);
    if (!record)
        return;
    qDebug("%s", qPrintable(tr("Repeat command: %1").arg(model->index(0, 6).data().toString())));
    sendCopyOf(record);
}
