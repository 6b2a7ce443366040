#include "treemodel.h"

#include "ostreldatamodel.h"
#include "ostrelmessage.h"
#include "treeitem.h"
#include "xmlreadhelpers.h"

#include <QFile>
#include <QPair>
#include <QSet>
#include <QXmlStreamReader>

namespace
{

enum Level { LevelSatellite, LevelSystem, LevelModule, LevelDevice, LevelCount };

bool isWithin(TreeItem *node, TreeItem *ancestor)
{
    for (TreeItem *n = node; n; n = n->parentItem())
        if (n == ancestor)
            return true;
    return false;
}

void collectSubtree(TreeItem *node, QSet<TreeItem *> *out)
{
    out->insert(node);
    for (TreeItem *c : qAsConst(node->childItems))
        collectSubtree(c, out);
}

} // namespace

TreeModel::TreeModel(OstrelDataModel *dataModel, QList<QString> *mapFiles, QObject *parent)
    : QAbstractItemModel(parent), dataModel(dataModel)
{
    // Lets signalNewCmdPacketEdit travel through queued connections and spies.
    qRegisterMetaType<TreeItem *>("TreeItem*");
    rootItem = new TreeItem(QList<QVariant>()
                                << QStringLiteral("Packets") << QStringLiteral("Description"),
                            nullptr, nullptr);
    setupModelData(mapFiles);
}

TreeModel::~TreeModel()
{
    delete rootItem;
}

void TreeModel::setupModelData(QList<QString> *mapFiles)
{
    if (!mapFiles || mapFiles->isEmpty()) {
        QString path = QStringLiteral("resources/maps/map.xml");
        fromXMLfile(&path, rootItem);
        return;
    }
    for (QString path : qAsConst(*mapFiles))
        fromXMLfile(&path, rootItem);
}

