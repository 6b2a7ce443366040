#ifndef OSTRELTABLEMODEL_H
#define OSTRELTABLEMODEL_H

#include "ostrelmessage.h"
#include "zvs_ostrel_to_app.h"

#include <QAbstractTableModel>
#include <QList>
#include <QModelIndex>
#include <QPointer>
#include <QTableView>

#include <deque>
#include <vector>

class OstrelTableRecord;
class QDockWidget;
class QTimer;
class TreeModel;

// The record table behind the history, queue, schedule and sent-record
// views: one record per row, rows in ascending record id, 13 columns.
//
// Ownership: the table owns every record it holds and deletes it when its
// row goes. Records handed over by pointer (slotInsertFromQue, the records
// the message slots make) become the table's; the copying slots insert
// copies and leave the given record to its owner.
//
// Receivers of signalIncomingMsg and signalSendFromHistory may insert into
// this same table while it emits, and that insertion may push the depth
// limit onto the very record being announced. Records that leave the table
// while a signal is out are therefore deleted only once control is back in
// the event loop, so every receiver and the code that handed a record over
// can still read it when the call returns.
class OstrelTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    // The columns in display order; views hide and size them by these names.
    enum Column {
        ColDirection,
        ColStatus,
        ColCreated,
        ColReceiver,
        ColSender,
        ColMessage,
        ColPacket,
        ColSystem,
        ColModule,
        ColRecordId,
        ColCreatedBy,
        ColData,
        ColTimeToSend,
        ColumnCount
    };

    explicit OstrelTableModel(TreeModel *treeModel, QObject *parent = nullptr);
    ~OstrelTableModel() override;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    bool insertRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;
    bool removeRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;

    unsigned int insertPacket(OstrelTableRecord *record);
    void clearTable();
    OstrelTableRecord *itemAtRow(unsigned int row) const;
    OstrelTableRecord *itemPacket(const QModelIndex &index) const;
    QList<OstrelTableRecord *> getListFromSelection(QList<QModelIndex> list) const;
    void swapRows(unsigned int id1, unsigned int id2);

    unsigned int recordCountGet() const { return recordCount; }
    unsigned int maxDepth() const { return m_maxDepth; }
    bool isEnabledHistory() const { return historyEnabled; }
    TreeModel *descriptorModelGet() const { return treeModel; }

    void setMaxDepth(unsigned int depth);
    void setView(QTableView *tableView);
    void setEnableDelayedQRX(bool enable, int intervalMs);
    OstrelTableRecord *nextPacket(bool restart);

    // The id the next inserted record gets. The repeat list starts its own
    // range (1000000) here; ids already held are skipped, never reused.
    unsigned int nextRecordId = 1;

    // A demonstration "Fields" box for a dock. Its body lives in the tools
    // library, beside the flow layout it uses, so the core needs no widgets
    // of the tools.
    void createFieldControls(QDockWidget *dock);

signals:
    void signalIncomingMsg(OstrelTableRecord *record);
    void signalNewCmdPacketEdit(OstrelTableRecord *record);
    void signalSendFromHistory(OstrelTableRecord *record);
    void signalMaxDepthChanged(unsigned int depth);

public slots:
    void slotNewFromOstrel(tag_ostrel_message msg, QByteArray bytes);
    void slotNewFromQRX(tag_ostrel_message msg, QByteArray bytes, zvs_ostrel_to_app_t block);
    void slotNewFromQRXDelayed(tag_ostrel_message msg, QByteArray bytes, zvs_ostrel_to_app_t block);
    void slotNewFromQRXDelayedTimer();
    void slotInsertFromQue(OstrelTableRecord *record);
    void slotUpdateFromCmdEditor(OstrelTableRecord *record);
    void slotInsertFromTable(OstrelTableRecord *record);
    void slotCommandChanged(OstrelTableRecord *record);
    void slotNewCmdPacketEditFromSel(const QModelIndex &current, const QModelIndex &previous);
    void slotCurrentChanged(const QModelIndex &current, const QModelIndex &previous);
    void slotDeleteFromBtn(QList<QModelIndex> list);
    void slotEnableHistory(bool enable);
    void slotSetDepth(unsigned int depth);
    void slotClearTable();
    void slotCommandSent();

private:
    class EmitGuard;
    friend class EmitGuard;

    int rowOfId(unsigned int id) const;
    OstrelTableRecord *recordOfId(unsigned int id) const;
    QList<int> selectedRows(const QList<QModelIndex> &list) const;
    void readCurrentIndex();
    void disposeRecord(OstrelTableRecord *record);
    void disposeLater(OstrelTableRecord *record);
    void scheduleFlush();
    void flushDisposed();
    bool applyServerBlockToHeld(tag_ostrel_message &msg, const zvs_ostrel_to_app_t &block);
    OstrelTableRecord *recordFromServerBlock(tag_ostrel_message msg, const QByteArray &bytes,
                                             const zvs_ostrel_to_app_t &block);
    void emitIncoming(OstrelTableRecord *record);
    void emitSend(OstrelTableRecord *record);
    void removeRowsSparing(int count, int spareRow);

    TreeModel *treeModel = nullptr;
    // Rows in ascending record id: row n is records[n]. A deque keeps the
    // steady state of a full history (append one, drop the oldest) O(1).
    std::deque<OstrelTableRecord *> records;
    unsigned int recordCount = 0;
    OstrelTableRecord *pendingRecord = nullptr;
    unsigned int m_maxDepth = 0;
    bool historyEnabled = true;
    QPointer<QTableView> view;
    QModelIndex currentIndex;
    QTimer *delayedTimer = nullptr;
    int delayedInterval = 50;
    bool delayedEnabled = false;
    QList<OstrelTableRecord *> delayedRecords;
    QPersistentModelIndex sentIndex;

    QList<unsigned int> snapshotIds; // ids, so that removed records are skipped
    int snapshotPos = -1;

    int emitDepth = 0;
    std::vector<OstrelTableRecord *> disposed;
    bool flushScheduled = false;
};

#endif // OSTRELTABLEMODEL_H
