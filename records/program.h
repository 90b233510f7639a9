#pragma once
#include "criteria_table.h"
#include "media/sounds.h"
#include "record_file.h"
#include "shell/hensuu1.h"
#include "shell/services.h"
#include "statistics.h"

#include <functional>
#include <memory>

namespace kz {

// Everything the screens share: the shared state, the criteria, the statistics, the sounds,
// the record buffer and the outside services. One instance, owned by the application (or a
// test), handed to every screen by reference.
struct Program {
    explicit Program(Services& services);

    Services& s;
    Hensuu1 h;
    CriteriaTable criteria;
    Statistics stats;
    SoundTable soundTable;
    SoundPlayer sounds;
    SeisekiRecord recordBuffer; // the one record every read and write of the file goes through
    // Record files replaced by an erase, kept open until older programs' appends are moved.
    ReplacedFiles replacedFiles{s};
    // Every way out of the program calls this once the screens are gone: the rest of the
    // grace period is waited out and what older programs appended is moved, bounded (see
    // ReplacedFiles::finish). What could not be moved goes to a line of the log file beside
    // the program and, unless the system is ending the program within seconds (atOnce), to a
    // notice that closes itself. Nothing is held afterwards, so a second call does nothing.
    void endRecordKeeping(bool atOnce = false);
    // The notice of what could not be moved shows within the end's bound, and the program
    // still has EndMarginMs of it to close its windows and end.
    static constexpr int NoticeMs = 3000;
    static constexpr int EndMarginMs = 500;
    QString logFilePath() const { return h.programPath + files::log; }

    // Waits of the record file's retry rules, in ms; tests shorten them.
    int retryWaitMs = 1000;
    double statisticsWaitScale = 1.0;

    // Result of the over-practice rule for the current pupil (set by the level menu).
    int targetLevelCleared = 0;

    QString recordFilePath() const { return h.dataFolder + files::records; }
    QString criteriaFilePath() const { return h.dataFolder + files::criteria; }
    QString rosterFilePath() const { return h.basePath + files::roster; }

    void computeStatistics() {
        stats.ComputeStatistics(recordFilePath(), criteria, s, statisticsWaitScale, &recordBuffer);
    }

    // Hand-over at the end of a run: the drill calls this; the run-end code sets it.
    std::function<void()> EndRun;

    // What the run end asks of the drill screen while it is loaded (set by the drill screen,
    // cleared when it goes): show the end-of-run panel with "時間切れ" (timed out) or
    // "成績記録中", and stop the run clock.
    struct DrillHandOver {
        std::function<void(bool timedOut)> showEndPanel;
        std::function<void()> stopRunClock;
    } drill;
};

} // namespace kz
