// Writes the demo school beside the build: the path file, the common data, roster, criteria
// and sound-name files in CP932 (from the UTF-8 sources in demo/source), our own wave tones,
// and some weeks of generated runs so that every list has content.
//   make_demo_school SOURCE_DIR DEMO_DIR
// The record file is only generated when it is missing, so runs made in the demo are kept.
#include "records/configuration.h"
#include "records/record_file.h"
#include "shell/ole_date.h"
#include "shell/text_codec.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QTextStream>
#include <QtEndian>

#include <cmath>
#include <cstdio>
#include <random>

using namespace kz;

namespace {

QString readUtf8(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        std::exit(1);
    }
    return QString::fromUtf8(f.readAll());
}

void writeText(const QString& path, QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\n', QStringLiteral("\r\n"));
    bool ok = true;
    encodeCp932(text, &ok);
    const QString error = writeCp932File(path, text);
    if (!ok || !error.isEmpty()) {
        std::fprintf(stderr, "cannot write %s %s\n", qPrintable(path), qPrintable(error));
        std::exit(1);
    }
}

// A tone sequence: (frequency Hz, milliseconds) pairs, 22050 Hz mono 16-bit, soft edges.
void writeWave(const QString& path, const std::vector<std::pair<double, int>>& notes, double volume = 0.35) {
    const int rate = 22050;
    QByteArray samples;
    for (const auto& [freq, ms] : notes) {
        const int n = rate * ms / 1000;
        for (int i = 0; i < n; ++i) {
            const double t = double(i) / rate;
            const double edge = std::min({1.0, i / (rate * 0.005), (n - i) / (rate * 0.02)});
            double v = 0;
            if (freq > 0)
                v = (std::sin(2 * M_PI * freq * t) + 0.3 * std::sin(4 * M_PI * freq * t)) / 1.3;
            const qint16 s = static_cast<qint16>(v * edge * volume * 32767);
            char b[2];
            qToLittleEndian(s, b);
            samples.append(b, 2);
        }
    }
    QByteArray wav;
    auto u32 = [&wav](quint32 v) { char b[4]; qToLittleEndian(v, b); wav.append(b, 4); };
    auto u16 = [&wav](quint16 v) { char b[2]; qToLittleEndian(v, b); wav.append(b, 2); };
    wav.append("RIFF");
    u32(36 + quint32(samples.size()));
    wav.append("WAVEfmt ");
    u32(16);
    u16(1);
    u16(1);
    u32(rate);
    u32(rate * 2);
    u16(2);
    u16(16);
    wav.append("data");
    u32(quint32(samples.size()));
    wav.append(samples);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(wav) != wav.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
}

