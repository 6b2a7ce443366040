#include "ostrelfwmanager.h"

#include "crc32.h"
#include "ostreldatamodel.h"
#include "ostreltablemodel.h"
#include "ostreltablerecord.h"
#include "treeitem.h"
#include "treemodel.h"
#include "treeproxymodel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

namespace
{

const QString kTransmitText = QStringLiteral("Transmit file");

bool isIntegerField(const OstrelFieldRecord *field)
{
    return field && (field->type == OstrelFieldRecord::TypeInt ||
                     field->type == OstrelFieldRecord::TypeUInt);
}

QLineEdit *lineEdit(const char *name, const QString &text)
{
    auto *edit = new QLineEdit(text);
    edit->setObjectName(QLatin1String(name));
    return edit;
}

QComboBox *comboBox(const char *name)
{
    auto *combo = new QComboBox;
    combo->setObjectName(QLatin1String(name));
    return combo;
}

QPushButton *button(const char *name, const QString &text, const QString &toolTip)
{
    auto *b = new QPushButton(text);
    b->setObjectName(QLatin1String(name));
    if (!toolTip.isEmpty())
        b->setToolTip(toolTip);
    return b;
}

QGridLayout *settingsGrid(QGroupBox *box)
{
    auto *grid = new QGridLayout(box);
    grid->setColumnMinimumWidth(0, 180);
    grid->setColumnMinimumWidth(1, 320);
    grid->setColumnMinimumWidth(2, 160);
    return grid;
}

} // namespace

OstrelFWManager::OstrelFWManager(TreeModel *tree, OstrelTableModel *history, OstrelTableModel *,
                                 QObject *parent)
    : QObject(parent), treeModel(tree), dataModel(tree ? tree->dataModel : nullptr),
      historyModel(history),
      engine(FwTransferEngine::Hooks{[this](OstrelTableRecord *copy) {
                                         if (historyModel)
                                             historyModel->slotInsertFromQue(copy);
                                         else
                                             delete copy;
                                     },
                                     [this](int ms) { sendTimer->start(ms); },
                                     [this]() { sendTimer->stop(); },
                                     [this](const QString &text) { statusLabel->setText(text); },
                                     [this]() { slotSendDirectFinished(); }})
{
    sendTimer = new QTimer;
    assembleLayout();
    connect(sendTimer, &QTimer::timeout, this, &OstrelFWManager::slotTimeoutSend);
    if (historyModel)
        connect(historyModel, &OstrelTableModel::signalIncomingMsg, this,
                &OstrelFWManager::slotIncomingMsgHandle);
}

OstrelFWManager::~OstrelFWManager()
{
    // Nothing may tick into a half-destroyed manager.
    sendTimer->stop();
    delete sendTimer;
    delete dialog;
    delete proxyModel;
}

quint32 OstrelFWManager::calcCrc32(QByteArray bytes)
{
    return crc32IsoHdlc(bytes);
}

