#pragma once
#include "drill/flash_drill.h"
#include "records/program.h"
#include "records/run_end.h"
#include "school/roster.h"
#include "shell/shared_file.h"

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QString>
#include <functional>
#include <map>
#include <optional>

namespace kz {

// One answer of the browser drill's server: status, type and body.
struct ServeReply {
    int status = 200;
    QByteArray contentType = "application/json; charset=utf-8";
    QByteArray body;

    static ServeReply json(const QJsonObject& object, int status = 200);
    // {"error": message}: the page shows the message as it is.
    static ServeReply error(int status, const QString& message);
};

// One run drilled in a browser. The server keeps each run's state here, never in the
// program-wide shared state, as several pupils drill at once.
struct ServedRun {
    enum class Stage { Answering, WrongShown, Finishing, Finished };

    QString id;
    QString device;
    int bangou = 0;
    int level = 0;
    bool recorded = true;     // a practice or unrecorded level is drilled but never written
    int timeoutSeconds = 0;   // 0: no time-out (levels that are not recorded)
    qint64 startTick = 0;     // the server's tick when the run started
    int wrongAnswers = 0;     // each moves the run clock 20 s on
    int correctAnswers = 0;
    Problem problem;
    Stage stage = Stage::Answering;
    bool timedOut = false;
    int resultTime = 0;
    // Judged once, against the statistics from before the run: an append that fails and is
    // tried again must not find its own time already taken as the best.
    std::optional<RunOutcome> outcome;
    RecordFile::SentWrite sentRecord; // a write that may have landed before the server gave up
    int step = 0;             // answers and continues taken so far
    ServeReply lastReply;     // what the last step answered, given again for a repeat
    qint64 lastSeenTick = 0;
};

// What the server window and the log show.
struct ServeStatus {
    std::map<QString, qint64> deviceSeenTick; // random id a page keeps -> last request's tick
    int runsToday = 0;
    QDate runsDay;
    QString lastError;
    int devicesWithin(qint64 nowTick, qint64 windowMs) const;
};

// The browser drill's rules: the pupil's path (names, level menu, drill, result) answered from
// the same model code the desktop uses, one request at a time on the program's thread. It never
// shows a dialog, never lets events run and never ends the program: a file the share does not
// give answers 503 with the message, and the next request tries again.
class DrillService {
public:
    static constexpr int MaxBodyBytes = 16 * 1024;
    static constexpr int ClockAllowanceMs = 2000; // the page's run clock against the server's
    static constexpr qint64 IdleRunMs = 3600 * 1000; // a run nobody asks about is forgotten
    // The record file is read again at least this often even when its stamp is unchanged: a
    // teacher's change in place keeps its length, and a share's times may be coarse.
    static constexpr qint64 RereadRecordsMs = 5000;
    // The statistics' windows (今日, the judge and over-practice days) count back from the
    // moment of counting: counted again when this much time has passed.
    static constexpr qint64 RecountMs = 1000;

    // p: configuration loaded (LoadConfiguration, prepareLevels); its services give the clock
    // and the random numbers. Nothing of p's per-pupil state is used.
    explicit DrillService(Program& p);

    // method "GET" or "POST"; target: path and query as the request gave it.
    ServeReply handle(const QByteArray& method, const QByteArray& target, const QByteArray& body);

    // Ends and records every run whose time-out has passed on the server's clock (the page may
    // have gone away); forgets runs idle for an hour. The server calls it every second.
    void expireRuns();

    // One line per run recorded or refused, and per file error.
    std::function<void(const QString& line)> log;
    const ServeStatus& status() const { return m_status; }
    const std::map<QString, ServedRun>& runs() const { return m_runs; }
    // How long a step waits in all for another computer's lock before it answers 503.
    int lockPatienceMs = 3000;

    // Why level is closed for the pupil by the criteria file's own rule, or empty. The one
    // place where that reason joins the over-practice rule of the level menu.
    QString criteriaClosedReason(int level, int bangou) const;

private:
    ServeReply names(const QString& grade);
    ServeReply menu(int bangou);
    ServeReply start(const QJsonObject& request);
    ServeReply answer(const QJsonObject& request);
    ServeReply next(const QJsonObject& request);
    ServeReply finish(ServedRun& run);
    ServeReply staticFile(const QString& path);
    ServeReply sound(const QStringList& parts);

    // Reads again what the desktop reads again at its refresh points; empty or the message.
    QString refreshRoster();
    QString refreshCriteria();
    QString refreshStatistics();
    ServeReply shareError(const QString& message);

    ServedRun* findRun(const QJsonObject& request, ServeReply* error);
    // The run a step request names, when it is the next step and the run is at stage; the same
    // step again gets its first reply (a lost reply, a double tap). Null with *reply otherwise.
    ServedRun* nextStep(const QJsonObject& request, ServedRun::Stage stage, const QString& refusal,
                        ServeReply* reply);
    QJsonObject problemJson(const ServedRun& run) const;
    int runClockNow(const ServedRun& run) const;
    bool timeOutDue(const ServedRun& run) const;
    void record(const QString& what);
    // Why the pupil may not start level now (closed by the criteria, practised enough, no
    // minimum time), or empty.
    QString startRefusal(int level, int bangou) const;
    bool pupilListed(int bangou) const;
    QString soundUrl(int kind);
    Hensuu1 runState(const ServedRun& run) const;

    Program& m_p;
    RosterTables m_tables;
    RosterReading m_reading;
    // What each refresh read last: a request reads a file again only when its stamp changed
    // (another computer's append always changes the record file's length), so forty pupils
    // do not read the share forty times over.
    FileStamp m_rosterStamp, m_criteriaStamp, m_recordStamp;
    QDate m_rosterDay;            // the roster's grades are this day's
    qint64 m_recordReadTick = 0;  // the record file's last read, on the server's clock
    qint64 m_countedTick = -1;    // the statistics' count (-1: count again)
    std::map<QString, ServedRun> m_runs;
    ServeStatus m_status;
};

} // namespace kz
