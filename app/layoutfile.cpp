#include "layoutfile.h"

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

} // namespace LayoutFile
