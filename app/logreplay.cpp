#include "logreplay.h"

#include "ax25_connector.h"
#include "kiss.h"

#include <QBuffer>
#include <QObject>

namespace
{

constexpr char kTimeRecord = 0x09;
constexpr char kFrameRecord = 0x00;
// A garbage file must not bury the operator in one warning per byte.
constexpr int kMaxWarnings = 20;
// No logged frame comes near these; they bound what a file without a FEND
// or a line end makes us hold. Escaping at most doubles a frame, hex doubles it.
constexpr int kMaxKissRecord = 2 * KissDeframer::MaxFrameSize + 64;
constexpr int kMaxCsvLine = 2 * KissDeframer::MaxFrameSize + 64;
constexpr qint64 kReadChunk = 1 << 16;

class Warnings
{
public:
    void add(const QString &text)
    {
        if (m_texts.size() < kMaxWarnings)
            m_texts << text;
        else
            ++m_dropped;
    }
    QStringList take()
    {
        if (m_dropped > 0)
            m_texts << QObject::tr("... and %1 more damaged records").arg(m_dropped);
        return m_texts;
    }

private:
    QStringList m_texts;
    int m_dropped = 0;
};

// The number in text[at, at + n) when all n characters are ASCII digits.
int digits(const QByteArray &text, int at, int n, bool *ok)
{
    int value = 0;
    for (int i = at; i < at + n; ++i) {
        const char c = text.at(i);
        if (c < '0' || c > '9')
            *ok = false;
        value = value * 10 + (c - '0');
    }
    return value;
}

// The writer stamps its logs in UTC with ASCII digits whatever the locale:
// "yyyy-MM-dd hh:mm:ss", then ".zzz UTC" in the KISS log. Read as UTC
// directly: the toolkit's format parser goes through the local zone, which
// is wrong off UTC and asks the system for the zone on every record. Blanks
// around the time are not part of it; a hand-edited log gains them easily.
QDateTime parseUtc(const QByteArray &raw, bool kissTime)
{
    const int zero = raw.indexOf('\0');
    const QByteArray text = (zero < 0 ? raw : raw.left(zero)).trimmed();
    static const QByteArray kissShape("dddd-dd-dd dd:dd:dd.ddd UTC");
    static const QByteArray csvShape("dddd-dd-dd dd:dd:dd");
    const QByteArray &shape = kissTime ? kissShape : csvShape;
    if (text.size() != shape.size())
        return QDateTime();
    for (int i = 0; i < shape.size(); ++i) {
        if (shape.at(i) != 'd' && shape.at(i) != text.at(i))
            return QDateTime();
    }
    bool ok = true;
    const QDate date(digits(text, 0, 4, &ok), digits(text, 5, 2, &ok), digits(text, 8, 2, &ok));
    const QTime time(digits(text, 11, 2, &ok), digits(text, 14, 2, &ok), digits(text, 17, 2, &ok),
                     kissTime ? digits(text, 20, 3, &ok) : 0);
    if (!ok || !date.isValid() || !time.isValid())
        return QDateTime();
    return QDateTime(date, time, Qt::UTC);
}

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// Pairs each time record with the frame record right after it.
class KissRecords
{
public:
    KissRecords(const LoggedFrameSink &sink, LogReadResult &result) : m_sink(sink), m_result(result)
    {
    }

    void take(const QByteArray &piece)
    {
        ++m_record;
        const char type = piece.at(0);
        if (type == kTimeRecord) {
            dropPendingTime();
            m_time = parseUtc(piece.mid(1), true);
            m_haveTime = true;
            m_timeRecord = m_record;
        } else if (type == kFrameRecord) {
            const QDateTime time = m_haveTime ? m_time : QDateTime();
            m_haveTime = false;
            QByteArray frame = piece;
            KISS::deescape(frame);
            if (!time.isValid())
                ++m_result.untimed;
            m_sink({time, frame});
        } else {
            dropPendingTime();
            m_warnings.add(QObject::tr("KISS log: record %1 of unknown type 0x%2; skipped")
                               .arg(m_record)
                               .arg(uint(quint8(type)), 2, 16, QLatin1Char('0')));
        }
    }
    void skipOversized(char type)
    {
        ++m_record;
        forget(type);
        m_warnings.add(QObject::tr("KISS log: record %1 is longer than %2 bytes; skipped")
                           .arg(m_record)
                           .arg(kMaxKissRecord));
    }
    // The file ended inside a record, whose first byte is `type`.
    void cut(char type)
    {
        ++m_record;
        forget(type);
        m_cut = QObject::tr("KISS log: the last record (%1) has no closing FEND; cut short, "
                            "left out")
                    .arg(m_record);
    }
    QStringList finish()
    {
        dropPendingTime();
        QStringList texts = m_warnings.take();
        if (!m_cut.isEmpty())
            texts << m_cut;
        return texts;
    }

private:
    // A lost frame record takes its time record with it, and the message
    // about the frame record tells of both.
    void forget(char type)
    {
        if (type == kFrameRecord)
            m_haveTime = false;
        dropPendingTime();
    }
    void dropPendingTime()
    {
        if (m_haveTime)
            m_warnings.add(QObject::tr("KISS log: time record %1 has no frame record; skipped")
                               .arg(m_timeRecord));
        m_haveTime = false;
    }

    const LoggedFrameSink &m_sink;
    LogReadResult &m_result;
    Warnings m_warnings;
    QString m_cut;
    // The time record waiting for its frame record; `m_timeRecord` is its
    // number among the records, for the messages.
    bool m_haveTime = false;
    QDateTime m_time;
    int m_timeRecord = 0;
    int m_record = 0;
};

} // namespace

