#include "DateSerial.h"

#include <cmath>

namespace cns::DateSerial {

QDate epoch()
{
    return QDate(1899, 12, 30);
}

double fromDateTime(const QDateTime &dt)
{
    const qint64 days = epoch().daysTo(dt.date());
    const double frac = dt.time().msecsSinceStartOfDay() / 86400000.0;
    return days >= 0 ? double(days) + frac : double(days) - frac;
}

QDateTime toDateTime(double serial)
{
    const double whole = std::trunc(serial);
    const double frac = std::fabs(serial - whole);
    qint64 msecs = std::llround(frac * 86400000.0);
    qint64 days = qint64(whole);
    if (msecs >= 86400000) { // rounding reached the next day
        msecs -= 86400000;
        days += serial >= 0 ? 1 : -1;
    }
    return QDateTime(epoch().addDays(days), QTime::fromMSecsSinceStartOfDay(int(msecs)), Qt::UTC);
}

} // namespace cns::DateSerial