void OstrelFWManager::assembleLayout()
{
    dialog = new QDialog;
    dialog->setObjectName(QStringLiteral("fwManagerDialog"));
    dialog->setModal(true);
    dialog->setWindowTitle(QStringLiteral("Ostrel firmware manager"));
    auto *top = new QVBoxLayout(dialog);

    auto *writeBox = new QGroupBox(QStringLiteral("Write memory settings"));
    writeBox->setObjectName(QStringLiteral("writeBox"));
    QGridLayout *w = settingsGrid(writeBox);
    fileEdit = lineEdit("fileEdit", QString());
    deviceCombo = comboBox("deviceCombo");
    memoryCombo = comboBox("memoryCombo");
    writeCmdCombo = comboBox("writeCmdCombo");
    addrFieldCombo = comboBox("addrFieldCombo");
    sizeFieldCombo = comboBox("sizeFieldCombo");
    dataFieldCombo = comboBox("dataFieldCombo");
    baseAddrEdit = lineEdit("baseAddrEdit", QStringLiteral("0x00"));
    blockSizeEdit = lineEdit("blockSizeEdit", QStringLiteral("2048"));
    repeatTimeEdit = lineEdit("repeatTimeEdit", QStringLiteral("1000"));
    deleteTempCheck = new QCheckBox;
    deleteTempCheck->setObjectName(QStringLiteral("deleteTempCheck"));
    deleteTempCheck->setChecked(true);
    QPushButton *selectButton =
        button("selectButton", QStringLiteral("Select..."), QStringLiteral("Select firmware file"));
    QPushButton *bootButton =
        button("bootButton", QStringLiteral("Boot mode"),
               QStringLiteral("Sends command to unit to enter the Bootloader Mode"));
    QPushButton *eraseButton = button("eraseButton", QStringLiteral("Erase Flash"),
                                      QStringLiteral("Sends command to unit to erase Flash memory. "
                                                     "Flash must be erased before write new data"));
    transmitButton = button("transmitButton", kTransmitText,
                            QStringLiteral("Generate packets and start transmition to unit"));

    const struct {
        int row;
        const char *label;
        QWidget *middle;
        QWidget *right;
    } writeRows[] = {
        {0, "File: ", fileEdit, selectButton},
        {1, "Device: ", deviceCombo, nullptr},
        {2, "Memory select: ", memoryCombo, nullptr},
        {3, "Write memory command: ", writeCmdCombo, nullptr},
        {4, "Base address field: ", addrFieldCombo, baseAddrEdit},
        {5, "Size of data field: ", sizeFieldCombo, nullptr},
        {6, "Data buffer field: ", dataFieldCombo, nullptr},
        {8, "Block size, bytes: ", blockSizeEdit, bootButton},
        {9, "Repeat time, ms: ", repeatTimeEdit, eraseButton},
        {10, "Delete temp files: ", deleteTempCheck, transmitButton},
    };
    for (const auto &r : writeRows) {
        w->addWidget(new QLabel(QLatin1String(r.label)), r.row, 0);
        w->addWidget(r.middle, r.row, 1);
        if (r.right)
            w->addWidget(r.right, r.row, 2);
    }
    w->setRowMinimumHeight(7, 8);

    proxyModel = new TreeProxyModel;
    proxyModel->treeModel = treeModel;
    proxyModel->setSourceModel(treeModel);
    deviceView = new QTreeView;
    deviceView->setObjectName(QStringLiteral("deviceView"));
    deviceView->setHeaderHidden(true);
    deviceCombo->setModel(proxyModel);
    deviceCombo->setView(deviceView);
    deviceCombo->setEditable(false);
    deviceView->expandToDepth(2);

    auto *fwBox = new QGroupBox(QStringLiteral("Update firmware settings"));
    fwBox->setObjectName(QStringLiteral("fwBox"));
    QGridLayout *f = settingsGrid(fwBox);
    fwUpdateCmdCombo = comboBox("fwUpdateCmdCombo");
    fwAddrFieldCombo = comboBox("fwAddrFieldCombo");
    fwSizeFieldCombo = comboBox("fwSizeFieldCombo");
    fwCrcFieldCombo = comboBox("fwCrcFieldCombo");
    fwAddrEdit = lineEdit("fwAddrEdit", QString());
    fwSizeEdit = lineEdit("fwSizeEdit", QString());
    fwCrcEdit = lineEdit("fwCrcEdit", QString());
    QPushButton *burnButton = button("burnButton", QStringLiteral("Burn"), QString());
    const struct {
        int row;
        const char *label;
        QWidget *middle;
        QWidget *right;
    } fwRows[] = {
        {10, "Firmware update command: ", fwUpdateCmdCombo, nullptr},
        {20, "Firmware address field: ", fwAddrFieldCombo, fwAddrEdit},
        {30, "Firmware size field: ", fwSizeFieldCombo, fwSizeEdit},
        {40, "Firmware checksum field: ", fwCrcFieldCombo, fwCrcEdit},
    };
    for (const auto &r : fwRows) {
        f->addWidget(new QLabel(QLatin1String(r.label)), r.row, 0);
        f->addWidget(r.middle, r.row, 1);
        f->addWidget(r.right ? r.right : new QWidget, r.row, 2);
    }
    f->addWidget(burnButton, 50, 2);

    auto *bottom = new QHBoxLayout;
    statusLabel = new QLabel;
    statusLabel->setObjectName(QStringLiteral("statusLabel"));
    QPushButton *abortButton = button("abortButton", QStringLiteral("Abort"), QString());
    abortButton->setFixedWidth(60);
    bottom->addWidget(statusLabel);
    bottom->addStretch();
    bottom->addWidget(abortButton, 0, Qt::AlignCenter);

    top->addWidget(writeBox);
    top->addWidget(fwBox);
    top->addLayout(bottom);

    connect(deviceCombo, QOverload<int>::of(&QComboBox::activated), this,
            &OstrelFWManager::slotDeviceSelected);
    connect(selectButton, &QPushButton::released, this, &OstrelFWManager::slotHandleFileDialog);
    connect(writeCmdCombo, QOverload<int>::of(&QComboBox::activated), this,
            &OstrelFWManager::slotWriteCmdSelected);
    connect(memoryCombo, QOverload<int>::of(&QComboBox::activated), this,
            &OstrelFWManager::slotMemorySelected);
    connect(eraseButton, &QPushButton::released, this, &OstrelFWManager::slotFWErasePressed);
    connect(transmitButton, &QPushButton::released, this, &OstrelFWManager::slotSendDirectPressed);
    connect(bootButton, &QPushButton::released, this, &OstrelFWManager::slotBootLdrEnter);
    connect(fwUpdateCmdCombo, QOverload<int>::of(&QComboBox::activated), this,
            &OstrelFWManager::slotFwUpdateCmdSelected);
    connect(burnButton, &QPushButton::released, this, &OstrelFWManager::slotFWUpdatePressed);
    connect(abortButton, &QPushButton::pressed, this, &OstrelFWManager::slotCancelPressed);
    connect(dialog, &QDialog::rejected, this, &OstrelFWManager::slotCancelPressed);

    dialog->show();
}

