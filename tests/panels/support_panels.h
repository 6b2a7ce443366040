#ifndef SUPPORT_PANELS_H
#define SUPPORT_PANELS_H

#include "ostreldatamodel.h"
#include "ostreltablemodel.h"
#include "ostreltablerecord.h"
#include "treemodel.h"

#include <QMap>
#include <QObject>
#include <QString>
#include <QVariant>

#include <memory>
#include <vector>

// The sample device descriptions and satellite map from resources/.
struct SampleModels {
    SampleModels();
    OstrelDataModel dataModel;
    std::unique_ptr<TreeModel> treeModel;
};

// Takes over every record a panel emits on recordReady.
class CommandCatcher
{
public:
    template <class Panel> explicit CommandCatcher(Panel *panel)
    {
        QObject::connect(panel, &Panel::recordReady, &context,
                         [this](OstrelTableRecord *record) { records.emplace_back(record); });
    }
    std::vector<std::unique_ptr<OstrelTableRecord>> records;

private:
    QObject context;
};

class QWidget;

// What the form sets of a widget, as one text: a box's title, a button's or
// label's text (", wrapped" with word wrap), a spin box's range "0..2000", an
// edit's text (", read-only" when it is).
QString describe(QWidget *widget);

// A record's message as "0x380 1->7 [4] 01000000": id, source, destination,
// length and the bytes its data pointer holds.
QString messageOf(const OstrelTableRecord &record);

// Hands a message received from `src` (to the ground, 0x1) to the history
// model, which decodes it and announces it on signalIncomingMsg.
void receive(OstrelTableModel *history, quint16 msgId, quint16 src, const QByteArray &data);

// A record of a packet with the given id and name holding exactly the given
// field values, as a description with other fields would leave it.
struct HandMadeRecord {
    HandMadeRecord(quint32 id, const QString &name, const QMap<unsigned int, QVariant> &values);
    OstrelPacketRecord packet;
    OstrelTableRecord record;
};

#endif // SUPPORT_PANELS_H
