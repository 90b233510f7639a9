// The record file shared by the school's computers: a teacher's change or erase while others
// append (older programs too), a process killed in the middle of replacing a file, two saves
// of the criteria at once, failed erases, a share without write access, and the moment at
// which a record is dated.
#include "records/criteria_editor.h"
#include "platform/locked_file.h"
#include "records/program.h"
#include "shell/text_codec.h"
#include "statistics_support.h"
#include "support/child_process.h"
#include "support/files.h"

#include <cerrno>
#include <cstring>
#include <map>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#ifndef _WIN32
#include <unistd.h>
#endif

using namespace kz;
using namespace kz::test;

namespace {
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

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}
} // namespace

class RecordSharingTests : public QObject {
    Q_OBJECT

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
    // A teacher's erase of record 42 holds the lock until every other writer has met it: new
    // programs appending, older ones that never check which file they locked, and a change
    // of one record. Then every append is in the new file exactly once, the new programs
    // found the file replaced and reopened it, and the change landed or was refused by
    // whether its record moved.
    void writersWaitingOnAnErase_data() {
        QTest::addColumn<int>("appenders");
        QTest::addColumn<int>("oldAppenders");
        QTest::addColumn<int>("changeRecord"); // 0: no change
        QTest::addColumn<bool>("changeApplied");
        QTest::newRow("three appenders") << 3 << 0 << 0 << false;
        QTest::newRow("three older programs") << 0 << 3 << 0 << false;
        QTest::newRow("a change before the erased record") << 0 << 0 << 5 << true;
        QTest::newRow("a change of a record the erase moved") << 0 << 0 << 60 << false;
        QTest::newRow("all of them") << 2 << 2 << 5 << true;
    }
    void writersWaitingOnAnErase() {
        QFETCH(int, appenders);
        QFETCH(int, oldAppenders);
        QFETCH(int, changeRecord);
        QFETCH(bool, changeApplied);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("成績累積データ.dat"));
        writeFile(path, originals(100));
        const int perAppender = 2;

