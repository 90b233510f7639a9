#pragma once
// The texts of the level menu's result rows: the row layouts of today's, the all-results and the
// personal-time lists. Every function returns the exact characters a list shows.
#include "shell/numbers.h"

#include <QString>

namespace kz {

inline const QString kCurrentPupilMark = QStringLiteral("●");
inline const QString kFullWidthSpace = QStringLiteral("　");

// A name without its surrounding half-width blanks (space, tab); a full-width space belongs to
// the name.
QString withoutBlanks(const QString& name);
// The name field of run rows: the name without surrounding blanks, four full-width spaces, cut
// to five characters.
QString runNameField(const QString& name);
// The name field of ranking rows: the name without trailing blanks, six full-width spaces, cut
// to five characters.
QString rankNameField(const QString& name);

// The same for a number's decimal digits, appended to out without a temporary text.
void appendRightAligned(QString& out, qint64 value, int width);
// The time field: seconds and "秒" right-aligned in five characters ("  23秒").
QString timeField(int seconds);
// Whole seconds of a record's time of day (an OLE time: the fraction of a day).
int secondsOfDay(double oleTimeOfDay);
// "09:05": hours and minutes of a record's time of day.
QString clockField(double oleTimeOfDay);
// "05/17": month and day of a record's date.
QString monthDayField(double oleDate);
// "2024/05/17": the whole date.
QString dateText(double oleDate);
// "9:05:23": the time of day with the hour unpadded.
QString clockTimeText(double oleTimeOfDay);

// A run at or above this many seconds did not finish.
constexpr int kFailedFrom = 90000;
inline bool isFailedRun(int time) {
    return time >= kFailedFrom;
}

// The part every run row shares after its leading field: mark, name field, mark.
struct RunWho {
    QString mark;      // "●" or the grade mark
    QString nameField; // runNameField of the name, or four full-width spaces
};

// Today's rows: time field, " ", clock, mark, name, mark, points.
QString todayTimeRow(int time, const QString& clock, const RunWho& who, int points);
// The failure row of today's and the all-results lists: "　　× ", clock or date, mark, name, mark.
QString failureRow(const QString& clockOrDate, const RunWho& who);
// All-results rows in the points display: points in five, " ", date, mark, name, mark, time "秒".
QString allResultsPointsRow(int points, const QString& date, const RunWho& who, int time);
// A pupil's own run: "2024/05/17 9:05:23  23秒"; a run that did not finish shows "    ×".
QString personalTimeRow(double oleDate, double oleTimeOfDay, int time);

} // namespace kz
