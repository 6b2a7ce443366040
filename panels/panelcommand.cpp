#include "panelcommand.h"

#include "ostreltablerecord.h"

OstrelTableRecord *newPanelCommand(const QString &line, TreeModel *treeModel)
{
    auto *record = new OstrelTableRecord;
    if (record->fromStr(line, treeModel) && record->treeItem)
        record->status = OstrelTableRecord::Ready;
    return record;
}

QString panelHexByte(unsigned int value)
{
    QString hex = QString::number(value, 16);
    if (hex.size() == 1)
        hex.prepend(QLatin1Char('0'));
    return hex;
}

QString panelHexLe16(unsigned int value)
{
    const QString hex = QString::number(value, 16).rightJustified(4, QLatin1Char('0'));
    return hex.mid(2, 2) + hex.mid(0, 2);
}