void OstrelFWManager::inform(const QString &title, const QString &text)
{
    // Shown without a nested event loop, so the device choice runs to its
    // end before the operator reads the box.
    auto *box = new QMessageBox(QMessageBox::Information, title, text, QMessageBox::Ok, dialog);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

OstrelPacketRecord *OstrelFWManager::findCommand(qint32 msgId) const
{
    if (!treeModel || !device)
        return nullptr;
    TreeItem *node = treeModel->findDevMsg(device->deviceTag.devAddress, quint32(msgId));
    return node ? node->packet : nullptr;
}

void OstrelFWManager::slotDeviceSelected(int)
{
    const QModelIndex index = proxyModel->mapToSource(deviceView->currentIndex());
    auto *item = index.isValid() ? static_cast<TreeItem *>(index.internalPointer()) : nullptr;
    if (!item || item->deviceTag.devAddress == 0) {
        deviceCombo->setCurrentIndex(0);
        return;
    }

    device = item;
    // Nothing of the previous device may survive into this one's commands:
    // its write or update command would go to the new address.
    for (QComboBox *combo :
         {writeCmdCombo, fwUpdateCmdCombo, memoryCombo, addrFieldCombo, sizeFieldCombo,
          dataFieldCombo, fwAddrFieldCombo, fwSizeFieldCombo, fwCrcFieldCombo})
        combo->clear();
    memoryBlocks.clear();
    writeCmd = fwUpdateCmd = enterModeCmd = exitModeCmd = nullptr;
    addrField = sizeField = dataField = nullptr;
    fwAddrField = fwSizeField = fwCrcField = nullptr;
    memAccess = nullptr;

    for (int r = 0; r < device->childCount(); ++r) {
        const QString text = device->child(r)->data(0).toString();
        writeCmdCombo->addItem(text, r);
        fwUpdateCmdCombo->addItem(text, r);
    }

    const QString model = device->deviceTag.devModel;
    if (dataModel) {
        for (OstrelMemoryDesc *m = dataModel->nextMemoryDevModel(model, true); m;
             m = dataModel->nextMemoryDevModel(model, false))
            memoryBlocks.append(m);
    }
    if (memoryBlocks.isEmpty()) {
        inform(tr("Memory map not found"),
               tr("Memory map description was not found for device %1\n").arg(model));
    } else {
        for (int i = 0; i < memoryBlocks.size(); ++i)
            memoryCombo->addItem(memoryBlocks.at(i)->MemName, i);
    }

    OstrelMemAccessDesc *access =
        dataModel ? dataModel->nextMemAccessDevModel(model, true) : nullptr;
    if (!access) {
        inform(tr("Memory descriptor not found"),
               tr("Memory access description block was not found for device %1\n").arg(model));
        return;
    }
    memAccess = access;

    auto selectText = [](QComboBox *combo, const QString &text) {
        combo->setCurrentIndex(combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
    };
    TreeItem *node =
        treeModel->findDevMsg(device->deviceTag.devAddress, quint32(access->WriteMemCmd));
    if (!node) {
        inform(tr("Memory descriptor not found"),
               tr("Write memory command %1 not found for device %2\n")
                   .arg(access->WriteMemCmd)
                   .arg(model));
    } else {
        selectText(writeCmdCombo, node->data(0).toString());
        slotWriteCmdSelected(0);
    }
    if (!access->DefaultWriteMem.isEmpty()) {
        selectText(memoryCombo, access->DefaultWriteMem);
        slotMemorySelected(0);
    }
    const QString writeFields[] = {access->WriteMemAddrFld, access->WriteMemSizeFld,
                                   access->WriteMemDataFld};
    QComboBox *const writeCombos[] = {addrFieldCombo, sizeFieldCombo, dataFieldCombo};
    for (int i = 0; i < 3; ++i)
        if (!writeFields[i].isEmpty())
            selectText(writeCombos[i], writeFields[i]);
    if (access->WriteMemBlockSz != 0)
        blockSizeEdit->setText(QString::number(access->WriteMemBlockSz));
    if (access->WriteMemPause != 0)
        repeatTimeEdit->setText(QString::number(access->WriteMemPause));

    node = treeModel->findDevMsg(device->deviceTag.devAddress, quint32(access->FWUpdateCmd));
    if (!node) {
        inform(tr("Memory descriptor not found"),
               tr("Firmware update command %1 not found for device %2\n")
                   .arg(access->FWUpdateCmd)
                   .arg(model));
    } else {
        selectText(fwUpdateCmdCombo, node->data(0).toString());
        slotFwUpdateCmdSelected(0);
    }
    const QString fwFields[] = {access->FWUpdAddrFld, access->FWUpdSizeFld, access->FWUpdCrc32Fld};
    QComboBox *const fwCombos[] = {fwAddrFieldCombo, fwSizeFieldCombo, fwCrcFieldCombo};
    for (int i = 0; i < 3; ++i)
        if (!fwFields[i].isEmpty())
            selectText(fwCombos[i], fwFields[i]);

    enterModeCmd = findCommand(access->EnterMemModeCmd);
    if (!enterModeCmd)
        inform(tr("Memory descriptor not found"),
               tr("Enter service mode command %1 not found for device %2\n")
                   .arg(access->EnterMemModeCmd)
                   .arg(model));
    exitModeCmd = findCommand(access->ExitMemModeCmd);
    if (!exitModeCmd)
        inform(tr("Memory descriptor not found"),
               tr("Exit service mode command %1 not found for device %2\n")
                   .arg(access->ExitMemModeCmd)
                   .arg(model));
}

void OstrelFWManager::selectCommand(QComboBox *commandCombo, OstrelPacketRecord **command,
                                    QComboBox *const fieldCombos[3])
{
    if (!device)
        return;
    const int row = commandCombo->currentIndex() < 0 ? 0 : commandCombo->currentData().toInt();
    TreeItem *child = device->child(row);
    for (int i = 0; i < 3; ++i)
        fieldCombos[i]->clear();
    if (!child || !child->packet)
        return;
    *command = child->packet;
    for (OstrelFieldRecord *f = child->packet->nextField(true); f;
         f = child->packet->nextField(false))
        for (int i = 0; i < 3; ++i)
            fieldCombos[i]->addItem(f->name);
    for (int i = 0; i < 3; ++i)
        fieldCombos[i]->setCurrentIndex(i < fieldCombos[i]->count() ? i : -1);
}

void OstrelFWManager::slotWriteCmdSelected(int)
{
    QComboBox *const fields[3] = {addrFieldCombo, sizeFieldCombo, dataFieldCombo};
    selectCommand(writeCmdCombo, &writeCmd, fields);
}

void OstrelFWManager::slotFwUpdateCmdSelected(int)
{
    QComboBox *const fields[3] = {fwAddrFieldCombo, fwSizeFieldCombo, fwCrcFieldCombo};
    selectCommand(fwUpdateCmdCombo, &fwUpdateCmd, fields);
}

void OstrelFWManager::slotMemorySelected(int)
{
    const int i = memoryCombo->currentIndex() < 0 ? 0 : memoryCombo->currentData().toInt();
    if (i < 0 || i >= memoryBlocks.size())
        return;
    const QString text = QString::asprintf("0x%x", quint32(memoryBlocks.at(i)->MemAddr));
    baseAddrEdit->setText(text);
    fwAddrEdit->setText(text);
}

void OstrelFWManager::slotHandleFileDialog()
{
    const QString path =
        QFileDialog::getOpenFileName(dialog, tr("File to send"), fileEdit->text(),
                                     QStringLiteral("Binary (*.bin);;All files (*.*)"));
    if (path.isEmpty())
        return;
    chooseFile(path);
}

void OstrelFWManager::chooseFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCritical("Can't open file %s", qPrintable(path));
        return;
    }
    const qint64 size = file.size();
    qDebug("File %s (size %d) is ready to send", qPrintable(path), int(size));
    fwSizeEdit->setText(QString::number(size));
    fwCrcEdit->setText(QString::asprintf("0x%08x", calcCrc32(file.readAll())));
    file.close();
    fileEdit->setText(path);
}