void TreeModel::fromXMLfile(QString *path, TreeItem *parent)
{
    if (!path)
        return;
    if (!parent)
        parent = rootItem;
    QFile file(*path);
    if (!file.exists() || !file.open(QIODevice::ReadOnly))
        return;

    QXmlStreamReader reader(&file);

    // The current node of each level. Nesting is not checked: a new node's
    // parent is the current node one level up, which stays current after
    // its own end tag. A node joins its parent once, at its first end tag;
    // one replaced or left open before that never joins and is freed here
    // together with the current nodes inside it.
    struct Current {
        TreeItem *node = nullptr;
        bool joined = false;
    };
    Current cur[LevelCount];
    QList<QVariant> sysCols, modCols;
    QString satName, satDesc, devName, devDesc, devModel;
    quint32 baseAddress = 0;
    quint32 devAddress = 0;
    // Every device registered by address, in order, so that the map can be
    // rebuilt when a dropped subtree takes registered devices with it.
    QList<QPair<quint32, TreeItem *>> registered;
    for (auto it = deviceByAddress.cbegin(); it != deviceByAddress.cend(); ++it)
        registered.append(qMakePair(it.key(), it.value()));

    auto forget = [&](const QList<TreeItem *> &nodes) {
        QSet<TreeItem *> gone;
        for (TreeItem *node : nodes)
            collectSubtree(node, &gone);
        bool changed = false;
        for (int i = registered.size() - 1; i >= 0; --i) {
            if (gone.contains(registered.at(i).second)) {
                registered.removeAt(i);
                changed = true;
            }
        }
        if (changed) {
            deviceByAddress.clear();
            for (const auto &r : qAsConst(registered))
                deviceByAddress.insert(r.first, r.second);
        }
        // Nodes that never joined are nobody's children, so each is
        // deleted on its own; the joined ones go with their ancestor.
        qDeleteAll(nodes);
    };
    auto release = [&](int level) {
        const Current old = cur[level];
        cur[level] = Current();
        if (!old.node || old.joined)
            return;
        QList<TreeItem *> doomed{old.node};
        for (int l = level + 1; l < LevelCount; ++l) {
            if (cur[l].node && isWithin(cur[l].node, old.node)) {
                if (!cur[l].joined)
                    doomed.append(cur[l].node);
                cur[l] = Current();
            }
        }
        forget(doomed);
    };
    auto startNode = [&](int level, TreeItem *parentNode) {
        release(level);
        if (parentNode)
            cur[level].node = new TreeItem(parentNode);
    };
    // The current node of a level when its end tag may still join it.
    auto closing = [&](int level) -> TreeItem * {
        if (!cur[level].node || cur[level].joined)
            return nullptr;
        cur[level].joined = true;
        return cur[level].node;
    };

    XmlLeafWalk walk(reader);

    while (walk.next()) {
        if (reader.hasError())
            break;
        if (reader.isStartElement()) {
            const QStringRef tag = reader.name();
            if (tag == QLatin1String("Zedorir")) {
                startNode(LevelSatellite, parent);
            } else if (tag == QLatin1String("ZedorirName")) {
                satName += walk.leafText();
            } else if (tag == QLatin1String("ZedorirDesc")) {
                satDesc += walk.leafText();
            } else if (tag == QLatin1String("CenterAddr")) {
                baseAddress = ostrelNumber32FromText(walk.leafText());
            } else if (tag == QLatin1String("System")) {
                startNode(LevelSystem, cur[LevelSatellite].node);
                sysCols.clear();
            } else if (tag == QLatin1String("SysName") || tag == QLatin1String("SysDesc")) {
                sysCols.append(walk.leafText());
            } else if (tag == QLatin1String("Module")) {
                startNode(LevelModule, cur[LevelSystem].node);
                modCols.clear();
            } else if (tag == QLatin1String("ModName") || tag == QLatin1String("ModDesc")) {
                modCols.append(walk.leafText());
            } else if (tag == QLatin1String("Device")) {
                startNode(LevelDevice, cur[LevelModule].node);
            } else if (tag == QLatin1String("DevName")) {
                devName = walk.leafText();
            } else if (tag == QLatin1String("DevDesc")) {
                devDesc = walk.leafText();
            } else if (tag == QLatin1String("DevModel")) {
                devModel = walk.leafText();
            } else if (tag == QLatin1String("DevAddress")) {
                devAddress = ostrelNumber32FromText(walk.leafText());
            }
        } else if (reader.isEndElement()) {
            const QStringRef tag = reader.name();
            if (tag == QLatin1String("Zedorir")) {
                TreeItem *node = closing(LevelSatellite);
                if (!node)
                    continue;
                const QString label =
                    tr("%1 (Base address %2)").arg(satName, QString::number(baseAddress));
                node->setData(QList<QVariant>() << label << satDesc);
                node->parentItem()->appendChild(node);
            } else if (tag == QLatin1String("System") || tag == QLatin1String("Module")) {
                const bool system = tag == QLatin1String("System");
                TreeItem *node = closing(system ? LevelSystem : LevelModule);
                if (!node)
                    continue;
                node->setData(system ? sysCols : modCols);
                node->parentItem()->appendChild(node);
            } else if (tag == QLatin1String("Device")) {
                TreeItem *node = closing(LevelDevice);
                if (!node)
                    continue;
                const QString label =
                    tr("%1 %2 (%3)")
                        .arg(QString::number(devAddress, 16).toUpper(), devName, devModel);
                node->setData(QList<QVariant>() << label << devDesc);
                node->deviceTag.baseAddress = baseAddress;
                node->deviceTag.devAddress = devAddress;
                node->deviceTag.devName = devName;
                node->deviceTag.devDesc = devDesc;
                node->deviceTag.devModel = devModel;
                node->parentItem()->appendChild(node);
                fromOstrelDevice(&devModel, node);
                deviceByAddress.insert(devAddress, node);
                registered.append(qMakePair(devAddress, node));
            }
        }
    }
    for (int level = 0; level < LevelCount; ++level)
        release(level);
}

