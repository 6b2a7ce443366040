#ifndef RACKSETTINGS_H
#define RACKSETTINGS_H

#include <QString>
#include <QtGlobal>

// The plain records that describe a rack's instruments: what the add-plot
// dialog and the rack file reader hand to the rack, and what the rack file
// writer reads back. Copied by value; a text left unset is empty.

// One plot.
struct CustomPlotSettings {
    QString title; // title row and object name of the plot
    bool legend = true;
    QString xName;   // label of the time axis
    qint64 xMin = 0; // initial X range, ms since the epoch (UTC)
    qint64 xMax = 0;
    QString yName;
    qint64 yMin = 0;
    qint64 yMax = 0;
    double maxPoints = 0;  // point cap of every graph, 0 = unlimited
    double maxVisible = 0; // kept in rack files, no other effect
};

// One plotted field, by device address, message id and field number.
struct CPGraphSettings {
    quint32 devAddr = 0;
    quint32 msgId = 0;
    quint32 fieldRecId = 0;
};

// One field watch, by device address, message id and field number.
struct FieldViewSettings {
    quint32 devAddress = 0;
    quint32 msgId = 0;
    quint32 fieldId = 0;
};

// One command button; its stored commands travel separately.
struct CommandButtonSettings {
    QString title;       // object name and (broken into lines) shown text
    QString description; // tool tip
};

#endif // RACKSETTINGS_H
