#pragma once
#include "shell/field_reader.h"
#include "shell/hensuu1.h"
#include "shell/numbers.h"

#include <array>
#include <vector>
#include <QString>

namespace kz {

// One line of the criteria file as written, and what the reader makes of it.
struct CriteriaLine {
    int number = 0;            // the file's line, 1 for the heading
    std::vector<Field> fields; // the values as read
    std::array<bool, 12> refused{}; // the cells (columns 1..12 at 0..11) the reader refuses
    QString problem; // why the line is refused, naming the line and the column; empty: read
};
// The rows of a criteria text, one a line from row 0, at most 36; blank lines at the end (an
// editor's last line end, an end-of-file mark) hold no row. Every line must hold twelve
// values, and the numeric columns of the level lines numbers or nothing.
std::vector<CriteriaLine> readCriteriaLines(const QString& text);

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

    // How the last read left each row. A refused or missing row keeps the values it held
    // (zeros at start) and closes its level: a pass time of 0 read from "abc" or from nothing
    // would be a wrong rule. A table never read has every row Read.
    enum class RowState { Read, Refused, Missing };
    std::array<RowState, Rows> rowState{};
    std::array<CriteriaLine, Rows> refusal{}; // the line of a Refused row

    // Reads one row per line, starting at row 0, until the text ends or 36 rows are read. A
    // line read fills its row; a refused line leaves its row as it was; rows the text does not
    // reach are Missing. Returns the refused lines' problems (one a line; empty when none);
    // rowsRead receives the number of lines.
    QString read(const QString& text, int* rowsRead = nullptr);

    // The cell texts of one row as the editor shows and writes them.
    std::array<QString, Columns> rowTexts(int row) const;

    // Over-practice limits and windows read as numbers; text and empty count as 0.
    bool overPracticeReached(int level, int runsInWindow, long long pointsInWindow) const;

    // Whether the criteria close a level (1..35): its row was refused or is missing.
    bool closesLevel(int level) const;
    // What a level closed by the criteria shows where it would start; empty when open.
    QString closedReason(int level) const;
};

// Whether a numeric column (the first five) may hold this text as written in the file.
bool numericCriteriaCell(const QString& raw);

// The editor's headings of the nine named columns.
extern const std::array<QString, 9> kCriteriaHeadings;

// A cell as the teacher finds it in the criteria editor: "レベル2 の「目標Time」".
QString criteriaCellName(int level, int column);

// What the last read of a table refused or missed: every refused row and every missing level
// up to levelCount, each with what to do in the criteria editor, naming the cells.
struct CriteriaProblem {
    int row = 0;    // 0: the heading line
    bool missing = false;
    QString detail; // the line, the column and why
    QString advice;
};
std::vector<CriteriaProblem> criteriaProblems(const CriteriaTable& table, int levelCount);
// The message the start shows once for them (empty when there are none): the file, each
// problem with its advice, and which levels stay closed.
QString criteriaProblemMessage(const CriteriaTable& table, int levelCount, const QString& path);

// Reads dataFolder's criteria file into the table. Returns an empty string, or a message
// naming the file when it cannot be read at all (missing, unreadable, not CP932); then the
// table is unchanged. Refused and missing rows are left in the table's rowState.
QString LoadCriteriaFile(CriteriaTable& table, const QString& path);

// The file as the editor writes it: the heading line, then one line per row 1..levelRows,
// twelve cells joined by "," and each line ended by CR LF.
QString criteriaFileText(const std::array<std::array<QString, CriteriaTable::Columns>, CriteriaTable::Rows>& cells,
                         int levelRows);

} // namespace kz
