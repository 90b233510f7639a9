#pragma once
#include "platform/locked_file.h"
#include "shell/services.h"

#include <functional>
#include <memory>
#include <QByteArray>
#include <QString>
#include <vector>

namespace kz {

// One 44-byte record of the shared record file, encoded field by field (little-endian).
struct SeisekiRecord {
    static constexpr int Size = 44;
    // Byte offsets of the fields.
    static constexpr int DateAt = 0, TimeOfDayAt = 8, BangouAt = 16, LevelAt = 18, TimeAt = 20,
                         SchoolCodeAt = 24, NameAt = 29, ScoreAt = 34, ReservedAt = 39, TextWidth = 5;

    double recordDate = 0;      // OLE date, time part 0
    double recordTimeOfDay = 0; // OLE date 0 plus the time of day as a fraction
    qint16 recordBangou = 0;
    qint16 recordLevel = 0;
    qint32 recordTime = 0;
    QByteArray recordSchoolCode = QByteArray(5, ' ');
    QByteArray recordName = QByteArray(5, ' ');
    QByteArray recordScore = QByteArray(5, ' ');
    QByteArray recordReserved = QByteArray(5, '\0');

    QByteArray encode() const;
    // Decodes 44 bytes; false when fewer are given.
    static bool decode(const char* bytes, qsizetype size, SeisekiRecord* out);

    // The numeric fields of one 44-byte record alone, for scans that need nothing else (no
    // text fields, no allocations).
    struct Numbers {
        double date;
        double timeOfDay;
        qint16 bangou;
        qint16 level;
        qint32 time;
    };
    static Numbers decodeNumbers(const char* bytes);

    // Valid for the statistics: a date not before 1899-12-30, student 1..5000, level 1..35.
    static bool isValidForStatistics(double date, int bangou, int level) {
        return date >= 0 && bangou >= 1 && bangou <= 5000 && level >= 1 && level <= 35;
    }
    bool isValidForStatistics() const {
        return isValidForStatistics(recordDate, recordBangou, recordLevel);
    }
};

class ReplacedFiles;

// A record file that an erase has replaced, still open: a computer running an older program,
// which does not check that the path still names the file it locked, appends its run there.
struct ReplacedRecordFile {
    std::unique_ptr<LockedFile> file;
    qint64 end = 0; // whole records it held when replaced; any after them are such appends
    // A move whose write met a stale handle may have reached the server all the same: where it
    // went and how many bytes, so the next try looks there before it writes them again.
    qint64 sentAt = -1;
    qint64 sentBytes = 0;
};

// The one owner of "成績累積データ.dat": every operation opens it, works by record number
// (1-based) and closes it again. Operations report lock conflicts as Locked so the caller's
// retry rule decides.
class RecordFile {
public:
    using Status = LockedFile::Status;

    struct Result {
        Status status = Status::Ok;
        QString errorText;
        int errorCode = 0;
        bool mismatch = false; // the record is no longer the one the caller expected
        bool ok() const { return status == Status::Ok; }
    };

    explicit RecordFile(QString path) : m_path(std::move(path)) {}
    const QString& path() const { return m_path; }

    // Opens the file (creating it when it is missing) and closes it again.
    Result create() const;
    // Number of whole records (file length divided by 44).
    Result count(qint64* records) const;
    // Reads record n into *out.
    Result read(qint64 n, SeisekiRecord* out) const;
    // Reads records first..last in one read call under one shared lock.
    Result readRange(qint64 first, qint64 last, std::vector<SeisekiRecord>* out) const;
    // Reads the last maxRecords records (or all) in one call: count and read under one lock.
    Result readTail(qint64 maxRecords, qint64* firstNumber, std::vector<SeisekiRecord>* out) const;
    // The same as raw bytes (a whole number of 44-byte records), for the statistics scan.
    Result readTailBytes(qint64 maxRecords, qint64* firstNumber, QByteArray* bytes) const;
    // Every whole record in one read call; fileBytes: the file's length at that moment.
    Result readAllBytes(QByteArray* bytes, qint64* fileBytes = nullptr) const;

    // Writers take the whole-file write lock, each step retried through wait() while it meets
    // another computer's lock (no wait: Locked is returned), and reopen when the path has come
    // to name another file meanwhile. Every operation starts again from the open when its
    // handle turns out stale; one that stays stale is reported as Locked, so the caller's
    // wait-and-retry applies. A write the stale handle refused is looked for after reopening
    // and made again only when it did not reach the file. A change or erase that meets another
    // program holding the file gives up after a bounded wait with InUse; the append waits on.
    // Any other failure is returned.

    // Writes record n in place. With expected bytes, only while the record still holds them
    // (otherwise mismatch is set and nothing is written).
    Result write(qint64 n, const SeisekiRecord& rec, const std::function<void()>& wait = {},
                 const QByteArray& expected = {}) const;
    // Removes record n, which must still hold the expected bytes (any, when empty). The old
    // file is first copied to copyPath (unless empty); the file without the record is written
    // beside it and renamed over it while the lock is held; the copy is removed before the
    // lock is released, whether the erase succeeded or not. The replaced file goes to keeper
    // (closed at once without one), which moves what older programs append to it.
    Result erase(qint64 n, const QByteArray& expected, const QString& copyPath,
                 const std::function<void()>& wait, ReplacedFiles* keeper = nullptr) const;
    // Moves the whole records appended to old since it was replaced to the end of this file,
    // in their order, under this file's lock, and closes old. moved: how many.
    Result moveAppendsFrom(ReplacedRecordFile& old, const std::function<void()>& wait,
                           qint64* moved) const;

