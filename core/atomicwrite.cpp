#include "atomicwrite.h"

#include <QCoreApplication>
#include <QDebug>
#include <QSaveFile>

namespace
{

QString tr(const char *text)
{
    return QCoreApplication::translate("AtomicWrite", text);
}

} // namespace

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
    if (file.write(bytes) != bytes.size()) {
        if (error)
            *error = file.errorString();
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
