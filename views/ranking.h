#pragma once
// Rankings of the roster on one level: by best time, or by points (so far or today).
#include "result_rows.h"

#include <QStringList>
#include <vector>

namespace kz {

struct RosterTables;
class Statistics;

// Sorts positions 1..n of keys ascending and moves items along (index 0 is unused). A top-down
// merge sort whose single pass puts equal keys in the reverse of their incoming order; callers
// run it twice so that equal keys keep their incoming (roster) order.
template <typename Key> void RankSort(int n, std::vector<Key>& keys, std::vector<int>& items);

// What a ranking reads besides the statistics.
struct RankingInput {
    const RosterTables* roster = nullptr;
    const Statistics* stats = nullptr;
    int level = 0;
    bool timedLevel = true; // levelRecorded 1
    int displayMode = 1;    // 1 time ranking, 2 points ranking, anything else no rows
    int pointsRankKind = 1; // 1 points so far decide, 2 today's points decide
    int Bangou = 0;
    QString gradeGroup;
    int rankWidth = 2; // the comparison rankings use three characters ("---" for no run)
};

struct RankingRows {
    QStringList rows;    // in ranking order
    int selectRow = -1;  // the row before the current pupil's row, scrolled into view
    std::vector<int> rowStudents; // the student number of each row
};

// Ranks every roster pupil (rosterNumbers 1..rosterCount); rows only for pupils of the grade
// group, but every pupil keeps a ranking position. Time ranking: ascending best time on timed
// levels, descending value with the no-run pupils last on untimed ones; a failed best (99998) and
// no run (99999) come after every ranked row. Points ranking: by the deciding points, then the
// other points, both descending, then roster order.
RankingRows rankLevel(const RankingInput& in);

// Rank field: right-aligned in width characters, a longer rank keeping its last ones.
QString rankField(int rank, int width = 2);

} // namespace kz