void TreeModel::fromOstrelDevice(QString *devModel, TreeItem *device)
{
    if (!dataModel || !device)
        return;
    const QString addr = QString::number(device->deviceTag.devAddress, 16).toUpper();
    for (OstrelPacketRecord *p = dataModel->nextPacketDevModel(devModel, true); p;
         p = dataModel->nextPacketDevModel(devModel, false)) {
        const QString pattern =
            p->type == OstrelPacketRecord::Command ? tr("%1-%2 %3") : tr("~%1-%2 %3");
        const QString label = pattern.arg(addr, QString::number(p->id, 16).toUpper(), p->name);
        auto *node = new TreeItem(QList<QVariant>() << label << p->desc, p, device);
        node->deviceTag = device->deviceTag;
        device->appendChild(node);
    }
}

TreeItem *TreeModel::findDevMsg(unsigned int devAddr, unsigned int msgId)
{
    TreeItem *device = deviceByAddress.value(devAddr, nullptr);
    if (!device)
        return nullptr;
    for (TreeItem *c : qAsConst(device->childItems))
        if (c->packet && c->packet->id == msgId)
            return c;
    return nullptr;
}

void TreeModel::updateValidRxAddressList(TreeItem *node, const QModelIndex &index,
                                         const QVariant &value)
{
    Q_UNUSED(index)
    emit layoutAboutToBeChanged();
    node->setValidRxAddress(Qt::CheckState(value.toInt()));
    emit layoutChanged();
}

void TreeModel::slotNewCmdPacketEdit(QModelIndex index)
{
    if (!index.isValid() || index.model() != this)
        return;
    auto *node = static_cast<TreeItem *>(index.internalPointer());
    if (node && node->packet)
        emit signalNewCmdPacketEdit(node);
}

void TreeModel::slotNewCmdPacketEditFromSel(QItemSelection sel, QItemSelection desel)
{
    Q_UNUSED(desel)
    const QModelIndexList indexes = sel.indexes();
    if (!indexes.isEmpty())
        slotNewCmdPacketEdit(indexes.first());
}

QModelIndex TreeModel::index(int row, int column, const QModelIndex &parent) const
{
    if (!hasIndex(row, column, parent))
        return QModelIndex();
    TreeItem *node =
        parent.isValid() ? static_cast<TreeItem *>(parent.internalPointer()) : rootItem;
    TreeItem *child = node->child(row);
    if (!child)
        return QModelIndex();
    return createIndex(row, column, child);
}

QModelIndex TreeModel::parent(const QModelIndex &index) const
{
    if (!index.isValid())
        return QModelIndex();
    auto *node = static_cast<TreeItem *>(index.internalPointer());
    TreeItem *parentNode = node->parentItem();
    if (!parentNode || parentNode == rootItem)
        return QModelIndex();
    return createIndex(parentNode->row(), 0, parentNode);
}

int TreeModel::rowCount(const QModelIndex &parent) const
{
    if (parent.column() > 0)
        return 0;
    TreeItem *node =
        parent.isValid() ? static_cast<TreeItem *>(parent.internalPointer()) : rootItem;
    return node->childCount();
}

int TreeModel::columnCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return static_cast<TreeItem *>(parent.internalPointer())->columnCount();
    return rootItem->columnCount();
}

QVariant TreeModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    auto *node = static_cast<TreeItem *>(index.internalPointer());
    if (index.column() == 0 && role == Qt::CheckStateRole)
        return node->checkState;
    if (role == Qt::DisplayRole)
        return node->data(index.column());
    if (role == Qt::ToolTipRole)
        return node->data(1);
    return QVariant();
}

bool TreeModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.column() != 0 || role != Qt::CheckStateRole)
        return false;
    updateValidRxAddressList(static_cast<TreeItem *>(index.internalPointer()), index, value);
    return true;
}

QVariant TreeModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return rootItem->data(section);
    return QVariant();
}

Qt::ItemFlags TreeModel::flags(const QModelIndex &index) const
{
    // The invalid index stands for the root, which is not an item of its
    // own: views and proxies expect no flags there.
    if (!index.isValid())
        return Qt::NoItemFlags;
    if (index.column() == 0)
        return Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemIsEnabled;
    return Qt::NoItemFlags;
}
