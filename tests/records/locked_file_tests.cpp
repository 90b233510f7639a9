// Replacing a shared file (a teacher's erase, a criteria save) while pupils' computers, and the
// eraser itself, have it open: the path must name the complete new file, the open handles keep
// what they had, and a writer can tell that its handle no longer names the file.
#include "platform/locked_file.h"
#include "support/files.h"

#include <memory>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace kz;
using kz::test::bytesOf;

class LockedFileTests : public QObject {
    Q_OBJECT

private slots:
    void replaceWhileOthersHaveTheFileOpen_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("exists");
        QTest::addColumn<bool>("reader");     // another process reading, no lock
        QTest::addColumn<bool>("lockHolder"); // the eraser itself, holding the write lock
        QTest::newRow("nobody") << QStringLiteral("share") << true << false << false;
        QTest::newRow("a reader") << QStringLiteral("share") << true << true << false;
        QTest::newRow("the eraser holding its lock")
            << QStringLiteral("share") << true << false << true;
        QTest::newRow("both, Japanese folder")
            << QStringLiteral("共有/カズトビ") << true << true << true;
        QTest::newRow("first write") << QStringLiteral("共有") << false << false << false;
    }
    void replaceWhileOthersHaveTheFileOpen() {
        QFETCH(QString, folder);
        QFETCH(bool, exists);
        QFETCH(bool, reader);
        QFETCH(bool, lockHolder);
        QTemporaryDir dir;
        const QString dirPath = dir.filePath(folder);
        QVERIFY(QDir().mkpath(dirPath));
        const QString path = dirPath + QStringLiteral("/成績累積データ.dat");
        const QByteArray old(44 * 3, 'o'), fresh(44 * 2, 'n');
        if (exists) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(old);
        }
        std::unique_ptr<LockedFile> r, w;
        if (reader) {
            r = std::make_unique<LockedFile>();
            QCOMPARE(r->openReadOnly(path), LockedFile::Status::Ok);
        }
        if (lockHolder) {
            w = std::make_unique<LockedFile>();
            QCOMPARE(w->open(path, false), LockedFile::Status::Ok);
            QCOMPARE(w->lockExclusive(), LockedFile::Status::Ok);
        }

        const QString error = replaceFileWhole(path, fresh);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(bytesOf(path), fresh);

        for (LockedFile* held : {r.get(), w.get()}) {
            if (!held) continue;
            QByteArray seen;
            QCOMPARE(held->readAt(0, old.size(), &seen), LockedFile::Status::Ok);
            QCOMPARE(seen, old); // an open handle keeps the file it opened
            bool same = true;
            QCOMPARE(held->namesOpenFile(path, &same), LockedFile::Status::Ok);
            QVERIFY(!same); // a writer reopens before appending
        }
        LockedFile reopened;
        QCOMPARE(reopened.open(path, false), LockedFile::Status::Ok);
        bool same = false;
        QCOMPARE(reopened.namesOpenFile(path, &same), LockedFile::Status::Ok);
        QVERIFY(same);
        // A second replacement while the first one's readers are still open.
        QVERIFY(replaceFileWhole(path, old).isEmpty());
        QCOMPARE(bytesOf(path), old);
        // Once everyone has closed the file, nothing is left beside it: no temporary, no backup.
        // (While the old file is still open, Windows may keep it under a temporary name.)
        r.reset();
        w.reset();
        reopened.close();
        QCOMPARE(QDir(dirPath).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QFileInfo(path).fileName()});
    }

    // A lock another process holds is the case that waits; a released one can be taken.
    void lockConflictIsLockedNotFailed() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("記録.dat"));
        LockedFile a, b;
        QCOMPARE(a.open(path, true), LockedFile::Status::Ok);
        QCOMPARE(b.open(path, false), LockedFile::Status::Ok);
        QCOMPARE(a.lockExclusive(), LockedFile::Status::Ok);
        QCOMPARE(b.lockExclusive(), LockedFile::Status::Locked);
        QCOMPARE(b.lockShared(), LockedFile::Status::Locked);
        QCOMPARE(a.unlock(), LockedFile::Status::Ok);
        QCOMPARE(b.lockShared(), LockedFile::Status::Ok);
        QCOMPARE(a.lockExclusive(), LockedFile::Status::Locked);
        QCOMPARE(b.unlock(), LockedFile::Status::Ok);
        QCOMPARE(a.lockExclusive(), LockedFile::Status::Ok);
    }
};

QTEST_GUILESS_MAIN(LockedFileTests)
#include "locked_file_tests.moc"
