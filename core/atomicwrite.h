#ifndef ATOMICWRITE_H
#define ATOMICWRITE_H

#include <QByteArray>
#include <QString>

class QFileDevice;

// Every file the console rewrites whole (config.xml, queue, repeat-list and
// schedule files, rack files, layout files) goes through here, so that a
// full disk, a vanished folder or a killed process never leaves the
// operator with half a file: the bytes land in a temporary file beside the
// target and replace it only once every one of them was written.

// Writes `bytes` to `fileName` atomically. On failure the previous file is
// left exactly as it was, false is returned and `*error` (when given) holds
// the reason in the system's words.
bool writeFileAtomically(const QString &fileName, const QByteArray &bytes,
                         QString *error = nullptr);

// Which step of an atomic write failed.
enum class AtomicWriteFailure { None, Open, Write };

// The same, telling a file that cannot be opened from a write or a final
// replace that failed, for callers whose reports word the two differently.
AtomicWriteFailure writeFileAtomicallyFailure(const QString &fileName, const QByteArray &bytes,
                                              QString *error = nullptr);

// The same, and a failure is reported through the message handler as a
// critical message: "Can't create file %1" when the file cannot be opened,
// "Error writing to %1" when a write or the final replace fails, each
// followed by the reason on its own line.
bool writeFileAtomicallyOrReport(const QString &fileName, const QByteArray &bytes);

// Writes all of `bytes` to the open `file`, going on after a write that was
// cut short; false when the system refused the rest, and then `*reason`
// (when given) says why.
bool writeWhole(QFileDevice &file, const QByteArray &bytes, QString *reason = nullptr);

// Why the last write or flush of `file` failed: the system's reason, or
// "disk full or file too large" for a write cut short with none given.
QString writeFailureReason(QFileDevice &file);

#endif // ATOMICWRITE_H
