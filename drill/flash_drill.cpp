#include "flash_drill.h"

#include "records/program.h"
#include "shell/field_reader.h"
#include "shell/numbers.h"

#include <algorithm>

// Nothing in this program keeps a file open between operations, so the steps where the drill
// "closes all open files" (keys after the run, the housekeeping tick) have nothing to do.

namespace kz {

namespace {
constexpr int KeyBackspace = 8;
constexpr int KeySpace = 32;
constexpr int KeyStar = 42;
constexpr int KeyPlus = 43;
constexpr int KeyNine = 57;
constexpr int KeyUp = 38;
constexpr int MaxTyped = 3;
} // namespace

FlashSpeed flashSpeedForLevel(int level) {
    static constexpr FlashSpeed table[] = {{1000, 300}, {700, 300}, {500, 200}, {300, 100}};
    return table[std::clamp(level, 1, 4) - 1];
}

QString problemLine(const QString& op, double number) {
    return QStringLiteral(" ") + op + rightPart(QStringLiteral("      ") + numberText(number), 3);
}

Problem makeProblem(RandomSource& random, int count) {
    Problem p;
    count = std::clamp(count, 1, FlashDrill::MaxNumbers);
    for (int i = 1; i <= count; ++i) {
        // Int(r * 10 + 1) for r in [0, 1); the clamp only guards a source that strays from it.
        const double n = std::clamp(wholeFloor(random.next() * 10 + 1), 1.0, 10.0);
        p.numbers.append(n);
        p.total += n;
    }
    return p;
}

QString levelStartRefusal(const CriteriaTable& criteria, const Hensuu1& h, int level) {
    if (level < 1 || level >= kLevelSlots)
        return QStringLiteral("レベル番号 %1 は使えません。").arg(level);
    if (h.levelRecorded[level] != 0 && criteria.minimumTime[level] <= 0)
        return QStringLiteral("「%1」に、レベル%2「%3」の最低タイムがありません。")
            .arg(files::criteria)
            .arg(level)
            .arg(h.levelNames[level]);
    return {};
}

int runClockSeconds(qint64 runStartTick, qint64 nowTick) {
    return static_cast<int>(roundHalfEven((nowTick - runStartTick) / 1000.0));
}

FlashDrill::FlashDrill(Program& program, DrillView& view)
    : m_p(program), m_h(program.h), m_s(program.s), m_view(view),
      m_timer1(m_s.timers.createTimer(false)), m_timer2(m_s.timers.createTimer(true)),
      m_timer3(m_s.timers.createTimer(true)), m_sTimer1(m_s.timers.createTimer(false)),
      m_sTimer2(m_s.timers.createTimer(false)) {
    for (Timer* t : {m_timer1.get(), m_timer2.get(), m_timer3.get()})
        t->setInterval(1000);
    m_sTimer1->setInterval(1000);
    m_sTimer2->setInterval(10000);
    m_timer1->onTimeout = [this] { Timer1_Timer(); };
    m_timer2->onTimeout = [this] { Timer2_Timer(); };
    m_timer3->onTimeout = [this] { Timer3_Timer(); };
    m_sTimer1->onTimeout = [this] { sTimer1_Timer(); };
    m_sTimer2->onTimeout = [this] { sTimer2_Timer(); };
    m_p.drill.showEndPanel = [this](bool timedOut) { showEndPanel(timedOut); };
    m_p.drill.stopRunClock = [this] { stopRunClock(); };
}

FlashDrill::~FlashDrill() {
    m_p.drill.showEndPanel = nullptr;
    m_p.drill.stopRunClock = nullptr;
    for (Timer* t :
         {m_timer1.get(), m_timer2.get(), m_timer3.get(), m_sTimer1.get(), m_sTimer2.get()}) {
        t->setEnabled(false);
        t->onTimeout = nullptr;
    }
}

void FlashDrill::Form_Load() {
    m_s.random.seed(static_cast<unsigned>(m_s.clock.secondsSinceMidnight()));
    m_sTimer2->setEnabled(true);
}

bool FlashDrill::levelCanStart() {
    const QString why = levelStartRefusal(m_p.criteria, m_h, m_h.LevelNo);
    if (why.isEmpty()) return true;
    // The time-out would be 0 and the bar scale undefined: back to where the run was started.
    m_s.dialogs.message(why, m_h.programTitle);
    m_s.screens.unload(screen::BASEFRM);
    m_s.screens.show(screen::seisekitime1);
    m_s.screens.unload(screen::MainFrm);
    return false;
}

void FlashDrill::Form_Activate() {
    m_started = levelCanStart();
    if (!m_started) return;
    m_view.moveTo(drillctl::sPicture2, 0, 0);
    初期設定();
    レベル別設定();
    スタート();
    問題作成表示();
}

void FlashDrill::初期設定() {
    m_s.screens.unload(screen::seisekitime1);
    m_s.screens.unload(screen::BASEFRM);
    m_h.runFinished = 0;
    m_h.recordingStarted = 0;
    m_h.judgement = 0;
    m_typedAnswer.clear();
    if (m_h.levelRecorded[m_h.LevelNo] != 0)
        setUpBars();
    else
        m_h.timeoutSeconds = 0; // no time-out for a level that is not recorded
    setUpLabels();
}

void FlashDrill::setUpBars() {
    const int level = m_h.LevelNo;
    m_h.timeoutSeconds = m_p.criteria.minimumTime[level] * 5;
    m_view.setCaption(drillctl::sLabel10, QStringLiteral("0"));
    const int track = m_view.widthTw(drillctl::sShape5);
    m_h.barScale = static_cast<double>(track) / m_h.timeoutSeconds;
    // Bars never reach past the track, even when the pass time lies beyond the time-out.
    auto width = [&](double seconds) {
        return std::clamp(static_cast<int>(roundHalfEven(seconds * m_h.barScale)), 0, track);
    };
    m_view.setWidthTw(drillctl::sShape2, 0);
    m_view.setWidthTw(drillctl::sShape7, 0);
    m_view.setWidthTw(drillctl::sShape3, width(m_p.criteria.passTime[level]));
    m_view.setWidthTw(drillctl::sShape4, width(m_p.criteria.minimumTime[level]));
}

void FlashDrill::setUpLabels() {
    const int level = m_h.LevelNo;
    const int pupil = (m_h.Bangou >= 0 && m_h.Bangou < kStudentSlots) ? m_h.Bangou : 0;
    m_view.setFontSize(drillctl::sLabel2, m_h.programTitle.size() > 9 ? 14.0 : 16.8);
    m_view.setCaption(drillctl::sLabel2, m_h.programTitle);
    m_view.setCaption(drillctl::sLabel7, trimBlanks(m_h.studentName));
    m_view.setCaption(drillctl::sLabel8, m_h.levelNames[level]);
    const RunOrdinals o = runOrdinals(m_p.stats, level, pupil);
    m_h.todayRunTotal = o.todayRunTotal;
    m_view.setCaption(drillctl::sLabel14, m_h.schoolLine);
    m_view.setCaption(drillctl::sLabel13, QString::number(minutesSinceStart()));
    m_view.setCaption(drillctl::sLabel12, o.allToday);
    m_view.setCaption(drillctl::sLabel11, o.levelToday);
}

RunOrdinals runOrdinals(const Statistics& st, int level, int pupil) {
    double total = 0;
    for (int i = 1; i <= 15; ++i)
        total += st.todayRunCount(i, pupil);
    RunOrdinals o;
    o.todayRunTotal = toInt16(static_cast<long long>(roundHalfEven(total)));
    o.allToday = QString::number(o.todayRunTotal + 1);
    o.levelToday = numberText(st.todayRunCount(level, pupil) + 1.0);
    return o;
}

int FlashDrill::minutesSinceStart() const {
    return static_cast<int>(std::max<qint64>(0, (m_s.clock.tickMs() - m_h.usageStartTick) / 60000));
}

void FlashDrill::showRemaining() {
    m_view.setCaption(drillctl::sLabel9, QString::number(m_h.problemsPerRun - m_h.correctCount));
}

void FlashDrill::レベル別設定() {
    m_h.problemsPerRun = kProblemsPerRun;
    showRemaining();
}

void FlashDrill::スタート() {
    m_h.runStartTime = static_cast<float>(m_s.clock.secondsSinceMidnight());
    m_h.runStartTick = m_s.clock.tickMs();
    m_sTimer1->setEnabled(true);
}

void FlashDrill::問題作成表示() {
    if (m_h.runEndReason == 1 || m_h.runFinished == 1 || m_h.judging == 1) return;
    m_view.setCaption(drillctl::qLabel1, QString());
    m_view.setCaption(drillctl::inputLabel, QString());
    m_timer1->setEnabled(false);
    m_view.setVisible(drillctl::Label11, false);
    const FlashSpeed speed = flashSpeedForLevel(m_h.LevelNo);
    m_displayMs = speed.displayMs;
    m_gapMs = speed.gapMs;
    const Problem problem = makeProblem(m_s.random, kNumbersPerProblem);
    m_numbersPerProblem = static_cast<int>(problem.numbers.size());
    m_runningTotal = 0;
    m_view.clearList(drillctl::List1);
    for (int i = 1; i <= m_numbersPerProblem; ++i) {
        m_numbers[i] = problem.numbers[i - 1];
        m_operators[i] = QStringLiteral("+");
        if (m_operators[i] == QLatin1String("+"))
            m_runningTotal += m_numbers[i];
        else if (m_operators[i] == QLatin1String("-"))
            m_runningTotal -= m_numbers[i];
        m_view.addListItem(drillctl::List1, problemLine(m_operators[i], m_numbers[i]));
    }
    Command1_Click();
}

void FlashDrill::Command1_Click() {
    m_timer2->setEnabled(false);
    m_timer3->setEnabled(false);
    m_timer2->setInterval(m_displayMs);
    m_timer3->setInterval(m_gapMs);
    m_allShown = 0;
    m_view.setVisible(drillctl::Label1, false);
    m_shownIndex = 0;
    Command2_Click();
}

void FlashDrill::Command2_Click() {
    m_shownIndex = std::min(m_shownIndex + 1, MaxNumbers);
    m_view.setCaption(drillctl::qLabel1, numberText(m_numbers[m_shownIndex]));
    m_correctAnswer = m_runningTotal;
    // The screen has painted the number: its time counts from now, however late this came.
    m_timer2->setEnabled(true);
}

void FlashDrill::Timer1_Timer() {
    m_timer1->setEnabled(false);
}

void FlashDrill::Timer2_Timer() {
    m_timer2->setEnabled(false);
    if (m_shownIndex >= m_numbersPerProblem) {
        m_allShown = 1;
        m_view.setCaption(drillctl::qLabel1, QStringLiteral("？"));
        m_view.setVisible(drillctl::Label1, true);
    } else {
        m_view.setCaption(drillctl::qLabel1, QStringLiteral("+"));
        m_timer3->setEnabled(true);
    }
}

void FlashDrill::Timer3_Timer() {
    m_timer3->setEnabled(false);
    Command2_Click();
}

void FlashDrill::soundEnded() {
    m_soundEndedTick = m_s.clock.tickMs();
}

void FlashDrill::Form_KeyPress(int keyAscii) {
    if (m_allShown == 0) return;
    if (m_h.runEndReason == 1 || m_h.runFinished == 1) return;
    if (m_h.judging == 1) return;
    if (m_h.plusKeyState == 0) {
        if (keyAscii == KeyStar) {
            Command1_Click();
            return;
        }
        if (keyAscii == KeySpace) {
            m_h.judging = 1;
            判定();
            判定後処理();
            m_h.judging = 0;
            return;
        }
        if (keyAscii == KeyBackspace) {
            if (!m_typedAnswer.isEmpty()) {
                m_typedAnswer.chop(1);
                m_view.setCaption(drillctl::inputLabel, m_typedAnswer);
            }
            return;
        }
        if (m_typedAnswer.size() >= MaxTyped) {
            m_p.sounds.PlayWarningSound();
            soundEnded();
            return;
        }
        // Digits and , - . / ("*" is taken above, "+" is refused).
        if (keyAscii >= KeyStar && keyAscii <= KeyNine && keyAscii != KeyPlus) {
            m_typedAnswer += QChar(keyAscii);
            m_view.setCaption(drillctl::inputLabel, m_typedAnswer);
        }
        return;
    }
    if (keyAscii == KeyPlus && m_h.plusKeyState == 1)
        m_h.plusKeyState = 2;
    else if (keyAscii == KeyPlus && m_h.plusKeyState == 2)
        Commandkakunin_Click();
    else
        m_h.plusKeyState = 1; // the two "+" must follow each other
}

void FlashDrill::Form_KeyDown(int keyCode, int shift) {
    (void)shift;
    if (m_allShown != 0 && keyCode == KeyUp) {
        m_view.setCaption(drillctl::inputLabel, QString());
        m_typedAnswer.clear();
    }
}

void FlashDrill::判定() {
    if (m_h.runEndReason == 1 || m_h.runFinished == 1) {
        m_h.judging = 0;
        return;
    }
    m_h.judgement = leadingNumber(m_typedAnswer) == m_correctAnswer ? 1 : 2;
}

void FlashDrill::判定後処理() {
    if (m_h.runEndReason == 1 || m_h.runFinished == 1) return;
    if (m_h.judgement == 1) {
        m_h.judgement = 0;
        m_p.sounds.PlayCorrectSound();
        soundEnded();
        ++m_h.correctCount;
        showRemaining();
        if (m_h.correctCount < m_h.problemsPerRun) {
            m_h.judging = 0;
            m_typedAnswer.clear();
            問題作成表示();
        } else {
            m_sTimer1->setEnabled(false);
            m_h.runFinished = 1;
            if (m_p.EndRun) m_p.EndRun();
        }
    } else if (m_h.judgement == 2) {
        m_h.plusKeyState = 1;
        m_view.setCaption(drillctl::seitouLabel, numberText(m_correctAnswer));
        m_view.setVisible(drillctl::seitouLabel, true);
        m_view.setVisible(drillctl::Picture2, true);
        m_view.setVisible(drillctl::Label1, false);
        m_view.setVisible(drillctl::Label11, true);
        m_s.events.processEvents();
        m_p.sounds.PlayWrongSound();
        soundEnded();
        m_h.judging = 0;
        m_h.runStartTime -= PenaltySeconds;
        m_h.runStartTick -= PenaltySeconds * 1000;
        m_view.setVisible(drillctl::Commandkakunin2, true);
    }
}

void FlashDrill::Commandkakunin_Click() {
    m_view.setVisible(drillctl::Commandkakunin2, false);
    m_h.plusKeyState = 0;
    m_view.setCaption(drillctl::inputLabel, QString());
    m_view.setVisible(drillctl::seitouLabel, false);
    m_view.setVisible(drillctl::Picture2, false);
    m_view.setVisible(drillctl::Label11, false);
    m_typedAnswer.clear();
    問題作成表示();
}

void FlashDrill::setElapsedBar(int seconds) {
    const int track = m_view.widthTw(drillctl::sShape5);
    m_view.setWidthTw(
        drillctl::sShape2,
        std::clamp(static_cast<int>(roundHalfEven(seconds * m_h.barScale)), 0, track));
}

void FlashDrill::sTimer1_Timer() {
    // Measured on the monotonic tick, so a run across midnight is timed right.
    m_h.elapsedSeconds = runClockSeconds(m_h.runStartTick, m_s.clock.tickMs());
    const bool recorded = m_h.levelRecorded[m_h.LevelNo] != 0;
    const bool timeOutApplies = recorded && m_h.timeoutSeconds > 0;
    if (recorded) {
        m_view.setCaption(drillctl::sLabel10, QString::number(m_h.elapsedSeconds));
        if (!timeOutApplies || m_h.elapsedSeconds < m_h.timeoutSeconds)
            setElapsedBar(m_h.elapsedSeconds);
    }
    m_s.events.processEvents();
    if (!timeOutApplies || m_h.elapsedSeconds < m_h.timeoutSeconds) {
        if (recorded) setElapsedBar(m_h.elapsedSeconds);
        return;
    }
    m_view.setWidthTw(drillctl::sShape2, m_view.widthTw(drillctl::sShape5));
    // A judgement in progress hands over on the first tick after it, if the run did not end.
    if (m_h.recordingStarted == 0 && m_h.runFinished == 0 && m_h.judging == 0) {
        m_h.runEndReason = 1;
        m_sTimer1->setEnabled(false);
        if (m_p.EndRun) m_p.EndRun();
    }
    m_s.events.processEvents();
}

void FlashDrill::sTimer2_Timer() {
    m_view.setCaption(drillctl::sLabel13, QString::number(minutesSinceStart()));
}

void FlashDrill::showEndPanel(bool timedOut) {
    m_view.setVisible(drillctl::sPicture2, true);
    m_view.setVisible(drillctl::lblsss2, timedOut);
    m_view.setVisible(drillctl::lblsss1, !timedOut);
}

void FlashDrill::stopRunClock() {
    m_sTimer1->setEnabled(false);
}

} // namespace kz