        std::unique_ptr<Child> change;
        if (changeRecord > 0) { // reads its record before the erase, as the browser does
            change = std::make_unique<Child>(
                QStringLiteral(SHARING_CHILD),
                QStringList{QStringLiteral("change"), path, QString::number(changeRecord)});
            QVERIFY(change->waitFor("ready"));
        }
        Child eraser(QStringLiteral(SHARING_CHILD), {QStringLiteral("erase"), path, QStringLiteral("42"),
                                                     QStringLiteral("600"), QStringLiteral("hold-move")});
        QVERIFY(eraser.waitFor("locked"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KZ_WAIT_MS"), QStringLiteral("20"));
        std::vector<std::unique_ptr<Child>> writers;
        for (int w = 1; w <= appenders; ++w)
            writers.push_back(std::make_unique<Child>(QStringLiteral(RECORD_FILE_CHILD),
                                                      QStringList{QStringLiteral("append"), path,
                                                                  QString::number(1000 + w),
                                                                  QString::number(perAppender)},
                                                      env));
        for (int w = 1; w <= oldAppenders; ++w)
            writers.push_back(std::make_unique<Child>(
                QStringLiteral(SHARING_CHILD),
                QStringList{QStringLiteral("old-append"), path, QString::number(2000 + w),
                            QString::number(perAppender), QStringLiteral("50")}));
        if (change) change->p.write("go\n");
        // The erase goes on only when every other writer is waiting for its lock.
        for (auto& w : writers)
            QVERIFY2(w->waitFor("wait"), w->out.constData());
        if (change) QVERIFY2(change->waitFor("wait"), change->out.constData());
        eraser.p.write("go\n");
        // The replaced file is kept until every writer is through, however slowly a loaded
        // machine runs them; then the eraser moves what the older programs appended to it.
        QVERIFY2(eraser.waitFor("erased"), eraser.out.constData());
        for (auto& w : writers)
            QVERIFY2(w->finish(), w->out.constData());
        if (change) QVERIFY(change->finish(changeApplied ? 0 : 1));
        eraser.p.write("go\n");
        QVERIFY2(eraser.finish(), eraser.out.constData());

        const QByteArray b = bytesOf(path);
        QCOMPARE(b.size(), (99 + (appenders + oldAppenders) * perAppender) * SeisekiRecord::Size);
        std::map<std::pair<int, int>, int> appended;
        int kept = 0;
        for (qsizetype at = 0; at < b.size(); at += SeisekiRecord::Size) {
            SeisekiRecord r;
            QVERIFY(SeisekiRecord::decode(b.constData() + at, SeisekiRecord::Size, &r));
            if (r.recordBangou > 1000) {
                ++appended[{r.recordBangou, r.recordTime}];
                continue;
            }
            // The original records keep their order; record 42 (index 41) is gone.
            if (kept == 41) ++kept;
            SeisekiRecord want = original(kept);
            if (changeApplied && kept == changeRecord - 1) want.recordTime = 7777;
            QCOMPARE(r.encode(), want.encode());
            ++kept;
        }
        QCOMPARE(kept, 100);
        QCOMPARE(int(appended.size()), (appenders + oldAppenders) * perAppender);
        for (const auto& [key, times] : appended)
            QCOMPARE(times, 1);
        for (int w = 0; w < appenders; ++w)
            QVERIFY2(writers[static_cast<size_t>(w)]->out.contains("reopen"),
                     writers[static_cast<size_t>(w)]->out.constData());
        if (change) {
            QVERIFY(change->out.contains("reopen"));
            QVERIFY(change->out.contains(changeApplied ? "done" : "mismatch"));
        }
        // Each older program's first run went to the replaced file and was moved over.
        QVERIFY2(eraser.out.contains("moved " + QByteArray::number(oldAppenders)),
                 eraser.out.constData());
        QCOMPARE(filesIn(dir.path()), QStringList{QStringLiteral("成績累積データ.dat")});
    }

    void eraseKilledAtAnyMomentLeavesAWholeFile() {
        if (underWine())
            QSKIP("Wine has no one-step replacement of a file others hold open (a rename with "
                  "POSIX semantics is refused); ReplaceFileW renames twice, with no name between");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("成績累積データ.dat"));
        const QByteArray old = originals(20000);
        const QByteArray fresh = old.left(6 * 44) + old.mid(7 * 44);
        killAtRandomMoments(
            {QStringLiteral("erase-on-go"), path, QStringLiteral("7")}, path, old, fresh,
            [&] { writeFile(path, old); }, 25);
    }

    // Other computers' programs have the files open (between two reads, or the erasing
    // program itself during its grace period): an erase and a criteria save still replace them.
    void replacingFilesAnotherProcessHasOpen() {
        QTemporaryDir dir;
        const QString records = dir.filePath(QStringLiteral("成績累積データ.dat"));
        const QString criteria = dir.filePath(QStringLiteral("タイム回数データ.txt"));
        writeFile(records, originals(10));
        writeFile(criteria, "55,80\r\n");
        Child holder(QStringLiteral(SHARING_CHILD), {QStringLiteral("hold"), records, criteria});
        QVERIFY2(holder.waitFor("open"), holder.out.constData());
        const RecordFile file(records);
        const RecordFile::Result erased =
            file.erase(3, {}, dir.filePath(QStringLiteral("成績累積データtemp.dat")), {});
        QVERIFY2(erased.ok(), qPrintable(erased.errorText));
        QCOMPARE(bytesOf(records), originals(10).left(2 * 44) + originals(10).mid(3 * 44));
        QCOMPARE(replaceSharedFile(criteria, "99,80\r\n", {}), QString());
        QCOMPARE(bytesOf(criteria), QByteArray("99,80\r\n"));
        holder.p.write("go\n");
        QVERIFY(holder.finish());
        QCOMPARE(filesIn(dir.path()).size(), 2);
    }

