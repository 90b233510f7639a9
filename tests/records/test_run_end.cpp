#include "records/result_screen.h"
#include "records/run_end.h"
#include "shell/startup.h"
#include "statistics_support.h"

#include <memory>
#include <QTemporaryDir>
#include <QtTest>

using namespace kz;
using namespace kz::test;

namespace {

// One pupil (number 5) on the four levels of this configuration, a record file in a
// temporary data folder and sounds that are only recorded.
struct Run {
    QTemporaryDir dir;
    FakeServices f;
    Program p{f.services};
    RunEnd end{p};
    int panelShown = -1; // 1 timed out, 0 recording, -1 not shown
    int clockStops = 0;

    explicit Run(const QString& levelLines = QStringLiteral("30,60,0,0,1.5,0,0,7,3,,,\r\n"
                                                            "30,60,0,1,1.5,2,0,7,3,,,\r\n"
                                                            "30,60,0,0,1,0,0,7,3,,,\r\n"
                                                            "30,60,10,2,1,0,0,7,3,,,\r\n")) {
        p.h.dataFolder = dir.path() + u'/';
        p.h.programTitle = QStringLiteral("カズトビ１");
        p.h.studentName = QStringLiteral("  山田 花子 ");
        p.h.Bangou = 5;
        prepareLevels(p.h);
        p.criteria = makeCriteria(levelLines);
        p.soundTable.load(QStringLiteral("自己最高音2,self1,*\r\n不合格音1,fail1,*\r\n"));
        p.sounds.setSoundFolder(QStringLiteral("snd/"));
        p.drill.showEndPanel = [this](bool timedOut) { panelShown = timedOut ? 1 : 0; };
        p.drill.stopRunClock = [this] { ++clockStops; };
        // Time moves while events run, so the pause ends.
        f.events.onProcess = [this] { f.world.advance(7); };
        writeRecords(p.recordFilePath(), {});
        p.computeStatistics();
    }
    void history(const std::vector<SeisekiRecord>& recs) {
        writeRecords(p.recordFilePath(), recs);
        p.computeStatistics();
    }
    // A finished run: the drill's hand-over, then the result screen's activation.
    ResultState finish(int level, int seconds, bool timedOut = false) {
        p.h.LevelNo = level;
        StartRun(p.h, f.services);
        p.h.elapsedSeconds = seconds;
        p.h.runEndReason = timedOut ? 1 : 0;
        end.EndRun();
        screen = std::make_unique<ResultScreen>(p, end.outcome);
        screen->Form_Activate();
        return screen->state();
    }
    std::vector<SeisekiRecord> records() const {
        std::vector<SeisekiRecord> out;
        RecordFile(p.recordFilePath()).readRange(1, 1000, &out);
        return out;
    }
    QDate today() const { return f.world.clock.date; }
    std::unique_ptr<ResultScreen> screen;
};

} // namespace

class TestRunEnd : public QObject {
    Q_OBJECT

private slots:
    void timedOutRun() {
        Run r;
        const ResultState s = r.finish(2, 123, true);
        const auto recs = r.records();
        QCOMPARE(recs.size(), size_t(1));
        QCOMPARE(recs[0].recordTime, 99999);
        QCOMPARE(recs[0].recordLevel, qint16(2));
        QCOMPARE(r.panelShown, 1);
        QCOMPARE(r.clockStops, 1);
        QVERIFY(r.f.screens.shown.contains(screen::BASEFRM));
        QCOMPARE(r.f.screens.shown.last(), screen::FrmSyuuryou);
        QVERIFY(r.f.screens.unloaded.contains(screen::MainFrm));
        QVERIFY(r.f.screens.unloaded.contains(screen::BASEFRM));
        QCOMPARE(s.label18, QStringLiteral("記録なし"));
        QCOMPARE(s.label19, QStringLiteral("獲得ポイント：0点×1.5→0点"));
        QVERIFY(s.label20Visible);
        QCOMPARE(s.label20, QStringLiteral("時間切れ"));
        QVERIFY(r.f.sound.played.isEmpty());
        // Not a counted run.
        QCOMPARE(s.label13, QStringLiteral(" (このレベル　0回目)"));
        QCOMPARE(s.label14, QStringLiteral("（0回目)"));
    }

    void secondHandOverDoesNothing() {
        Run r;
        r.finish(2, 30);
        const int shown = static_cast<int>(r.f.screens.shown.size());
        r.end.EndRun();
        QCOMPARE(r.records().size(), size_t(1));
        QCOMPARE(static_cast<int>(r.f.screens.shown.size()), shown);
    }

