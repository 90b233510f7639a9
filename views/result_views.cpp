#include "result_views.h"

#include "periods.h"
#include "records/criteria_table.h"
#include "records/statistics.h"
#include "school/roster.h"
#include "shell/numbers.h"
#include "shell/ole_date.h"

#include <algorithm>

namespace kz {

namespace {

constexpr int kTodayRecords = 1000;

int gradeOf(const ViewContext& ctx, int bangou) {
    const bool known = bangou >= 0 && bangou < kStudentSlots;
    return gradeIndexOf(ctx.roster->schoolYear, known ? ctx.roster->birthYears[bangou] : 0);
}

// Mark and name field of one run; number 0 (and numbers no roster can hold) have no name.
RunWho whoOf(const ViewContext& ctx, int bangou, int grade) {
    const bool named = bangou >= 1 && bangou < kStudentSlots;
    return {bangou == ctx.Bangou ? kCurrentPupilMark : GradeMark(grade),
            runNameField(named ? ctx.roster->studentNames[bangou] : QString())};
}

bool listedLevel(const ViewContext& ctx, int level) {
    return level >= 1 && level <= ctx.levelCount && level < kLevelSlots;
}

LevelRows emptyRows(const ViewContext& ctx) {
    return LevelRows(static_cast<size_t>(std::max(ctx.levelCount, 0)) + 1);
}

void sortAll(LevelRows& rows) {
    for (QStringList& list : rows)
        sortRows(list);
}

} // namespace

void sortRows(QStringList& rows) {
    std::stable_sort(rows.begin(), rows.end(),
                     [](const QString& a, const QString& b) { return a < b; });
}

LevelRows todayRows(const RecordSnapshot& records, const ViewContext& ctx) {
    LevelRows out = emptyRows(ctx);
    const double todayOle = oleDate(ctx.today);
    for (int i = records.firstOfLast(kTodayRecords); i < records.size(); ++i) {
        const SeisekiRecord::Numbers r = records.at(i);
        if (!listedLevel(ctx, r.level) || r.date != todayOle) continue;
        const int grade = gradeOf(ctx, r.bangou);
        if (!InGradeGroup(grade, ctx.gradeGroup)) continue;
        const RunWho who = whoOf(ctx, r.bangou, grade);
        const QString clock = clockField(r.timeOfDay);
        if (isFailedRun(r.time))
            out[r.level].append(failureRow(clock, who));
        else
            out[r.level].append(todayTimeRow(r.time, clock, who,
                                             RunPoints(r.time, ctx.criteria->passTime[r.level])));
    }
    sortAll(out);
    return out;
}

LevelRows allResultsRows(const RecordSnapshot& records, const ViewContext& ctx, int periodDays) {
    LevelRows out = emptyRows(ctx);
    const double now = oleDate(ctx.today) + oleTimeOfDay(ctx.secondsSinceMidnight);
    for (int i = records.firstOfLast(RecordSnapshot::MaxRecords); i < records.size(); ++i) {
        const SeisekiRecord::Numbers r = records.at(i);
        if (!listedLevel(ctx, r.level) || !inPeriod(r.date, now, periodDays)) continue;
        const int grade = gradeOf(ctx, r.bangou);
        if (!InGradeGroup(grade, ctx.gradeGroup)) continue;
        const RunWho who = whoOf(ctx, r.bangou, grade);
        const QString date = monthDayField(r.date);
        const int points = RunPoints(r.time, ctx.criteria->passTime[r.level]);
        if (isFailedRun(r.time))
            out[r.level].append(failureRow(date, who));
        else if (ctx.displayMode == 1)
            out[r.level].append(todayTimeRow(r.time, date, who, points));
        else
            out[r.level].append(allResultsPointsRow(points, date, who, r.time));
    }
    sortAll(out);
    return out;
}

LevelRows personalTimeRows(const RecordSnapshot& records, const ViewContext& ctx) {
    LevelRows out = emptyRows(ctx);
    if (!InGradeGroup(gradeOf(ctx, ctx.Bangou), ctx.gradeGroup)) return out;
    const double now = oleDate(ctx.today) + oleTimeOfDay(ctx.secondsSinceMidnight);
    for (int i = records.firstOfLast(RecordSnapshot::MaxRecords); i < records.size(); ++i) {
        const SeisekiRecord::Numbers r = records.at(i);
        if (r.bangou != ctx.Bangou || !listedLevel(ctx, r.level) ||
            !inPeriod(r.date, now, kTenYears))
            continue;
        out[r.level].append(personalTimeRow(r.date, r.timeOfDay, r.time));
    }
    sortAll(out);
    return out;
}

std::optional<int> listColour(const QStringList& rows, int passTime, int minimumTime) {
    std::optional<int> colour;
    for (const QString& row : rows) {
        if (row.size() >= 3 && row[2] == u'×') continue;
        const double v = leadingNumber(QStringView(row).left(5));
        if (v <= passTime)
            colour = kText4Colour;
        else if (v <= minimumTime)
            colour = kText5Colour;
        else
            colour = kGreyColour;
    }
    return colour;
}

} // namespace kz