void OstrelFWManager::showImage(quint32 size, quint32 crc32)
{
    fwSizeEdit->setText(QString::number(size));
    fwCrcEdit->setText(QString::asprintf("0x%08x", crc32));
}

bool OstrelFWManager::updateFromEditsWrite()
{
    auto fail = [](const QString &text) {
        qCritical("%s", qPrintable(text));
        return false;
    };
    if (!writeCmd)
        return fail(tr("write memory command not found"));
    addrField = writeCmd->fields.value(quint32(addrFieldCombo->currentIndex() + 1), nullptr);
    if (!addrField)
        return fail(tr("address field not found"));
    // Addresses and sizes are packed as 32-bit integers; any other type
    // would send the device something it reads as garbage.
    if (!isIntegerField(addrField))
        return fail(tr("address field %1 is not an integer field").arg(addrField->name));
    sizeField = writeCmd->fields.value(quint32(sizeFieldCombo->currentIndex() + 1), nullptr);
    if (!sizeField)
        return fail(tr("size field not found"));
    if (!isIntegerField(sizeField))
        return fail(tr("size field %1 is not an integer field").arg(sizeField->name));
    dataField = writeCmd->fields.value(quint32(dataFieldCombo->currentIndex() + 1), nullptr);
    if (!dataField)
        return fail(tr("data field not found"));
    filePath = fileEdit->text();
    if (filePath.isEmpty())
        return fail(tr("file not found"));
    bool ok = false;
    blockSize = blockSizeEdit->text().toInt(&ok, 0);
    if (!ok)
        return fail(tr("wrong block size format"));
    if (blockSize < 1)
        return fail(tr("block size must be at least 1"));
    repeatTime = repeatTimeEdit->text().toInt(&ok, 0);
    if (!ok)
        return fail(tr("wrong repeat time format"));
    if (repeatTime < 1)
        return fail(tr("repeat time must be at least 1 ms"));
    baseAddress = baseAddrEdit->text().toInt(&ok, 0);
    if (!ok)
        return fail(tr("wrong address format"));
    deleteTempFiles = deleteTempCheck->isChecked();
    return true;
}

