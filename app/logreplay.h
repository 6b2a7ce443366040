#ifndef LOGREPLAY_H
#define LOGREPLAY_H

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

#include "ostrelmessage.h"
#include "zvs_ostrel_to_app.h"

#include <functional>

class QIODevice;

// Readers of the two radio logs the AX.25 reader writes, for "Open log..."
// and "Submit telemetry from log...". They read the device record by record
// and hand on each whole frame as soon as it is read, so a log of any size
// replays without being held in memory; they never touch the history or the
// network, so a fuzzer can feed them anything.

struct LoggedFrame {
    QDateTime time;   // UTC, as the log wrote it; invalid when the log's time does not read
    QByteArray frame; // the leading KISS byte 0x00, then the AX.25 frame
};

struct LogReadResult {
    // Only the byte-array readers collect the frames here.
    QVector<LoggedFrame> frames;
    // Damaged records, one text each (capped; the last one counts the rest).
    QStringList warnings;
    // Whole frames handed on with an invalid time: the caller decides what
    // such a frame is good for, and says so once for the file.
    int untimed = 0;
};

using LoggedFrameSink = std::function<void(const LoggedFrame &frame)>;

enum class LogKind { Unknown, Kiss, Csv };

// By the file name's ending, letter case included: ".kss" or ".satnogs.csv".
LogKind logKindOf(const QString &fileName);

// A ".kss" log: time records (0x09) each followed by the frame record (0x00)
// it dates. A time record that has lost its frame record is skipped on its
// own, so one damaged record never shifts later frames onto the wrong time;
// a frame record without a time of its own is still a whole frame. A last
// record without its closing FEND was cut while it was written: left out.
LogReadResult readKissLog(QIODevice &device, const LoggedFrameSink &sink);

// A ".satnogs.csv" log: "yyyy-MM-dd hh:mm:ss|HEX" lines; parts after the
// second are ignored. A last line without its line end was cut: left out.
LogReadResult readCsvLog(QIODevice &device, const LoggedFrameSink &sink);

// The same on bytes already held, with the frames collected in the result.
LogReadResult readKissLog(const QByteArray &bytes);
LogReadResult readCsvLog(const QByteArray &bytes);

// Splits a frame into its messages and hands each on as a received message
// with its delivery block: direction In, the logged time (the epoch when the
// time is unknown), the next number of `stamp` (a file's first message gets
// 1), tag 0. The message's data pointer is null; its bytes travel in the array.
using LoggedMessageSink =
    std::function<void(ostrel_message msg, QByteArray bytes, zvs_ostrel_to_app_t block)>;
void deliverLoggedMessages(const LoggedFrame &logged, quint64 &stamp,
                           const LoggedMessageSink &sink);

#endif // LOGREPLAY_H
