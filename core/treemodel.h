#ifndef TREEMODEL_H
#define TREEMODEL_H

#include <QAbstractItemModel>
#include <QItemSelection>
#include <QList>
#include <QMap>
#include <QModelIndex>
#include <QString>
#include <QVariant>

class OstrelDataModel;
class TreeItem;

// The satellite map as an item model: satellites, systems, modules, devices
// and under each device one node per packet of its device model. Built once
// from the map files; afterwards only check states and rejectUnknown change.
// Owns its nodes; the description model behind the packet nodes must outlive it.
class TreeModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    TreeModel(OstrelDataModel *dataModel, QList<QString> *mapFiles, QObject *parent = nullptr);
    ~TreeModel() override;

    void setupModelData(QList<QString> *mapFiles);
    void fromXMLfile(QString *path, TreeItem *parent);
    void fromOstrelDevice(QString *devModel, TreeItem *device);
    // The packet node of the device last read at devAddr whose packet id is
    // msgId (first in row order); null when there is none.
    TreeItem *findDevMsg(unsigned int devAddr, unsigned int msgId);
    void updateValidRxAddressList(TreeItem *node, const QModelIndex &index, const QVariant &value);

    bool rejectUnknown = false; // drop replayed messages without a description
    OstrelDataModel *dataModel = nullptr;
    TreeItem *rootItem = nullptr;
    QMap<quint32, TreeItem *> deviceByAddress;

signals:
    void signalNewCmdPacketEdit(TreeItem *item);

public slots:
    void slotNewCmdPacketEdit(QModelIndex index);
    void slotNewCmdPacketEditFromSel(QItemSelection sel, QItemSelection desel);

public:
    QModelIndex index(int row, int column,
                      const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &index) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
};

#endif // TREEMODEL_H
