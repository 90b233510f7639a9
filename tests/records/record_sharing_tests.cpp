// The record file shared by the school's computers: a teacher's change or erase while others
// append, a process killed in the middle of replacing a file, a share without write access,
// and the moment at which a record is dated.
#include "records/program.h"
#include "statistics_support.h"

#include <map>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

using namespace kz;
using namespace kz::test;

namespace {
QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Records as the append child writes them (school "12345", score "0"), student and time apart.
SeisekiRecord original(int i) {
    SeisekiRecord r = makeRecord(QDate(2026, 12, 1), 1 + i % 900, 1 + i % 4, 10000 + i);
    r.recordSchoolCode = "12345";
    return r;
}

QByteArray originals(int count) {
    QByteArray out;
    for (int i = 0; i < count; ++i)
        out += original(i).encode();
    return out;
}

// Runs as another user, so file permissions apply even to a root test run. Windows honours
// the read-only attribute for every user, so there is nobody to switch to.
struct AsOtherUser {
    bool switched = false;
#ifndef _WIN32
    AsOtherUser() {
        if (::geteuid() == 0) switched = ::seteuid(65534) == 0;
    }
    ~AsOtherUser() {
        if (switched && ::seteuid(0) != 0) qFatal("cannot return to root");
    }
#endif
};
} // namespace

class RecordSharingTests : public QObject {
    Q_OBJECT

    // One process erases (or changes) record 42 while three others append 50 records each.
    void replaceWhileOthersAppend(const QString& command) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("成績累積データ.dat"));
        writeFile(path, originals(100));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KZ_WAIT_MS"), QStringLiteral("2"));
        std::vector<std::unique_ptr<QProcess>> procs;
        for (int w = 1; w <= 3; ++w) {
            auto p = std::make_unique<QProcess>();
            p->setProcessEnvironment(env);
            p->start(
                QStringLiteral(RECORD_FILE_CHILD),
                {QStringLiteral("append"), path, QString::number(1000 + w), QStringLiteral("50")});
            procs.push_back(std::move(p));
        }
        // The teacher acts while the appends are under way.
        auto teacher = std::make_unique<QProcess>();
        teacher->start(QStringLiteral(SHARING_CHILD),
                       {command, path, QStringLiteral("42"), QStringLiteral("115")});
        procs.push_back(std::move(teacher));
        for (auto& p : procs) {
            QVERIFY(p->waitForFinished(60000));
            QVERIFY2(p->exitCode() == 0, p->readAllStandardOutput().right(300).constData());
        }
        const QByteArray b = bytesOf(path);
        const bool erase = command == u"erase";
        QCOMPARE(b.size(), (erase ? 249 : 250) * SeisekiRecord::Size);
        std::map<std::pair<int, int>, int> appended;
        int kept = 0;
        for (qsizetype at = 0; at < b.size(); at += SeisekiRecord::Size) {
            SeisekiRecord r;
            QVERIFY(SeisekiRecord::decode(b.constData() + at, SeisekiRecord::Size, &r));
            if (r.recordBangou > 1000) {
                ++appended[{r.recordBangou, r.recordTime}];
                continue;
            }
            // The original records keep their order; record 42 (index 41) is gone or changed.
            if (kept == 41 && erase) ++kept;
            SeisekiRecord want = original(kept);
            if (kept == 41) want.recordTime = 7777;
            QCOMPARE(r.encode(), want.encode());
            ++kept;
        }
        QCOMPARE(kept, 100);
        QCOMPARE(appended.size(), size_t(150));
        for (const auto& [key, times] : appended)
            QCOMPARE(times, 1);
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("成績累積データtemp.dat"))));
    }

    // Kills a child at random moments after "go": the path must hold the old or the new bytes.
    void killAtRandomMoments(const QStringList& args, const QString& path, const QByteArray& old,
                             const QByteArray& fresh, const std::function<void()>& reset,
                             int tries) {
        // The length of one undisturbed run sets the range of the moments.
        QElapsedTimer t;
        qint64 fullUs = 0;
        {
            reset();
            QProcess p;
            p.start(QStringLiteral(SHARING_CHILD), args);
            QVERIFY(p.waitForReadyRead(10000));
            t.start();
            p.write("go\n");
            QVERIFY(p.waitForFinished(10000));
            fullUs = t.nsecsElapsed() / 1000;
            QCOMPARE(bytesOf(path), fresh);
        }
        int sawOld = 0, sawNew = 0;
        for (int i = 0; i < tries; ++i) {
            reset();
            QProcess p;
            p.start(QStringLiteral(SHARING_CHILD), args);
            QVERIFY(p.waitForReadyRead(10000));
            const qint64 delayUs = QRandomGenerator::global()->bounded(fullUs + 1);
            p.write("go\n");
            p.waitForBytesWritten(1000);
            QThread::usleep(static_cast<unsigned long>(delayUs));
            p.kill(); // SIGKILL, or TerminateProcess on Windows: no chance to tidy up
            QVERIFY(p.waitForFinished(10000));
            const QByteArray now = bytesOf(path);
            QVERIFY2(now == old || now == fresh,
                     qPrintable(QStringLiteral("try %1 after %2 us: %3 bytes")
                                    .arg(i)
                                    .arg(delayUs)
                                    .arg(now.size())));
            ++(now == old ? sawOld : sawNew);
        }
        qInfo("%d tries, one run %lld us: old file %d times, new file %d times", tries, fullUs,
              sawOld, sawNew);
    }

