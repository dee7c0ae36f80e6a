#pragma once

#include <QDateTime>

namespace cns {

// Date-times as the rules reason with them: a day count whose day 0 is 30/12/1899, the time of day
// as the fraction. Before day 0 the whole part counts back and the fraction is still the time of
// day (-1.25 is 29/12/1899 06:00).
namespace DateSerial {

double fromDateTime(const QDateTime &dt);
QDateTime toDateTime(double serial);
QDate epoch(); // 30/12/1899

} // namespace DateSerial

} // namespace cns
