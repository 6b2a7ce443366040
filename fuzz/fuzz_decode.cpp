// Any bytes, decoded as message data against the sample descriptions and
// against descriptions made up from the input itself (any widths, offsets,
// types and byte orders); every decoded record is encoded again and decoded
// once more. Nothing may read outside the data or the descriptions.
//
// Input: byte 0 mode (bit 0: made-up description), then for the sample
// descriptions bytes 1-2 pick a packet node and byte 3 the message length
// slack; for a made-up one byte 1 is the field count and each field takes
// 6 bytes (type, order, width and offset as signed 16-bit values). The rest
// is the message data.
#include "ostreldatamodel.h"
#include "ostreltablerecord.h"
#include "treeitem.h"
#include "treemodel.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdint>
#include <cstring>
#include <vector>

namespace
{

struct Samples {
    OstrelDataModel *data = nullptr;
    TreeModel *tree = nullptr;
    std::vector<TreeItem *> packets;
};

void collect(TreeItem *node, std::vector<TreeItem *> *out)
{
    if (node->packet)
        out->push_back(node);
    for (int i = 0; i < node->childCount(); ++i)
        collect(node->child(i), out);
}

Samples &samples()
{
    static Samples s = [] {
        Samples r;
        static int argc = 1;
        static char name[] = "fuzz_decode";
        static char *argv[] = {name, nullptr};
        static QCoreApplication app(argc, argv);
        r.data = new OstrelDataModel;
        r.data->loadDevXMLs();
        static QList<QString> defaultMap; // empty: "resources/maps/map.xml"
        r.tree = new TreeModel(r.data, &defaultMap);
        collect(r.tree->rootItem, &r.packets);
        return r;
    }();
    return s;
}

bool hasFileField(const OstrelPacketRecord *p)
{
    for (const OstrelFieldRecord *f : p->fields)
        if (f->type == OstrelFieldRecord::TypeFile)
            return true;
    return false;
}

void decodeAndBack(OstrelTableRecord &rec, const uint8_t *bytes, size_t n, uint16_t length)
{
    rec.message.length = length;
    rec.data = QByteArray(reinterpret_cast<const char *>(bytes), int(n));
    rec.decomposeOstrelMessage();
    // A file field's value is a path to read; made-up paths stay unread.
    if (rec.packet && !hasFileField(rec.packet)) {
        rec.composeOstrelMessage();
        rec.decomposeOstrelMessage();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool quiet = [] {
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
        return true;
    }();
    (void)quiet;
    if (size < 4)
        return 0;
    Samples &s = samples();

    if ((data[0] & 1) == 0) {
        if (s.packets.empty())
            return 0;
        TreeItem *node = s.packets[(size_t(data[1]) << 8 | data[2]) % s.packets.size()];
        const uint8_t *bytes = data + 4;
        const size_t n = size - 4;
        OstrelTableRecord rec;
        rec.direction = (data[0] & 2) ? OstrelTableRecord::Out : OstrelTableRecord::In;
        rec.message.msg_id = uint16_t(node->packet->id);
        rec.message.src =
            uint16_t(rec.direction == OstrelTableRecord::Out ? 1 : node->deviceTag.devAddress);
        rec.message.dst =
            uint16_t(rec.direction == OstrelTableRecord::Out ? node->deviceTag.devAddress : 1);
        // Lengths around the data size: shorter, equal and longer than it.
        rec.message.length = uint16_t(int(n) + int(int8_t(data[3])));
        rec.data = QByteArray(reinterpret_cast<const char *>(bytes), int(n));
        rec.fillFromOstrelMsg(s.tree);
        if (rec.packet)
            decodeAndBack(rec, bytes, n, rec.message.length);
        OstrelTableRecord copy;
        copy.copyFromPacketTable(&rec);
        (void)copy.toStr();
        return 0;
    }

    const size_t fieldCount = data[1] % 12;
    size_t at = 2;
    OstrelPacketRecord packet;
    std::vector<OstrelFieldRecord *> fields;
    for (size_t i = 0; i < fieldCount && at + 6 <= size; ++i, at += 6) {
        auto *f = new OstrelFieldRecord;
        f->type = OstrelFieldRecord::FieldType(data[at] % 9);
        f->byteOrder = OstrelFieldRecord::ByteOrder(data[at + 1] & 1);
        f->bitLen = int16_t(data[at + 2] | data[at + 3] << 8);
        f->bitOffset = int16_t(data[at + 4] | data[at + 5] << 8);
        if (f->type == OstrelFieldRecord::TypeFile)
            f->type = OstrelFieldRecord::TypeData;
        fields.push_back(f);
        packet.insertField(f);
    }
    const uint8_t *bytes = data + at;
    const size_t n = size - at;
    packet.dataLen = int(n) + (data[0] >> 1) - 64;
    packet.id = data[0];
    OstrelTableRecord rec;
    rec.packet = &packet;
    rec.packetHeader.copyHeader(&packet);
    rec.initFieldValues();
    decodeAndBack(rec, bytes, n, uint16_t(packet.dataLen));

    QByteArray in(reinterpret_cast<const char *>(bytes), int(n));
    QByteArray out;
    const int count = n ? int(bytes[0]) * 8 : 0;
    const int start = n > 1 ? int(int8_t(bytes[1])) * 4 : 0;
    OstrelTableRecord::expandBit2ByteData(&out, &in, count, start);
    QByteArray packed;
    OstrelTableRecord::compressByte2BitData(&packed, &out, out.size(), (data[0] & 2) != 0);

    for (OstrelFieldRecord *f : fields)
        delete f;
    return 0;
}
