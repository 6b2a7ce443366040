#include "dvnfieldview.h"

#include "instrumentrackswatch.h"
#include "ostreldatamodel.h"
#include "ostreltablerecord.h"
#include "treeitem.h"

#include <cmath>

DvnFieldView::DvnFieldView(TreeItem *item, unsigned int fieldId, InstrumentRackSwatch *rack)
    : QLineEdit(rack)
{
    init(item, fieldId);
}

DvnFieldView::~DvnFieldView() = default;

void DvnFieldView::init(TreeItem *item, unsigned int fieldId)
{
    label = nullptr;
    this->item = item;
    this->fieldId = fieldId;
    field = (item && item->packet) ? item->packet->fields.value(fieldId) : nullptr;
    const QString name = field ? field->name : QString();
    setObjectName(name);
    setText(name);
    setReadOnly(true);
}

QString DvnFieldView::formatValue(OstrelFieldRecord *field, const QVariant &value)
{
    if (!field)
        return value.toString();
    if (field->type == OstrelFieldRecord::TypeString)
        return value.toString();
    if (field->type == OstrelFieldRecord::TypeBit)
        return value.toBool() ? QStringLiteral("Set") : QStringLiteral("Unset");

    const double v = value.toDouble();
    // Two decimals are all a watch shows. Beyond 1e15 a double holds no
    // fraction anyway, and scaling by 100 could overflow to infinity.
    const double r = std::fabs(v) < 1e15 ? std::round(v * 100.0) / 100.0 : v;
    const QString s = QString::number(r, 'g', 6);
    // Infinity and NaN never reach an integer conversion: they read as the
    // float text whatever the field's type.
    if (!std::isfinite(r))
        return s;
    const bool hexInteger = field->isHex == 1 && (field->type == OstrelFieldRecord::TypeInt ||
                                                  field->type == OstrelFieldRecord::TypeUInt);
    // The six-digit text of a million or more is in exponent form, which no
    // integer reader takes: a hexadecimal watch would show 0x0 for any large
    // value. It gets the whole number instead; fractions keep the text rule.
    if (hexInteger && r == std::trunc(r) && std::fabs(r) < 9.2e18)
        return field->valToStr(QVariant(qlonglong(r)));
    return field->valToStr(QVariant(s));
}

void DvnFieldView::slotNewData(OstrelTableRecord *rec)
{
    if (!rec || !item || !item->packet || !field)
        return;
    if (rec->packetHeader.id != item->packet->id)
        return;
    // The message header names the sender; the record's own addresses may
    // have been rewritten from the map when it was decoded.
    if (rec->message.src != item->deviceTag.devAddress)
        return;
    const auto value = rec->fieldValues.constFind(fieldId);
    if (value == rec->fieldValues.constEnd())
        return;
    pendingValue = *value;
    hasPending = true;
}

void DvnFieldView::showPending()
{
    if (!hasPending)
        return;
    hasPending = false;
    // Telemetry repeats itself far more often than it changes; laying out
    // the same text again is wasted.
    const QString value = formatValue(field, pendingValue);
    pendingValue.clear();
    if (value != text())
        setText(value);
}
