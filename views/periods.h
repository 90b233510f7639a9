#pragma once
// The periods of the all-results view and the date tests of the views.
#include <QDate>

namespace kz {

// Look-back days of a period code: 1 this week (Monday..today), 2 since last week's Monday,
// 3 one month, 4 one year, 5 everything; any other code keeps previousDays.
int periodDaysFor(int periodCode, const QDate& today, int previousDays);

// A run belongs to the period when now minus periodDays lies before its date. There is no upper
// bound: a run dated after today (another computer's clock runs ahead) is listed, as the rankings
// list it; only the statistics' date windows leave it out.
inline bool inPeriod(double recordDate, double nowOle, int periodDays) {
    return nowOle - periodDays < recordDate;
}

// Days the personal-time view and the chart look back: ten years.
constexpr int kTenYears = 3650;

} // namespace kz
