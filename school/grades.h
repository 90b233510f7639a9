#pragma once
// Grades: the school year, a pupil's grade from the birth year, and every text a grade is shown
// as (the stored grade text, the name list's label, the mark beside a name, the grade groups).
#include <optional>
#include <QDate>
#include <QString>
#include <QStringList>

namespace kz {

// The calendar year of today, one less before the month in which the school year begins.
// The month is compared as the common data holds it, so any value there gives a defined year.
int schoolYearOf(const QDate& today, double startMonth);
// 1..6 primary, 7..9 lower secondary, 0 and below kindergarten.
inline int gradeIndexOf(int schoolYear, int birthYear) {
    return schoolYear - birthYear - 6;
}
// The full-width grade text stored by number; no value (entry left as it was) outside 0..10.
std::optional<QString> gradeTextFor(int gradeIndex);
// The half-width label of the name list; covers every value.
QString displayGrade(int gradeIndex);

// The grade filter's entries, in the order the filter lists them.
extern const QStringList kGradeFilterEntries;
inline const QString kAllGrades = QStringLiteral("全学年");
bool gradeFilterKeeps(const QString& filter, int gradeNumber);

// The one-character mark beside another pupil's name: "①".."⑥" for grades 1..6, "Ⅰ".."Ⅲ" for
// 7..9, a full-width space otherwise.
const QString& GradeMark(int grade);
// Whether the grade belongs to the group the menu's grade choice shows, judged by its exact text.
bool InGradeGroup(int grade, const QString& groupText);

} // namespace kz
