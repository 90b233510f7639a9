#pragma once
#include "program.h"

namespace kz {

// What the end of a run hands to the result screen: the record flags and whether the level
// counted as cleared (all-time counts) before this run.
struct RunOutcome {
    int newPersonalBest = 0;
    int newLevelBest = 0;
    int clearedBefore = 0;
};

// A run's time against the best times of the statistics (from before the run), which take
// it as a new best: the flags the result screen shows.
RunOutcome judgeRun(const CriteriaTable& c, Statistics& st, int level, int bangou, int resultTime);

// The end of a run: fixes the result time, judges it against the best times, appends the
// record and opens the result screen after a pause behind the waiting form.
class RunEnd {
public:
    explicit RunEnd(Program& p) : m_p(p) {}

    // Called by the drill after the last answer or at the time-out; a second call for the
    // same run does nothing.
    void EndRun();
    void JudgeAndRecordRun(int level);
    // Counts 10 ms steps of the tick while events run; then closes the drill screen and shows
    // the result screen.
    void ShowResultAfterPause(int seconds);

    RunOutcome outcome;
    int resultPauseSeconds = 1;
    // Readings of an unmoving tick after which the pause gives up waiting (a stopped clock).
    int stalledReadingsLimit = 1000000;

private:
    Program& m_p;
};

} // namespace kz
