#include "record_file.h"

#include "shell/ole_date.h"
#include "shell/text_codec.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <QDir>
#include <QFile>
#include <QtEndian>
#include <limits>

namespace kz {

QByteArray SeisekiRecord::encode() const {
    QByteArray b(Size, '\0');
    char* p = b.data();
    qToLittleEndian(recordDate, p + DateAt);
    qToLittleEndian(recordTimeOfDay, p + TimeOfDayAt);
    qToLittleEndian(recordBangou, p + BangouAt);
    qToLittleEndian(recordLevel, p + LevelAt);
    qToLittleEndian(recordTime, p + TimeAt);
    auto put = [p](int at, const QByteArray& field) {
        for (int i = 0; i < TextWidth; ++i)
            p[at + i] = i < field.size() ? field[i] : ' ';
    };
    put(SchoolCodeAt, recordSchoolCode);
    put(NameAt, recordName);
    put(ScoreAt, recordScore);
    for (int i = 0; i < TextWidth; ++i)
        p[ReservedAt + i] = i < recordReserved.size() ? recordReserved[i] : '\0';
    return b;
}

SeisekiRecord::Numbers SeisekiRecord::decodeNumbers(const char* p) {
    return {qFromLittleEndian<double>(p + DateAt), qFromLittleEndian<double>(p + TimeOfDayAt),
            qFromLittleEndian<qint16>(p + BangouAt), qFromLittleEndian<qint16>(p + LevelAt),
            qFromLittleEndian<qint32>(p + TimeAt)};
}

bool SeisekiRecord::decode(const char* p, qsizetype size, SeisekiRecord* out) {
    if (size < Size) return false;
    const Numbers n = decodeNumbers(p);
    out->recordDate = n.date;
    out->recordTimeOfDay = n.timeOfDay;
    out->recordBangou = n.bangou;
    out->recordLevel = n.level;
    out->recordTime = n.time;
    out->recordSchoolCode = QByteArray(p + SchoolCodeAt, TextWidth);
    out->recordName = QByteArray(p + NameAt, TextWidth);
    out->recordScore = QByteArray(p + ScoreAt, TextWidth);
    out->recordReserved = QByteArray(p + ReservedAt, TextWidth);
    return true;
}

namespace {
std::atomic<qint64> g_readOpens{0}, g_reads{0};

RecordFile::Result fromFile(const LockedFile& f, LockedFile::Status st) {
    // A change or erase given up on a program that holds the file says so and what to do.
    return {st, st == LockedFile::Status::InUse ? inUseText(f.errorCode()) : f.errorText(),
            f.errorCode()};
}

using Status = RecordFile::Status;

// Opens the file for reading only, so a share without write access can still be read. A
// missing file is made (empty) as the open procedure always did, when the folder allows it.
Status openForReading(LockedFile& f, const QString& path) {
    ++g_readOpens;
    Status st = f.openReadOnly(path);
    if (st != Status::NotFound)
        return st;
    LockedFile maker;
    if (maker.open(path, true) != Status::Ok)
        return st; // still missing: the reader's not-found rule applies
    maker.close();
    return f.openReadOnly(path);
}

// Runs a whole operation again from its open while it meets a stale handle: the path names
// the file to use now. One that stays stale is reported as Locked, so the caller's
// wait-and-retry applies: a stale handle is never fatal.
template <typename Op>
Status reopeningWhileStale(LockedFile& f, Op&& op, const std::function<void()>& wait) {
    for (int stale = 0;;) {
        const Status st = op();
        if (st != Status::Stale) return st;
        f.close();
        if (!againAfterStale(&stale, wait)) return Status::Locked;
    }
}
} // namespace

RecordFile::Result RecordFile::create() const {
    LockedFile f;
    return fromFile(f, f.open(m_path, true));
}

RecordFile::Result RecordFile::count(qint64* records) const {
    LockedFile f;
    qint64 bytes = 0;
    const Status st = reopeningWhileStale(f,
                                          [&] {
                                              const Status opened = openForReading(f, m_path);
                                              return opened == Status::Ok ? f.size(&bytes) : opened;
                                          },
                                          {});
    if (st != Status::Ok) return fromFile(f, st);
    *records = bytes / SeisekiRecord::Size;
    return {};
}

// Opens the file, takes the shared lock, lets pick choose the records (0-based start and
// count) from the number of whole records, and reads them in one read call.
static RecordFile::Result
readBytesUnderSharedLock(const QString& path,
                         const std::function<std::pair<qint64, qint64>(qint64)>& pick,
                         QByteArray* data, qint64* fileBytes = nullptr) {
    LockedFile f;
    const Status st = reopeningWhileStale(
        f,
        [&] {
            data->clear();
            for (;;) {
                Status st = openForReading(f, path);
                if (st != Status::Ok) return st;
                if ((st = f.lockShared()) != Status::Ok) return st;
                bool same = true;
                if ((st = f.namesOpenFile(path, &same)) != Status::Ok) return st;
                if (same) break;
                f.close(); // replaced while we waited: read the new file, not the erased one
            }
            qint64 bytes = 0;
            Status st = f.size(&bytes);
            if (st != Status::Ok) return st;
            if (fileBytes) *fileBytes = bytes;
            const auto [start, count] = pick(bytes / SeisekiRecord::Size);
            if (count > 0) {
                ++g_reads;
                st = f.readAt(start * SeisekiRecord::Size, count * SeisekiRecord::Size, data);
            }
            f.unlock();
            return st;
        },
        {});
    if (st != Status::Ok) return fromFile(f, st);
    data->truncate(data->size() / SeisekiRecord::Size * SeisekiRecord::Size);
    return {};
}

static RecordFile::Result
readUnderSharedLock(const QString& path,
                    const std::function<std::pair<qint64, qint64>(qint64)>& pick,
                    std::vector<SeisekiRecord>* out) {
    out->clear();
    QByteArray data;
    const RecordFile::Result r = readBytesUnderSharedLock(path, pick, &data);
    if (!r.ok()) return r;
    const qsizetype got = data.size() / SeisekiRecord::Size;
    out->resize(static_cast<size_t>(got));
    for (qsizetype i = 0; i < got; ++i)
        SeisekiRecord::decode(data.constData() + i * SeisekiRecord::Size, SeisekiRecord::Size,
                              &(*out)[static_cast<size_t>(i)]);
    return {};
}

static std::function<std::pair<qint64, qint64>(qint64)> tailOf(qint64 maxRecords, qint64* firstNumber) {
    return [maxRecords, firstNumber](qint64 n) {
        const qint64 start = n > maxRecords ? n - maxRecords : 0;
        *firstNumber = start + 1;
        return std::pair<qint64, qint64>(start, n - start);
    };
}

RecordFile::Result RecordFile::readTailBytes(qint64 maxRecords, qint64* firstNumber,
                                             QByteArray* bytes) const {
    return readBytesUnderSharedLock(m_path, tailOf(maxRecords, firstNumber), bytes);
}

RecordFile::Result RecordFile::readAllBytes(QByteArray* bytes, qint64* fileBytes) const {
    qint64 first = 1;
    return readBytesUnderSharedLock(m_path, tailOf(std::numeric_limits<qint64>::max(), &first), bytes,
                                    fileBytes);
}

RecordFile::Result RecordFile::readRange(qint64 first, qint64 last,
                                         std::vector<SeisekiRecord>* out) const {
    return readUnderSharedLock(
        m_path,
        [&](qint64) {
            return std::pair<qint64, qint64>(first - 1, std::max<qint64>(0, last - first + 1));
        },
        out);
}

RecordFile::Result RecordFile::readTail(qint64 maxRecords, qint64* firstNumber,
                                        std::vector<SeisekiRecord>* out) const {
    return readUnderSharedLock(m_path, tailOf(maxRecords, firstNumber), out);
}

RecordFile::Result RecordFile::read(qint64 n, SeisekiRecord* out) const {
    std::vector<SeisekiRecord> one;
    Result r = readRange(n, n, &one);
    if (r.ok() && !one.empty())
        *out = one.front();
    else if (r.ok())
        *out = SeisekiRecord{}; // beyond the end: an empty record, as a read past the end gives
    return r;
}

RecordFile::Result RecordFile::write(qint64 n, const SeisekiRecord& rec,
                                     const std::function<void()>& wait,
                                     const QByteArray& expected) const {
    LockedFile f;
    const qint64 offset = (n - 1) * SeisekiRecord::Size;
    const QByteArray data = rec.encode();
    bool mismatch = false, sentStale = false;
    const Status st = reopeningWhileStale(
        f,
        [&] {
            Status st = lockForWriting(f, m_path, wait);
            if (st != Status::Ok) return st;
            if (!expected.isEmpty() || sentStale) {
                QByteArray now;
                st = untilUnlocked([&] { return f.readAt(offset, SeisekiRecord::Size, &now); },
                                   wait);
                if (st != Status::Ok) return st;
                // The write the stale handle refused reached the server after all.
                if (sentStale && now == data) {
                    f.unlock();
                    return Status::Ok;
                }
                if (!expected.isEmpty() && now != expected) {
                    mismatch = true;
                    return Status::Failed;
                }
            }
            st = untilUnlocked([&] { return f.writeAt(offset, data); }, wait);
            sentStale = st == Status::Stale;
            f.unlock();
            return st;
        },
        wait);
    Result r = fromFile(f, st);
    r.mismatch = mismatch;
    return r;
}

RecordFile::Result RecordFile::erase(qint64 n, const QByteArray& expected, const QString& copyPath,
                                     const std::function<void()>& wait,
                                     ReplacedFiles* keeper) const {
    auto f = std::make_unique<LockedFile>();
    QByteArray old;
    Status st = reopeningWhileStale(
        *f,
        [&] {
            Status st = lockForWriting(*f, m_path, wait);
            qint64 bytes = 0;
            if (st == Status::Ok) st = untilUnlocked([&] { return f->size(&bytes); }, wait);
            if (st == Status::Ok)
                st = untilUnlocked([&] { return f->readAt(0, bytes, &old); }, wait);
            return st;
        },
        wait);
    if (st != Status::Ok) return fromFile(*f, st);
    const qint64 records = old.size() / SeisekiRecord::Size;
    const qint64 at = (n - 1) * SeisekiRecord::Size;
    if (n < 1 || n > records ||
        (!expected.isEmpty() && old.mid(at, SeisekiRecord::Size) != expected)) {
        Result r;
        r.status = Status::Failed;
        r.mismatch = true;
        return r;
    }
    // The copy stays beside the file until the new file is in place: a last resort for the
    // teacher whatever happens in between.
    QString error;
    if (!copyPath.isEmpty()) error = replaceFileWhole(copyPath, old);
    if (error.isEmpty()) {
        // Whole records only, as the rewrite always kept them; a partial tail goes with the rest.
        QByteArray fresh = old.left(records * SeisekiRecord::Size);
        fresh.remove(at, SeisekiRecord::Size);
        // The rename happens while the lock on the old file is held; writers who were waiting
        // for it find after locking that the path names another file and reopen.
        error = replaceFileWhole(m_path, fresh);
    }
    // Still under the lock, so no other teacher's erase has made a copy of its own meanwhile;
    // after a failure the file is as it was, and the copy only takes room.
    if (!copyPath.isEmpty()) QFile::remove(copyPath);
    if (!error.isEmpty()) {
        Result r;
        r.status = Status::Failed;
        r.errorText = error;
        return r;
    }
    f->unlock();
    if (keeper) keeper->keep(m_path, {std::move(f), records});
    return {};
}

RecordFile::Result RecordFile::moveAppendsFrom(ReplacedRecordFile& old,
                                               const std::function<void()>& wait,
                                               qint64* moved) const {
    *moved = 0;
    LockedFile& from = *old.file;
    QByteArray appended;
    // Locked against the older programs, so none is half-way through an append.
    Status st = untilUnlocked([&] { return from.lockExclusive(); }, wait);
    qint64 bytes = 0;
    if (st == Status::Ok) st = from.size(&bytes);
    const qint64 start = old.end * SeisekiRecord::Size;
    const qint64 whole = bytes > start ? (bytes - start) / SeisekiRecord::Size : 0;
    if (st == Status::Ok && whole > 0)
        st = from.readAt(start, whole * SeisekiRecord::Size, &appended);
    if (st == Status::Stale) { // gone for this computer too: nothing can be read from it
        appended.clear();
        st = Status::Ok;
    }
    if (st != Status::Ok) return fromFile(from, st);
    appended.truncate(appended.size() / SeisekiRecord::Size * SeisekiRecord::Size);
    if (!appended.isEmpty()) {
        LockedFile f;
        qint64 landed = 0; // records an earlier, stale-answered write did put in the new file
        st = reopeningWhileStale(
            f,
            [&] {
                Status st = lockForWriting(f, m_path, wait);
                if (st == Status::Ok && old.sentAt >= 0) {
                    QByteArray there;
                    st = f.readAt(old.sentAt, old.sentBytes, &there);
                    if (st == Status::Ok) {
                        if (there == appended.left(old.sentBytes)) { // it reached the server
                            landed += old.sentBytes / SeisekiRecord::Size;
                            old.end += old.sentBytes / SeisekiRecord::Size;
                            appended.remove(0, old.sentBytes);
                        }
                        old.sentAt = -1;
                    }
                    if (st == Status::Ok && appended.isEmpty()) {
                        f.unlock();
                        return Status::Ok;
                    }
                }
                qint64 size = 0;
                if (st == Status::Ok) st = f.size(&size);
                const qint64 at = size / SeisekiRecord::Size * SeisekiRecord::Size;
                if (st == Status::Ok) st = f.writeAt(at, appended);
                if (st == Status::Stale) {
                    old.sentAt = at;
                    old.sentBytes = appended.size();
                }
                f.unlock();
                return st;
            },
            wait);
        // Another program holding the new file: try again later, as after a lock.
        if (st == Status::InUse) st = Status::Locked;
        if (st != Status::Ok) {
            from.unlock();
            return fromFile(f, st);
        }
        *moved = landed + appended.size() / SeisekiRecord::Size;
    }
    from.close();
    return {};
}

RecordFile::Result RecordFile::append(const SeisekiRecord& rec, const std::function<void()>& waitOneSecond,
                                      const std::function<void(SeisekiRecord&)>& fillAfterLock,
                                      SentWrite* sentWrite) const {
    LockedFile f;
    // A write that a stale handle refused may have reached the server with only its answer
    // lost: after reopening, the 44 bytes where it went say whether the run is recorded.
    SentWrite own;
    SentWrite& w = sentWrite ? *sentWrite : own;
    qint64& sentAt = w.at;
    QByteArray& sent = w.data;
    const Status st = reopeningWhileStale(
        f,
        [&] {
            // A pupil's run waits for a program holding the file as for a lock: without limit.
            Status st = lockForWriting(f, m_path, waitOneSecond, kWaitWithoutLimit);
            if (st != Status::Ok) return st;
            if (sentAt >= 0) {
                QByteArray there;
                st = untilUnlocked(
                    [&] { return f.readAt(sentAt, SeisekiRecord::Size, &there); }, waitOneSecond);
                if (st != Status::Ok) return st;
                if (there == sent) {
                    f.unlock();
                    return Status::Ok;
                }
                sentAt = -1; // it did not: another computer may have appended there since
            }
            qint64 bytes = 0;
            if ((st = untilUnlocked([&] { return f.size(&bytes); }, waitOneSecond)) != Status::Ok)
                return st;
            // A partial tail is overwritten: the next record number comes from the whole records.
            const qint64 offset = (bytes / SeisekiRecord::Size) * SeisekiRecord::Size;
            SeisekiRecord out = rec;
            if (fillAfterLock) fillAfterLock(out);
            const QByteArray data = out.encode();
            st = untilUnlocked([&] { return f.writeAt(offset, data); }, waitOneSecond);
            if (st == Status::Stale) {
                sentAt = offset;
                sent = data;
            }
            if (st != Status::Ok) return st;
            // Written: whatever the unlock answers, closing drops the lock, and a repeat would
            // write the run twice.
            f.unlock();
            return Status::Ok;
        },
        waitOneSecond);
    if (st != Status::Ok) return fromFile(f, st);
    f.close();
    return {};
}

RecordReads recordReadsSoFar() {
    return {g_readOpens.load(), g_reads.load()};
}

ReplacedFiles::~ReplacedFiles() {
    m_timer.reset(); // no tick may walk the entries while they go
    for (Entry& e : m_entries)
        move(e);
}

void ReplacedFiles::keep(const QString& path, ReplacedRecordFile old) {
    m_entries.push_back({path, std::move(old), m_s.clock.tickMs() + graceMs});
    schedule();
}

RecordFile::Result ReplacedFiles::move(Entry& e) {
    qint64 moved = 0;
    const RecordFile::Result r = RecordFile(e.path).moveAppendsFrom(e.old, {}, &moved);
    m_moved += moved;
    return r;
}

void ReplacedFiles::moveDue() {
    if (m_timer) m_timer->setEnabled(false); // a message shown below must not let it fire again
    const qint64 now = m_s.clock.tickMs();
    for (size_t i = 0; i < m_entries.size();) {
        Entry& e = m_entries[i];
        if (e.dueTick > now) {
            ++i;
            continue;
        }
        const RecordFile::Result r = move(e);
        if (r.status == RecordFile::Status::Locked) {
            e.dueTick = now + LockedRetryMs;
            ++i;
            continue;
        }
        const QString path = e.path;
        m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(i));
        if (!r.ok())
            m_s.dialogs.message(recordFileMessage(QStringLiteral("成績ランダムファイル記録"), r, path));
    }
    schedule();
}

