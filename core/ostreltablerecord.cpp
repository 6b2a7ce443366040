#include "ostreltablerecord.h"

#include "treeitem.h"
#include "treemodel.h"

#include <QFile>
#include <QtGlobal>

#include <QtEndian>
#include <algorithm>
#include <cstdlib>
#include <cstring>

// ---------------------------------------------------------------------------
// OstrelFieldValues

OstrelFieldValues::OstrelFieldValues(const QMap<unsigned int, QVariant> &map)
{
    entries.reserve(size_t(map.size()));
    for (auto it = map.constBegin(); it != map.constEnd(); ++it)
        entries.push_back({it.key(), it.value()});
}

OstrelFieldValues::operator QMap<unsigned int, QVariant>() const
{
    QMap<unsigned int, QVariant> map;
    for (const Entry &e : entries)
        map.insert(e.key, e.value);
    return map;
}

size_t OstrelFieldValues::lowerBound(unsigned int key) const
{
    const auto it = std::lower_bound(entries.begin(), entries.end(), key,
                                     [](const Entry &e, unsigned int k) { return e.key < k; });
    return size_t(it - entries.begin());
}

const OstrelFieldValues::Entry *OstrelFieldValues::findEntry(unsigned int key) const
{
    const size_t i = lowerBound(key);
    return (i < entries.size() && entries[i].key == key) ? &entries[i] : nullptr;
}

QVariant OstrelFieldValues::value(unsigned int key, const QVariant &defaultValue) const
{
    const Entry *e = findEntry(key);
    return e ? e->value : defaultValue;
}

QVariant &OstrelFieldValues::operator[](unsigned int key)
{
    const size_t i = lowerBound(key);
    if (i < entries.size() && entries[i].key == key)
        return entries[i].value;
    return entries.insert(entries.begin() + std::ptrdiff_t(i), Entry{key, QVariant()})->value;
}

OstrelFieldValues::iterator OstrelFieldValues::insert(unsigned int key, const QVariant &value)
{
    // Values are filled in field order, so appending is the common case.
    if (entries.empty() || entries.back().key < key) {
        entries.push_back({key, value});
        return iterator(&entries.back());
    }
    const size_t i = lowerBound(key);
    if (entries[i].key == key)
        entries[i].value = value;
    else
        entries.insert(entries.begin() + std::ptrdiff_t(i), Entry{key, value});
    return iterator(&entries[i]);
}

int OstrelFieldValues::remove(unsigned int key)
{
    const size_t i = lowerBound(key);
    if (i < entries.size() && entries[i].key == key) {
        entries.erase(entries.begin() + std::ptrdiff_t(i));
        return 1;
    }
    return 0;
}

QVariant OstrelFieldValues::take(unsigned int key)
{
    const size_t i = lowerBound(key);
    if (i >= entries.size() || entries[i].key != key)
        return QVariant();
    QVariant v = entries[i].value;
    entries.erase(entries.begin() + std::ptrdiff_t(i));
    return v;
}

OstrelFieldValues::iterator OstrelFieldValues::erase(iterator it)
{
    const std::ptrdiff_t i = it.entry() - entries.data();
    entries.erase(entries.begin() + i);
    return iterator(entries.data() + i);
}

QList<unsigned int> OstrelFieldValues::keys() const
{
    QList<unsigned int> list;
    list.reserve(size());
    for (const Entry &e : entries)
        list.append(e.key);
    return list;
}

QList<QVariant> OstrelFieldValues::values() const
{
    QList<QVariant> list;
    list.reserve(size());
    for (const Entry &e : entries)
        list.append(e.value);
    return list;
}

OstrelFieldValues::iterator OstrelFieldValues::find(unsigned int key)
{
    const size_t i = lowerBound(key);
    if (i < entries.size() && entries[i].key == key)
        return iterator(entries.data() + i);
    return end();
}

OstrelFieldValues::const_iterator OstrelFieldValues::constFind(unsigned int key) const
{
    const Entry *e = findEntry(key);
    return e ? const_iterator(e) : constEnd();
}

bool OstrelFieldValues::operator==(const OstrelFieldValues &o) const
{
    if (entries.size() != o.entries.size())
        return false;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].key != o.entries[i].key || entries[i].value != o.entries[i].value)
            return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Bit helpers

