// Any bytes as a satellite map file: building the tree must neither crash,
// hang nor leak, and the result must be a consistent item model.
#include "ostreldatamodel.h"
#include "treeitem.h"
#include "treemodel.h"

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
static OstrelDataModel *g_descs = nullptr;

static void removeScratch()
{
    QFile::remove(g_path);
}

static void quiet(QtMsgType, const QMessageLogContext &, const QString &) {}

static const char kDescs[] =
    "<Device><DevModel>psu</DevModel>"
    "<Packet><PacType>command</PacType><PacId>0x10</PacId><PacName>set</PacName></Packet>"
    "<Packet><PacType>datain</PacType><PacId>0x11</PacId><PacName>get</PacName></Packet>"
    "</Device>";

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qInstallMessageHandler(quiet);
    if (!freopen("/dev/null", "w", stdout))
        return 0;
    g_path = QDir::tempPath() + QStringLiteral("/fuzz_mapxml_%1.xml").arg(getpid());
    QString descPath = QDir::tempPath() + QStringLiteral("/fuzz_mapxml_desc_%1.xml").arg(getpid());
    QFile d(descPath);
    if (d.open(QIODevice::WriteOnly)) {
        d.write(kDescs);
        d.close();
    }
    atexit(removeScratch);
    g_descs = new OstrelDataModel();
    g_descs->fromXMLFile(&descPath);
    QFile::remove(descPath);
    return 0;
}

static void walk(TreeModel &m, const QModelIndex &parent, int depth, QSet<void *> *seen)
{
    if (depth > 64)
        return;
    const int rows = m.rowCount(parent);
    for (int r = 0; r < rows; ++r) {
        const QModelIndex i = m.index(r, 0, parent);
        if (!i.isValid() || m.parent(i) != parent)
            __builtin_trap();
        // No node may sit in the tree twice.
        if (seen->contains(i.internalPointer()))
            __builtin_trap();
        seen->insert(i.internalPointer());
        m.data(i, Qt::DisplayRole);
        m.data(i, Qt::ToolTipRole);
        m.flags(i);
        walk(m, i, depth + 1, seen);
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FILE *f = fopen(g_path.toLocal8Bit().constData(), "wb");
    if (!f)
        return 0;
    if (size)
        fwrite(data, 1, size, f);
    fclose(f);

    QList<QString> files = {g_path};
    TreeModel model(g_descs, &files, nullptr);
    QSet<void *> seen;
    walk(model, QModelIndex(), 0, &seen);
    for (auto it = model.deviceByAddress.cbegin(); it != model.deviceByAddress.cend(); ++it) {
        TreeItem *dev = it.value();
        // A registered device must be part of the tree.
        TreeItem *n = dev;
        while (n->parentItem())
            n = n->parentItem();
        if (n != model.rootItem || !dev->parentItem()->childItems.contains(dev))
            __builtin_trap();
        model.findDevMsg(it.key(), 0x10);
    }
    if (model.rowCount() > 0)
        model.setData(model.index(0, 0), Qt::Unchecked, Qt::CheckStateRole);
    return 0;
}
