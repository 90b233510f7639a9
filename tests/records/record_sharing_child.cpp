// Another computer of the school for the sharing tests. It says "wait" each time it meets
// another computer's lock and "reopen" when, after locking, the path named another file.
//   record_sharing_child erase PATH N GRACE_MS [hold-move]
//       — erases record N, holding after it has locked the file: says "locked" and goes on
//         after a line on stdin; then keeps the replaced file for GRACE_MS (with hold-move:
//         says "erased" and keeps it until another line), moves what was appended to it and
//         says "moved K"
//   record_sharing_child change PATH N           — reads record N, says "ready" and after a
//       line on stdin sets its time to 7777 in place, unless the record has changed meanwhile
//   record_sharing_child erase-on-go PATH N      — says "ready", erases record N after a line
//   record_sharing_child save-stop-at PATH POINT — saves the criteria at PATH with level 1's
//       pass time set to 99, and stops for good at the named point of the replacement
//   record_sharing_child old-append PATH STUDENT COUNT WAIT_MS
//       — a computer running an older program: open, whole-file lock (waiting WAIT_MS while
//         another holds it), append at the end, unlock, close; it never checks that the path
//         still names the file it locked
//   record_sharing_child older PATH STUDENT      — an older program that opened the file before
//       an erase: says "open"; after a line takes the whole-file lock on what it opened (saying
//       "wait" while another holds it) and says "locked"; after a line appends one run at the
//       end, lets go and says "done"
//   record_sharing_child erase-loop PATH COUNT PAUSE_MS GRACE_MS — erases record 1 COUNT times
//   record_sharing_child hold PATH...              — opens the files for reading, as another
//       computer's program does between its reads, says "open" and closes them after a line
//   record_sharing_child lock PATH                 — takes the file's write lock, says "locked"
//       and lets it go after a line
//   record_sharing_child hold-unshared PATH        — (Windows) opens the file sharing reading
//       only, as a spreadsheet program does, says "open" and closes it after a line
#include "records/criteria_editor.h"
#include "records/record_file.h"
#include "shell/text_codec.h"
#include "support/fakes.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>
#include <string>
#include <vector>
#ifdef _WIN32
#include <windows.h>
#endif

using namespace kz;

