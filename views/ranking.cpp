#include "ranking.h"

#include "records/statistics.h"
#include "school/roster.h"

#include <cstdint>

namespace kz {

namespace {

template <typename Key>
void mergeRange(int low, int high, std::vector<Key>& keys, std::vector<int>& items,
                std::vector<Key>& workKeys, std::vector<int>& workItems) {
    if (high - low < 1) return;
    const int mid = (low + high) / 2;
    mergeRange(low, mid, keys, items, workKeys, workItems);
    mergeRange(mid + 1, high, keys, items, workKeys, workItems);
    const int leftCount = mid - low + 1;
    for (int i = 0; i < leftCount; ++i) {
        workKeys[i] = keys[low + i];
        workItems[i] = items[low + i];
    }
    int l = 0, r = mid + 1, out = low;
    while (l < leftCount && r <= high) {
        // Strictly smaller takes the left entry: equal keys come out right part first.
        if (workKeys[l] < keys[r]) {
            keys[out] = workKeys[l];
            items[out++] = workItems[l++];
        } else {
            keys[out] = keys[r];
            items[out++] = items[r++];
        }
    }
    while (l < leftCount) {
        keys[out] = workKeys[l];
        items[out++] = workItems[l++];
    }
}

constexpr int kFailedBest = 99998;
constexpr int kNoRun = 99999;

} // namespace

template <typename Key> void RankSort(int n, std::vector<Key>& keys, std::vector<int>& items) {
    if (n < 2) return;
    std::vector<Key> workKeys(static_cast<size_t>(n / 2 + 1));
    std::vector<int> workItems(static_cast<size_t>(n / 2 + 1));
    mergeRange(1, n, keys, items, workKeys, workItems);
}

template void RankSort<qint64>(int, std::vector<qint64>&, std::vector<int>&);
template void RankSort<quint64>(int, std::vector<quint64>&, std::vector<int>&);

QString rankField(int rank, int width) {
    QString out;
    appendRightAligned(out, rank, width);
    return out;
}

namespace {

struct Who {
    QString mark1, mark2, name;
    bool shown;
};

Who whoOf(const RankingInput& in, int s) {
    const RosterTables& roster = *in.roster;
    const bool known = s >= 0 && s < kStudentSlots;
    const int grade = gradeIndexOf(roster.schoolYear, known ? roster.birthYears[s] : 0);
    Who w;
    if (s == in.Bangou) {
        w.mark1 = w.mark2 = kCurrentPupilMark;
    } else {
        w.mark1 = GradeMark(grade);
        w.mark2 = kFullWidthSpace;
    }
    w.name = rankNameField(known && s != 0 ? roster.studentNames[s] : QString());
    w.shown = InGradeGroup(grade, in.gradeGroup);
    return w;
}

void pickSelection(RankingRows& out) {
    for (int i = 0; i < out.rows.size(); ++i)
        if (out.rows[i].contains(kCurrentPupilMark)) out.selectRow = i - 1;
}

void timeRanking(const RankingInput& in, const std::vector<int>& roster, RankingRows& out) {
    const int n = static_cast<int>(roster.size()) - 1;
    std::vector<qint64> keys(roster.size());
    std::vector<int> items = roster;
    for (int i = 1; i <= n; ++i)
        keys[i] = in.stats->bestTime(in.level, roster[i]);
    if (in.timedLevel) {
        RankSort(n, keys, items);
        RankSort(n, keys, items);
    } else {
        // Untimed levels keep a value, highest first; pupils without one go last.
        for (int i = 1; i <= n; ++i) {
            if (keys[i] == kNoRun) keys[i] = -kNoRun;
            keys[i] = 10000 - keys[i];
        }
        RankSort(n, keys, items);
        RankSort(n, keys, items);
        for (int i = 1; i <= n; ++i) {
            keys[i] = 10000 - keys[i];
            if (keys[i] == -kNoRun) keys[i] = kNoRun;
        }
    }
    int rank = 0;
    for (int i = 1; i <= n; ++i) {
        // The first position always ranks 1, whatever its key.
        if (i == 1 || keys[i] != keys[i - 1]) rank = i;
        const Who w = whoOf(in, items[i]);
        if (!w.shown) continue;
        QString row;
        row.reserve(16);
        if (keys[i] == kNoRun) {
            row += QString(in.rankWidth, u'-');
            row += w.mark1;
            row += w.name;
            row += QStringLiteral("------");
        } else {
            appendRightAligned(row, rank, in.rankWidth);
            row += w.mark1;
            row += w.name;
            if (keys[i] == kFailedBest)
                row += QStringLiteral("*失敗*");
            else
                appendRightAligned(row, keys[i], 6);
        }
        row += u' ';
        row += w.mark2;
        out.rows.append(row);
        out.rowStudents.push_back(items[i]);
    }
}

void pointsRanking(const RankingInput& in, const std::vector<int>& roster, RankingRows& out) {
    const int n = static_cast<int>(roster.size()) - 1;
    const bool today = in.pointsRankKind == 2;
    auto deciding = [&](int s) {
        return today ? in.stats->todayPoints(in.level, s) : in.stats->pointsAll(in.level, s);
    };
    auto other = [&](int s) {
        return today ? in.stats->pointsAll(in.level, s) : in.stats->todayPoints(in.level, s);
    };
    // Descending by the deciding points, then by the other points, from the values themselves:
    // each 32-bit value turned into an ascending 32-bit unsigned part of one 64-bit key.
    auto descendingPart = [](qint32 v) {
        return static_cast<quint64>(static_cast<quint32>(INT32_MAX - static_cast<qint64>(v)));
    };
    std::vector<quint64> keys(roster.size());
    std::vector<int> items = roster;
    for (int i = 1; i <= n; ++i)
        keys[i] = descendingPart(deciding(roster[i])) << 32 | descendingPart(other(roster[i]));
    RankSort(n, keys, items);
    RankSort(n, keys, items);
    int rank = 0;
    for (int i = 1; i <= n; ++i) {
        const int s = items[i];
        if (i == 1 || deciding(s) != deciding(items[i - 1])) rank = i;
        const Who w = whoOf(in, s);
        if (!w.shown) continue;
        const qint32 todayPoints = in.stats->todayPoints(in.level, s);
        if (today && todayPoints == 0) continue;
        QString row;
        row.reserve(18);
        appendRightAligned(row, rank, in.rankWidth);
        row += w.mark1;
        row += w.name;
        appendRightAligned(row, todayPoints, 3);
        row += u'/';
        appendRightAligned(row, in.stats->pointsAll(in.level, s), 5);
        out.rows.append(row);
        out.rowStudents.push_back(s);
    }
}

} // namespace

RankingRows rankLevel(const RankingInput& in) {
    RankingRows out;
    if (!in.roster || !in.stats) return out;
    // Every listed pupil takes part, however long the roster.
    const int count = std::clamp(in.roster->rosterCount, 0,
                                 static_cast<int>(in.roster->rosterNumbers.size()) - 1);
    std::vector<int> roster(static_cast<size_t>(count) + 1, 0);
    for (int i = 1; i <= count; ++i)
        roster[i] = in.roster->rosterNumbers[i];
    if (in.displayMode == 1)
        timeRanking(in, roster, out);
    else if (in.displayMode == 2)
        pointsRanking(in, roster, out);
    pickSelection(out);
    return out;
}

} // namespace kz
