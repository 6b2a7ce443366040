#include "ostreldatamodel.h"

#include "ostrelmessage.h"
#include "xmlreadhelpers.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <QXmlStreamReader>

namespace
{

// Every value kind that prints as a plain number; anything else prints as
// its own text.
bool isIntegerVariant(const QVariant &value)
{
    switch (value.userType()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Bool:
        return true;
    default:
        return false;
    }
}

// The 32 bits of an integer value, whatever signedness it was stored with.
quint32 bitsOf(const QVariant &value)
{
    if (value.userType() == QMetaType::ULongLong || value.userType() == QMetaType::UInt ||
        value.userType() == QMetaType::ULong || value.userType() == QMetaType::UShort ||
        value.userType() == QMetaType::UChar)
        return quint32(value.toULongLong());
    return quint32(value.toLongLong());
}

// A field that ends up in no packet, or a packet that is not stored, is
// owned by nobody: these free it together with what it refers to.
void deleteField(OstrelFieldRecord *field)
{
    if (!field)
        return;
    qDeleteAll(field->limits);
    field->limits.clear();
    delete field;
}

void deletePacket(OstrelPacketRecord *packet)
{
    if (!packet)
        return;
    for (OstrelFieldRecord *field : qAsConst(packet->fields))
        deleteField(field);
    packet->fields.clear();
    delete packet;
}

quint32 number32(const QString &text)
{
    return ostrelNumber32FromText(text);
}

} // namespace

// ---------------------------------------------------------------------------

OstrelLimitRecord::OstrelLimitRecord()
{
    clear();
}

OstrelLimitRecord::~OstrelLimitRecord() = default;

void OstrelLimitRecord::clear()
{
    limitNum = 0;
    type = 0;
    action = 0;
    desc.clear();
    limitText.clear();
    limitValue = QVariant();
}

QString OstrelLimitRecord::toString()
{
    return QStringLiteral("      limit: \n");
}

// ---------------------------------------------------------------------------

OstrelFieldRecord::OstrelFieldRecord()
{
    clear();
}

OstrelFieldRecord::~OstrelFieldRecord() = default;

void OstrelFieldRecord::clear()
{
    fieldNum = 0;
    type = TypeData;
    bitLen = 0;
    bitOffset = 0;
    byteOrder = LittleEndian;
    isHex = 0;
    editable = false;
    name.clear();
    desc.clear();
    defaultText.clear();
    defaultValue = QVariant();
}

QString OstrelFieldRecord::type2str()
{
    switch (type) {
    case TypeInt:
        return QStringLiteral("Integer");
    case TypeUInt:
        return QStringLiteral("Integer unsigned");
    case TypeFloat:
        return QStringLiteral("Float");
    case TypeDouble:
        return QStringLiteral("Double");
    case TypeString:
        return QStringLiteral("String");
    case TypeData:
        return QStringLiteral("Hex data");
    case TypeBit:
        return QStringLiteral("Bit");
    case TypeFile:
        return QStringLiteral("File");
    }
    return QStringLiteral("(Unknown)");
}

QString OstrelFieldRecord::valToStr(QVariant value)
{
    if (!value.isValid())
        return defaultText;
    switch (type) {
    case TypeInt:
        if (isHex == 1) {
            // Widened before negating so that the most negative value prints
            // as -0x80000000 instead of overflowing.
            const qint64 v = qint32(bitsOf(value));
            if (v >= 0)
                return QStringLiteral("0x") + QString::number(v, 16);
            return QStringLiteral("-0x") + QString::number(-v, 16);
        }
        if (isIntegerVariant(value))
            return QString::number(qint32(bitsOf(value)));
        return value.toString();
    case TypeUInt:
        if (isHex == 1)
            return QStringLiteral("0x") + QString::number(bitsOf(value), 16);
        if (isIntegerVariant(value))
            return QString::number(bitsOf(value));
        return value.toString();
    case TypeFloat:
    case TypeDouble:
        return QString::number(value.toDouble(), 'g', 6);
    case TypeString:
    case TypeFile:
        return value.toString();
    case TypeBit:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case TypeData:
    default:
        return QStringLiteral("0x") + QString::fromLatin1(value.toByteArray().toHex());
    }
}