    void firstRunOfTheSchoolIsTopRecord() {
        Run r;
        const ResultState s = r.finish(2, 20);
        QCOMPARE(s.label20, QStringLiteral("！！！最高新記録！！！"));
        QCOMPARE(r.f.sound.played, QStringList{QStringLiteral("snd/最高1.wav")});
        QCOMPARE(s.label18, QStringLiteral("今の成績：20秒"));
        QCOMPARE(s.label17, QStringLiteral("山田 花子"));
        QCOMPARE(s.label16, QStringLiteral("ふつう"));
        QCOMPARE(s.label15, QStringLiteral("カズトビ１"));
        QCOMPARE(s.label13, QStringLiteral(" (このレベル　1回目)"));
        QCOMPARE(r.end.outcome.newLevelBest, 0); // cleared by the activation
        QCOMPARE(r.p.stats.levelBestTime(2), 20);
    }

    void firstRunBehindAnotherPupilIsPersonalRecord() {
        Run r;
        r.history({makeRecord(r.today().addDays(-20), 3, 2, 10)});
        const ResultState s = r.finish(2, 20);
        QCOMPARE(s.label20, QStringLiteral("新記録おめでとう"));
        QCOMPARE(r.f.sound.played, QStringList{QStringLiteral("snd/self1.wav")});
    }

    void equalToTheBestIsNoRecord_data() {
        QTest::addColumn<int>("time");
        QTest::addColumn<QStringList>("played");
        QTest::newRow("within the minimum line")
            << 20 << QStringList{QStringLiteral("snd/fail1.wav")};
        QTest::newRow("at the minimum line") << 60 << QStringList{QStringLiteral("snd/fail1.wav")};
        QTest::newRow("slower than the minimum line") << 61 << QStringList{};
    }
    void equalToTheBestIsNoRecord() {
        QFETCH(int, time);
        QFETCH(QStringList, played);
        Run r;
        r.history({makeRecord(r.today().addDays(-20), 5, 2, time)});
        const ResultState s = r.finish(2, time);
        QVERIFY(!s.label20Visible);
        QCOMPARE(r.f.sound.played, played);
    }

    void pointsLineOnTheFullTime() {
        Run r;
        QCOMPARE(r.finish(1, 15).label19, QStringLiteral("獲得ポイント：11点×1.5→16点"));
        // 1500 against 2000: the whole time gives 5, the scan's three digits would give 44.
        QCOMPARE(pointsLine(1500, 2000, DecimalNumber::leading(u"1")),
                 QStringLiteral("獲得ポイント：5点×1→5点"));
        // The rate as written: 10 x 0.7 is 7, not the 6 of a binary 0.7.
        Run seven(QStringLiteral("30,60,0,0,0.7,0,0,7,3,,,\r\n"));
        QCOMPARE(seven.finish(1, 16).label19, QStringLiteral("獲得ポイント：10点×0.7→7点"));
        QCOMPARE(seven.p.stats.todayPoints(1, 5), 7);
    }

    // Another computer formats the record's time of day: it holds the whole second the clock
    // showed, not its milliseconds.
    void recordTimeOfDayIsWholeSeconds() {
        Run r;
        r.f.world.clock.midnightOffset = 10 * 3600 + 15 * 60 + 30.75;
        r.finish(1, 15);
        const std::vector<SeisekiRecord> recs = r.records();
        QCOMPARE(recs.size(), size_t(1));
        const double seconds = recs[0].recordTimeOfDay * 86400.0;
        QVERIFY2(std::fabs(seconds - std::round(seconds)) < 1e-6, qPrintable(QString::number(seconds)));
        QVERIFY(seconds >= 10 * 3600 + 15 * 60 + 30 && seconds < 10 * 3600 + 15 * 60 + 40);
    }

    void todaysCountsIncludeThisRun() {
        Run r;
        r.history({makeRecord(r.today(), 5, 1, 40), makeRecord(r.today(), 5, 1, 40),
                   makeRecord(r.today(), 5, 3, 40), makeRecord(r.today().addDays(-1), 5, 1, 40),
                   makeRecord(r.today(), 6, 1, 40)});
        const ResultState s = r.finish(1, 40);
        QCOMPARE(s.label13, QStringLiteral(" (このレベル　3回目)"));
        QCOMPARE(s.label14, QStringLiteral("（4回目)"));
    }

    void targetClearedPlaysPassSoundOnce() {
        Run r;
        // Target level 4 clears with 2 runs and 10 points within 7 days.
        r.history({makeRecord(r.today(), 5, 4, 30)});
        ResultState s = r.finish(4, 15);
        QVERIFY(s.label2Visible);
        QVERIFY(s.picture1Visible);
        QCOMPARE(r.f.sound.played.count(QStringLiteral("snd/合格.wav")), 1);
        s = r.finish(4, 25);
        QVERIFY(s.picture1Visible);
        QCOMPARE(r.f.sound.played.count(QStringLiteral("snd/合格.wav")), 1);
    }

    void notClearedShowsNoClearLabel() {
        Run r;
        const ResultState s = r.finish(4, 15); // one run of the two needed
        QVERIFY(!s.label2Visible);
        QVERIFY(!s.picture1Visible);
        QVERIFY(!r.f.sound.played.contains(QStringLiteral("snd/合格.wav")));
    }

