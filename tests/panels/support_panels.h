#ifndef SUPPORT_PANELS_H
#define SUPPORT_PANELS_H

#include "ostreldatamodel.h"
#include "ostreltablemodel.h"
#include "ostreltablerecord.h"
#include "treemodel.h"

#include <QFont>
#include <QObject>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <memory>
#include <vector>

class QWidget;

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

// A record's message as "0x380 1->7 [4] 01000000": id, source, destination,
// length and the bytes its data pointer holds.
QString messageOf(const OstrelTableRecord &record);

// Hands a message received from `src` (to the ground, 0x1) to the history
// model, which decodes it and announces it on signalIncomingMsg.
void receive(OstrelTableModel *history, quint16 msgId, quint16 src, const QByteArray &data);

// A record of a packet with the given id and name holding exactly the given
// field values (keyed by field number), as a shorter description leaves it.
struct HandMadeRecord {
    HandMadeRecord(quint32 id, const QString &name, const QVariantMap &values);
    OstrelPacketRecord packet;
    OstrelTableRecord record;
};

// What the form sets of a widget, as one text: a box's title, a button's or
// label's text (", wrapped" with word wrap), a spin box's range "0..2000", an
// edit's text (", read-only" when it is).
QString describe(QWidget *widget);

// Value edits show their own names, so that a change reads "name=text".
void markEdits(QWidget *panel);
QStringList changedEdits(QWidget *panel);

// Checks one form object: the only one of its name, its class, parent,
// rectangle (unless null) and describe() text.
void checkFormObject(QWidget *panel, const QString &name, const QString &className,
                     const QString &parentName, const QRect &rect, const QString &text);
// The number of the form's own widgets (not Qt's inner ones) of each class
// that `expected` counts.
QMap<QString, int> formObjectCounts(QWidget *panel, const QMap<QString, int> &expected);

// The font the forms were laid out for, that of a plain desktop (Sans Serif,
// 9 points), while it lives; the offscreen platform's own is 12 points.
class DesktopFont
{
public:
    DesktopFont();
    ~DesktopFont();

private:
    QFont platformFont;
};

#endif // SUPPORT_PANELS_H
