#ifndef CRC32_H
#define CRC32_H

#include <QByteArray>
#include <QtGlobal>

// CRC-32 of ISO-HDLC (IEEE 802.3): reflected polynomial 0xEDB88320, initial
// value and final XOR 0xFFFFFFFF. Boot loaders check a written image with
// exactly this sum, so the file chooser and the firmware-update command
// both take it from here; "123456789" gives 0xCBF43926, nothing gives 0.
quint32 crc32IsoHdlc(const QByteArray &bytes);

#endif // CRC32_H
