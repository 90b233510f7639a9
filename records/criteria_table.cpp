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

// Numeric columns hold a plain decimal number or nothing, quoted or not; an exponent form is
// refused too, since the leading-number rule would read "1e3" as 1.
bool numericCriteriaCell(const QString& raw) {
    const QString t = trimBlanks(raw);
    if (t.isEmpty())
        return true;
    return isDecimalNumber(t) && !t.contains(u'e', Qt::CaseInsensitive);
}

namespace {

bool numericCell(const Field& f) {
    return numericCriteriaCell(f.raw());
}

QString columnName(int column) {
    return column < static_cast<int>(kCriteriaHeadings.size())
               ? QStringLiteral("%1 列目（%2）").arg(column + 1).arg(kCriteriaHeadings[column])
               : QStringLiteral("%1 列目").arg(column + 1);
}

} // namespace

QString CriteriaTable::read(const QString& text, int* rowsRead) {
    std::vector<FieldLine> lines = readFieldLines(text);
    // Blank lines at the end (an editor's last line end, an end-of-file mark) hold no row.
    while (!lines.empty() && lines.back().fields.empty())
        lines.pop_back();
    if (lines.size() > static_cast<size_t>(Rows))
        lines.resize(Rows);

    for (size_t row = 0; row < lines.size(); ++row) {
        const FieldLine& line = lines[row];
        const int have = static_cast<int>(line.fields.size());
        if (have != Columns) {
            const QString where = have < Columns
                                      ? QStringLiteral("%1 から後がありません").arg(columnName(have))
                                      : QStringLiteral("%1 から後は余分です").arg(columnName(Columns));
            return QStringLiteral("%1 行目: 値が %2 個あります（1 行に 12 個のはずです）。%3")
                .arg(line.number)
                .arg(have)
                .arg(where);
        }
        if (row == 0)
            continue; // the heading line: its texts read as 0 in the numeric columns
        for (int c = 0; c < 5; ++c)
            if (!numericCell(line.fields[c]))
                return QStringLiteral("%1 行目 %2: 「%3」は数ではありません")
                    .arg(line.number)
                    .arg(columnName(c))
                    .arg(line.fields[c].raw());
    }

    for (size_t row = 0; row < lines.size(); ++row) {
        const std::vector<Field>& f = lines[row].fields;
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
    return {};
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

QString LoadCriteriaFile(CriteriaTable& table, const QString& path) {
    const TextFile f = readCp932File(path);
    if (!f.ok())
        return f.error;
    const QString problem = table.read(f.text);
    if (!problem.isEmpty())
        return QStringLiteral("%1 の %2").arg(path, problem);
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

QString SaveCriteriaFile(const CriteriaTable& table, int levelRows, const QString& path,
                         const std::function<void()>& wait) {
    // A new file replaces the old one whole: every computer reads either version complete.
    const QString error =
        replaceSharedFile(path, encodeCp932(criteriaFileText(table, levelRows)), wait);
    return error.isEmpty() ? QString() : QStringLiteral("%1\n%2").arg(path, error);
}

} // namespace kz
