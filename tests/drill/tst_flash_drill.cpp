// The drill model driven by hand: fake clock and timers, scripted numbers, recorded sounds.
#include "drill/flash_drill.h"
#include "drill/key_gate.h"
#include "records/program.h"
#include "shell/startup.h"
#include "support/fakes.h"

#include <QHash>
#include <QTemporaryDir>
#include <QtTest>
#include <random>

using namespace kz;
using namespace kz::test;
namespace c = kz::drillctl;

namespace {

struct Change {
    qint64 tick;
    QString text;
};

class RecordingView final : public DrillView {
public:
    explicit RecordingView(const FakeClock& clock) : m_clock(clock) { widths[c::sShape5] = 15060; }
    void setCaption(const QString& control, const QString& text) override {
        captions[control] = text;
        if (control == c::qLabel1) flashes.push_back({m_clock.tick, text});
    }
    void setVisible(const QString& control, bool on) override { visible[control] = on; }
    void setWidthTw(const QString& control, int twips) override { widths[control] = twips; }
    int widthTw(const QString& control) const override { return widths.value(control); }
    void moveTo(const QString& control, int l, int t) override { positions[control] = {l, t}; }
    void setFontSize(const QString& control, double points) override { fonts[control] = points; }
    void clearList(const QString& control) override { lists[control].clear(); }
    void addListItem(const QString& control, const QString& line) override {
        lists[control] << line;
    }

    QHash<QString, QString> captions;
    QHash<QString, bool> visible;
    QHash<QString, int> widths;
    QHash<QString, QPoint> positions;
    QHash<QString, double> fonts;
    QHash<QString, QStringList> lists;
    std::vector<Change> flashes;

private:
    const FakeClock& m_clock;
};

// A program with level 4 (pass 30 s, minimum 40 s) ready, and the drill on its fake screen.
struct Rig {
    FakeServices f;
    Program p{f.services};
    RecordingView view{f.clock()};
    std::unique_ptr<FlashDrill> drill;
    int endRuns = 0;

    explicit Rig(int level = 4) {
        prepareLevels(p.h);
        SetProgramDefaults(p.h);
        p.h.LevelNo = level;
        p.h.Bangou = 1;
        p.h.studentName = QStringLiteral("  山田太郎 ");
        p.h.schoolLine = QStringLiteral("みどり塾");
        for (int l = 1; l <= 4; ++l) {
            p.criteria.passTime[l] = 30;
            p.criteria.minimumTime[l] = 40;
        }
        // As the run end does it: a second hand-over is refused.
        p.EndRun = [this] {
            f.events.processEvents();
            if (p.h.recordingStarted == 1) return;
            p.h.recordingStarted = 1;
            ++endRuns;
        };
        drill = std::make_unique<FlashDrill>(p, view);
    }
    void start(std::initializer_list<int> numbers = {3, 10, 1, 7, 7}) {
        f.random.queueNumbers(numbers);
        StartRun(p.h, f.services);
        drill->Form_Load();
        drill->Form_Activate();
    }
    // Runs the flash of the current problem to its "？".
    void flash() {
        for (int guard = 0; guard < 50 && !drill->allShown(); ++guard)
            f.world.advance(50);
    }
    void keys(const QString& text) {
        for (QChar ch : text)
            drill->Form_KeyPress(ch.unicode());
    }
    void next(std::initializer_list<int> numbers) { f.random.queueNumbers(numbers); }
    int wrongSounds() const { return f.sound.played.filter(QStringLiteral(".wav")).size(); }
};

} // namespace

class TestFlashDrill : public QObject {
    Q_OBJECT
private slots:
    void numbersStayInRange();
    void listLinesAlignAndTotal();
    void flashSequence_data();
    void flashSequence();
    void replayKeepsAnswer();
    void keysWhileFlashingIgnored();
    void fourthCharacterRefused();
    void answerReading_data();
    void answerReading();
    void emptyAnswerIsWrongWithPenalty();
    void plusPlusContinues();
    void starDuringCorrectionOnlyResetsPlus();
    void upArrowClearsEvenDuringCorrection();
    void fiveCorrectEndTheRunOnce();
    void judgingBlocksNewProblem();
    void timeOutAtFiveTimesMinimum();
    void threeWrongAnswersShowSeventySeconds();
    void timeOutDuringJudgementWaitsForIt();
    void lastAnswerMeetsTimeOut_data();
    void lastAnswerMeetsTimeOut();
    void runAcrossMidnight();
    void titleFontSize_data();
    void titleFontSize();
    void todaysCountsAndBars();
    void levelWithoutMinimumTimeIsRefused();
    void handOverHooks();
    void keyGateDropsKeysPressedDuringSound();
};

