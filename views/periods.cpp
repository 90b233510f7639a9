#include "periods.h"

namespace kz {

int periodDaysFor(int periodCode, const QDate& today, int previousDays) {
    // Monday 1 .. Saturday 6, Sunday 7: a week runs from Monday to Sunday.
    const int sinceMonday = today.dayOfWeek();
    switch (periodCode) {
    case 1:
        return sinceMonday;
    case 2:
        return sinceMonday + 7;
    case 3:
        return 30;
    case 4:
        return 365;
    case 5:
        return 3650;
    default:
        return previousDays;
    }
}

} // namespace kz
