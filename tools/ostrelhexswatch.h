#ifndef OSTRELHEXSWATCH_H
#define OSTRELHEXSWATCH_H

#include "colorswatch.h"

class OstrelTableRecord;
class QGroupBox;
class QLineEdit;

// The "Hex View" dock: the header of one record's message in the group
// title and its data bytes as one spaced line of hex. The main window calls
// slotUpdateFromTableRecord directly; the dock reads the record during the
// call and keeps no pointer to it.
class OstrelHexSwatch : public ColorSwatch
{
    Q_OBJECT
public:
    explicit OstrelHexSwatch(const QString &name, QWidget *parent = nullptr,
                             Qt::WindowFlags flags = Qt::WindowFlags());
    ~OstrelHexSwatch() override;

    // Two lower-case hex digits a byte, one space between bytes.
    static QString spacedHex(const QByteArray &bytes);

    QGroupBox *groupBox = nullptr;
    QLineEdit *hexEdit = nullptr;

public slots:
    void slotUpdateFromTableRecord(OstrelTableRecord *rec);
};

#endif // OSTRELHEXSWATCH_H
