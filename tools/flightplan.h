#ifndef FLIGHTPLAN_H
#define FLIGHTPLAN_H

#include "colorswatch.h"

class QGroupBox;
class QPushButton;

// The flight plan window: the operator picks a flight plan file, which is
// only checked for being readable; sending a plan is not built on board
// yet, so "Send" does nothing.
class FlightPlan : public ColorSwatch
{
    Q_OBJECT
public:
    explicit FlightPlan(const QString &name, QWidget *parent = nullptr,
                        Qt::WindowFlags flags = Qt::WindowFlags());

    void loadPlanFromFile(QString fileName);

    QPushButton *openButton = nullptr;
    QPushButton *sendButton = nullptr;
    QGroupBox *groupBox = nullptr;
    QString startFolder;

public slots:
    void slotButtonOpenPressed();
    void slotButtonSendPressed();
};

#endif // FLIGHTPLAN_H
