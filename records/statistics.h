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
// Int(points x pointRate), exact on the rate as written (10 x "0.7" = 7), held within
// -1e9..1e9 so that sums of such points cannot overflow.
int ratedPoints(int points, const DecimalNumber& pointRate);
// The points one run of a level adds to every table and view: RunPoints on the level's pass
// time times its rate. Levels outside 0..35 earn 0. Every figure of points goes through this.
int ratedRunPoints(const CriteriaTable& criteria, int level, int time);

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
    // Levels 0..35 and students 0..5000; anything else reads as no runs and no best time.
    static bool inTable(int level, int student) {
        return level >= 0 && level < kLevelSlots && student >= 0 && student < kStudentSlots;
    }

    short runCountAll(int l, int b) const { return get(m_runCountAll, l, b, short(0)); }
    short runCountJudge(int l, int b) const { return get(m_runCountJudge, l, b, short(0)); }
    short runCountOver(int l, int b) const { return get(m_runCountOver, l, b, short(0)); }
    float todayRunCount(int l, int b) const { return get(m_todayRunCount, l, b, 0.0f); }
    qint32 pointsAll(int l, int b) const { return get(m_pointsAll, l, b, qint32(0)); }
    qint32 pointsJudge(int l, int b) const { return get(m_pointsJudge, l, b, qint32(0)); }
    qint32 pointsOver(int l, int b) const { return get(m_pointsOver, l, b, qint32(0)); }
    qint32 todayPoints(int l, int b) const { return get(m_todayPoints, l, b, qint32(0)); }
    int bestTime(int l, int b) const { return get(m_bestTime, l, b, kTimedOut); }
    int levelBestTime(int l) const {
        return l >= 0 && l < kLevelSlots ? m_levelBestTime[l] : kTimedOut;
    }
    void setBestTime(int l, int b, int t) {
        if (inTable(l, b)) m_bestTime[at(l, b)] = t;
    }
    void setLevelBestTime(int l, int t) {
        if (l >= 0 && l < kLevelSlots) m_levelBestTime[l] = t;
    }

    const std::vector<ScanEntry>& scan() const { return m_scan; }
    int scanCount() const { return static_cast<int>(m_scan.size()); }
    // The raw records of the last read (the last MaxScan of the file), for the views that
    // share the refresh's one read.
    const QByteArray& lastReadBytes() const { return m_readBytes; }

    // Reads the last MaxScan records in one read into the scan and sets the best times. File
    // errors: not found waits 5 s and is retried three times, then "ファイルがありません" ends the
    // program; a held lock waits 1 s and repeats without limit; any other error shows
    // "成績ランダムファイル表示" with its details and ends the program. waitScale shortens the
    // waits in tests (1.0 in the program). recordBuffer, when given, receives the last record
    // read (every read of the file goes through it) and supplies the details of an error.
    void LoadRecords(const QString& recordPath, Services& s, double waitScale = 1.0,
                     SeisekiRecord* recordBuffer = nullptr);

    // One attempt of the read above, without waits or messages: the tables change only when
    // it succeeds; a held lock or a missing file is returned to the caller (the browser drill's
    // server answers the request instead of waiting). firstNumber: the first record read.
    RecordFile::Result tryLoadRecords(const QString& recordPath, SeisekiRecord* recordBuffer,
                                      qint64* firstNumber = nullptr);

    // Rebuilds every table from the file, with the windows counted back from today and the
    // clock's time of day.
    void ComputeStatistics(const QString& recordPath, const CriteriaTable& criteria, Services& s,
                           double waitScale = 1.0, SeisekiRecord* recordBuffer = nullptr);

    // The counting part alone, on the scan already loaded.
    void countScan(const CriteriaTable& criteria, const QDate& today, double secondsSinceMidnight);

    // Sums over levels 1..35 for one student.
    float todayRunsAllLevels(int b) const;

    // Stage numbers of the error messages: opening, sizing, reading.
    static constexpr int StageOpen = 3, StageSize = 4, StageRead = 5;

private:
    template <typename T> static T get(const std::vector<T>& table, int l, int b, T none) {
        return inTable(l, b) ? table[at(l, b)] : none;
    }

    std::vector<short> m_runCountAll, m_runCountJudge, m_runCountOver;
    std::vector<float> m_todayRunCount;
    std::vector<qint32> m_pointsAll, m_pointsJudge, m_pointsOver, m_todayPoints;
    std::vector<int> m_bestTime;
    std::vector<int> m_levelBestTime;
    std::vector<ScanEntry> m_scan;
    QByteArray m_readBytes; // the raw records of the last read, kept to reuse its memory
};

} // namespace kz
