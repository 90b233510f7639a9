#include "run_end.h"

#include "availability.h"

namespace kz {

void RunEnd::EndRun() {
    Hensuu1& h = m_p.h;
    Services& s = m_p.s;
    s.events.processEvents();
    // The last answer and the time-out may both arrive: the record is written once.
    if (h.recordingStarted == 1) return;
    h.recordingStarted = 1;

    if (m_p.drill.showEndPanel) m_p.drill.showEndPanel(h.runEndReason == 1);
    s.events.processEvents();

    const bool levelInRange = h.LevelNo >= 1 && h.LevelNo < kLevelSlots;
    const bool practice = levelInRange && isPracticeLevel(h.levelNames[h.LevelNo]);
    // Out of range is recorded so that JudgeAndRecordRun reports it; an unrecorded level goes
    // back to the menu like a practice level instead of leaving the pupil on the drill screen.
    const bool recorded = !levelInRange || h.levelRecorded[h.LevelNo] == 1;
    if (practice || !recorded) {
        s.screens.show(screen::BASEFRM);
        s.screens.unload(screen::MainFrm);
        s.screens.show(screen::seisekitime1);
        s.events.processEvents();
        return;
    }

    if (m_p.drill.stopRunClock) m_p.drill.stopRunClock();
    h.resultTime = h.runEndReason == 1 ? kTimedOut : h.elapsedSeconds;
    JudgeAndRecordRun(h.LevelNo);
    s.screens.show(screen::BASEFRM);
    s.events.processEvents();
    ShowResultAfterPause(resultPauseSeconds);
}

void RunEnd::JudgeAndRecordRun(int level) {
    Hensuu1& h = m_p.h;
    Services& s = m_p.s;
    Statistics& st = m_p.stats;
    if (level < 1 || level >= kLevelSlots || !Statistics::inTable(level, h.Bangou)) {
        // The tables have no slot for this run: the one error of this step's own.
        s.dialogs.message(
            QStringLiteral("Seisekikiroku") +
            QStringLiteral("インデックスが有効範囲にありません (LevelNo=%1, Bangou=%2) 9")
                .arg(level)
                .arg(h.Bangou));
        s.screens.unloadAll();
        s.program.endProgram(1);
    }
    outcome = judgeRun(m_p.criteria, st, level, h.Bangou, h.resultTime);
    AppendRecord(m_p.recordFilePath(), m_p.recordBuffer, h.Bangou, h.LevelNo, h.resultTime,
                 h.schoolCode, s, m_p.retryWaitMs);
}

RunOutcome judgeRun(const CriteriaTable& c, Statistics& st, int level, int bangou,
                    int resultTime) {
    RunOutcome outcome;
    // Counts of the last statistics computation, from before this run.
    outcome.clearedBefore = levelClearedAll(c, st, level, bangou) ? 1 : 0;
    if (st.bestTime(level, bangou) > resultTime) {
        outcome.newPersonalBest = 1;
        st.setBestTime(level, bangou, resultTime);
    }
    if (st.levelBestTime(level) > resultTime) {
        st.setLevelBestTime(level, resultTime);
        outcome.newLevelBest = 1;
    }
    return outcome;
}

void RunEnd::ShowResultAfterPause(int seconds) {
    Services& s = m_p.s;
    qint64 base = s.clock.tickMs();
    qint64 steps = 0;
    int stalled = 0;
    while (steps * 10 / 1000 < seconds) {
        const qint64 now = s.clock.tickMs();
        // Catch up on every 10 ms step that passed while events ran, so slow event handling
        // does not stretch the pause.
        if (now - base > 10) {
            const qint64 passed = (now - base) / 10;
            steps += passed;
            base += passed * 10;
            stalled = 0;
        } else if (++stalled >= stalledReadingsLimit) {
            break;
        }
        s.events.processEvents();
    }
    s.screens.unload(screen::MainFrm);
    s.screens.show(screen::FrmSyuuryou);
}

} // namespace kz