bool OstrelFWManager::updateFromEditsFWUpdate()
{
    auto fail = [](const QString &text) {
        qCritical("%s", qPrintable(text));
        return false;
    };
    bool ok = false;
    fwAddress = fwAddrEdit->text().toInt(&ok, 0);
    if (!ok)
        return fail(tr("wrong firmware address format"));
    fwSize = fwSizeEdit->text().toInt(&ok, 0);
    if (!ok)
        return fail(tr("wrong firmware size format"));
    fwCrc32 = fwCrcEdit->text().toUInt(&ok, 0);
    if (!ok)
        return fail(tr("wrong crc32 format"));
    if (!fwUpdateCmd)
        return fail(tr("firmware update command not found"));
    const struct {
        QComboBox *combo;
        OstrelFieldRecord **member;
        const char *missing;
        const char *notInteger;
    } fields[] = {
        {fwAddrFieldCombo, &fwAddrField, "firmware address field not found",
         "firmware address field %1 is not an integer field"},
        {fwSizeFieldCombo, &fwSizeField, "firmware size field not found",
         "firmware size field %1 is not an integer field"},
        {fwCrcFieldCombo, &fwCrcField, "checksum address field not found",
         "checksum field %1 is not an integer field"},
    };
    for (const auto &f : fields) {
        *f.member = fwUpdateCmd->fields.value(quint32(f.combo->currentIndex() + 1), nullptr);
        if (!*f.member)
            return fail(tr(f.missing));
        if (!isIntegerField(*f.member))
            return fail(tr(f.notInteger).arg((*f.member)->name));
    }
    return true;
}

