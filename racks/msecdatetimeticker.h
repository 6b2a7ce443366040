#ifndef MSECDATETIMETICKER_H
#define MSECDATETIMETICKER_H

#include <qcustomplot.h>

// Tick labels for a time axis whose keys are milliseconds since the epoch,
// the keys of every rack graph. The library's own date-time ticker reads
// keys as seconds; here a key is truncated to whole milliseconds and shown
// in the given zone with the given format, in the plot's locale. The zone
// is local time unless set otherwise, the zone in which the tracer and the
// plot's text export show the same keys. Tick positions are chosen as on any
// numeric axis.
class MSecDateTimeTicker : public QCPAxisTicker
{
public:
    MSecDateTimeTicker() = default;

    QString dateTimeFormat() const { return mFormat; }
    Qt::TimeSpec dateTimeSpec() const { return mZone; }
    void setDateTimeFormat(const QString &format) { mFormat = format; }
    void setDateTimeSpec(Qt::TimeSpec zone) { mZone = zone; }

    static QDateTime keyToDateTime(double key, Qt::TimeSpec zone);

protected:
    QString getTickLabel(double tick, const QLocale &locale, QChar formatChar,
                         int precision) override;

private:
    QString mFormat = QStringLiteral("hh:mm:ss\nzzz");
    Qt::TimeSpec mZone = Qt::LocalTime;
};

#endif // MSECDATETIMETICKER_H
