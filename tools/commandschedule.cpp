#include "commandschedule.h"

#include "atomicwrite.h"
#include "ostreltablemodel.h"
#include "ostreltablerecord.h"
#include "savefiledialog.h"
#include "toolsresources.h"

#include <QDateTime>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMetaMethod>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <QtEndian>

namespace
{

constexpr quint16 ScheduleMsgId = 0xF030;
constexpr quint16 ScheduleSrc = 0x0001;
constexpr quint16 ScheduleDst = 0x0005;
// The satellite needs time to take the schedule before its first entry.
constexpr qint64 ScheduleLeadSecs = 30;

template <typename T> void appendLe(QByteArray *out, T value)
{
    uchar bytes[sizeof(T)];
    qToLittleEndian<T>(value, bytes);
    out->append(reinterpret_cast<const char *>(bytes), int(sizeof(T)));
}

} // namespace

QByteArray scheduleFileBytes(const QList<OstrelTableRecord *> &records)
{
    QByteArray out;
    for (OstrelTableRecord *record : records)
        out += record->toStr().toUtf8() + ", time:" + QByteArray::number(record->timeToSend) + '\n';
    return out;
}

CommandFileContent readScheduleFile(QIODevice *device, TreeModel *treeModel)
{
    return readCommandFile(device, treeModel, true);
}

bool packScheduleData(const QList<OstrelTableRecord *> &records, qint64 nowSecs, QByteArray *out)
{
    QByteArray data;
    appendLe<quint16>(&data, quint16(records.size()));
    for (int row = 0; row < records.size(); ++row) {
        OstrelTableRecord *record = records.at(row);
        if (!record) {
            // A schedule with a silently missing command is worse than none.
            qCritical("%s", qPrintable(QObject::tr("Packet record at row %1 not found").arg(row)));
            return false;
        }
        const qint64 sendTime = qint64(record->timeToSend) + nowSecs + ScheduleLeadSecs;
        if (sendTime < 0 || sendTime > qint64(0xFFFFFFFFu)) {
            qCritical("%s", qPrintable(QObject::tr("Send time of the command at row %1 does not "
                                                   "fit into 32 bits")
                                           .arg(row)));
            return false;
        }
        appendLe<quint32>(&data, quint32(sendTime));
        ostrelMessageAppend(&data, record->message);
        if (data.size() > 0xFFFF)
            break;
    }
    // The message length is 16 bits: a bigger schedule would go out cut
    // short under a wrapped length.
    if (data.size() > 0xFFFF) {
        qCritical("%s", qPrintable(QObject::tr("Schedule does not fit into one message: more than "
                                               "%1 bytes of data")
                                       .arg(0xFFFF)));
        return false;
    }
    *out = data;
    return true;
}

CommandSchedule::CommandSchedule(const QString &name, QWidget *parent, Qt::WindowFlags flags)
    : ColorSwatch(name, parent, flags)
{
    const QString sep = QDir::separator();
    schedulePath = QStringLiteral("resources") + sep + QStringLiteral("schedules") + sep;

    buildCommandFrame(this);
    tableView->setShowGrid(false);

    sendButton = pressButton(tr("Send Schedule"), QString(), this,
                             &CommandSchedule::slotBtnSendSchedulePressed);
    deleteButton = pressButton(tr("Delete"), tr("Delete selected commands from schedule"), this,
                               &CommandSchedule::slotBtnDeletePressed);
    upButton = pressButton(tr("Up"), tr("Move selected command up in schedule"), this,
                           &CommandSchedule::slotBtnUpPressed);
    downButton = pressButton(tr("Down"), tr("Move selected command down in schedule"), this,
                             &CommandSchedule::slotBtnDownPressed);
    saveButton = pressButton(tr("Save..."), tr("Use selection to save a set of commands"), this,
                             &CommandSchedule::slotBtnSavePressed);
    openButton = pressButton(tr("Open"), tr("Append schedule from file to current"), this,
                             &CommandSchedule::slotButtonOpenPressed);
    timeSpinBox = new QDoubleSpinBox;
    timeSpinBox->setSuffix(tr("+ sec"));
    timeSpinBox->setRange(0, 5000);
    setTimeButton =
        pressButton(tr("Set time"), QString(), this, &CommandSchedule::slotBtnSetPressed);

    buttonLayout->addWidget(sendButton);
    buttonLayout->addWidget(deleteButton, 32);
    buttonLayout->addWidget(upButton);
    buttonLayout->addWidget(downButton);
    buttonLayout->addWidget(saveButton, 32);
    buttonLayout->addWidget(openButton, 32);
    buttonLayout->addWidget(timeSpinBox);
    buttonLayout->addWidget(setTimeButton);
    buttonLayout->addStretch();

    connect(tableView, &QAbstractItemView::activated, this, &CommandSchedule::updateButtons);
    // Only while the table has the focus: the arrows must still step the
    // time box, and never reorder the schedule from another window.
    focusShortcut(tableView, Qt::Key_Up, this, &CommandSchedule::slotBtnUpPressed);
    focusShortcut(tableView, Qt::Key_Down, this, &CommandSchedule::slotBtnDownPressed);
}

