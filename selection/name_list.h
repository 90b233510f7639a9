#pragma once
#include "school/roster.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace kz {

class Statistics;
struct Program;

// The four figures of one pupil, summed over levels 1..35.
struct PupilFigures {
    float todayRuns = 0;    // A
    qint32 todayPoints = 0; // B
    qint16 totalRuns = 0;   // C, a 16-bit sum as stored
    qint32 totalPoints = 0; // D
};
PupilFigures pupilFigures(const Statistics& stats, int bangou);

// Fixed-width texts of the figures; a value longer than its field keeps its last digits.
QString todayRunsText(float a);
QString todayPointsText(qint32 b);
QString totalRunsText(qint16 c);
QString totalPointsText(qint32 d);

// Statistics modes of the name list: which two figures follow the name.
enum StatsMode {
    RunsTodayTotal = 0,
    PointsTodayTotal = 1,
    TodayPointsRuns = 2,
    TotalPointsRuns = 3
};
extern const std::array<QString, 4> kStatsModeCaptions;
// "first/second" for the mode.
QString figuresField(const PupilFigures& f, int statsMode);

// The sort key of one list line: birth year, grade label, blank, trimmed name, full-width
// padding, the figures, "*" and the number.
QString nameKey(int birthYear, int gradeIndex, const QString& name, const QString& figures,
                int statsMode, int number);

// One line of the name list.
struct NameRow {
    QString key;     // the whole sort key
    QString display; // what the list shows: grade, name, padding, figures
    QString namePart; // grade, blank and the name, without the list's padding
    int number = 0;
    int gradeNumber = 0;
};

// The name list of the listed pupils: sorted by the whole key, filtered by grade.
std::vector<NameRow> nameRows(const std::vector<RosterEntry>& listed, int schoolYear,
                              const Statistics& stats, int statsMode, const QString& filter);

// The name label for a chosen row: grade, blank and the start of the name, 10 characters at
// most. The list's full-width padding and figures are not part of it; a full-width space of the
// name itself is.
QString nameLabelFor(const NameRow& row);

inline const QString kNoName = QStringLiteral("－－－－－－");
inline const QString kChooseName = QStringLiteral("名前を選びなさい");

// The name screen's model: reading, list, choice, confirmation and the way out.
class NameScreen {
public:
    NameScreen(Program& p, RosterTables& tables) : m_p(p), m_tables(tables) {}

    // 名簿表示: fresh statistics, the roster read again, the list rebuilt and item 0 chosen.
    // A roster that cannot be read shows its message and ends the program.
    void rebuild();
    // The list as shown: item 0 is the "no name" line.
    QStringList listItems() const;
    const std::vector<NameRow>& rows() const { return m_rows; }
    const RosterReading& lastReading() const { return m_reading; }
    // After the screen has loaded: one message naming the roster's bad lines, unless the same
    // was shown before in this process.
    void reportRosterProblems();

    // A click on list item k (0 = no name).
    void choose(int item);
    int chosenItem() const { return m_chosen; }
    const QString& nameLabel() const { return m_label1; }
    const QString& numberLabel() const { return m_label2; }
    void resetNameLabel() { m_label1 = kChooseName; }

    // O.K.: false (wrong sound played) without a chosen name; otherwise the pupil is handed
    // over: Bangou, name, grade and start time are set. The caller then prepares the menu.
    bool confirm();

    int statsMode = PointsTodayTotal;

private:
    Program& m_p;
    RosterTables& m_tables;
    RosterReading m_reading;
    std::vector<NameRow> m_rows;
    int m_chosen = 0;
    QString m_label1 = kChooseName;
    QString m_label2;
};

// ProgramMenuExit: start the launcher beside the program's folder with "001", detached, then
// end the program. A launcher that cannot be started is reported on standard error.
void ProgramMenuExit(Program& p);
// The launcher's path for a program folder ending in "/".
QString launcherPath(const QString& programPath);

} // namespace kz
