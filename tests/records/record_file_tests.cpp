// The shared record file: record bytes, appends, reads, and appends from several processes.
#include "records/program.h"
#include "records/record_file.h"
#include "shell/ole_date.h"
#include "shell/text_codec.h"
#include "support/fakes.h"
#include "support/files.h"

#include <cerrno>
#include <cstring>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <set>
#ifndef _WIN32
#include <sys/stat.h>
#endif

using namespace kz;
using kz::test::bytesOf;
using test::FakeServices;

class RecordFileTests : public QObject {
    Q_OBJECT

    static QByteArray runs(int count, int firstStudent) {
        QByteArray out;
        for (int i = 0; i < count; ++i) {
            SeisekiRecord r;
            r.recordBangou = static_cast<qint16>(firstStudent + i);
            r.recordLevel = 1;
            r.recordTime = 30;
            out += r.encode();
        }
        return out;
    }

    // Fails the first `times` passes through a point with an errno, then lets everything go.
    static auto failAt(const char* point, int error, int times = 1) {
        fileOperationSeam() = [point, error, left = times](const char* at) mutable {
            return std::strcmp(at, point) == 0 && left-- > 0 ? error : 0;
        };
        return qScopeGuard([] { fileOperationSeam() = {}; });
    }

private slots:
    void recordBytesAsTheSchoolsOtherComputersWriteThem() {
        FakeServices f;
        f.clock().date = QDate(2026, 12, 9);
        f.clock().midnightOffset = 12 * 3600; // noon
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("成績累積データ.dat"));
        SeisekiRecord buffer;
        AppendRecord(path, buffer, 12, 3, 27, QString(), f.services);
        const QByteArray b = bytesOf(path);
        QCOMPARE(b.size(), 44);
        QCOMPARE(b.mid(16, 8), QByteArray::fromHex("0C0003001B000000"));
        QCOMPARE(b.mid(24, 5), QByteArray("     ")); // no school code
        QCOMPARE(b.mid(29, 5), QByteArray("     "));
        QCOMPARE(b.mid(34, 5), QByteArray("0    "));
        QCOMPARE(b.mid(39, 5), QByteArray(5, '\0'));
        // 2026-12-09 is day 46365 of the OLE calendar; noon is 0.5.
        SeisekiRecord back;
        QVERIFY(SeisekiRecord::decode(b.constData(), b.size(), &back));
        QCOMPARE(back.recordDate, 46365.0);
        QCOMPARE(back.recordTimeOfDay, 0.5);
        QCOMPARE(b.left(8), QByteArray::fromHex("00000000A0A3E640"));

