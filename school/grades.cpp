#include "grades.h"

namespace kz {

int schoolYearOf(const QDate& today, double startMonth) {
    return today.month() < startMonth ? today.year() - 1 : today.year();
}

std::optional<QString> gradeTextFor(int gradeIndex) {
    static const char16_t* const texts[] = {u"幼３", u"小１", u"小２", u"小３", u"小４", u"小５",
                                            u"小６", u"中１", u"中２", u"中３", u"高１"};
    if (gradeIndex < 0 || gradeIndex > 10) return std::nullopt;
    return QString::fromUtf16(texts[gradeIndex]);
}

QString displayGrade(int gradeIndex) {
    if (gradeIndex < -2) return QStringLiteral("幼-");
    if (gradeIndex <= 0) return QStringLiteral("幼") + QString::number(gradeIndex + 3);
    if (gradeIndex <= 6) return QStringLiteral("小") + QString::number(gradeIndex);
    if (gradeIndex <= 9) return QStringLiteral("中") + QString::number(gradeIndex - 6);
    if (gradeIndex <= 12) return QStringLiteral("高") + QString::number(gradeIndex - 9);
    return QStringLiteral("大+");
}

const QStringList kGradeFilterEntries = {
    QStringLiteral("全学年"), QStringLiteral("中学生全体"), QStringLiteral("小学生全体"),
    QStringLiteral("中３"),   QStringLiteral("中２"),       QStringLiteral("中１"),
    QStringLiteral("小６"),   QStringLiteral("小５"),       QStringLiteral("小４"),
    QStringLiteral("小３"),   QStringLiteral("小２"),       QStringLiteral("小１")};

bool gradeFilterKeeps(const QString& filter, int gradeNumber) {
    if (filter == kAllGrades) return true;
    if (filter == QStringLiteral("小学生全体")) return gradeNumber >= 1 && gradeNumber <= 6;
    if (filter == QStringLiteral("中学生全体")) return gradeNumber >= 7 && gradeNumber <= 9;
    for (int g = 1; g <= 9; ++g)
        if (gradeTextFor(g) == filter) return gradeNumber == g;
    return false;
}

const QString& GradeMark(int grade) {
    // Shared texts: the marks are taken for every row of every list.
    static const QString marks[] = {QStringLiteral("①"), QStringLiteral("②"), QStringLiteral("③"),
                                    QStringLiteral("④"), QStringLiteral("⑤"), QStringLiteral("⑥"),
                                    QStringLiteral("Ⅰ"), QStringLiteral("Ⅱ"), QStringLiteral("Ⅲ")};
    static const QString none = QStringLiteral("　");
    if (grade >= 1 && grade <= 9) return marks[grade - 1];
    return none;
}

bool InGradeGroup(int grade, const QString& groupText) {
    // The name screen's grade filters, and "家族" (family), which shows everyone.
    return groupText == u"家族" || gradeFilterKeeps(groupText, grade);
}

} // namespace kz