void TestFlashDrill::numbersStayInRange() {
    Rig r;
    std::mt19937 engine(7);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    r.f.random.script = {0.0, 0.9999999, 0.1, 0.9, 0.5};
    for (int i = 0; i < 1000; ++i)
        r.f.random.script.push_back(uniform(engine));
    StartRun(r.p.h, r.f.services);
    r.drill->Form_Activate();
    QList<int> seen(11, 0);
    for (int problem = 0; problem < 200; ++problem) {
        double total = 0;
        for (int i = 1; i <= 5; ++i) {
            const double n = r.drill->number(i);
            QVERIFY2(n >= 1 && n <= 10 && n == std::floor(n), qPrintable(QString::number(n)));
            ++seen[static_cast<int>(n)];
            total += n;
        }
        QCOMPARE(r.drill->runningTotal(), total);
        QVERIFY(total >= 5 && total <= 50);
        r.drill->問題作成表示();
    }
    QCOMPARE(seen[1] > 0 && seen[10] > 0, true); // both ends of the range come up
}

void TestFlashDrill::listLinesAlignAndTotal() {
    Rig r;
    r.start({3, 10, 1, 7, 7});
    const QStringList expected{u" +  3"_qs, u" + 10"_qs, u" +  1"_qs, u" +  7"_qs, u" +  7"_qs};
    QCOMPARE(r.view.lists[c::List1], expected);
    QCOMPARE(r.drill->runningTotal(), 28.0);
    r.flash();
    QCOMPARE(r.drill->correctAnswer(), 28.0);
}

void TestFlashDrill::flashSequence_data() {
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("displayMs");
    QTest::addColumn<int>("gapMs");
    QTest::addColumn<int>("totalMs");
    QTest::newRow("ゆっくり") << 1 << 1000 << 300 << 6200;
    QTest::newRow("ふつう") << 2 << 700 << 300 << 4700;
    QTest::newRow("速い") << 3 << 500 << 200 << 3300;
    QTest::newRow("最速") << 4 << 300 << 100 << 1900;
}

void TestFlashDrill::flashSequence() {
    QFETCH(int, level);
    QFETCH(int, displayMs);
    QFETCH(int, gapMs);
    QFETCH(int, totalMs);
    Rig r(level);
    r.start({4, 4, 2, 9, 1}); // a repeat must still flash twice, with "+" between
    const qint64 t0 = r.f.clock().tick;
    r.f.world.advance(totalMs + 5000);
    std::vector<Change> expected;
    const QStringList numbers{u"4"_qs, u"4"_qs, u"2"_qs, u"9"_qs, u"1"_qs};
    qint64 t = t0;
    expected.push_back({t0, QString()}); // the label is cleared as the problem is made
    for (int i = 0; i < 5; ++i) {
        expected.push_back({t, numbers[i]});
        t += displayMs;
        expected.push_back({t, i < 4 ? u"+"_qs : u"？"_qs});
        t += gapMs;
    }
    QCOMPARE(r.view.flashes.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        QCOMPARE(r.view.flashes[i].text, expected[i].text);
        QCOMPARE(r.view.flashes[i].tick - t0, expected[i].tick - t0);
    }
    QCOMPARE(r.view.flashes.back().tick - t0, qint64(totalMs));
    QVERIFY(r.view.visible[c::Label1]);
    QVERIFY(!r.drill->timer2().isEnabled() && !r.drill->timer3().isEnabled());
}

void TestFlashDrill::replayKeepsAnswer() {
    Rig r;
    r.start({5, 6, 7, 8, 9});
    r.flash();
    r.keys(u"3"_qs);
    r.view.flashes.clear();
    r.keys(u"*"_qs);
    QCOMPARE(r.drill->allShown(), 0);
    QVERIFY(!r.view.visible[c::Label1]);
    r.flash();
    QStringList shown;
    for (const Change& ch : r.view.flashes)
        shown << ch.text;
    QCOMPARE(shown, (QStringList{u"5"_qs, u"+"_qs, u"6"_qs, u"+"_qs, u"7"_qs, u"+"_qs, u"8"_qs,
                                 u"+"_qs, u"9"_qs, u"？"_qs}));
    QCOMPARE(r.view.flashes.back().tick - r.view.flashes.front().tick, qint64(1900));
    QCOMPARE(r.drill->typedAnswer(), u"3"_qs);
    QCOMPARE(r.view.captions[c::inputLabel], u"3"_qs);
}

