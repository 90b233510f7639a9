#pragma once
#include "criteria_table.h"
#include "shell/services.h"
#include "shell/shared_file.h"

#include <array>
#include <QString>
#include <QStringList>
#include <vector>

namespace kz {

// The criteria editor's grid: row 0 the headings, rows 1..lastRow the levels, column 0 the
// level number, columns 1..12 the criteria as text. The edit box lies over the current cell;
// the screen shows what this holds and forwards keys and edits to it.
class CriteriaGrid {
public:
    static constexpr int Columns = 13;
    static constexpr int LastColumn = 12;
    static constexpr int Yellow = 65535; // 0xBBGGRR

    CriteriaGrid();

    // LoadGrid: the criteria file into the grid (the heading line discarded), row for row as
    // the reader takes it, with at least levelCount level rows: a row the file lacks shows
    // empty cells. dataChanged is left as it is. Returns an empty string or a message naming
    // the file.
    QString LoadGrid(const QString& path, int levelCount = 0);
    // The same from the file's text. Cells the reader refuses are marked, and so are the empty
    // numeric cells of a row it refused or that is missing: the save will not take them.
    void loadText(const QString& text, int levelCount = 0);
    // SaveGrid: the heading line and rows 1..lastRow written as a new file that replaces the
    // old one whole; dataChanged, the yellow and the marks cleared; then the running program's
    // table is reloaded from it. Returns an empty string or a message naming the file (then
    // nothing was replaced, also when a cell holds what the file's reader would refuse). The
    // replacement is made under the file's write lock; wait runs while another computer holds
    // it.
    QString SaveGrid(const QString& path, CriteriaTable& table,
                     const std::function<void()>& wait = {});
    // The file text the save writes (CR LF lines, twelve cells joined by ",").
    QString fileText() const;
    // The first cell the save refuses, named by level and column heading, with why; empty
    // when every cell can be saved.
    QString cellProblem() const;

    int lastRow() const { return static_cast<int>(m_cells.size()) - 1; }
    const QString& cell(int row, int column) const { return m_cells[row][column]; }
    bool isYellow(int row, int column) const { return m_yellow[row][column]; }
    // A cell the file held in a form the reader refuses, or one that must be filled.
    bool isMarked(int row, int column) const { return m_marked[row][column]; }
    bool hasMarks() const;

    int row() const { return m_row; }
    int column() const { return m_column; }
    // Last row of the selection that Shift + Down extends (the current row when none).
    int selectionEnd() const { return m_selectionEnd; }
    const QString& editText() const { return m_editText; }
    bool dataChanged() const { return m_dataChanged; }

    // TextToGrid転送: the edit box now holds text; a change colours the cell and marks the data.
    void TextToGrid(const QString& text);
    // GridToText転送: the current cell into the edit box.
    void GridToText();
    // A click on a cell makes it current (rows 1..lastRow, columns 1..12).
    void clickCell(int row, int column);

    enum class Key { Space, Escape, Enter, Up, Down, Left, Right, ShiftDown, Other };
    // A key going down in the edit box. Returns true when the edit box must not see it
    // (everything but Other). The caller rebuilds the distribution afterwards.
    bool keyDown(Key key);

    // The explanation of a column, lines joined by CR LF; empty for 0 and 10..12.
    static QString columnExplanation(int column);
    static const std::array<QString, Columns>& headings();

private:
    void moveTo(int row, int column);

    std::vector<std::array<QString, Columns>> m_cells;
    std::vector<std::array<bool, Columns>> m_yellow;
    std::vector<std::array<bool, Columns>> m_marked;
    // Rows the reader refused or the file lacked: an empty numeric cell there would be read
    // as 0, a time-out of 0 among others, so the save wants a number in each.
    std::vector<bool> m_mustFill;
    int m_row = 0;
    int m_column = 1;
    int m_selectionEnd = 0;
    QString m_editText;
    bool m_dataChanged = false;
};

// The distribution beside the grid: all recorded times in 10-second classes (0..100) and each
// pupil's best time in classes 0..30, per level 1..50. The record file is read again only
// when its size or modification time has changed since the last read.
class TimeDistribution {
public:
    static constexpr int MaxLevel = 50;
    static constexpr int AllClasses = 101; // 0..100
    static constexpr int BestLastClass = 30;

    // Brings the histograms up to date with the file; the wait-and-retry rule applies to a
    // lock. Returns an empty string or the message to show (then the histograms are empty).
    QString refresh(const QString& recordPath, Services& s, int retryWaitMs = 1000);
    // The same from the bytes of whole records.
    void build(const QByteArray& records);

    // List3's and List4's lines for level (heading line, then 101 class lines).
    QStringList allResultLines(int level) const;
    QStringList bestTimeLines(int level) const;
    int runCount(int level) const;
    int reads() const { return m_reads; }

private:
    using Histogram = std::array<int, AllClasses>;
    static QStringList classLines(const Histogram& h, int unit);
    static int unitOf(const Histogram& h);

    std::array<Histogram, MaxLevel + 1> m_all{};
    std::array<Histogram, MaxLevel + 1> m_best{};
    std::array<int, MaxLevel + 1> m_runs{};
    FileStamp m_stamp; // of the file as last read
    int m_reads = 0;
};

} // namespace kz