QVariant OstrelFieldRecord::valFromStr(QString text, OstrelFieldRecord::FieldType type, bool *ok)
{
    bool good = true;
    QVariant result;
    switch (type) {
    case TypeInt: {
        const int v = text.toInt(&good, 0);
        result = QVariant(good ? v : 0);
        break;
    }
    case TypeUInt: {
        const uint v = text.toUInt(&good, 0);
        result = QVariant(good ? v : 0u);
        break;
    }
    case TypeFloat: {
        const float v = text.toFloat(&good);
        result = QVariant(good ? v : 0.0f);
        break;
    }
    case TypeDouble: {
        const double v = text.toDouble(&good);
        result = QVariant(good ? v : 0.0);
        break;
    }
    case TypeString:
    case TypeFile:
        result = QVariant(text);
        break;
    case TypeData: {
        // valToStr writes "0x" in front of the digits; without stripping it
        // the '0' would be read as a digit and shift every byte.
        QString digits = text;
        if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
            digits.remove(0, 2);
        result = QVariant(QByteArray::fromHex(digits.toUtf8()));
        break;
    }
    case TypeBit: {
        const uint v = text.toUInt(&good, 0);
        result = QVariant(good && v != 0);
        break;
    }
    default:
        good = false;
        result = QVariant(text);
        break;
    }
    if (ok)
        *ok = good;
    return result;
}

OstrelLimitRecord *OstrelFieldRecord::insertLimit(OstrelLimitRecord *limit)
{
    limit->limitNum = nextLimitNum;
    limits.insert(nextLimitNum, limit);
    ++nextLimitNum;
    return limit;
}

QString OstrelFieldRecord::toString()
{
    QString s = QStringLiteral("   Field: %1 %2 %3 %4\n")
                    .arg(QString::number(quint32(type)), name, QString::number(bitOffset), name);
    for (OstrelLimitRecord *limit : qAsConst(limits))
        s += limit->toString();
    return s;
}

// ---------------------------------------------------------------------------

OstrelPacketRecord::OstrelPacketRecord() = default;

OstrelPacketRecord::~OstrelPacketRecord() = default;

void OstrelPacketRecord::clear()
{
    packetNum = 0;
    type = Command;
    devModel.clear();
    name.clear();
    desc.clear();
}

void OstrelPacketRecord::copyHeader(OstrelPacketRecord *from)
{
    if (!from)
        return;
    devModel = from->devModel;
    type = from->type;
    id = from->id;
    name = from->name;
    desc = from->desc;
    dataLen = from->dataLen;
}

OstrelFieldRecord *OstrelPacketRecord::insertField(OstrelFieldRecord *field)
{
    field->fieldNum = nextFieldNum;
    fields.insert(nextFieldNum, field);
    ++nextFieldNum;
    return field;
}

OstrelFieldRecord *OstrelPacketRecord::nextField(bool restart)
{
    return fieldWalk.next(fields, restart);
}

QString OstrelPacketRecord::toString()
{
    QString s = QStringLiteral("Packet: %1 %2 %3 %4\n")
                    .arg(QString::number(type), devModel, QString::number(id), name);
    for (OstrelFieldRecord *field : qAsConst(fields))
        s += field->toString();
    return s;
}

// ---------------------------------------------------------------------------

OstrelMemoryDesc::OstrelMemoryDesc(QObject *parent) : QObject(parent) {}

OstrelMemAccessDesc::OstrelMemAccessDesc(QObject *parent) : QObject(parent) {}

// ---------------------------------------------------------------------------

OstrelDataModel::OstrelDataModel(QObject *parent) : QObject(parent) {}

OstrelDataModel::~OstrelDataModel()
{
    for (OstrelPacketRecord *packet : qAsConst(packets))
        deletePacket(packet);
    packets.clear();
}

void OstrelDataModel::loadDevXMLs()
{
    const QString dirName = QStringLiteral("resources/devices/");
    QDir dir(dirName);
    const QStringList names = dir.entryList(QStringList() << QStringLiteral("*.xml"), QDir::Files,
                                            QDir::Name | QDir::IgnoreCase);
    for (const QString &name : names) {
        QString path = dirName + name;
        fromXMLFile(&path);
    }
}

