#include "roster.h"

#include "shell/field_reader.h"
#include "shell/numbers.h"
#include "shell/text_codec.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace kz {

namespace {

constexpr int kFieldsPerLine = 8;

// An integer field as a 16-bit whole number; out-of-range values are held at the bounds
// instead of wrapping into a different number.
qint16 int16Field(const Field& f) {
    const double v = roundHalfEven(f.toNumber());
    return static_cast<qint16>(std::clamp(v, -32768.0, 32767.0));
}

} // namespace

int schoolYearOf(const QDate& today, int startMonth) {
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

QString fixedWidthText(const QString& text, int width) {
    return text.left(width).leftJustified(width, u' ');
}

RosterReading readRosterText(const QString& text, RosterTables& tables, const QDate& today,
                             int startMonth, int commonLine3, Flag2 flag2) {
    RosterReading out;
    tables.schoolYear = schoolYearOf(today, startMonth);
    FieldReader reader(text);
    while (!reader.atEnd()) {
        std::array<Field, kFieldsPerLine> f;
        for (Field& field : f)
            field = reader.next();
        const double number = roundHalfEven(f[0].toNumber());
        if (number < 0 || number > kStudentSlots - 1) {
            // Its number indexes nothing; the pupil simply does not appear.
            ++out.outOfRange;
            continue;
        }
        RosterEntry e;
        e.number = static_cast<qint16>(number);
        e.birthYear = int16Field(f[1]);
        e.spare1 = int16Field(f[2]);
        e.spare2 = int16Field(f[3]);
        e.name = fixedWidthText(f[4].toText(), kRosterTextWidth);
        e.listFlag = static_cast<int>(std::clamp(roundHalfEven(f[5].toNumber()), -1e9, 1e9));
        e.spareText1 = fixedWidthText(f[6].toText(), kRosterTextWidth);
        e.spareText2 = fixedWidthText(f[7].toText(), kRosterTextWidth);
        if (e.listFlag == 2 && commonLine3 == 1 && flag2 == Flag2::ListedWhenCommonLine3)
            e.listFlag = 0;

        tables.studentNames[e.number] = e.name;
        tables.birthYears[e.number] = e.birthYear;
        if (const auto grade = gradeTextFor(gradeIndexOf(tables.schoolYear, e.birthYear)))
            tables.gradeTexts[e.number] = *grade;
        if (e.listFlag != 0) continue;
        if (static_cast<int>(out.listed.size()) >= kRosterSlots) {
            ++out.overflow;
            continue;
        }
        out.listed.push_back(e);
        tables.rosterNumbers[out.listed.size()] = e.number;
    }
    tables.rosterCount = static_cast<int>(out.listed.size());
    return out;
}

RosterReading readRosterFile(const QString& path, RosterTables& tables, const QDate& today,
                             int startMonth, int commonLine3, Flag2 flag2) {
    const TextFile file = readCp932File(path);
    if (!file.ok()) {
        RosterReading out;
        out.error = file.error;
        return out;
    }
    return readRosterText(file.text, tables, today, startMonth, commonLine3, flag2);
}

RosterReading readOtherPupils(const QString& path, RosterTables& tables, const QDate& today,
                              int startMonth) {
    RosterTables scratch = tables;
    RosterReading r =
        readRosterFile(path, scratch, today, startMonth, /*commonLine3=*/0, Flag2::NeverListed);
    tables.studentNames = std::move(scratch.studentNames);
    tables.birthYears = std::move(scratch.birthYears);
    tables.gradeTexts = std::move(scratch.gradeTexts);
    tables.schoolYear = scratch.schoolYear;
    return r;
}

QString otherPupilLine(const RosterTables& tables, int number) {
    return tables.gradeTexts[number] + QStringLiteral(" /  ") +
           tables.studentNames[number].trimmed() + u'/' + QString::number(number);
}

} // namespace kz
