#include "record_file.h"

#include "shell/ole_date.h"
#include "shell/text_codec.h"

#include <algorithm>
#include <cstring>
#include <QtEndian>

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
RecordFile::Result fromFile(const LockedFile& f, LockedFile::Status st) {
    return {st, f.errorText(), f.errorCode()};
}
} // namespace

RecordFile::Result RecordFile::create() const {
    LockedFile f;
    return fromFile(f, f.open(m_path, true));
}

RecordFile::Result RecordFile::count(qint64* records) const {
    LockedFile f;
    auto st = f.open(m_path, true);
    if (st != Status::Ok) return fromFile(f, st);
    qint64 bytes = 0;
    st = f.size(&bytes);
    if (st != Status::Ok) return fromFile(f, st);
    *records = bytes / SeisekiRecord::Size;
    return {};
}

// Opens the file, takes the shared lock, lets pick choose the records (0-based start and
// count) from the number of whole records, and reads them in one read call.
static RecordFile::Result
readBytesUnderSharedLock(const QString& path,
                         const std::function<std::pair<qint64, qint64>(qint64)>& pick,
                         QByteArray* data) {
    using Status = RecordFile::Status;
    data->clear();
    LockedFile f;
    auto st = f.open(path, true);
    if (st != Status::Ok) return fromFile(f, st);
    if ((st = f.lockShared()) != Status::Ok) return fromFile(f, st);
    qint64 bytes = 0;
    if ((st = f.size(&bytes)) != Status::Ok) return fromFile(f, st);
    const auto [start, count] = pick(bytes / SeisekiRecord::Size);
    if (count > 0) st = f.readAt(start * SeisekiRecord::Size, count * SeisekiRecord::Size, data);
    f.unlock();
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

RecordFile::Result RecordFile::write(qint64 n, const SeisekiRecord& rec) const {
    LockedFile f;
    auto st = f.open(m_path, true);
    if (st != Status::Ok) return fromFile(f, st);
    if ((st = f.lockExclusive()) != Status::Ok) return fromFile(f, st);
    st = f.writeAt((n - 1) * SeisekiRecord::Size, rec.encode());
    f.unlock();
    return fromFile(f, st);
}

RecordFile::Result RecordFile::append(const SeisekiRecord& rec,
                                      const std::function<void()>& waitOneSecond) const {
    LockedFile f;
    // Runs one step until it no longer meets the lock.
    auto step = [&](auto&& op) {
        for (;;) {
            const Status st = op();
            if (st != Status::Locked) return st;
            waitOneSecond();
        }
    };
    Status st = step([&] { return f.open(m_path, true); });
    if (st != Status::Ok) return fromFile(f, st);
    if ((st = step([&] { return f.lockExclusive(); })) != Status::Ok) return fromFile(f, st);
    qint64 bytes = 0;
    if ((st = step([&] { return f.size(&bytes); })) != Status::Ok) return fromFile(f, st);
    // A partial tail is overwritten: the next record number comes from the whole records.
    const qint64 offset = (bytes / SeisekiRecord::Size) * SeisekiRecord::Size;
    const QByteArray data = rec.encode();
    if ((st = step([&] { return f.writeAt(offset, data); })) != Status::Ok) return fromFile(f, st);
    if ((st = step([&] { return f.unlock(); })) != Status::Ok) return fromFile(f, st);
    f.close();
    return {};
}

void AppendRecord(const QString& path, SeisekiRecord& recordBuffer, int bangou, int levelNo,
                  int resultTime, const QString& schoolCode, Services& s, int retryWaitMs) {
    recordBuffer.recordDate = oleDate(s.clock.today());
    recordBuffer.recordTimeOfDay = wholeSecondTimeOfDay(s.clock.secondsSinceMidnight());
    recordBuffer.recordBangou = static_cast<qint16>(bangou);
    recordBuffer.recordLevel = static_cast<qint16>(levelNo);
    recordBuffer.recordTime = resultTime;
    recordBuffer.recordSchoolCode = fixedCp932Field(schoolCode, SeisekiRecord::TextWidth);
    recordBuffer.recordName = QByteArray(SeisekiRecord::TextWidth, ' ');
    recordBuffer.recordScore = fixedCp932Field(QStringLiteral("0"), SeisekiRecord::TextWidth);
    const RecordFile file(path);
    auto RecordRetryWait = [&] { s.events.waitWithEvents(retryWaitMs); };
    const RecordFile::Result r = file.append(recordBuffer, RecordRetryWait);
    if (!r.ok()) {
        s.dialogs.message(QStringLiteral("成績ランダムファイル記録") + r.errorText);
        s.screens.unloadAll();
        s.program.endProgram(1);
    }
}

} // namespace kz
