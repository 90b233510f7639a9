#pragma once
// The last records of the shared record file as one read brought them: the statistics scan and
// the view of one refresh share it, so a refresh reads the file once.
#include "records/record_file.h"
#include "shell/services.h"

#include <QByteArray>

namespace kz {

class RecordSnapshot {
public:
    static constexpr int MaxRecords = 20000;

    RecordSnapshot() = default;
    // bytes: whole 44-byte records, the last of the file last.
    explicit RecordSnapshot(QByteArray bytes) : m_bytes(std::move(bytes)) {}

    int size() const { return static_cast<int>(m_bytes.size() / SeisekiRecord::Size); }
    SeisekiRecord::Numbers at(int i) const {
        return SeisekiRecord::decodeNumbers(m_bytes.constData() +
                                            qsizetype(i) * SeisekiRecord::Size);
    }
    // Index of the first of the last n records.
    int firstOfLast(int n) const { return size() > n ? size() - n : 0; }

    const QByteArray& bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

// Reads the last MaxRecords records in one read (open, shared lock, read, unlock, close). A
// lock held by another computer waits waitMs with events running and tries again; any other
// failure returns a message with "成績ランダムファイル表示", the error text and the file.
QString readRecordSnapshot(const QString& path, Services& s, int waitMs, RecordSnapshot* out);

} // namespace kz
