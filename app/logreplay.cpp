#include "logreplay.h"

#include "ax25_connector.h"
#include "kiss.h"

#include <QObject>

namespace
{

constexpr char kTimeRecord = 0x09;
constexpr char kFrameRecord = 0x00;
// A garbage file must not bury the operator in one warning per byte.
constexpr int kMaxWarnings = 20;

class Warnings
{
public:
    explicit Warnings(QStringList &out) : m_out(out) {}
    ~Warnings()
    {
        if (m_dropped > 0)
            m_out << QObject::tr("... and %1 more damaged records").arg(m_dropped);
    }
    void add(const QString &text)
    {
        if (m_out.size() < kMaxWarnings)
            m_out << text;
        else
            ++m_dropped;
    }

private:
    QStringList &m_out;
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
// is wrong off UTC and asks the system for the zone on every record.
QDateTime parseUtc(const QByteArray &raw, bool kissTime)
{
    const int zero = raw.indexOf('\0');
    const QByteArray text = zero < 0 ? raw : raw.left(zero);
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

} // namespace

LogKind logKindOf(const QString &fileName)
{
    if (fileName.endsWith(QLatin1String(".kss")))
        return LogKind::Kiss;
    if (fileName.endsWith(QLatin1String(".satnogs.csv")))
        return LogKind::Csv;
    return LogKind::Unknown;
}

LogReadResult readKissLog(const QByteArray &bytes)
{
    LogReadResult result;
    Warnings warnings(result.warnings);
    const QList<QByteArray> pieces = bytes.split(char(KISS::FEND));

    // The time record waiting for its frame record; `timeRecord` is its
    // number among the records, for the messages.
    bool haveTime = false;
    QDateTime time;
    int timeRecord = 0;
    int record = 0;
    auto dropPendingTime = [&]() {
        if (haveTime)
            warnings.add(QObject::tr("KISS log: time record %1 has no frame record; skipped")
                             .arg(timeRecord));
        haveTime = false;
    };

    for (const QByteArray &piece : pieces) {
        if (piece.isEmpty())
            continue;
        ++record;
        const char type = piece.at(0);
        if (type == kTimeRecord) {
            dropPendingTime();
            const QByteArray text = piece.mid(1);
            time = parseUtc(text, true);
            haveTime = true;
            timeRecord = record;
            if (!time.isValid()) {
                // Its frame record follows and is skipped with it.
                warnings.add(
                    QObject::tr("KISS log: time record %1 does not read (\"%2\"); its frame is "
                                "skipped")
                        .arg(record)
                        .arg(QString::fromLatin1(text.left(40).toPercentEncoding(" :.-"))));
            }
        } else if (type == kFrameRecord) {
            if (!haveTime) {
                warnings.add(QObject::tr("KISS log: frame record %1 has no time record; skipped")
                                 .arg(record));
                continue;
            }
            haveTime = false;
            if (!time.isValid())
                continue;
            QByteArray frame = piece;
            KISS::deescape(frame);
            result.frames.append({time, frame});
        } else {
            dropPendingTime();
            warnings.add(QObject::tr("KISS log: record %1 of unknown type 0x%2; skipped")
                             .arg(record)
                             .arg(uint(quint8(type)), 2, 16, QLatin1Char('0')));
        }
    }
    dropPendingTime();
    return result;
}

LogReadResult readCsvLog(const QByteArray &bytes)
{
    LogReadResult result;
    Warnings warnings(result.warnings);
    const QList<QByteArray> lines = bytes.split('\n');
    int lineNo = 0;
    for (const QByteArray &rawLine : lines) {
        ++lineNo;
        const QByteArray line = rawLine.endsWith('\r') ? rawLine.chopped(1) : rawLine;
        const QList<QByteArray> parts = line.split('|');
        if (parts.size() < 2) {
            if (!line.trimmed().isEmpty())
                warnings.add(QObject::tr("SatNOGS log: line %1 has no \"|\"; skipped").arg(lineNo));
            continue;
        }
        const QDateTime time = parseUtc(parts.at(0), false);
        if (!time.isValid()) {
            warnings.add(
                QObject::tr("SatNOGS log: line %1 has no readable time; skipped").arg(lineNo));
            continue;
        }
        // Characters that are not hex digits are passed over.
        result.frames.append({time, QByteArray::fromHex("00" + parts.at(1))});
    }
    return result;
}

void deliverLoggedMessages(const QVector<LoggedFrame> &frames, const LoggedMessageSink &sink)
{
    quint64 stamp = 1;
    for (const LoggedFrame &logged : frames) {
        // The messages point into this copy while it lives.
        QByteArray frame = logged.frame;
        const qint64 timeMs = logged.time.toMSecsSinceEpoch();
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
}
