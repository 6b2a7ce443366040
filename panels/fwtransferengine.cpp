#include "fwtransferengine.h"

#include "crc32.h"
#include "ostreltablerecord.h"
#include "treeitem.h"
#include "treemodel.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>

namespace
{

// The engine speaks with the manager's voice in the message log.
QString tr(const char *text)
{
    return QCoreApplication::translate("OstrelFWManager", text);
}

} // namespace

FwTransferEngine::FwTransferEngine(Hooks h) : hooks(std::move(h)) {}

FwTransferEngine::~FwTransferEngine()
{
    qDeleteAll(pendingRecords);
}

bool FwTransferEngine::refuseWhileBusy() const
{
    if (!busy())
        return false;
    qCritical("%s", qPrintable(tr("Operation refused: a transfer is in progress (%1 records "
                                  "pending); wait until it completes or abort it")
                                   .arg(pendingRecords.size())));
    return true;
}

bool FwTransferEngine::readFile(const QString &path, QByteArray *bytes) const
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCritical("%s", qPrintable(tr("Can't open file %1").arg(path)));
        return false;
    }
    const qint64 size = file.size();
    // Sizes travel as 32-bit numbers and the image is held whole in memory.
    if (size > qint64(0x7FFFFFFF)) {
        qCritical("%s", qPrintable(tr("File %1 is too large (%2 bytes)").arg(path).arg(size)));
        return false;
    }
    *bytes = file.readAll();
    if (bytes->size() != size) {
        qCritical("%s", qPrintable(tr("Can't read file %1").arg(path)));
        return false;
    }
    return true;
}

bool FwTransferEngine::fitsAddressSpace(qint32 baseAddress, quint64 size) const
{
    // Addresses are the unsigned 32 bits of the base plus an offset; a
    // transfer that would wrap past the top would overwrite the bottom.
    if (quint64(quint32(baseAddress)) + size <= (quint64(1) << 32))
        return true;
    qCritical("%s", qPrintable(tr("Transfer of %1 bytes from address 0x%2 would run past "
                                  "address 0xffffffff")
                                   .arg(size)
                                   .arg(quint32(baseAddress), 8, 16, QLatin1Char('0'))));
    return false;
}

OstrelTableRecord *FwTransferEngine::buildRecord(quint32 msgId, int length, bool commandLength,
                                                 const QMap<quint32, QVariant> &values) const
{
    if (!device)
        return nullptr;
    auto *rec = new OstrelTableRecord;
    rec->message.msg_id = uint16_t(msgId);
    rec->message.src = uint16_t(device->deviceTag.baseAddress);
    rec->message.dst = uint16_t(device->deviceTag.devAddress);
    rec->message.length = uint16_t(length);
    rec->direction = OstrelTableRecord::Out;
    rec->fillFromOstrelMsg(treeModel);
    if (!rec->packet || quint32(rec->packet->id) != msgId) {
        qWarning("%s", qPrintable(tr("Command %1 for device %2 doesn't exist")
                                      .arg(msgId)
                                      .arg(device->deviceTag.devName)));
        delete rec;
        return nullptr;
    }
    rec->direction = OstrelTableRecord::Out;
    rec->created = QDateTime::currentDateTime();
    if (commandLength) {
        const int len = rec->packet->dataLen;
        if (len < 0 || len > MaxDataLength) {
            qCritical("%s", qPrintable(tr("Command %1 has data length %2; the limit is %3 bytes")
                                           .arg(msgId)
                                           .arg(len)
                                           .arg(MaxDataLength)));
            delete rec;
            return nullptr;
        }
        rec->message.length = uint16_t(len);
        rec->packetHeader.dataLen = len;
    }
    for (auto it = rec->fieldValues.begin(); it != rec->fieldValues.end(); ++it) {
        const auto v = values.constFind(it.key());
        if (v != values.constEnd())
            *it = *v;
    }
    rec->composeOstrelMessage();
    return rec;
}

void FwTransferEngine::clearPending()
{
    qDeleteAll(pendingRecords);
    pendingRecords.clear();
    // Whatever was in flight belongs to an abandoned transfer now.
    addrInFlight = 0;
    active = false;
    if (hooks.stopTimer)
        hooks.stopTimer();
}

bool FwTransferEngine::enterBootloader()
{
    if (refuseWhileBusy())
        return false;
    clearPending();
    OstrelTableRecord *rec = buildRecord(BootEnterMsgId, 0, false, {});
    if (!rec)
        return false;
    pendingRecords.append(rec);
    repeatTime = BootResendMs;
    sendStep();
    // The device restarts into its boot loader: nothing answers this one.
    clearPending();
    return true;
}