std::vector<ReplacedFiles::Unmoved> ReplacedFiles::finish(const std::function<void(int ms)>& sleepMs,
                                                          bool atOnce, int reserveMs) {
    m_timer.reset();
    std::vector<Unmoved> unmoved;
    if (m_entries.empty()) return unmoved;
    qint64 due = m_s.clock.tickMs();
    if (!atOnce)
        for (const Entry& e : m_entries)
            due = std::max(due, e.dueTick);
    if (const qint64 left = due - m_s.clock.tickMs(); left > 0) sleepMs(static_cast<int>(left));
    const qint64 bound = m_s.clock.tickMs() + (atOnce ? 0 : std::max(0, LockBoundMs - reserveMs));
    for (;;) {
        for (size_t i = 0; i < m_entries.size();) {
            const RecordFile::Result r = move(m_entries[i]);
            if (r.status == RecordFile::Status::Locked) {
                ++i;
                continue;
            }
            if (!r.ok()) unmoved.push_back({m_entries[i].path, -1, r.errorText});
            m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(i));
        }
        const qint64 left = bound - m_s.clock.tickMs();
        if (m_entries.empty() || left <= 0) break;
        sleepMs(static_cast<int>(std::min<qint64>(LockedRetryMs, left)));
    }
    // Still locked at the bound: what the replaced file holds beyond its old end is lost when
    // it closes, as is any run its holder writes later.
    for (Entry& e : m_entries) {
        qint64 bytes = 0;
        const qint64 appended = e.old.file->size(&bytes) == LockedFile::Status::Ok
                                    ? std::max<qint64>(0, bytes / SeisekiRecord::Size - e.old.end)
                                    : -1;
        unmoved.push_back({e.path, appended, QString()});
    }
    m_entries.clear();
    return unmoved;
}

