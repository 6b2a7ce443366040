#ifndef OSTRELMESSAGE_H
#define OSTRELMESSAGE_H

#include <QByteArray>
#include <QMetaType>
#include <QString>
#include <cstdint>

// One Ostrel protocol message. Plain data, passed by value through signals.
// The structure never owns `data`: whoever fills it hands the buffer to the
// record that holds the message, and that record releases it.
typedef struct tag_ostrel_message {
    uint16_t msg_id;
    uint16_t src;
    uint16_t dst;
    uint16_t length;
    uint8_t *data;
} ostrel_message;

// Size of the message header on the radio and server links: msg_id, src,
// dst and length, each a little-endian 16-bit value, then `length` bytes.
constexpr int OSTREL_HEADER_SIZE = 8;

// The one writer and reader of that header. The reader leaves `data` null;
// the caller checks that OSTREL_HEADER_SIZE bytes are there.
void ostrelHeaderWrite(const tag_ostrel_message &msg, uchar *out);
tag_ostrel_message ostrelHeaderRead(const uchar *in);

// Appends the header and the message's `length` data bytes to `out`. A
// message without a buffer still occupies its length on the wire, as zeros.
void ostrelMessageAppend(QByteArray *out, const tag_ostrel_message &msg);

// The command text line, "SRC=0X1, DST=0X7, MSGID=0X380, DLEN=0X4, data:01000000":
// the one text form of a message in queue, repeat and schedule files, rack
// buttons and the panels' fixed commands. The link's ZelTcpClient forwards
// its ostrelToStr/ostrelFromStr here.
QString ostrelMessageToStr(const tag_ostrel_message *msg, const QByteArray *data);

// Fills `msg` (with a new data buffer of msg->length bytes, owned by the
// caller from then on) and `data`; true when SRC, DST and MSGID converted.
bool ostrelMessageFromStr(const QString &line, tag_ostrel_message *msg, QByteArray *data);

// Reads an integer with the base taken from the text ("0x" hex, leading "0"
// octal, else decimal, surrounding white space ignored) as the description
// and map readers do; 0 and *ok false when it does not read.
qlonglong ostrelNumberFromText(const QString &text, bool *ok = nullptr);

// The same rule for the 32-bit numbers of the description and map files:
// the value's 32 bits when it fits signed or unsigned 32 bits, else 0 (a
// wider number does not read, so it cannot alias a real id or address).
quint32 ostrelNumber32FromText(const QString &text);

Q_DECLARE_METATYPE(ostrel_message)

#endif // OSTRELMESSAGE_H
