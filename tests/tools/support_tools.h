#ifndef SUPPORT_TOOLS_H
#define SUPPORT_TOOLS_H

#include "ostreldatamodel.h"
#include "treeitem.h"
#include "treemodel.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QtMessageHandler>

#include <memory>

// The sample device descriptions and satellite map from resources/.
struct SampleModels {
    SampleModels();
    ~SampleModels();
    OstrelDataModel dataModel;
    std::unique_ptr<TreeModel> treeModel;

    // The packet node with this device address and message id.
    TreeItem *packetNode(unsigned int devAddr, unsigned int msgId) const;
};

// One field of a hand-made packet.
struct FieldSpec {
    OstrelFieldRecord::FieldType type;
    const char *name;
    int bitLen;
    bool editable;
    const char *defaultText;
};

// A packet of our own making under a device node (base 0x1, device 0x2A),
// for cases the sample set does not hold. The description model owns the
// packet and its fields, the root node the device and packet nodes.
struct HandMadePacket {
    HandMadePacket(quint32 type, quint32 id, int dataLen, const QList<FieldSpec> &fields);
    OstrelDataModel dataModel;
    TreeItem root;
    TreeItem *device = nullptr;
    TreeItem *node = nullptr;
    OstrelPacketRecord *packet = nullptr;
};

// Collects every message that reaches the Qt message handler while it lives,
// as "critical: text", "warning: text" or "debug: text".
class MessageCatcher
{
public:
    MessageCatcher();
    ~MessageCatcher();
    QStringList lines;
    bool contains(const QString &part) const;

private:
    QtMessageHandler previous;
};

#endif // SUPPORT_TOOLS_H