QString unmovedText(const ReplacedFiles::Unmoved& u) {
    const QString count =
        u.records > 0 ? QStringLiteral("（") + QString::number(u.records) + QStringLiteral("件）") : QString();
    const QString why = u.errorText.isEmpty()
                            ? QStringLiteral("ほかのコンピュータがファイルを使い続けています。")
                            : u.errorText;
    return QStringLiteral("消去の後にほかのコンピュータが記録した成績") + count +
           QStringLiteral("を新しいファイルへ移せませんでした。") + why + u'\n' +
           QDir::toNativeSeparators(u.path);
}

void ReplacedFiles::schedule() {
    if (m_entries.empty()) {
        if (m_timer) m_timer->setEnabled(false);
        return;
    }
    if (!m_timer) {
        m_timer = m_s.timers.createTimer();
        m_timer->onTimeout = [this] { moveDue(); };
    }
    qint64 next = m_entries.front().dueTick;
    for (const Entry& e : m_entries)
        next = std::min(next, e.dueTick);
    m_timer->setInterval(static_cast<int>(std::max<qint64>(1, next - m_s.clock.tickMs())));
    m_timer->setEnabled(true);
}

QString recordFileMessage(const QString& operation, const RecordFile::Result& r, const QString& path) {
    return operation + r.errorText + u'\n' + QDir::toNativeSeparators(path);
}

