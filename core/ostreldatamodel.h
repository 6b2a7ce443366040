#ifndef OSTRELDATAMODEL_H
#define OSTRELDATAMODEL_H

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QMultiMap>
#include <QObject>
#include <QSet>
#include <QString>
#include <QVariant>

class QXmlStreamReader;

// A walk over a snapshot of a container's values, as the description
// records offer it: what is inserted after the walk began is not seen by it,
// and once it has run out the next call starts over at the first value.
template <class T> class SnapshotWalk
{
public:
    template <class Container> T *next(const Container &items, bool restart)
    {
        if (restart || pos < 0) {
            snapshot = items.values();
            pos = 0;
        }
        if (pos >= snapshot.size()) {
            snapshot.clear();
            pos = -1;
            return nullptr;
        }
        return snapshot.at(pos++);
    }

private:
    QList<T *> snapshot;
    int pos = -1; // -1: no walk in progress
};

class OstrelFieldRecord;
class OstrelLimitRecord;

// One limit of a field. Plain holder: limits are kept and dumped, never
// evaluated against a value.
class OstrelLimitRecord : public QObject
{
    Q_OBJECT
public:
    OstrelLimitRecord();
    ~OstrelLimitRecord() override;

    void clear();
    QString toString();

    quint32 limitNum = 0; // 1, 2, 3 ... in document order within the field
    quint32 type = 0;     // 0 "=", 1 ">", 2 ">=", 3 "<", 4 "<=", 5 "!=", 6 "enum", 7 "pattern"
    quint32 action = 0;   // 0 "none", 1 "info", 2 "warning", 3 "deny"
    QString desc;
    QVariant limitValue; // limitText converted with the field's type
    QString limitText;
};

// One field of a packet: where its bits sit in the message data and how its
// value reads and prints. A field refers to its limits without owning them.
class OstrelFieldRecord : public QObject
{
    Q_OBJECT
public:
    enum FieldType : quint32 {
        TypeInt = 0,    // held as int
        TypeUInt = 1,   // held as uint (never as a negative int)
        TypeFloat = 2,  // held as float
        TypeDouble = 3, // held as double
        TypeString = 4, // held as QString
        TypeData = 5,   // held as QByteArray
        TypeBit = 6,    // held as bool
        TypeFile = 7    // held as QString (a file name)
    };
    // How an integer or float wider than a byte lies in the message.
    enum ByteOrder : qint32 { BigEndian = 0, LittleEndian = 1 };

    OstrelFieldRecord();
    ~OstrelFieldRecord() override;

    void clear();
    QString type2str();
    // The one text form of a field value, shown and edited by the field
    // editor and read back by valFromStr.
    QString valToStr(QVariant value);
    static QVariant valFromStr(QString text, OstrelFieldRecord::FieldType type, bool *ok);
    OstrelLimitRecord *insertLimit(OstrelLimitRecord *limit);
    QString toString();

    quint32 fieldNum = 0; // 1, 2, 3 ... in document order; records key values by it
    FieldType type = TypeData;
    QString name;
    QString desc;
    qint32 bitLen = 0;
    qint32 bitOffset = 0;
    ByteOrder byteOrder = LittleEndian;
    qint32 isHex = 0; // 1 when defaultText starts with "0x": integers print in hex
    bool editable = false;
    QVariant defaultValue;
    QString defaultText;
    quint32 nextLimitNum = 1;
    QMap<quint32, OstrelLimitRecord *> limits;
};

// One command or telemetry packet of a device model. It refers to its
// fields without owning them; the description model that stores the packet
// deletes the packet, its fields and their limits together.
class OstrelPacketRecord : public QObject
{
    Q_OBJECT
public:
    // A command goes to the device; a data-in packet is telemetry from it.
    enum PacketKind : quint32 { Command = 0, DataIn = 1 };

    OstrelPacketRecord();
    ~OstrelPacketRecord() override;

    void clear();
    void copyHeader(OstrelPacketRecord *from);
    OstrelFieldRecord *insertField(OstrelFieldRecord *field);
    // Walks the fields in fieldNum order over a snapshot taken when the walk
    // starts; null at the end, after which the next call starts over.
    OstrelFieldRecord *nextField(bool restart);
    QString toString();

    quint32 packetNum = 0; // order of storing in the description model; 0 before
    QString devModel;
    PacketKind type = Command;
    quint32 id = 0; // msg_id of the protocol message
    QString name;
    QString desc;
    qint32 dataLen = 0;
    quint32 nextFieldNum = 1;
    QMap<quint32, OstrelFieldRecord *> fields;

private:
    SnapshotWalk<OstrelFieldRecord> fieldWalk;
};

// A named memory block of a device model; a child of the description model.
class OstrelMemoryDesc : public QObject
{
    Q_OBJECT
public:
    explicit OstrelMemoryDesc(QObject *parent);

    QString devModel;
    QString MemName;
    QString MemDesc;
    qint32 MemAddr = 0;
    qint32 MemSize = 0;
};

// The memory-write and firmware-update commands and field names of a device
// model; a child of the description model.
class OstrelMemAccessDesc : public QObject
{
    Q_OBJECT
public:
    explicit OstrelMemAccessDesc(QObject *parent);

    QString devModel;
    qint32 EnterMemModeCmd = 0;
    qint32 ExitMemModeCmd = 0;
    qint32 WriteMemCmd = 0;
    QString WriteMemAddrFld;
    QString WriteMemSizeFld;
    QString WriteMemDataFld;
    qint32 FWUpdateCmd = 0;
    QString FWUpdAddrFld;
    QString FWUpdSizeFld;
    QString FWUpdCrc32Fld;
    qint32 WriteMemBlockSz = 0;
    qint32 WriteMemPause = 0;
    QString DefaultWriteMem;
};

// Every device description the console knows, read once at start-up from
// "resources/devices/*.xml" and only read afterwards.
//
// Ownership: the model owns every packet it stores together with the
// packet's fields and their limits, and deletes them in its destructor; the
// map tree, message records and views only point at them, so the model must
// outlive all of those (at run time it lives until the process ends).
// Memory-block and memory-access descriptions are its QObject children.
class OstrelDataModel : public QObject
{
    Q_OBJECT
public:
    explicit OstrelDataModel(QObject *parent = nullptr);
    ~OstrelDataModel() override;

    void loadDevXMLs();
    int fromXMLFile(QString *path);
    void ReadMemoryBlockElement(QXmlStreamReader *reader, OstrelMemoryDesc *desc);
    void ReadMemoryAccessElement(QXmlStreamReader *reader, OstrelMemAccessDesc *desc);
    int fromXMLFileList(QList<QString> *paths);
    OstrelPacketRecord *insertPacket(OstrelPacketRecord *packet);
    OstrelPacketRecord *nextPacket(bool restart);
    OstrelPacketRecord *nextPacketDevModel(QString *devModel, bool restart);
    OstrelMemoryDesc *nextMemoryDevModel(QString devModel, bool restart);
    OstrelMemAccessDesc *nextMemAccessDevModel(QString devModel, bool restart);
    QString toString();

    QMap<quint32, OstrelPacketRecord *> packets;
    QMultiMap<QString, OstrelMemoryDesc *> memoryDescs;
    QMultiMap<QString, OstrelMemAccessDesc *> memAccessDescs;
    quint32 nextPacketNum = 1;

private:
    SnapshotWalk<OstrelPacketRecord> packetWalk;
    SnapshotWalk<OstrelMemoryDesc> memoryWalk;
    SnapshotWalk<OstrelMemAccessDesc> memAccessWalk;
};

#endif // OSTRELDATAMODEL_H
