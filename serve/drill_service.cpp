#include "drill_service.h"

#include "records/availability.h"
#include "records/result_screen.h"
#include "selection/level_menu.h"
#include "selection/name_list.h"
#include "shell/numbers.h"
#include "shell/system_error.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QThread>
#include <QUrl>
#include <QUrlQuery>

// The page's files are compiled into the serve library; a static library's resources are
// registered by hand.
static void registerWebResources() {
    Q_INIT_RESOURCE(web);
}

namespace kz {

namespace {
constexpr int kCorrectSound = 2, kWrongSound = 4, kSelfBestSound = 8, kFailSound = 10;
constexpr int kMaxTyped = 3; // the desktop's answer field takes three characters
constexpr int kMaxDeviceId = 64;

QString newRunId() {
    quint32 words[4];
    QRandomGenerator::system()->fillRange(words);
    QString id;
    for (quint32 w : words)
        id += QStringLiteral("%1").arg(w, 8, 16, QChar(u'0'));
    return id;
}

// A whole number from a JSON value; false for anything else (text, fraction, missing).
bool wholeNumber(const QJsonValue& v, qint64 lo, qint64 hi, qint64* out) {
    if (!v.isDouble()) return false;
    const double d = v.toDouble();
    if (d != std::floor(d) || d < lo || d > hi) return false;
    *out = static_cast<qint64>(d);
    return true;
}

// Characters the desktop's answer field takes: digits and , - . / (see the drill's keys).
bool answerText(const QString& a) {
    if (a.size() > kMaxTyped) return false;
    for (QChar c : a)
        if (c < u',' || c > u'9') return false;
    return true;
}
} // namespace

ServeReply ServeReply::json(const QJsonObject& object, int status) {
    ServeReply r;
    r.status = status;
    r.body = QJsonDocument(object).toJson(QJsonDocument::Compact);
    return r;
}

ServeReply ServeReply::error(int status, const QString& message) {
    return json(QJsonObject{{QStringLiteral("error"), message}}, status);
}

int ServeStatus::devicesWithin(qint64 nowTick, qint64 windowMs) const {
    int n = 0;
    for (const auto& [id, tick] : deviceSeenTick)
        if (nowTick - tick <= windowMs) ++n;
    return n;
}

DrillService::DrillService(Program& p) : m_p(p) {
    registerWebResources();
}

QString DrillService::criteriaClosedReason(int level, int bangou) const {
    // A level whose criteria line the reader refused is closed for every pupil, with the text
    // the level menu shows over its start button.
    (void)bangou;
    return m_p.criteria.closesLevel(level) ? m_p.criteria.closedReason(level) : QString();
}

ServeReply DrillService::shareError(const QString& message) {
    m_status.lastError = message;
    record(QStringLiteral("エラー ") + message);
    return ServeReply::error(503, message);
}

void DrillService::record(const QString& what) {
    if (!log) return;
    log(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss ")) + what);
}

QString DrillService::refreshRoster() {
    const Hensuu1& h = m_p.h;
    const QString path = m_p.rosterFilePath();
    const FileStamp stamp = FileStamp::of(path);
    const QDate today = m_p.s.clock.today();
    if (stamp.sameAs(m_rosterStamp) && today == m_rosterDay) return {};
    RosterReading r = readRosterFile(path, m_tables, today, h.commonLine1.toNumber(),
                                     commonLine3Lists(h.commonLine3) ? 1 : 0);
    if (!r.ok()) {
        m_rosterStamp = {};
        return r.error;
    }
    m_reading = std::move(r);
    m_rosterStamp = stamp;
    m_rosterDay = today;
    return {};
}

QString DrillService::refreshCriteria() {
    const QString path = m_p.criteriaFilePath();
    const FileStamp stamp = FileStamp::of(path);
    if (stamp.sameAs(m_criteriaStamp)) return {};
    // Read into a copy, so a file being rewritten never leaves half a table behind.
    CriteriaTable fresh;
    const QString error = LoadCriteriaFile(fresh, path);
    if (!error.isEmpty()) {
        m_criteriaStamp = {};
        return error;
    }
    m_p.criteria = fresh;
    m_criteriaStamp = stamp;
    m_countedTick = -1; // the points and windows are the criteria's
    return {};
}

QString DrillService::refreshStatistics() {
    const QString path = m_p.recordFilePath();
    const qint64 now = m_p.s.clock.tickMs();
    const FileStamp stamp = FileStamp::of(path);
    if (!stamp.sameAs(m_recordStamp) || now - m_recordReadTick >= RereadRecordsMs) {
        QElapsedTimer waited;
        waited.start();
        for (;;) {
            const RecordFile::Result r = m_p.stats.tryLoadRecords(path, &m_p.recordBuffer);
            if (r.ok()) break;
            if (r.status == RecordFile::Status::Locked && waited.elapsed() < lockPatienceMs) {
                QThread::msleep(20); // another computer appends or erases: a short wait, no events
                continue;
            }
            m_recordStamp = {};
            return recordFileMessage(QStringLiteral("成績ランダムファイル表示"), r, path);
        }
        m_recordStamp = stamp;
        m_recordReadTick = now;
        m_countedTick = -1;
    }
    if (m_countedTick < 0 || now - m_countedTick >= RecountMs) {
        m_p.stats.countScan(m_p.criteria, m_p.s.clock.today(), m_p.s.clock.secondsSinceMidnight());
        m_countedTick = now;
    }
    return {};
}

bool DrillService::pupilListed(int bangou) const {
    for (const RosterEntry& e : m_reading.listed)
        if (e.number == bangou) return true;
    return false;
}

QString DrillService::soundUrl(int kind) {
    return QStringLiteral("/sound/%1/%2").arg(kind).arg(m_p.soundTable.pickSlot(kind, m_p.s.random.next()));
}

Hensuu1 DrillService::runState(const ServedRun& run) const {
    Hensuu1 h = m_p.h;
    h.Bangou = run.bangou;
    h.studentName = m_tables.studentNames[run.bangou];
    h.studentGrade = m_tables.gradeTexts[run.bangou];
    h.LevelNo = run.level;
    h.resultTime = run.resultTime;
    h.runEndReason = run.timedOut ? 1 : 0;
    return h;
}

ServeReply DrillService::handle(const QByteArray& method, const QByteArray& target,
                                const QByteArray& body) {
    if (body.size() > MaxBodyBytes)
        return ServeReply::error(413, QStringLiteral("送られたデータが大きすぎます。"));
    const QUrl url(QString::fromUtf8(target), QUrl::StrictMode);
    const QString path = url.path(QUrl::FullyDecoded);
    if (!url.isValid() || !target.startsWith('/') || path.contains(QStringLiteral("..")))
        return ServeReply::error(400, QStringLiteral("アドレスが正しくありません。"));
    const QUrlQuery query(url);

    if (method == "GET") {
        if (path.startsWith(QStringLiteral("/sound/")))
            return sound(path.mid(7).split(u'/'));
        if (path == QStringLiteral("/api/names"))
            return names(query.queryItemValue(QStringLiteral("grade"), QUrl::FullyDecoded));
        if (path == QStringLiteral("/api/menu")) {
            bool ok = false;
            const int b = query.queryItemValue(QStringLiteral("pupil")).toInt(&ok);
            if (!ok || b < 1 || b >= kStudentSlots)
                return ServeReply::error(400, QStringLiteral("番号が正しくありません。"));
            return menu(b);
        }
        if (!path.startsWith(QStringLiteral("/api/"))) return staticFile(path);
    } else if (method == "POST") {
        QJsonParseError pe;
        const QJsonDocument doc = QJsonDocument::fromJson(body, &pe);
        if (pe.error != QJsonParseError::NoError || !doc.isObject())
            return ServeReply::error(400, QStringLiteral("送られたデータが読めません。"));
        const QJsonObject o = doc.object();
        if (path == QStringLiteral("/api/start")) return start(o);
        if (path == QStringLiteral("/api/answer")) return answer(o);
        if (path == QStringLiteral("/api/next")) return next(o);
        if (path == QStringLiteral("/api/end")) {
            ServeReply error;
            ServedRun* run = findRun(o, &error);
            if (!run) return error;
            if (run->stage == ServedRun::Stage::Finished) return run->lastReply;
            if (run->stage != ServedRun::Stage::Finishing && !timeOutDue(*run))
                return ServeReply::error(409, QStringLiteral("まだ時間切れではありません。"));
            run->timedOut = run->timedOut || run->stage != ServedRun::Stage::Finishing;
            return finish(*run);
        }
    } else {
        return ServeReply::error(405, QStringLiteral("この方法では使えません。"));
    }
    return ServeReply::error(404, QStringLiteral("ありません。"));
}

ServeReply DrillService::staticFile(const QString& path) {
    static const QHash<QString, std::pair<QString, QByteArray>> files = {
        {QStringLiteral("/"), {QStringLiteral(":/web/index.html"), "text/html; charset=utf-8"}},
        {QStringLiteral("/index.html"),
         {QStringLiteral(":/web/index.html"), "text/html; charset=utf-8"}},
        {QStringLiteral("/app.js"),
         {QStringLiteral(":/web/app.js"), "text/javascript; charset=utf-8"}},
        {QStringLiteral("/app.css"), {QStringLiteral(":/web/app.css"), "text/css; charset=utf-8"}},
    };
    const auto it = files.find(path);
    if (it == files.end()) return ServeReply::error(404, QStringLiteral("ありません。"));
    QFile f(it->first);
    if (!f.open(QIODevice::ReadOnly)) return ServeReply::error(404, QStringLiteral("ありません。"));
    ServeReply r;
    r.contentType = it->second;
    r.body = f.readAll();
    return r;
}

ServeReply DrillService::sound(const QStringList& parts) {
    // Only names from the school's sound table reach the file system, never a name from the URL.
    QString name;
    if (parts.size() == 1 && parts[0] == QStringLiteral("warning"))
        name = QStringLiteral("警告1");
    else if (parts.size() == 1 && parts[0] == QStringLiteral("best"))
        name = QStringLiteral("最高1");
    else if (parts.size() == 1 && parts[0] == QStringLiteral("pass"))
        name = QStringLiteral("合格");
    else if (parts.size() == 2) {
        bool ok1 = false, ok2 = false;
        const int kind = parts[0].toInt(&ok1);
        const int slot = parts[1].toInt(&ok2);
        if (ok1 && ok2 && kind >= 1 && kind <= SoundTable::Kinds && slot >= 1 &&
            slot <= SoundTable::Names)
            name = m_p.soundTable.soundNames[kind][slot];
    }
    if (name.isEmpty()) return ServeReply::error(404, QStringLiteral("その音はありません。"));
    const QString file = m_p.h.soundFolder + name + QStringLiteral(".wav");
    QFile f(file);
    clearSystemError();
    if (!f.open(QIODevice::ReadOnly)) {
        const QString why = failedFileText(f);
        if (!f.exists())
            return ServeReply::error(404, QStringLiteral("音のファイルがありません: %1").arg(file));
        return shareError(QStringLiteral("音のファイルが読めません: %1 (%2)").arg(file, why));
    }
    ServeReply r;
    r.contentType = "audio/wav";
    r.body = f.readAll();
    return r;
}

ServeReply DrillService::names(const QString& grade) {
    const QString filter = grade.isEmpty() ? kAllGrades : grade;
    if (filter != kAllGrades && !kGradeFilterEntries.contains(filter))
        return ServeReply::error(400, QStringLiteral("学年が正しくありません。"));
    QString error = refreshRoster();
    if (error.isEmpty()) error = refreshStatistics();
    if (!error.isEmpty()) return shareError(error);
    QJsonArray grades{kAllGrades};
    for (const QString& g : kGradeFilterEntries)
        if (g != kAllGrades) grades.append(g);
    QJsonArray rows;
    for (const NameRow& r : nameRows(m_reading.listed, m_tables.schoolYear, m_p.stats,
                                     PointsTodayTotal, filter))
        rows.append(QJsonObject{{QStringLiteral("number"), r.number},
                                {QStringLiteral("text"), r.display},
                                {QStringLiteral("name"), nameLabelFor(r)}});
    // O.K. without a name plays the wrong answer's sound, as the name screen does.
    return ServeReply::json(QJsonObject{{QStringLiteral("title"), m_p.h.programTitle},
                                        {QStringLiteral("school"), m_p.h.schoolLine},
                                        {QStringLiteral("grades"), grades},
                                        {QStringLiteral("noName"), kNoName},
                                        {QStringLiteral("prompt"), kChooseName},
                                        {QStringLiteral("wrongSound"), soundUrl(kWrongSound)},
                                        {QStringLiteral("names"), rows}});
}

ServeReply DrillService::menu(int b) {
    QString error = refreshCriteria();
    if (error.isEmpty()) error = refreshRoster();
    if (!error.isEmpty()) return shareError(error);
    if (!pupilListed(b)) return ServeReply::error(400, QStringLiteral("名簿にない番号です。"));
    error = refreshStatistics();
    if (!error.isEmpty()) return shareError(error);
    const Hensuu1& h = m_p.h;
    const CriteriaTable& c = m_p.criteria;
    const Statistics& st = m_p.stats;
    ServedRun who;
    who.bangou = b;
    const Hensuu1 pupil = runState(who);
    const LevelAvailability a = levelAvailability(h.levelCount, c, st, b);
    QJsonArray levels;
    // The keys that start a level, as the desktop's menu takes them.
    QHash<int, QString> keys;
    for (QChar k : QStringLiteral("123456789abcd")) {
        const MenuKey action = menuKeyAction(k, h.levelCount, true);
        if (action.kind == MenuKey::Start) keys.insert(action.level, QString(k));
    }
    for (int l = 1; l <= std::min(h.levelCount, kLevelSlots - 1); ++l) {
        const QString closed = criteriaClosedReason(l, b);
        // A practice level shows neither its target nor its counts.
        const bool practice = isPracticeLevel(h.levelNames[l]);
        levels.append(QJsonObject{
            {QStringLiteral("level"), l},
            {QStringLiteral("name"), h.levelNames[l]},
            {QStringLiteral("caption"), startCaption(l).remove(u'&')},
            {QStringLiteral("key"), keys.value(l)},
            {QStringLiteral("target"), practice ? QString() : targetText(c, h, l)},
            {QStringLiteral("recent"),
             h.levelRecorded[l] == 1 && !practice ? recentText(c, st, l, b) : QString()},
            {QStringLiteral("today"), practice ? QString() : todayText(st, l, b)},
            {QStringLiteral("total"), practice ? QString() : totalText(st, l, b)},
            {QStringLiteral("enabled"), a.enabled[l] && closed.isEmpty()},
            {QStringLiteral("refused"), a.refused[l]},
            {QStringLiteral("reason"), closed},
        });
    }
    return ServeReply::json(QJsonObject{
        {QStringLiteral("title"), h.programTitle},
        {QStringLiteral("pupil"), pupilText(pupil)},
        {QStringLiteral("school"), schoolText(pupil)},
        {QStringLiteral("todayTotal"), todayRunTotalText(todayRunTotal(st, b))},
        {QStringLiteral("levels"), levels},
    });
}

QJsonObject DrillService::problemJson(const ServedRun& run) const {
    const FlashSpeed speed = flashSpeedForLevel(run.level);
    QJsonArray numbers;
    for (double n : run.problem.numbers)
        numbers.append(n);
    return QJsonObject{{QStringLiteral("numbers"), numbers},
                       {QStringLiteral("displayMs"), speed.displayMs},
                       {QStringLiteral("gapMs"), speed.gapMs}};
}

int DrillService::runClockNow(const ServedRun& run) const {
    // The desktop reads its run clock on a one-second timer from the start; a run ends on the
    // reading of the last tick before it, with 20 s for each wrong answer.
    const qint64 since = m_p.s.clock.tickMs() - run.startTick;
    const qint64 lastTick = run.startTick + (since / 1000) * 1000;
    return runClockSeconds(run.startTick - qint64(run.wrongAnswers) * FlashDrill::PenaltySeconds * 1000,
                           lastTick);
}

bool DrillService::timeOutDue(const ServedRun& run) const {
    return run.timeoutSeconds > 0 && run.stage != ServedRun::Stage::Finished &&
           run.stage != ServedRun::Stage::Finishing && runClockNow(run) >= run.timeoutSeconds;
}

ServeReply DrillService::start(const QJsonObject& o) {
    qint64 b = 0, level = 0;
    if (!wholeNumber(o.value(QStringLiteral("pupil")), 1, kStudentSlots - 1, &b))
        return ServeReply::error(400, QStringLiteral("番号が正しくありません。"));
    if (!wholeNumber(o.value(QStringLiteral("level")), 1, kLevelSlots - 1, &level) ||
        level > m_p.h.levelCount)
        return ServeReply::error(400, QStringLiteral("レベルが正しくありません。"));
    const QString device = o.value(QStringLiteral("device")).toString().left(kMaxDeviceId);
    QString error = refreshCriteria();
    if (error.isEmpty()) error = refreshRoster();
    if (!error.isEmpty()) return shareError(error);
    if (!pupilListed(static_cast<int>(b)))
        return ServeReply::error(400, QStringLiteral("名簿にない番号です。"));
    error = refreshStatistics();
    if (!error.isEmpty()) return shareError(error);

    const Hensuu1& h = m_p.h;
    const int l = static_cast<int>(level);
    const QString refusal = startRefusal(l, static_cast<int>(b));
    if (!refusal.isEmpty()) {
        record(QStringLiteral("拒否 番号%1 レベル%2 %3").arg(b).arg(l).arg(refusal));
        return ServeReply::error(403, refusal);
    }

    ServedRun run;
    run.id = newRunId();
    run.device = device;
    run.bangou = static_cast<int>(b);
    run.level = l;
    run.recorded = h.levelRecorded[l] == 1 && !isPracticeLevel(h.levelNames[l]);
    run.timeoutSeconds = h.levelRecorded[l] != 0
                             ? static_cast<int>(std::min<qint64>(m_p.criteria.minimumTime[l] * 5LL, INT_MAX))
                             : 0;
    run.startTick = run.lastSeenTick = m_p.s.clock.tickMs();
    run.problem = makeProblem(m_p.s.random);
    if (!device.isEmpty()) m_status.deviceSeenTick[device] = run.startTick;
    const RunOrdinals ordinals = runOrdinals(m_p.stats, l, run.bangou);
    // The status strip: who and where, this run's place among today's, and the time bar's
    // marks (shown, as the clock, only on a level that is recorded).
    QJsonObject reply{{QStringLiteral("run"), run.id},
                      {QStringLiteral("title"), h.programTitle},
                      {QStringLiteral("school"), h.schoolLine},
                      {QStringLiteral("level"), l},
                      {QStringLiteral("levelName"), h.levelNames[l]},
                      {QStringLiteral("pupil"), trimBlanks(m_tables.studentNames[run.bangou])},
                      {QStringLiteral("allToday"), ordinals.allToday},
                      {QStringLiteral("levelToday"), ordinals.levelToday},
                      {QStringLiteral("clock"), h.levelRecorded[l] != 0},
                      {QStringLiteral("problems"), kProblemsPerRun},
                      {QStringLiteral("timeoutSeconds"), run.timeoutSeconds},
                      {QStringLiteral("passTime"), m_p.criteria.passTime[l]},
                      {QStringLiteral("minimumTime"), m_p.criteria.minimumTime[l]},
                      {QStringLiteral("problem"), problemJson(run)}};
    m_runs[run.id] = std::move(run);
    return ServeReply::json(reply);
}

QString DrillService::startRefusal(int level, int bangou) const {
    QString refusal = criteriaClosedReason(level, bangou);
    if (refusal.isEmpty() && !levelAvailability(m_p.h.levelCount, m_p.criteria, m_p.stats, bangou).enabled[level])
        refusal = QStringLiteral("やりすぎ禁止");
    if (refusal.isEmpty()) refusal = levelStartRefusal(m_p.criteria, m_p.h, level);
    return refusal;
}

ServedRun* DrillService::findRun(const QJsonObject& o, ServeReply* error) {
    const auto it = m_runs.find(o.value(QStringLiteral("run")).toString());
    if (it == m_runs.end()) {
        *error = ServeReply::error(400, QStringLiteral("その回は始まっていません。"));
        return nullptr;
    }
    it->second.lastSeenTick = m_p.s.clock.tickMs();
    if (!it->second.device.isEmpty())
        m_status.deviceSeenTick[it->second.device] = it->second.lastSeenTick;
    return &it->second;
}

ServedRun* DrillService::nextStep(const QJsonObject& o, ServedRun::Stage stage, const QString& refusal,
                                  ServeReply* reply) {
    ServedRun* run = findRun(o, reply);
    if (!run) return nullptr;
    qint64 step = 0;
    if (!wholeNumber(o.value(QStringLiteral("step")), 1, 1000000, &step)) {
        *reply = ServeReply::error(400, QStringLiteral("手順の番号が正しくありません。"));
        return nullptr;
    }
    if (step == run->step) {
        *reply = run->stage == ServedRun::Stage::Finishing ? finish(*run) : run->lastReply;
        return nullptr;
    }
    // The server's clock ended the run while the page still showed it: the page gets the
    // time-out's result, as the desktop's clock ends a run whatever key comes after.
    if (step == run->step + 1 && run->timedOut) {
        *reply = finish(*run);
        return nullptr;
    }
    if (step != run->step + 1 || run->stage != stage) {
        *reply = ServeReply::error(400, refusal);
        return nullptr;
    }
    return run;
}

ServeReply DrillService::answer(const QJsonObject& o) {
    ServeReply reply;
    ServedRun* run = nextStep(o, ServedRun::Stage::Answering,
                              QStringLiteral("今はその答えを受け付けません。"), &reply);
    if (!run) return reply;
    const QJsonValue typed = o.value(QStringLiteral("answer"));
    if (!typed.isString() || !answerText(typed.toString()))
        return ServeReply::error(400, QStringLiteral("答えが正しくありません。"));
    qint64 clientMs = 0;
    if (!wholeNumber(o.value(QStringLiteral("clientMs")), 0, 24LL * 3600 * 1000, &clientMs))
        return ServeReply::error(400, QStringLiteral("時間が正しくありません。"));

    if (timeOutDue(*run)) {
        ++run->step;
        run->timedOut = true;
        return finish(*run);
    }
    const qint64 serverMs = m_p.s.clock.tickMs() - run->startTick;
    if (std::abs(serverMs - clientMs) > ClockAllowanceMs) {
        run->stage = ServedRun::Stage::Finished;
        ++run->step;
        run->lastReply = ServeReply::error(400, QStringLiteral("時間が合いません。この回は記録しません。"));
        record(QStringLiteral("拒否 番号%1 レベル%2 時間が合いません (ページ %3 ms, サーバー %4 ms)")
                   .arg(run->bangou)
                   .arg(run->level)
                   .arg(clientMs)
                   .arg(serverMs));
        return run->lastReply;
    }

    ++run->step;
    if (leadingNumber(typed.toString()) == run->problem.total) {
        ++run->correctAnswers;
        if (run->correctAnswers >= kProblemsPerRun) {
            run->lastReply = finish(*run);
            return run->lastReply;
        }
        run->problem = makeProblem(m_p.s.random);
        run->lastReply = ServeReply::json(
            QJsonObject{{QStringLiteral("state"), QStringLiteral("correct")},
                        {QStringLiteral("remaining"), kProblemsPerRun - run->correctAnswers},
                        {QStringLiteral("sound"), soundUrl(kCorrectSound)},
                        {QStringLiteral("problem"), problemJson(*run)}});
        return run->lastReply;
    }
    ++run->wrongAnswers;
    run->stage = ServedRun::Stage::WrongShown;
    QJsonArray lines;
    for (double n : run->problem.numbers)
        lines.append(problemLine(QStringLiteral("+"), n));
    run->lastReply = ServeReply::json(
        QJsonObject{{QStringLiteral("state"), QStringLiteral("wrong")},
                    {QStringLiteral("total"), numberText(run->problem.total)},
                    {QStringLiteral("lines"), lines},
                    {QStringLiteral("penaltySeconds"), FlashDrill::PenaltySeconds},
                    {QStringLiteral("remaining"), kProblemsPerRun - run->correctAnswers},
                    {QStringLiteral("sound"), soundUrl(kWrongSound)}});
    return run->lastReply;
}

ServeReply DrillService::next(const QJsonObject& o) {
    ServeReply reply;
    ServedRun* run = nextStep(o, ServedRun::Stage::WrongShown,
                              QStringLiteral("今は次の問題に進めません。"), &reply);
    if (!run) return reply;
    ++run->step;
    if (timeOutDue(*run)) {
        run->timedOut = true;
        return finish(*run);
    }
    run->stage = ServedRun::Stage::Answering;
    run->problem = makeProblem(m_p.s.random);
    run->lastReply = ServeReply::json(QJsonObject{{QStringLiteral("state"), QStringLiteral("next")},
                                                  {QStringLiteral("problem"), problemJson(*run)}});
    return run->lastReply;
}

ServeReply DrillService::finish(ServedRun& run) {
    if (run.stage == ServedRun::Stage::Finished) return run.lastReply;
    if (run.stage != ServedRun::Stage::Finishing) {
        run.resultTime = run.timedOut ? kTimedOut : runClockNow(run);
        run.stage = ServedRun::Stage::Finishing;
    }
    // The last answer was right unless time ran out: its sound plays before the end's panel,
    // the result's sounds on the result screen, as on the desktop.
    const QString answerSound = run.timedOut ? QString() : soundUrl(kCorrectSound);
    QJsonArray sounds;
    if (!run.recorded) {
        run.stage = ServedRun::Stage::Finished;
        run.lastReply = ServeReply::json(QJsonObject{{QStringLiteral("state"), QStringLiteral("finished")},
                                                     {QStringLiteral("recorded"), false},
                                                     {QStringLiteral("timedOut"), run.timedOut},
                                                     {QStringLiteral("sound"), answerSound}});
        return run.lastReply;
    }
    // Until the record is written the run stays here, and the page's repeat (or the
    // expiry tick) tries again.
    QString error = refreshStatistics();
    if (!error.isEmpty()) return shareError(error);
    if (!run.outcome)
        run.outcome = judgeRun(m_p.criteria, m_p.stats, run.level, run.bangou, run.resultTime);
    fillRunRecord(m_p.recordBuffer, run.bangou, run.level, run.resultTime, m_p.h.schoolCode);
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        const RecordFile::Result r =
            appendRunRecord(m_p.recordFilePath(), m_p.recordBuffer, m_p.s.clock, {}, &run.sentRecord);
        if (r.ok()) break;
        if (r.status == RecordFile::Status::Locked && waited.elapsed() < lockPatienceMs) {
            QThread::msleep(20);
            continue;
        }
        m_countedTick = -1; // the judgement took this time as the best: not so until recorded
        return shareError(
            recordFileMessage(QStringLiteral("成績ランダムファイル記録"), r, m_p.recordFilePath()));
    }
    run.stage = ServedRun::Stage::Finished;
    const QDate today = m_p.s.clock.today();
    if (m_status.runsDay != today) {
        m_status.runsDay = today;
        m_status.runsToday = 0;
    }
    ++m_status.runsToday;
    record(QStringLiteral("記録 番号%1 %2 レベル%3 %4")
               .arg(run.bangou)
               .arg(trimBlanks(m_tables.studentNames[run.bangou]))
               .arg(run.level)
               .arg(run.timedOut ? QStringLiteral("時間切れ") : QStringLiteral("%1秒").arg(run.resultTime)));

    // The result as the desktop's result screen shows it, from statistics with this run.
    if (!refreshStatistics().isEmpty()) m_p.stats.countScan(m_p.criteria, today, m_p.s.clock.secondsSinceMidnight());
    const Hensuu1 state = runState(run);
    const ResultDecision d = decideResult(state, m_p.criteria, m_p.stats, *run.outcome);
    // What the result screen shows 500 ms later: the buttons, and for a level practised
    // enough below an uncleared target only the way to the menu.
    const ResultState later = decideAfterTimer(state, m_p.criteria, m_p.stats, d.state);
    // もう一度 is a start of this level: not offered when the start would be refused (a level
    // practised enough but not cleared, which the desktop would still let run once more).
    const bool again = later.command5Visible && startRefusal(run.level, run.bangou).isEmpty();
    switch (d.sound) {
    case ResultSound::SelfBest: sounds.append(soundUrl(kSelfBestSound)); break;
    case ResultSound::Best: sounds.append(QStringLiteral("/sound/best")); break;
    case ResultSound::Fail: sounds.append(soundUrl(kFailSound)); break;
    case ResultSound::None: break;
    }
    if (d.passSound) sounds.append(QStringLiteral("/sound/pass"));
    const ResultState& s = d.state;
    run.lastReply = ServeReply::json(QJsonObject{
        {QStringLiteral("state"), QStringLiteral("finished")},
        {QStringLiteral("recorded"), true},
        {QStringLiteral("timedOut"), run.timedOut},
        {QStringLiteral("time"), run.resultTime},
        {QStringLiteral("title"), s.label15},
        {QStringLiteral("levelName"), s.label16},
        {QStringLiteral("pupil"), s.label17},
        {QStringLiteral("result"), s.label18},
        {QStringLiteral("points"), s.label19},
        {QStringLiteral("levelToday"), s.label13},
        {QStringLiteral("allToday"), s.label14},
        {QStringLiteral("message"), s.label20Visible ? s.label20 : QString()},
        {QStringLiteral("cleared"), s.label2Visible ? s.label2 : QString()},
        {QStringLiteral("congratulation"), s.picture1Visible},
        {QStringLiteral("sound"), answerSound},
        {QStringLiteral("sounds"), sounds},
        {QStringLiteral("later"),
         QJsonObject{{QStringLiteral("cleared"), later.label2Visible ? later.label2 : QString()},
                     {QStringLiteral("again"), again}}},
    });
    return run.lastReply;
}

void DrillService::expireRuns() {
    const qint64 now = m_p.s.clock.tickMs();
    for (auto it = m_runs.begin(); it != m_runs.end();) {
        ServedRun& run = it->second;
        if (timeOutDue(run)) {
            run.timedOut = true;
            finish(run);
            // A page still showing the run asks for its end now: kept for that another hour.
            run.lastSeenTick = now;
        } else if (run.stage == ServedRun::Stage::Finishing) {
            finish(run);
        }
        // A run with a time-out is forgotten only once recorded, however long its time-out.
        const bool ended = run.stage == ServedRun::Stage::Finished || run.timeoutSeconds == 0;
        if (now - run.lastSeenTick > IdleRunMs && ended)
            it = m_runs.erase(it);
        else
            ++it;
    }
    for (auto it = m_status.deviceSeenTick.begin(); it != m_status.deviceSeenTick.end();)
        it = now - it->second > IdleRunMs ? m_status.deviceSeenTick.erase(it) : std::next(it);
}

} // namespace kz