void fillRunRecord(SeisekiRecord& rec, int bangou, int levelNo, int resultTime,
                   const QString& schoolCode) {
    rec.recordBangou = static_cast<qint16>(bangou);
    rec.recordLevel = static_cast<qint16>(levelNo);
    rec.recordTime = resultTime;
    rec.recordSchoolCode = fixedCp932Field(schoolCode, SeisekiRecord::TextWidth);
    rec.recordName = QByteArray(SeisekiRecord::TextWidth, ' ');
    rec.recordScore = fixedCp932Field(QStringLiteral("0"), SeisekiRecord::TextWidth);
}

RecordFile::Result appendRunRecord(const QString& path, SeisekiRecord& recordBuffer,
                                   const Clock& clock, const std::function<void()>& wait,
                                   RecordFile::SentWrite* sent) {
    // The date and time of day are those of the moment the lock was obtained, so a record
    // written after a wait on another computer carries the time it was really written.
    return RecordFile(path).append(recordBuffer, wait, [&](SeisekiRecord& rec) {
        rec.recordDate = oleDate(clock.today());
        rec.recordTimeOfDay = wholeSecondTimeOfDay(clock.secondsSinceMidnight());
        recordBuffer.recordDate = rec.recordDate;
        recordBuffer.recordTimeOfDay = rec.recordTimeOfDay;
    }, sent);
}

void AppendRecord(const QString& path, SeisekiRecord& recordBuffer, int bangou, int levelNo,
                  int resultTime, const QString& schoolCode, Services& s, int retryWaitMs) {
    fillRunRecord(recordBuffer, bangou, levelNo, resultTime, schoolCode);
    auto RecordRetryWait = [&] { s.events.waitWithEvents(retryWaitMs); };
    const RecordFile::Result r = appendRunRecord(path, recordBuffer, s.clock, RecordRetryWait);
    if (!r.ok()) {
        s.dialogs.message(recordFileMessage(QStringLiteral("成績ランダムファイル記録"), r, path));
        s.screens.unloadAll();
        s.program.endProgram(1);
    }
}

} // namespace kz
