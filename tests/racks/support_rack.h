#ifndef SUPPORT_RACK_H
#define SUPPORT_RACK_H

#include "ostreldatamodel.h"
#include "ostreltablerecord.h"
#include "treeitem.h"
#include "treemodel.h"

#include <QAction>
#include <QMenu>
#include <QStringList>

#include <functional>
#include <memory>

// The sample device descriptions and satellite map from resources/.
struct RackSamples {
    RackSamples();
    OstrelDataModel dataModel;
    std::unique_ptr<TreeModel> treeModel;
    TreeItem *node(uint devAddr, uint msgId) const { return treeModel->findDevMsg(devAddr, msgId); }
};

// A telemetry record from device 7 of the sample map (the power switch),
// decoded by the record code, stamped `ms` milliseconds since the epoch.
std::unique_ptr<OstrelTableRecord> pswRecord(TreeModel *tree, quint16 msgId, const QByteArray &data,
                                             qint64 ms);

QStringList actionTexts(const QMenu *menu);
QAction *actionNamed(const QMenu *menu, const QString &text);

// Runs `answer` on the next modal dialog once the caller blocks in it.
void onNextModal(const std::function<void(QWidget *)> &answer);

#endif // SUPPORT_RACK_H
