#include "name_list.h"

#include "platform/system_services.h"
#include "records/program.h"
#include "records/statistics.h"
#include "shell/field_reader.h"
#include "shell/numbers.h"

#include <algorithm>
#include <cmath>

namespace kz {

PupilFigures pupilFigures(const Statistics& stats, int bangou) {
    PupilFigures f;
    long long totalRuns = 0;
    for (int level = 1; level < kLevelSlots; ++level) {
        f.todayRuns += stats.todayRunCount(level, bangou);
        // Saturating like the tables they add up: a pupil's figures never wrap negative.
        f.todayPoints = saturatingAdd32(f.todayPoints, stats.todayPoints(level, bangou));
        totalRuns += stats.runCountAll(level, bangou);
        f.totalPoints = saturatingAdd32(f.totalPoints, stats.pointsAll(level, bangou));
    }
    f.totalRuns = toInt16(totalRuns);
    return f;
}

QString todayRunsText(float a) {
    if (a == 0) return QStringLiteral("     ");
    return rightPart(QStringLiteral("  ") + singleText(a), 3) + QStringLiteral("回");
}

QString todayPointsText(qint32 b) {
    if (b == 0) return QStringLiteral("  　");
    return rightPart(QStringLiteral("   ") + QString::number(b), 4);
}

QString totalRunsText(qint16 c) {
    if (c == 0) return QStringLiteral("     　");
    return rightPart(QStringLiteral("      ") + QString::number(c), 5) + QStringLiteral("回");
}

QString totalPointsText(qint32 d) {
    if (d == 0) return QStringLiteral("       ");
    return rightPart(QStringLiteral("      ") + QString::number(d), 7);
}

const std::array<QString, 4> kStatsModeCaptions = {
    QStringLiteral("回数(今日／今まで）"), QStringLiteral("ポイント（今日／今まで）"),
    QStringLiteral("本日（ポイント／回数）"), QStringLiteral("今まで（ポイント／回数）")};

QString figuresField(const PupilFigures& f, int statsMode) {
    switch (statsMode) {
    case RunsTodayTotal:
        return todayRunsText(f.todayRuns) + u'/' + totalRunsText(f.totalRuns);
    case TodayPointsRuns:
        return todayPointsText(f.todayPoints) + u'/' + todayRunsText(f.todayRuns);
    case TotalPointsRuns:
        return totalPointsText(f.totalPoints) + u'/' + totalRunsText(f.totalRuns);
    case PointsTodayTotal:
    default:
        return todayPointsText(f.todayPoints) + u'/' + totalPointsText(f.totalPoints);
    }
}

namespace {

QString namePartOf(int gradeIndex, const QString& name) {
    return displayGrade(gradeIndex) + u' ' + trimBlanks(name);
}

// Grade, blank, name and the full-width padding that lines the figures up in a fixed-pitch font.
QString paddedName(int gradeIndex, const QString& name, int statsMode) {
    const QString part = namePartOf(gradeIndex, name);
    const int width = (statsMode == PointsTodayTotal || gradeIndex > 0) ? 9 : 11;
    return part.length() >= width ? part : part + QString(width - part.length(), QChar(0x3000));
}

} // namespace

QString nameKey(int birthYear, int gradeIndex, const QString& name, const QString& figures,
                int statsMode, int number) {
    return QString::number(std::abs(birthYear)) + paddedName(gradeIndex, name, statsMode) +
           figures + u'*' + QString::number(number);
}

std::vector<NameRow> nameRows(const std::vector<RosterEntry>& listed, int schoolYear,
                              const Statistics& stats, int statsMode, const QString& filter) {
    std::vector<NameRow> rows;
    rows.reserve(listed.size());
    for (const RosterEntry& e : listed) {
        const int grade = gradeIndexOf(schoolYear, e.birthYear);
        NameRow row;
        row.number = e.number;
        row.gradeNumber = grade;
        row.namePart = namePartOf(grade, e.name);
        row.key =
            nameKey(e.birthYear, grade, e.name,
                    figuresField(pupilFigures(stats, e.number), statsMode), statsMode, row.number);
        // Cut by the known lengths, not by searching the text, so a "*" in a name or a birth
        // year of other than four digits cannot shift the number or the display text.
        const qsizetype from = QString::number(std::abs(e.birthYear)).length();
        const qsizetype star = row.key.length() - QString::number(row.number).length() - 1;
        row.display = row.key.mid(from, star - from);
        rows.push_back(std::move(row));
    }
    // Whole rows compared by UTF-16 code units: the oldest birth years come first.
    std::stable_sort(rows.begin(), rows.end(),
                     [](const NameRow& a, const NameRow& b) { return a.key < b.key; });
    std::erase_if(rows, [&](const NameRow& r) { return !gradeFilterKeeps(filter, r.gradeNumber); });
    return rows;
}

QString nameLabelFor(const NameRow& row) {
    return trimBlanks(row.namePart.left(10));
}

void NameScreen::rebuild() {
    Hensuu1& h = m_p.h;
    m_p.computeStatistics();
    m_reading = readRosterFile(m_p.rosterFilePath(), m_tables, m_p.s.clock.today(),
                               h.commonLine1.toNumber(), commonLine3Lists(h.commonLine3) ? 1 : 0);
    if (!m_reading.ok()) {
        m_p.s.dialogs.message(m_reading.error, h.programTitle);
        m_p.s.program.endProgram(1);
    }
    m_rows = nameRows(m_reading.listed, m_tables.schoolYear, m_p.stats, statsMode, h.gradeFilter);
    choose(0);
}

void NameScreen::reportRosterProblems() {
    const QString msg = rosterProblemsMessage(m_reading, m_p.rosterFilePath());
    if (msg.isEmpty() || msg == m_tables.reportedProblems) return;
    m_tables.reportedProblems = msg;
    m_p.s.dialogs.message(msg, m_p.h.programTitle);
}

QStringList NameScreen::listItems() const {
    QStringList items{kNoName};
    items.reserve(static_cast<qsizetype>(m_rows.size()) + 1);
    for (const NameRow& r : m_rows)
        items << r.display;
    return items;
}

void NameScreen::choose(int item) {
    if (item <= 0 || item > static_cast<int>(m_rows.size())) {
        m_chosen = 0;
        m_label1 = kChooseName;
        return;
    }
    m_chosen = item;
    const NameRow& row = m_rows[item - 1];
    m_label1 = nameLabelFor(row);
    m_label2 = QString::number(row.number);
}

bool NameScreen::confirm() {
    if (m_label1 == kChooseName || m_label1.isEmpty()) {
        m_p.sounds.PlayWrongSound();
        return false;
    }
    Hensuu1& h = m_p.h;
    h.usageStartTime = static_cast<int>(roundHalfEven(m_p.s.clock.secondsSinceMidnight()));
    h.usageStartTick = m_p.s.clock.tickMs();
    h.Bangou = std::clamp(static_cast<int>(leadingNumber(m_label2)), 0, kStudentSlots - 1);
    h.studentName = m_tables.studentNames[h.Bangou];
    h.studentGrade = m_tables.gradeTexts[h.Bangou];
    return true;
}

QString launcherPath(const QString& programPath) {
    return programPath + QStringLiteral("../起動/プログラムメニューc.exe");
}

void ProgramMenuExit(Program& p) {
    const QString program = launcherPath(p.h.programPath);
    const QString error = startDetachedProgram(program, {QStringLiteral("001")});
    // Said in a box: a windowed program's error output is seen by nobody.
    if (!error.isEmpty()) p.s.dialogs.message(error);
    // The end of every way out moves the runs an older program appended to an erased file.
    p.s.program.endProgram(0);
}

} // namespace kz