        AppendRecord(path, buffer, 5000, 35, 99999, QStringLiteral("12345"), f.services);
        const QByteArray b2 = bytesOf(path).mid(44);
        QCOMPARE(b2.mid(20, 4), QByteArray::fromHex("9F860100"));
        QCOMPARE(b2.mid(24, 5), QByteArray("12345"));
        QCOMPARE(b2.mid(16, 2), QByteArray::fromHex("8813"));
    }

    void reservedBytesAreThoseOfTheLastRecordRead() {
        SeisekiRecord r;
        r.recordReserved = QByteArray("abcde");
        const QByteArray b = r.encode();
        QCOMPARE(b.mid(39, 5), QByteArray("abcde"));
        SeisekiRecord d;
        QVERIFY(!SeisekiRecord::decode(b.constData(), 43, &d));
    }

    void appendsPositionFromTheWholeRecords_data() {
        QTest::addColumn<int>("existingBytes");
        QTest::addColumn<int>("expectedSize");
        QTest::newRow("missing") << -1 << 44;
        QTest::newRow("empty") << 0 << 44;
        QTest::newRow("two records") << 88 << 132;
        QTest::newRow("partial tail overwritten") << 100 << 132;
    }
    void appendsPositionFromTheWholeRecords() {
        QFETCH(int, existingBytes);
        QFETCH(int, expectedSize);
        FakeServices f;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("成績累積データ.dat"));
        if (existingBytes >= 0)
            test::writeFile(path, QByteArray(existingBytes, 'x'));
        SeisekiRecord buffer;
        AppendRecord(path, buffer, 7, 1, 30, QString(), f.services);
        const QByteArray b = bytesOf(path);
        QCOMPARE(b.size(), expectedSize);
        QCOMPARE(b.mid(expectedSize - 44 + 16, 2), QByteArray::fromHex("0700"));
        const RecordFile file(path);
        qint64 n = 0;
        QVERIFY(file.count(&n).ok());
        QCOMPARE(n, qint64(expectedSize / 44));
        SeisekiRecord last;
        QVERIFY(file.read(n, &last).ok());
        QCOMPARE(last.recordTime, 30);
    }

    void rangeAndTailReadsInOneCall() {
        FakeServices f;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("r.dat"));
        SeisekiRecord buffer;
        for (int i = 1; i <= 10; ++i)
            AppendRecord(path, buffer, i, 1, i * 10, QString(), f.services);
        const RecordFile file(path);
        std::vector<SeisekiRecord> recs;
        QVERIFY(file.readRange(3, 5, &recs).ok());
        QCOMPARE(recs.size(), size_t(3));
        QCOMPARE(recs[0].recordBangou, qint16(3));
        qint64 first = 0;
        QVERIFY(file.readTail(4, &first, &recs).ok());
        QCOMPARE(first, qint64(7));
        QCOMPARE(recs.back().recordTime, 100);
        SeisekiRecord changed = recs.front();
        changed.recordTime = 5;
        QVERIFY(file.write(7, changed).ok());
        SeisekiRecord again;
        QVERIFY(file.read(7, &again).ok());
        QCOMPARE(again.recordTime, 5);
    }

    void anUnwritableFolderEndsTheProgramWithTheMessage() {
        FakeServices f;
        SeisekiRecord buffer;
        bool ended = false;
        try {
            AppendRecord(QStringLiteral("/nonexistent-folder/x/成績累積データ.dat"), buffer, 1, 1, 1, QString(), f.services);
        } catch (const test::ProgramEnded& e) {
            ended = e.status != 0;
        }
        QVERIFY(ended);
        QCOMPARE(f.dialogs.messages.size(), 1);
        QVERIFY(f.dialogs.messages[0].startsWith(QStringLiteral("成績ランダムファイル記録")));
        QVERIFY(f.dialogs.messages[0].size() > QStringLiteral("成績ランダムファイル記録").size());
    }

    // Another computer holds the lock: the append waits in one-second steps and writes its
    // record exactly once after the release.
    void appendWaitsForAnotherComputersLock() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("成績累積データ.dat"));
        LockedFile holder;
        QCOMPARE(holder.open(path, true), LockedFile::Status::Ok);
        QCOMPARE(holder.lockExclusive(), LockedFile::Status::Ok);

        QProcess child;
        child.start(QStringLiteral(RECORD_FILE_CHILD), {QStringLiteral("append"), path, QStringLiteral("12"), QStringLiteral("1")});
        QVERIFY(child.waitForStarted());
        // Two one-second steps while the lock is held (however slowly the child started).
        QByteArray before;
        QElapsedTimer waited;
        waited.start();
        while (before.count("wait ") < 2 && waited.elapsed() < 20000) {
            child.waitForReadyRead(200);
            before += child.readAllStandardOutput();
        }
        QCOMPARE(int(before.count("wait 1000")), int(before.count("wait ")));
        QVERIFY2(before.count("wait 1000") >= 2, before.constData());
        QVERIFY(waited.elapsed() >= 900); // the steps really are a second apart
        QCOMPARE(QFileInfo(path).size(), qint64(0));
        QCOMPARE(holder.unlock(), LockedFile::Status::Ok);
        QVERIFY(child.waitForFinished(5000));
        QCOMPARE(child.exitCode(), 0);
        const QByteArray b = bytesOf(path);
        QCOMPARE(b.size(), 44);
        QCOMPARE(b.mid(16, 2), QByteArray::fromHex("0C00"));
    }

    // On a network share, a handle to a replaced file can answer "stale" (or "no such file")
    // to a lock, a read or a write: the path is opened again and the step repeated, and the
    // pupil's run is written once, without a message.
    void staleHandlesAreOpenedAgain_data() {
        QTest::addColumn<QByteArray>("point");
        QTest::addColumn<int>("error");
        QTest::addColumn<int>("times");
        QTest::newRow("lock, stale") << QByteArray("lock") << kStaleHandleErrno << 1;
        QTest::newRow("lock, no such file") << QByteArray("lock") << ENOENT << 1;
        QTest::newRow("length, stale") << QByteArray("size") << kStaleHandleErrno << 1;
        QTest::newRow("write, stale") << QByteArray("write") << kStaleHandleErrno << 1;
        QTest::newRow("stale again and again") << QByteArray("lock") << kStaleHandleErrno << 5;
    }
    void staleHandlesAreOpenedAgain() {
        QFETCH(QByteArray, point);
        QFETCH(int, error);
        QFETCH(int, times);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("成績累積データ.dat"));
        test::writeFile(path, runs(3, 1));
        FakeServices f;
        SeisekiRecord buffer;
        {
            const auto reset = failAt(point.constData(), error, times);
            try {
                AppendRecord(path, buffer, 12, 1, 27, QString(), f.services);
            } catch (const test::ProgramEnded&) {
                QFAIL(qPrintable(f.dialogs.messages.value(0)));
            }
        }
        QVERIFY(f.dialogs.messages.isEmpty());
        QCOMPARE(int(f.events.waited.size()), times - 1); // a share that stays stale is waited for
        const QByteArray b = bytesOf(path);
        QCOMPARE(b.size(), 4 * 44);
        QCOMPARE(b.mid(3 * 44 + 16, 2), QByteArray::fromHex("0C00"));

        // Readers and the erase do the same.
        std::vector<SeisekiRecord> recs;
        qint64 first = 0;
        {
            const auto reset = failAt("read", error, 1);
            QVERIFY(RecordFile(path).readTail(10, &first, &recs).ok());
        }
        QCOMPARE(int(recs.size()), 4);
        {
            const auto reset = failAt(
                point.constData() == QByteArray("write") ? "read" : point.constData(), error, 1);
            QVERIFY(RecordFile(path).erase(1, {}, QString(), {}).ok());
        }
        QCOMPARE(bytesOf(path), b.mid(44));
    }

    // A write that a stale handle refused may have reached the file with only the answer lost
    // (Windows: the network name deleted after the server took the write). After reopening,
    // the run goes in again only when it is not where the write went; another computer's run
    // appended meanwhile stays, before or after it. The same for the grace period's move.
    void aStaleWriteIsRepeatedOnlyWhenItDidNotLand_data() {
        QTest::addColumn<bool>("move");         // the grace period's move instead of an append
        QTest::addColumn<QByteArray>("point");  // write: refused before; written: after it landed
        QTest::addColumn<bool>("otherAppends"); // another computer appends while this one reopens
        QTest::newRow("append landed") << false << QByteArray("written") << false;
        QTest::newRow("append landed, another run after it") << false << QByteArray("written") << true;
        QTest::newRow("append lost") << false << QByteArray("write") << false;
        QTest::newRow("append lost, another run in its place") << false << QByteArray("write") << true;
        QTest::newRow("move landed") << true << QByteArray("written") << false;
        QTest::newRow("move landed, another run after it") << true << QByteArray("written") << true;
        QTest::newRow("move lost, another run in its place") << true << QByteArray("write") << true;
    }
    void aStaleWriteIsRepeatedOnlyWhenItDidNotLand() {
        QFETCH(bool, move);
        QFETCH(QByteArray, point);
        QFETCH(bool, otherAppends);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("成績累積データ.dat"));
        test::writeFile(path, runs(3, 1));
        const QByteArray other = runs(1, 500);
        bool stale = false, appended = false;
        fileOperationSeam() = [&](const char* at) {
            if (!stale && point == at) {
                stale = true;
                return kStaleHandleErrno;
            }
            // Reopening: this computer holds no lock, another one appends its run.
            if (stale && otherAppends && !appended && std::strcmp(at, "open") == 0) {
                appended = true;
                QFile f(path);
                if (f.open(QIODevice::Append)) f.write(other);
            }
            return 0;
        };
        const auto reset = qScopeGuard([] { fileOperationSeam() = {}; });
        QByteArray ours;
        if (move) {
            // A replaced file holding one record and two runs an older program appended to it.
            const QString replaced = dir.filePath(QStringLiteral("replaced.dat"));
            ours = runs(2, 100);
            test::writeFile(replaced, runs(1, 1) + ours);
            ReplacedRecordFile old{std::make_unique<LockedFile>(), 1};
            QCOMPARE(old.file->open(replaced, false), LockedFile::Status::Ok);
            qint64 moved = 0;
            const RecordFile::Result r = RecordFile(path).moveAppendsFrom(old, {}, &moved);
            QVERIFY2(r.ok(), qPrintable(r.errorText));
            QCOMPARE(moved, qint64(2));
        } else {
            FakeServices f;
            SeisekiRecord buffer;
            try {
                AppendRecord(path, buffer, 12, 1, 27, QString(), f.services);
            } catch (const test::ProgramEnded&) {
                QFAIL(qPrintable(f.dialogs.messages.value(0)));
            }
            QVERIFY(f.dialogs.messages.isEmpty());
            ours = buffer.encode();
        }
        QVERIFY(stale);
        QCOMPARE(appended, otherAppends);
        const QByteArray others = otherAppends ? other : QByteArray();
        const bool landed = point == "written";
        QCOMPARE(bytesOf(path), runs(3, 1) + (landed ? ours + others : others + ours));
    }

    // Another program holds the file open without sharing it for writing (a teacher looking at
    // it in a spreadsheet program; Windows refuses the open). A save, change or erase waits a
    // bounded time for it, then gives up saying so, and the file stays as it was; a pupil's
    // run waits on, as for a lock.
    void aFileAnotherProgramHoldsIsWaitedForABoundedTime_data() {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<int>("heldOpens"); // opens for writing refused before the program lets go
        QTest::addColumn<bool>("done");
        QTest::newRow("save, let go in time") << QStringLiteral("save") << 3 << true;
        QTest::newRow("save, held past the bound") << QStringLiteral("save") << 1000 << false;
        QTest::newRow("change, let go in time") << QStringLiteral("change") << kInUseWaits << true;
        QTest::newRow("change, held past the bound") << QStringLiteral("change") << 1000 << false;
        QTest::newRow("erase, held past the bound") << QStringLiteral("erase") << 1000 << false;
        QTest::newRow("a pupil's run waits on") << QStringLiteral("append") << 3 * kInUseWaits << true;
    }
    void aFileAnotherProgramHoldsIsWaitedForABoundedTime() {
        QFETCH(QString, operation);
        QFETCH(int, heldOpens);
        QFETCH(bool, done);
        QTemporaryDir dir;
        const QString path = dir.filePath(operation == u"save" ? QStringLiteral("タイム回数データ.txt")
                                                                : QStringLiteral("成績累積データ.dat"));
        const QByteArray before = runs(3, 1);
        test::writeFile(path, before);
        const auto reset = failAt("open", kInUseErrno, heldOpens);
        int waits = 0;
        const std::function<void()> wait = [&] { ++waits; };
        QByteArray after;
        QString error;
        if (operation == u"save") {
            after = "99,80\r\n";
            error = replaceSharedFile(path, after, wait);
        } else if (operation == u"append") {
            FakeServices f;
            SeisekiRecord buffer;
            AppendRecord(path, buffer, 12, 1, 27, QString(), f.services);
            waits = static_cast<int>(f.events.waited.size());
            after = before + buffer.encode();
        } else {
            SeisekiRecord changed;
            QVERIFY(SeisekiRecord::decode(before.constData() + 44, 44, &changed));
            changed.recordTime = 77;
            const RecordFile file(path);
            const RecordFile::Result r = operation == u"change"
                                             ? file.write(2, changed, wait, before.mid(44, 44))
                                             : file.erase(2, before.mid(44, 44), QString(), wait);
            QCOMPARE(r.status == RecordFile::Status::InUse, !done);
            error = r.ok() ? QString() : r.errorText;
            after = before.left(44) + changed.encode() + before.mid(88);
        }
        QCOMPARE(waits, done ? heldOpens : kInUseWaits);
        if (done) {
            QCOMPARE(error, QString());
            QCOMPARE(bytesOf(path), after);
        } else {
            QVERIFY2(error.contains(QStringLiteral("ほかのプログラムがこのファイルを開いている")),
                     qPrintable(error));
            QVERIFY2(error.contains(QStringLiteral("何も記録していません")), qPrintable(error));
            QCOMPARE(bytesOf(path), before);
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }

    // The erase hands the replaced file over and returns at once; when the grace period has
    // run out, the runs an older program appended to it are moved into the new file, in their
    // order, also when another computer held the new file's lock at first.
    void runsAppendedToAnErasedFileAreMovedAfterTheGracePeriod_data() {
        QTest::addColumn<int>("lateRuns");
        QTest::addColumn<bool>("newFileLocked");
        QTest::newRow("nothing appended") << 0 << false;
        QTest::newRow("two runs") << 2 << false;
        QTest::newRow("the new file locked at first") << 1 << true;
    }
    void runsAppendedToAnErasedFileAreMovedAfterTheGracePeriod() {
        QFETCH(int, lateRuns);
        QFETCH(bool, newFileLocked);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("成績累積データ.dat"));
        test::writeFile(path, runs(3, 1));
        LockedFile older; // opened before the erase, as an older program waiting for the lock
        QCOMPARE(older.open(path, false), LockedFile::Status::Ok);
        FakeServices f;
        ReplacedFiles keeper(f.services, 3000);
        QVERIFY(RecordFile(path).erase(2, {}, QString(), {}, &keeper).ok());
        QCOMPARE(keeper.pending(), 1);
        QVERIFY(f.events.waited.empty());
        // The older program gets the lock and appends where it stands.
        QCOMPARE(older.lockExclusive(), LockedFile::Status::Ok);
        QCOMPARE(older.writeAt(3 * 44, runs(lateRuns, 100)), LockedFile::Status::Ok);
        older.close();
        // A run of this program goes to the new file meanwhile.
        SeisekiRecord buffer;
        AppendRecord(path, buffer, 50, 1, 40, QString(), f.services);
        const QByteArray kept = runs(1, 1) + runs(1, 3) + bytesOf(path).right(44);
        LockedFile other;
        if (newFileLocked) {
            QCOMPARE(other.open(path, false), LockedFile::Status::Ok);
            QCOMPARE(other.lockShared(), LockedFile::Status::Ok);
        }
        f.world.advance(2999);
        QCOMPARE(keeper.pending(), 1);
        QCOMPARE(bytesOf(path), kept);
        f.world.advance(1);
        QCOMPARE(keeper.pending(), newFileLocked ? 1 : 0);
        if (newFileLocked) {
            QCOMPARE(bytesOf(path), kept);
            other.close();
            f.world.advance(ReplacedFiles::LockedRetryMs);
            QCOMPARE(keeper.pending(), 0);
        }
        QCOMPARE(bytesOf(path), kept + runs(lateRuns, 100));
        QCOMPARE(keeper.moved(), qint64(lateRuns));
        QVERIFY(f.dialogs.messages.isEmpty());
    }

    // The program's end (every way out calls it) sleeps out only the rest of the grace period,
    // waits for a held lock so long that its notice still ends within LockBoundMs, and reports what it could not move in a
    // notice and a line of the log beside the program. When the system ends the session it
    // moves at once and only logs. An older program (opened before the erase) appends one run
    // at runAt, under a lock it takes at lockFrom and lets go at letGo (-1: never).
    void theEndWaitsOutTheRestOfTheGracePeriodBounded_data() {
        QTest::addColumn<int>("closeAt"); // ms after the erase
        QTest::addColumn<bool>("atOnce");
        QTest::addColumn<int>("runAt");
        QTest::addColumn<int>("lockFrom"); // -1: no lock held
        QTest::addColumn<int>("letGo");
        QTest::addColumn<int>("endAt");
        QTest::addColumn<bool>("moved");
        QTest::newRow("closed 0.5 s after, a run 1 s after") << 500 << false << 1000 << -1 << -1 << 3000 << true;
        QTest::newRow("closed after the grace period") << 3500 << false << -1 << -1 << -1 << 3500 << false;
        QTest::newRow("a lock let go 4.5 s after") << 500 << false << 1000 << 1000 << 4400 << 4500 << true;
        QTest::newRow("a lock held past the bound") << 500 << false << 1000 << 1000 << -1 << 4500 << false;
        QTest::newRow("the session ends: at once") << 500 << true << 200 << -1 << -1 << 500 << true;
        QTest::newRow("the session ends, a lock held") << 500 << true << 200 << 100 << -1 << 500 << false;
    }
    void theEndWaitsOutTheRestOfTheGracePeriodBounded() {
        QFETCH(int, closeAt);
        QFETCH(bool, atOnce);
        QFETCH(int, runAt);
        QFETCH(int, lockFrom);
        QFETCH(int, letGo);
        QFETCH(int, endAt);
        QFETCH(bool, moved);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("成績累積データ.dat"));
        test::writeFile(path, runs(3, 1));
        FakeServices f;
        Program p(f.services);
        p.h.programPath = dir.filePath(QStringLiteral("kazutobi/"));
        QVERIFY(QDir().mkpath(p.h.programPath));
        LockedFile older;
        QCOMPARE(older.open(path, false), LockedFile::Status::Ok);
        QVERIFY(RecordFile(path).erase(2, {}, QString(), {}, &p.replacedFiles).ok());
        bool locked = false, ran = false;
        auto act = [&] {
            const qint64 t = f.clock().tick;
            if (lockFrom >= 0 && t >= lockFrom && !locked && (letGo < 0 || t < letGo))
                locked = older.lockExclusive() == LockedFile::Status::Ok;
            if (runAt >= 0 && t >= runAt && !ran) {
                ran = older.writeAt(3 * 44, runs(1, 100)) == LockedFile::Status::Ok;
                QVERIFY(ran);
            }
            if (locked && letGo >= 0 && t >= letGo) {
                older.unlock();
                locked = false;
            }
        };
        while (f.clock().tick < closeAt) {
            f.world.advance(50);
            act();
        }
        f.events.onSleep = act;
        p.endRecordKeeping(atOnce);
        QCOMPARE(f.clock().tick, qint64(endAt));
        QCOMPARE(p.replacedFiles.pending(), 0);
        const QByteArray kept = runs(1, 1) + runs(1, 3);
        QCOMPARE(bytesOf(path), moved ? kept + runs(1, 100) : kept);
        const bool lost = ran && !moved;
        QCOMPARE(f.dialogs.notices.size(), lost && !atOnce ? 1 : 0);
        QFile log(p.logFilePath());
        QCOMPARE(log.exists(), lost);
        if (lost) {
            QVERIFY(log.open(QIODevice::ReadOnly));
            QString text;
            QVERIFY(decodeCp932(log.readAll(), &text));
            QVERIFY2(text.startsWith(QStringLiteral("2026/12/09 10:00:")), qPrintable(text));
            QVERIFY2(text.contains(QStringLiteral("成績（1件）を新しいファイルへ移せませんでした")), qPrintable(text));
            QVERIFY(text.endsWith(QDir::toNativeSeparators(path) + QStringLiteral("\r\n")));
            if (!atOnce) QCOMPARE(f.dialogs.noticeMs, std::vector<int>{Program::NoticeMs});
        }
        QVERIFY(f.dialogs.messages.isEmpty());
    }

    // A replacement is made with the user's umask when the file is new, and keeps the
    // permissions of the file it replaces, so every computer that could write it still can.
    void replacementPermissions_data() {
        QTest::addColumn<int>("umask");
        QTest::addColumn<int>("oldMode"); // -1: no file yet
        QTest::addColumn<int>("mode");
        QTest::newRow("new, umask 077") << 077 << -1 << 0600;
        QTest::newRow("new, umask 022") << 022 << -1 << 0644;
        QTest::newRow("replacing a shared file") << 077 << 0664 << 0664;
    }
    void replacementPermissions() {
#ifdef _WIN32
        QSKIP("Windows files have no mode bits; the share's access rules apply");
#else
        QFETCH(int, umask);
        QFETCH(int, oldMode);
        QFETCH(int, mode);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("タイム回数データ.txt"));
        if (oldMode >= 0) {
            test::writeFile(path, "old");
            QVERIFY(::chmod(QFile::encodeName(path).constData(), static_cast<mode_t>(oldMode)) ==
                    0);
        }
        const mode_t before = ::umask(static_cast<mode_t>(umask));
        const QString error = replaceFileWhole(path, "new");
        ::umask(before);
        QCOMPARE(error, QString());
        struct stat st {};
        QVERIFY(::stat(QFile::encodeName(path).constData(), &st) == 0);
        QCOMPARE(int(st.st_mode & 07777), mode);
        QCOMPARE(bytesOf(path), QByteArray("new"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
#endif
    }

    // A share folder whose name holds "%" signs is a folder like any other: the erase and the
    // criteria save replace their files in it, and a save that cannot finish leaves no empty
    // criteria file behind for every computer to read at start.
    void replacementsInAFolderNamedWithPercent_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("operation");
        QTest::addColumn<bool>("fails"); // the new file cannot be put in place
        for (const QString& folder : {QStringLiteral("5年%3組"), QStringLiteral("%1%2%3%4")}) {
            for (const char* op : {"erase", "first criteria save", "criteria save"})
                QTest::addRow("%s, %s", qPrintable(folder), op) << folder << op << false;
        }
        QTest::newRow("first criteria save fails")
            << QStringLiteral("5年%3組") << "first criteria save" << true;
    }
    void replacementsInAFolderNamedWithPercent() {
        QFETCH(QString, folder);
        QFETCH(QString, operation);
        QFETCH(bool, fails);
        QTemporaryDir dir;
        const QString data = dir.filePath(folder);
        QVERIFY(QDir().mkpath(data));
        const QString records = data + QStringLiteral("/成績累積データ.dat");
        const QString criteria = data + QStringLiteral("/タイム回数データ.txt");
        const auto seam = failAt("replacement-written", fails ? EIO : 0);
        QString error;
        QString path = criteria;
        QByteArray expected = "new criteria";
        if (operation == QStringLiteral("erase")) {
            test::writeFile(records, runs(3, 1));
            path = records;
            expected = runs(1, 1) + runs(1, 3);
            const RecordFile::Result r = RecordFile(records).erase(
                2, runs(1, 2), data + QStringLiteral("/成績累積データtemp.dat"), {});
            error = r.errorText;
        } else {
            if (operation == QStringLiteral("criteria save")) test::writeFile(criteria, "old");
            error = replaceSharedFile(criteria, expected, {});
        }
        if (fails) {
            QVERIFY(!error.isEmpty());
            QVERIFY(!QFileInfo::exists(path));
            QCOMPARE(QDir(data).entryList(QDir::Files | QDir::Hidden), QStringList());
            return;
        }
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(bytesOf(path), expected);
        // Nothing beside it: no copy, no new file under a mangled name.
        QCOMPARE(QDir(data).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QFileInfo(path).fileName()});
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{folder});
    }

    // Several computers append at once while others read: every record lands exactly once and
    // no reader ever sees a torn record.
    void concurrentAppendsAndReads() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("成績累積データ.dat"));
        const int writers = 4, perWriter = 150;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KZ_WAIT_MS"), QStringLiteral("1"));
        std::vector<std::unique_ptr<QProcess>> procs;
        for (int w = 1; w <= writers; ++w) {
            auto p = std::make_unique<QProcess>();
            p->setProcessEnvironment(env);
            p->start(QStringLiteral(RECORD_FILE_CHILD), {QStringLiteral("append"), path, QString::number(w), QString::number(perWriter)});
            procs.push_back(std::move(p));
        }
        for (int r = 0; r < 2; ++r) {
            auto p = std::make_unique<QProcess>();
            p->start(QStringLiteral(RECORD_FILE_CHILD), {QStringLiteral("read"), path, QStringLiteral("300")});
            procs.push_back(std::move(p));
        }
        for (auto& p : procs) {
            QVERIFY(p->waitForFinished(120000));
            QCOMPARE(p->exitCode(), 0);
        }
        const QByteArray b = bytesOf(path);
        QCOMPARE(b.size(), writers * perWriter * 44);
        std::set<std::pair<int, int>> seen;
        for (int i = 0; i < writers * perWriter; ++i) {
            SeisekiRecord rec;
            QVERIFY(SeisekiRecord::decode(b.constData() + i * 44, 44, &rec));
            QVERIFY(seen.insert({rec.recordBangou, rec.recordTime}).second);
        }
        QCOMPARE(int(seen.size()), writers * perWriter);
    }
};

QTEST_GUILESS_MAIN(RecordFileTests)
#include "record_file_tests.moc"