namespace
{

constexpr int kMaxMessageBits = 0x10000 * 8;

// Bit p of a stream of `nbits` bits is bit 7 - (p mod 8) of byte p div 8;
// positions outside the stream read as zero.
inline unsigned streamBit(const uchar *d, qint64 nbits, qint64 p)
{
    if (p < 0 || p >= nbits)
        return 0;
    return (d[p >> 3] >> (7 - (p & 7))) & 1u;
}

// `count` (at most 64) bits from position `pos`, the first bit most
// significant; bits beyond the stream count as zero.
quint64 readBits(const uchar *d, qint64 nbits, qint64 pos, int count)
{
    quint64 v = 0;
    if ((pos & 7) == 0 && pos >= 0 && pos + count <= nbits) {
        int left = count;
        const uchar *b = d + (pos >> 3);
        while (left >= 8) {
            v = (v << 8) | *b++;
            left -= 8;
        }
        if (left > 0)
            v = (v << left) | (quint64(*b) >> (8 - left));
        return v;
    }
    for (int i = 0; i < count; ++i)
        v = (v << 1) | streamBit(d, nbits, pos + i);
    return v;
}

// The packed bytes of a field as one number, the first packed byte least
// significant, at most `maxBytes` of them. Packing puts whole bytes first
// and the bits of a final partial byte right-aligned.
quint64 readPackedLE(const uchar *d, qint64 nbits, qint64 pos, int len, int maxBytes)
{
    if (len <= 8)
        return readBits(d, nbits, pos, len);
    quint64 v = 0;
    const int whole = len / 8;
    int i = 0;
    for (; i < whole && i < maxBytes; ++i)
        v |= readBits(d, nbits, pos + 8 * i, 8) << (8 * i);
    if (i < maxBytes && (len & 7))
        v |= readBits(d, nbits, pos + 8 * i, len & 7) << (8 * i);
    return v;
}

// The same packing as a byte array, limited to the bits that exist.
QByteArray readPackedBytes(const uchar *d, qint64 nbits, qint64 pos, int len)
{
    if (pos < 0 || pos >= nbits || len <= 0)
        return QByteArray();
    const int avail = int(std::min<qint64>(len, nbits - pos));
    const int whole = avail / 8;
    const int rest = avail & 7;
    QByteArray out(whole + (rest ? 1 : 0), Qt::Uninitialized);
    if ((pos & 7) == 0) {
        std::memcpy(out.data(), d + (pos >> 3), size_t(whole));
    } else {
        for (int i = 0; i < whole; ++i)
            out[i] = char(readBits(d, nbits, pos + 8 * i, 8));
    }
    if (rest)
        out[whole] = char(readBits(d, nbits, pos + 8 * whole, rest));
    return out;
}

// Appends the lowest `count` bits of v, most significant first, as bit bytes.
void appendBitsMsbFirst(QByteArray *stream, quint64 v, int count)
{
    for (int i = count - 1; i >= 0; --i)
        stream->append(char((v >> i) & 1u));
}

void appendZeroBits(QByteArray *stream, int count)
{
    if (count > 0)
        stream->append(count, '\0');
}

// A byte array of at least `bytes` bytes: `in` padded with zeros.
QByteArray padded(QByteArray in, int bytes)
{
    if (in.size() < bytes)
        in.append(bytes - in.size(), '\0');
    return in;
}

QByteArray leBytes(quint64 v, int n)
{
    QByteArray b(std::max(n, 8), '\0'); // a wider field carries zeros past the value
    qToLittleEndian<quint64>(v, b.data());
    b.truncate(n);
    return b;
}

} // namespace

// ---------------------------------------------------------------------------
// OstrelTableRecord

OstrelTableRecord::OstrelTableRecord() = default;

OstrelTableRecord::OstrelTableRecord(TreeItem *item)
{
    fromOstrelTreeItem(item);
}

OstrelTableRecord::~OstrelTableRecord()
{
    deleteOstrelMessage();
}

QString OstrelTableRecord::currentUser()
{
    // One shared string for every record while USER stays the same: a
    // history of thousands of records then holds one copy of the name.
    static QByteArray lastRaw;
    static QString lastUser;
    const char *raw = std::getenv("USER");
    const QByteArray now = raw ? QByteArray::fromRawData(raw, int(std::strlen(raw))) : QByteArray();
    if (now != lastRaw || lastUser.isNull() != (raw == nullptr)) {
        lastRaw = QByteArray(now.constData(), now.size());
        lastUser = raw ? QString::fromLocal8Bit(lastRaw) : QString();
    }
    return lastUser;
}

