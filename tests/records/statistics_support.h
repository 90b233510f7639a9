#pragma once
// Record files and criteria for the statistics, availability and result tests.
#include "records/criteria_table.h"
#include "records/record_file.h"
#include "shell/ole_date.h"
#include "support/fakes.h"

#include <QDate>
#include <vector>

namespace kz::test {

inline SeisekiRecord makeRecord(const QDate& date, int bangou, int level, int time) {
    SeisekiRecord r;
    r.recordDate = oleDate(date);
    r.recordTimeOfDay = oleTimeOfDay(9 * 3600);
    r.recordBangou = static_cast<qint16>(bangou);
    r.recordLevel = static_cast<qint16>(level);
    r.recordTime = time;
    r.recordScore = QByteArray("0    ");
    return r;
}

inline void writeRecords(const QString& path, const std::vector<SeisekiRecord>& records) {
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(records.size()) * SeisekiRecord::Size);
    for (const SeisekiRecord& r : records)
        bytes += r.encode();
    writeFile(path, bytes);
}

// The editor's heading line, then the given level lines.
inline CriteriaTable makeCriteria(const QString& levelLines) {
    CriteriaTable c;
    const QString error = c.read(QStringLiteral(
               "目標Time,最低Time,ｸﾘｱﾎﾟｲﾝﾄ,ｸﾘｱ回数,ﾎﾟｲﾝﾄ倍率,禁回,禁点,判期間,禁期間,,,\r\n") +
           levelLines);
    if (!error.isEmpty()) qFatal("criteria of the test: %s", qPrintable(error));
    return c;
}

} // namespace kz::test
