#include "statistics.h"

#include <QDir>

#include "shell/numbers.h"
#include "shell/ole_date.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kz {

static int pointsFor(int time, int d, int passTime) {
    if (passTime <= 0) return 0;
    int points;
    if (time <= passTime) {
        const double frac = static_cast<double>(passTime - static_cast<double>(d)) / passTime;
        // A negative time from a damaged record would make the cube huge: keep it in range.
        const double raw = wholeFloor(frac * frac * frac * 50.0 + 5.0);
        points = static_cast<int>(std::clamp(raw, -1e9, 1e9));
    } else if (time < 2LL * passTime) {
        points = 4;
    } else if (time < 10LL * passTime) {
        points = 1;
    } else {
        points = 0;
    }
    if (time >= 99998) points = 0;
    return points;
}

// The number the first three characters of the time's decimal text form ("-1234" -> -12),
// without building the text: the scan calls this for every record.
static int firstThreeCharacters(int time) {
    qint64 v = time;
    if (v >= 0) {
        while (v >= 1000)
            v /= 10;
        return static_cast<int>(v);
    }
    v = -v;
    while (v >= 100)
        v /= 10;
    return static_cast<int>(-v);
}

int RunPoints(int time, int passTime) {
    return pointsFor(time, firstThreeCharacters(time), passTime);
}

int RunPointsFullTime(int time, int passTime) {
    return pointsFor(time, time, passTime);
}

int ratedPoints(int points, const DecimalNumber& pointRate) {
    return static_cast<int>(pointRate.floorTimes(points));
}

int ratedRunPoints(const CriteriaTable& criteria, int level, int time) {
    if (level < 0 || level >= kLevelSlots) return 0;
    return ratedPoints(RunPoints(time, criteria.passTime[level]), criteria.pointRate[level]);
}

namespace {
// Point sums stay within their 32-bit tables however extreme the rate.
void addPoints(qint32& sum, int p) { sum = saturatingAdd32(sum, p); }
} // namespace

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

void Statistics::LoadRecords(const QString& recordPath, Services& s, double waitScale,
                             SeisekiRecord* recordBuffer) {
    int notFoundRetries = 0;
    qint64 first = 1;
    for (;;) {
        const RecordFile::Result r = tryLoadRecords(recordPath, recordBuffer, &first);
        if (r.ok()) return;
        if (r.status == RecordFile::Status::Locked) {
            s.events.waitWithEvents(static_cast<int>(1000 * waitScale));
            continue;
        }
        if (r.status == RecordFile::Status::NotFound) {
            // Only opening meets a missing file (or folder); a share may come back shortly.
            s.events.waitWithEvents(static_cast<int>(5000 * waitScale));
            if (++notFoundRetries < 4) continue;
            s.dialogs.message(QStringLiteral("ファイルがありません%1 %2 %3\n%4")
                                  .arg(QString::number(StageOpen), r.errorText,
                                       QString::number(r.errorCode), recordPath));
        } else {
            // The details are those of the record last read, as the buffer holds it.
            const SeisekiRecord last = recordBuffer ? *recordBuffer : SeisekiRecord{};
            const int stage = StageRead;
            s.dialogs.message(
                QStringLiteral("成績ランダムファイル表示%1 %2 %3 %4/date%5/i=%6/time=%7"
                               "/name=/Bangou=%8/level=%9/time=%10line%11")
                    .arg(QString::number(stage), QString::number(r.errorCode), r.errorText,
                         QString::number(r.errorCode), numberText(last.recordDate),
                         QString::number(first), numberText(last.recordTimeOfDay),
                         QString::number(last.recordBangou), QString::number(last.recordLevel),
                         QString::number(last.recordTime), QString::number(stage)) +
                u'\n' + QDir::toNativeSeparators(recordPath));
        }
        s.screens.unloadAll();
        s.program.endProgram(1);
    }
}

