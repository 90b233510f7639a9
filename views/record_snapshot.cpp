#include "record_snapshot.h"

namespace kz {

QString readRecordSnapshot(const QString& path, Services& s, int waitMs, RecordSnapshot* out) {
    const RecordFile file(path);
    QByteArray bytes;
    qint64 first = 1;
    for (;;) {
        const RecordFile::Result r = file.readTailBytes(RecordSnapshot::MaxRecords, &first, &bytes);
        if (r.ok()) break;
        if (r.status == RecordFile::Status::Locked) {
            s.events.waitWithEvents(waitMs);
            continue;
        }
        *out = RecordSnapshot();
        return QStringLiteral("成績ランダムファイル表示 ") + r.errorText + u'\n' + path;
    }
    *out = RecordSnapshot(std::move(bytes));
    return {};
}

} // namespace kz
