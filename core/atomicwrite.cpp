#include "atomicwrite.h"

#include <QCoreApplication>
#include <QDebug>
#include <QSaveFile>

namespace
{

enum class WriteFailure { None, Open, Write };

WriteFailure writeThroughSaveFile(const QString &fileName, const QByteArray &bytes, QString *error)
{
    QSaveFile file(fileName);
    // Unbuffered: a buffered write that fails only when commit() flushes it
    // is not seen by QSaveFile, which would then put a cut file in place.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (error)
            *error = file.errorString();
        return WriteFailure::Open;
    }
    if (file.write(bytes) != bytes.size()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return WriteFailure::Write;
    }
    // commit() flushes, syncs and renames; a failure anywhere there keeps
    // the old file and removes the temporary one.
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return WriteFailure::Write;
    }
    return WriteFailure::None;
}

QString tr(const char *text)
{
    return QCoreApplication::translate("AtomicWrite", text);
}

} // namespace

bool writeFileAtomically(const QString &fileName, const QByteArray &bytes, QString *error)
{
    return writeThroughSaveFile(fileName, bytes, error) == WriteFailure::None;
}

bool writeFileAtomicallyOrReport(const QString &fileName, const QByteArray &bytes)
{
    QString error;
    switch (writeThroughSaveFile(fileName, bytes, &error)) {
    case WriteFailure::None:
        return true;
    case WriteFailure::Open:
        qCritical().noquote() << tr("Can't create file %1").arg(fileName) + QLatin1Char('\n') +
                                     error;
        return false;
    case WriteFailure::Write:
        qCritical().noquote() << tr("Error writing to %1").arg(fileName) + QLatin1Char('\n') +
                                     error;
        return false;
    }
    return false;
}
