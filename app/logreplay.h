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

// Readers of the two radio logs the AX.25 reader writes, for "Open log..."
// and "Submit telemetry from log...". They take the file's bytes and return
// the frames they could read with the messages about what they could not;
// they never touch the history or the network, so a fuzzer can feed them
// anything.

struct LoggedFrame {
    QDateTime time;   // UTC, as the log wrote it
    QByteArray frame; // the leading KISS byte 0x00, then the AX.25 frame
};

struct LogReadResult {
    QVector<LoggedFrame> frames;
    // Damaged records, one text each (capped; the last one counts the rest).
    QStringList warnings;
};

enum class LogKind { Unknown, Kiss, Csv };

// By the file name's ending, letter case included: ".kss" or ".satnogs.csv".
LogKind logKindOf(const QString &fileName);

// A ".kss" log: time records (0x09) each followed by the frame record (0x00)
// it dates. A record that has lost its partner is skipped on its own, so one
// damaged record never shifts later frames onto the wrong time.
LogReadResult readKissLog(const QByteArray &bytes);

// A ".satnogs.csv" log: "yyyy-MM-dd hh:mm:ss|HEX" lines; parts after the
// second are ignored.
LogReadResult readCsvLog(const QByteArray &bytes);

// Splits every frame into its messages and hands each on as a received
// message with its delivery block: direction In, the logged time, a stamp
// counting from 1 over the whole list, tag 0. The message's data pointer is
// null; its bytes travel in the array.
using LoggedMessageSink =
    std::function<void(ostrel_message msg, QByteArray bytes, zvs_ostrel_to_app_t block)>;
void deliverLoggedMessages(const QVector<LoggedFrame> &frames, const LoggedMessageSink &sink);

#endif // LOGREPLAY_H
