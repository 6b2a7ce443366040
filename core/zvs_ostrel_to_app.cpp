#include "zvs_ostrel_to_app.h"

namespace
{

void putLe(uchar *p, uint64_t v, int size)
{
    for (int i = 0; i < size; ++i)
        p[i] = uchar(v >> (8 * i));
}

uint64_t getLe(const uchar *p, int size)
{
    uint64_t v = 0;
    for (int i = 0; i < size; ++i)
        v |= uint64_t(p[i]) << (8 * i);
    return v;
}

} // namespace

QByteArray zvsOstrelToAppEncode(const zvs_ostrel_to_app_t &block)
{
    uchar p[ZVS_OSTREL_TO_APP_SIZE] = {};
    putLe(p + ZVS_OFFSET_DIRECTION, block.direction, 4);
    putLe(p + ZVS_OFFSET_TX_STATUS, block.txStatus, 4);
    putLe(p + ZVS_OFFSET_TIME_MS, uint64_t(block.timeMs), 8);
    putLe(p + ZVS_OFFSET_STAMP, block.stamp, 8);
    putLe(p + ZVS_OFFSET_TAG, block.tag, 4);
    putLe(p + ZVS_OFFSET_HEADER + 0, block.header.msg_id, 2);
    putLe(p + ZVS_OFFSET_HEADER + 2, block.header.src, 2);
    putLe(p + ZVS_OFFSET_HEADER + 4, block.header.dst, 2);
    putLe(p + ZVS_OFFSET_HEADER + 6, block.header.length, 2);
    putLe(p + ZVS_OFFSET_RESERVED, block.reserved, 4);
    return QByteArray(reinterpret_cast<const char *>(p), ZVS_OSTREL_TO_APP_SIZE);
}

bool zvsOstrelToAppDecode(const QByteArray &bytes, int offset, zvs_ostrel_to_app_t *block)
{
    if (!block || offset < 0 || bytes.size() - offset < ZVS_OSTREL_TO_APP_SIZE)
        return false;
    const uchar *p = reinterpret_cast<const uchar *>(bytes.constData()) + offset;
    zvs_ostrel_to_app_t b{};
    b.direction = uint32_t(getLe(p + ZVS_OFFSET_DIRECTION, 4));
    b.txStatus = uint32_t(getLe(p + ZVS_OFFSET_TX_STATUS, 4));
    b.timeMs = int64_t(getLe(p + ZVS_OFFSET_TIME_MS, 8));
    b.stamp = getLe(p + ZVS_OFFSET_STAMP, 8);
    b.tag = uint32_t(getLe(p + ZVS_OFFSET_TAG, 4));
    b.header.msg_id = uint16_t(getLe(p + ZVS_OFFSET_HEADER + 0, 2));
    b.header.src = uint16_t(getLe(p + ZVS_OFFSET_HEADER + 2, 2));
    b.header.dst = uint16_t(getLe(p + ZVS_OFFSET_HEADER + 4, 2));
    b.header.length = uint16_t(getLe(p + ZVS_OFFSET_HEADER + 6, 2));
    *block = b;
    return true;
}