CommandSchedule::~CommandSchedule() = default;

void CommandSchedule::setModel(OstrelTableModel *tableModel)
{
    model = tableModel;
    tableView->setModel(model);
    setCommandColumnWidths(tableView);
    tableView->setColumnWidth(12, 70);
}

void CommandSchedule::updateButtons()
{
    sendButton->setEnabled(true);
    deleteButton->setEnabled(true);
}

void CommandSchedule::slotBtnSendSchedulePressed()
{
    if (!model)
        return;
    if (model->rowCount() == 0) {
        qWarning("%s", qPrintable(tr("Schedule is empty - nothing to send.")));
        return;
    }
    QList<OstrelTableRecord *> records;
    for (int row = 0; row < int(model->recordCountGet()); ++row)
        records << model->itemAtRow(unsigned(row));
    QByteArray data;
    if (!packScheduleData(records, QDateTime::currentSecsSinceEpoch(), &data))
        return;
    // Without a taker the packed record would belong to no one.
    if (!isSignalConnected(QMetaMethod::fromSignal(&CommandSchedule::scheduleReady)))
        return;

    ostrel_message msg{ScheduleMsgId, ScheduleSrc, ScheduleDst, quint16(data.size()),
                       reinterpret_cast<uint8_t *>(data.data())};
    auto *record = new OstrelTableRecord;
    record->copyFromPacketTable(records.first());
    record->copyOstrelMessage(&msg);
    record->data = data;
    emit scheduleReady(record);
}

void CommandSchedule::slotBtnDeletePressed()
{
    const QModelIndexList selection = selectedInRowOrder(tableView);
    if (!selection.isEmpty())
        emit signalDeleteFromSchedule(selection);
}

void CommandSchedule::slotBtnUpPressed()
{
    moveSelectedRecord(tableView, model, -1);
}

void CommandSchedule::slotBtnDownPressed()
{
    moveSelectedRecord(tableView, model, +1);
}

void CommandSchedule::slotBtnSavePressed()
{
    if (!model)
        return;
    tableView->selectAll();
    if (model->rowCount() == 0) {
        qWarning("%s", qPrintable(tr("Schedule is empty - nothing to save")));
        return;
    }
    const QString fileName = askSaveFileName(this, tr("Save queue to file"),
                                             schedulePath + QStringLiteral("_example.sch"),
                                             tr("Ostrel Queue (*.sch)"), {QStringLiteral(".sch")});
    QList<OstrelTableRecord *> records;
    if (fileName.isEmpty() || !recordsToSave(tableView, model, &records))
        return;
    writeFileAtomicallyOrReport(fileName, scheduleFileBytes(records));
}

void CommandSchedule::slotButtonOpenPressed()
{
    const QString fileName =
        QFileDialog::getOpenFileName(this, tr("Open command schedule from file"), QDir::homePath(),
                                     tr("Command Schedule (*.sch)"));
    if (!fileName.isEmpty())
        loadScheduleFromFile(fileName);
}

void CommandSchedule::slotBtnSetPressed()
{
    timeOffset = int(timeSpinBox->value());
    if (!model)
        return;
    if (OstrelTableRecord *record = model->itemPacket(firstSelected(tableView))) {
        record->timeToSend = unsigned(timeOffset);
        model->slotCommandChanged(record);
    }
}

void CommandSchedule::loadScheduleFromFile(QString fileName)
{
    loadCommandFile(model, fileName, true, tr("Loading schedule from file %1"),
                    tr("Error reading schedule file at \"%1\", insertion skipped"));
}