LogKind logKindOf(const QString &fileName)
{
    if (fileName.endsWith(QLatin1String(".kss")))
        return LogKind::Kiss;
    if (fileName.endsWith(QLatin1String(".satnogs.csv")))
        return LogKind::Csv;
    return LogKind::Unknown;
}

LogReadResult readKissLog(QIODevice &device, const LoggedFrameSink &sink)
{
    LogReadResult result;
    KissRecords records(sink, result);
    // The record read so far; a record is whole only once its FEND is read.
    QByteArray piece;
    bool oversized = false;
    char oversizedType = 0;
    for (;;) {
        const QByteArray chunk = device.read(kReadChunk);
        if (chunk.isEmpty())
            break;
        int from = 0;
        for (;;) {
            const int fend = chunk.indexOf(char(KISS::FEND), from);
            const int end = fend < 0 ? chunk.size() : fend;
            if (!oversized && piece.size() + (end - from) > kMaxKissRecord) {
                oversized = true;
                oversizedType = piece.isEmpty() ? chunk.at(from) : piece.at(0);
                piece.clear();
            }
            if (!oversized)
                piece.append(chunk.constData() + from, end - from);
            if (fend < 0)
                break;
            if (oversized)
                records.skipOversized(oversizedType);
            else if (!piece.isEmpty())
                records.take(piece);
            oversized = false;
            piece.clear();
            from = fend + 1;
        }
    }
    if (oversized)
        records.cut(oversizedType);
    else if (!piece.isEmpty())
        records.cut(piece.at(0));
    result.warnings = records.finish();
    return result;
}

LogReadResult readCsvLog(QIODevice &device, const LoggedFrameSink &sink)
{
    LogReadResult result;
    Warnings warnings;
    QString cut;
    int lineNo = 0;
    // One buffer for every line: the device's readLine stops at its size.
    QByteArray buffer(kMaxCsvLine + 1, Qt::Uninitialized);
    for (;;) {
        const qint64 n = device.readLine(buffer.data(), buffer.size());
        if (n <= 0)
            break;
        QByteArray line(buffer.constData(), int(n));
        ++lineNo;
        if (!line.endsWith('\n')) {
            if (!device.atEnd()) {
                // Longer than any logged frame: pass over the rest of it.
                qint64 more;
                while ((more = device.readLine(buffer.data(), buffer.size())) > 0 &&
                       buffer.at(int(more) - 1) != '\n') {
                }
                warnings.add(QObject::tr("SatNOGS log: line %1 is longer than %2 characters; "
                                         "skipped")
                                 .arg(lineNo)
                                 .arg(kMaxCsvLine));
                continue;
            }
            if (!line.trimmed().isEmpty()) {
                cut = QObject::tr("SatNOGS log: the last line (%1) has no line end; cut short, "
                                  "left out")
                          .arg(lineNo);
            }
            break;
        }
        line.chop(line.endsWith("\r\n") ? 2 : 1);
        const QList<QByteArray> parts = line.split('|');
        if (parts.size() < 2) {
            if (!line.trimmed().isEmpty())
                warnings.add(QObject::tr("SatNOGS log: line %1 has no \"|\"; skipped").arg(lineNo));
            continue;
        }
        // Characters that are not hex digits are passed over; but the digits
        // are paired from the end, so one lost digit would shift every byte.
        const QByteArray &hex = parts.at(1);
        int hexDigits = 0;
        for (char c : hex)
            hexDigits += isHexDigit(c) ? 1 : 0;
        if (hexDigits % 2 != 0) {
            warnings.add(
                QObject::tr("SatNOGS log: line %1 has an odd number of hex digits; left out")
                    .arg(lineNo));
            continue;
        }
        const QDateTime time = parseUtc(parts.at(0), false);
        if (!time.isValid())
            ++result.untimed;
        sink({time, QByteArray::fromHex("00" + hex)});
    }
    result.warnings = warnings.take();
    if (!cut.isEmpty())
        result.warnings << cut;
    return result;
}

namespace
{

LogReadResult collect(const QByteArray &bytes,
                      LogReadResult (*read)(QIODevice &, const LoggedFrameSink &))
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QVector<LoggedFrame> frames;
    LogReadResult result =
        read(buffer, [&frames](const LoggedFrame &frame) { frames.append(frame); });
    result.frames = frames;
    return result;
}

} // namespace

LogReadResult readKissLog(const QByteArray &bytes)
{
    return collect(bytes, &readKissLog);
}

LogReadResult readCsvLog(const QByteArray &bytes)
{
    return collect(bytes, &readCsvLog);
}

void deliverLoggedMessages(const LoggedFrame &logged, quint64 &stamp, const LoggedMessageSink &sink)
{
    // The messages point into this copy while it lives.
    QByteArray frame = logged.frame;
    // The epoch stands for a time the log did not give: the history shows
    // it as such ("70-01-01 00:00:00.000"), plainly no time of reception.
    const qint64 timeMs = logged.time.isValid() ? logged.time.toMSecsSinceEpoch() : 0;
    const QVector<ostrel_message> messages = AX25_connector::AX25_to_Ostrel_vector(frame);
    for (ostrel_message msg : messages) {
        const QByteArray bytes =
            msg.data && msg.length
                ? QByteArray(reinterpret_cast<const char *>(msg.data), msg.length)
                : QByteArray();
        zvs_ostrel_to_app_t block{};
        block.direction = 0;
        block.timeMs = timeMs;
        block.stamp = stamp++;
        block.tag = 0;
        block.header.msg_id = msg.msg_id;
        block.header.src = msg.src;
        block.header.dst = msg.dst;
        block.header.length = msg.length;
        msg.data = nullptr;
        sink(msg, bytes, block);
    }
}