    // A text file another computer holds locked while it saves it (Windows' locks stop reads,
    // and so do some shares): the reader waits and gives the whole text, or after its limit a
    // message naming the file; never a short or empty text taken for the file.
    void readingATextFileAnotherComputerHoldsLocked_data() {
        QTest::addColumn<int>("lockedReads"); // reads refused by the lock before it goes
        QTest::addColumn<bool>("whole");
        QTest::newRow("the lock goes after three reads") << 3 << true;
        QTest::newRow("the lock stays past the limit") << 1000 << false;
    }
    void readingATextFileAnotherComputerHoldsLocked() {
        QFETCH(int, lockedReads);
        QFETCH(bool, whole);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("タイム回数データ.txt"));
        writeFile(path, "55,80\r\n");
        int reads = 0;
        fileOperationSeam() = [&](const char* point) {
            return std::strcmp(point, "read") == 0 && reads++ < lockedReads ? EAGAIN : 0;
        };
        const auto reset = qScopeGuard([] { fileOperationSeam() = {}; });
        QElapsedTimer waited;
        waited.start();
        const TextFile read = readCp932File(path);
        if (whole) {
            QVERIFY2(read.ok(), qPrintable(read.error));
            QCOMPARE(read.text, QStringLiteral("55,80\r\n"));
            QCOMPARE(reads, lockedReads + 1);
        } else {
            QVERIFY(!read.ok());
            QVERIFY(read.text.isEmpty());
            QVERIFY2(read.error.contains(QDir::toNativeSeparators(path)), qPrintable(read.error));
            QVERIFY(waited.elapsed() >= kLockedReadMs);
            QVERIFY(reads < lockedReads);
        }
    }

    // A save killed just before or just after its rename leaves the old file or the new one.
    void criteriaSaveKilledAtANamedPoint_data() {
        QTest::addColumn<QString>("point");
        QTest::addColumn<bool>("renamed");
        QTest::newRow("before the rename") << QStringLiteral("replacement-written") << false;
        QTest::newRow("after the rename") << QStringLiteral("replaced") << true;
    }
    void criteriaSaveKilledAtANamedPoint() {
        QFETCH(QString, point);
        QFETCH(bool, renamed);
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
        Child saver(QStringLiteral(SHARING_CHILD), {QStringLiteral("save-stop-at"), path, point});
        QVERIFY2(saver.waitFor(point.toUtf8()), saver.out.constData());
        saver.p.kill(); // SIGKILL, or TerminateProcess on Windows
        QVERIFY(saver.p.waitForFinished(10000));
        QCOMPARE(bytesOf(path), renamed ? fresh : old);
    }

    // Two saves whose temporary names are drawn from the same host and process number (one
    // process: the second save runs while the first waits for its rename), on a share that
    // refuses locks, so the lock does not keep them apart: each writes a file of its own, both
    // succeed, and the one renamed last is the file.
    void twoSaversWithTheSameProcessNumber() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("タイム回数データ.txt"));
        writeCp932(path, QStringLiteral("目標Time,最低Time,ｸﾘｱﾎﾟｲﾝﾄ,ｸﾘｱ回数,ﾎﾟｲﾝﾄ倍率,禁回,禁点,判期間,禁期間,,,\r\n"
                                        "55,80,60,5,1,20,0,7,3,,,\r\n"));
        CriteriaGrid first, second;
        QVERIFY(first.LoadGrid(path).isEmpty() && second.LoadGrid(path).isEmpty());
        first.TextToGrid(QStringLiteral("11"));
        second.TextToGrid(QStringLiteral("22"));
        int written = 0;
        QString secondError = QStringLiteral("not run");
        QStringList atSecondRename;
        fileOperationSeam() = [&](const char* point) {
            if (std::strcmp(point, "lock") == 0) return ENOLCK;
            if (std::strcmp(point, "replacement-written") != 0) return 0;
            if (++written == 1) {
                CriteriaTable table;
                secondError = second.SaveGrid(path, table);
            } else {
                atSecondRename = filesIn(dir.path());
            }
            return 0;
        };
        const auto reset = qScopeGuard([] { fileOperationSeam() = {}; });
        CriteriaTable table;
        QCOMPARE(first.SaveGrid(path, table), QString());
        QCOMPARE(secondError, QString());
        QCOMPARE(atSecondRename.size(), 3); // the file and a temporary file of each save
        QCOMPARE(table.passTime[1], 11);
        QCOMPARE(filesIn(dir.path()), QStringList{QStringLiteral("タイム回数データ.txt")});
    }

    // The criteria saved while a spreadsheet program holds the file open sharing reading only:
    // Windows refuses the save's open; after the bounded wait the save says why and the file
    // stays as it was. (The rule is tested on every system through the file seam.)
    void aSaveGivesUpOnAFileASpreadsheetHolds() {
#ifndef _WIN32
        QSKIP("only Windows refuses an open for sharing");
#else
        QTemporaryDir dir;
        const QString name = QStringLiteral("タイム回数データ.txt");
        const QString path = dir.filePath(name);
        writeCp932(path, QStringLiteral("目標Time,最低Time,ｸﾘｱﾎﾟｲﾝﾄ,ｸﾘｱ回数,ﾎﾟｲﾝﾄ倍率,禁回,禁点,判期間,禁期間,,,\r\n"
                                        "55,80,60,5,1,20,0,7,3,,,\r\n"));
        const QByteArray before = bytesOf(path);
        CriteriaGrid grid;
        QVERIFY(grid.LoadGrid(path).isEmpty());
        grid.TextToGrid(QStringLiteral("99"));
        Child holder(QStringLiteral(SHARING_CHILD), {QStringLiteral("hold-unshared"), path});
        QVERIFY2(holder.waitFor("open"), holder.out.constData());
        QElapsedTimer waited;
        waited.start();
        CriteriaTable table;
        int waits = 0;
        const QString error = grid.SaveGrid(path, table, [&] {
            ++waits;
            QThread::msleep(100); // the program waits a second each time
        });
        qInfo("the save gave up after %d waits, %lld ms", waits, waited.elapsed());
        QCOMPARE(waits, kInUseWaits);
        QVERIFY2(error.contains(QStringLiteral("ほかのプログラムがこのファイルを開いている")), qPrintable(error));
        QCOMPARE(bytesOf(path), before);
        QCOMPARE(filesIn(dir.path()), QStringList{name});
        holder.p.write("\n");
        QVERIFY(holder.finish());
#endif
    }

    // An erase that fails on the way leaves the file as it was and no file of its own behind.
    void aFailedEraseLeavesNoTemporaryFile_data() {
        QTest::addColumn<int>("failingReplacement"); // 1: the copy, 2: the new record file
        QTest::newRow("the copy cannot be made") << 1;
        QTest::newRow("the new file cannot replace the old") << 2;
    }
    void aFailedEraseLeavesNoTemporaryFile() {
        QFETCH(int, failingReplacement);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("成績累積データ.dat"));
        writeFile(path, originals(10));
        int replacements = 0;
        fileOperationSeam() = [&](const char* point) {
            const bool replacing = std::strcmp(point, "replacement-written") == 0;
            return replacing && ++replacements == failingReplacement ? ENOSPC : 0;
        };
        const auto reset = qScopeGuard([] { fileOperationSeam() = {}; });
        const RecordFile::Result r = RecordFile(path).erase(
            2, {}, dir.filePath(QStringLiteral("成績累積データtemp.dat")), {});
        QVERIFY(!r.ok());
        QVERIFY(!r.errorText.isEmpty());
        QCOMPARE(bytesOf(path), originals(10));
        QCOMPARE(filesIn(dir.path()), QStringList{QStringLiteral("成績累積データ.dat")});
    }

    // The criteria editor's distribution reads the record file only when it has changed: a run
    // another computer appends while it reads is not taken as one already counted.
    void distributionSeesARunAppendedDuringItsRead() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("成績累積データ.dat"));
        writeFile(path, originals(8)); // levels 1..4, two runs each
        bool appended = false;
        fileOperationSeam() = [&](const char* point) {
            if (std::strcmp(point, "read") == 0 && !appended) {
                appended = true;
                QFile f(path);
                if (f.open(QIODevice::Append)) f.write(original(0).encode()); // another level-1 run
            }
            return 0;
        };
        const auto reset = qScopeGuard([] { fileOperationSeam() = {}; });
        FakeServices f;
        TimeDistribution d;
        QVERIFY(d.refresh(path, f.services).isEmpty());
        QCOMPARE(d.runCount(1), 2); // the read took the length before the append
        QVERIFY(d.refresh(path, f.services).isEmpty());
        QCOMPARE(d.reads(), 2);
        QCOMPARE(d.runCount(1), 3);
    }

    // A school that shares the record file read-only: every figure is shown; recording says
    // at once why it cannot, instead of waiting for a lock that is not there.
    void aReadOnlyRecordFile() {
        QTemporaryDir dir;
        const auto readable = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
        const auto enterable = QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;
        QVERIFY(QFile::setPermissions(dir.path(), readable | enterable | QFileDevice::WriteOwner));
        const QString path = dir.filePath(QStringLiteral("成績累積データ.dat"));
        const QDate today(2026, 12, 9);
        writeRecords(path, {makeRecord(today, 5, 1, 20), makeRecord(today.addDays(-1), 5, 1, 30)});
        QVERIFY(QFile::setPermissions(path, readable));

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

#ifdef _WIN32
        if (QFile probe(path); probe.open(QIODevice::ReadWrite))
            QSKIP("the read-only attribute does not stop this user (Wine run by root)");
#endif
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
            QVERIFY2(message.startsWith(QStringLiteral("成績ランダムファイル記録このユーザーには"
                                                       "書き込み（または読み取り）が許可されていません（")),
                     qPrintable(message));
        QVERIFY(message.endsWith(QDir::toNativeSeparators(path)));
        QCOMPARE(bytesOf(path).size(), 88);
    }

    // A data folder that takes no new files, its files all writable: the erase and the
    // criteria save, which write a new file beside the old, say so in Japanese and name the
    // folder; nothing changes.
    void aDataFolderThatRefusesNewFiles_data() {
        QTest::addColumn<bool>("erase"); // else the criteria save
        QTest::newRow("erase") << true;
        QTest::newRow("criteria save") << false;
    }
    void aDataFolderThatRefusesNewFiles() {
        QFETCH(bool, erase);
        QTemporaryDir dir;
        const QString records = dir.filePath(QStringLiteral("成績累積データ.dat"));
        const QString criteria = dir.filePath(QStringLiteral("タイム回数データ.txt"));
        writeRecords(records, {makeRecord(QDate(2026, 12, 9), 5, 1, 20),
                               makeRecord(QDate(2026, 12, 9), 6, 1, 30)});
        writeFile(criteria, "old");
        const auto everyone = QFileDevice::ReadOwner | QFileDevice::ReadGroup |
                              QFileDevice::ReadOther | QFileDevice::WriteOwner |
                              QFileDevice::WriteGroup | QFileDevice::WriteOther;
        QVERIFY(QFile::setPermissions(records, everyone));
        QVERIFY(QFile::setPermissions(criteria, everyone));
        QVERIFY(QFile::setPermissions(
            dir.path(), QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther |
                            QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther));
        const QByteArray recordsBefore = bytesOf(records);
        AsOtherUser other;
#ifndef _WIN32
        if (::geteuid() == 0) QSKIP("as root without another user, the folder cannot refuse");
#else
        if (QFile probe(dir.filePath(QStringLiteral("probe"))); probe.open(QIODevice::WriteOnly))
            QSKIP("the folder's read-only attribute does not stop this user");
#endif
        QString message;
        if (erase) {
            const RecordFile::Result r =
                RecordFile(records).erase(1, {}, dir.filePath(QStringLiteral("成績累積データtemp.dat")), {});
            QVERIFY(!r.ok());
            message = recordFileMessage(QStringLiteral("成績ランダムファイル記録"), r, records);
        } else {
            message = replaceSharedFile(criteria, "new", {});
        }
        const QString folder = QDir::toNativeSeparators(dir.path());
        QVERIFY2(message.contains(QStringLiteral("フォルダ %1 で新しいファイルを作れません: "
                                                 "このユーザーには書き込み（または読み取り）が"
                                                 "許可されていません（")
                                      .arg(folder)),
                 qPrintable(message));
        QCOMPARE(bytesOf(records), recordsBefore);
        QCOMPARE(bytesOf(criteria), QByteArray("old"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
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
