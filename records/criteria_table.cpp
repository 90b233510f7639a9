#include "criteria_table.h"

#include "shell/numbers.h"
#include "shell/text_codec.h"

#include <algorithm>
#include <QDir>
#include <QStringList>

namespace kz {

const std::array<QString, 9> kCriteriaHeadings = {
    QStringLiteral("目標Time"), QStringLiteral("最低Time"), QStringLiteral("ｸﾘｱﾎﾟｲﾝﾄ"),
    QStringLiteral("ｸﾘｱ回数"),  QStringLiteral("ﾎﾟｲﾝﾄ倍率"), QStringLiteral("禁回"),
    QStringLiteral("禁点"),     QStringLiteral("判期間"),   QStringLiteral("禁期間")};

// Numeric columns hold a plain decimal number or nothing, quoted or not; an exponent form is
// refused too, since the leading-number rule would read "1e3" as 1.
bool numericCriteriaCell(const QString& raw) {
    const QString t = trimBlanks(raw);
    if (t.isEmpty())
        return true;
    return isDecimalNumber(t) && !t.contains(u'e', Qt::CaseInsensitive);
}

namespace {

QString columnName(int column) {
    return column < static_cast<int>(kCriteriaHeadings.size())
               ? QStringLiteral("%1 列目（%2）").arg(column + 1).arg(kCriteriaHeadings[column])
               : QStringLiteral("%1 列目").arg(column + 1);
}

const QString kClosedReason = QStringLiteral("基準ファイルを直してください");

} // namespace

// A column (1..12) by its heading, or by its number where it has none.
static QString columnHeading(int column) {
    return column >= 1 && column <= static_cast<int>(kCriteriaHeadings.size())
               ? kCriteriaHeadings[column - 1]
               : QString::number(column) + QStringLiteral(" 列目");
}

QString criteriaCellName(int level, int column) {
    return QStringLiteral("レベル") + QString::number(level) + QStringLiteral(" の「") +
           columnHeading(column) + QStringLiteral("」");
}

std::vector<CriteriaLine> readCriteriaLines(const QString& text) {
    std::vector<FieldLine> fieldLines = readFieldLines(text);
    while (!fieldLines.empty() && fieldLines.back().fields.empty())
        fieldLines.pop_back();
    if (fieldLines.size() > static_cast<size_t>(CriteriaTable::Rows))
        fieldLines.resize(CriteriaTable::Rows);

    std::vector<CriteriaLine> lines;
    lines.reserve(fieldLines.size());
    for (size_t row = 0; row < fieldLines.size(); ++row) {
        CriteriaLine line;
        line.number = fieldLines[row].number;
        line.fields = std::move(fieldLines[row].fields);
        const int have = static_cast<int>(line.fields.size());
        constexpr int columns = CriteriaTable::Columns;
        if (have != columns) {
            // Too few: the values that are not there; too many: the last column, where the
            // surplus begins.
            for (int c = std::min(have, columns - 1); c < columns; ++c)
                line.refused[c] = true;
            const QString where = have < columns
                                      ? QStringLiteral("%1 から後がありません").arg(columnName(have))
                                      : QStringLiteral("%1 から後は余分です").arg(columnName(columns));
            line.problem = QStringLiteral("%1 行目: 値が %2 個あります（1 行に 12 個のはずです）。%3")
                               .arg(line.number)
                               .arg(have)
                               .arg(where);
        }
        // The heading line's texts read as 0 in the numeric columns.
        for (int c = 0; row > 0 && c < std::min(have, 5); ++c) {
            if (numericCriteriaCell(line.fields[c].raw())) continue;
            line.refused[c] = true;
            if (line.problem.isEmpty())
                line.problem = QStringLiteral("%1 行目 %2: 「%3」は数ではありません")
                                   .arg(QString::number(line.number), columnName(c),
                                        line.fields[c].raw());
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

QString CriteriaTable::read(const QString& text, int* rowsRead) {
    const std::vector<CriteriaLine> lines = readCriteriaLines(text);
    QStringList problems;
    for (int row = 0; row < Rows; ++row) {
        refusal[row] = {};
        if (row >= static_cast<int>(lines.size())) {
            rowState[row] = RowState::Missing;
            continue;
        }
        const CriteriaLine& line = lines[row];
        if (!line.problem.isEmpty()) {
            rowState[row] = RowState::Refused;
            refusal[row] = line;
            problems << line.problem;
            continue;
        }
        rowState[row] = RowState::Read;
        const std::vector<Field>& f = line.fields;
        passTime[row] = static_cast<int>(f[0].toInteger(INT32_MIN, INT32_MAX));
        minimumTime[row] = static_cast<int>(f[1].toInteger(INT32_MIN, INT32_MAX));
        clearPoints[row] = static_cast<int>(f[2].toInteger(INT32_MIN, INT32_MAX));
        clearCount[row] = static_cast<short>(f[3].toInteger(INT16_MIN, INT16_MAX));
        pointRate[row] = DecimalNumber::leading(f[4].raw());
        overCount[row] = f[5];
        overPoints[row] = f[6];
        judgeDays[row] = f[7];
        overDays[row] = f[8];
        spare10[row] = f[9];
        spare11[row] = f[10];
        spare12[row] = f[11];
    }
    if (rowsRead)
        *rowsRead = static_cast<int>(lines.size());
    return problems.join(u'\n');
}

std::array<QString, CriteriaTable::Columns> CriteriaTable::rowTexts(int row) const {
    return {QString::number(passTime[row]), QString::number(minimumTime[row]),
            QString::number(clearPoints[row]), QString::number(clearCount[row]),
            pointRate[row].text(), overCount[row].toText(), overPoints[row].toText(),
            judgeDays[row].toText(), overDays[row].toText(), spare10[row].toText(),
            spare11[row].toText(), spare12[row].toText()};
}

bool CriteriaTable::overPracticeReached(int level, int runsInWindow, long long pointsInWindow) const {
    const double countLimit = overCount[level].numberOrZero();
    const double pointLimit = overPoints[level].numberOrZero();
    return (countLimit != 0 && runsInWindow >= countLimit) ||
           (pointLimit != 0 && static_cast<double>(pointsInWindow) >= pointLimit);
}

bool CriteriaTable::closesLevel(int level) const {
    return level >= 1 && level < Rows && rowState[level] != RowState::Read;
}

QString CriteriaTable::closedReason(int level) const {
    return closesLevel(level) ? kClosedReason : QString();
}

std::vector<CriteriaProblem> criteriaProblems(const CriteriaTable& table, int levelCount) {
    using RowState = CriteriaTable::RowState;
    std::vector<CriteriaProblem> out;
    for (int row = 0; row < CriteriaTable::Rows; ++row) {
        const RowState state = table.rowState[row];
        if (state == RowState::Read || (state == RowState::Missing && row > levelCount))
            continue;
        CriteriaProblem p;
        p.row = row;
        if (state == RowState::Missing) {
            p.missing = true;
            p.detail = QStringLiteral("%1 行目（レベル%2 の行）がありません").arg(row + 1).arg(row);
            p.advice = QStringLiteral("先生用の基準編集でレベル%1 の行のセル（「%2」から「%3」まで）を"
                                      "入れて記録してください")
                           .arg(QString::number(row), kCriteriaHeadings[0], kCriteriaHeadings[4]);
        } else if (row == 0) {
            p.detail = table.refusal[row].problem;
            p.advice = QStringLiteral("先生用の基準編集で「更新記録」を押して、見出しの行を書き直してください");
        } else {
            p.detail = table.refusal[row].problem;
            // "レベル2 の「目標Time」「ｸﾘｱ回数」": every cell the reader refused.
            QString cells;
            for (int c = 1; c <= CriteriaTable::Columns; ++c)
                if (table.refusal[row].refused[c - 1])
                    cells += cells.isEmpty() ? criteriaCellName(row, c)
                                             : u'「' + columnHeading(c) + u'」';
            p.advice = QStringLiteral("先生用の基準編集で") + cells + QStringLiteral("のセルを直して記録してください");
        }
        out.push_back(p);
    }
    return out;
}

QString criteriaProblemMessage(const CriteriaTable& table, int levelCount, const QString& path) {
    const std::vector<CriteriaProblem> problems = criteriaProblems(table, levelCount);
    if (problems.empty()) return {};
    QString text = QStringLiteral("基準ファイル %1 に読めないところがあります。\n")
                       .arg(QDir::toNativeSeparators(path));
    QStringList closed;
    for (const CriteriaProblem& p : problems) {
        text += QStringLiteral("\n・") + p.detail + QStringLiteral("\n　→ ") + p.advice;
        if (p.row >= 1 && p.row <= levelCount) closed << QStringLiteral("レベル%1").arg(p.row);
    }
    text += QStringLiteral("\n\n");
    text += closed.isEmpty()
                ? QStringLiteral("どのレベルもいつものように始められます。")
                : closed.join(u'、') + QStringLiteral(" は直すまで始められません（「") + kClosedReason +
                      QStringLiteral("」と出ます）。");
    return text;
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

} // namespace kz
