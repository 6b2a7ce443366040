#ifndef DVNFIELDVIEW_H
#define DVNFIELDVIEW_H

#include <QLineEdit>
#include <QString>
#include <QVariant>

class InstrumentRackSwatch;
class OstrelFieldRecord;
class OstrelTableRecord;
class QLabel;
class TreeItem;

// A rack's field watch: a read-only line that shows the latest value of one
// field of one telemetry message of one device. The rack feeds it every
// record it accepts and the watch picks out its own.
//
// It keeps no record; the message item and the field description belong to
// the satellite map and the description model, which outlive every rack.
// Its caption label is placed and deleted by the rack together with it.
class DvnFieldView : public QLineEdit
{
    Q_OBJECT
public:
    // `rack` is the owning instrument rack, the watch's parent.
    DvnFieldView(TreeItem *item, unsigned int fieldId, InstrumentRackSwatch *rack);
    ~DvnFieldView() override;

    void init(TreeItem *item, unsigned int fieldId);

    // The watch's text for a value of `field`, as slotNewData shows it.
    static QString formatValue(OstrelFieldRecord *field, const QVariant &value);

    // Shows the newest value taken since the last call, if it differs from
    // what the watch shows. The rack calls it on its replot tick.
    void showPending();

    QLabel *label = nullptr;
    TreeItem *item = nullptr;
    OstrelFieldRecord *field = nullptr;
    unsigned int fieldId = 0;

public slots:
    void slotNewData(OstrelTableRecord *rec);

private:
    // Records may come by the thousand per second; the watch keeps only the
    // newest one's value and shows it on the rack's tick.
    QVariant pendingValue;
    bool hasPending = false;
};

#endif // DVNFIELDVIEW_H
