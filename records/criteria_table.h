#pragma once
#include "shell/field_reader.h"
#include "shell/hensuu1.h"
#include "shell/numbers.h"

#include <array>
#include <functional>
#include <QString>

namespace kz {

// The per-level criteria, twelve parallel columns indexed by level 0..35; row 0 holds the
// file's heading line. Columns 6..12 keep the value as read: number, text or empty.
struct CriteriaTable {
    static constexpr int Rows = kLevelSlots;
    static constexpr int Columns = 12;

    std::array<int, Rows> passTime{};
    std::array<int, Rows> minimumTime{};
    std::array<int, Rows> clearPoints{};
    std::array<short, Rows> clearCount{};
    std::array<DecimalNumber, Rows> pointRate{}; // as written, so points x rate is exact
    std::array<Field, Rows> overCount{};
    std::array<Field, Rows> overPoints{};
    std::array<Field, Rows> judgeDays{};
    std::array<Field, Rows> overDays{};
    std::array<Field, Rows> spare10{};
    std::array<Field, Rows> spare11{};
    std::array<Field, Rows> spare12{};

    // Reads one row per line, starting at row 0, until the text ends or 36 rows are read.
    // Rows the text does not reach keep their values. Every line read must hold twelve values,
    // and the numeric columns of the level lines numbers or nothing; otherwise nothing is
    // changed and the result names the first bad line and column. rowsRead receives the count.
    QString read(const QString& text, int* rowsRead = nullptr);

    // The cell texts of one row as the editor shows and writes them.
    std::array<QString, Columns> rowTexts(int row) const;

    // Over-practice limits and windows read as numbers; text and empty count as 0.
    bool overPracticeReached(int level, int runsInWindow, long long pointsInWindow) const;
};

// Whether a numeric column (the first five) may hold this text as written in the file.
bool numericCriteriaCell(const QString& raw);

// The editor's headings of the nine named columns.
extern const std::array<QString, 9> kCriteriaHeadings;

// Reads dataFolder's criteria file into the table. Returns an empty string or a message
// naming the file, the line and the column; the program must not start with such a file.
QString LoadCriteriaFile(CriteriaTable& table, const QString& path);

// The file as the editor writes it: the heading line, then one line per row 1..levelRows,
// twelve cells joined by "," and each line ended by CR LF.
QString criteriaFileText(const std::array<std::array<QString, CriteriaTable::Columns>, CriteriaTable::Rows>& cells,
                         int levelRows);
QString criteriaFileText(const CriteriaTable& table, int levelRows);

// Writes that text in CP932 under the file's write lock (wait runs while another computer
// holds it). Returns an empty string or a message naming the file.
QString SaveCriteriaFile(const CriteriaTable& table, int levelRows, const QString& path,
                         const std::function<void()>& wait = {});

} // namespace kz