namespace
{

// The words of the word-valued elements, each at the index it stands for.
const QStringList kPacketTypes = {QStringLiteral("command"), QStringLiteral("datain")};
const QStringList kFieldTypes = {QStringLiteral("int"),    QStringLiteral("uint"),
                                 QStringLiteral("float"),  QStringLiteral("double"),
                                 QStringLiteral("string"), QStringLiteral("data"),
                                 QStringLiteral("bit"),    QStringLiteral("file")};
const QStringList kByteOrders = {QStringLiteral("BE"), QStringLiteral("LE")};
const QStringList kLimitTypes = {
    QStringLiteral("="),  QStringLiteral(">"),  QStringLiteral(">="),   QStringLiteral("<"),
    QStringLiteral("<="), QStringLiteral("!="), QStringLiteral("enum"), QStringLiteral("pattern")};
const QStringList kLimitActions = {QStringLiteral("none"), QStringLiteral("info"),
                                   QStringLiteral("warning"), QStringLiteral("deny")};

// State of one pass over a description file. Nesting is not checked: the
// packet, field and limit met last stay current after their end tags, so
// elements that follow still act on them. A record is owned here until it
// joins its owner (limit to field, field to packet, packet to the model);
// one replaced or left over before that joins nothing and is freed.
struct DescReadState {
    QString devModel;
    OstrelPacketRecord *packet = nullptr;
    OstrelFieldRecord *field = nullptr;
    OstrelLimitRecord *limit = nullptr;
    bool packetStored = false;
    bool fieldJoined = false;
    bool limitJoined = false;
    bool drop = false;
    QSet<QString> keys;

