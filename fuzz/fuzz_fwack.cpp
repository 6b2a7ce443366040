// The firmware transfer engine fed with whatever the radio brings: every
// input is a run of events, each decoded against the sample descriptions as
// the history model would before the engine sees it. The engine must never
// hold more records than its transfer queued, never send outside a transfer
// and never lose track of a copy it handed out.
//
// Input: events of 6 bytes: byte 0 the event (acknowledgement with a length
// taken from byte 5, another message, a timer tick, pause, resume, abort),
// bytes 1-4 a little-endian address. An idle engine starts a four-block
// transfer first, at the address of the event that finds it idle.
#include "fwtransferengine.h"
#include "ostreldatamodel.h"
#include "ostreltablerecord.h"
#include "treeitem.h"
#include "treemodel.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace
{

struct Bench {
    OstrelDataModel *data = nullptr;
    TreeModel *tree = nullptr;
    QTemporaryDir *dir = nullptr;
    QString image;
    FwTransferEngine *engine = nullptr;
    int copiesOut = 0;
};

Bench &bench()
{
    static Bench b = [] {
        Bench r;
        static int argc = 1;
        static char name[] = "fuzz_fwack";
        static char *argv[] = {name, nullptr};
        static QCoreApplication app(argc, argv);
        r.data = new OstrelDataModel;
        r.data->loadDevXMLs();
        static QList<QString> defaultMap;
        r.tree = new TreeModel(r.data, &defaultMap);
        r.dir = new QTemporaryDir;
        r.image = r.dir->filePath(QStringLiteral("image.bin"));
        QFile f(r.image);
        if (f.open(QIODevice::WriteOnly))
            f.write(QByteArray(4 * 64, '\x5a'));
        return r;
    }();
    return b;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool quiet = [] {
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
        return true;
    }();
    (void)quiet;
    Bench &b = bench();
    TreeItem *device = b.tree->deviceByAddress.value(0x10, nullptr);
    if (!device)
        return 0;
    int sent = 0;
    FwTransferEngine engine(FwTransferEngine::Hooks{[&sent](OstrelTableRecord *copy) {
                                                        ++sent;
                                                        delete copy;
                                                    },
                                                    [](int) {}, []() {}, [](const QString &) {},
                                                    []() {}});
    engine.treeModel = b.tree;
    engine.device = device;
    engine.addrField = 1;

    for (size_t at = 0; at + 6 <= size; at += 6) {
        const uint8_t *e = data + at;
        const quint32 address =
            quint32(e[1]) | quint32(e[2]) << 8 | quint32(e[3]) << 16 | quint32(e[4]) << 24;
        if (!engine.busy()) {
            const int before = sent;
            if (engine.transmitDirect(b.image, qint32(address & 0x7FFFFFFF), 10) &&
                (engine.pendingRecords.size() != 4 || sent != before + 1))
                abort();
        }
        const int pending = engine.pendingRecords.size();
        const int before = sent;
        switch (e[0] % 8) {
        case 0:
        case 1:
        case 2: { // an acknowledgement as decoded from its message
            OstrelTableRecord rec;
            QByteArray bytes(reinterpret_cast<const char *>(e + 1), 4);
            bytes.append(char(e[5]));
            rec.message = {0xAA03, 0x10, 0x1, uint16_t(e[5] % 8), nullptr};
            rec.data = bytes.left(e[5] % 8);
            rec.direction = OstrelTableRecord::In;
            rec.fillFromOstrelMsg(b.tree);
            engine.acknowledge(&rec);
            break;
        }
        case 3: {
            OstrelTableRecord rec;
            rec.message = {uint16_t(e[5] << 8 | e[1]), 0x10, 0x1, 0, nullptr};
            rec.fillFromOstrelMsg(b.tree);
            engine.acknowledge(&rec);
            break;
        }
        case 4:
            engine.timeout();
            break;
        case 5:
            engine.pause();
            break;
        case 6:
            engine.resume();
            break;
        default:
            engine.abort();
            break;
        }
        // One event sends at most one record and drops at most one.
        if (sent > before + 1 || engine.pendingRecords.size() > pending ||
            engine.pendingRecords.size() < pending - 1 - (e[0] % 8 == 7 ? 3 : 0))
            abort();
    }
    return 0;
}