struct Pupil {
    int number;
    int grade;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: make_demo_school SOURCE_DIR DEMO_DIR\n");
        return 2;
    }
    const QString source = QString::fromLocal8Bit(argv[1]) + u'/';
    const QString demo = QDir(QString::fromLocal8Bit(argv[2])).absolutePath() + u'/';
    const QString share = demo + QStringLiteral("share/");
    const QString data = share + QStringLiteral("kazutobi/");
    const QString sounds = share + QStringLiteral("音フォルダ/");
    QDir().mkpath(data);
    QDir().mkpath(sounds);

    const QString pathError = writePathFile(demo + QStringLiteral("パスデータ.txt"), share);
    if (!pathError.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(pathError));
        return 1;
    }
    const QString common = readUtf8(source + QStringLiteral("共通データ.txt"));
    writeText(share + QStringLiteral("共通データ.txt"), common);
    writeText(data + QStringLiteral("タイム回数データ.txt"), readUtf8(source + QStringLiteral("タイム回数データ.txt")));
    writeText(sounds + QStringLiteral("新音ファイル.txt"), readUtf8(source + QStringLiteral("新音ファイル.txt")));

    // Roster: grades become birth years of the current school year (it begins in April).
    const QDate today = QDate::currentDate();
    const int schoolYear = today.year() - (today.month() < 4 ? 1 : 0);
    QString roster;
    std::vector<Pupil> pupils;
    for (const QString& line : readUtf8(source + QStringLiteral("名簿.txt")).split(u'\n')) {
        if (line.trimmed().isEmpty() || line.startsWith(u'#'))
            continue;
        const QStringList f = line.trimmed().split(u',');
        if (f.size() < 4)
            continue;
        const int number = f[0].toInt();
        const int grade = f[1].toInt();
        const int birthYear = schoolYear - grade - 6;
        roster += QStringLiteral("%1,%2,0,0,%3,%4,,\n").arg(number).arg(birthYear).arg(f[2], f[3]);
        if (grade >= 1 && grade <= 9)
            pupils.push_back({number, grade});
    }
    writeText(share + QStringLiteral("新名簿.txt"), roster);

    // Tones of our own: short ones for the drill (they block it), longer ones for the results.
    writeWave(sounds + QStringLiteral("pinpon1.wav"), {{1318.5, 120}, {1046.5, 200}});
    writeWave(sounds + QStringLiteral("pinpon2.wav"), {{1568.0, 110}, {1318.5, 190}});
    writeWave(sounds + QStringLiteral("buu.wav"), {{196.0, 450}}, 0.3);
    writeWave(sounds + QStringLiteral("警告1.wav"), {{880.0, 70}, {0, 30}, {880.0, 70}});
    writeWave(sounds + QStringLiteral("fanfare.wav"), {{523.3, 150}, {659.3, 150}, {784.0, 150}, {1046.5, 500}});
    writeWave(sounds + QStringLiteral("最高1.wav"), {{784.0, 120}, {1046.5, 120}, {1318.5, 120}, {1568.0, 500}});
    writeWave(sounds + QStringLiteral("合格.wav"), {{523.3, 200}, {523.3, 120}, {784.0, 500}});
    writeWave(sounds + QStringLiteral("jiko1.wav"), {{659.3, 120}, {784.0, 120}, {1046.5, 350}});
    writeWave(sounds + QStringLiteral("jiko2.wav"), {{587.3, 120}, {880.0, 350}});
    writeWave(sounds + QStringLiteral("zannen.wav"), {{392.0, 200}, {370.0, 200}, {349.2, 400}}, 0.3);

    // History: school days of the last four weeks and today, a few runs a day per pupil, faster
    // pupils on the faster levels. Deterministic, so every demo looks alike.
    const QString recordPath = data + QStringLiteral("成績累積データ.dat");
    if (!QFile::exists(recordPath)) {
        std::mt19937 rng(20261209u);
        const int passTime[5] = {0, 55, 45, 35, 27};
        QByteArray out;
        int count = 0;
        for (int back = 28; back >= 0; --back) {
            const QDate day = today.addDays(-back);
            if (day.dayOfWeek() >= 6)
                continue;
            for (const Pupil& p : pupils) {
                if (std::uniform_int_distribution<int>(0, 99)(rng) < 35)
                    continue; // not every pupil practises every day
                const int runs = std::uniform_int_distribution<int>(1, 4)(rng);
                const int topLevel = std::min(4, 1 + p.grade / 3);
                for (int r = 0; r < runs; ++r) {
                    SeisekiRecord rec;
                    rec.recordDate = oleDate(day);
                    const double seconds = 8.5 * 3600 + std::uniform_int_distribution<int>(0, 7 * 3600)(rng);
                    rec.recordTimeOfDay = oleTimeOfDay(seconds);
                    rec.recordBangou = static_cast<qint16>(p.number);
                    const int level = std::uniform_int_distribution<int>(1, topLevel)(rng);
                    rec.recordLevel = static_cast<qint16>(level);
                    // Pupils get a little faster over the weeks; one run in 25 times out.
                    const double skill = 1.35 - 0.012 * (28 - back) - 0.02 * p.grade;
                    std::normal_distribution<double> spread(passTime[level] * skill, passTime[level] * 0.18);
                    int time = std::max(passTime[level] / 2, int(std::lround(spread(rng))));
                    if (std::uniform_int_distribution<int>(0, 24)(rng) == 0)
                        time = 99999;
                    rec.recordTime = time;
                    rec.recordSchoolCode = fixedCp932Field(common.section(u',', 1, 1).left(5), 5);
                    rec.recordName = QByteArray(5, ' ');
                    rec.recordScore = fixedCp932Field(QStringLiteral("0"), 5);
                    out += rec.encode();
                    ++count;
                }
            }
        }
        QFile f(recordPath);
        if (!f.open(QIODevice::WriteOnly) || f.write(out) != out.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(recordPath));
            return 1;
        }
        std::printf("demo school: %d generated runs\n", count);
    }
    std::printf("demo school written to %s\n", qPrintable(demo));
    return 0;
}
