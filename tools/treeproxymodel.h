#ifndef TREEPROXYMODEL_H
#define TREEPROXYMODEL_H

#include <QItemSelection>
#include <QModelIndex>
#include <QSortFilterProxyModel>

class TreeModel;

// The filter between the satellite map tree and its views. A row stays
// visible exactly when some leaf below it (or the row itself, when it is a
// leaf) matches the filter expression in its label; inner labels are never
// tested. Picking a packet through the proxy raises the tree model's own
// signalNewCmdPacketEdit, so listeners only ever know the tree model.
class TreeProxyModel : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    TreeProxyModel();
    ~TreeProxyModel() override;

    TreeModel *treeModel = nullptr; // the source model; not owned

public slots:
    void slotNewCmdPacketEditFromSel(const QItemSelection &sel, const QItemSelection &desel);
    void slotNewCmdPacketEditFromIndex(QModelIndex index);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    bool filterCheckChild(const QModelIndex &sourceIndex) const;
};

#endif // TREEPROXYMODEL_H