QString OstrelTableRecord::statusToStr(unsigned int status)
{
    switch (status) {
    case New:
        return QStringLiteral("New");
    case Ready:
        return QStringLiteral("Ready");
    case Sending:
        return QStringLiteral("Sending");
    case Sent:
        return QStringLiteral("Sent");
    case ErrorTx:
        return QStringLiteral("Error tx");
    case Received:
        return QStringLiteral("Received");
    case ErrorRx:
        return QStringLiteral("Error rx");
    default:
        return QStringLiteral("UNKNOWN");
    }
}

void OstrelTableRecord::fromOstrelTreeItem(TreeItem *item)
{
    if (!item)
        return;
    treeItem = item;
    packet = item->packet;
    recordId = 0;
    created = QDateTime::currentDateTimeUtc();
    createdBy = currentUser();
    direction = Out;
    status = New;
    src = item->deviceTag.baseAddress;
    dst = item->deviceTag.devAddress;
    timeToSend = 0;
    if (packet)
        packetHeader.copyHeader(packet);
    initFieldValues();
}

void OstrelTableRecord::initFieldValues()
{
    fieldValues.clear();
    if (!packet)
        return;
    fieldValues.reserve(packet->fields.size());
    for (auto it = packet->fields.constBegin(); it != packet->fields.constEnd(); ++it)
        fieldValues.insert(it.key(), it.value() ? it.value()->defaultValue : QVariant());
}

void OstrelTableRecord::copyFieldValues(OstrelTableRecord *other)
{
    if (!other || other == this)
        return;
    for (auto it = other->fieldValues.constBegin(); it != other->fieldValues.constEnd(); ++it)
        fieldValues.insert(it.key(), it.value());
}

void OstrelTableRecord::copyOstrelMessage(tag_ostrel_message *msg)
{
    if (msg == &message)
        return;
    deleteOstrelMessage();
    if (!msg) {
        message.length = 0;
        message.data = nullptr;
        return;
    }
    message.msg_id = msg->msg_id;
    message.src = msg->src;
    message.dst = msg->dst;
    message.length = msg->length;
    message.data = nullptr;
    if (msg->data) {
        message.data = new uint8_t[message.length];
        if (message.length)
            std::memcpy(message.data, msg->data, message.length);
    }
}

void OstrelTableRecord::deleteOstrelMessage()
{
    delete[] message.data;
    message.data = nullptr;
}

void OstrelTableRecord::copyFromPacketTable(OstrelTableRecord *other)
{
    if (!other || other == this)
        return;
    recordId = 0;
    created = other->created;
    createdBy = other->createdBy;
    status = other->status;
    direction = other->direction;
    dst = other->dst;
    src = other->src;
    timeToSend = other->timeToSend;
    packet = other->packet;
    treeItem = other->treeItem;
    // A received message without a description has only its own header copy
    // (id and length from the message); keep that rather than an empty one.
    packetHeader.copyHeader(packet ? packet : &other->packetHeader);
    copyOstrelMessage(&other->message);
    data = other->data;
    initFieldValues();
    copyFieldValues(other);
}

// ---------------------------------------------------------------------------
// Message and text

void OstrelTableRecord::fillFromOstrelMsg(TreeModel *treeModel)
{
    src = message.src;
    dst = message.dst;
    packetHeader.devModel.clear();
    packetHeader.name.clear();
    packetHeader.desc.clear();
    packetHeader.id = message.msg_id;
    packetHeader.dataLen = message.length;

    TreeItem *node = treeItem;
    if (treeModel) {
        const unsigned int address = direction == In ? src : dst;
        node = treeModel->findDevMsg(address, message.msg_id);
    }
    treeItem = node;
    if (node) {
        packet = node->packet;
        fromOstrelTreeItem(node);
        decomposeOstrelMessage();
    } else {
        packet = nullptr;
    }

    direction = In;
    created = QDateTime::currentDateTimeUtc();
    createdBy = currentUser();
    status = Received;
}