RecordFile::Result Statistics::tryLoadRecords(const QString& recordPath,
                                              SeisekiRecord* recordBuffer, qint64* firstNumber) {
    qint64 first = 1;
    const RecordFile::Result r = RecordFile(recordPath).readTailBytes(MaxScan, &first, &m_readBytes);
    if (firstNumber) *firstNumber = first;
    if (!r.ok()) return r;
    std::fill(m_bestTime.begin(), m_bestTime.end(), kTimedOut);
    m_scan.clear();
    const qsizetype n = m_readBytes.size() / SeisekiRecord::Size;
    if (recordBuffer && n > 0)
        SeisekiRecord::decode(m_readBytes.constData() + (n - 1) * SeisekiRecord::Size,
                              SeisekiRecord::Size, recordBuffer);

    for (qsizetype k = 0; k < n; ++k) {
        const SeisekiRecord::Numbers rec =
            SeisekiRecord::decodeNumbers(m_readBytes.constData() + k * SeisekiRecord::Size);
        // Best times are taken before the validity test: a skipped record may still set one.
        if (rec.level >= 1 && rec.level <= 35 && rec.bangou >= 0 && rec.bangou <= 5000) {
            int& best = m_bestTime[at(rec.level, rec.bangou)];
            if (best > rec.time) best = rec.time;
        }
        if (!SeisekiRecord::isValidForStatistics(rec.date, rec.bangou, rec.level)) continue;
        m_scan.push_back({rec.date, rec.timeOfDay, rec.bangou, rec.level, rec.time});
    }

    for (int level = 1; level <= 35; ++level) {
        int best = kTimedOut;
        for (int student = 1; student <= 1000; ++student)
            best = std::min(best, m_bestTime[at(level, student)]);
        m_levelBestTime[level] = best;
    }
    return r;
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
    const double tomorrowOle = todayOle + 1;
    // Window starts per level. A length of 0 or less, text or empty selects nothing, not even a
    // record another computer dated ahead of this one's clock.
    constexpr double never = std::numeric_limits<double>::infinity();
    double judgeFrom[kLevelSlots];
    double overFrom[kLevelSlots];
    for (int l = 1; l < kLevelSlots; ++l) {
        const double judgeDays = criteria.judgeDays[l].numberOrZero();
        const double overDays = criteria.overDays[l].numberOrZero();
        judgeFrom[l] = judgeDays > 0 ? now - judgeDays : never;
        overFrom[l] = overDays > 0 ? now - overDays : never;
    }

    for (const ScanEntry& e : m_scan) {
        const int l = e.level;
        const int i = at(l, e.bangou);
        const bool counted = e.time < CountedBelow;
        const int p = ratedRunPoints(criteria, l, e.time);
        // A record dated after today (another computer's clock runs ahead) belongs to no
        // window and not to today; the all-time figures still count it.
        const bool future = e.date >= tomorrowOle;
        if (counted) ++m_runCountAll[i];
        if (!future && e.date > judgeFrom[l]) {
            if (counted) ++m_runCountJudge[i];
            addPoints(m_pointsJudge[i], p);
        }
        if (!future && e.date > overFrom[l]) {
            if (counted) ++m_runCountOver[i];
            addPoints(m_pointsOver[i], p);
        }
        addPoints(m_pointsAll[i], p);
        if (e.date == todayOle) {
            if (counted) m_todayRunCount[i] += 1.0f;
            addPoints(m_todayPoints[i], p);
        }
    }
}

void Statistics::ComputeStatistics(const QString& recordPath, const CriteriaTable& criteria,
                                   Services& s, double waitScale, SeisekiRecord* recordBuffer) {
    LoadRecords(recordPath, s, waitScale, recordBuffer);
    countScan(criteria, s.clock.today(), s.clock.secondsSinceMidnight());
}

float Statistics::todayRunsAllLevels(int b) const {
    float sum = 0;
    if (!inTable(1, b)) return sum;
    for (int l = 1; l <= 35; ++l)
        sum += m_todayRunCount[at(l, b)];
    return sum;
}

} // namespace kz
