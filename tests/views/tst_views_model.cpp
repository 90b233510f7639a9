// The result views' model: row texts character for character, rankings, periods, colouring.
#include "records/statistics.h"
#include "records/statistics_support.h"
#include "school/roster.h"
#include "views/periods.h"
#include "views/print_files.h"
#include "views/ranking.h"
#include "views/result_views.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace kz;
using namespace kz::test;

namespace {

const QDate kToday(2026, 12, 9); // a Wednesday, the fake clock's date
const QString fw = QStringLiteral("　");

// Grade g in school year 2026.
qint16 bornFor(int grade) {
    return static_cast<qint16>(2026 - 6 - grade);
}

struct Views {
    RosterTables roster;
    CriteriaTable criteria;
    ViewContext ctx;

    Views() {
        roster.schoolYear = 2026;
        for (int l = 1; l <= 4; ++l) {
            criteria.passTime[l] = 30;
            criteria.minimumTime[l] = 45;
            criteria.pointRate[l] = DecimalNumber::leading(u"1");
        }
        ctx.roster = &roster;
        ctx.criteria = &criteria;
        ctx.Bangou = 1;
        ctx.levelCount = 4;
        ctx.gradeGroup = QStringLiteral("全学年");
        ctx.today = kToday;
        ctx.secondsSinceMidnight = 10 * 3600;
    }
    // Listed pupil number with name and grade, in roster order.
    void pupil(int number, const QString& name, int grade = 3) {
        roster.studentNames[number] = name;
        roster.birthYears[number] = bornFor(grade);
        roster.rosterNumbers[++roster.rosterCount] = number;
    }
};

SeisekiRecord run(const QDate& date, int seconds, int bangou, int level, int time) {
    SeisekiRecord r = makeRecord(date, bangou, level, time);
    r.recordTimeOfDay = oleTimeOfDay(seconds);
    return r;
}

RecordSnapshot snapshotOf(const std::vector<SeisekiRecord>& records) {
    QByteArray bytes;
    for (const SeisekiRecord& r : records)
        bytes += r.encode();
    return RecordSnapshot(bytes);
}

// Statistics built from records through the file, as the program builds them.
struct StatsFromFile {
    QTemporaryDir dir;
    FakeServices fake;
    Statistics stats;
    StatsFromFile(const std::vector<SeisekiRecord>& records, const CriteriaTable& criteria) {
        const QString path = dir.filePath(QStringLiteral("r.dat"));
        writeRecords(path, records);
        stats.ComputeStatistics(path, criteria, fake.services, 0);
    }
};

} // namespace

class ViewsModelTest : public QObject {
    Q_OBJECT
private slots:
    void gradeMarks_data() {
        QTest::addColumn<int>("grade");
        QTest::addColumn<QString>("mark");
        QTest::newRow("1") << 1 << QStringLiteral("①");
        QTest::newRow("3") << 3 << QStringLiteral("③");
        QTest::newRow("6") << 6 << QStringLiteral("⑥");
        QTest::newRow("7") << 7 << QStringLiteral("Ⅰ");
        QTest::newRow("9") << 9 << QStringLiteral("Ⅲ");
        QTest::newRow("10") << 10 << fw;
        QTest::newRow("0") << 0 << fw;
    }
    void gradeMarks() {
        QFETCH(int, grade);
        QFETCH(QString, mark);
        QCOMPARE(GradeMark(grade), mark);
    }

    void gradeGroups_data() {
        QTest::addColumn<QString>("group");
        QTest::addColumn<int>("grade");
        QTest::addColumn<bool>("in");
        QTest::newRow("all, grade 12") << QStringLiteral("全学年") << 12 << true;
        QTest::newRow("family, grade -2") << QStringLiteral("家族") << -2 << true;
        QTest::newRow("elementary 6") << QStringLiteral("小学生全体") << 6 << true;
        QTest::newRow("elementary 7") << QStringLiteral("小学生全体") << 7 << false;
        QTest::newRow("junior high 7") << QStringLiteral("中学生全体") << 7 << true;
        QTest::newRow("junior high 10") << QStringLiteral("中学生全体") << 10 << false;
        QTest::newRow("中１ 7") << QStringLiteral("中１") << 7 << true;
        QTest::newRow("中１ 8") << QStringLiteral("中１") << 8 << false;
        QTest::newRow("小３ 3") << QStringLiteral("小３") << 3 << true;
        QTest::newRow("half-width text") << QStringLiteral("小3") << 3 << false;
        QTest::newRow("empty text") << QString() << 3 << false;
    }
    void gradeGroups() {
        QFETCH(QString, group);
        QFETCH(int, grade);
        QFETCH(bool, in);
        QCOMPARE(InGradeGroup(grade, group), in);
    }