void OstrelFWManager::syncEngine()
{
    engine.treeModel = treeModel;
    engine.device = device;
    engine.addrField = addrField ? addrField->fieldNum : 0;
    engine.deleteTempFiles = deleteTempFiles;
}

bool OstrelFWManager::sendEnterBootldr()
{
    syncEngine();
    return engine.enterBootloader();
}

bool OstrelFWManager::sendFlashErase()
{
    syncEngine();
    return engine.eraseFlash(filePath, baseAddress);
}

bool OstrelFWManager::sendDataDirectly()
{
    syncEngine();
    if (!engine.transmitDirect(filePath, baseAddress, repeatTime))
        return false;
    showImage(engine.imageSize, engine.imageCrc32);
    return true;
}

bool OstrelFWManager::sendFileDirectly()
{
    syncEngine();
    FwTransferEngine::FileTransmit t;
    t.writeCmd = writeCmd->id;
    t.addrField = addrField->fieldNum;
    t.sizeField = sizeField->fieldNum;
    t.dataField = dataField->fieldNum;
    t.enterModeCmd =
        enterModeCmd ? enterModeCmd->id : quint32(memAccess ? memAccess->EnterMemModeCmd : 0);
    t.exitModeCmd =
        exitModeCmd ? exitModeCmd->id : quint32(memAccess ? memAccess->ExitMemModeCmd : 0);
    t.filePath = filePath;
    t.tempFileFolder = tempFileFolder;
    t.blockSize = blockSize;
    t.baseAddress = baseAddress;
    t.repeatTime = repeatTime;
    if (!engine.transmitFiles(t))
        return false;
    showImage(engine.imageSize, engine.imageCrc32);
    return true;
}

