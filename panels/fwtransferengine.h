#ifndef FWTRANSFERENGINE_H
#define FWTRANSFERENGINE_H

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

class OstrelTableRecord;
class TreeItem;
class TreeModel;

// The stop-and-wait sending side of the firmware manager. Each operation
// builds all its command records for one map device up front, then sends
// them one at a time: the head of the pending list goes out (as a copy),
// and only an acknowledgement 0xAA03 carrying the address in flight drops
// it and lets the next one go; without one the head goes out again each
// time the owner's timer expires.
//
// The engine reaches the outside only through its hooks, so a test drives
// it with records and timer ticks alone. It owns the pending records and
// deletes them when they leave the list; the send hook takes over each copy.
//
// Only one transfer at a time: while records are pending every operation is
// refused, because interleaving two of them would write a mixture of both
// images into the device.
class FwTransferEngine
{
public:
    static constexpr quint32 AckMsgId = 0xAA03;
    static constexpr quint32 BootEnterMsgId = 0xAAFF;
    static constexpr quint32 FlashEraseMsgId = 0xAB00;
    static constexpr quint32 WriteBlockMsgId = 0xAB02;
    static constexpr int DirectBlockSize = 64;
    static constexpr int BootResendMs = 5000;
    static constexpr int EraseResendMs = 16000;
    static constexpr int BurnResendMs = 5000;
    // The data length of a message is a 16-bit number on every link.
    static constexpr int MaxDataLength = 0xFFFF;

    struct Hooks {
        std::function<void(OstrelTableRecord *copy)> send; // takes the copy over
        std::function<void(int ms)> startTimer;
        std::function<void()> stopTimer;
        std::function<void(const QString &text)> status;
        std::function<void()> finished; // the transfer completed or was aborted
    };

    // Writing a file through temporary block files and a write-memory
    // command whose file field carries each block.
    struct FileTransmit {
        quint32 writeCmd = 0;
        quint32 addrField = 0;
        quint32 sizeField = 0;
        quint32 dataField = 0;
        quint32 enterModeCmd = 0;
        quint32 exitModeCmd = 0;
        QString filePath;
        QString tempFileFolder;
        int blockSize = 0;
        qint32 baseAddress = 0;
        int repeatTime = 0;
    };

    struct Burn {
        quint32 cmd = 0;
        quint32 addrField = 0;
        quint32 sizeField = 0;
        quint32 crcField = 0;
        quint32 address = 0;
        quint32 size = 0;
        quint32 crc32 = 0;
    };

    explicit FwTransferEngine(Hooks hooks);
    ~FwTransferEngine();
    FwTransferEngine(const FwTransferEngine &) = delete;
    FwTransferEngine &operator=(const FwTransferEngine &) = delete;

    // Each returns true when its records were queued and the first sent.
    bool enterBootloader();
    bool eraseFlash(const QString &filePath, qint32 baseAddress);
    bool transmitDirect(const QString &filePath, qint32 baseAddress, int repeatTime);
    bool transmitFiles(const FileTransmit &t);
    bool burn(const Burn &b);

    void timeout();
    void acknowledge(const OstrelTableRecord *rec);
    void pause();
    void resume();
    void abort();
    void removeTempFiles();

    bool busy() const { return !pendingRecords.isEmpty(); }

    // What the operations address; the owner keeps these current.
    TreeModel *treeModel = nullptr;
    TreeItem *device = nullptr;
    // Field number whose value in a record is the address its acknowledgement
    // carries; 0 (no such field) until write settings were validated.
    quint32 addrField = 0;
    bool deleteTempFiles = false;

    QList<OstrelTableRecord *> pendingRecords;
    QStringList tempFiles;
    quint32 addrInFlight = 0;
    int repeatTime = 0;
    bool acceptAcks = true;
    // Size and CRC-32 of the file bytes the last Transmit queued, which is
    // what a later firmware update has to name.
    quint32 imageSize = 0;
    quint32 imageCrc32 = 0;

private:
    bool refuseWhileBusy() const;
    bool readFile(const QString &path, QByteArray *bytes) const;
    bool fitsAddressSpace(qint32 baseAddress, quint64 size) const;
    OstrelTableRecord *buildRecord(quint32 msgId, int length, bool commandLength,
                                   const QMap<quint32, QVariant> &values) const;
    void clearPending();
    void sendStep();
    void end();

    Hooks hooks;
    // True from the first sending of an operation until it completes or is
    // abandoned; a timer tick outside of it belongs to no transfer.
    bool active = false;
};

#endif // FWTRANSFERENGINE_H
