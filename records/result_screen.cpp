#include "result_screen.h"

#include "availability.h"
#include "shell/field_reader.h"
#include "shell/numbers.h"
#include "shell/startup.h"

namespace kz {

namespace {
bool isLevel(int level) {
    return level >= 1 && level < kLevelSlots;
}
// The last level of the menu, whose clearing completes the course.
int targetLevel(const Hensuu1& h) {
    return std::min(h.levelCount, kLevelSlots - 1);
}
} // namespace

QString pointsLine(int resultTime, int passTime, const DecimalNumber& pointRate) {
    const int p = RunPointsFullTime(resultTime, passTime);
    const int q = ratedPoints(p, pointRate);
    return QStringLiteral("獲得ポイント：") + QString::number(p) + QStringLiteral("点×") +
           pointRate.text() + QStringLiteral("→") + QString::number(q) + QStringLiteral("点");
}

bool congratulationSuppressed(const CriteriaTable& c) {
    for (int l = 1; l < kLevelSlots; ++l)
        if (c.clearCount[l] == 9999) return true;
    return false;
}

ResultDecision decideResult(const Program& p, const RunOutcome& outcome) {
    return decideResult(p.h, p.criteria, p.stats, outcome);
}

ResultDecision decideResult(const Hensuu1& h, const CriteriaTable& c, const Statistics& st,
                            const RunOutcome& outcome) {
    const int level = h.LevelNo;
    const int b = h.Bangou;
    const bool inRange = isLevel(level);
    const bool atTarget = level == targetLevel(h);

    ResultDecision d;
    ResultState& s = d.state;
    d.levelCleared = levelClearedJudge(c, st, level, b);
    s.label2Visible = d.levelCleared;
    s.picture1Visible = d.levelCleared && atTarget && !congratulationSuppressed(c);

    s.label19 = pointsLine(h.resultTime, inRange ? c.passTime[level] : 0,
                           inRange ? c.pointRate[level] : DecimalNumber());
    s.label18 = h.resultTime >= 99998 ? QStringLiteral("記録なし")
                                      : QStringLiteral("今の成績：") +
                                            QString::number(h.resultTime) + QStringLiteral("秒");
    s.label17 = trimBlanks(h.studentName);
    s.label15 = h.programTitle;
    s.label16 = inRange ? h.levelNames[level] : QString();
    s.label13 = QStringLiteral(" (このレベル　") + singleText(st.todayRunCount(level, b)) +
                QStringLiteral("回目)");
    s.label14 = QStringLiteral("（") +
                QString::number(static_cast<long long>(roundHalfEven(st.todayRunsAllLevels(b)))) +
                QStringLiteral("回目)");

    if (h.runEndReason == 1) {
        s.label20 = QStringLiteral("時間切れ");
        s.label20Visible = true;
    } else if (outcome.newPersonalBest == 1 && outcome.newLevelBest != 1) {
        s.label20 = QStringLiteral("新記録おめでとう");
        s.label20Visible = true;
        d.sound = ResultSound::SelfBest;
    } else if (outcome.newLevelBest == 1) {
        s.label20 = QStringLiteral("！！！最高新記録！！！");
        s.label20Visible = true;
        d.sound = ResultSound::Best;
    } else if (inRange && h.resultTime <= c.minimumTime[level]) {
        d.sound = ResultSound::Fail;
    }
    d.passSound = d.levelCleared && atTarget && outcome.clearedBefore == 0;
    return d;
}

ResultState decideAfterTimer(const Program& p, ResultState s) {
    return decideAfterTimer(p.h, p.criteria, p.stats, std::move(s));
}

ResultState decideAfterTimer(const Hensuu1& h, const CriteriaTable& c, const Statistics& st,
                             ResultState s) {
    const int level = h.LevelNo;
    s.picture1Visible = false;
    s.command4Visible = true;
    s.focusCommand4 = true;
    const bool over = overPracticeReached(c, st, level, h.Bangou);
    const bool cleared = levelClearedJudge(c, st, level, h.Bangou);
    // The target level's state from the statistics just rebuilt; this run, on another level,
    // cannot have changed it.
    const bool targetCleared = levelClearedJudge(c, st, targetLevel(h), h.Bangou);
    s.command5Visible = true;
    if (over && cleared) {
        if (level == targetLevel(h)) {
            s.label2.clear();
            s.label2Visible = false;
        } else if (!targetCleared) {
            // Enough of this level: only the menu leads on, to the next level.
            s.label2 = QStringLiteral("次のレベルへ進みましょう");
            s.command5Visible = false;
        }
    }
    return s;
}

ResultScreen::ResultScreen(Program& p, RunOutcome& outcome)
    : m_p(p), m_outcome(outcome), m_timer1(p.s.timers.createTimer()) {
    m_timer1->setInterval(500);
    m_timer1->setEnabled(false);
    m_timer1->onTimeout = [this] { Timer1_Timer(); };
}

void ResultScreen::apply() {
    if (changed) changed();
}

void ResultScreen::Form_Activate() {
    Services& s = m_p.s;
    m_p.computeStatistics();
    const ResultDecision d = decideResult(m_p, m_outcome);
    m_state = d.state;
    apply();
    s.events.processEvents();
    m_timer1->setEnabled(true);
    s.events.processEvents();
    // Sounds block: the screen shows its final texts while they play.
    switch (d.sound) {
    case ResultSound::SelfBest:
        m_p.sounds.PlaySelfBestSound();
        break;
    case ResultSound::Best:
        m_p.sounds.PlayBestSound();
        break;
    case ResultSound::Fail:
        m_p.sounds.PlayFailSound();
        break;
    case ResultSound::None:
        break;
    }
    if (d.passSound) m_p.sounds.PlayPassSound();
    m_outcome.newPersonalBest = 0;
    m_outcome.newLevelBest = 0;
    s.events.processEvents();
    s.screens.unload(screen::BASEFRM);
}

void ResultScreen::Timer1_Timer() {
    m_timer1->setEnabled(false);
    m_state.picture1Visible = false;
    m_state.command4Visible = true;
    apply();
    m_p.s.events.processEvents();
    m_state = decideAfterTimer(m_p, m_state);
    apply();
}

void ResultScreen::Command4_Click() {
    if (!m_state.command4Enabled) return;
    m_state.command4Enabled = false;
    apply();
    Services& s = m_p.s;
    s.screens.show(screen::seisekitime1);
    s.screens.unload(screen::FrmSyuuryou);
    s.events.processEvents();
}

void ResultScreen::Command5_Click() {
    m_state.command4Enabled = false;
    apply();
    // This object goes with the screen: keep what the new run needs.
    Program& p = m_p;
    p.s.screens.show(screen::BASEFRM);
    p.s.screens.unload(screen::FrmSyuuryou);
    p.s.events.processEvents();
    StartRun(p.h, p.s);
}

} // namespace kz
