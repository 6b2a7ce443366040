#include "ostreltablemodel.h"

#include "ostreltablerecord.h"
#include "treeitem.h"
#include "treemodel.h"

#include <QDateTime>
#include <QTimer>

#include <algorithm>

// Counts the signals out; records that leave the table meanwhile wait for
// the event loop before they are deleted.
class OstrelTableModel::EmitGuard
{
public:
    explicit EmitGuard(OstrelTableModel *model) : m(model) { ++m->emitDepth; }
    ~EmitGuard()
    {
        if (--m->emitDepth == 0 && !m->disposed.empty())
            m->scheduleFlush();
    }
    EmitGuard(const EmitGuard &) = delete;
    EmitGuard &operator=(const EmitGuard &) = delete;

private:
    OstrelTableModel *m;
};

OstrelTableModel::OstrelTableModel(TreeModel *treeModel, QObject *parent)
    : QAbstractTableModel(parent), treeModel(treeModel)
{
    delayedTimer = new QTimer(this);
    delayedTimer->setSingleShot(true);
    delayedTimer->setInterval(delayedInterval);
    connect(delayedTimer, &QTimer::timeout, this, &OstrelTableModel::slotNewFromQRXDelayedTimer);
}

OstrelTableModel::~OstrelTableModel()
{
    for (OstrelTableRecord *r : records)
        delete r;
    qDeleteAll(delayedRecords);
    for (OstrelTableRecord *r : disposed)
        delete r;
    delete pendingRecord;
}

// ---------------------------------------------------------------------------
// Table

int OstrelTableModel::rowCount(const QModelIndex &) const
{
    return int(records.size());
}

int OstrelTableModel::columnCount(const QModelIndex &) const
{
    return ColumnCount;
}

QVariant OstrelTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole || index.row() < 0)
        return QVariant();
    const OstrelTableRecord *rec = itemAtRow(unsigned(index.row()));
    if (!rec)
        return QVariant();
    const auto hex = [](unsigned int v) { return tr("0x%1").arg(v, 0, 16).toUpper(); };
    switch (index.column()) {
    case ColDirection:
        return rec->direction == OstrelTableRecord::In ? QStringLiteral("In")
                                                       : QStringLiteral("Out");
    case ColStatus:
        return OstrelTableRecord::statusToStr(rec->status);
    case ColCreated:
        return rec->created.toString(QStringLiteral("yy-MM-dd hh:mm:ss.zzz"));
    case ColReceiver:
        return hex(rec->dst);
    case ColSender:
        return hex(rec->src);
    case ColMessage:
        return hex(rec->packetHeader.id);
    case ColPacket:
        return rec->packetHeader.name;
    case ColSystem:
        return QStringLiteral("system");
    case ColModule:
        return QStringLiteral("module name");
    case ColRecordId:
        return rec->recordId;
    case ColCreatedBy:
        return rec->createdBy;
    case ColData:
        return QStringLiteral("data");
    case ColTimeToSend:
        return rec->timeToSend;
    default:
        return QStringLiteral("default: ") + QString::number(index.column());
    }
}

QVariant OstrelTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    static const char *const headers[ColumnCount] = {
        "Direction", "Status", "Created",   "Receiver",   "Sender", "Message",     "Packet",
        "System",    "Module", "Record Id", "Created By", "Data",   "Time to send"};
    if (section < 0 || section >= ColumnCount)
        return QVariant();
    return QString::fromLatin1(headers[section]);
}

bool OstrelTableModel::insertRows(int row, int count, const QModelIndex &parent)
{
    Q_UNUSED(row) // a record always goes to the end
    if (parent.isValid() || count < 1 || !pendingRecord)
        return false;
    // Take the record and forget it at once: a second call finds nothing to
    // store, so no record is ever held twice.
    OstrelTableRecord *rec = pendingRecord;
    pendingRecord = nullptr;

    // A depth of N removes one row only once more than N are held, so the
    // table holds N + 1 records; the view's current row is spared.
    if (m_maxDepth != 0 && records.size() > m_maxDepth) {
        readCurrentIndex();
        removeRows(currentIndex.isValid() && currentIndex.row() == 0 ? 1 : 0, 1);
    }

    while (nextRecordId == 0 || rowOfId(nextRecordId) >= 0)
        ++nextRecordId;
    rec->recordId = nextRecordId++;
    int pos = int(records.size());
    if (!records.empty() && records.back()->recordId > rec->recordId) {
        const auto it = std::upper_bound(
            records.begin(), records.end(), rec->recordId,
            [](unsigned int id, const OstrelTableRecord *r) { return id < r->recordId; });
        pos = int(it - records.begin());
    }
    beginInsertRows(QModelIndex(), pos, pos);
    records.insert(records.begin() + pos, rec);
    ++recordCount;
    endInsertRows();
    return true;
}