    void clearCount9999HidesCongratulation() {
        QString lines = QStringLiteral("30,60,0,0,1,0,0,7,3,,,\r\n").repeated(3) +
                        QStringLiteral("30,60,0,0,1,0,0,7,3,,,\r\n");
        lines += QStringLiteral("30,60,0,0,1,0,0,7,3,,,\r\n").repeated(5) +
                 QStringLiteral("30,60,0,9999,1,0,0,7,3,,,\r\n");
        Run r(lines);
        const ResultState s = r.finish(4, 15);
        QVERIFY(s.label2Visible);
        QVERIFY(!s.picture1Visible);
    }

    void timerSteersToTheNextLevel_data() {
        QTest::addColumn<bool>("targetCleared");
        QTest::addColumn<int>("earlierRuns");
        QTest::addColumn<QString>("label2");
        QTest::addColumn<bool>("command5");
        QTest::newRow("over, target not cleared")
            << false << 1 << QStringLiteral("次のレベルへ進みましょう") << false;
        QTest::newRow("over, target cleared")
            << true << 1 << QStringLiteral("このレベルクリア") << true;
        QTest::newRow("not over") << false << 0 << QStringLiteral("このレベルクリア") << true;
    }
    void timerSteersToTheNextLevel() {
        QFETCH(bool, targetCleared);
        QFETCH(int, earlierRuns);
        QFETCH(QString, label2);
        QFETCH(bool, command5);
        Run r; // level 2 clears with one run and refuses after two in three days
        std::vector<SeisekiRecord> recs;
        for (int i = 0; i < earlierRuns; ++i)
            recs.push_back(makeRecord(r.today(), 5, 2, 40));
        if (targetCleared) {
            recs.push_back(makeRecord(r.today(), 5, 4, 0));
            recs.push_back(makeRecord(r.today(), 5, 4, 0));
        }
        r.history(recs);
        ResultState s = r.finish(2, 40);
        QVERIFY(!s.command4Visible && !s.command5Visible);
        QVERIFY(r.screen->timer1().isEnabled());
        r.f.world.advance(500);
        s = r.screen->state();
        QVERIFY(!r.screen->timer1().isEnabled());
        QVERIFY(s.command4Visible && s.focusCommand4);
        QVERIFY(!s.picture1Visible);
        QCOMPARE(s.label2, label2);
        QVERIFY(s.label2Visible);
        QCOMPARE(s.command5Visible, command5);
    }

    void buttonsLeadOn() {
        Run r;
        r.finish(2, 40);
        r.f.world.advance(500);
        r.screen->Command5_Click();
        QCOMPARE(r.p.h.recordingStarted, 0);
        QCOMPARE(r.p.h.LevelNo, 2);
        QCOMPARE(r.f.screens.shown.last(), screen::MainFrm);
        QCOMPARE(r.f.screens.unloaded.last(), screen::FrmSyuuryou);
        QVERIFY(!r.screen->state().command4Enabled);

        r.finish(2, 40);
        r.f.world.advance(500);
        r.screen->Command4_Click();
        QCOMPARE(r.f.screens.shown.last(), screen::seisekitime1);
        QCOMPARE(r.records().size(), size_t(2));
    }

    void practiceLevelRecordsNothing() {
        Run r;
        r.p.h.levelNames[2] = QStringLiteral("練習");
        r.p.h.LevelNo = 2;
        r.p.h.elapsedSeconds = 30;
        r.end.EndRun();
        QVERIFY(r.records().empty());
        QCOMPARE(r.f.screens.shown.last(), screen::seisekitime1);
        QVERIFY(r.f.screens.unloaded.contains(screen::MainFrm));
        QCOMPARE(r.clockStops, 0);
    }

    void pupilOutsideTheTablesEndsWithMessage() {
        Run r;
        r.p.h.Bangou = 6000;
        QVERIFY_THROWS_EXCEPTION(ProgramEnded, r.finish(2, 30));
        QCOMPARE(r.f.dialogs.messages.size(), 1);
        QVERIFY(r.f.dialogs.messages[0].startsWith(QStringLiteral("Seisekikiroku")));
        QVERIFY(r.f.dialogs.messages[0].endsWith(QStringLiteral(" 9")));
    }

    void pauseLastsOneSecondAndEndsOnAStoppedClock() {
        Run r;
        const qint64 start = r.f.world.clock.tick;
        r.end.ShowResultAfterPause(1);
        QVERIFY(r.f.world.clock.tick - start >= 1000);
        QVERIFY(r.f.world.clock.tick - start < 1100);

        r.f.events.onProcess = nullptr; // the tick never moves
        r.end.stalledReadingsLimit = 1000;
        const int before = r.f.events.processed;
        r.end.ShowResultAfterPause(1);
        QCOMPARE(r.f.events.processed - before, 999);
        QCOMPARE(r.f.screens.shown.last(), screen::FrmSyuuryou);
    }
};

QTEST_GUILESS_MAIN(TestRunEnd)
#include "test_run_end.moc"