    // Frees a field with its limits; a current record among them is forgotten.
    void freeField(OstrelFieldRecord *f)
    {
        if (limit && limitJoined && f->limits.values().contains(limit)) {
            limit = nullptr;
            limitJoined = false;
        }
        if (field == f) {
            field = nullptr;
            fieldJoined = false;
        }
        deleteField(f);
    }
    void freePacket(OstrelPacketRecord *p)
    {
        for (OstrelFieldRecord *f : qAsConst(p->fields))
            freeField(f);
        p->fields.clear();
        if (packet == p) {
            packet = nullptr;
            packetStored = false;
        }
        delete p;
    }
    void releaseLimit()
    {
        if (!limitJoined)
            delete limit;
        limit = nullptr;
        limitJoined = false;
    }
    void releaseField()
    {
        if (field && !fieldJoined)
            freeField(field);
        field = nullptr;
        fieldJoined = false;
    }
    void releasePacket()
    {
        if (packet && !packetStored)
            freePacket(packet);
        packet = nullptr;
        packetStored = false;
    }
    ~DescReadState()
    {
        releaseLimit();
        releaseField();
        releasePacket();
    }
};

// The word-valued elements: a word outside its list drops the packet.
template <class Record, class Assign>
void setWord(DescReadState &st, Record *record, const QStringList &words, const QString &text,
             Assign assign)
{
    if (!record)
        return;
    const int i = words.indexOf(text);
    if (i >= 0)
        assign(record, i);
    else
        st.drop = true;
}

// The leaf elements: each sets its value on the record met last, if any.
struct LeafRow {
    const char *tag;
    void (*apply)(DescReadState &st, const QString &text);
};
const LeafRow kLeaves[] = {
    {"DevModel", [](DescReadState &st, const QString &t) { st.devModel += t; }},
    {"PacType",
     [](DescReadState &st, const QString &t) {
         setWord(st, st.packet, kPacketTypes, t,
                 [](OstrelPacketRecord *p, int i) { p->type = OstrelPacketRecord::PacketKind(i); });
     }},
    {"PacId",
     [](DescReadState &st, const QString &t) {
         if (st.packet)
             st.packet->id = number32(t);
     }},
    {"PacName",
     [](DescReadState &st, const QString &t) {
         if (st.packet)
             st.packet->name += t;
     }},
    {"PacDesc",
     [](DescReadState &st, const QString &t) {
         if (st.packet)
             st.packet->desc += t;
     }},
    {"DataLen",
     [](DescReadState &st, const QString &t) {
         if (st.packet)
             st.packet->dataLen = qint32(number32(t));
     }},
    {"FldType",
     [](DescReadState &st, const QString &t) {
         setWord(st, st.field, kFieldTypes, t,
                 [](OstrelFieldRecord *f, int i) { f->type = OstrelFieldRecord::FieldType(i); });
     }},
    {"FldOffset",
     [](DescReadState &st, const QString &t) {
         if (st.field)
             st.field->bitOffset = qint32(number32(t));
     }},
    {"FldLen",
     [](DescReadState &st, const QString &t) {
         if (st.field)
             st.field->bitLen = qint32(number32(t));
     }},
    {"FldByteOrder",
     [](DescReadState &st, const QString &t) {
         setWord(st, st.field, kByteOrders, t, [](OstrelFieldRecord *f, int i) {
             f->byteOrder = OstrelFieldRecord::ByteOrder(i);
         });
     }},
    {"FldEdit",
     [](DescReadState &st, const QString &t) {
         if (st.field)
             st.field->editable = (t != QLatin1String("NO"));
     }},
    {"FldName",
     [](DescReadState &st, const QString &t) {
         if (st.field)
             st.field->name += t;
     }},
    {"FldDesc",
     [](DescReadState &st, const QString &t) {
         if (st.field)
             st.field->desc += t;
     }},
    {"FldValue",
     [](DescReadState &st, const QString &t) {
         if (st.field)
             st.field->defaultText += t;
     }},
    {"LimType",
     [](DescReadState &st, const QString &t) {
         setWord(st, st.limit, kLimitTypes, t,
                 [](OstrelLimitRecord *l, int i) { l->type = quint32(i); });
     }},
    {"LimAction",
     [](DescReadState &st, const QString &t) {
         setWord(st, st.limit, kLimitActions, t,
                 [](OstrelLimitRecord *l, int i) { l->action = quint32(i); });
     }},
    {"LimDesc",
     [](DescReadState &st, const QString &t) {
         if (st.limit)
             st.limit->desc += t;
     }},
    {"LimValue",
     [](DescReadState &st, const QString &t) {
         if (st.limit)
             st.limit->limitText += t;
     }},
};

QString typeNameOf(OstrelFieldRecord::FieldType type, const QVariant &value)
{
    if (type == OstrelFieldRecord::TypeUInt)
        return QStringLiteral("int");
    return QString::fromLatin1(value.typeName());
}

} // namespace