bool OstrelFWManager::sendFWUpdate()
{
    // The device checks the image it holds against this size and sum, so
    // they come from the file as it is now, never from an older display.
    const QString path = fileEdit->text();
    QFile file(path);
    QString fault;
    QByteArray bytes;
    if (path.isEmpty())
        fault = tr("file not found");
    else if (!file.open(QIODevice::ReadOnly))
        fault = tr("Can't open file %1").arg(path);
    else if ((bytes = file.readAll()).size() != file.size())
        fault = tr("Can't read file %1").arg(path);
    if (!fault.isEmpty()) {
        qCritical("%s", qPrintable(fault));
        qCritical("%s", qPrintable(tr("firmware update operation aborted")));
        return false;
    }
    const quint32 crc = calcCrc32(bytes);
    if (quint32(fwSize) != quint32(bytes.size()) || fwCrc32 != crc)
        qWarning("%s", qPrintable(tr("File %1 has size %2 and CRC-32 0x%3; the update uses these")
                                      .arg(path)
                                      .arg(bytes.size())
                                      .arg(crc, 8, 16, QLatin1Char('0'))));
    fwSize = bytes.size();
    fwCrc32 = crc;
    showImage(quint32(fwSize), fwCrc32);

    syncEngine();
    FwTransferEngine::Burn b;
    b.cmd = fwUpdateCmd->id;
    b.addrField = fwAddrField->fieldNum;
    b.sizeField = fwSizeField->fieldNum;
    b.crcField = fwCrcField->fieldNum;
    b.address = quint32(fwAddress);
    b.size = quint32(fwSize);
    b.crc32 = fwCrc32;
    return engine.burn(b);
}

void OstrelFWManager::slotBootLdrEnter()
{
    if (!updateFromEditsWrite()) {
        qCritical("%s", qPrintable(tr("write operation aborted")));
        return;
    }
    sendEnterBootldr();
}

void OstrelFWManager::slotFWErasePressed()
{
    if (!updateFromEditsWrite()) {
        qCritical("%s", qPrintable(tr("firmware update operation aborted")));
        return;
    }
    sendFlashErase();
}

void OstrelFWManager::slotSendDirectPressed()
{
    if (!updateFromEditsWrite()) {
        qCritical("%s", qPrintable(tr("write operation aborted")));
        return;
    }
    const bool started =
        blockSize == FwTransferEngine::DirectBlockSize ? sendDataDirectly() : sendFileDirectly();
    if (started && engine.busy())
        setTransmitButton(QStringLiteral("Pause"), &OstrelFWManager::slotSendDirectPause);
}

void OstrelFWManager::slotFWUpdatePressed()
{
    if (!updateFromEditsFWUpdate()) {
        qCritical("%s", qPrintable(tr("firmware update operation aborted")));
        return;
    }
    sendFWUpdate();
}

void OstrelFWManager::setTransmitButton(const QString &text, void (OstrelFWManager::*slot)())
{
    disconnect(transmitButton, &QPushButton::released, this, nullptr);
    connect(transmitButton, &QPushButton::released, this, slot);
    transmitButton->setText(text);
}

void OstrelFWManager::slotTimeoutSend()
{
    engine.timeout();
}

void OstrelFWManager::slotIncomingMsgHandle(OstrelTableRecord *rec)
{
    engine.acknowledge(rec);
}

void OstrelFWManager::slotSendDirectPause()
{
    engine.pause();
    setTransmitButton(QStringLiteral("Resume"), &OstrelFWManager::slotSendDirectResume);
}

void OstrelFWManager::slotSendDirectResume()
{
    engine.resume();
    setTransmitButton(QStringLiteral("Pause"), &OstrelFWManager::slotSendDirectPause);
}

void OstrelFWManager::slotSendDirectFinished()
{
    engine.acceptAcks = true;
    setTransmitButton(kTransmitText, &OstrelFWManager::slotSendDirectPressed);
}

void OstrelFWManager::slotCancelPressed()
{
    engine.deleteTempFiles = deleteTempFiles;
    engine.abort();
}

void OstrelFWManager::removeTempFiles()
{
    engine.deleteTempFiles = deleteTempFiles;
    engine.removeTempFiles();
}