void TestFlashDrill::keysWhileFlashingIgnored() {
    Rig r;
    r.start();
    r.f.world.advance(1000);
    r.keys(u"28 "_qs);
    r.drill->Form_KeyDown(38, 0);
    QVERIFY(r.drill->typedAnswer().isEmpty());
    QCOMPARE(r.p.h.judgement, 0);
    QVERIFY(r.f.sound.played.isEmpty());
    r.flash();
    r.keys(u"2"_qs); // the first key after "？" is taken
    QCOMPARE(r.drill->typedAnswer(), u"2"_qs);
}

void TestFlashDrill::fourthCharacterRefused() {
    Rig r;
    r.start();
    r.flash();
    r.keys(u"1234"_qs);
    QCOMPARE(r.drill->typedAnswer(), u"123"_qs);
    QCOMPARE(r.view.captions[c::inputLabel], u"123"_qs);
    QCOMPARE(r.f.sound.played, QStringList{u"警告1.wav"_qs});
    r.keys(u"5"_qs);
    QCOMPARE(r.f.sound.played.size(), 2); // every refused key warns again
    r.drill->Form_KeyPress(8);
    QCOMPARE(r.drill->typedAnswer(), u"12"_qs);
    r.keys(u"+A"_qs); // "+" and letters are never taken
    QCOMPARE(r.drill->typedAnswer(), u"12"_qs);
}

void TestFlashDrill::answerReading_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("judgement");
    QTest::newRow("exact") << u"28"_qs << 1;
    QTest::newRow("trailing point") << u"28."_qs << 1;
    QTest::newRow("off by one") << u"27"_qs << 2;
    QTest::newRow("comma ends the number") << u"2,8"_qs << 2;
    QTest::newRow("lone slash reads 0") << u"/"_qs << 2;
    QTest::newRow("minus") << u"-28"_qs << 2;
}

void TestFlashDrill::answerReading() {
    QFETCH(QString, typed);
    QFETCH(int, judgement);
    Rig r;
    r.start();
    r.flash();
    r.keys(typed);
    r.p.h.judging = 1;
    r.drill->判定();
    QCOMPARE(r.p.h.judgement, judgement);
}

void TestFlashDrill::emptyAnswerIsWrongWithPenalty() {
    Rig r;
    r.start();
    const qint64 startTick = r.p.h.runStartTick;
    const float startTime = r.p.h.runStartTime;
    r.flash();
    // The correction must be on screen and painted (events run) before the sound blocks.
    bool soundPlayed = false, paintedBeforeSound = false;
    r.f.events.onProcess = [&] {
        if (!soundPlayed && r.view.visible[c::Picture2] && r.view.visible[c::seitouLabel] &&
            r.view.captions[c::seitouLabel] == u"28"_qs)
            paintedBeforeSound = true;
    };
    r.f.sound.onPlay = [&](const QString&) { soundPlayed = true; };
    r.keys(u" "_qs);
    r.f.events.onProcess = nullptr;
    QVERIFY(soundPlayed);
    QVERIFY(paintedBeforeSound);
    QCOMPARE(r.p.h.plusKeyState, 1);
    QCOMPARE(r.p.h.judging, 0);
    QCOMPARE(r.view.captions[c::seitouLabel], u"28"_qs);
    for (const QString& name : {c::seitouLabel, c::Picture2, c::Label11, c::Commandkakunin2})
        QVERIFY2(r.view.visible[name], qPrintable(name));
    QVERIFY(!r.view.visible[c::Label1]);
    QCOMPARE(r.p.h.runStartTick, startTick - 20000);
    QCOMPARE(r.p.h.runStartTime, startTime - 20);
    QCOMPARE(r.p.h.correctCount, 0);
    QCOMPARE(r.f.sound.played.size(), 1);
}

