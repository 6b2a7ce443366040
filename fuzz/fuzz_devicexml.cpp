// Any bytes as a device description file: the reader must neither crash,
// hang nor leak, and what it stores must be walkable.
#include "ostreldatamodel.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QSet>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

static QString g_path;

static void removeScratch()
{
    QFile::remove(g_path);
}

static void quiet(QtMsgType, const QMessageLogContext &, const QString &) {}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qInstallMessageHandler(quiet);
    // The reader's file-level messages go to standard output.
    if (!freopen("/dev/null", "w", stdout))
        return 0;
    g_path = QDir::tempPath() + QStringLiteral("/fuzz_devicexml_%1.xml").arg(getpid());
    atexit(removeScratch);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FILE *f = fopen(g_path.toLocal8Bit().constData(), "wb");
    if (!f)
        return 0;
    if (size)
        fwrite(data, 1, size, f);
    fclose(f);

    OstrelDataModel model;
    QString path = g_path;
    model.fromXMLFile(&path);
    // Every record belongs to one owner, once, under a dense number.
    QSet<const void *> seen;
    quint32 packetNum = 0;
    for (OstrelPacketRecord *p = model.nextPacket(true); p; p = model.nextPacket(false)) {
        if (p->packetNum != ++packetNum || seen.contains(p))
            abort();
        seen.insert(p);
        quint32 fieldNum = 0;
        for (OstrelFieldRecord *fld = p->nextField(true); fld; fld = p->nextField(false)) {
            if (fld->fieldNum != ++fieldNum || seen.contains(fld))
                abort();
            seen.insert(fld);
            quint32 limitNum = 0;
            for (OstrelLimitRecord *lim : qAsConst(fld->limits)) {
                if (lim->limitNum != ++limitNum || seen.contains(lim))
                    abort();
                seen.insert(lim);
            }
            fld->valToStr(fld->defaultValue);
            fld->type2str();
        }
    }
    for (auto it = model.memoryDescs.cbegin(); it != model.memoryDescs.cend(); ++it)
        model.nextMemoryDevModel(it.key(), true);
    for (auto it = model.memAccessDescs.cbegin(); it != model.memAccessDescs.cend(); ++it)
        model.nextMemAccessDevModel(it.key(), true);
    model.toString();
    return 0;
}