void OstrelTableRecord::decomposeOstrelMessage()
{
    packetHeader.dataLen = message.length;
    packetHeader.id = message.msg_id;
    src = message.src;
    dst = message.dst;
    if (message.length == 0)
        return;

    const uchar *d = reinterpret_cast<const uchar *>(data.constData());
    const qint64 nbits = data.size() >= int(message.length) ? qint64(message.length) * 8 : 0;

    for (auto it = fieldValues.begin(); it != fieldValues.end(); ++it) {
        const OstrelFieldRecord *field = packet ? packet->fields.value(it.key(), nullptr) : nullptr;
        if (!field) {
            qCritical("field not found in packet description!");
            return;
        }
        const qint64 pos = field->bitOffset;
        const int len = std::max(0, int(field->bitLen));

        switch (field->type) {
        case OstrelFieldRecord::TypeInt:
        case OstrelFieldRecord::TypeUInt: {
            quint64 raw;
            if (field->byteOrder == OstrelFieldRecord::BigEndian) // leading bits are the high ones
                raw = readBits(d, nbits, pos, std::min(len, 32));
            else
                raw = readPackedLE(d, nbits, pos, len, 4);
            if (field->type == OstrelFieldRecord::TypeUInt) {
                *it = QVariant(uint(raw));
            } else {
                qint64 v = qint64(raw);
                if (len > 0 && len < 32 && ((raw >> (len - 1)) & 1u))
                    v -= qint64(1) << len;
                *it = QVariant(qint32(quint32(quint64(v) & 0xFFFFFFFFu)));
            }
            break;
        }
        case OstrelFieldRecord::TypeFloat: {
            float f = 0.0f;
            if (len == 32) {
                const quint32 bits = field->byteOrder == OstrelFieldRecord::BigEndian
                                         ? quint32(readBits(d, nbits, pos, 32))
                                         : quint32(readPackedLE(d, nbits, pos, 32, 4));
                std::memcpy(&f, &bits, sizeof f);
            }
            *it = QVariant(f);
            break;
        }
        case OstrelFieldRecord::TypeDouble: { // always least significant first
            double v = 0.0;
            if (len == 64) {
                const quint64 bits = readPackedLE(d, nbits, pos, 64, 8);
                std::memcpy(&v, &bits, sizeof v);
            }
            *it = QVariant(v);
            break;
        }
        case OstrelFieldRecord::TypeBit:
            *it = QVariant(len > 0 && streamBit(d, nbits, pos) != 0);
            break;
        default: // string, data, file and unknown types: the raw bytes
            *it = QVariant(readPackedBytes(d, nbits, pos, len));
            break;
        }
    }
}

void OstrelTableRecord::composeOstrelMessage()
{
    message.msg_id = uint16_t(packetHeader.id);
    message.src = uint16_t(src);
    message.dst = uint16_t(dst);
    message.length = uint16_t(packetHeader.dataLen);
    deleteOstrelMessage();
    if (message.length == 0)
        return;

    QByteArray stream; // one byte per bit
    stream.reserve(int(message.length) * 8);
    quint32 fileBytes = 0;

    for (auto it = fieldValues.constBegin(); it != fieldValues.constEnd(); ++it) {
        const OstrelFieldRecord *field = packet ? packet->fields.value(it.key(), nullptr) : nullptr;
        if (!field) {
            qCritical("field not found in packet description!");
            return;
        }
        const QVariant &value = *it;
        // Bits past the largest message are never sent; the cap keeps a
        // broken width from sizing buffers by it.
        const int len = std::min(std::max(0, int(field->bitLen)), kMaxMessageBits);
        const int bytesCeil = (len + 7) / 8;

        switch (field->type) {
        case OstrelFieldRecord::TypeInt:
        case OstrelFieldRecord::TypeUInt:
        case OstrelFieldRecord::TypeFloat: {
            quint32 v32;
            if (field->type == OstrelFieldRecord::TypeInt) {
                v32 = quint32(value.toInt());
            } else if (field->type == OstrelFieldRecord::TypeUInt) {
                v32 = value.toUInt();
            } else {
                const float f = value.toFloat();
                std::memcpy(&v32, &f, sizeof v32);
            }
            if (len <= 8) {
                appendBitsMsbFirst(&stream, v32, len);
            } else if (field->byteOrder == OstrelFieldRecord::BigEndian) {
                // BE: the value's low bits, most significant first; a field
                // wider than the value carries zeros after it, which is what
                // the decoder's "first four bytes" reading expects.
                if (len <= 32) {
                    appendBitsMsbFirst(&stream, v32, len);
                } else {
                    appendBitsMsbFirst(&stream, v32, 32);
                    appendZeroBits(&stream, len - 32);
                }
            } else {
                QByteArray bytes = padded(leBytes(v32, 4), bytesCeil);
                expandBit2ByteData(&stream, &bytes, len, 0);
            }
            break;
        }
        case OstrelFieldRecord::TypeDouble: {
            const double dv = value.toDouble();
            quint64 bits;
            std::memcpy(&bits, &dv, sizeof bits);
            QByteArray bytes = padded(leBytes(bits, 8), bytesCeil);
            expandBit2ByteData(&stream, &bytes, len, 0);
            break;
        }
        case OstrelFieldRecord::TypeBit: // always exactly one
            stream.append(char(value.toUInt() & 1u));
            break;
        case OstrelFieldRecord::TypeData: {
            QByteArray bytes = padded(value.toByteArray(), bytesCeil);
            expandBit2ByteData(&stream, &bytes, len, 0);
            break;
        }
        case OstrelFieldRecord::TypeFile: {
            const QString path = value.toString();
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly)) {
                qCritical("Can't open file %s", qPrintable(path));
                break;
            }
            const qint64 size = file.size();
            // The length is a 16-bit number on the wire: a file that would not
            // fit must not wrap it into a short, corrupt message.
            if (quint64(message.length) + fileBytes + quint64(size) > 0xFFFFu) {
                qCritical("File %s (size %lld) does not fit into ostrel message", qPrintable(path),
                          size);
                break;
            }
            QByteArray bytes = file.readAll();
            file.close();
            qDebug("File %s (size %d) added to ostrel message", qPrintable(path), bytes.size());
            expandBit2ByteData(&stream, &bytes, bytes.size() * 8, 0);
            fileBytes += quint32(bytes.size());
            break;
        }
        default: // string and anything else: room only, the value is not sent
            appendZeroBits(&stream, (len / 8) * 8);
            break;
        }
    }

    message.length = uint16_t(quint32(message.length) + fileBytes);
    data.clear();
    // Up to 8 bits pack into one right-aligned byte, as devices expect of
    // a short command. A longer stream whose last byte is partial keeps
    // that byte's bits where its fields' offsets put them, so decoding
    // reads back what was sent.
    compressByte2BitData(&data, &stream, stream.size(), stream.size() > 8);

    message.data = new uint8_t[message.length];
    const int n = std::min(int(message.length), data.size());
    if (n > 0)
        std::memcpy(message.data, data.constData(), size_t(n));
    if (n < int(message.length))
        std::memset(message.data + n, 0, size_t(int(message.length) - n));
}