void TestFlashDrill::plusPlusContinues() {
    Rig r;
    r.start();
    r.flash();
    r.keys(u"9 "_qs);
    r.next({1, 1, 1, 1, 1});
    r.keys(u"+A+"_qs);
    QCOMPARE(r.p.h.plusKeyState, 2);
    QVERIFY(r.view.visible[c::Picture2]);
    QCOMPARE(r.view.captions[c::inputLabel], u"9"_qs); // the wrong answer stays meanwhile
    r.keys(u"+"_qs);
    QCOMPARE(r.p.h.plusKeyState, 0);
    for (const QString& name : {c::seitouLabel, c::Picture2, c::Label11, c::Commandkakunin2})
        QVERIFY2(!r.view.visible[name], qPrintable(name));
    QVERIFY(r.drill->typedAnswer().isEmpty());
    QCOMPARE(r.drill->runningTotal(), 5.0); // a new problem, not the missed one
    QCOMPARE(r.drill->allShown(), 0);
}

void TestFlashDrill::starDuringCorrectionOnlyResetsPlus() {
    Rig r;
    r.start();
    r.flash();
    r.keys(u" +"_qs);
    QCOMPARE(r.p.h.plusKeyState, 2);
    r.view.flashes.clear();
    r.keys(u"*"_qs);
    QCOMPARE(r.p.h.plusKeyState, 1);
    QVERIFY(r.view.flashes.empty());
    QCOMPARE(r.drill->allShown(), 1);
}

void TestFlashDrill::upArrowClearsEvenDuringCorrection() {
    Rig r;
    r.start();
    r.flash();
    r.keys(u"12 "_qs);
    QCOMPARE(r.view.captions[c::inputLabel], u"12"_qs);
    r.drill->Form_KeyDown(38, 0);
    QVERIFY(r.view.captions[c::inputLabel].isEmpty());
    QVERIFY(r.drill->typedAnswer().isEmpty());
    QCOMPARE(r.p.h.plusKeyState, 1);
}

void TestFlashDrill::fiveCorrectEndTheRunOnce() {
    Rig r;
    r.start({2, 2, 2, 2, 2});
    for (int i = 0; i < 5; ++i) {
        r.flash();
        r.next({2, 2, 2, 2, 2});
        r.keys(u"10 "_qs);
        QCOMPARE(r.view.captions[c::sLabel9], QString::number(4 - i));
    }
    QCOMPARE(r.p.h.correctCount, 5);
    QCOMPARE(r.p.h.runFinished, 1);
    QCOMPARE(r.endRuns, 1);
    QVERIFY(!r.drill->sTimer1().isEnabled());
    QCOMPARE(r.f.sound.played.size(), 5);
    r.keys(u"5"_qs); // keys after the end change nothing
    r.keys(u" "_qs);
    QCOMPARE(r.endRuns, 1);
    QCOMPARE(r.view.captions[c::inputLabel], u"10"_qs);
    QCOMPARE(r.f.sound.played.size(), 5);
}

void TestFlashDrill::judgingBlocksNewProblem() {
    Rig r;
    r.start();
    r.flash();
    r.next({9, 9, 9, 9, 9});
    r.p.h.judging = 1;
    r.drill->問題作成表示();
    QCOMPARE(r.drill->runningTotal(), 28.0);
    QCOMPARE(r.view.captions[c::qLabel1], u"？"_qs);
}

void TestFlashDrill::timeOutAtFiveTimesMinimum() {
    Rig r;
    r.start();
    QCOMPARE(r.p.h.timeoutSeconds, 200);
    r.f.world.advance(199000);
    QCOMPARE(r.endRuns, 0);
    QCOMPARE(r.view.captions[c::sLabel10], u"199"_qs);
    QVERIFY(r.view.widths[c::sShape2] < r.view.widths[c::sShape5]);
    r.f.world.advance(1000);
    QCOMPARE(r.endRuns, 1);
    QCOMPARE(r.p.h.runEndReason, 1);
    QCOMPARE(r.p.h.elapsedSeconds, 200);
    QCOMPARE(r.view.widths[c::sShape2], 15060);
    QVERIFY(!r.drill->sTimer1().isEnabled());
    QCOMPARE(r.p.h.correctCount, 0); // problems remained
}

void TestFlashDrill::threeWrongAnswersShowSeventySeconds() {
    Rig r;
    r.start();
    for (int i = 0; i < 3; ++i) {
        r.flash();
        r.keys(u"1 ++"_qs);
    }
    QVERIFY(r.f.clock().tick < 10000);
    r.f.world.advance(10000 - r.f.clock().tick);
    QCOMPARE(r.view.captions[c::sLabel10], u"70"_qs);
    QCOMPARE(r.view.widths[c::sShape2], qRound(70 * 15060 / 200.0));
}

