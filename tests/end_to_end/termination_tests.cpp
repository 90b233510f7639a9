// The real program, ended by the system: it closes in order with exit status 0, as when its
// window is closed, and leaves the record file as it was. Every way out waits out the grace
// period of a file the teacher erased, bounded, so an older program's late run is kept.
#include "records/program.h"
#include "shell/text_codec.h"
#include "support/child_process.h"
#include "support/files.h"
#include "support/school.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <QtTest>

#include <csignal>

using namespace kz;

class TerminationTests : public QObject {
    Q_OBJECT
private slots:
    void signalEndsInOrder_data();
    void signalEndsInOrder();
    void waysOutKeepTheRunsOfAnErasedFile_data();
    void waysOutKeepTheRunsOfAnErasedFile();
};

void TerminationTests::signalEndsInOrder_data() {
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGHUP") << SIGHUP;
}

void TerminationTests::signalEndsInOrder() {
    QFETCH(int, signal);
    test::TempSchool school(5, false);
    school.addRecords(30, 5, QDate(2026, 12, 9));
    const QByteArray recordsBefore = test::bytesOf(school.recordPath());
    // The program finds its school from its own folder.
    const QString program = school.programDir() + QStringLiteral("/kazutobi");
    QVERIFY(QFile::copy(QStringLiteral(KAZUTOBI_PROGRAM), program));

    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
    p.setProcessEnvironment(env);
    p.start(program, {});
    QVERIFY(p.waitForStarted());
    // Splash, configuration and the name screen; the signal may come at any time after.
    QVERIFY(!p.waitForFinished(2000));
    QCOMPARE(::kill(static_cast<pid_t>(p.processId()), signal), 0);
    QVERIFY2(p.waitForFinished(10000), "still running after the signal");
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
    QFile f(school.recordPath());
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), recordsBefore);
}

// The teacher erases a record while an older program (which never checks what its path names)
// has the file open, then leaves the program at once by one way out. The older program's run
// comes a second after the erase, inside the grace period: it is in the new file. Or the older
// program holds its lock and does not let go: the program gives up at the bound, says so in
// a notice and the log beside it, and ends.
void TerminationTests::waysOutKeepTheRunsOfAnErasedFile_data() {
    QTest::addColumn<QString>("way");  // a line for the program, or "SIGTERM"
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("lockHeld");
    const std::pair<const char*, int> ways[] = {{"close", 0}, {"SIGTERM", 0}, {"menu", 0}, {"end", 3}};
    for (const auto& [way, code] : ways) {
        QTest::addRow("%s, a run 1 s after the erase", way) << QString::fromLatin1(way) << code << false;
        QTest::addRow("%s, a lock held past the bound", way) << QString::fromLatin1(way) << code << true;
    }
}

void TerminationTests::waysOutKeepTheRunsOfAnErasedFile() {
    QFETCH(QString, way);
    QFETCH(int, exitCode);
    QFETCH(bool, lockHeld);
    test::TempSchool school(5, false);
    school.addRecords(10, 5, QDate(2026, 12, 9));
    const QByteArray before = school.recordBytes();
    const QByteArray kept = before.left(2 * 44) + before.mid(3 * 44);
    QFile::remove(school.programDir() + u'/' + files::log);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));

    test::Child older(QStringLiteral(SHARING_CHILD),
                      {QStringLiteral("older"), school.recordPath(), QStringLiteral("4321")});
    QVERIFY(older.waitFor("open"));
    test::Child program(QStringLiteral(WAYS_OUT_CHILD), {school.programDir()}, env);
    QVERIFY2(program.waitFor("ready"), program.out.constData());
    program.p.write("erase 3\n");
    QVERIFY2(program.waitFor("erased"), program.out.constData());
    QElapsedTimer sinceErase;
    sinceErase.start();
    if (lockHeld) {
        older.p.write("lock\n");
        QVERIFY(older.waitFor("locked"));
    }
    const qint64 outAt = sinceErase.elapsed();
    if (way == u"SIGTERM")
        QCOMPARE(::kill(static_cast<pid_t>(program.p.processId()), SIGTERM), 0);
    else
        program.p.write((way + u'\n').toUtf8());
    // The program waits out the grace period: now the older program's run arrives.
    QVERIFY2(program.waitFor("sleep"), program.out.constData());
    if (!lockHeld) {
        QThread::msleep(static_cast<unsigned long>(std::max<qint64>(0, 1000 - sinceErase.elapsed())));
        older.p.write("lock\nappend\n");
        QVERIFY(older.waitFor("done"));
    }
    QVERIFY2(program.finish(exitCode), program.out.constData());
    const qint64 endedMs = sinceErase.elapsed() - outAt;
    qInfo("%s: the program ended %lld ms after the way out (%lld ms after the erase)",
          QTest::currentDataTag(), endedMs, outAt + endedMs);

    const QByteArray now = school.recordBytes();
    QFile log(school.programDir() + u'/' + files::log);
    const int bound = ReplacedFiles::DefaultGraceMs + ReplacedFiles::LockBoundMs;
    if (!lockHeld) {
        QCOMPARE(now.left(kept.size()), kept);
        QCOMPARE(now.size(), kept.size() + 44);
        SeisekiRecord r;
        QVERIFY(SeisekiRecord::decode(now.constData() + kept.size(), 44, &r));
        QCOMPARE(r.recordBangou, qint16(4321));
        QVERIFY2(!program.out.contains("notice"), program.out.constData());
        QVERIFY(!log.exists());
        QVERIFY(outAt + endedMs < bound);
    } else {
        QCOMPARE(now, kept); // the run its holder may still write is the one the notice reports
        QVERIFY2(program.out.contains("notice 消去の後に"), program.out.constData());
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray line = log.readAll();
        QVERIFY2(line.contains(encodeCp932(QStringLiteral("新しいファイルへ移せませんでした"))), line.constData());
        QVERIFY(line.contains(encodeCp932(QStringLiteral("成績累積データ.dat"))));
        QCOMPARE(line.count("\r\n"), 1);
        // Given up in time for the notice to show its few seconds within the bound.
        QVERIFY(outAt + endedMs >= bound - Program::EndMarginMs - 250);
        // (A loaded machine or a sanitizer may slow the teardown past the margin.)
        QVERIFY2(outAt + endedMs <= bound + 500, QByteArray::number(endedMs));
        older.p.write("append\n");
    }
    QVERIFY(older.finish());
}

QTEST_GUILESS_MAIN(TerminationTests)
#include "termination_tests.moc"
