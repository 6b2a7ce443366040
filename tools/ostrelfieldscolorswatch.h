#ifndef OSTRELFIELDSCOLORSWATCH_H
#define OSTRELFIELDSCOLORSWATCH_H

#include "colorswatch.h"
#include "keyrepeatguard.h"

class OstrelTableRecord;
class PacketEditLayout;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QScrollArea;
class TreeItem;

// The "Fields" dock, the operator's command editor: the addresses and
// description of one packet beside an editor row per field. Return or Enter
// (or the command tree's send request) composes the edited command and hands
// it on with signalCmd2QueSend.
//
// Ownership: the record raised by signalCmd2QueSend has at most one taker
// (see the signal). The dock keeps no pointer to any record another owner holds: what it
// shows and its current record are its own copies, so a history that trims,
// clears or drops the record can never leave the dock pointing at freed
// memory.
class OstrelFieldsColorSwatch : public ColorSwatch
{
    Q_OBJECT
public:
    explicit OstrelFieldsColorSwatch(const QString &name, QWidget *parent = nullptr,
                                     Qt::WindowFlags flags = Qt::WindowFlags());
    ~OstrelFieldsColorSwatch() override;

    void updateHeaderFromTreeItem();
    void updateHeaderFromTableRecord(OstrelTableRecord *rec);

    PacketEditLayout *layout = nullptr;
    TreeItem *currentTreeItem = nullptr;
    // The dock's own copy of the record last shown from a record (it keeps
    // that record's id); null until then.
    OstrelTableRecord *currentRecord = nullptr;
    QGroupBox *packetGroup = nullptr;
    QGroupBox *fieldsGroup = nullptr;
    QScrollArea *scrollArea = nullptr;
    QGroupBox *headerGroup = nullptr;
    QLineEdit *firstAddressEdit = nullptr;
    QLineEdit *secondAddressEdit = nullptr;
    QLineEdit *msgIdEdit = nullptr;
    QLabel *firstLabel = nullptr;
    QLabel *secondLabel = nullptr;
    QLabel *descriptionLabel = nullptr;

    // Declares whether the one taker of signalCmd2QueSend's record is
    // connected; without one the dock frees the record itself.
    void setCommandTaken(bool taken) { commandTaken = taken; }
    bool isCommandTaken() const { return commandTaken; }

signals:
    // The composed command. Its one taker is the history model's
    // slotInsertFromQue (start-up connects it unless the queue is enabled
    // and declares it with setCommandTaken); the taker owns the record from
    // here on and leaves it valid until control is back in the event loop.
    // Every other receiver (schedule and queue models, tests) copies it.
    void signalCmd2QueSend(OstrelTableRecord *cmd);
    void signalCmdInQueUpdate(OstrelTableRecord *cmd);
    void signalAdd2Graph(QMenu *menu, TreeItem *item, uint recId);

public slots:
    void slotUpdateFromTreeItem(TreeItem *item);
    void slotUpdateFromTableRecord(OstrelTableRecord *rec);
    void slotPrepareCmd2Que();
    void slotUpdateCmdInQue();
    void slotAdd2Graph(QMenu *menu, TreeItem *item, uint recId);
    void keyPressEvent(QKeyEvent *event) override;

private:
    KeyRepeatGuard keyRepeat;
    bool commandTaken = false;
    void rebuild(TreeItem *item, OstrelTableRecord *rec);
    void setCurrentRecordCopy(OstrelTableRecord *rec);
    // Writes the addresses and the message id into rec; the first address
    // box refused (reported, rec untouched) or null.
    QLineEdit *readHeaderInto(OstrelTableRecord *rec);
    // Number of the field whose editor holds the focus; 0 for none.
    uint fieldWithFocus() const;
};

#endif // OSTRELFIELDSCOLORSWATCH_H
