#pragma once
#include "criteria_table.h"
#include "record_file.h"
#include "shell/hensuu1.h"
#include "shell/services.h"

#include <vector>

namespace kz {

// Points one run earns before the level's rate: a run at or under the pass time earns
// Int(((P - D) / P)^3 * 50 + 5) with D the first three digits of the time, slower runs 4, 1 or
// 0, a timed-out run 0. A pass time of 0 or below earns 0 (nothing divides by zero).
int RunPoints(int time, int passTime);
// The same formula on the whole time, as the result screen shows it.
int RunPointsFullTime(int time, int passTime);

// Per-level, per-student tables rebuilt from the last 20000 records of the record file.
class Statistics {
public:
    static constexpr int MaxScan = 20000;
    static constexpr int CountedBelow = 6000; // a run counts when its time is below this

    struct ScanEntry {
        double date;
        double timeOfDay;
        qint16 bangou;
        qint16 level;
        qint32 time;
    };

    Statistics();

    static int at(int level, int student) { return level * kStudentSlots + student; }

    short runCountAll(int l, int b) const { return m_runCountAll[at(l, b)]; }
    short runCountJudge(int l, int b) const { return m_runCountJudge[at(l, b)]; }
    short runCountOver(int l, int b) const { return m_runCountOver[at(l, b)]; }
    float todayRunCount(int l, int b) const { return m_todayRunCount[at(l, b)]; }
    qint32 pointsAll(int l, int b) const { return m_pointsAll[at(l, b)]; }
    qint32 pointsJudge(int l, int b) const { return m_pointsJudge[at(l, b)]; }
    qint32 pointsOver(int l, int b) const { return m_pointsOver[at(l, b)]; }
    qint32 todayPoints(int l, int b) const { return m_todayPoints[at(l, b)]; }
    int bestTime(int l, int b) const { return m_bestTime[at(l, b)]; }
    int levelBestTime(int l) const { return m_levelBestTime[l]; }
    void setBestTime(int l, int b, int t) { m_bestTime[at(l, b)] = t; }
    void setLevelBestTime(int l, int t) { m_levelBestTime[l] = t; }

    const std::vector<ScanEntry>& scan() const { return m_scan; }
    int scanCount() const { return static_cast<int>(m_scan.size()); }

    // Reads the records into the scan and sets the best times. File errors follow the scan's
    // rules: not found waits 5 s, three retries, then "ファイルがありません"; a lock waits 1 s and
    // repeats; any other error shows "成績ランダムファイル表示" with its details. The last two
    // end the program. waitScale shortens the waits in tests (1.0 in the program).
    void LoadRecords(const QString& recordPath, Services& s, double waitScale = 1.0);

    // Rebuilds every table from the file, with the windows counted back from today and the
    // clock's time of day.
    void ComputeStatistics(const QString& recordPath, const CriteriaTable& criteria, Services& s,
                           double waitScale = 1.0);

    // The counting part alone, on the scan already loaded.
    void countScan(const CriteriaTable& criteria, const QDate& today, double secondsSinceMidnight);

    // Sums over levels 1..35 for one student.
    float todayRunsAllLevels(int b) const;

private:
    std::vector<short> m_runCountAll, m_runCountJudge, m_runCountOver;
    std::vector<float> m_todayRunCount;
    std::vector<qint32> m_pointsAll, m_pointsJudge, m_pointsOver, m_todayPoints;
    std::vector<int> m_bestTime;
    std::vector<int> m_levelBestTime;
    std::vector<ScanEntry> m_scan;
    std::vector<SeisekiRecord> m_readBuffer;
};

} // namespace kz
