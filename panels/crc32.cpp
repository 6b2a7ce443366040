#include "crc32.h"

#include <array>

namespace
{

std::array<quint32, 256> makeTable()
{
    std::array<quint32, 256> table{};
    for (quint32 i = 0; i < 256; ++i) {
        quint32 c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1u) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        table[i] = c;
    }
    return table;
}

} // namespace

quint32 crc32IsoHdlc(const QByteArray &bytes)
{
    static const std::array<quint32, 256> table = makeTable();
    quint32 crc = 0xFFFFFFFFu;
    for (const char ch : bytes)
        crc = (crc >> 8) ^ table[(crc ^ quint8(ch)) & 0xFFu];
    return crc ^ 0xFFFFFFFFu;
}
