#pragma once
#include "drill_view.h"

#include <array>
#include <memory>
#include <QList>
#include <QString>

namespace kz {

struct Program;
struct Hensuu1;
struct Services;
struct CriteriaTable;
class RandomSource;
class Statistics;
class Timer;

// How long a number and the "+" between two numbers stay visible at a level, in ms.
struct FlashSpeed {
    int displayMs;
    int gapMs;
};
// Levels 1..4; a level outside the table flashes at the nearest level's speed, so a wrong
// level number never leaves the timers at 0 (which would never fire).
FlashSpeed flashSpeedForLevel(int level);

// One line of List1 for a number: a space, the operator, the number right-aligned in three
// characters (" +  7", " + 10").
QString problemLine(const QString& op, double number);

// One problem: numbers from 1 to 10, all added, and their total. The desktop drill and the
// browser drill's server both make their problems here.
struct Problem {
    QList<double> numbers;
    double total = 0;
};
constexpr int kNumbersPerProblem = 5;
constexpr int kProblemsPerRun = 5; // correct answers that make a run
Problem makeProblem(RandomSource& random, int count = kNumbersPerProblem);

// Why a level cannot be started (a level number out of range, or a recorded level without a
// minimum time, which would make the time-out 0); empty when it can.
QString levelStartRefusal(const CriteriaTable& criteria, const Hensuu1& h, int level);

// The status strip's "本日 N回目" and "このレベル N回目": today's runs before this one, plus one.
struct RunOrdinals {
    qint16 todayRunTotal = 0; // runs today on levels 1..15 before this one
    QString allToday;         // todayRunTotal + 1
    QString levelToday;       // this level's runs today + 1
};
RunOrdinals runOrdinals(const Statistics& st, int level, int pupil);

// The run clock's reading in whole seconds: the tick since the run's start (moved back by the
// penalties), rounded half to even. The drill reads it once a second.
int runClockSeconds(qint64 runStartTick, qint64 nowTick);

// The drill screen's behaviour: the problem, the flash sequence, answer entry and judgement,
// the run clock and the status panel. It reaches the screen only through DrillView and the
// outside world only through the program's services, so a test drives it by hand.
class FlashDrill {
public:
    static constexpr int MaxNumbers = 100; // bound of numbers and operators
    static constexpr int PenaltySeconds = 20;

    FlashDrill(Program& program, DrillView& view);
    ~FlashDrill();
    FlashDrill(const FlashDrill&) = delete;
    FlashDrill& operator=(const FlashDrill&) = delete;

    // Events of the screen.
    void Form_Load();
    void Form_Activate();
    void Form_KeyPress(int keyAscii);
    void Form_KeyDown(int keyCode, int shift);

    // Public procedures.
    void 初期設定();
    void レベル別設定();
    void スタート();
    void 問題作成表示();
    void 終了() {}
    void 判定();
    void 判定後処理();
    void Commandkakunin_Click();

    // Flash sequence.
    void Command1_Click();
    void Command2_Click();
    void Timer1_Timer();
    void Timer2_Timer();
    void Timer3_Timer();

    // Run clock and housekeeping.
    void sTimer1_Timer();
    void sTimer2_Timer();

    // What the run end asks of the screen.
    void showEndPanel(bool timedOut);
    void stopRunClock();

    // Whole minutes since the pupil confirmed the name, never negative.
    int minutesSinceStart() const;

    Timer& timer1() { return *m_timer1; }
    Timer& timer2() { return *m_timer2; }
    Timer& timer3() { return *m_timer3; }
    Timer& sTimer1() { return *m_sTimer1; }
    Timer& sTimer2() { return *m_sTimer2; }

    double number(int i) const { return m_numbers.at(i); }
    int numbersPerProblem() const { return m_numbersPerProblem; }
    double runningTotal() const { return m_runningTotal; }
    double correctAnswer() const { return m_correctAnswer; }
    const QString& typedAnswer() const { return m_typedAnswer; }
    int shownIndex() const { return m_shownIndex; }
    int allShown() const { return m_allShown; }
    int displayMs() const { return m_displayMs; }
    int gapMs() const { return m_gapMs; }
    // Tick at which the last blocking sound of the drill ended (see KeyGate).
    qint64 soundEndedTick() const { return m_soundEndedTick; }
    // False when the level could not be started (no minimum time in the criteria).
    bool started() const { return m_started; }

private:
    bool levelCanStart();
    void setUpBars();
    void setUpLabels();
    void showRemaining();
    void setElapsedBar(int seconds);
    void soundEnded();

    Program& m_p;
    Hensuu1& m_h;
    Services& m_s;
    DrillView& m_view;

    std::array<double, MaxNumbers + 1> m_numbers{};
    std::array<QString, MaxNumbers + 1> m_operators{};
    int m_numbersPerProblem = 5;
    double m_runningTotal = 0;
    double m_correctAnswer = 0;
    QString m_typedAnswer;
    int m_shownIndex = 0;
    int m_allShown = 0;
    int m_displayMs = 0;
    int m_gapMs = 0;
    qint64 m_soundEndedTick = 0;
    bool m_started = false;

    std::unique_ptr<Timer> m_timer1, m_timer2, m_timer3, m_sTimer1, m_sTimer2;
};

} // namespace kz