int OstrelDataModel::fromXMLFile(QString *path)
{
    QTextStream out(stdout);
    if (!path) {
        out << "Usage: xmlstreamlint <path to XML file>\n";
        return -10;
    }
    QFile file(*path);
    if (!file.exists()) {
        out << QStringLiteral("File %1 does not exist.\n").arg(*path);
        return -20;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        out << QStringLiteral("Failed to open file %1.\n").arg(*path);
        return -20;
    }

    QXmlStreamReader reader(&file);
    XmlLeafWalk walk(reader);
    DescReadState st;

    auto reportError = [&]() {
        out << QStringLiteral("Error: %1 in file %2 at line %3, column %4.\n")
                   .arg(reader.errorString(), *path)
                   .arg(reader.lineNumber())
                   .arg(reader.columnNumber());
        return -30;
    };

    while (walk.next()) {
        if (reader.hasError())
            return reportError();

        if (reader.isStartElement()) {
            const QStringRef tag = reader.name();
            if (const LeafRow *leaf = xmlRowFor(kLeaves, tag)) {
                leaf->apply(st, walk.leafText());
            } else if (tag == QLatin1String("Device")) {
                st.devModel.clear();
            } else if (tag == QLatin1String("Packet")) {
                // A packet left open by a missing end tag joins nothing.
                st.releasePacket();
                st.packet = new OstrelPacketRecord();
                st.packet->clear();
                st.packet->devModel = st.devModel;
                st.drop = false;
            } else if (tag == QLatin1String("Field")) {
                st.releaseField();
                st.field = new OstrelFieldRecord();
                st.field->clear();
            } else if (tag == QLatin1String("Limit")) {
                st.releaseLimit();
                st.limit = new OstrelLimitRecord();
                st.limit->clear();
            } else if (tag == QLatin1String("MemoryBlock")) {
                auto *desc = new OstrelMemoryDesc(this);
                desc->devModel = st.devModel;
                ReadMemoryBlockElement(&reader, desc);
                // A block cut short by a fault is not complete: not kept.
                if (reader.hasError())
                    delete desc;
                else
                    memoryDescs.insert(desc->devModel, desc);
            } else if (tag == QLatin1String("MemoryAccess")) {
                auto *desc = new OstrelMemAccessDesc(this);
                desc->devModel = st.devModel;
                ReadMemoryAccessElement(&reader, desc);
                if (reader.hasError())
                    delete desc;
                else
                    memAccessDescs.insert(desc->devModel, desc);
            }
        } else if (reader.isEndElement()) {
            const QStringRef tag = reader.name();
            if (tag == QLatin1String("Field")) {
                // A field joins once, at its first end tag.
                if (!st.field || st.fieldJoined)
                    continue;
                OstrelFieldRecord *field = st.field;
                bool ok = true;
                field->defaultValue =
                    OstrelFieldRecord::valFromStr(field->defaultText, field->type, &ok);
                if (!ok)
                    qCritical().noquote()
                        << tr("field %1 has incompatible default value (%2) for type %3")
                               .arg(field->name, field->defaultText,
                                    typeNameOf(field->type, field->defaultValue));
                field->isHex =
                    field->defaultText.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? 1 : 0;
                if (st.packet) {
                    st.packet->insertField(field);
                    st.fieldJoined = true;
                } else {
                    st.freeField(field);
                }
            } else if (tag == QLatin1String("Limit")) {
                if (!st.limit || st.limitJoined)
                    continue;
                if (!st.field) {
                    st.releaseLimit();
                    continue;
                }
                OstrelLimitRecord *limit = st.limit;
                bool ok = true;
                limit->limitValue =
                    OstrelFieldRecord::valFromStr(limit->limitText, st.field->type, &ok);
                if (!ok)
                    qCritical()
                        << tr("Limit %1 for field %2 has incompatible value (%3) for type %4")
                               .arg(limit->desc, st.field->name, limit->limitText,
                                    typeNameOf(st.field->type, limit->limitValue));
                st.field->insertLimit(limit);
                st.limitJoined = true;
            } else if (tag == QLatin1String("Packet")) {
                if (!st.packet)
                    continue;
                OstrelPacketRecord *packet = st.packet;
                if (st.drop) {
                    if (!st.packetStored)
                        st.freePacket(packet);
                    continue;
                }
                const QString key = packet->devModel + QChar(ushort(packet->id & 0xFFFF));
                if (st.keys.contains(key)) {
                    qWarning().noquote()
                        << tr("Packet 0x%1 (%2) for device %3 already exists, skip!")
                               .arg(packet->id, 0, 16)
                               .arg(packet->name, packet->devModel);
                    if (!st.packetStored)
                        st.freePacket(packet);
                    continue;
                }
                // A stored packet is never stored twice, even when its id
                // changed after its first end tag.
                st.keys.insert(key);
                if (!st.packetStored) {
                    insertPacket(packet);
                    st.packetStored = true;
                }
            }
        }
    }
    // The memory elements read on by themselves; a fault met there ends the
    // loop through atEnd() and must not pass for a clean read.
    if (reader.hasError())
        return reportError();
    return 0;
}

namespace
{

// A leaf of a memory element: its text, or the number it reads as.
struct MemoryLeaf {
    const char *tag;
    QString *text;
    qint32 *number;
};

// Reads the leaves of a memory element up to the first end tag, whichever
// element it closes.
template <size_t N>
void readMemoryElement(QXmlStreamReader *reader, QLatin1String element,
                       const MemoryLeaf (&leaves)[N])
{
    while (!reader->atEnd()) {
        reader->readNext();
        if (reader->isStartElement()) {
            const MemoryLeaf *leaf = xmlRowFor(leaves, reader->name());
            if (!leaf)
                continue;
            const QString t = reader->readElementText(QXmlStreamReader::IncludeChildElements);
            if (leaf->text)
                *leaf->text = t;
            else
                *leaf->number = qint32(number32(t));
        } else if (reader->isEndElement()) {
            if (reader->name() != element)
                reader->readNext();
            return;
        }
    }
}

} // namespace