void TestFlashDrill::timeOutDuringJudgementWaitsForIt() {
    Rig r;
    r.start();
    r.flash();
    r.f.world.advance(199500 - r.f.clock().tick);
    // The wrong sound plays for 1.5 s; a clock tick runs while the correction repaints.
    bool ticked = false;
    r.f.events.onProcess = [&] {
        if (r.p.h.judging == 1 && !ticked) {
            ticked = true;
            r.f.clock().tick = 200100;
            r.drill->sTimer1_Timer();
        }
    };
    r.f.sound.onPlay = [&](const QString&) { r.f.clock().tick += 1500; };
    r.keys(u" "_qs);
    QCOMPARE(r.endRuns, 0);
    QCOMPARE(r.p.h.runEndReason, 0);
    r.f.events.onProcess = nullptr;
    r.drill->sTimer1_Timer(); // the first tick after the judgement
    QCOMPARE(r.endRuns, 1);
    QCOMPARE(r.p.h.runEndReason, 1);
}

void TestFlashDrill::lastAnswerMeetsTimeOut_data() {
    QTest::addColumn<bool>("tickFirst");
    QTest::newRow("answer, then a tick inside the hand-over") << false;
    QTest::newRow("time-out, then the answer inside the hand-over") << true;
}

void TestFlashDrill::lastAnswerMeetsTimeOut() {
    QFETCH(bool, tickFirst);
    Rig r;
    r.start({2, 2, 2, 2, 2});
    for (int i = 0; i < 4; ++i) {
        r.flash();
        r.next({2, 2, 2, 2, 2});
        r.keys(u"10 "_qs);
    }
    r.flash();
    r.keys(u"10"_qs);
    r.f.clock().tick = r.p.h.runStartTick + 200000;
    bool inside = false;
    r.f.events.onProcess = [&] {
        if (inside || (tickFirst && r.p.h.runEndReason != 1)) return;
        inside = true;
        if (tickFirst)
            r.keys(u" "_qs);
        else
            r.drill->sTimer1_Timer();
        inside = false;
    };
    if (tickFirst)
        r.drill->sTimer1_Timer();
    else
        r.keys(u" "_qs);
    QCOMPARE(r.endRuns, 1);
    QCOMPARE(r.p.h.runEndReason, tickFirst ? 1 : 0);
    QCOMPARE(r.p.h.correctCount, tickFirst ? 4 : 5);
    r.f.events.onProcess = nullptr;
    r.drill->sTimer1_Timer();
    QCOMPARE(r.endRuns, 1);
}

void TestFlashDrill::runAcrossMidnight() {
    Rig r;
    r.f.clock().midnightOffset = 86400 - 30; // 23:59:30 at tick 0
    r.p.h.usageStartTick = 0;
    r.f.clock().tick = 20000;
    r.start();
    r.f.world.advance(60000);
    QCOMPARE(r.p.h.elapsedSeconds, 60);
    QCOMPARE(r.view.captions[c::sLabel10], u"60"_qs);
    r.f.world.advance(60000);
    QCOMPARE(r.view.captions[c::sLabel13], u"2"_qs); // sTimer2, every 10 s
}

void TestFlashDrill::titleFontSize_data() {
    QTest::addColumn<QString>("title");
    QTest::addColumn<double>("points");
    QTest::newRow("9 characters") << u"あいうえおかきくけ"_qs << 16.8;
    QTest::newRow("10 characters") << u"あいうえおかきくけこ"_qs << 14.0;
}

void TestFlashDrill::titleFontSize() {
    QFETCH(QString, title);
    QFETCH(double, points);
    Rig r;
    r.start();
    r.p.h.programTitle = title;
    r.drill->初期設定();
    QCOMPARE(r.view.fonts[c::sLabel2], points);
    QCOMPARE(r.view.captions[c::sLabel2], title);
}

