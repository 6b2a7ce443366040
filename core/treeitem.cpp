#include "treeitem.h"

TreeItem::TreeItem(TreeItem *parent) : m_parentItem(parent) {}

TreeItem::TreeItem(QList<QVariant> data, OstrelPacketRecord *packet, TreeItem *parent)
    : packet(packet), itemData(std::move(data)), m_parentItem(parent)
{
}

TreeItem::~TreeItem()
{
    qDeleteAll(childItems);
}

TreeItem *TreeItem::child(int row)
{
    if (row < 0 || row >= childItems.size())
        return nullptr;
    return childItems.at(row);
}

int TreeItem::childCount() const
{
    return childItems.size();
}

int TreeItem::columnCount() const
{
    // Views show the label only; the description reaches them as tooltip.
    return 1;
}

QVariant TreeItem::data(int column) const
{
    if (column < 0 || column >= itemData.size())
        return QVariant();
    return itemData.at(column);
}

TreeItem *TreeItem::parentItem()
{
    return m_parentItem;
}

int TreeItem::row() const
{
    if (!m_parentItem)
        return 0;
    const int r = m_parentItem->childItems.indexOf(const_cast<TreeItem *>(this));
    return r < 0 ? 0 : r;
}

void TreeItem::setData(QList<QVariant> data)
{
    itemData = std::move(data);
}

void TreeItem::appendChild(TreeItem *item)
{
    childItems.append(item);
}

int TreeItem::isValidRxAddress() const
{
    return checkState;
}

void TreeItem::setValidRxAddress(Qt::CheckState state)
{
    checkState = state;
    for (TreeItem *c : qAsConst(childItems))
        c->setValidRxAddress(state);
}
