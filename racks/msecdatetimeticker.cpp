#include "msecdatetimeticker.h"

#include <cmath>

QDateTime MSecDateTimeTicker::keyToDateTime(double key, Qt::TimeSpec zone)
{
    // A key outside the range of a 64-bit integer (or NaN) has no time; it
    // is shown as the epoch rather than converted with undefined behaviour.
    const double ms = std::trunc(key);
    const bool fits = ms >= -9.2e18 && ms <= 9.2e18;
    return QDateTime::fromMSecsSinceEpoch(fits ? qint64(ms) : 0, zone);
}

QString MSecDateTimeTicker::getTickLabel(double tick, const QLocale &locale, QChar formatChar,
                                         int precision)
{
    Q_UNUSED(formatChar)
    Q_UNUSED(precision)
    return locale.toString(keyToDateTime(tick, mZone), mFormat);
}
