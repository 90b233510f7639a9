#pragma once
#include <QDate>

#include <cmath>

namespace kz {

// Record dates are OLE Automation dates: days since 30 December 1899, the fraction is the
// time of day.
inline const QDate kOleEpoch(1899, 12, 30);

inline double oleDate(const QDate& d) { return static_cast<double>(kOleEpoch.daysTo(d)); }
inline QDate dateFromOle(double v) { return kOleEpoch.addDays(static_cast<qint64>(v)); }
// Time of day (seconds since midnight) as the fraction of a day.
inline double oleTimeOfDay(double secondsSinceMidnight) { return secondsSinceMidnight / 86400.0; }
// A record's time of day: the whole second a wall clock shows (10:15:30.7 is 10:15:30), so that
// every computer formatting the record shows the same clock time.
inline double wholeSecondTimeOfDay(double secondsSinceMidnight) {
    return oleTimeOfDay(std::floor(secondsSinceMidnight));
}

} // namespace kz