namespace {
void say(const char* text) {
    std::printf("%s\n", text);
    std::fflush(stdout);
}

void waitForLine() {
    std::string line;
    std::getline(std::cin, line);
}

void sleepMs(int ms) {
    QThread::msleep(static_cast<unsigned long>(ms));
}

// The same file calls as the program's, without its check of the path after locking.
int oldProtocolAppend(const QString& path, int student, int count, int waitMs) {
    for (int i = 0; i < count; ++i) {
        LockedFile f;
        if (f.open(path, true) != LockedFile::Status::Ok) return 3;
        for (LockedFile::Status st; (st = f.lockExclusive()) != LockedFile::Status::Ok;) {
            if (st != LockedFile::Status::Locked) return 4;
            say("wait");
            sleepMs(waitMs);
        }
        qint64 size = 0;
        if (f.size(&size) != LockedFile::Status::Ok) return 5;
        SeisekiRecord r;
        r.recordDate = 46365;
        r.recordBangou = static_cast<qint16>(student);
        r.recordLevel = 1;
        r.recordTime = i;
        if (f.writeAt(size / 44 * 44, r.encode()) != LockedFile::Status::Ok) return 5;
        f.unlock();
    }
    say("done");
    return 0;
}

int olderOnLines(const QString& path, int student) {
    LockedFile f;
    if (f.open(path, true) != LockedFile::Status::Ok) return 3;
    say("open");
    waitForLine();
    for (LockedFile::Status st; (st = f.lockExclusive()) != LockedFile::Status::Ok;) {
        if (st != LockedFile::Status::Locked) return 4;
        say("wait");
        sleepMs(50);
    }
    say("locked");
    waitForLine();
    qint64 size = 0;
    if (f.size(&size) != LockedFile::Status::Ok) return 5;
    SeisekiRecord r;
    r.recordDate = 46365;
    r.recordBangou = static_cast<qint16>(student);
    r.recordLevel = 1;
    r.recordTime = 55;
    if (f.writeAt(size / 44 * 44, r.encode()) != LockedFile::Status::Ok) return 5;
    f.unlock();
    say("done");
    return 0;
}

// Erases with the replaced file kept as the program keeps it, on a clock that runs in real time.
struct Eraser {
    test::FakeServices fake;
    ReplacedFiles keeper{fake.services};
    QElapsedTimer clock;
    Eraser(int graceMs) {
        keeper.graceMs = graceMs;
        clock.start();
    }
    void poll() {
        fake.clock().tick = clock.elapsed();
        keeper.moveDue();
    }
    void finish() {
        keeper.finish([this](int ms) {
            sleepMs(ms);
            fake.clock().tick = clock.elapsed();
        });
        std::printf("moved %lld\n", static_cast<long long>(keeper.moved()));
        std::fflush(stdout);
    }
};
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) return 2;
    const QString command = args[1];
    const QString path = args[2];
    const QString copy = QFileInfo(path).absolutePath() + QStringLiteral("/成績累積データtemp.dat");
    auto wait = [] {
        say("wait");
        sleepMs(5);
    };
    bool held = false;
    fileOperationSeam() = [&](const char* point) {
        if (std::strcmp(point, "reopen") == 0) say("reopen");
        if (command == u"erase" && !held && std::strcmp(point, "write-locked") == 0) {
            held = true;
            say("locked");
            waitForLine();
        }
        if (command == u"save-stop-at" && args.value(3) == QLatin1String(point)) {
            say(point);
            for (;;)
                sleepMs(1000);
        }
        return 0;
    };
    if (command == u"old-append")
        return oldProtocolAppend(path, args.value(3).toInt(), args.value(4).toInt(),
                                 args.value(5).toInt());
    if (command == u"older") return olderOnLines(path, args.value(3).toInt());
    if (command == u"save-stop-at") {
        CriteriaGrid grid;
        if (!grid.LoadGrid(path).isEmpty()) return 4;
        grid.TextToGrid(QStringLiteral("99"));
        CriteriaTable table;
        return grid.SaveGrid(path, table).isEmpty() ? 0 : 5;
    }
    if (command == u"hold") {
        std::vector<std::unique_ptr<LockedFile>> open;
        for (const QString& p : args.mid(2)) {
            open.push_back(std::make_unique<LockedFile>());
            if (open.back()->openReadOnly(p) != LockedFile::Status::Ok) return 3;
        }
        say("open");
        waitForLine();
        return 0;
    }
#ifdef _WIN32
    if (command == u"hold-unshared") {
        const HANDLE h = CreateFileW(reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(path).utf16()),
                                     GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return 3;
        say("open");
        waitForLine();
        CloseHandle(h);
        return 0;
    }
#endif
    if (command == u"lock") {
        LockedFile f;
        if (lockForWriting(f, path, {}) != LockedFile::Status::Ok) return 3;
        say("locked");
        waitForLine();
        return 0;
    }
    const RecordFile file(path);
    if (command == u"erase-loop") {
        Eraser eraser(args.value(5).toInt());
        for (int i = 0; i < args.value(3).toInt(); ++i) {
            if (!file.erase(1, {}, copy, wait, &eraser.keeper).ok()) return 6;
            QElapsedTimer pause;
            pause.start();
            while (pause.elapsed() < args.value(4).toInt()) {
                eraser.poll();
                sleepMs(1);
            }
        }
        eraser.finish();
        return 0;
    }
    const qint64 n = args.value(3).toLongLong();
    if (command == u"erase-on-go") {
        say("ready");
        waitForLine();
        return file.erase(n, {}, copy, {}).ok() ? 0 : 1;
    }
    std::vector<SeisekiRecord> one;
    if (!file.readRange(n, n, &one).ok() || one.empty()) return 3;
    const QByteArray expected = one.front().encode();
    RecordFile::Result r;
    if (command == u"change") {
        say("ready");
        waitForLine();
        SeisekiRecord changed = one.front();
        changed.recordTime = 7777;
        r = file.write(n, changed, wait, expected);
    } else if (command == u"erase") {
        Eraser eraser(args.value(4).toInt());
        r = file.erase(n, expected, copy, wait, &eraser.keeper);
        if (args.value(5) == u"hold-move") {
            say("erased");
            waitForLine();
        }
        eraser.finish();
    }
    std::printf("%s\n", r.ok() ? "done" : r.mismatch ? "mismatch" : qPrintable(r.errorText));
    return r.ok() ? 0 : 1;
}
