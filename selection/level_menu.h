#pragma once
#include "records/criteria_table.h"
#include "records/statistics.h"
#include "shell/hensuu1.h"

#include <QChar>
#include <QString>

namespace kz {

// Column geometry of the level menu, in twips.
struct ColumnGeometry {
    int width = 0; // one level's column
    bool scrollBar = false;
    int scrollMax = 0;
};
// Four or fewer levels share 14592 twips; from five on every column is 3456 and the menu scrolls.
ColumnGeometry columnGeometry(int levelCount);
// Left of level n's column with firstColumn leftmost; columns scrolled off to the left go to
// windowWidth, out of sight.
int columnLeft(int level, int firstColumn, int firstLeft, int columnWidth, int windowWidth);
// The leftmost level after the scroll bar moved to value.
inline int firstColumnAfterScroll(int value, int levelCount) {
    return value > levelCount ? 1 : value;
}
// The remembered leftmost level, made valid for the scroll bar's range.
inline int validFirstColumn(int firstColumn, int scrollMax) {
    return (firstColumn <= 0 || firstColumn > scrollMax) ? 1 : firstColumn;
}

// Texts of one level's column.
QString startCaption(int level);
QString targetText(const CriteriaTable& c, const Hensuu1& h, int level); // Label7
QString recentText(const CriteriaTable& c, const Statistics& st, int level,
                   int b);                                 // Label8; "" when not recorded
QString todayText(const Statistics& st, int level, int b); // Label14
QString totalText(const Statistics& st, int level, int b); // Label15

// Header texts.
QString minutesSinceStartText(qint64 startTickMs, qint64 nowTickMs); // Label17
qint16 todayRunTotal(const Statistics& st, int b);                   // over levels 1..35
QString todayRunTotalText(qint16 total);                             // Label18
QString pupilText(const Hensuu1& h);                                 // Label12
QString schoolText(const Hensuu1& h);                                // Label13
double titlePoints(const QString& title);                            // Label11

// What a key does on the level menu.
struct MenuKey {
    enum Kind { None, Start, Back } kind = None;
    int level = 0;
};
MenuKey menuKeyAction(QChar key, int levelCount, bool backEnabled);

} // namespace kz
