#include "school.h"

#include "fakes.h"
#include "files.h"
#include "shell/ole_date.h"
#include "shell/text_codec.h"

#include <QDir>
#include <QFile>

namespace kz::test {

QString TempSchool::defaultCriteria() {
    return QStringLiteral("目標Time,最低Time,ｸﾘｱﾎﾟｲﾝﾄ,ｸﾘｱ回数,ﾎﾟｲﾝﾄ倍率,禁回,禁点,判期間,禁期間,,,\r\n"
                          "55,80,60,5,1,20,0,7,3,,,\r\n"
                          "45,65,60,5,1.2,20,0,7,3,,,\r\n"
                          "35,55,60,5,1.5,20,0,7,3,,,\r\n"
                          "27,45,60,5,2,0,0,7,3,,,\r\n");
}

TempSchool::TempSchool(int pupils, bool teacher, const QDate& today) {
    QDir().mkpath(programDir());
    QDir().mkpath(dataFolder());
    writeCp932(m_dir.path() + QStringLiteral("/パスデータ.txt"), basePath() + QStringLiteral(",,,,,,,,,\r\n"));
    writeCommon(QStringLiteral("4,12345テスト小学校,0,0,0,1234,,,,\r\n"));
    const int schoolYear = today.year() - (today.month() < 4 ? 1 : 0);
    QString roster;
    for (int n = 1; n <= pupils; ++n)
        roster += QStringLiteral("%1,%2,0,0,せいと%3,0,,\r\n").arg(n).arg(schoolYear - 6 - (1 + (n - 1) % 9)).arg(n);
    if (teacher)
        roster += QStringLiteral("100,1980,0,0,★先生,0,,\r\n");
    writeRoster(roster);
    writeCp932(basePath() + QStringLiteral("音フォルダ/新音ファイル.txt"),
               QStringLiteral("正解音2,ok1,ok2,*\r\n間違い音2,ng,*\r\n自己最高音2,self,*\r\n不合格音1,fail,*\r\n"));
    writeCriteria(defaultCriteria());
    writeFile(recordPath(), QByteArray());
}

void TempSchool::writeCriteria(const QString& text) {
    writeCp932(dataFolder() + QStringLiteral("タイム回数データ.txt"), text);
}
void TempSchool::writeRoster(const QString& text) { writeCp932(basePath() + QStringLiteral("新名簿.txt"), text); }
void TempSchool::writeCommon(const QString& text) { writeCp932(basePath() + QStringLiteral("共通データ.txt"), text); }

void TempSchool::addRecord(const SeisekiRecord& r) {
    QFile f(recordPath());
    if (f.open(QIODevice::Append))
        f.write(r.encode());
}

QByteArray TempSchool::recordBytes() const {
    return bytesOf(recordPath());
}

void TempSchool::addRecords(int count, int pupils, const QDate& today, int daysBack) {
    QByteArray out;
    out.reserve(count * SeisekiRecord::Size);
    quint32 seed = 12345;
    auto next = [&seed] { seed = seed * 1103515245u + 12345u; return (seed >> 8) & 0xFFFFFF; };
    for (int i = 0; i < count; ++i) {
        SeisekiRecord r;
        r.recordDate = oleDate(today) - int(next() % (daysBack + 1));
        r.recordTimeOfDay = oleTimeOfDay(9 * 3600 + next() % 20000);
        r.recordBangou = static_cast<qint16>(1 + next() % pupils);
        r.recordLevel = static_cast<qint16>(1 + next() % 4);
        r.recordTime = next() % 40 == 0 ? 99999 : int(15 + next() % 60);
        r.recordSchoolCode = QByteArray("12345");
        r.recordScore = QByteArray("0    ");
        out += r.encode();
    }
    QFile f(recordPath());
    if (f.open(QIODevice::Append))
        f.write(out);
}

} // namespace kz::test
