#include "atomicwrite.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QSaveFile>

namespace
{

QString tr(const char *text)
{
    return QCoreApplication::translate("AtomicWrite", text);
}

} // namespace

QString writeFailureReason(QFileDevice &file)
{
    // A write cut short by a full disk or a file size limit is no error to
    // the system, and QFile names none; what is still buffered, written
    // again, is refused with the system's own reason.
    static const QString noReason = QFile().errorString();
    if (file.errorString() == noReason)
        file.flush();
    return file.errorString() != noReason ? file.errorString() : tr("disk full or file too large");
}

bool writeWhole(QFileDevice &file, const QByteArray &bytes, QString *reason)
{
    qint64 written = 0;
    while (written < bytes.size()) {
        const qint64 n = file.write(bytes.constData() + written, bytes.size() - written);
        if (n <= 0)
            break;
        written += n;
    }
    if (written == bytes.size())
        return true;
    if (reason)
        *reason = writeFailureReason(file);
    return false;
}

AtomicWriteFailure writeFileAtomicallyFailure(const QString &fileName, const QByteArray &bytes,
                                              QString *error)
{
    QSaveFile file(fileName);
    // Unbuffered: a buffered write that fails only when commit() flushes it
    // is not seen by QSaveFile, which would then put a cut file in place.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (error)
            *error = file.errorString();
        return AtomicWriteFailure::Open;
    }
    if (!writeWhole(file, bytes, error)) {
        file.cancelWriting();
        return AtomicWriteFailure::Write;
    }
    // commit() flushes, syncs and renames; a failure anywhere there keeps
    // the old file and removes the temporary one.
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return AtomicWriteFailure::Write;
    }
    return AtomicWriteFailure::None;
}

bool writeFileAtomically(const QString &fileName, const QByteArray &bytes, QString *error)
{
    return writeFileAtomicallyFailure(fileName, bytes, error) == AtomicWriteFailure::None;
}

bool writeFileAtomicallyOrReport(const QString &fileName, const QByteArray &bytes)
{
    QString error;
    switch (writeFileAtomicallyFailure(fileName, bytes, &error)) {
    case AtomicWriteFailure::None:
        return true;
    case AtomicWriteFailure::Open:
        qCritical().noquote() << tr("Can't create file %1").arg(fileName) + QLatin1Char('\n') +
                                     error;
        return false;
    case AtomicWriteFailure::Write:
        qCritical().noquote() << tr("Error writing to %1").arg(fileName) + QLatin1Char('\n') +
                                     error;
        return false;
    }
    return false;
}
