#include "support_panels.h"

#include "ostrelfwmanager.h"
#include "treeproxymodel.h"

#include <QtTest>
#include <QtWidgets>

SampleModels::SampleModels()
{
    dataModel.loadDevXMLs();
    QList<QString> noMapFiles;
    treeModel.reset(new TreeModel(&dataModel, &noMapFiles));
}

TreeItem *SampleModels::device(quint32 address) const
{
    return treeModel->deviceByAddress.value(address, nullptr);
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
    QFile file(dir.filePath(name));
    if (file.open(QIODevice::WriteOnly))
        file.write(pattern(size));
    return file.fileName();
}

quint32 le32(const QByteArray &bytes, int at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

QString leHex(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return QString::fromLatin1(bytes.toHex());
}

namespace
{
QModelIndex indexOf(TreeModel *tree, TreeItem *item)
{
    if (!item->parentItem())
        return QModelIndex();
    return tree->index(item->row(), 0, indexOf(tree, item->parentItem()));
}
} // namespace

bool pickDevice(OstrelFWManager *manager, TreeItem *node)
{
    const QModelIndex shown = manager->proxyModel->mapFromSource(indexOf(manager->treeModel, node));
    if (!shown.isValid())
        return false;
    manager->deviceView->setCurrentIndex(shown);
    manager->slotDeviceSelected(0);
    return true;
}

QString messageOf(const OstrelTableRecord &record)
{
    const ostrel_message &m = record.message;
    const QByteArray bytes =
        m.data ? QByteArray(reinterpret_cast<const char *>(m.data), m.length) : QByteArray();
    return QString::asprintf("0x%x %x->%x [%d] ", m.msg_id, m.src, m.dst, m.length) +
           QString::fromLatin1(bytes.toHex());
}