    void todayRowsCharacterForCharacter_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("bangou");
        QTest::addColumn<int>("time");
        QTest::addColumn<QString>("row");
        // 23 s at 9:05 by the current pupil, pass time 30: Int((7/30)^3 * 50 + 5) = 5.
        QTest::newRow("current pupil")
            << QStringLiteral("山田花") << 1 << 23 << QStringLiteral("  23秒 09:05●山田花　　●5");
        QTest::newRow("six characters cut to five") << QStringLiteral("長谷川小太郎") << 2 << 23
                                                    << QStringLiteral("  23秒 09:05③長谷川小太③5");
        QTest::newRow("one character")
            << QStringLiteral(" 林  ") << 2 << 31 << QStringLiteral("  31秒 09:05③林　　　　③4");
        QTest::newRow("full-width space kept")
            << QStringLiteral("　林") << 2 << 60 << QStringLiteral("  60秒 09:05③　林　　　③1");
        QTest::newRow("failure") << QStringLiteral("林") << 2 << 99999
                                 << QStringLiteral("　　× 09:05③林　　　　③");
        QTest::newRow("number 0: no name, points as any row")
            << QString() << 0 << 30 << QStringLiteral("  30秒 09:05③　　　　③5");
        QTest::newRow("a long time keeps its last five")
            << QStringLiteral("林") << 2 << 12345 << QStringLiteral("2345秒 09:05③林　　　　③0");
        QTest::newRow("1020 s") << QStringLiteral("林") << 2 << 1020
                                << QStringLiteral("1020秒 09:05③林　　　　③0");
    }
    void todayRowsCharacterForCharacter() {
        QFETCH(QString, name);
        QFETCH(int, bangou);
        QFETCH(int, time);
        QFETCH(QString, row);
        Views v;
        v.pupil(bangou, name);
        v.roster.birthYears[0] = bornFor(3);
        const LevelRows rows =
            todayRows(snapshotOf({run(kToday, 9 * 3600 + 5 * 60, bangou, 2, time)}), v.ctx);
        QCOMPARE(rows.size(), size_t(5));
        QCOMPARE(rows[2], QStringList{row});
        QVERIFY(rows[1].isEmpty());
    }

    void todayViewExaminesTheLastThousandOfToday() {
        Views v;
        v.pupil(1, QStringLiteral("あ"));
        std::vector<SeisekiRecord> records;
        for (int i = 1; i <= 1500; ++i)
            records.push_back(run(kToday.addDays(-1), 3600, 1, 1, 40));
        records[400 - 1] = run(kToday, 3600, 1, 1, 11);  // record 400: not examined
        records[501 - 1] = run(kToday, 3600, 1, 1, 12);  // the first examined
        records[1500 - 1] = run(kToday, 3600, 1, 9, 13); // a level the menu does not offer
        records[1499 - 1] = run(kToday, 3600, 1, 0, 14);
        records[1498 - 1] = run(kToday, 3600, 1, -3, 15);
        const LevelRows rows = todayRows(snapshotOf(records), v.ctx);
        QCOMPARE(rows[1].size(), 1);
        QVERIFY(rows[1][0].startsWith(QStringLiteral("  12秒")));
    }

    void todayViewFiltersByGradeGroupAndSortsFailuresLast() {
        Views v;
        v.pupil(1, QStringLiteral("いち"), 7);
        v.pupil(2, QStringLiteral("に"), 8);
        v.pupil(3, QStringLiteral("さん"), 10);
        const RecordSnapshot records =
            snapshotOf({run(kToday, 3600, 2, 1, 99999), run(kToday, 3600, 1, 1, 120),
                        run(kToday, 3600, 2, 1, 9), run(kToday, 3600, 3, 1, 25)});
        v.ctx.gradeGroup = QStringLiteral("中１");
        QCOMPARE(todayRows(records, v.ctx)[1],
                 QStringList{QStringLiteral(" 120秒 01:00●いち　　　●1")});
        v.ctx.Bangou = 0;
        v.ctx.gradeGroup = QStringLiteral("家族");
        const QStringList all = todayRows(records, v.ctx)[1];
        QCOMPARE(all, (QStringList{QStringLiteral("   9秒 01:00Ⅱに　　　　Ⅱ22"),
                                   QStringLiteral("  25秒 01:00　さん　　　　5"),
                                   QStringLiteral(" 120秒 01:00Ⅰいち　　　Ⅰ1"),
                                   QStringLiteral("　　× 01:00Ⅱに　　　　Ⅱ")}));
        v.ctx.gradeGroup = QStringLiteral("全学年");
        QCOMPARE(todayRows(records, v.ctx)[1], all);
    }

    void colouring_data() {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("colour");
        const QString fail = QStringLiteral("　　× 09:05③林　　　　③");
        QTest::newRow("25 then 40: light green")
            << QStringList{QStringLiteral("  25秒 09:05③林　　　　③5"),
                           QStringLiteral("  40秒 09:05③林　　　　③4")}
            << kText5Colour;
        QTest::newRow("failure rows do not decide")
            << QStringList{QStringLiteral("  30秒 09:05③林　　　　③5"), fail} << kText4Colour;
        QTest::newRow("46 s: grey")
            << QStringList{QStringLiteral("  46秒 09:05③林　　　　③4")} << kGreyColour;
        QTest::newRow("1020 s is 1020, not 20")
            << QStringList{QStringLiteral("1020秒 09:05③林　　　　③0")} << kGreyColour;
        QTest::newRow("only failures keep the colour") << QStringList{fail, fail} << -1;
        QTest::newRow("no rows") << QStringList{} << -1;
    }
    void colouring() {
        QFETCH(QStringList, rows);
        QFETCH(int, colour);
        QCOMPARE(listColour(rows, 30, 45).value_or(-1), colour);
    }

    void timeRanking() {
        Views v;
        v.pupil(4, QStringLiteral("たろう"), 3);
        v.pupil(2, QStringLiteral("はなこ"), 7);
        v.pupil(1, QStringLiteral("じろう"), 10);
        v.pupil(3, QStringLiteral("しっぱい"), 3);
        v.pupil(5, QStringLiteral("まだ"), 3);
        Statistics st;
        st.setBestTime(1, 4, 20);
        st.setBestTime(1, 2, 25);
        st.setBestTime(1, 1, 20);
        st.setBestTime(1, 3, 99998);
        RankingInput in{&v.roster, &st, 1, true, 1, 1, 1, QStringLiteral("全学年")};
        const RankingRows r = rankLevel(in);
        QCOMPARE(r.rows, (QStringList{QStringLiteral(" 1③たろう　　    20 　"),
                                      QStringLiteral(" 1●じろう　　    20 ●"),
                                      QStringLiteral(" 3Ⅰはなこ　　    25 　"),
                                      QStringLiteral(" 4③しっぱい　*失敗* 　"),
                                      QStringLiteral("--③まだ　　　------ 　")}));
        QCOMPARE(r.selectRow, 0);
        // A group that rejects pupils still counts their positions.
        in.gradeGroup = QStringLiteral("小３");
        QCOMPARE(rankLevel(in).rows, (QStringList{QStringLiteral(" 1③たろう　　    20 　"),
                                                  QStringLiteral(" 4③しっぱい　*失敗* 　"),
                                                  QStringLiteral("--③まだ　　　------ 　")}));
        QCOMPARE(rankLevel(in).selectRow, -1);
    }

    void rankFieldsKeepRankOrder() {
        Views v;
        Statistics st;
        for (int s = 1; s <= 12; ++s) {
            v.pupil(s, QStringLiteral("子%1").arg(s));
            st.setBestTime(1, s, 100 - s);
        }
        v.pupil(13, QStringLiteral("なし"));
        const RankingRows r =
            rankLevel({&v.roster, &st, 1, true, 1, 1, 0, QStringLiteral("全学年")});
        QCOMPARE(r.rows.size(), 13);
        QVERIFY(r.rows[8].startsWith(QStringLiteral(" 9③子4")));
        QVERIFY(r.rows[9].startsWith(QStringLiteral("10③子3")));
        QVERIFY(r.rows[12].startsWith(QStringLiteral("--")));
    }

    void everyRosterPupilIsRanked() {
        Views v;
        Statistics st;
        for (int s = 1; s <= 2500; ++s) {
            v.pupil(s, QStringLiteral("子"));
            st.setBestTime(3, s, 5000 - s);
        }
        const RankingRows r =
            rankLevel({&v.roster, &st, 3, true, 1, 1, 7, QStringLiteral("全学年")});
        QCOMPARE(r.rows.size(), 2500);
        QVERIFY(r.rows.first().startsWith(QStringLiteral(" 1③子　　　　  2500")));
        QVERIFY(r.rows.last().startsWith(QStringLiteral("00③子　　　　  4999"))); // rank 2500
        QCOMPARE(r.selectRow, 2500 - 7 - 1);
    }

    void untimedLevelRanksDescending() {
        Views v;
        Statistics st;
        v.pupil(1, QStringLiteral("あ"));
        v.pupil(2, QStringLiteral("い"));
        v.pupil(3, QStringLiteral("う"));
        st.setBestTime(2, 1, 40);
        st.setBestTime(2, 3, 70);
        const RankingRows r =
            rankLevel({&v.roster, &st, 2, false, 1, 1, 0, QStringLiteral("全学年")});
        QCOMPARE(r.rows, (QStringList{QStringLiteral(" 1③う　　　　    70 　"),
                                      QStringLiteral(" 2③あ　　　　    40 　"),
                                      QStringLiteral("--③い　　　　------ 　")}));
    }

    void pointsRanking() {
        Views v;
        v.criteria.passTime[1] = 30;
        v.pupil(1, QStringLiteral("いち"));
        v.pupil(2, QStringLiteral("に"));
        v.pupil(3, QStringLiteral("さん"));
        const QDate before = kToday.addDays(-3);
        std::vector<SeisekiRecord> records;
        auto add = [&](const QDate& d, int b, int time, int times) {
            for (int i = 0; i < times; ++i)
                records.push_back(makeRecord(d, b, 1, time));
        };
        // Pupil 1: 30 so far, 5 today; pupil 2: 30 so far, 8 today; pupil 3: only earlier runs.
        add(kToday, 1, 30, 1);
        add(before, 1, 30, 5);
        add(kToday, 2, 31, 2);
        add(before, 2, 30, 4);
        add(before, 2, 60, 2);
        add(before, 3, 45, 3);
        StatsFromFile f(records, v.criteria);
        QCOMPARE(f.stats.pointsAll(1, 2), 30);
        QCOMPARE(f.stats.todayPoints(1, 2), 8);
        RankingInput in{&v.roster, &f.stats, 1, true, 2, 1, 1, QStringLiteral("全学年")};
        QCOMPARE(rankLevel(in).rows, (QStringList{QStringLiteral(" 1③に　　　　  8/   30"),
                                                  QStringLiteral(" 1●いち　　　  5/   30"),
                                                  QStringLiteral(" 3③さん　　　  0/   12")}));
        in.pointsRankKind = 2; // pupil 3 has no points today: no row, still a position
        QCOMPARE(rankLevel(in).rows, (QStringList{QStringLiteral(" 1③に　　　　  8/   30"),
                                                  QStringLiteral(" 2●いち　　　  5/   30")}));
    }

    void pointsRankingUsesBothValuesAtAnySize() {
        // Today's ranking: 5 today with 1500 so far ranks below 6 today; a key of
        // 1000000 - P * 1000 - S would put it first.
        Views v;
        v.pupil(1, QStringLiteral("いち"));
        v.pupil(2, QStringLiteral("に"));
        std::vector<SeisekiRecord> records;
        for (int i = 0; i < 27; ++i)
            records.push_back(makeRecord(kToday.addDays(-2), 1, 1, 0)); // 55 each
        records.push_back(makeRecord(kToday.addDays(-2), 1, 1, 30));
        records.push_back(makeRecord(kToday.addDays(-2), 1, 1, 30));
        records.push_back(makeRecord(kToday, 1, 1, 30));
        records.push_back(makeRecord(kToday, 2, 1, 30));
        records.push_back(makeRecord(kToday, 2, 1, 60));
        StatsFromFile f(records, v.criteria);
        QCOMPARE(f.stats.pointsAll(1, 1), 1500);
        const RankingRows r =
            rankLevel({&v.roster, &f.stats, 1, true, 2, 2, 0, QStringLiteral("全学年")});
        QCOMPARE(r.rows, (QStringList{QStringLiteral(" 1③に　　　　  6/    6"),
                                      QStringLiteral(" 2③いち　　　  5/ 1500")}));
    }

    void periods_data() {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("days");
        QTest::newRow("this week on a Sunday") << QDate(2026, 12, 13) << 1 << 7;
        QTest::newRow("this week on a Monday") << QDate(2026, 12, 7) << 1 << 1;
        QTest::newRow("this week on a Saturday") << QDate(2026, 12, 12) << 1 << 6;
        QTest::newRow("since last week on a Sunday") << QDate(2026, 12, 13) << 2 << 14;
        QTest::newRow("since last week on a Wednesday") << kToday << 2 << 10;
        QTest::newRow("month") << kToday << 3 << 30;
        QTest::newRow("year") << kToday << 4 << 365;
        QTest::newRow("everything") << kToday << 5 << 3650;
        QTest::newRow("other codes keep the days") << kToday << 0 << 77;
    }
    void periods() {
        QFETCH(QDate, today);
        QFETCH(int, code);
        QFETCH(int, days);
        QCOMPARE(periodDaysFor(code, today, 77), days);
    }

    void allResultsThisWeek() {
        Views v;
        v.pupil(1, QStringLiteral("あ"));
        v.ctx.Bangou = 9;
        const QDate sunday(2026, 12, 13), monday(2026, 12, 7);
        RecordSnapshot records = snapshotOf({run(monday.addDays(-1), 60, 1, 1, 50),
                                             run(monday, 60, 1, 1, 40), run(sunday, 60, 1, 1, 30)});
        v.ctx.today = sunday;
        QCOMPARE(allResultsRows(records, v.ctx, periodDaysFor(1, sunday, 0))[1],
                 (QStringList{QStringLiteral("  30秒 12/13③あ　　　　③5"),
                              QStringLiteral("  40秒 12/07③あ　　　　③4")}));
        v.ctx.today = monday;
        records = snapshotOf({run(monday.addDays(-1), 60, 1, 1, 50), run(monday, 60, 1, 1, 40)});
        QCOMPARE(allResultsRows(records, v.ctx, periodDaysFor(1, monday, 0))[1],
                 QStringList{QStringLiteral("  40秒 12/07③あ　　　　③4")});
        v.ctx.displayMode = 2;
        QCOMPARE(allResultsRows(records, v.ctx, periodDaysFor(1, monday, 0))[1],
                 QStringList{QStringLiteral("    4 12/07③あ　　　　③40秒")});
    }

    // Runs dated after today (a computer whose clock runs ahead) are listed in every period,
    // as the rankings count them; only the statistics' windows leave them out.
    void futureRunsListed_data() {
        QTest::addColumn<int>("code");
        QTest::newRow("this week") << 1;
        QTest::newRow("one month") << 3;
        QTest::newRow("everything") << 5;
    }
    void futureRunsListed() {
        QFETCH(int, code);
        Views v;
        v.pupil(1, QStringLiteral("あ"));
        v.ctx.secondsSinceMidnight = 23 * 3600 + 59 * 60;
        const RecordSnapshot records = snapshotOf(
            {run(kToday, 60, 1, 1, 40), run(kToday.addDays(1), 60, 1, 1, 30),
             run(kToday.addDays(365), 60, 1, 1, 20), run(kToday.addDays(-400), 60, 1, 1, 25)});
        QStringList expected = {QStringLiteral("  20秒 12/09●あ　　　　●6"),
                                QStringLiteral("  30秒 12/10●あ　　　　●5"),
                                QStringLiteral("  40秒 12/09●あ　　　　●4")};
        if (code == 5) expected.insert(1, QStringLiteral("  25秒 11/04●あ　　　　●5"));
        QCOMPARE(allResultsRows(records, v.ctx, periodDaysFor(code, kToday, 0))[1], expected);
        QCOMPARE(kz::personalTimeRows(records, v.ctx)[1],
                 (QStringList{QStringLiteral("2025/11/04 0:01:00  25秒"),
                              QStringLiteral("2026/12/09 0:01:00  40秒"),
                              QStringLiteral("2026/12/10 0:01:00  30秒"),
                              QStringLiteral("2027/12/09 0:01:00  20秒")}));
    }

    void allResultsSeeOnlyTheLastTwentyThousand() {
        Views v;
        v.pupil(1, QStringLiteral("あ"));
        std::vector<SeisekiRecord> records(20500, run(kToday, 60, 1, 1, 50));
        for (int i = 0; i < 500; ++i)
            records[i] = run(kToday.addDays(-100), 60, 1, 1, 10);
        const LevelRows rows =
            allResultsRows(snapshotOf(records), v.ctx, periodDaysFor(5, kToday, 0));
        QCOMPARE(rows[1].size(), 20000);
        QVERIFY(rows[1].first().startsWith(QStringLiteral("  50秒")));
    }

    void personalTimeRows() {
        Views v;
        v.pupil(1, QStringLiteral("あ"), 3);
        v.pupil(2, QStringLiteral("い"), 3);
        const QDate day(2024, 5, 17);
        const RecordSnapshot records =
            snapshotOf({run(day, 9 * 3600 + 5 * 60 + 23, 1, 1, 23),
                        run(day.addDays(-1), 13 * 3600, 1, 1, 99999), run(day, 3600, 2, 1, 20),
                        run(kToday.addDays(-3651), 3600, 1, 1, 20)});
        const LevelRows rows = kz::personalTimeRows(records, v.ctx);
        QCOMPARE(rows[1], (QStringList{QStringLiteral("2024/05/16 13:00:00    ×"),
                                       QStringLiteral("2024/05/17 9:05:23  23秒")}));
        v.ctx.gradeGroup = QStringLiteral("中１");
        QVERIFY(kz::personalTimeRows(records, v.ctx)[1].isEmpty());
    }

    // PDF names from the student number and the name, with what Linux or Windows refuse in a
    // file name replaced.
    void pdfNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("file");
        QTest::newRow("plain") << QStringLiteral("はなこ")
                               << QStringLiteral("比較グラフ_57_はなこ_20261209_150405");
        QTest::newRow("slash and Windows")
            << QStringLiteral("ひ/み:?") << QStringLiteral("比較グラフ_57_ひ_み___20261209_150405");
        QTest::newRow("every refused")
            << QStringLiteral("a\\b/c:d*e?f\"g<h>i|j")
            << QStringLiteral("比較グラフ_57_a_b_c_d_e_f_g_h_i_j_20261209_150405");
        QTest::newRow("control") << QStringLiteral("x\ty\nz")
                                 << QStringLiteral("比較グラフ_57_x_y_z_20261209_150405");
        QTest::newRow("percent") << QStringLiteral("%1さん")
                                 << QStringLiteral("比較グラフ_57_%1さん_20261209_150405");
        QTest::newRow("full-width kept")
            << QStringLiteral("ひ／み：？")
            << QStringLiteral("比較グラフ_57_ひ／み：？_20261209_150405");
    }
    void pdfNames() {
        QFETCH(QString, name);
        QFETCH(QString, file);
        QCOMPARE(comparisonPdfBaseName(57, name, QDateTime(kToday, QTime(15, 4, 5))), file);
    }

    // "(n)" goes after the base name, whatever brackets or "%" signs the folder or the name
    // hold: a name is never read as a pattern.
    void uniquePdfPath_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("base");
        QTest::newRow("brackets") << QStringLiteral("/tmp/a(1)")
                                  << QStringLiteral("比較グラフ_5_た(ろ)う_x");
        QTest::newRow("percent name") << QStringLiteral("/tmp/5年%3組")
                                      << QStringLiteral("比較グラフ_5_%1さん_x");
    }
    void uniquePdfPath() {
        QFETCH(QString, folder);
        QFETCH(QString, base);
        QStringList existing;
        auto exists = [&](const QString& p) { return existing.contains(p); };
        const QString first = folder + u'/' + base + QStringLiteral(".pdf");
        QCOMPARE(uniqueFilePath(folder, base, QStringLiteral(".pdf"), exists), first);
        existing << first << folder + u'/' + base + QStringLiteral("(2).pdf");
        QCOMPARE(uniqueFilePath(folder, base, QStringLiteral(".pdf"), exists),
                 folder + u'/' + base + QStringLiteral("(3).pdf"));
    }
};

QTEST_GUILESS_MAIN(ViewsModelTest)
#include "tst_views_model.moc"
