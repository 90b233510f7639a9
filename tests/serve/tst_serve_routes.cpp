// The browser drill's routes against the real server on loopback, through Beast's own client
// (run beside the event loop, as the server answers from the program's thread).
#include <utility>

#include "records/configuration.h"
#include "serve/http_server.h"
#include "platform/locked_file.h"
#include "serve/lan_addresses.h"
#include "shell/ole_date.h"
#include "shell/startup.h"
#include "support/fakes.h"
#include "support/record_read_counter.h"
#include "support/school.h"

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>
#include <cerrno>
#include <cstring>
#include <future>

using namespace kz;
using namespace kz::test;
namespace http = boost::beast::http;

namespace {

struct Answer {
    int status = 0;
    QByteArray body;
    QJsonObject json() const { return QJsonDocument::fromJson(body).object(); }
};

// One request on its own connection, from another thread; events run meanwhile.
Answer call(quint16 port, const char* method, const QByteArray& target, const QByteArray& body = {}) {
    auto f = std::async(std::launch::async, [=] {
        boost::asio::io_context io;
        boost::beast::tcp_stream stream(io);
        stream.connect(boost::asio::ip::tcp::endpoint(boost::asio::ip::make_address("127.0.0.1"), port));
        http::request<http::string_body> req(http::string_to_verb(method), target.toStdString(), 11);
        req.set(http::field::host, "127.0.0.1");
        req.body() = body.toStdString();
        req.prepare_payload();
        http::write(stream, req);
        boost::beast::flat_buffer buffer;
        http::response<http::string_body> res;
        http::read(stream, buffer, res);
        return Answer{static_cast<int>(res.result_int()), QByteArray::fromStdString(res.body())};
    });
    while (f.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return f.get();
}

QByteArray json(const QJsonObject& o) {
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

int total(const QJsonObject& problem) {
    int t = 0;
    for (const QJsonValue& v : problem.value(QStringLiteral("numbers")).toArray())
        t += v.toInt();
    return t;
}

// The school, its program over fake services with the clock in the test's hand, and the server.
struct Served {
    TempSchool school{10};
    FakeServices fake;
    Program p{fake.services};
    QObject context; // the program's thread, where requests are answered
    std::unique_ptr<DrillService> service;
    std::unique_ptr<HttpServer> server;
    QStringList log;

    Served() {
        fake.random.script = {0.05, 0.15, 0.25, 0.35, 0.45};
        // A record already there, with reserved bytes: a run's record takes them over.
        SeisekiRecord old;
        old.recordDate = oleDate(QDate(2026, 12, 1));
        old.recordBangou = 9;
        old.recordLevel = 2;
        old.recordTime = 70;
        old.recordReserved = QByteArray("\x01\x02\x03\x04\x05", 5);
        school.addRecord(old);
        QDir().mkpath(school.basePath() + QStringLiteral("音フォルダ"));
        writeFile(school.basePath() + QStringLiteral("音フォルダ/ok1.wav"), "RIFFok1");
        const QString error = LoadConfiguration(p, school.programDir());
        if (!error.isEmpty()) qFatal("%s", qPrintable(error));
        prepareLevels(p.h);
        service = std::make_unique<DrillService>(p);
        service->lockPatienceMs = 200;
        service->log = [this](const QString& line) { log << line; };
        server = std::make_unique<HttpServer>(&context, [this](const QByteArray& m, const QByteArray& t,
                                                               const QByteArray& b) {
            return service->handle(m, t, b);
        });
        const QString e = server->listen({QStringLiteral("127.0.0.1"), 0});
        if (!e.isEmpty()) qFatal("%s", qPrintable(e));
    }
    Answer get(const QByteArray& target) { return call(server->port(), "GET", target); }
    Answer post(const QByteArray& target, const QJsonObject& o) {
        return call(server->port(), "POST", target, json(o));
    }
    void advance(qint64 ms) { fake.clock().tick += ms; }
    // A started run's answers from step, each right and msPerAnswer after the one before;
    // the last reply.
    Answer rightAnswers(const QString& run, QJsonObject problem, int step, int count, int msPerAnswer) {
        Answer last;
        for (int i = 0; i < count; ++i, ++step) {
            advance(msPerAnswer);
            last = post("/api/answer", {{"run", run}, {"step", step}, {"answer", QString::number(total(problem))},
                                        {"clientMs", qint64(fake.clock().tick - startTick)}});
            problem = last.json().value("problem").toObject();
        }
        return last;
    }
    Answer start(int pupil, int level) {
        startTick = fake.clock().tick;
        return post("/api/start", {{"pupil", pupil}, {"level", level}});
    }
    qint64 startTick = 0;
    // A run of today's, as another computer records it.
    SeisekiRecord todaysRun(int bangou, int level) {
        SeisekiRecord r;
        r.recordDate = oleDate(fake.clock().date);
        r.recordBangou = static_cast<qint16>(bangou);
        r.recordLevel = static_cast<qint16>(level);
        r.recordTime = 70;
        return r;
    }
};

} // namespace

class ServeRoutes : public QObject {
    Q_OBJECT
private slots:
    void goodRun_data();
    void goodRun();
    void refusal_data();
    void refusal();
    void repeatedStepsChangeNothing();
    void timeOutRecordedWithoutThePage_data();
    void timeOutRecordedWithoutThePage();
    void shareErrorAnswers503ThenRecords();
    void pageAndSounds_data();
    void pageAndSounds();
    void sharedFilesReadAgainWhenChanged_data();
    void sharedFilesReadAgainWhenChanged();
    void stopClosesEveryConnection();
    // The drill's status strip: this run's place among the pupil's runs of today.
    void statusStrip_data();
    void statusStrip();
    void menuColumns_data();
    void menuColumns();
    // The result screen 500 ms on: the buttons it offers.
    void resultLater_data();
    void resultLater();
    // A run whose append failed, tried again: recorded once, with its news.
    void failedAppendTriedAgain_data();
    void failedAppendTriedAgain();
    // What the server's window offers to open: only addresses the server answers on.
    void openable_data();
    void openable();
};

void ServeRoutes::goodRun_data() {
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("wrongAt");     // problem (1..5) answered wrong first; 0: none
    QTest::addColumn<int>("msPerAnswer"); // server time between answers
    QTest::addColumn<int>("expected");    // seconds recorded
    QTest::newRow("five right, 6 s each") << 1 << 0 << 6000 << 30;
    QTest::newRow("the last tick's reading, not the moment") << 2 << 0 << 6999 << 34;
    QTest::newRow("one wrong costs 20 s") << 3 << 2 << 5000 << 45;
}

void ServeRoutes::goodRun() {
    QFETCH(int, level);
    QFETCH(int, wrongAt);
    QFETCH(int, msPerAnswer);
    QFETCH(int, expected);
    Served s;
    const Answer started = s.post("/api/start", {{"pupil", 3}, {"level", level}, {"device", "tab1"}});
    QCOMPARE(started.status, 200);
    const QString run = started.json().value("run").toString();
    QCOMPARE(run.size(), 32);
    QJsonObject problem = started.json().value("problem").toObject();
    int step = 0;
    qint64 clientMs = 0;
    Answer last;
    for (int n = 1; n <= 5; ++n) {
        s.advance(msPerAnswer);
        clientMs += msPerAnswer;
        if (n == wrongAt) {
            const Answer wrong = s.post("/api/answer", {{"run", run}, {"step", ++step},
                                                        {"answer", QString::number(total(problem) + 1)},
                                                        {"clientMs", clientMs}});
            QCOMPARE(wrong.status, 200);
            QCOMPARE(wrong.json().value("state").toString(), QStringLiteral("wrong"));
            QCOMPARE(wrong.json().value("total").toString(), QString::number(total(problem)));
            const Answer next = s.post("/api/next", {{"run", run}, {"step", ++step}});
            problem = next.json().value("problem").toObject();
        }
        last = s.post("/api/answer", {{"run", run}, {"step", ++step}, {"answer", QString::number(total(problem))},
                                      {"clientMs", clientMs}});
        QCOMPARE(last.status, 200);
        problem = last.json().value("problem").toObject();
    }
    const QJsonObject result = last.json();
    QCOMPARE(result.value("state").toString(), QStringLiteral("finished"));
    QCOMPARE(result.value("time").toInt(), expected);
    QCOMPARE(result.value("result").toString(), QStringLiteral("今の成績：%1秒").arg(expected));
    // The fifth right answer's own sound before the result's.
    QVERIFY(result.value("sound").toString().startsWith(QStringLiteral("/sound/2/")));

    // The record: the bytes the desktop's own append writes for this pupil, level and time.
    const QByteArray bytes = s.school.recordBytes();
    QCOMPARE(bytes.size(), 2 * SeisekiRecord::Size);
    QTemporaryDir desk;
    const QString deskPath = desk.path() + QStringLiteral("/desk.dat");
    writeFile(deskPath, bytes.left(SeisekiRecord::Size));
    SeisekiRecord buffer;
    SeisekiRecord::decode(bytes.constData(), SeisekiRecord::Size, &buffer); // the record last read
    AppendRecord(deskPath, buffer, 3, level, expected, s.p.h.schoolCode, s.fake.services);
    QFile f(deskPath);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray deskBytes = f.readAll();
    SeisekiRecord mine, theirs;
    SeisekiRecord::decode(bytes.constData() + SeisekiRecord::Size, SeisekiRecord::Size, &mine);
    SeisekiRecord::decode(deskBytes.constData() + SeisekiRecord::Size, SeisekiRecord::Size, &theirs);
    QCOMPARE(mine.recordBangou, qint16(3));
    QCOMPARE(mine.recordTime, expected);
    QCOMPARE(mine.recordSchoolCode, QByteArray("12345"));
    QCOMPARE(mine.recordReserved, QByteArray("\x01\x02\x03\x04\x05", 5));
    QCOMPARE(bytes.mid(SeisekiRecord::Size), deskBytes.mid(SeisekiRecord::Size));
    QCOMPARE(s.service->status().runsToday, 1);
    QCOMPARE(s.service->status().devicesWithin(s.fake.clock().tick, 600000), 1);
}

void ServeRoutes::refusal_data() {
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<QByteArray>("body"); // "RUN" stands for the started run's id
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");
    QTest::newRow("pupil not on the roster") << QByteArray("POST") << QByteArray("/api/start")
                                             << QByteArray(R"({"pupil":42,"level":1})") << 400 << "名簿にない番号です。";
    QTest::newRow("level beyond the menu") << QByteArray("POST") << QByteArray("/api/start")
                                           << QByteArray(R"({"pupil":1,"level":5})") << 400 << "レベルが正しくありません。";
    QTest::newRow("level as text") << QByteArray("POST") << QByteArray("/api/start")
                                   << QByteArray(R"({"pupil":1,"level":"1"})") << 400 << "レベルが正しくありません。";
    QTest::newRow("over-practised level closed") << QByteArray("POST") << QByteArray("/api/start")
                                                 << QByteArray(R"({"pupil":2,"level":1})") << 403 << "やりすぎ禁止";
    QTest::newRow("malformed JSON") << QByteArray("POST") << QByteArray("/api/answer")
                                    << QByteArray(R"({"run":)") << 400 << "送られたデータが読めません。";
    QTest::newRow("unknown run") << QByteArray("POST") << QByteArray("/api/answer")
                                 << QByteArray(R"({"run":"0123","step":1,"answer":"5","clientMs":1000})") << 400
                                 << "その回は始まっていません。";
    QTest::newRow("answer of four characters") << QByteArray("POST") << QByteArray("/api/answer")
                                               << QByteArray(R"({"run":"RUN","step":1,"answer":"1234","clientMs":1000})")
                                               << 400 << "答えが正しくありません。";
    QTest::newRow("step skipped") << QByteArray("POST") << QByteArray("/api/answer")
                                  << QByteArray(R"({"run":"RUN","step":3,"answer":"5","clientMs":1000})") << 400
                                  << "今はその答えを受け付けません。";
    QTest::newRow("forged time") << QByteArray("POST") << QByteArray("/api/answer")
                                 << QByteArray(R"({"run":"RUN","step":1,"answer":"15","clientMs":9000})") << 400
                                 << "時間が合いません。この回は記録しません。";
    QTest::newRow("end before the time-out") << QByteArray("POST") << QByteArray("/api/end")
                                             << QByteArray(R"({"run":"RUN"})") << 409 << "まだ時間切れではありません。";
    QTest::newRow("body over 16 KB") << QByteArray("POST") << QByteArray("/api/start")
                                     << QByteArray(20 * 1024, ' ') << 413 << "送られたデータが大きすぎます。";
    QTest::newRow("../ in the URL") << QByteArray("GET") << QByteArray("/sound/../../パスデータ.txt")
                                    << QByteArray() << 400 << "アドレスが正しくありません。";
    QTest::newRow("encoded ../") << QByteArray("GET") << QByteArray("/%2e%2e/%2e%2e/etc/passwd")
                                 << QByteArray() << 400 << "アドレスが正しくありません。";
    QTest::newRow("no such file") << QByteArray("GET") << QByteArray("/kazutobi.exe") << QByteArray() << 404
                                  << "ありません。";
    QTest::newRow("sound beyond the table") << QByteArray("GET") << QByteArray("/sound/11/1") << QByteArray() << 404
                                            << "その音はありません。";
    QTest::newRow("menu of nobody") << QByteArray("GET") << QByteArray("/api/menu?pupil=abc") << QByteArray() << 400
                                    << "番号が正しくありません。";
    QTest::newRow("grade not offered") << QByteArray("GET") << QByteArray("/api/names?grade=x") << QByteArray()
                                       << 400 << "学年が正しくありません。";
}

void ServeRoutes::refusal() {
    QFETCH(QByteArray, method);
    QFETCH(QByteArray, target);
    QFETCH(QByteArray, body);
    QFETCH(int, status);
    QFETCH(QString, message);
    Served s;
    // Pupil 2 has practised level 1 past its limit (20 runs in three days); level 4 not cleared.
    for (int i = 0; i < 20; ++i)
        s.school.addRecord(s.todaysRun(2, 1));
    const Answer started = s.post("/api/start", {{"pupil", 1}, {"level", 1}});
    QCOMPARE(started.status, 200);
    s.advance(2000);
    const QByteArray before = s.school.recordBytes();
    body.replace("RUN", started.json().value("run").toString().toLatin1());
    const Answer a = call(s.server->port(), method.constData(), target, body);
    QCOMPARE(a.status, status);
    QCOMPARE(a.json().value("error").toString(), message);
    QCOMPARE(s.school.recordBytes(), before);
}

void ServeRoutes::repeatedStepsChangeNothing() {
    Served s;
    const Answer started = s.post("/api/start", {{"pupil", 1}, {"level", 4}});
    const QString run = started.json().value("run").toString();
    QJsonObject problem = started.json().value("problem").toObject();
    s.advance(3000);
    const QJsonObject wrong{{"run", run}, {"step", 1}, {"answer", QString::number(total(problem) + 1)},
                            {"clientMs", 3000}};
    const Answer first = s.post("/api/answer", wrong);
    const Answer again = s.post("/api/answer", wrong);
    QCOMPARE(first.status, 200);
    QCOMPARE(again.body, first.body);
    QCOMPARE(s.service->runs().at(run).wrongAnswers, 1);
    // Five right answers, the last sent twice: one record, the same result twice.
    const Answer next = s.post("/api/next", {{"run", run}, {"step", 2}});
    problem = next.json().value("problem").toObject();
    Answer last;
    QJsonObject body;
    for (int step = 3; step <= 7; ++step) {
        body = {{"run", run}, {"step", step}, {"answer", QString::number(total(problem))}, {"clientMs", 3000}};
        last = s.post("/api/answer", body);
        problem = last.json().value("problem").toObject();
    }
    QCOMPARE(last.json().value("time").toInt(), 23);
    const QByteArray file = s.school.recordBytes();
    QCOMPARE(s.post("/api/answer", body).body, last.body);
    QCOMPARE(s.school.recordBytes(), file);
    QCOMPARE(file.size(), 2 * SeisekiRecord::Size);
}

void ServeRoutes::timeOutRecordedWithoutThePage_data() {
    QTest::addColumn<int>("minimumTime"); // level 1's; the time-out is five times it
    QTest::newRow("the usual minimum time") << 80;
    QTest::newRow("a time-out beyond the idle hour") << 800;
}

void ServeRoutes::timeOutRecordedWithoutThePage() {
    QFETCH(int, minimumTime);
    Served s;
    s.school.writeCriteria(TempSchool::defaultCriteria().replace(QStringLiteral("\r\n55,80,"),
                                                                 QStringLiteral("\r\n55,%1,").arg(minimumTime)));
    const Answer started = s.post("/api/start", {{"pupil", 5}, {"level", 1}});
    const QString run = started.json().value("run").toString();
    QCOMPARE(started.json().value("timeoutSeconds").toInt(), 5 * minimumTime);
    s.advance(5000LL * minimumTime - 1);
    s.service->expireRuns();
    QCOMPARE(s.school.recordBytes().size(), SeisekiRecord::Size);
    s.advance(1);
    s.service->expireRuns(); // the page went away: the server's clock ends the run
    const QByteArray bytes = s.school.recordBytes();
    QCOMPARE(bytes.size(), 2 * SeisekiRecord::Size);
    SeisekiRecord r;
    SeisekiRecord::decode(bytes.constData() + SeisekiRecord::Size, SeisekiRecord::Size, &r);
    QCOMPARE(r.recordTime, kTimedOut);
    QCOMPARE(r.recordBangou, qint16(5));
    const Answer end = s.post("/api/end", {{"run", run}});
    QCOMPARE(end.status, 200);
    QCOMPARE(end.json().value("timedOut").toBool(), true);
    QCOMPARE(end.json().value("message").toString(), QStringLiteral("時間切れ"));
    // An answer the page sent before it learnt of the end gets the same result, not a refusal.
    const Answer late = s.post("/api/answer", {{"run", run}, {"step", 1}, {"answer", "7"}, {"clientMs", 400000}});
    QCOMPARE(late.status, 200);
    QCOMPARE(late.json().value("result").toString(), QStringLiteral("記録なし"));
    QCOMPARE(s.school.recordBytes(), bytes);
}

void ServeRoutes::shareErrorAnswers503ThenRecords() {
    Served s;
    const Answer started = s.post("/api/start", {{"pupil", 1}, {"level", 4}});
    const QString run = started.json().value("run").toString();
    QJsonObject problem = started.json().value("problem").toObject();
    // The record file is not a file for a moment: the share answers with an error.
    const QByteArray saved = s.school.recordBytes();
    QVERIFY(QFile::remove(s.school.recordPath()));
    QVERIFY(QDir().mkdir(s.school.recordPath()));
    QCOMPARE(s.get("/api/menu?pupil=1").status, 503);
    Answer last;
    int step = 0;
    for (; step < 5; ++step) {
        last = s.post("/api/answer", {{"run", run}, {"step", step + 1}, {"answer", QString::number(total(problem))},
                                      {"clientMs", 0}});
        problem = last.json().value("problem").toObject();
    }
    QCOMPARE(last.status, 503);
    QVERIFY(last.json().value("error").toString().contains(QStringLiteral("成績累積データ.dat")));
    QVERIFY(!s.service->status().lastError.isEmpty());
    QVERIFY(s.log.last().contains(QStringLiteral("エラー")));
    // Back again: the same step sent again records the run.
    QVERIFY(QDir().rmdir(s.school.recordPath()));
    writeFile(s.school.recordPath(), saved);
    const Answer retried =
        s.post("/api/answer", {{"run", run}, {"step", step}, {"answer", "0"}, {"clientMs", 0}});
    QCOMPARE(retried.status, 200);
    QCOMPARE(retried.json().value("state").toString(), QStringLiteral("finished"));
    QCOMPARE(s.school.recordBytes().size(), 2 * SeisekiRecord::Size);
}

void ServeRoutes::statusStrip_data() {
    QTest::addColumn<QList<int>>("runsToday"); // levels of pupil 3's runs of today already recorded
    QTest::addColumn<QString>("allToday");
    QTest::addColumn<QString>("levelToday");
    QTest::newRow("the first run of the day") << QList<int>{} << "1" << "1";
    QTest::newRow("after two on this level") << QList<int>{2, 2} << "3" << "3";
    QTest::newRow("after one on another level") << QList<int>{1} << "2" << "1";
}

void ServeRoutes::statusStrip() {
    QFETCH(QList<int>, runsToday);
    QFETCH(QString, allToday);
    QFETCH(QString, levelToday);
    Served s;
    for (int level : runsToday)
        s.school.addRecord(s.todaysRun(3, level));
    s.school.addRecord(s.todaysRun(4, 2)); // another pupil's
    const QJsonObject started = s.start(3, 2).json();
    QCOMPARE(started.value("allToday").toString(), allToday);
    QCOMPARE(started.value("levelToday").toString(), levelToday);
    QCOMPARE(started.value("school").toString(), s.p.h.schoolLine);
    QCOMPARE(started.value("clock").toBool(), true);
}

void ServeRoutes::menuColumns_data() {
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("name"); // the level's name for this row; empty: as configured
    QTest::addColumn<bool>("counts");  // target and counts shown
    QTest::newRow("a level as configured") << 2 << "" << true;
    QTest::newRow("a practice level shows no counts") << 3 << "練習" << false;
}

void ServeRoutes::menuColumns() {
    QFETCH(int, level);
    QFETCH(QString, name);
    QFETCH(bool, counts);
    Served s;
    if (!name.isEmpty()) s.p.h.levelNames[level] = name;
    const QJsonObject column = s.get("/api/menu?pupil=1").json().value("levels").toArray().at(level - 1).toObject();
    for (const char* field : {"target", "today", "total"})
        QCOMPARE(!column.value(field).toString().isEmpty(), counts);
}

void ServeRoutes::resultLater_data() {
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("criteria"); // level 1's and level 4's lines; empty: the usual
    QTest::addColumn<bool>("again");
    QTest::addColumn<QString>("cleared");
    // Cleared and practised enough after one run: clear points 0, clear count 1, over count 1.
    const QString enough1 = QStringLiteral("55,80,0,1,1,1,0,7,3,,,");
    const QString enough4 = QStringLiteral("27,45,0,1,2,1,0,7,3,,,");
    QTest::newRow("a level still to practise: once more") << 1 << "" << true << "";
    QTest::newRow("practised enough below an uncleared target: the menu alone")
        << 1 << enough1 << false << "次のレベルへ進みましょう";
    QTest::newRow("the target practised enough: once more, no caption") << 4 << enough4 << true << "";
    QTest::newRow("practised enough, not cleared: no start the server would refuse")
        << 1 << QStringLiteral("55,80,60,5,1,1,0,7,3,,,") << false << "";
}

void ServeRoutes::resultLater() {
    QFETCH(int, level);
    QFETCH(QString, criteria);
    QFETCH(bool, again);
    QFETCH(QString, cleared);
    Served s;
    if (!criteria.isEmpty()) {
        QStringList lines = TempSchool::defaultCriteria().split(QStringLiteral("\r\n"));
        lines[level] = criteria;
        s.school.writeCriteria(lines.join(QStringLiteral("\r\n")));
    }
    const Answer started = s.start(2, level);
    QCOMPARE(started.status, 200);
    const QJsonObject result = s.rightAnswers(started.json().value("run").toString(),
                                              started.json().value("problem").toObject(), 1, 5, 5000)
                                   .json();
    QCOMPARE(result.value("state").toString(), QStringLiteral("finished"));
    const QJsonObject later = result.value("later").toObject();
    QCOMPARE(later.value("again").toBool(), again);
    QCOMPARE(later.value("cleared").toString(), cleared);
}

void ServeRoutes::failedAppendTriedAgain_data() {
    QTest::addColumn<bool>("landed"); // the write reached the file before the share failed
    QTest::newRow("another computer reads: the new record kept") << false;
    QTest::newRow("the write landed, then a held lock: written once") << true;
}

void ServeRoutes::failedAppendTriedAgain() {
    QFETCH(bool, landed);
    Served s;
    const Answer started = s.start(3, 1); // nobody has run level 1: the level's new record
    const QString run = started.json().value("run").toString();
    const Answer fourth = s.rightAnswers(run, started.json().value("problem").toObject(), 1, 4, 5000);
    const QByteArray before = s.school.recordBytes();
    // Another computer reading holds a shared lock: the server reads too, but cannot append.
    // Or the share takes the run's 44 bytes but answers "stale", and on reopening another
    // computer holds the lock past the server's patience.
    LockedFile reader;
    bool stale = landed, held = landed;
    if (!landed) {
        QCOMPARE(reader.openReadOnly(s.school.recordPath()), LockedFile::Status::Ok);
        QCOMPARE(reader.lockShared(), LockedFile::Status::Ok);
    }
    fileOperationSeam() = [&](const char* at) {
        if (stale && std::strcmp(at, "written") == 0) {
            stale = false;
            return kStaleHandleErrno;
        }
        return held && !stale && std::strcmp(at, "lock") == 0 ? EAGAIN : 0;
    };
    const auto reset = qScopeGuard([] { fileOperationSeam() = {}; });
    QCOMPARE(s.rightAnswers(run, fourth.json().value("problem").toObject(), 5, 1, 5000).status, 503);
    QCOMPARE(s.school.recordBytes().size(), before.size() + (landed ? SeisekiRecord::Size : 0));
    reader.close();
    held = false;
    const Answer recorded = s.post("/api/answer", {{"run", run}, {"step", 5}, {"answer", "0"}, {"clientMs", 0}});
    QCOMPARE(recorded.status, 200);
    QCOMPARE(recorded.json().value("message").toString(), QStringLiteral("！！！最高新記録！！！"));
    QCOMPARE(s.school.recordBytes().size(), before.size() + SeisekiRecord::Size);
}

void ServeRoutes::pageAndSounds_data() {
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<QByteArray>("starts");
    QTest::newRow("page") << QByteArray("/") << QByteArray("<!DOCTYPE html>");
    QTest::newRow("script") << QByteArray("/app.js") << QByteArray("// The browser drill's page");
    QTest::newRow("sound by its place in the table") << QByteArray("/sound/2/1") << QByteArray("RIFFok1");
}

void ServeRoutes::pageAndSounds() {
    QFETCH(QByteArray, target);
    QFETCH(QByteArray, starts);
    Served s;
    const Answer a = s.get(target);
    QCOMPARE(a.status, 200);
    QVERIFY2(a.body.startsWith(starts), a.body.left(80).constData());
}

void ServeRoutes::sharedFilesReadAgainWhenChanged_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<int>("laterMs"); // server time before the second request
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<bool>("changed");
    QTest::newRow("nothing changed: answered without reading the share")
        << "none" << 500 << QByteArray("/api/menu?pupil=1") << false;
    QTest::newRow("another computer's run, the same moment") << "append" << 0 << QByteArray("/api/menu?pupil=1") << true;
    QTest::newRow("a change in place that keeps length and time, read again in time")
        << "in place" << int(DrillService::RereadRecordsMs) << QByteArray("/api/menu?pupil=1") << true;
    QTest::newRow("criteria rewritten") << "criteria" << 0 << QByteArray("/api/menu?pupil=1") << true;
    QTest::newRow("roster rewritten") << "roster" << 0 << QByteArray("/api/names") << true;
}

void ServeRoutes::sharedFilesReadAgainWhenChanged() {
    QFETCH(QString, change);
    QFETCH(int, laterMs);
    QFETCH(QByteArray, target);
    QFETCH(bool, changed);
    Served s;
    SeisekiRecord run = s.todaysRun(1, 1);
    s.school.addRecord(run);
    const Answer before = s.get(target);
    QCOMPARE(before.status, 200);
    RecordReadCounter reads;
    if (change == u"append") {
        s.school.addRecord(run);
    } else if (change == u"in place") {
        // A teacher's correction of today's run to level 2, on a share whose times are coarse.
        const QDateTime modified = QFileInfo(s.school.recordPath()).lastModified();
        run.recordLevel = 2;
        writeFile(s.school.recordPath(), s.school.recordBytes().left(SeisekiRecord::Size) + run.encode());
        QFile f(s.school.recordPath());
        QVERIFY(f.open(QIODevice::ReadWrite) && f.setFileTime(modified, QFileDevice::FileModificationTime));
    } else if (change == u"criteria") {
        s.school.writeCriteria(TempSchool::defaultCriteria().replace(QStringLiteral("\r\n55,"), QStringLiteral("\r\n155,")));
    } else if (change == u"roster") {
        s.school.writeRoster(QStringLiteral("1,2019,0,0,せいと1,0,,\r\n11,2015,0,0,てんにゅう,0,,\r\n"));
    }
    s.advance(laterMs);
    const Answer after = s.get(target);
    QCOMPARE(after.status, 200);
    QCOMPARE(after.body != before.body, changed);
    if (!changed) QCOMPARE(reads.take().first, 0);
}

void ServeRoutes::stopClosesEveryConnection() {
    Served s;
    // One connection idle between requests, one whose request waits for the program's thread
    // (no events run here until the stop).
    namespace asio = boost::asio;
    asio::io_context io;
    const asio::ip::tcp::endpoint server(asio::ip::make_address("127.0.0.1"), s.server->port());
    asio::ip::tcp::socket idle(io), waiting(io);
    idle.connect(server);
    waiting.connect(server);
    const std::string request = "GET /api/names HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    asio::write(waiting, asio::buffer(request));
    QThread::msleep(200); // the server's own thread takes both in
    s.server->stop();
    // Both are closed by the server at once: a read on each ends (end of stream) within 2 s.
    int ended = 0;
    char byte[2];
    for (asio::ip::tcp::socket* c : {&idle, &waiting})
        c->async_read_some(asio::buffer(byte, 1), [&](boost::system::error_code ec, std::size_t) {
            if (ec) ++ended;
        });
    io.run_for(std::chrono::seconds(2));
    QCOMPARE(ended, 2);
    // The request handed over before the stop finds its connection gone: nothing freed is
    // touched (the sanitizer build watches this).
    QCoreApplication::processEvents();
}

void ServeRoutes::openable_data() {
    QTest::addColumn<QString>("listen");
    QTest::addColumn<QStringList>("lan");
    QTest::addColumn<QStringList>("urls");
    const QStringList lan{QStringLiteral("192.168.1.20"), QStringLiteral("10.0.0.5")};
    QTest::newRow("every IPv4 address: the LAN's") << "0.0.0.0" << lan
                                                   << QStringList{"http://192.168.1.20:8932/", "http://10.0.0.5:8932/"};
    QTest::newRow("every address: the LAN's") << "::" << lan
                                              << QStringList{"http://192.168.1.20:8932/", "http://10.0.0.5:8932/"};
    QTest::newRow("every address, no network") << "0.0.0.0" << QStringList() << QStringList();
    QTest::newRow("loopback only: itself, never the LAN's") << "127.0.0.1" << lan
                                                            << QStringList{"http://127.0.0.1:8932/"};
    QTest::newRow("IPv6 loopback, bracketed") << "::1" << lan << QStringList{"http://[::1]:8932/"};
    QTest::newRow("one LAN address: that one") << "10.0.0.5" << lan << QStringList{"http://10.0.0.5:8932/"};
    QTest::newRow("an address ending in 0") << "10.0.0.10" << lan << QStringList{"http://10.0.0.10:8932/"};
}

void ServeRoutes::openable() {
    QFETCH(QString, listen);
    QFETCH(QStringList, lan);
    QFETCH(QStringList, urls);
    QCOMPARE(openableUrls(listen, 8932, lan), urls);
    // Only a loopback address is said to open on this computer alone.
    const bool here = listen == u"127.0.0.1" || listen == u"::1";
    QCOMPARE(openableHeading(urls).contains(QStringLiteral("このコンピューターのブラウザーだけ")), here);
}

QTEST_GUILESS_MAIN(ServeRoutes)
#include "tst_serve_routes.moc"
