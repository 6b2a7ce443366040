#include "layoutfile.h"

#include "atomicwrite.h"

#include <QCoreApplication>

namespace LayoutFile
{

QByteArray encode(const QByteArray &geometry, const QByteArray &state)
{
    if (geometry.size() > 255)
        return QByteArray();
    QByteArray bytes;
    bytes.reserve(1 + geometry.size() + state.size());
    bytes.append(char(quint8(geometry.size())));
    bytes.append(geometry);
    bytes.append(state);
    return bytes;
}

Parsed decode(const QByteArray &bytes)
{
    Parsed parsed;
    if (bytes.isEmpty())
        return parsed;
    const int n = quint8(bytes.at(0));
    if (bytes.size() < 1 + n)
        return parsed;
    parsed.hasGeometry = true;
    parsed.geometry = bytes.mid(1, n);
    parsed.state = bytes.mid(1 + n);
    return parsed;
}

QString write(const QString &fileName, const QByteArray &geometry, const QByteArray &state)
{
    const auto tr = [](const char *text) {
        return QCoreApplication::translate("MainWindow", text);
    };
    const QByteArray bytes = encode(geometry, state);
    if (bytes.isEmpty())
        return tr("Error writing to %1\n%2").arg(fileName, tr("Geometry too large"));
    QString error;
    switch (writeFileAtomicallyFailure(fileName, bytes, &error)) {
    case AtomicWriteFailure::None:
        return QString();
    case AtomicWriteFailure::Open:
        return tr("Failed to open %1\n%2").arg(fileName, error);
    case AtomicWriteFailure::Write:
        break;
    }
    return tr("Error writing to %1\n%2").arg(fileName, error);
}

} // namespace LayoutFile
