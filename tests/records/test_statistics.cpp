#include "platform/locked_file.h"
#include "records/statistics.h"
#include "statistics_support.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace kz;
using namespace kz::test;

class TestStatistics : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path() const { return m_dir.filePath(QStringLiteral("成績累積データ.dat")); }
    QDate today() const { return QDate(2026, 12, 9); } // the fake clock's date

    // Level 1: pass 30, rate 1.5, judgement 7 days, over-practice 3 days; level 2 with empty
    // windows, level 3 with text windows.
    CriteriaTable criteria() const {
        return makeCriteria(QStringLiteral("30,60,0,0,1.5,0,0,7,3,,,\r\n"
                                           "30,60,10,1,1,,,,,,,\r\n"
                                           "30,60,0,0,1,,,\"週\",\"三日\",,,\r\n"));
    }

private slots:
    void runPoints_data() {
        QTest::addColumn<int>("passTime");
        QTest::addColumn<int>("time");
        QTest::addColumn<int>("points");
        QTest::newRow("0") << 30 << 0 << 55;
        QTest::newRow("15") << 30 << 15 << 11;
        QTest::newRow("30 at the pass time") << 30 << 30 << 5;
        QTest::newRow("31") << 30 << 31 << 4;
        QTest::newRow("59") << 30 << 59 << 4;
        QTest::newRow("60") << 30 << 60 << 1;
        QTest::newRow("299") << 30 << 299 << 1;
        QTest::newRow("300") << 30 << 300 << 0;
        QTest::newRow("99998") << 30 << 99998 << 0;
        QTest::newRow("99999 timed out") << 30 << 99999 << 0;
        QTest::newRow("first three digits") << 2000 << 1500 << 44;
        QTest::newRow("timed out under a huge pass time") << 200000 << 99999 << 0;
        QTest::newRow("pass time 0") << 0 << 0 << 0;
        QTest::newRow("pass time below 0") << -5 << 3 << 0;
    }
    void runPoints() {
        QFETCH(int, passTime);
        QFETCH(int, time);
        QFETCH(int, points);
        QCOMPARE(RunPoints(time, passTime), points);
    }

    void fullTimePointsDifferFromThreeDigits() {
        // The result screen feeds the whole time: (500 / 2000)^3 * 50 + 5 = 5.78.
        QCOMPARE(RunPointsFullTime(1500, 2000), 5);
        QCOMPARE(RunPointsFullTime(15, 30), 11);
        QCOMPARE(RunPointsFullTime(99999, 200000), 0);
    }

    void ratedPointsStayInRange() {
        QCOMPARE(ratedPoints(11, DecimalNumber::leading(u"1.5")), 16);
        QCOMPARE(ratedPoints(10, DecimalNumber::leading(u"1.1")), 11);
        QCOMPARE(ratedPoints(55, DecimalNumber::leading(u"1000000000000000000000000000000")), 1000000000);
    }

    // The tables take each run's points times the rate as the teacher wrote it.
    void ratedPointsOfRecords_data() {
        QTest::addColumn<QString>("rate");
        QTest::addColumn<int>("time");
        QTest::addColumn<int>("points");
        QTest::newRow("10 x 0.7") << "0.7" << 16 << 7; // 6 with a binary 0.7
        QTest::newRow("11 x 1.5") << "1.5" << 15 << 16;
        QTest::newRow("4 x 0.35") << "0.35" << 45 << 1;
        QTest::newRow("10 x 1.1") << "1.1" << 16 << 11;
    }
    void ratedPointsOfRecords() {
        QFETCH(QString, rate);
        QFETCH(int, time);
        QFETCH(int, points);
        const CriteriaTable c =
            makeCriteria(QStringLiteral("30,60,0,0,%1,0,0,7,3,,,\r\n").arg(rate));
        QCOMPARE(ratedRunPoints(c, 1, time), points);
        writeRecords(path(), {makeRecord(today(), 5, 1, time), makeRecord(today(), 5, 1, time)});
        FakeServices f;
        Statistics st;
        st.ComputeStatistics(path(), c, f.services);
        QCOMPARE(st.pointsAll(1, 5), 2 * points);
        QCOMPARE(st.todayPoints(1, 5), 2 * points);
        QCOMPARE(st.pointsJudge(1, 5), 2 * points);
    }

    void emptyFile() {
        writeRecords(path(), {});
        FakeServices f;
        Statistics st;
        st.ComputeStatistics(path(), criteria(), f.services);
        QCOMPARE(st.scanCount(), 0);
        QCOMPARE(st.bestTime(1, 5), kTimedOut);
        QCOMPARE(st.levelBestTime(1), kTimedOut);
        QCOMPARE(st.pointsAll(1, 5), 0);
    }

    void windows_data() {
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("daysAgo");
        QTest::addColumn<bool>("inJudge");
        QTest::addColumn<bool>("inOver");
        QTest::newRow("today") << 1 << 0 << true << true;
        QTest::newRow("two days ago") << 1 << 2 << true << true;
        QTest::newRow("three days ago: over window ends") << 1 << 3 << true << false;
        QTest::newRow("six days ago: inside") << 1 << 6 << true << false;
        QTest::newRow("seven days ago: outside") << 1 << 7 << false << false;
        QTest::newRow("empty windows, today") << 2 << 0 << false << false;
        QTest::newRow("text windows, today") << 3 << 0 << false << false;
        QTest::newRow("empty windows, dated ahead") << 2 << -1 << false << false;
        // Another computer's clock runs ahead: no window, not today, but all-time figures.
        QTest::newRow("dated tomorrow") << 1 << -1 << false << false;
        QTest::newRow("dated in a year") << 1 << -365 << false << false;
    }
    void windows() {
        QFETCH(int, level);
        QFETCH(int, daysAgo);
        QFETCH(bool, inJudge);
        QFETCH(bool, inOver);
        writeRecords(path(), {makeRecord(today().addDays(-daysAgo), 5, level, 15)});
        FakeServices f;
        Statistics st;
        st.ComputeStatistics(path(), criteria(), f.services);
        const int p = level == 1 ? 16 : 11; // 11 points times the level's rate
        QCOMPARE(st.runCountAll(level, 5), short(1));
        QCOMPARE(st.pointsAll(level, 5), p);
        QCOMPARE(st.runCountJudge(level, 5), short(inJudge ? 1 : 0));
        QCOMPARE(st.pointsJudge(level, 5), inJudge ? p : 0);
        QCOMPARE(st.runCountOver(level, 5), short(inOver ? 1 : 0));
        QCOMPARE(st.pointsOver(level, 5), inOver ? p : 0);
        QCOMPARE(st.todayRunCount(level, 5), daysAgo == 0 ? 1.0f : 0.0f);
        QCOMPARE(st.todayPoints(level, 5), daysAgo == 0 ? p : 0);
    }

    void countedRunsAndPoints() {
        writeRecords(path(), {makeRecord(today(), 5, 1, 15), makeRecord(today(), 5, 1, 99999),
                              makeRecord(today(), 5, 1, 6000), makeRecord(today(), 5, 1, 5999),
                              makeRecord(today(), 5, 2, 40), makeRecord(today(), 6, 1, 20)});
        FakeServices f;
        Statistics st;
        st.ComputeStatistics(path(), criteria(), f.services);
        // 15 -> 16, timed out 0, 6000 not counted and 0 points, 5999 counted and 0 points.
        QCOMPARE(st.runCountAll(1, 5), short(2));
        QCOMPARE(st.pointsAll(1, 5), 16);
        QCOMPARE(st.todayRunCount(1, 5), 2.0f);
        QCOMPARE(st.bestTime(1, 5), 15);
        QCOMPARE(st.todayRunsAllLevels(5), 3.0f);
        QCOMPARE(st.levelBestTime(1), 15);
        QCOMPARE(st.levelBestTime(2), 40);
    }

    void tailOf25000Records() {
        std::vector<SeisekiRecord> recs;
        // Records 1..5000: a pupil faster than anyone, who must leave no trace.
        for (int i = 0; i < 5000; ++i)
            recs.push_back(makeRecord(today(), 7, 1, 1));
        for (int i = 0; i < 20000; ++i)
            recs.push_back(makeRecord(today(), 8, 1, 50));
        recs.back().recordBangou = 9;
        writeRecords(path(), recs);
        FakeServices f;
        Statistics st;
        st.ComputeStatistics(path(), criteria(), f.services);
        QCOMPARE(st.scanCount(), 20000);
        QCOMPARE(st.runCountAll(1, 7), short(0));
        QCOMPARE(st.bestTime(1, 7), kTimedOut);
        QCOMPARE(st.levelBestTime(1), 50);
        QCOMPARE(st.runCountAll(1, 8), short(19999));
        QCOMPARE(st.runCountAll(1, 9), short(1));
    }

    void whole15000RecordFile() {
        std::vector<SeisekiRecord> recs(15000, makeRecord(today(), 8, 1, 50));
        recs.front() = makeRecord(today(), 7, 1, 20);
        recs.back() = makeRecord(today(), 9, 1, 25);
        writeRecords(path(), recs);
        FakeServices f;
        Statistics st;
        st.ComputeStatistics(path(), criteria(), f.services);
        QCOMPARE(st.scanCount(), 15000);
        QCOMPARE(st.runCountAll(1, 7), short(1));
        QCOMPARE(st.runCountAll(1, 9), short(1));
        QCOMPARE(st.levelBestTime(1), 20);
    }

    void invalidRecordsCountNowhere() {
        SeisekiRecord undated = makeRecord(today(), 5, 2, 4);
        undated.recordDate = -1;
        writeRecords(path(), {makeRecord(today(), 0, 1, 3), makeRecord(today(), 5, 0, 2), undated,
                              makeRecord(today(), 5001, 1, 2), makeRecord(today(), 5, 36, 2),
                              makeRecord(today(), 1500, 3, 5), makeRecord(today(), 1000, 3, 9)});
        FakeServices f;
        Statistics st;
        st.ComputeStatistics(path(), criteria(), f.services);
        QCOMPARE(st.scanCount(), 2);
        // Student 0 sets its own best time, though it counts nowhere.
        QCOMPARE(st.bestTime(1, 0), 3);
        QCOMPARE(st.runCountAll(1, 0), short(0));
        QCOMPARE(st.pointsAll(1, 0), 0);
        // An undated record counts nowhere but still sets the best time.
        QCOMPARE(st.bestTime(2, 5), 4);
        QCOMPARE(st.runCountAll(2, 5), short(0));
        QCOMPARE(st.levelBestTime(1), kTimedOut);
        QCOMPARE(st.levelBestTime(2), 4);
        // Student 1500 is fastest on level 3, but only students 1..1000 set the level best.
        QCOMPARE(st.bestTime(3, 1500), 5);
        QCOMPARE(st.levelBestTime(3), 9);
        // Lookups outside the tables read as nothing rather than out of bounds.
        QCOMPARE(st.runCountAll(40, 5), short(0));
        QCOMPARE(st.bestTime(1, -1), kTimedOut);
    }

    void rebuildForgetsEarlierScan() {
        writeRecords(path(), {makeRecord(today(), 5, 1, 15)});
        FakeServices f;
        Statistics st;
        st.ComputeStatistics(path(), criteria(), f.services);
        writeRecords(path(), {makeRecord(today(), 6, 1, 40)});
        st.ComputeStatistics(path(), criteria(), f.services);
        QCOMPARE(st.runCountAll(1, 5), short(0));
        QCOMPARE(st.bestTime(1, 5), kTimedOut);
        QCOMPARE(st.levelBestTime(1), 40);
    }

    void recordBufferHoldsLastRecordRead() {
        SeisekiRecord last = makeRecord(today(), 6, 1, 40);
        last.recordReserved = QByteArray("abcde");
        writeRecords(path(), {makeRecord(today(), 5, 1, 15), last});
        FakeServices f;
        Statistics st;
        SeisekiRecord buffer;
        st.ComputeStatistics(path(), criteria(), f.services, 1.0, &buffer);
        QCOMPARE(buffer.recordBangou, qint16(6));
        QCOMPARE(buffer.recordReserved, QByteArray("abcde"));
    }

    void missingFileRetriesThreeTimesThenEnds() {
        FakeServices f;
        Statistics st;
        const QString missing = m_dir.filePath(QStringLiteral("no-such-folder/成績累積データ.dat"));
        bool ended = false;
        try {
            st.ComputeStatistics(missing, criteria(), f.services);
        } catch (const ProgramEnded&) {
            ended = true;
        }
        QVERIFY(ended);
        QCOMPARE(f.events.waited, (std::vector<int>{5000, 5000, 5000, 5000}));
        QCOMPARE(f.dialogs.messages.size(), 1);
        QVERIFY2(f.dialogs.messages[0].startsWith(QStringLiteral("ファイルがありません3 ")),
                 qPrintable(f.dialogs.messages[0]));
    }

    void missingFileThatAppearsIsRead() {
        FakeServices f;
        Statistics st;
        const QString later = m_dir.filePath(QStringLiteral("later/成績累積データ.dat"));
        f.events.onWait = [&] {
            if (f.events.waited.size() == 2) writeRecords(later, {makeRecord(today(), 5, 1, 15)});
        };
        st.ComputeStatistics(later, criteria(), f.services);
        QCOMPARE(f.events.waited.size(), size_t(2));
        QCOMPARE(st.runCountAll(1, 5), short(1));
        QVERIFY(f.dialogs.messages.isEmpty());
    }

    void heldLockWaitsInOneSecondSteps() {
        writeRecords(path(), {makeRecord(today(), 5, 1, 15)});
        LockedFile holder;
        QCOMPARE(holder.open(path(), false), LockedFile::Status::Ok);
        QCOMPARE(holder.lockExclusive(), LockedFile::Status::Ok);
        FakeServices f;
        f.events.onWait = [&] {
            if (f.events.waited.size() == 3) holder.unlock();
        };
        Statistics st;
        st.ComputeStatistics(path(), criteria(), f.services);
        QCOMPARE(f.events.waited, (std::vector<int>{1000, 1000, 1000}));
        QCOMPARE(st.runCountAll(1, 5), short(1));
        QVERIFY(f.dialogs.messages.isEmpty());
    }

    void otherErrorShowsDetailsAndEnds() {
        // A folder where the file should be: opening for writing fails, not "not found".
        const QString folder = m_dir.filePath(QStringLiteral("a-folder"));
        QDir().mkpath(folder);
        FakeServices f;
        Statistics st;
        SeisekiRecord buffer = makeRecord(today(), 12, 3, 27);
        QVERIFY_THROWS_EXCEPTION(
            ProgramEnded, st.ComputeStatistics(folder, criteria(), f.services, 1.0, &buffer));
        QCOMPARE(f.dialogs.messages.size(), 1);
        const QString m = f.dialogs.messages[0];
        QVERIFY2(m.startsWith(QStringLiteral("成績ランダムファイル表示")), qPrintable(m));
        QVERIFY2(m.contains(QStringLiteral("/name=/Bangou=12/level=3/time=27line")), qPrintable(m));
        QVERIFY(f.events.waited.empty());
    }
};

QTEST_GUILESS_MAIN(TestStatistics)
#include "test_statistics.moc"