QString OstrelTableRecord::toStr()
{
    return ostrelMessageToStr(&message, &data);
}

bool OstrelTableRecord::fromStr(QString line, TreeModel *treeModel)
{
    deleteOstrelMessage();
    if (!ostrelMessageFromStr(line, &message, &data))
        return false;
    direction = Out;
    fillFromOstrelMsg(treeModel);
    direction = Out;
    created = QDateTime::currentDateTime();
    return true;
}

// ---------------------------------------------------------------------------
// Bit codec

void OstrelTableRecord::expandBit2ByteData(QByteArray *out, QByteArray *in, int count, int start)
{
    if (!out || !in || count <= 0 || in->size() < count / 8)
        return;
    const uchar *d = reinterpret_cast<const uchar *>(in->constData());
    if (start == 0) {
        // A final partial byte is a byte too: never read past the input.
        if (in->size() < (count + 7) / 8)
            return;
        const int whole = count / 8;
        out->reserve(out->size() + count);
        for (int i = 0; i < whole; ++i)
            appendBitsMsbFirst(out, d[i], 8);
        if (count & 7)
            appendBitsMsbFirst(out, d[whole], count & 7);
        return;
    }
    const qint64 nbits = qint64(in->size()) * 8;
    const qint64 end = std::min<qint64>(std::max(start, 0), nbits);
    for (qint64 p = std::max<qint64>(0, end - count); p < end; ++p)
        out->append(char(streamBit(d, nbits, p)));
}

void OstrelTableRecord::compressByte2BitData(QByteArray *out, QByteArray *in, int count, bool mode)
{
    if (!out || !in || count <= 0 || in->size() < count)
        return;
    const char *b = in->constData();
    auto bits = [b](int from, int n) {
        unsigned v = 0;
        for (int i = 0; i < n; ++i)
            v = (v << 1) | (unsigned(b[from + i]) & 1u);
        return v;
    };
    const int whole = count / 8;
    const int rest = count & 7;
    for (int i = 0; i < whole; ++i)
        out->append(char(bits(8 * i, 8)));
    if (rest) {
        // false: the bits right-aligned, as a field's value is packed;
        // true: left-aligned, as the bits stand in a message's bit stream.
        const unsigned v = bits(8 * whole, rest);
        out->append(char(mode ? (v << (8 - rest)) : v));
    }
}

QByteArray OstrelTableRecord::swapBytesInQByteArray(QByteArray *in)
{
    if (!in)
        return QByteArray();
    QByteArray out(in->size(), Qt::Uninitialized);
    for (int i = 0; i < in->size(); ++i)
        out[i] = in->at(in->size() - 1 - i);
    return out;
}
