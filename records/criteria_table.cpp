#include "criteria_table.h"

#include "platform/locked_file.h"
#include "shell/numbers.h"
#include "shell/text_codec.h"

#include <QStringList>

namespace kz {

const std::array<QString, 9> kCriteriaHeadings = {
    QStringLiteral("目標Time"), QStringLiteral("最低Time"), QStringLiteral("ｸﾘｱﾎﾟｲﾝﾄ"),
    QStringLiteral("ｸﾘｱ回数"),  QStringLiteral("ﾎﾟｲﾝﾄ倍率"), QStringLiteral("禁回"),
    QStringLiteral("禁点"),     QStringLiteral("判期間"),   QStringLiteral("禁期間")};

int CriteriaTable::read(const QString& text) {
    FieldReader r(text);
    int row = -1;
    while (!r.atEnd() && row < Rows - 1) {
        ++row;
        // Numeric columns read a non-numeric or empty field as its leading number (0).
        passTime[row] = static_cast<int>(r.next().toNumber());
        minimumTime[row] = static_cast<int>(r.next().toNumber());
        clearPoints[row] = static_cast<int>(r.next().toNumber());
        clearCount[row] = toInt16(static_cast<long long>(r.next().toNumber()));
        pointRate[row] = static_cast<float>(r.next().toNumber());
        overCount[row] = r.next();
        overPoints[row] = r.next();
        judgeDays[row] = r.next();
        overDays[row] = r.next();
        spare10[row] = r.next();
        spare11[row] = r.next();
        spare12[row] = r.next();
    }
    return row + 1;
}

std::array<QString, CriteriaTable::Columns> CriteriaTable::rowTexts(int row) const {
    return {QString::number(passTime[row]), QString::number(minimumTime[row]),
            QString::number(clearPoints[row]), QString::number(clearCount[row]),
            singleText(pointRate[row]), overCount[row].toText(), overPoints[row].toText(),
            judgeDays[row].toText(), overDays[row].toText(), spare10[row].toText(),
            spare11[row].toText(), spare12[row].toText()};
}

bool CriteriaTable::overPracticeReached(int level, int runsInWindow, long long pointsInWindow) const {
    const double countLimit = overCount[level].numberOrZero();
    const double pointLimit = overPoints[level].numberOrZero();
    return (countLimit != 0 && runsInWindow >= countLimit) ||
           (pointLimit != 0 && static_cast<double>(pointsInWindow) >= pointLimit);
}

QString LoadCriteriaFile(CriteriaTable& table, const QString& path) {
    const TextFile f = readCp932File(path);
    if (!f.ok())
        return f.error;
    table.read(f.text);
    return {};
}

QString criteriaFileText(
    const std::array<std::array<QString, CriteriaTable::Columns>, CriteriaTable::Rows>& cells,
    int levelRows) {
    QString out;
    QStringList heading;
    for (const QString& h : kCriteriaHeadings)
        heading << h;
    heading << QString() << QString() << QString();
    out += heading.join(u',') + QStringLiteral("\r\n");
    for (int row = 1; row <= levelRows && row < CriteriaTable::Rows; ++row) {
        QStringList line;
        for (const QString& c : cells[row])
            line << c;
        out += line.join(u',') + QStringLiteral("\r\n");
    }
    return out;
}

QString criteriaFileText(const CriteriaTable& table, int levelRows) {
    std::array<std::array<QString, CriteriaTable::Columns>, CriteriaTable::Rows> cells{};
    for (int row = 0; row < CriteriaTable::Rows; ++row)
        cells[row] = table.rowTexts(row);
    return criteriaFileText(cells, levelRows);
}

QString SaveCriteriaFile(const CriteriaTable& table, int levelRows, const QString& path) {
    // A new file replaces the old one whole: every computer reads either version complete.
    const QString error = replaceFileWhole(path, encodeCp932(criteriaFileText(table, levelRows)));
    return error.isEmpty() ? QString() : QStringLiteral("%1\n%2").arg(path, error);
}

} // namespace kz
