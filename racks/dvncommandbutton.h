#ifndef DVNCOMMANDBUTTON_H
#define DVNCOMMANDBUTTON_H

#include "racksettings.h"

#include <QList>
#include <QPushButton>

class InstrumentRackSwatch;
class OstrelTableModel;
class OstrelTableRecord;
class QLabel;
class QTimer;

// A rack's command button: it holds its own copies of one or more command
// records and, when pressed, hands a fresh copy of each to the history model,
// one per tick of a 1 ms timer, staying disabled until the last has gone.
//
// Ownership: `commands` belong to the button and go with it; the records
// given to setCommandQueue stay with the caller; every copy handed to the
// history model's slotInsertFromQue is that model's. The history model is
// the rack's and is never owned.
class DvnCommandButton : public QPushButton
{
    Q_OBJECT
public:
    // `rack` is the owning instrument rack, the button's parent; the button
    // sends through the rack's history model as it is when the button is made.
    DvnCommandButton(CommandButtonSettings settings, InstrumentRackSwatch *rack);
    ~DvnCommandButton() override;

    void setTextMultiline(QString text);
    void setHotKey(Qt::Key key);
    void setCommandQueue(QList<OstrelTableRecord *> records);

    QList<OstrelTableRecord *> commands;
    OstrelTableModel *history = nullptr;
    QTimer *sendTimer = nullptr;
    int sendIndex = 0;
    QLabel *label = nullptr;

public slots:
    void slotButtonPressed();
    void slotTimeoutSend();
};

#endif // DVNCOMMANDBUTTON_H
