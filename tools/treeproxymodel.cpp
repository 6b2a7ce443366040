#include "treeproxymodel.h"

#include "ostreldatamodel.h"
#include "treeitem.h"
#include "treemodel.h"

#include <algorithm>

TreeProxyModel::TreeProxyModel() : QSortFilterProxyModel(nullptr) {}

TreeProxyModel::~TreeProxyModel() = default;

bool TreeProxyModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (filterRegExp().pattern().isEmpty())
        return true;
    QAbstractItemModel *src = sourceModel();
    if (!src)
        return false;
    return filterCheckChild(src->index(sourceRow, filterKeyColumn(), sourceParent));
}

bool TreeProxyModel::filterCheckChild(const QModelIndex &sourceIndex) const
{
    if (!sourceIndex.isValid())
        return false;
    QAbstractItemModel *src = sourceModel();
    const int rows = src->rowCount(sourceIndex);
    if (rows > 0) {
        for (int row = 0; row < rows; ++row) {
            if (filterCheckChild(src->index(row, filterKeyColumn(), sourceIndex)))
                return true;
        }
        return false;
    }
    const QString label = src->data(sourceIndex, Qt::DisplayRole).toString();
    // An expression that does not compile matches nothing.
    const QRegExp rx = filterRegExp();
    return rx.isValid() && rx.indexIn(label) >= 0;
}

static TreeItem *nodeOf(const QModelIndex &sourceIndex)
{
    return sourceIndex.isValid() ? static_cast<TreeItem *>(sourceIndex.internalPointer()) : nullptr;
}

void TreeProxyModel::slotNewCmdPacketEditFromSel(const QItemSelection &sel,
                                                 const QItemSelection &desel)
{
    Q_UNUSED(desel);
    QModelIndexList indexes = sel.indexes();
    if (indexes.isEmpty() || !treeModel)
        return;
    // A selection lists its ranges in the order they were made, not in row
    // order; "the first" is the topmost.
    std::sort(indexes.begin(), indexes.end());
    const QModelIndex first = indexes.first();
    if (!first.isValid())
        return;
    TreeItem *node = nodeOf(mapToSource(first));
    // Device, module, system and satellite rows carry no packet; a packet of
    // a device without a bus address cannot be commanded.
    if (node && node->packet && node->deviceTag.devAddress != 0)
        emit treeModel->signalNewCmdPacketEdit(node);
}

void TreeProxyModel::slotNewCmdPacketEditFromIndex(QModelIndex index)
{
    if (!index.isValid() || !treeModel)
        return;
    TreeItem *node = nodeOf(mapToSource(index));
    if (node && node->packet)
        emit treeModel->signalNewCmdPacketEdit(node);
}
