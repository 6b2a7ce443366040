#ifndef SUPPORT_TOOLS_H
#define SUPPORT_TOOLS_H

#include "ostreldatamodel.h"
#include "ostreltablemodel.h"
#include "treeitem.h"
#include "treemodel.h"

#include <memory>

class QWidget;

// The sample device descriptions and satellite map from resources/.
struct SampleModels {
    SampleModels();
    OstrelDataModel dataModel;
    std::unique_ptr<TreeModel> treeModel;
    TreeItem *node(uint devAddr, uint msgId) const { return treeModel->findDevMsg(devAddr, msgId); }
};

struct FieldDef {
    OstrelFieldRecord::FieldType type;
    const char *name;
    int bitLen;
    bool editable;
    const char *defaultText;
};

// A packet the sample set does not hold, under device 0x2A of base 0x1.
struct HandMadePacket {
    HandMadePacket(quint32 id, int dataLen, const QList<FieldDef> &fields);
    OstrelDataModel dataModel;
    TreeItem root;
    TreeItem *node = nullptr;
};

// The message as it travels on the AX.25 payload: msg_id, src, dst and
// length as little-endian 16-bit values, then the data.
QByteArray payloadOf(const ostrel_message &msg);

// A received power switch telemetry message (0x480 from 7 to 1).
void receive(OstrelTableModel *model, quint8 first = 0x0F);

// A key held through three repeats as X11 gives them to an idle client (a
// release and a press at one time, none flagged), then struck again half a
// second after its release: two presses by hand. Each event goes to w, or to
// the widget that has the focus at that moment when w is null.
void holdThenTap(QWidget *w, int key);

#endif // SUPPORT_TOOLS_H