bool FwTransferEngine::eraseFlash(const QString &filePath, qint32 baseAddress)
{
    if (refuseWhileBusy())
        return false;
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly)) {
        qCritical("%s", qPrintable(tr("Can't open file %1").arg(filePath)));
        return false;
    }
    const quint64 size = quint64(file.size());
    file.close();
    if (size > 0x7FFFFFFFu) {
        qCritical("%s", qPrintable(tr("File %1 is too large (%2 bytes)").arg(filePath).arg(size)));
        return false;
    }
    if (!fitsAddressSpace(baseAddress, size))
        return false;
    clearPending();
    OstrelTableRecord *rec =
        buildRecord(FlashEraseMsgId, 8, false,
                    {{1, QVariant(quint32(baseAddress))}, {2, QVariant(quint32(size))}});
    if (!rec)
        return false;
    pendingRecords.append(rec);
    repeatTime = EraseResendMs;
    sendStep();
    return true;
}

bool FwTransferEngine::transmitDirect(const QString &filePath, qint32 baseAddress, int period)
{
    if (refuseWhileBusy())
        return false;
    if (period < 1) {
        qCritical("%s", qPrintable(tr("repeat time must be at least 1 ms")));
        return false;
    }
    QByteArray bytes;
    if (!readFile(filePath, &bytes))
        return false;
    const quint32 size = quint32(bytes.size());
    const quint32 crc = crc32IsoHdlc(bytes);
    const int blocks = (bytes.size() + DirectBlockSize - 1) / DirectBlockSize;
    bytes.append(QByteArray(blocks * DirectBlockSize - bytes.size(), '\0'));
    if (!fitsAddressSpace(baseAddress, quint64(bytes.size())))
        return false;
    clearPending();
    for (int i = 0; i < blocks; ++i) {
        const quint32 address = quint32(baseAddress) + quint32(DirectBlockSize * i);
        OstrelTableRecord *rec = buildRecord(
            WriteBlockMsgId, DirectBlockSize + 4, false,
            {{1, QVariant(address)}, {2, bytes.mid(i * DirectBlockSize, DirectBlockSize)}});
        if (!rec) {
            clearPending();
            return false;
        }
        pendingRecords.append(rec);
    }
    imageSize = size;
    imageCrc32 = crc;
    repeatTime = period;
    sendStep();
    return true;
}

bool FwTransferEngine::transmitFiles(const FileTransmit &t)
{
    if (refuseWhileBusy())
        return false;
    if (t.blockSize < 1) {
        qCritical("%s", qPrintable(tr("block size must be at least 1")));
        return false;
    }
    if (t.repeatTime < 1) {
        qCritical("%s", qPrintable(tr("repeat time must be at least 1 ms")));
        return false;
    }
    if (!device || !treeModel)
        return false;
    QByteArray bytes;
    if (!readFile(t.filePath, &bytes))
        return false;
    if (!fitsAddressSpace(t.baseAddress, quint64(bytes.size())))
        return false;

    // Everything that can stop the operation is checked before the first
    // block file is written, so a refusal leaves no files behind.
    TreeItem *cmdNode = treeModel->findDevMsg(device->deviceTag.devAddress, t.writeCmd);
    OstrelPacketRecord *cmd = cmdNode ? cmdNode->packet : nullptr;
    if (!cmd) {
        qWarning("%s", qPrintable(tr("Command %1 for device %2 doesn't exist")
                                      .arg(t.writeCmd)
                                      .arg(device->deviceTag.devName)));
        return false;
    }
    const OstrelFieldRecord *dataField = cmd->fields.value(t.dataField, nullptr);
    if (!dataField || dataField->type != OstrelFieldRecord::TypeFile) {
        qCritical("%s", qPrintable(tr("data field of command %1 is not a file field; it cannot "
                                      "carry the blocks")
                                       .arg(t.writeCmd)));
        return false;
    }
    const int firstBlock = std::min(t.blockSize, bytes.size());
    if (qint64(cmd->dataLen) + firstBlock > MaxDataLength || cmd->dataLen < 0) {
        qCritical("%s", qPrintable(tr("Block of %1 bytes with command %2 exceeds the message "
                                      "data length limit of %3 bytes")
                                       .arg(firstBlock)
                                       .arg(t.writeCmd)
                                       .arg(MaxDataLength)));
        return false;
    }
    // The memory-mode commands are built as the device description has them
    // but not sent: the block records alone go on the bus. A model whose
    // memory access names none (id 0) writes without them.
    for (quint32 modeCmd : {t.enterModeCmd, t.exitModeCmd}) {
        if (modeCmd == 0)
            continue;
        OstrelTableRecord *mode = buildRecord(modeCmd, 0, false, {});
        if (!mode)
            return false;
        delete mode;
    }

    clearPending();
    // The folder goes through Latin-1 and back as Latin-1: a folder such
    // as "Müller" is the folder named, and letters outside Latin-1 still
    // become '?'. The file's name keeps only its ASCII letters.
    const QString folder = QString::fromLatin1(t.tempFileFolder.toLatin1());
    const QByteArray name = QFileInfo(t.filePath).fileName().toLatin1();
    quint32 address = quint32(t.baseAddress);
    for (int i = 0, offset = 0; offset < bytes.size(); ++i) {
        const int n = std::min(t.blockSize, bytes.size() - offset);
        const QString blockFile =
            folder + QString::asprintf("_b%d_a0x%08x_s%d_%s", i, address, n, name.constData());
        QFile out(blockFile);
        const bool written = out.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                             out.write(bytes.constData() + offset, n) == n && out.flush();
        out.close();
        if (QFile::exists(blockFile))
            tempFiles.append(blockFile);
        OstrelTableRecord *rec = nullptr;
        if (!written) {
            qCritical("%s", qPrintable(tr("Can't create file %1").arg(blockFile)));
        } else {
            rec = buildRecord(t.writeCmd, 0, true,
                              {{t.addrField, QVariant(address)},
                               {t.sizeField, QVariant(quint32(n))},
                               {t.dataField, QVariant(blockFile)}});
            // Composing read the block back; a record without its bytes
            // would write garbage lengths into the device.
            if (rec && int(rec->message.length) != cmd->dataLen + n) {
                delete rec;
                rec = nullptr;
            }
        }
        if (!rec) {
            clearPending();
            removeTempFiles();
            return false;
        }
        pendingRecords.append(rec);
        address += quint32(n);
        offset += n;
    }
    imageSize = quint32(bytes.size());
    imageCrc32 = crc32IsoHdlc(bytes);
    repeatTime = t.repeatTime;
    sendStep();
    return true;
}