void OstrelDataModel::ReadMemoryBlockElement(QXmlStreamReader *reader, OstrelMemoryDesc *desc)
{
    if (!reader || !desc)
        return;
    const MemoryLeaf leaves[] = {{"MemName", &desc->MemName, nullptr},
                                 {"MemDesc", &desc->MemDesc, nullptr},
                                 {"MemAddr", nullptr, &desc->MemAddr},
                                 {"MemSize", nullptr, &desc->MemSize}};
    readMemoryElement(reader, QLatin1String("MemoryBlock"), leaves);
}

void OstrelDataModel::ReadMemoryAccessElement(QXmlStreamReader *reader, OstrelMemAccessDesc *desc)
{
    if (!reader || !desc)
        return;
    const MemoryLeaf leaves[] = {{"EnterMemModeCmd", nullptr, &desc->EnterMemModeCmd},
                                 {"ExitMemModeCmd", nullptr, &desc->ExitMemModeCmd},
                                 {"WriteMemCmd", nullptr, &desc->WriteMemCmd},
                                 {"WriteMemAddrFld", &desc->WriteMemAddrFld, nullptr},
                                 {"WriteMemSizeFld", &desc->WriteMemSizeFld, nullptr},
                                 {"WriteMemDataFld", &desc->WriteMemDataFld, nullptr},
                                 {"WriteMemBlockSz", nullptr, &desc->WriteMemBlockSz},
                                 {"WriteMemPause", nullptr, &desc->WriteMemPause},
                                 {"FWUpdateCmd", nullptr, &desc->FWUpdateCmd},
                                 {"FWUpdAddrFld", &desc->FWUpdAddrFld, nullptr},
                                 {"FWUpdSizeFld", &desc->FWUpdSizeFld, nullptr},
                                 {"FWUpdCrc32Fld", &desc->FWUpdCrc32Fld, nullptr},
                                 {"DefaultWriteMem", &desc->DefaultWriteMem, nullptr}};
    readMemoryElement(reader, QLatin1String("MemoryAccess"), leaves);
}

int OstrelDataModel::fromXMLFileList(QList<QString> *paths)
{
    if (!paths)
        return 0;
    for (QString path : qAsConst(*paths))
        fromXMLFile(&path);
    return 0;
}

OstrelPacketRecord *OstrelDataModel::insertPacket(OstrelPacketRecord *packet)
{
    packet->packetNum = nextPacketNum;
    packets.insert(nextPacketNum, packet);
    ++nextPacketNum;
    return packet;
}

OstrelPacketRecord *OstrelDataModel::nextPacket(bool restart)
{
    return packetWalk.next(packets, restart);
}

OstrelPacketRecord *OstrelDataModel::nextPacketDevModel(QString *devModel, bool restart)
{
    const QString wanted = devModel ? *devModel : QString();
    OstrelPacketRecord *p = nextPacket(restart);
    while (p && p->devModel != wanted)
        p = nextPacket(false);
    return p;
}

OstrelMemoryDesc *OstrelDataModel::nextMemoryDevModel(QString devModel, bool restart)
{
    OstrelMemoryDesc *d = memoryWalk.next(memoryDescs, restart);
    while (d && d->devModel != devModel)
        d = memoryWalk.next(memoryDescs, false);
    return d;
}

OstrelMemAccessDesc *OstrelDataModel::nextMemAccessDevModel(QString devModel, bool restart)
{
    OstrelMemAccessDesc *d = memAccessWalk.next(memAccessDescs, restart);
    while (d && d->devModel != devModel)
        d = memAccessWalk.next(memAccessDescs, false);
    return d;
}

QString OstrelDataModel::toString()
{
    QString s = QStringLiteral("Ostrel data structure\n");
    for (OstrelPacketRecord *packet : qAsConst(packets))
        s += packet->toString();
    return s;
}
