// Any bytes, decoded against a packet whose fields lie back to back (the
// layout the encoder writes) and encoded again: the encoder must give back
// exactly the bytes the decoder read, for every field type whose value
// carries all its bits (int and uint up to 32 bits, float, double, data,
// bit), in both byte orders and at any bit position.
//
// Input: byte 0 the field count (mod 16, plus 1); then two bytes per field:
// type and byte order, width; the rest is the message data. A last uint
// field pads the fields to whole bytes.
#include "ostreldatamodel.h"
#include "ostreltablerecord.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const size_t fieldCount = size_t(data[0] % 16) + 1;
    if (size < 1 + 2 * fieldCount)
        return 0;

    OstrelPacketRecord packet;
    std::vector<OstrelFieldRecord *> fields;
    auto add = [&](OstrelFieldRecord::FieldType type, int order, int width, int offset) {
        auto *f = new OstrelFieldRecord;
        f->type = type;
        f->byteOrder = OstrelFieldRecord::ByteOrder(order);
        f->bitLen = width;
        f->bitOffset = offset;
        fields.push_back(f);
        packet.insertField(f);
    };

    int offset = 0;
    for (size_t i = 0; i < fieldCount; ++i) {
        const uint8_t kind = data[1 + 2 * i];
        const uint8_t w = data[2 + 2 * i];
        const int order = (kind >> 4) & 1;
        switch (kind % 6) {
        case 0:
            add(OstrelFieldRecord::TypeInt, order, w % 32 + 1, offset);
            break;
        case 1:
            add(OstrelFieldRecord::TypeUInt, order, w % 32 + 1, offset);
            break;
        case 2:
            add(OstrelFieldRecord::TypeFloat, order, 32, offset);
            break;
        case 3:
            add(OstrelFieldRecord::TypeDouble, order, 64, offset);
            break;
        case 4:
            add(OstrelFieldRecord::TypeData, order, w % 80 + 1, offset);
            break;
        default:
            add(OstrelFieldRecord::TypeBit, order, 1, offset);
            break;
        }
        offset += fields.back()->bitLen;
    }
    if (offset % 8)
        add(OstrelFieldRecord::TypeUInt, 1, 8 - offset % 8, offset);
    const int bytes = (offset + 7) / 8;

    const uint8_t *payload = data + 1 + 2 * fieldCount;
    const size_t n = size - 1 - 2 * fieldCount;
    if (n < size_t(bytes)) {
        for (OstrelFieldRecord *f : fields)
            delete f;
        return 0;
    }
    const QByteArray in(reinterpret_cast<const char *>(payload), bytes);

    packet.dataLen = bytes;
    packet.id = 0x123;
    OstrelTableRecord rec;
    rec.packet = &packet;
    rec.packetHeader.copyHeader(&packet);
    rec.initFieldValues();
    rec.message.msg_id = 0x123;
    rec.message.length = uint16_t(bytes);
    rec.data = in;
    rec.decomposeOstrelMessage();
    rec.composeOstrelMessage();

    const QByteArray out =
        rec.message.data
            ? QByteArray(reinterpret_cast<const char *>(rec.message.data), rec.message.length)
            : QByteArray();
    for (OstrelFieldRecord *f : fields)
        delete f;
    if (out != in)
        std::abort();
    return 0;
}
