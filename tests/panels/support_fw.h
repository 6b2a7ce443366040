#ifndef SUPPORT_FW_H
#define SUPPORT_FW_H

#include "ostreldatamodel.h"
#include "ostreltablerecord.h"
#include "treeitem.h"
#include "treemodel.h"

#include <QByteArray>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

// The sample descriptions and satellite map from resources/. OBC-A (0x10,
// base 0x1) has the boot-loader commands; PSW (0x7) has none of them.
struct FwSample {
    FwSample();
    OstrelDataModel dataModel;
    std::unique_ptr<TreeModel> treeModel;
    // The map's device node with this address.
    TreeItem *device(quint32 devAddress) const;
};

class OstrelFWManager;

// Picks a map node in the manager's device popup as the operator would;
// false when the popup does not show it.
bool pickDevice(OstrelFWManager *manager, TreeItem *node);

// An acknowledgement 0xAA03 from OBC-A as the history model would decode it.
std::unique_ptr<OstrelTableRecord> ackRecord(TreeModel *tree, quint32 address,
                                             quint16 msgId = 0xAA03);

// Collects what reaches the message handler while it lives.
struct FwMessageLog {
    static inline QStringList texts;
    QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext &, const QString &text) { texts << text; });
    FwMessageLog() { texts.clear(); }
    ~FwMessageLog() { qInstallMessageHandler(previous); }
    bool has(const QString &part) const { return !texts.filter(part).isEmpty(); }
};

// A file of `size` bytes, each byte (i * 7 + 3) & 0xFF, in `dir`.
QString patternFile(const QTemporaryDir &dir, const QString &name, int size);
QByteArray pattern(int size);

// Reads a little-endian 32-bit value.
quint32 le32(const QByteArray &bytes, int at);

#endif // SUPPORT_FW_H