bool FwTransferEngine::burn(const Burn &b)
{
    if (refuseWhileBusy())
        return false;
    clearPending();
    OstrelTableRecord *rec = buildRecord(b.cmd, 0, true,
                                         {{b.addrField, QVariant(b.address)},
                                          {b.sizeField, QVariant(b.size)},
                                          {b.crcField, QVariant(b.crc32)}});
    if (!rec)
        return false;
    pendingRecords.append(rec);
    repeatTime = BurnResendMs;
    sendStep();
    return true;
}

void FwTransferEngine::sendStep()
{
    if (hooks.stopTimer)
        hooks.stopTimer();
    if (pendingRecords.isEmpty()) {
        active = false;
        if (hooks.status)
            hooks.status(QStringLiteral("Transfer complete"));
        removeTempFiles();
        end();
        return;
    }
    OstrelTableRecord *head = pendingRecords.first();
    addrInFlight = head->fieldValues.value(addrField).toUInt();
    active = true;
    // Timer and status first: the send hook may hand back an acknowledgement
    // before it returns, and that one must find the engine's state complete.
    if (hooks.startTimer)
        hooks.startTimer(repeatTime);
    if (hooks.status)
        hooks.status(QStringLiteral("Sending packets, %1 remains").arg(pendingRecords.size()));
    auto *copy = new OstrelTableRecord;
    copy->copyFromPacketTable(head);
    if (hooks.send)
        hooks.send(copy);
    else
        delete copy;
}

void FwTransferEngine::timeout()
{
    // A tick that outlived its transfer must not complete anything.
    if (!active)
        return;
    sendStep();
}

void FwTransferEngine::acknowledge(const OstrelTableRecord *rec)
{
    if (!rec || !acceptAcks || !active || pendingRecords.isEmpty() ||
        rec->message.msg_id != AckMsgId)
        return;
    if (!rec->fieldValues.isEmpty() && rec->fieldValues.first().toUInt() == addrInFlight) {
        delete pendingRecords.takeFirst();
        sendStep();
        return;
    }
    if (hooks.stopTimer)
        hooks.stopTimer();
    if (hooks.startTimer)
        hooks.startTimer(repeatTime);
}

void FwTransferEngine::pause()
{
    acceptAcks = false;
    if (hooks.stopTimer)
        hooks.stopTimer();
}

void FwTransferEngine::resume()
{
    acceptAcks = true;
    if (active && hooks.startTimer)
        hooks.startTimer(repeatTime);
}

void FwTransferEngine::abort()
{
    clearPending();
    if (hooks.status)
        hooks.status(QStringLiteral("Canceled by user"));
    removeTempFiles();
    end();
}

void FwTransferEngine::end()
{
    acceptAcks = true;
    if (hooks.finished)
        hooks.finished();
}

void FwTransferEngine::removeTempFiles()
{
    while (!tempFiles.isEmpty()) {
        const QString name = tempFiles.takeFirst();
        if (deleteTempFiles && !QFile::remove(name))
            qWarning("%s", qPrintable(tr("Can't remove temp file %1").arg(name)));
    }
}
