#include "records/availability.h"
#include "statistics_support.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace kz;
using namespace kz::test;

// Four levels; level 4 is the target. Level 2 refuses after 10 runs in 3 days, level 1 after
// 30 points in 3 days, level 3 has no limits. The target level clears with 100 points in 7
// days and has limits of its own (1 run, 1 point) that must never refuse it.
class TestAvailability : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QDate today() const { return QDate(2026, 12, 9); }
    CriteriaTable criteria() const {
        return makeCriteria(QStringLiteral("30,60,0,0,1,0,30,7,3,,,\r\n"
                                           "30,60,0,0,1,10,0,7,3,,,\r\n"
                                           "30,60,0,0,1,,,7,3,,,\r\n"
                                           "30,60,100,1,1,1,1,7,3,,,\r\n"));
    }
    LevelAvailability availability(const std::vector<SeisekiRecord>& recs) {
        const QString path = m_dir.filePath(QStringLiteral("成績累積データ.dat"));
        writeRecords(path, recs);
        FakeServices f;
        Statistics st;
        const CriteriaTable c = criteria();
        st.ComputeStatistics(path, c, f.services);
        return levelAvailability(4, c, st, 5);
    }
    std::vector<SeisekiRecord> runs(int n, int level, int daysAgo, int time = 40) {
        return std::vector<SeisekiRecord>(static_cast<size_t>(n),
                                          makeRecord(today().addDays(-daysAgo), 5, level, time));
    }

private slots:
    void overCountOnLevel2_data() {
        QTest::addColumn<int>("recent");
        QTest::addColumn<int>("old");
        QTest::addColumn<int>("timedOut");
        QTest::addColumn<bool>("refused");
        QTest::newRow("nine runs") << 9 << 0 << 0 << false;
        QTest::newRow("tenth run") << 10 << 0 << 0 << true;
        QTest::newRow("runs four days ago fall out") << 5 << 5 << 0 << false;
        QTest::newRow("timed-out runs do not count") << 9 << 0 << 3 << false;
    }
    void overCountOnLevel2() {
        QFETCH(int, recent);
        QFETCH(int, old);
        QFETCH(int, timedOut);
        QFETCH(bool, refused);
        auto recs = runs(recent, 2, 2);
        for (const auto& r : runs(old, 2, 4))
            recs.push_back(r);
        for (const auto& r : runs(timedOut, 2, 0, kTimedOut))
            recs.push_back(r);
        const LevelAvailability a = availability(recs);
        QCOMPARE(a.targetLevelCleared, 0);
        QCOMPARE(a.refused[2], refused);
        QCOMPARE(a.enabled[2], !refused);
        QVERIFY(a.enabled[1] && a.enabled[3] && a.enabled[4]);
        QVERIFY(!a.enabled[5]);
    }

    void overPointsOnLevel1() {
        // 11 points a run at time 15: two runs 22, three runs 33 reach 30.
        QVERIFY(!availability(runs(2, 1, 0, 15)).refused[1]);
        QVERIFY(availability(runs(3, 1, 0, 15)).refused[1]);
        // A timed-out run adds no points.
        auto recs = runs(2, 1, 0, 15);
        recs.push_back(makeRecord(today(), 5, 1, kTimedOut));
        QVERIFY(!availability(recs).refused[1]);
    }

    void clearedTargetRefusesNothing() {
        auto recs = runs(10, 2, 0);
        for (const auto& r : runs(3, 1, 0, 15))
            recs.push_back(r);
        recs.push_back(makeRecord(today(), 5, 4, 0)); // 55 points each
        recs.push_back(makeRecord(today(), 5, 4, 0));
        const LevelAvailability a = availability(recs);
        QCOMPARE(a.targetLevelCleared, 1);
        for (int l = 1; l <= 4; ++l) {
            QVERIFY(a.enabled[l]);
            QVERIFY(!a.refused[l]);
        }
    }

    void lastLevelAndUnlimitedLevelsNeverRefused() {
        // The target level's own limits are reached by runs too slow to clear it, and level 3
        // has no limits at all.
        auto recs = runs(2, 4, 0, 59);
        for (const auto& r : runs(20, 3, 0, 15))
            recs.push_back(r);
        const LevelAvailability a = availability(recs);
        QCOMPARE(a.targetLevelCleared, 0);
        QVERIFY(a.enabled[3] && !a.refused[3]);
        QVERIFY(a.enabled[4] && !a.refused[4]);
    }

    void levelCountBeyondTable() {
        const QString path = m_dir.filePath(QStringLiteral("成績累積データ.dat"));
        writeRecords(path, {});
        FakeServices f;
        Statistics st;
        const CriteriaTable c = criteria();
        st.ComputeStatistics(path, c, f.services);
        const LevelAvailability a = levelAvailability(99, c, st, 5);
        // Level 35 is the last the menu has room for; the file has no row for it.
        QVERIFY(!a.enabled[35]);
        QCOMPARE(a.closedText[35], QStringLiteral("基準ファイルを直してください"));
        QCOMPARE(levelAvailability(0, c, st, 5).enabled[1], false);
    }

    // A level whose criteria row is refused or missing is closed with the reason; a closed
    // target level is never taken as cleared (its zeros would clear it and lift every
    // over-practice refusal).
    void criteriaCloseLevels_data() {
        QTest::addColumn<QString>("levelLines");
        QTest::addColumn<int>("closed");
        QTest::newRow("word as level 2's pass time") << QStringLiteral("30,60,0,0,1,0,30,7,3,,,\r\n"
                                                                       "abc,60,0,0,1,10,0,7,3,,,\r\n"
                                                                       "30,60,0,0,1,,,7,3,,,\r\n"
                                                                       "30,60,100,1,1,1,1,7,3,,,\r\n")
                                                     << 2;
        QTest::newRow("target row missing") << QStringLiteral("30,60,0,0,1,0,30,7,3,,,\r\n"
                                                              "30,60,0,0,1,10,0,7,3,,,\r\n"
                                                              "30,60,0,0,1,,,7,3,,,\r\n")
                                            << 4;
    }
    void criteriaCloseLevels() {
        QFETCH(QString, levelLines);
        QFETCH(int, closed);
        const QString path = m_dir.filePath(QStringLiteral("成績累積データ.dat"));
        writeRecords(path, runs(3, 1, 0, 15)); // 33 points: level 1 refused for over-practice
        FakeServices f;
        Statistics st;
        CriteriaTable c;
        c.read(QStringLiteral("h,,,,,,,,,,,\r\n") + levelLines);
        st.ComputeStatistics(path, c, f.services);
        const LevelAvailability a = levelAvailability(4, c, st, 5);
        QCOMPARE(a.targetLevelCleared, 0);
        QVERIFY(!a.enabled[1] && a.refused[1]);
        QCOMPARE(a.closedText[1], QStringLiteral("やりすぎ禁止"));
        for (int l = 2; l <= 4; ++l) {
            QCOMPARE(a.enabled[l], l != closed);
            QCOMPARE(a.closedText[l], l == closed ? QStringLiteral("基準ファイルを直してください") : QString());
        }
    }
};

QTEST_GUILESS_MAIN(TestAvailability)
#include "test_availability.moc"
