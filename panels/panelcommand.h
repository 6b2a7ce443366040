#ifndef PANELCOMMAND_H
#define PANELCOMMAND_H

#include <QString>

class OstrelTableRecord;
class TreeModel;

// The command path of the power panels. A new record is made from one
// command text line and is Ready only when it parsed and the satellite map
// describes its message; a line that does not parse still yields a record.
// The caller owns the record.
OstrelTableRecord *newPanelCommand(const QString &line, TreeModel *treeModel);

// Data text of the panels' fixed commands: a byte as two lower-case hex
// digits, and a 16-bit value as four, low byte first ("01f4" -> "f401").
QString panelHexByte(unsigned int value);
QString panelHexLe16(unsigned int value);

#endif // PANELCOMMAND_H
