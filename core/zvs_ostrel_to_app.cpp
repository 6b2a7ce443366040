#include "zvs_ostrel_to_app.h"

#include "ostrelmessage.h"

#include <QtEndian>

QByteArray zvsOstrelToAppEncode(const zvs_ostrel_to_app_t &block)
{
    uchar p[ZVS_OSTREL_TO_APP_SIZE] = {};
    qToLittleEndian<quint32>(block.direction, p + ZVS_OFFSET_DIRECTION);
    qToLittleEndian<quint32>(block.txStatus, p + ZVS_OFFSET_TX_STATUS);
    qToLittleEndian<quint64>(uint64_t(block.timeMs), p + ZVS_OFFSET_TIME_MS);
    qToLittleEndian<quint64>(block.stamp, p + ZVS_OFFSET_STAMP);
    qToLittleEndian<quint32>(block.tag, p + ZVS_OFFSET_TAG);
    const zvs_ostrel_header_t &h = block.header;
    ostrelHeaderWrite({h.msg_id, h.src, h.dst, h.length, nullptr}, p + ZVS_OFFSET_HEADER);
    qToLittleEndian<quint32>(block.reserved, p + ZVS_OFFSET_RESERVED);
    return QByteArray(reinterpret_cast<const char *>(p), ZVS_OSTREL_TO_APP_SIZE);
}

bool zvsOstrelToAppDecode(const QByteArray &bytes, int offset, zvs_ostrel_to_app_t *block)
{
    if (!block || offset < 0 || bytes.size() - offset < ZVS_OSTREL_TO_APP_SIZE)
        return false;
    const uchar *p = reinterpret_cast<const uchar *>(bytes.constData()) + offset;
    zvs_ostrel_to_app_t b{};
    b.direction = qFromLittleEndian<quint32>(p + ZVS_OFFSET_DIRECTION);
    b.txStatus = qFromLittleEndian<quint32>(p + ZVS_OFFSET_TX_STATUS);
    b.timeMs = int64_t(qFromLittleEndian<quint64>(p + ZVS_OFFSET_TIME_MS));
    b.stamp = qFromLittleEndian<quint64>(p + ZVS_OFFSET_STAMP);
    b.tag = qFromLittleEndian<quint32>(p + ZVS_OFFSET_TAG);
    const ostrel_message h = ostrelHeaderRead(p + ZVS_OFFSET_HEADER);
    b.header = {h.msg_id, h.src, h.dst, h.length};
    *block = b;
    return true;
}
