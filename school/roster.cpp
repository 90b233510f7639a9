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
qint16 int16Field(const Field& f) { return static_cast<qint16>(f.toInteger(-32768, 32767)); }

} // namespace

QString fixedWidthText(const QString& text, int width) {
    return text.left(width).leftJustified(width, u' ');
}

RosterReading readRosterText(const QString& text, RosterTables& tables, const QDate& today,
                             double startMonth, int commonLine3, Flag2 flag2) {
    RosterReading out;
    tables.schoolYear = schoolYearOf(today, startMonth);
    for (const FieldLine& line : readFieldLines(text)) {
        const std::vector<Field>& f = line.fields;
        if (f.empty())
            continue; // a blank line holds no pupil
        if (f.size() != kFieldsPerLine) {
            out.problems.push_back({line.number, RosterProblem::FieldCount,
                                    QString::number(f.size())});
            continue;
        }
        if (!isDecimalNumber(f[0].raw())) {
            out.problems.push_back({line.number, RosterProblem::NotANumber, f[0].raw()});
            continue;
        }
        const double number = roundHalfEven(f[0].toNumber());
        if (number < 0 || number > kStudentSlots - 1) {
            // Its number indexes nothing; the pupil simply does not appear.
            ++out.outOfRange;
            out.problems.push_back({line.number, RosterProblem::OutOfRange, f[0].raw()});
            continue;
        }
        RosterEntry e;
        e.number = static_cast<qint16>(number);
        e.birthYear = int16Field(f[1]);
        e.spare1 = int16Field(f[2]);
        e.spare2 = int16Field(f[3]);
        e.name = fixedWidthText(f[4].raw(), kRosterTextWidth);
        e.listFlag = static_cast<int>(f[5].toInteger(-1000000000, 1000000000));
        e.spareText1 = fixedWidthText(f[6].raw(), kRosterTextWidth);
        e.spareText2 = fixedWidthText(f[7].raw(), kRosterTextWidth);
        if (e.listFlag == 2 && commonLine3 == 1 && flag2 == Flag2::ListedWhenCommonLine3)
            e.listFlag = 0;

        tables.studentNames[e.number] = e.name;
        tables.birthYears[e.number] = e.birthYear;
        if (const auto grade = gradeTextFor(gradeIndexOf(tables.schoolYear, e.birthYear)))
            tables.gradeTexts[e.number] = *grade;
        out.stored.push_back(e);
        if (e.listFlag != 0) continue;
        if (static_cast<int>(out.listed.size()) >= kRosterSlots) {
            ++out.overflow;
            out.problems.push_back({line.number, RosterProblem::Overflow, QString()});
            continue;
        }
        out.listed.push_back(e);
        tables.rosterNumbers[out.listed.size()] = e.number;
    }
    tables.rosterCount = static_cast<int>(out.listed.size());
    return out;
}

namespace {

QString problemText(const RosterProblem& p) {
    switch (p.kind) {
    case RosterProblem::FieldCount:
        return QStringLiteral("項目が %1 個（8 個のはずです）").arg(p.detail);
    case RosterProblem::NotANumber:
        return QStringLiteral("番号「%1」が数ではありません").arg(p.detail);
    case RosterProblem::OutOfRange:
        return QStringLiteral("番号 %1 が 0～5000 の外です").arg(p.detail);
    case RosterProblem::Overflow:
        return QStringLiteral("5000 人を超えたので名前の一覧に出せません");
    }
    return {};
}

} // namespace

QString rosterProblemsMessage(const RosterReading& reading, const QString& fileName) {
    if (reading.problems.empty()) return {};
    // Consecutive lines with the same text share one entry ("5003～6002 行目"), so that a few
    // thousand surplus lines still make a message that fits on the screen.
    struct Group {
        int first, last;
        QString text;
    };
    std::vector<Group> groups;
    for (const RosterProblem& p : reading.problems) {
        const QString t = problemText(p);
        if (!groups.empty() && groups.back().last + 1 == p.line && groups.back().text == t)
            groups.back().last = p.line;
        else
            groups.push_back({p.line, p.line, t});
    }
    constexpr size_t shown = 20;
    QString msg = QStringLiteral("%1 の次の行は名前の一覧に入れませんでした。\n").arg(fileName);
    for (size_t i = 0; i < groups.size() && i < shown; ++i) {
        const Group& g = groups[i];
        const QString lines = g.first == g.last
                                  ? QString::number(g.first)
                                  : QStringLiteral("%1～%2").arg(g.first).arg(g.last);
        msg += QStringLiteral("%1 行目: %2\n").arg(lines, g.text);
    }
    if (groups.size() > shown)
        msg += QStringLiteral("ほかに %1 か所\n").arg(groups.size() - shown);
    msg.chop(1);
    return msg;
}

RosterReading readRosterFile(const QString& path, RosterTables& tables, const QDate& today,
                             double startMonth, int commonLine3, Flag2 flag2) {
    const TextFile file = readCp932File(path);
    if (!file.ok()) {
        RosterReading out;
        out.error = file.error;
        return out;
    }
    return readRosterText(file.text, tables, today, startMonth, commonLine3, flag2);
}

RosterReading readOtherPupils(const QString& path, RosterTables& tables, const QDate& today,
                              double startMonth) {
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
           trimBlanks(tables.studentNames[number]) + u'/' + QString::number(number);
}

} // namespace kz
