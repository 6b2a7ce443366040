#include "ostrelmessage.h"

#include <QCoreApplication>
#include <QtEndian>

#include <algorithm>
#include <cstdint>
#include <cstring>

void ostrelHeaderWrite(const tag_ostrel_message &msg, uchar *out)
{
    qToLittleEndian<quint16>(msg.msg_id, out);
    qToLittleEndian<quint16>(msg.src, out + 2);
    qToLittleEndian<quint16>(msg.dst, out + 4);
    qToLittleEndian<quint16>(msg.length, out + 6);
}

tag_ostrel_message ostrelHeaderRead(const uchar *in)
{
    return {qFromLittleEndian<quint16>(in), qFromLittleEndian<quint16>(in + 2),
            qFromLittleEndian<quint16>(in + 4), qFromLittleEndian<quint16>(in + 6), nullptr};
}

void ostrelMessageAppend(QByteArray *out, const tag_ostrel_message &msg)
{
    const int at = out->size();
    out->resize(at + OSTREL_HEADER_SIZE);
    ostrelHeaderWrite(msg, reinterpret_cast<uchar *>(out->data()) + at);
    if (msg.data)
        out->append(reinterpret_cast<const char *>(msg.data), msg.length);
    else
        out->append(int(msg.length), '\0');
}

qlonglong ostrelNumberFromText(const QString &text, bool *ok)
{
    bool good = false;
    const QString t = text.trimmed();
    qlonglong v = t.toLongLong(&good, 0);
    if (!good) {
        // Values above the signed range still read as their bits.
        const qulonglong u = t.toULongLong(&good, 0);
        v = good ? qlonglong(u) : 0;
    }
    if (ok)
        *ok = good;
    return v;
}

quint32 ostrelNumber32FromText(const QString &text)
{
    bool good = false;
    const QString t = text.trimmed();
    const qlonglong v = t.toLongLong(&good, 0);
    if (!good || v < qlonglong(INT32_MIN) || v > qlonglong(UINT32_MAX))
        return 0;
    return quint32(v);
}

QString ostrelMessageToStr(const tag_ostrel_message *msg, const QByteArray *data)
{
    if (!msg)
        return QString();
    QString line =
        QCoreApplication::translate("ZelTcpClient", "src=0x%1, dst=0x%2, msgId=0x%3, dlen=0x%4")
            .arg(msg->src, 0, 16)
            .arg(msg->dst, 0, 16)
            .arg(msg->msg_id, 0, 16)
            .arg(msg->length, 0, 16)
            .toUpper();
    if (msg->length != 0 && data)
        line += QStringLiteral(", data:") + QString::fromLatin1(data->toHex());
    return line;
}

namespace
{

// Value of `key`: from one character after the key up to the next comma.
// Returns false when the key does not occur.
bool keyValue(const QString &line, const QString &key, QString *value)
{
    const int at = line.indexOf(key, 0, Qt::CaseInsensitive);
    if (at < 0)
        return false;
    const int from = at + key.size() + 1;
    if (from > line.size()) {
        *value = QString();
        return true;
    }
    const int comma = line.indexOf(QLatin1Char(','), from);
    *value = line.mid(from, comma < 0 ? -1 : comma - from);
    return true;
}

int hexDigit(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

} // namespace

bool ostrelMessageFromStr(const QString &line, tag_ostrel_message *msg, QByteArray *data)
{
    if (!msg)
        return false;
    std::memset(msg, 0, sizeof(*msg));
    if (data)
        data->clear();

    int converted = 0;
    QString value;
    bool ok = false;
    if (keyValue(line, QStringLiteral("SRC"), &value)) {
        msg->src = uint16_t(ostrelNumberFromText(value, &ok));
        converted += ok ? 1 : 0;
    }
    if (keyValue(line, QStringLiteral("DST"), &value)) {
        msg->dst = uint16_t(ostrelNumberFromText(value, &ok));
        converted += ok ? 1 : 0;
    }
    if (keyValue(line, QStringLiteral("MSGID"), &value)) {
        msg->msg_id = uint16_t(ostrelNumberFromText(value, &ok));
        converted += ok ? 1 : 0;
    }
    if (!keyValue(line, QStringLiteral("DLEN"), &value))
        return false;
    msg->length = uint16_t(ostrelNumberFromText(value, &ok));
    if (!ok)
        return false;
    if (msg->length != 0 && !data)
        return false;

    if (data) {
        // The buffer always has `length` bytes, so a message with a length
        // never goes on without one; hex that is short or missing leaves
        // zeros. The data text runs from after "data:" to the next comma (a
        // schedule line's time follows one) or the end of the line; every
        // character of it that the length covers must be a hex digit, or a
        // hand-edited "01 02 03 04" would go out as 01 00 00 00.
        QByteArray bytes(msg->length, '\0');
        const int at = line.indexOf(QStringLiteral("data"), 0, Qt::CaseInsensitive);
        if (at >= 0) {
            const int from = at + 5;
            const int comma = line.indexOf(QLatin1Char(','), from);
            const int end = comma < 0 ? line.size() : comma;
            const int covered = std::min(end - from, 2 * int(msg->length));
            for (int i = 0; i < covered; ++i) {
                if (hexDigit(line.at(from + i)) < 0)
                    return false;
            }
            for (int i = 0; 2 * i + 1 < covered; ++i)
                bytes[i] = char((hexDigit(line.at(from + 2 * i)) << 4) |
                                hexDigit(line.at(from + 2 * i + 1)));
        }
        if (at >= 0 || msg->length != 0) {
            msg->data = new uint8_t[msg->length];
            if (msg->length)
                std::memcpy(msg->data, bytes.constData(), msg->length);
        }
        *data = bytes;
    }
    return converted == 3;
}
