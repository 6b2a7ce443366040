#include "support_fw.h"

#include "ostrelfwmanager.h"
#include "treeproxymodel.h"

#include <QFile>
#include <QTreeView>
#include <functional>

FwSample::FwSample()
{
    dataModel.loadDevXMLs();
    QList<QString> defaultMap;
    treeModel.reset(new TreeModel(&dataModel, &defaultMap));
}

TreeItem *FwSample::device(quint32 devAddress) const
{
    return treeModel->deviceByAddress.value(devAddress, nullptr);
}

std::unique_ptr<OstrelTableRecord> ackRecord(TreeModel *tree, quint32 address, quint16 msgId)
{
    auto rec = std::make_unique<OstrelTableRecord>();
    QByteArray bytes;
    for (int i = 0; i < 4; ++i)
        bytes.append(char(address >> (8 * i)));
    bytes.append('\0');
    rec->message = {msgId, 0x10, 0x1, uint16_t(bytes.size()), nullptr};
    rec->data = bytes;
    rec->direction = OstrelTableRecord::In;
    rec->fillFromOstrelMsg(tree);
    return rec;
}

QByteArray pattern(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + 3) & 0xFF);
    return bytes;
}

QString patternFile(const QTemporaryDir &dir, const QString &name, int size)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(pattern(size));
    return path;
}

quint32 le32(const QByteArray &bytes, int at)
{
    quint32 v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | quint8(bytes.at(at + i));
    return v;
}

bool pickDevice(OstrelFWManager *manager, TreeItem *node)
{
    TreeProxyModel *proxy = manager->proxyModel;
    QModelIndex found;
    std::function<void(const QModelIndex &)> walk = [&](const QModelIndex &parent) {
        for (int r = 0; r < proxy->rowCount(parent); ++r) {
            const QModelIndex i = proxy->index(r, 0, parent);
            if (proxy->mapToSource(i).internalPointer() == node)
                found = i;
            walk(i);
        }
    };
    walk(QModelIndex());
    if (!found.isValid())
        return false;
    manager->deviceView->setCurrentIndex(found);
    manager->slotDeviceSelected(0);
    return true;
}
