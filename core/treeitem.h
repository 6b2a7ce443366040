#ifndef TREEITEM_H
#define TREEITEM_H

#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>

class OstrelPacketRecord;

// The device a map node belongs to; zero and empty above device level.
// Message records take their source and destination addresses from it.
struct device_map_tag {
    quint32 baseAddress = 0; // the satellite's CenterAddr
    quint32 devAddress = 0;  // the device's DevAddress
    QString devName;
    QString devDesc;
    QString devModel;
};

// One node of the satellite map: satellite, system, module, device or packet.
// A node owns its children and deletes them with itself; it never owns its
// packet record (the description model does).
class TreeItem : public QObject
{
    Q_OBJECT
public:
    explicit TreeItem(TreeItem *parent = nullptr);
    TreeItem(QList<QVariant> data, OstrelPacketRecord *packet, TreeItem *parent = nullptr);
    ~TreeItem() override;

    TreeItem *child(int row);
    int childCount() const;
    int columnCount() const;
    QVariant data(int column) const;
    TreeItem *parentItem();
    int row() const;
    void setData(QList<QVariant> data);
    void appendChild(TreeItem *item);
    int isValidRxAddress() const;
    // Sets the state on this node and, depth first, on every descendant.
    void setValidRxAddress(Qt::CheckState state);

    OstrelPacketRecord *packet = nullptr; // set on packet nodes only
    device_map_tag deviceTag;
    QList<QVariant> itemData;     // column 0 the label, column 1 the description
    QList<TreeItem *> childItems; // display order, owned

private:
    // The parent node (null for the root); read through parentItem().
    TreeItem *m_parentItem = nullptr;

public:
    int checkState = Qt::Checked;
};

#endif // TREEITEM_H
