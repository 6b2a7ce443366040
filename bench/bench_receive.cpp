// The road of a received message, measured: record creation, packet lookup
// in the map tree, decoding of every field, and insertion into a history of
// depth 10000 at steady state (one row removed per insertion). Prints
// messages per second and the heap that 10000 held records take.
//
// Packets: the 32-field telemetry packet of the sample resources (when run
// from the source root, where resources/ is) and a heavier 32-field packet
// of 16-bit integer fields written to a temporary directory.
//
// Targets: at least 200,000 messages/s on one core, under 2 KiB per record.
#include "ostreldatamodel.h"
#include "ostreltablemodel.h"
#include "ostreltablerecord.h"
#include "treeitem.h"
#include "treemodel.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <malloc.h>

#include <cstdio>
#include <cstring>
#include <memory>

namespace
{

constexpr unsigned int kDepth = 10000;
constexpr int kMessages = 300000;

struct Target {
    QString label;
    uint16_t src = 0;
    uint16_t msgId = 0;
    QByteArray payload;
};

size_t heapInUse()
{
    malloc_trim(0);
    return mallinfo2().uordblks;
}

// One message as the radio link delivers it: a fresh buffer and byte array.
void deliver(OstrelTableModel &model, const Target &t, int i)
{
    QByteArray bytes = t.payload;
    bytes.detach();
    bytes[0] = char(i); // not the same bytes every time
    tag_ostrel_message msg{t.msgId, t.src, 1, uint16_t(bytes.size()), nullptr};
    msg.data = new uint8_t[bytes.size()];
    std::memcpy(msg.data, bytes.constData(), size_t(bytes.size()));
    model.slotNewFromOstrel(msg, bytes);
}

void run(TreeModel *tree, const Target &t)
{
    TreeItem *node = tree->findDevMsg(t.src, t.msgId);
    if (!node || !node->packet) {
        std::printf("%s: packet 0x%X of device 0x%X not found, skipped\n", qPrintable(t.label),
                    t.msgId, t.src);
        return;
    }
    const int fields = node->packet->fields.size();

    // Memory: a fresh history filled with exactly 10000 records.
    size_t perRecord = 0;
    {
        const size_t before = heapInUse();
        auto model = std::make_unique<OstrelTableModel>(tree);
        model->setMaxDepth(kDepth);
        for (unsigned int i = 0; i < kDepth; ++i)
            deliver(*model, t, int(i));
        const size_t after = heapInUse();
        perRecord = (after - before) / kDepth;
    }

    // Speed: a full history (N + 1 rows), one row out for every row in.
    OstrelTableModel model(tree);
    model.setMaxDepth(kDepth);
    for (unsigned int i = 0; i < kDepth + 1; ++i)
        deliver(model, t, int(i));
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < kMessages; ++i)
        deliver(model, t, i);
    const qint64 ns = timer.nsecsElapsed();
    const double perSecond = double(kMessages) * 1e9 / double(ns);

    std::printf("%s: %d fields, %d data bytes\n", qPrintable(t.label), fields, t.payload.size());
    std::printf("  %.0f messages/s (%.2f us each, %d messages, %u rows held)\n", perSecond,
                double(ns) / kMessages / 1000.0, kMessages, model.recordCountGet());
    std::printf("  %zu bytes per record (%.2f MiB for %u records)\n", perRecord,
                double(perRecord) * kDepth / 1048576.0, kDepth);
    std::printf("  targets: >= 200000 messages/s %s, < 2048 bytes per record %s\n",
                perSecond >= 200000 ? "met" : "MISSED", perRecord < 2048 ? "met" : "MISSED");
}

bool writeHeavyFixture(const QTemporaryDir &dir)
{
    QString devices = QStringLiteral("<Device><DevModel>bench_t</DevModel>\n"
                                     "<Packet><PacType>datain</PacType><PacId>0x700</PacId>"
                                     "<PacName>wide</PacName><DataLen>64</DataLen>\n");
    for (int i = 0; i < 32; ++i) {
        devices += QStringLiteral("<Field><FldType>%1</FldType><FldOffset>%2</FldOffset>"
                                  "<FldLen>16</FldLen><FldByteOrder>%3</FldByteOrder>"
                                  "<FldName>f%4</FldName><FldValue>0</FldValue></Field>\n")
                       .arg(i % 2 ? QStringLiteral("int") : QStringLiteral("uint"))
                       .arg(i * 16)
                       .arg(i % 4 < 2 ? QStringLiteral("LE") : QStringLiteral("BE"))
                       .arg(i);
    }
    devices += QStringLiteral("</Packet></Device>\n");
    const QString map = QStringLiteral(
        "<Zedorir><ZedorirName>Bench</ZedorirName><CenterAddr>1</CenterAddr>"
        "<System><SysName>S</SysName><Module><ModName>M</ModName>"
        "<Device><DevName>b</DevName><DevAddress>0x30</DevAddress><DevModel>bench_t</DevModel>"
        "</Device></Module></System></Zedorir>\n");
    QFile d(dir.filePath(QStringLiteral("bench.xml")));
    QFile m(dir.filePath(QStringLiteral("map.xml")));
    return d.open(QIODevice::WriteOnly) && d.write(devices.toUtf8()) > 0 &&
           m.open(QIODevice::WriteOnly) && m.write(map.toUtf8()) > 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    qputenv("USER", "bench");

    if (QDir(QStringLiteral("resources/devices")).exists()) {
        OstrelDataModel data;
        data.loadDevXMLs();
        QList<QString> maps;
        TreeModel tree(&data, &maps);
        run(&tree, {QStringLiteral("sample feeders_state (psw16 at 0x7)"), 0x7, 0x480,
                    QByteArray::fromHex("a55aff00")});
    } else {
        std::printf("resources/ not found (run from the source root): sample packet skipped\n");
    }

    QTemporaryDir dir;
    if (!dir.isValid() || !writeHeavyFixture(dir)) {
        std::printf("cannot write the fixture\n");
        return 1;
    }
    OstrelDataModel data;
    QString path = dir.filePath(QStringLiteral("bench.xml"));
    data.fromXMLFile(&path);
    QList<QString> maps{dir.filePath(QStringLiteral("map.xml"))};
    TreeModel tree(&data, &maps);
    QByteArray payload(64, '\0');
    for (int i = 0; i < payload.size(); ++i)
        payload[i] = char(i * 37);
    run(&tree, {QStringLiteral("32 x 16-bit integer fields"), 0x30, 0x700, payload});
    return 0;
}