private slots:
    void eraseWhileThreeComputersAppend() { replaceWhileOthersAppend(QStringLiteral("erase")); }
    void changeWhileThreeComputersAppend() { replaceWhileOthersAppend(QStringLiteral("change")); }

    void eraseKilledAtAnyMomentLeavesAWholeFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("成績累積データ.dat"));
        const QByteArray old = originals(20000);
        const QByteArray fresh = old.left(6 * 44) + old.mid(7 * 44);
        killAtRandomMoments(
            {QStringLiteral("erase-on-go"), path, QStringLiteral("7")}, path, old, fresh,
            [&] { writeFile(path, old); }, 25);
    }

    void criteriaSaveKilledAtAnyMomentLeavesAWholeFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("タイム回数データ.txt"));
        QString text = QStringLiteral(
            "目標Time,最低Time,ｸﾘｱﾎﾟｲﾝﾄ,ｸﾘｱ回数,ﾎﾟｲﾝﾄ倍率,禁回,禁点,判期間,禁期間,,,\r\n");
        for (int i = 0; i < 35; ++i)
            text += QStringLiteral("55,80,60,5,1,20,0,7,3,,,\r\n");
        writeCp932(path, text);
        const QByteArray old = bytesOf(path);
        QByteArray fresh = old;
        fresh.replace(old.indexOf("\r\n55,") + 2, 2, "99");
        killAtRandomMoments(
            {QStringLiteral("save-on-go"), path}, path, old, fresh, [&] { writeFile(path, old); },
            20);
    }

    // A school that shares the record file read-only: every figure is shown; recording says
    // at once why it cannot, instead of waiting for a lock that is not there.
    void aReadOnlyRecordFile() {
        QTemporaryDir dir;
        QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0755) == 0);
        const QString path = dir.filePath(QStringLiteral("成績累積データ.dat"));
        const QDate today(2026, 12, 9);
        writeRecords(path, {makeRecord(today, 5, 1, 20), makeRecord(today.addDays(-1), 5, 1, 30)});
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0444) == 0);

        FakeServices f;
        f.clock().date = today;
        Program p{f.services};
        p.h.dataFolder = dir.path() + u'/';
        p.criteria = makeCriteria(QStringLiteral("30,60,0,0,1,0,0,7,3,,,\r\n"));
        AsOtherUser other;
        try {
            p.computeStatistics();
        } catch (const ProgramEnded&) {
            QFAIL(qPrintable(f.dialogs.messages.value(0)));
        }
        QCOMPARE(p.stats.runCountAll(1, 5), short(2));
        QVERIFY(f.dialogs.messages.isEmpty());
        QVERIFY(f.events.waited.empty());

        bool ended = false;
        try {
            AppendRecord(p.recordFilePath(), p.recordBuffer, 5, 1, 25, QString(), f.services);
        } catch (const ProgramEnded&) {
            ended = true;
        }
        QVERIFY(ended);
        QVERIFY(f.events.waited.empty());
        QCOMPARE(f.dialogs.messages.size(), 1);
        const QString message = f.dialogs.messages[0];
        if (other.switched) // as root without another user, the file cannot be refused
            QVERIFY2(
                message.startsWith(QStringLiteral("成績ランダムファイル記録Permission denied")),
                qPrintable(message));
        QVERIFY(message.endsWith(QDir::toNativeSeparators(path)));
        QCOMPARE(bytesOf(path).size(), 88);
    }

    // Messages about the record file name it, after the operation's text.
    void messagesNameTheFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("成績累積データ.dat"));
        QDir().mkpath(path); // a folder where the file should be
        FakeServices f;
        SeisekiRecord buffer;
        try {
            AppendRecord(path, buffer, 5, 1, 25, QString(), f.services);
        } catch (const ProgramEnded&) {
        }
        QCOMPARE(f.dialogs.messages.size(), 1);
        QVERIFY(f.dialogs.messages[0].startsWith(QStringLiteral("成績ランダムファイル記録")));
        QVERIFY(f.dialogs.messages[0].endsWith(QDir::toNativeSeparators(path)));
    }

    // A record is dated when the lock has been obtained, in whole seconds: after a wait for
    // another computer's lock it carries the later moment.
    void recordIsDatedAfterTheLock() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("成績累積データ.dat"));
        writeFile(path, {});
        LockedFile holder;
        QCOMPARE(holder.open(path, false), LockedFile::Status::Ok);
        QCOMPARE(holder.lockExclusive(), LockedFile::Status::Ok);
        FakeServices f;
        f.clock().midnightOffset = 10 * 3600; // 10:00:00
        int waits = 0;
        f.events.onWait = [&] {
            if (++waits == 3) holder.unlock();
        };
        SeisekiRecord buffer;
        AppendRecord(path, buffer, 5, 1, 25, QString(), f.services);
        QCOMPARE(waits, 3);
        const QByteArray b = bytesOf(path);
        QCOMPARE(b.size(), 44);
        double timeOfDay = 0;
        std::memcpy(&timeOfDay, b.constData() + 8, 8);
        QCOMPARE(timeOfDay * 86400.0, 10 * 3600.0 + 3); // three one-second waits later
        QCOMPARE(buffer.recordTimeOfDay, timeOfDay);
    }
};

QTEST_GUILESS_MAIN(RecordSharingTests)
#include "record_sharing_tests.moc"
