// The shared record file: record bytes, appends, reads, and appends from several processes.
#include "records/record_file.h"
#include "shell/ole_date.h"
#include "support/fakes.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <set>

using namespace kz;
using test::FakeServices;

class RecordFileTests : public QObject {
    Q_OBJECT

    static QByteArray bytesOf(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
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
