#pragma once
// The level menu's result lists as data: the rows of every level for today's view, the
// all-results view and the personal-time view, and the colour the time display gives a list.
#include "record_snapshot.h"
#include "result_rows.h"

#include <array>
#include <optional>
#include <QDate>
#include <QStringList>
#include <vector>

namespace kz {

struct CriteriaTable;
struct RosterTables;

// What the views read of the program's state.
struct ViewContext {
    const RosterTables* roster = nullptr;
    const CriteriaTable* criteria = nullptr;
    int Bangou = 0;      // the current pupil
    int levelCount = 0;  // lists 1..levelCount
    QString gradeGroup;  // the menu's grade choice, as shown
    int displayMode = 1; // 1 time display, otherwise the points display
    QDate today;
    double secondsSinceMidnight = 0;
};

// Rows per level, index 1..levelCount (0 unused), each list in the order it is shown.
using LevelRows = std::vector<QStringList>;

// Today's runs among the last 1000 records: time rows, failure rows; sorted by text.
LevelRows todayRows(const RecordSnapshot& records, const ViewContext& ctx);
// Every run of the period among the last 20000 records, time or points rows by the display;
// sorted by text.
LevelRows allResultsRows(const RecordSnapshot& records, const ViewContext& ctx, int periodDays);
// The current pupil's own runs of the last ten years among the last 20000 records, when the
// grade group takes the pupil; sorted by text, so by date.
LevelRows personalTimeRows(const RecordSnapshot& records, const ViewContext& ctx);

// The order of the sorted lists: whole rows by UTF-16 code units.
void sortRows(QStringList& rows);

// List colours as 0xBBGGRR.
constexpr int kText4Colour = 0x00C000; // green: at or under the pass time
constexpr int kText5Colour = 0xC0FFC0; // light green: at or under the minimum time
constexpr int kGreyColour = 0xC0C0C0;
constexpr int kListColour = 0xC0FFFF; // a list's own background, RGB(255, 255, 192)

// The colour the time display leaves on a timed level's list: decided by the last row in list
// order that is not a failure row, from the whole five-character time field at its start; no
// value when there is no such row (the list keeps its colour).
std::optional<int> listColour(const QStringList& rows, int passTime, int minimumTime);

} // namespace kz
