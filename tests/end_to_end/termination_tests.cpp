// The real program, ended by the system: it closes in order with exit status 0, as when its
// window is closed, and leaves the record file as it was.
#include "support/files.h"
#include "support/school.h"

#include <QFile>
#include <QProcess>
#include <QtTest>

#include <csignal>

using namespace kz;

class TerminationTests : public QObject {
    Q_OBJECT
private slots:
    void signalEndsInOrder_data();
    void signalEndsInOrder();
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

QTEST_GUILESS_MAIN(TerminationTests)
#include "termination_tests.moc"