bool OstrelTableModel::removeRows(int row, int count, const QModelIndex &parent)
{
    if (parent.isValid() || count <= 0 || row < 0 || row + count > int(records.size()))
        return false;
    beginRemoveRows(QModelIndex(), row, row + count - 1);
    std::vector<OstrelTableRecord *> gone(records.begin() + row, records.begin() + row + count);
    records.erase(records.begin() + row, records.begin() + row + count);
    recordCount -= unsigned(count);
    endRemoveRows();
    // Only once no view can reach them any more.
    for (OstrelTableRecord *r : gone)
        disposeRecord(r);
    return true;
}

unsigned int OstrelTableModel::insertPacket(OstrelTableRecord *record)
{
    if (!record)
        return 0;
    const int held = rowOfId(record->recordId);
    if (held >= 0 && records[size_t(held)] == record)
        return record->recordId;
    if (!historyEnabled) {
        disposeRecord(record);
        return 0;
    }
    pendingRecord = record;
    insertRows(rowCount(), 1);
    if (pendingRecord) {
        pendingRecord = nullptr;
        disposeRecord(record);
        return 0;
    }
    return record->recordId;
}

void OstrelTableModel::clearTable()
{
    removeRows(0, rowCount());
}

OstrelTableRecord *OstrelTableModel::itemAtRow(unsigned int row) const
{
    return row < records.size() ? records[row] : nullptr;
}

OstrelTableRecord *OstrelTableModel::itemPacket(const QModelIndex &index) const
{
    if (!index.isValid() || index.row() < 0)
        return nullptr;
    return itemAtRow(unsigned(index.row()));
}

