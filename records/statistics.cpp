#include "statistics.h"

#include "shell/numbers.h"
#include "shell/ole_date.h"

#include <algorithm>
#include <cmath>

namespace kz {

static int pointsFor(int time, int d, int passTime) {
    if (passTime <= 0)
        return 0;
    int points;
    if (time <= passTime) {
        const double frac = static_cast<double>(passTime - d) / passTime;
        points = static_cast<int>(wholeFloor(frac * frac * frac * 50.0 + 5.0));
    } else if (time < 2LL * passTime) {
        points = 4;
    } else if (time < 10LL * passTime) {
        points = 1;
    } else {
        points = 0;
    }
    if (time >= 99998)
        points = 0;
    return points;
}

int RunPoints(int time, int passTime) {
    const int d = QString::number(time).left(3).toInt();
    return pointsFor(time, d, passTime);
}

int RunPointsFullTime(int time, int passTime) { return pointsFor(time, time, passTime); }

Statistics::Statistics() {
    const size_t n = static_cast<size_t>(kLevelSlots) * kStudentSlots;
    m_runCountAll.assign(n, 0);
    m_runCountJudge.assign(n, 0);
    m_runCountOver.assign(n, 0);
    m_todayRunCount.assign(n, 0);
    m_pointsAll.assign(n, 0);
    m_pointsJudge.assign(n, 0);
    m_pointsOver.assign(n, 0);
    m_todayPoints.assign(n, 0);
    m_bestTime.assign(n, kTimedOut);
    m_levelBestTime.assign(kLevelSlots, kTimedOut);
    m_scan.reserve(MaxScan);
}

void Statistics::LoadRecords(const QString& recordPath, Services& s, double waitScale) {
    int notFoundRetries = 0;
    std::fill(m_bestTime.begin(), m_bestTime.end(), kTimedOut);
    m_scan.clear();

    const RecordFile file(recordPath);
    qint64 first = 1;
    for (;;) {
        const RecordFile::Result r = file.readTail(MaxScan, &first, &m_readBuffer);
        if (r.ok())
            break;
        const int stage = 5;
        if (r.status == RecordFile::Status::Locked) {
            s.events.waitWithEvents(static_cast<int>(1000 * waitScale));
            continue;
        }
        if (r.status == RecordFile::Status::NotFound) {
            s.events.waitWithEvents(static_cast<int>(5000 * waitScale));
            if (++notFoundRetries < 4)
                continue;
            s.dialogs.message(QStringLiteral("ファイルがありません%1 %2 %3 (%4)")
                                  .arg(stage)
                                  .arg(recordPath, r.errorText)
                                  .arg(r.errorCode));
        } else {
            const SeisekiRecord last = m_readBuffer.empty() ? SeisekiRecord{} : m_readBuffer.back();
            s.dialogs.message(QStringLiteral("成績ランダムファイル表示%1 %2 %3 %4 %5/date%6/i=%7/time=%8"
                                             "/name=/Bangou=%9/level=%10/time=%11line%12")
                                  .arg(stage)
                                  .arg(r.errorCode)
                                  .arg(r.errorText)
                                  .arg(r.errorCode)
                                  .arg(recordPath)
                                  .arg(numberText(last.recordDate))
                                  .arg(first)
                                  .arg(numberText(last.recordTimeOfDay))
                                  .arg(last.recordBangou)
                                  .arg(last.recordLevel)
                                  .arg(last.recordTime)
                                  .arg(stage));
        }
        s.screens.unloadAll();
        s.program.endProgram(1);
    }

    for (const SeisekiRecord& rec : m_readBuffer) {
        const int level = rec.recordLevel;
        const int student = rec.recordBangou;
        // Best times are taken before the validity test, as the scan always has.
        if (level >= 1 && level <= 35 && student >= 0 && student <= 5000) {
            int& best = m_bestTime[at(level, student)];
            if (best > rec.recordTime)
                best = rec.recordTime;
        }
        if (!rec.isValidForStatistics())
            continue;
        m_scan.push_back({rec.recordDate, rec.recordTimeOfDay, rec.recordBangou, rec.recordLevel,
                          rec.recordTime});
    }

    for (int level = 1; level <= 35; ++level) {
        int best = kTimedOut;
        for (int student = 1; student <= 1000; ++student)
            best = std::min(best, m_bestTime[at(level, student)]);
        m_levelBestTime[level] = best;
    }
}

void Statistics::countScan(const CriteriaTable& criteria, const QDate& today,
                           double secondsSinceMidnight) {
    std::fill(m_runCountAll.begin(), m_runCountAll.end(), 0);
    std::fill(m_runCountJudge.begin(), m_runCountJudge.end(), 0);
    std::fill(m_runCountOver.begin(), m_runCountOver.end(), 0);
    std::fill(m_todayRunCount.begin(), m_todayRunCount.end(), 0.0f);
    std::fill(m_pointsAll.begin(), m_pointsAll.end(), 0);
    std::fill(m_pointsJudge.begin(), m_pointsJudge.end(), 0);
    std::fill(m_pointsOver.begin(), m_pointsOver.end(), 0);
    std::fill(m_todayPoints.begin(), m_todayPoints.end(), 0);

    const double todayOle = oleDate(today);
    const double now = todayOle + oleTimeOfDay(secondsSinceMidnight);
    // Window starts per level; a text or empty length counts as 0 days (selects nothing).
    double judgeFrom[kLevelSlots];
    double overFrom[kLevelSlots];
    for (int l = 1; l < kLevelSlots; ++l) {
        judgeFrom[l] = now - criteria.judgeDays[l].numberOrZero();
        overFrom[l] = now - criteria.overDays[l].numberOrZero();
    }

    for (const ScanEntry& e : m_scan) {
        const int l = e.level;
        const int i = at(l, e.bangou);
        const bool counted = e.time < CountedBelow;
        const int p = static_cast<int>(
            wholeFloor(RunPoints(e.time, criteria.passTime[l]) * static_cast<double>(criteria.pointRate[l])));
        if (counted)
            ++m_runCountAll[i];
        if (e.date > judgeFrom[l]) {
            if (counted)
                ++m_runCountJudge[i];
            m_pointsJudge[i] += p;
        }
        if (e.date > overFrom[l]) {
            if (counted)
                ++m_runCountOver[i];
            m_pointsOver[i] += p;
        }
        m_pointsAll[i] += p;
        if (e.date == todayOle) {
            if (counted)
                m_todayRunCount[i] += 1.0f;
            m_todayPoints[i] += p;
        }
    }
}

void Statistics::ComputeStatistics(const QString& recordPath, const CriteriaTable& criteria,
                                   Services& s, double waitScale) {
    LoadRecords(recordPath, s, waitScale);
    countScan(criteria, s.clock.today(), s.clock.secondsSinceMidnight());
}

float Statistics::todayRunsAllLevels(int b) const {
    float sum = 0;
    for (int l = 1; l <= 35; ++l)
        sum += m_todayRunCount[at(l, b)];
    return sum;
}

} // namespace kz
