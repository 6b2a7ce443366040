#ifndef OSTRELFWMANAGER_H
#define OSTRELFWMANAGER_H

#include "fwtransferengine.h"

#include <QList>
#include <QObject>
#include <QString>

class OstrelDataModel;
class OstrelFieldRecord;
class OstrelMemAccessDesc;
class OstrelMemoryDesc;
class OstrelPacketRecord;
class OstrelTableModel;
class OstrelTableRecord;
class QCheckBox;
class QComboBox;
class QDialog;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QTreeView;
class TreeItem;
class TreeModel;
class TreeProxyModel;

// The service tool that writes a file into a device's memory block by block
// and then has the device take it as its firmware. It owns its modal dialog,
// which it shows as soon as it is made, and the resend timer; the sending
// itself is the transfer engine's, which the dialog's buttons drive.
//
// The settings members hold what the last validation read from the dialog;
// every button validates again before anything is sent. The description
// records and map nodes it points at belong to the description and tree
// models, which outlive it.
class OstrelFWManager : public QObject
{
    Q_OBJECT
public:
    OstrelFWManager(TreeModel *treeModel, OstrelTableModel *historyModel,
                    OstrelTableModel *secondModel, QObject *parent = nullptr);
    ~OstrelFWManager() override;

    // The checksum of the file chooser and of the firmware-update command.
    static quint32 calcCrc32(QByteArray bytes);

    bool updateFromEditsWrite();
    bool updateFromEditsFWUpdate();
    // The file chooser after its dialog: shows the file's size and CRC-32.
    void chooseFile(const QString &path);
    void removeTempFiles();

    QString tempFileFolder;
    TreeModel *treeModel = nullptr;
    OstrelDataModel *dataModel = nullptr;
    OstrelTableModel *historyModel = nullptr;
    QTimer *sendTimer = nullptr;
    QList<OstrelMemoryDesc *> memoryBlocks;
    QDialog *dialog = nullptr;
    QPushButton *transmitButton = nullptr;
    QLineEdit *fileEdit = nullptr;
    QComboBox *deviceCombo = nullptr;
    QComboBox *writeCmdCombo = nullptr;
    QComboBox *memoryCombo = nullptr;
    QComboBox *addrFieldCombo = nullptr;
    QComboBox *sizeFieldCombo = nullptr;
    QComboBox *dataFieldCombo = nullptr;
    QLineEdit *blockSizeEdit = nullptr;
    QLineEdit *repeatTimeEdit = nullptr;
    QLineEdit *baseAddrEdit = nullptr;
    QLabel *statusLabel = nullptr;
    QCheckBox *deleteTempCheck = nullptr;
    QComboBox *fwUpdateCmdCombo = nullptr;
    QComboBox *fwAddrFieldCombo = nullptr;
    QComboBox *fwSizeFieldCombo = nullptr;
    QComboBox *fwCrcFieldCombo = nullptr;
    QLineEdit *fwAddrEdit = nullptr;
    QLineEdit *fwSizeEdit = nullptr;
    QLineEdit *fwCrcEdit = nullptr;
    OstrelPacketRecord *fwUpdateCmd = nullptr;
    OstrelFieldRecord *fwAddrField = nullptr;
    OstrelFieldRecord *fwSizeField = nullptr;
    OstrelFieldRecord *fwCrcField = nullptr;
    qint32 fwAddress = 0;
    qint32 fwSize = 0;
    quint32 fwCrc32 = 0;
    OstrelPacketRecord *enterModeCmd = nullptr;
    OstrelPacketRecord *exitModeCmd = nullptr;
    TreeItem *device = nullptr;
    OstrelPacketRecord *writeCmd = nullptr;
    OstrelFieldRecord *addrField = nullptr;
    OstrelFieldRecord *sizeField = nullptr;
    OstrelFieldRecord *dataField = nullptr;
    QString filePath;
    qint32 blockSize = 0;
    qint32 repeatTime = 0;
    qint32 baseAddress = 0;
    bool deleteTempFiles = false;
    TreeProxyModel *proxyModel = nullptr;
    // The device selector's popup, whose current index names the device.
    QTreeView *deviceView = nullptr;
    // The memory-access description of the chosen device's model; it names
    // the memory-mode commands even when the map lacks them.
    OstrelMemAccessDesc *memAccess = nullptr;
    // Pending records, temporary files and the address in flight.
    FwTransferEngine engine;

public slots:
    void slotMemorySelected(int index);
    void slotDeviceSelected(int index);
    void slotWriteCmdSelected(int index);
    void slotFwUpdateCmdSelected(int index);
    void slotHandleFileDialog();
    void slotTimeoutSend();
    void slotCancelPressed();
    void slotFWErasePressed();
    void slotSendDirectPause();
    void slotSendDirectResume();
    void slotSendDirectFinished();
    void slotBootLdrEnter();
    void slotSendDirectPressed();
    void slotFWUpdatePressed();
    void slotIncomingMsgHandle(OstrelTableRecord *rec);

private:
    void assembleLayout();
    void inform(const QString &title, const QString &text);
    void selectCommand(QComboBox *commandCombo, OstrelPacketRecord **command,
                       QComboBox *const fieldCombos[3]);
    OstrelPacketRecord *findCommand(qint32 msgId) const;
    void setTransmitButton(const QString &text, void (OstrelFWManager::*slot)());
    void syncEngine();
    void showImage(quint32 size, quint32 crc32);

    bool sendEnterBootldr();
    bool sendFlashErase();
    bool sendDataDirectly();
    bool sendFileDirectly();
    bool sendFWUpdate();
};

#endif // OSTRELFWMANAGER_H