    // A write a stale handle refused, which may have landed: where it went and what it was.
    // A caller that gives up and tries again later keeps it, so the run is not written twice.
    struct SentWrite {
        qint64 at = -1;
        QByteArray data;
    };
    // The append, in steps: open, lock, position from the length, write, unlock, close.
    // fillAfterLock completes the record once the lock is held (the moment of recording).
    Result append(const SeisekiRecord& rec, const std::function<void()>& waitOneSecond,
                  const std::function<void(SeisekiRecord&)>& fillAfterLock = {},
                  SentWrite* sent = nullptr) const;

private:
    QString m_path;
};

// Opens for reading and read calls made on record files by this process so far. Each is a
// round trip on a school's network share, so how many a screen makes is worth watching.
struct RecordReads {
    qint64 opens = 0;
    qint64 reads = 0;
};
RecordReads recordReadsSoFar();

// Keeps each record file an erase replaced open for a grace period longer than an older
// program's one-second retry, then moves the runs such a program appended to it into the file
// that replaced it. A timer drives it, so the teacher's screen goes on meanwhile.
class ReplacedFiles {
public:
    static constexpr int DefaultGraceMs = 3000;
    static constexpr int LockedRetryMs = 250; // another computer held a lock: try again soon
    // At the end, how long past the grace period the program may take: an older program
    // keeps its lock while it shows a message, so the end never waits on it for ever.
    static constexpr int LockBoundMs = 5000;

    explicit ReplacedFiles(Services& s, int graceMs = DefaultGraceMs) : graceMs(graceMs), m_s(s) {}
    ~ReplacedFiles(); // moves at once what it still holds
    ReplacedFiles(const ReplacedFiles&) = delete;
    ReplacedFiles& operator=(const ReplacedFiles&) = delete;

    void keep(const QString& path, ReplacedRecordFile old);
    // Moves the appends of each file whose grace period has run out (the timer calls this).
    void moveDue();

    // A replaced file whose appends could not be moved at the end.
    struct Unmoved {
        QString path;        // the record file that replaced it
        qint64 records = -1; // whole records appended to it that are lost; -1: not known
        QString errorText;   // empty: another computer held a lock until the bound
    };
    // At the program's end: sleeps out the rest of the grace periods and moves everything,
    // trying again while another computer holds a lock, until LockBoundMs past the grace
    // period less reserveMs (the caller's time to report what stayed unmoved). atOnce (the
    // system ends the program within seconds): no sleep, one try each. Returns what stayed
    // unmoved; nothing is held afterwards.
    std::vector<Unmoved> finish(const std::function<void(int ms)>& sleepMs, bool atOnce = false,
                                int reserveMs = 0);
    int pending() const { return static_cast<int>(m_entries.size()); }
    qint64 moved() const { return m_moved; }

    int graceMs;

private:
    struct Entry {
        QString path;
        ReplacedRecordFile old;
        qint64 dueTick;
    };
    // Moves one file's appends (Locked: another computer held a lock; nothing moved).
    RecordFile::Result move(Entry& e);
    void schedule();

    Services& m_s;
    std::unique_ptr<Timer> m_timer;
    std::vector<Entry> m_entries;
    qint64 m_moved = 0;
};

// Texts of what stayed unmoved at the end: for the notice on the screen and the log line.
QString unmovedText(const ReplacedFiles::Unmoved& u);

// A message about the record file: the operation's text, the error text, then the file.
QString recordFileMessage(const QString& operation, const RecordFile::Result& r, const QString& path);

// The fields of a run's record: pupil, level and time, the school code blank when none, the
// name blank, the score "0". The reserved bytes stay those the buffer holds.
void fillRunRecord(SeisekiRecord& rec, int bangou, int levelNo, int resultTime,
                   const QString& schoolCode);
// Appends the buffer filled above, dated by clock at the moment the lock is held (the buffer
// keeps that date). wait runs whenever a step meets another computer's lock; without one a
// held lock is returned as Locked.
RecordFile::Result appendRunRecord(const QString& path, SeisekiRecord& recordBuffer,
                                   const Clock& clock, const std::function<void()>& wait,
                                   RecordFile::SentWrite* sent = nullptr);

// Appends one run for the current pupil: date and time from the clock, the school code blank
// when none, the score "0". The reserved bytes are those of recordBuffer, the record last read.
// Wait-and-retry rule: a step that meets the lock waits retryWaitMs (one second) with events
// processed and is repeated, without limit; any other failure shows "成績ランダムファイル記録"
// with the error text and ends the program.
void AppendRecord(const QString& path, SeisekiRecord& recordBuffer, int bangou, int levelNo,
                  int resultTime, const QString& schoolCode, Services& s, int retryWaitMs = 1000);

} // namespace kz
