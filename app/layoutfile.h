#ifndef LAYOUTFILE_H
#define LAYOUTFILE_H

#include <QByteArray>
#include <QString>

// The layout file: one byte N, N bytes of the window's saved geometry, then
// the window's saved state (docks and tool bars) up to the end of the file.
namespace LayoutFile
{

// Empty when the geometry block does not fit the one-byte count.
QByteArray encode(const QByteArray &geometry, const QByteArray &state);

struct Parsed {
    // Whole blocks only: a file cut inside the geometry gives no geometry.
    bool hasGeometry = false;
    QByteArray geometry;
    QByteArray state; // empty when the file ends after the geometry
};

Parsed decode(const QByteArray &bytes);

// Writes the layout file whole. Returns an empty text when it was written,
// else the report: "Failed to open %1\n%2" for a file that cannot be
// opened, "Error writing to %1\n%2" when writing or replacing it fails.
QString write(const QString &fileName, const QByteArray &geometry, const QByteArray &state);

} // namespace LayoutFile

#endif // LAYOUTFILE_H