QList<int> OstrelTableModel::selectedRows(const QList<QModelIndex> &list) const
{
    QList<int> rows;
    for (const QModelIndex &i : list) {
        if (i.isValid() && i.row() >= 0 && i.row() < int(records.size()))
            rows.append(i.row());
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

QList<OstrelTableRecord *> OstrelTableModel::getListFromSelection(QList<QModelIndex> list) const
{
    QList<OstrelTableRecord *> result;
    if (list.isEmpty() || !list.first().isValid() || !list.last().isValid())
        return result;
    // The rows actually selected: a selection with gaps must not pull in
    // the rows between its ends.
    for (int row : selectedRows(list))
        result.append(records[size_t(row)]);
    return result;
}

void OstrelTableModel::swapRows(unsigned int id1, unsigned int id2)
{
    const int r1 = rowOfId(id1);
    const int r2 = rowOfId(id2);
    if (r1 < 0 || r2 < 0 || r1 == r2)
        return;
    // Rows stay in id order: the records trade places and ids together.
    std::swap(records[size_t(r1)], records[size_t(r2)]);
    records[size_t(r1)]->recordId = id1;
    records[size_t(r2)]->recordId = id2;
    emit dataChanged(index(r1, 0), index(r1, ColumnCount - 1));
    emit dataChanged(index(r2, 0), index(r2, ColumnCount - 1));
}

void OstrelTableModel::setMaxDepth(unsigned int depth)
{
    m_maxDepth = depth;
    emit signalMaxDepthChanged(depth);
}

void OstrelTableModel::setView(QTableView *tableView)
{
    view = tableView;
}

void OstrelTableModel::setEnableDelayedQRX(bool enable, int intervalMs)
{
    if (enable) {
        delayedEnabled = true;
        delayedInterval = intervalMs;
        delayedTimer->start(intervalMs);
    } else {
        delayedEnabled = false;
        delayedTimer->stop();
    }
}

OstrelTableRecord *OstrelTableModel::nextPacket(bool restart)
{
    if (restart || snapshotPos < 0) {
        snapshotIds.clear();
        for (const OstrelTableRecord *r : records)
            snapshotIds.append(r->recordId);
        snapshotPos = 0;
    }
    while (snapshotPos < snapshotIds.size()) {
        if (OstrelTableRecord *r = recordOfId(snapshotIds.at(snapshotPos++)))
            return r;
    }
    snapshotIds.clear();
    snapshotPos = -1;
    return nullptr;
}

// ---------------------------------------------------------------------------
// Slots

void OstrelTableModel::slotNewFromOstrel(tag_ostrel_message msg, QByteArray bytes)
{
    auto *rec = new OstrelTableRecord;
    rec->message = msg; // the buffer is the record's from here on
    rec->direction = OstrelTableRecord::In;
    rec->data = bytes;
    rec->fillFromOstrelMsg(treeModel);
    if (historyEnabled) {
        if (!insertPacket(rec))
            return;
        emitIncoming(rec);
    } else {
        emitIncoming(rec);
        disposeRecord(rec);
    }
}

bool OstrelTableModel::applyServerBlockToHeld(tag_ostrel_message &msg,
                                              const zvs_ostrel_to_app_t &block)
{
    if (block.tag == 0)
        return false;
    OstrelTableRecord *rec = recordOfId(block.tag);
    if (!rec)
        return false;
    rec->created = QDateTime::fromMSecsSinceEpoch(block.timeMs, Qt::UTC);
    rec->status = block.txStatus == 1 ? OstrelTableRecord::Sent : OstrelTableRecord::ErrorTx;
    slotCommandChanged(rec);
    delete[] msg.data;
    msg.data = nullptr;
    return true;
}

OstrelTableRecord *OstrelTableModel::recordFromServerBlock(tag_ostrel_message msg,
                                                           const QByteArray &bytes,
                                                           const zvs_ostrel_to_app_t &block)
{
    const bool out = block.direction == OstrelTableRecord::Out;
    auto *rec = new OstrelTableRecord;
    rec->message = msg;
    rec->direction = out ? OstrelTableRecord::Out : OstrelTableRecord::In;
    rec->data = bytes;
    rec->fillFromOstrelMsg(treeModel);
    rec->created = QDateTime::fromMSecsSinceEpoch(block.timeMs, Qt::UTC);
    if (out) {
        rec->direction = OstrelTableRecord::Out;
        rec->status = block.txStatus == 1 ? OstrelTableRecord::Sent : OstrelTableRecord::ErrorTx;
    }
    bool drop;
    if (rec->treeItem)
        drop = rec->treeItem->isValidRxAddress() == Qt::Unchecked;
    else
        drop = treeModel && treeModel->rejectUnknown;
    if (drop) {
        delete rec;
        return nullptr;
    }
    return rec;
}

void OstrelTableModel::slotNewFromQRX(tag_ostrel_message msg, QByteArray bytes,
                                      zvs_ostrel_to_app_t block)
{
    if (applyServerBlockToHeld(msg, block))
        return;
    OstrelTableRecord *rec = recordFromServerBlock(msg, bytes, block);
    if (!rec)
        return;
    emitIncoming(rec);
    insertPacket(rec);
}

void OstrelTableModel::slotNewFromQRXDelayed(tag_ostrel_message msg, QByteArray bytes,
                                             zvs_ostrel_to_app_t block)
{
    if (applyServerBlockToHeld(msg, block))
        return;
    OstrelTableRecord *rec = recordFromServerBlock(msg, bytes, block);
    if (!rec)
        return;
    emitIncoming(rec);
    if (historyEnabled)
        delayedRecords.append(rec);
    else
        disposeRecord(rec);
}

void OstrelTableModel::slotNewFromQRXDelayedTimer()
{
    readCurrentIndex();
    const bool spare = currentIndex.isValid() && currentIndex.row() < int(records.size());
    if (!delayedRecords.isEmpty() && m_maxDepth != 0) {
        const int keep = int(m_maxDepth) - (currentIndex.isValid() ? 1 : 0);
        while (delayedRecords.size() > std::max(keep, 0))
            disposeRecord(delayedRecords.takeFirst());
    }
    if (m_maxDepth != 0 && !delayedRecords.isEmpty()) {
        const int excess = int(records.size()) + delayedRecords.size() - int(m_maxDepth);
        if (excess > 0) {
            const int room = int(records.size()) - (spare ? 1 : 0);
            removeRowsSparing(std::min(excess, room), spare ? currentIndex.row() : -1);
        }
    }
    if (!delayedRecords.isEmpty()) {
        const QList<OstrelTableRecord *> batch = delayedRecords;
        delayedRecords.clear();
        if (!historyEnabled) {
            for (OstrelTableRecord *r : batch)
                disposeRecord(r);
        } else {
            if (!records.empty() && nextRecordId <= records.back()->recordId)
                nextRecordId = records.back()->recordId + 1;
            const int first = int(records.size());
            beginInsertRows(QModelIndex(), first, first + batch.size() - 1);
            for (OstrelTableRecord *r : batch) {
                r->recordId = nextRecordId++;
                records.push_back(r);
                ++recordCount;
            }
            endInsertRows();
        }
    }
    if (delayedEnabled)
        delayedTimer->start(delayedInterval);
}

void OstrelTableModel::removeRowsSparing(int count, int spareRow)
{
    if (count <= 0)
        return;
    if (spareRow < 0 || spareRow >= count) {
        removeRows(0, count);
        return;
    }
    removeRows(spareRow + 1, count - spareRow);
    if (spareRow > 0)
        removeRows(0, spareRow);
}

void OstrelTableModel::slotInsertFromQue(OstrelTableRecord *record)
{
    if (!record)
        return;
    if (historyEnabled) {
        if (!insertPacket(record))
            return;
        emitSend(record);
    } else {
        emitSend(record);
        // The sender reads the record again once this slot returns.
        disposeLater(record);
    }
}

void OstrelTableModel::slotUpdateFromCmdEditor(OstrelTableRecord *record)
{
    if (!record)
        return;
    auto *copy = new OstrelTableRecord;
    copy->copyFromPacketTable(record);
    if (copy->direction == OstrelTableRecord::In) {
        // An answer becomes a command to the device that sent it: the
        // message header must follow, or the command goes back to the ground.
        copy->direction = OstrelTableRecord::Out;
        std::swap(copy->src, copy->dst);
        std::swap(copy->message.src, copy->message.dst);
    }
    insertPacket(copy);
}

void OstrelTableModel::slotInsertFromTable(OstrelTableRecord *record)
{
    if (!record)
        return;
    auto *copy = new OstrelTableRecord;
    copy->copyFromPacketTable(record);
    copy->created = QDateTime::currentDateTime();
    insertPacket(copy);
}

void OstrelTableModel::slotCommandChanged(OstrelTableRecord *record)
{
    if (!record)
        return;
    const int row = rowOfId(record->recordId);
    if (row >= 0)
        emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

void OstrelTableModel::slotNewCmdPacketEditFromSel(const QModelIndex &current, const QModelIndex &)
{
    if (!current.isValid())
        return;
    OstrelTableRecord *rec = itemPacket(current);
    if (!rec)
        return;
    EmitGuard guard(this);
    emit signalNewCmdPacketEdit(rec);
}

void OstrelTableModel::slotCurrentChanged(const QModelIndex &current, const QModelIndex &)
{
    currentIndex = current;
}

void OstrelTableModel::slotDeleteFromBtn(QList<QModelIndex> list)
{
    if (list.isEmpty() || !list.first().isValid() || !list.last().isValid())
        return;
    const QList<int> rows = selectedRows(list);
    // From the bottom up, one removal per run of adjacent rows, so the rows
    // still to go keep their numbers.
    int i = rows.size() - 1;
    while (i >= 0) {
        int j = i;
        while (j > 0 && rows.at(j - 1) == rows.at(j) - 1)
            --j;
        removeRows(rows.at(j), rows.at(i) - rows.at(j) + 1);
        i = j - 1;
    }
}

void OstrelTableModel::slotEnableHistory(bool enable)
{
    historyEnabled = enable;
}

void OstrelTableModel::slotSetDepth(unsigned int depth)
{
    setMaxDepth(depth);
}

void OstrelTableModel::slotClearTable()
{
    clearTable();
}

void OstrelTableModel::slotCommandSent()
{
    if (sentIndex.isValid())
        removeRows(sentIndex.row(), 1);
    sentIndex = QPersistentModelIndex();
}

// ---------------------------------------------------------------------------
// Helpers

int OstrelTableModel::rowOfId(unsigned int id) const
{
    // New records ask for ids beyond the last row's: no search for those.
    if (records.empty() || id < records.front()->recordId || id > records.back()->recordId)
        return -1;
    const auto it = std::lower_bound(
        records.begin(), records.end(), id,
        [](const OstrelTableRecord *r, unsigned int v) { return r->recordId < v; });
    if (it == records.end() || (*it)->recordId != id)
        return -1;
    return int(it - records.begin());
}

OstrelTableRecord *OstrelTableModel::recordOfId(unsigned int id) const
{
    const int row = rowOfId(id);
    return row < 0 ? nullptr : records[size_t(row)];
}

void OstrelTableModel::readCurrentIndex()
{
    if (view)
        currentIndex = view->currentIndex();
    else
        currentIndex = QModelIndex();
}

void OstrelTableModel::emitIncoming(OstrelTableRecord *record)
{
    EmitGuard guard(this);
    emit signalIncomingMsg(record);
}

void OstrelTableModel::emitSend(OstrelTableRecord *record)
{
    EmitGuard guard(this);
    emit signalSendFromHistory(record);
}

void OstrelTableModel::disposeRecord(OstrelTableRecord *record)
{
    if (emitDepth > 0)
        disposeLater(record);
    else
        delete record;
}

void OstrelTableModel::disposeLater(OstrelTableRecord *record)
{
    disposed.push_back(record);
    scheduleFlush();
}

void OstrelTableModel::scheduleFlush()
{
    if (flushScheduled)
        return;
    flushScheduled = true;
    QMetaObject::invokeMethod(
        this, [this] { flushDisposed(); }, Qt::QueuedConnection);
}

void OstrelTableModel::flushDisposed()
{
    flushScheduled = false;
    // A receiver running a nested event loop is still inside a signal; the
    // guard schedules the flush again when the outermost signal returns.
    if (emitDepth > 0)
        return;
    std::vector<OstrelTableRecord *> batch;
    batch.swap(disposed);
    for (OstrelTableRecord *r : batch)
        delete r;
}
