#include "cmdrepeatswatch.h"

#include "ostrelqueswatch.h"
#include "ostreltablemodel.h"
#include "ostreltablerecord.h"
#include "tableclipboard.h"
#include "toolsresources.h"

#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
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

    groupBox = new QGroupBox;
    boxLayout = new QVBoxLayout;
    tableView = new QTableView;
    tableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    tableView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tableView, &QWidget::customContextMenuRequested, this,
            &CmdRepeatSwatch::slotHandleContextMenu);
    buttonBox = new QGroupBox;
    buttonLayout = new QHBoxLayout;

    sendButton = new QPushButton(tr("Repeat"));
    sendButton->setToolTip(tr("Send command to server. Use selection + Enter for sequential send"));
    sendButton->setFixedWidth(80);

    actionShow->setIcon(toolsIcon(QStringLiteral("loop_alt2_24x21.png")));
    tableView->verticalHeader()->setMinimumSectionSize(20);
    tableView->verticalHeader()->setDefaultSectionSize(20);

    setWidget(groupBox);
    groupBox->setLayout(boxLayout);
    boxLayout->addWidget(tableView);
    boxLayout->addWidget(buttonBox);
    buttonBox->setLayout(buttonLayout);
    buttonLayout->addStretch();
    buttonLayout->addWidget(sendButton, 0, Qt::AlignRight);

    connect(sendButton, &QPushButton::pressed, this, &CmdRepeatSwatch::slotBtnSendPressed);
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
    if (fileName.isEmpty() || !model)
        return;
    QFile file(fileName);
    const bool opened = file.open(QIODevice::ReadOnly | QIODevice::Text);
    if (!opened)
        qCritical("%s", qPrintable(tr("Can't open file %1").arg(fileName)));
    qDebug("%s", qPrintable(tr("Loading command repeat list from file %1").arg(fileName)));
    if (opened) {
        const CommandFileContent content =
            readCommandFile(&file, model->descriptorModelGet(), false);
        for (const auto &record : content.records)
            model->slotUpdateFromCmdEditor(record.get());
        for (const QString &line : content.badLines)
            qCritical("%s", qPrintable(tr("Error reading command repeat list file at \"%1\", "
                                          "insertion skipped")
                                           .arg(line)));
        file.close();
    }
    qDebug("%s", qPrintable(tr("finished loading")));
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
    const QModelIndexList selection = selectedInRowOrder(tableView);
    if (selection.isEmpty() || !selection.first().isValid())
        return;
    if (OstrelTableRecord *record = model->itemPacket(selection.first()))
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
    else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        slotBtnSendPressed();
    else
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
