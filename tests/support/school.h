#pragma once
// A school on disk for tests and benchmarks: path file, common data, roster, sound names,
// criteria and a record file, in a temporary folder that goes away with the object.
#include "records/record_file.h"

#include <QDate>
#include <QTemporaryDir>

namespace kz::test {

class TempSchool {
public:
    // pupils: roster lines numbered 1..pupils (grades spread over 小１..中３), plus the teacher
    // "★先生" as number 100 when teacher is set.
    explicit TempSchool(int pupils = 10, bool teacher = true, const QDate& today = QDate(2026, 12, 9));

    QString programDir() const { return m_dir.path() + QStringLiteral("/kazutobi"); }
    QString basePath() const { return m_dir.path() + QStringLiteral("/share/"); }
    QString dataFolder() const { return basePath() + QStringLiteral("kazutobi/"); }
    QString recordPath() const { return dataFolder() + QStringLiteral("成績累積データ.dat"); }

    void writeCriteria(const QString& text);
    void writeRoster(const QString& text);
    void writeCommon(const QString& text);
    // Appends records: count runs of the students 1..pupils spread over the given days back.
    void addRecords(int count, int pupils, const QDate& today, int daysBack = 30);
    void addRecord(const SeisekiRecord& r);
    // The record file as it is on disk (empty when it cannot be read).
    QByteArray recordBytes() const;

    static QString defaultCriteria();

private:
    QTemporaryDir m_dir;
};

} // namespace kz::test