void TestFlashDrill::todaysCountsAndBars() {
    QTemporaryDir dir;
    Rig r;
    r.p.h.dataFolder = dir.path() + u'/';
    r.p.retryWaitMs = 1;
    // Two runs on level 4 and one on level 2 today, one timed out (not counted).
    for (int level : {4, 4, 2})
        AppendRecord(r.p.recordFilePath(), r.p.recordBuffer, 1, level, 25, QString(), r.f.services,
                     1);
    AppendRecord(r.p.recordFilePath(), r.p.recordBuffer, 1, 4, kTimedOut, QString(), r.f.services,
                 1);
    r.p.computeStatistics();
    r.p.h.usageStartTick = -185000; // name confirmed 3 min 5 s ago
    r.start();
    QCOMPARE(r.view.captions[c::sLabel11], u"3"_qs);
    QCOMPARE(r.view.captions[c::sLabel12], u"4"_qs);
    QCOMPARE(r.p.h.todayRunTotal, 3);
    QCOMPARE(r.view.captions[c::sLabel7], u"山田太郎"_qs);
    QCOMPARE(r.view.captions[c::sLabel8], u"最速"_qs);
    QCOMPARE(r.view.captions[c::sLabel14], u"みどり塾"_qs);
    QCOMPARE(r.view.captions[c::sLabel13], u"3"_qs);
    QCOMPARE(r.view.captions[c::sLabel9], u"5"_qs);
    QCOMPARE(r.view.captions[c::sLabel10], u"0"_qs);
    QCOMPARE(r.view.positions[c::sPicture2], QPoint(0, 0));
    // 15060 twips stand for 200 s: 75.3 twips a second.
    QCOMPARE(r.p.h.barScale, 75.3);
    QCOMPARE(r.view.widths[c::sShape3], 2259);
    QCOMPARE(r.view.widths[c::sShape4], 3012);
    QCOMPARE(r.view.widths[c::sShape2], 0);
    QCOMPARE(r.view.widths[c::sShape7], 0);
    r.f.world.advance(100000);
    QCOMPARE(r.view.widths[c::sShape2], 7530);
    QVERIFY(r.f.screens.unloaded.contains(screen::seisekitime1));
    QVERIFY(r.f.screens.unloaded.contains(screen::BASEFRM));
}

void TestFlashDrill::levelWithoutMinimumTimeIsRefused() {
    Rig r;
    r.p.criteria.minimumTime[4] = 0;
    r.start();
    QVERIFY(!r.drill->started());
    QCOMPARE(r.f.dialogs.messages.size(), 1);
    QVERIFY(r.f.dialogs.messages[0].contains(u"タイム回数データ.txt"_qs));
    QVERIFY(r.f.dialogs.messages[0].contains(u"最速"_qs));
    QVERIFY(r.f.screens.shown.endsWith(screen::seisekitime1));
    QVERIFY(r.f.screens.unloaded.contains(screen::MainFrm));
    QVERIFY(!r.drill->sTimer1().isEnabled() && !r.drill->timer2().isEnabled());
    r.f.world.advance(10000);
    QCOMPARE(r.endRuns, 0);
}

void TestFlashDrill::handOverHooks() {
    Rig r;
    r.start();
    QVERIFY(r.p.drill.showEndPanel && r.p.drill.stopRunClock);
    r.p.drill.showEndPanel(true);
    QVERIFY(r.view.visible[c::sPicture2] && r.view.visible[c::lblsss2] &&
            !r.view.visible[c::lblsss1]);
    r.p.drill.showEndPanel(false);
    QVERIFY(!r.view.visible[c::lblsss2] && r.view.visible[c::lblsss1]);
    r.p.drill.stopRunClock();
    QVERIFY(!r.drill->sTimer1().isEnabled());
    r.drill.reset();
    QVERIFY(!r.p.drill.showEndPanel && !r.p.drill.stopRunClock);
}

void TestFlashDrill::keyGateDropsKeysPressedDuringSound() {
    KeyGate gate;
    // The event clock runs 5000 ms behind the tick; keys arrive within a millisecond.
    QVERIFY(gate.accept(1000, 6000, 0));
    QVERIFY(gate.accept(2000, 7001, 0));
    // A sound blocked from 7000 to 9000: keys stamped inside it arrive at 9000, late.
    QVERIFY(!gate.accept(2500, 9000, 9000));
    QVERIFY(!gate.accept(3990, 9001, 9000));
    QVERIFY(gate.accept(4000, 9002, 9000)); // pressed as the sound ended
    QVERIFY(gate.accept(0, 9003, 9000));    // synthetic keys carry no stamp
}

QTEST_GUILESS_MAIN(TestFlashDrill)
#include "tst_flash_drill.moc"
