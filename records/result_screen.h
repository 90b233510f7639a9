#pragma once
#include "program.h"
#include "run_end.h"

#include <functional>
#include <memory>
#include <QString>

namespace kz {

// What the result screen shows; the form applies it and nothing else.
struct ResultState {
    QString label15; // program title
    QString label16; // level name
    QString label17; // pupil's name
    QString label18; // result line
    QString label19; // points line
    QString label13; // runs on this level today
    QString label14; // runs on all levels today
    QString label20; // message
    bool label20Visible = false;
    QString label2 = QStringLiteral("このレベルクリア");
    bool label2Visible = false;
    bool picture1Visible = false; // "目標レベルクリア。おめでとう！"
    bool command4Visible = false;
    bool command4Enabled = true;
    bool command5Visible = false;
    bool focusCommand4 = false;
};

enum class ResultSound { None, SelfBest, Best, Fail };

// The decisions of the activation, from the statistics that include the run just recorded.
struct ResultDecision {
    ResultState state;
    bool levelCleared = false; // judgement window
    ResultSound sound = ResultSound::None;
    bool passSound = false; // target level cleared for the first time
};

// Pure decisions, tested directly.
ResultDecision decideResult(const Program& p, const RunOutcome& outcome);
// The same for a run described by h (pupil, level, time, end reason) rather than the
// program's own state, as the browser drill's server keeps each run apart.
ResultDecision decideResult(const Hensuu1& h, const CriteriaTable& c, const Statistics& st,
                            const RunOutcome& outcome);
// Timer1's decisions on the activation's state.
ResultState decideAfterTimer(const Program& p, ResultState state);
// The same for a run described by h, as decideResult above.
ResultState decideAfterTimer(const Hensuu1& h, const CriteriaTable& c, const Statistics& st,
                             ResultState state);
// "獲得ポイント：p点×rate→q点" on the full time.
QString pointsLine(int resultTime, int passTime, const DecimalNumber& pointRate);
// True when some level 1..35 has clearCount 9999: the course has no final congratulation.
bool congratulationSuppressed(const CriteriaTable& c);

// The procedures of the result screen. The form owns one, calls Form_Activate and the button
// handlers, and applies state whenever changed() runs.
class ResultScreen {
public:
    ResultScreen(Program& p, RunOutcome& outcome);

    void Form_Activate();
    void Timer1_Timer();
    void Command4_Click();
    void Command5_Click();

    Timer& timer1() { return *m_timer1; }
    const ResultState& state() const { return m_state; }
    std::function<void()> changed;

private:
    void apply();

    Program& m_p;
    RunOutcome& m_outcome;
    std::unique_ptr<Timer> m_timer1;
    ResultState m_state;
};

} // namespace kz
