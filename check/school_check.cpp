#include "school_check.h"

#include "media/sounds.h"
#include "platform/locked_file.h"
#include "records/configuration.h"
#include "records/criteria_table.h"
#include "records/record_file.h"
#include "school/roster.h"
#include "shell/ole_date.h"
#include "shell/startup.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

#include <algorithm>

namespace kz {

QString checkLineText(const CheckLine& l) {
    static const char16_t* const marks[] = {u"[OK]", u"[注意]", u"[エラー]"};
    QString t = QString::fromUtf16(marks[static_cast<int>(l.kind)]) + u' ' + l.subject;
    if (!l.path.isEmpty()) t += QStringLiteral(": ") + QDir::toNativeSeparators(l.path);
    if (!l.detail.isEmpty()) t += QStringLiteral(" — ") + l.detail;
    if (!l.advice.isEmpty()) t += QStringLiteral(" → ") + l.advice;
    return t;
}

namespace {

using Kind = CheckLine::Kind;
using Status = LockedFile::Status;

// The latest date a record can carry and still name a day (31 December 9999).
constexpr double kLastOleDate = 2958465.0;
// Records read for the newest date: as many as the screens read at most.
constexpr qint64 kNewestScanned = 20000;
// The correct and wrong sounds: four failures in a row end the program.
bool kindIsCounted(int kind) {
    return kind == 2 || kind == 4;
}

QString day(const QDate& d) {
    return d.toString(QStringLiteral("yyyy/MM/dd"));
}

class Checker {
public:
    Checker(const CheckProbes& probes, const std::function<void(const CheckLine&)>& report)
        : m_probes(probes), m_report(report) {}

    int run(const QString& programDir) {
        if (!pathAndCommonData(programDir)) return status();
        prepareLevels(m_h);
        criteria();
        SoundTable sounds;
        const bool soundTable = soundNames(sounds);
        roster();
        recordFile();
        newFilesInDataFolder();
        leftoverTemporaries();
        if (soundTable) soundFiles(sounds);
        audioDevice();
        font();
        freeSpace();
        clock();
        return status();
    }

private:
    void say(Kind kind, const QString& subject, const QString& path, const QString& detail,
             const QString& advice = {}) {
        m_worst = std::max(m_worst, kind);
        m_report({kind, subject, path, detail, advice});
    }
    int status() const { return m_worst == Kind::Error ? 1 : m_worst == Kind::Warning ? 2 : 0; }

    // Where a file the start-up reads went wrong: missing, unreadable, or its content.
    static QString fileAdvice(const QString& path, const QString& contentAdvice) {
        const QFileInfo fi(path);
        if (!fi.exists())
            return QStringLiteral("%1 にこのファイルを置いてください")
                .arg(QDir::toNativeSeparators(fi.absolutePath()));
        if (!fi.isReadable())
            return QStringLiteral(
                "このコンピューターのユーザーに共有とファイルの読み取りを許可してください");
        return contentAdvice;
    }

    bool pathAndCommonData(const QString& programDir) {
        const QString error = loadPathAndCommonData(m_h, programDir);
        const QString pathFile =
            QDir::cleanPath(m_h.programPath + QStringLiteral("../") + files::pathFile);
        if (m_h.basePath.isEmpty()) {
            say(Kind::Error, files::pathFile, pathFile, error,
                fileAdvice(pathFile,
                           QStringLiteral(
                               "CP932 で、1 項目目に共有フォルダを書き、10 項目そろえてください")));
            return false;
        }
        say(Kind::Ok, files::pathFile, pathFile,
            QStringLiteral("基本フォルダは %1").arg(m_h.basePath));
        const QFileInfo base(m_h.basePath);
        if (!base.isDir()) {
            say(Kind::Error, QStringLiteral("基本フォルダ"), m_h.basePath,
                base.exists() ? QStringLiteral("フォルダではありません")
                              : QStringLiteral("見つかりません"),
#ifdef _WIN32
                QStringLiteral("このコンピューターのエクスプローラーでその共有フォルダが開けるか、"
                               "パスデータ.txt の 1 項目目が正しいかを確かめてください"));
#else
                QStringLiteral("共有がマウントされているか、パスデータ.txt の 1 "
                               "項目目が正しいかを確かめてください"));
#endif
            return false;
        }
        say(Kind::Ok, QStringLiteral("基本フォルダ"), m_h.basePath, QStringLiteral("あります"));
        const QString common = m_h.basePath + files::commonData;
        if (!error.isEmpty()) {
            say(Kind::Error, files::commonData, common, error,
                fileAdvice(common, QStringLiteral("CP932 で 10 項目そろえてください")));
            // The folders follow from the path file alone: the later files can still be checked.
            m_h.programFolderName = lastFolderName(m_h.programPath);
            m_h.dataFolder = m_h.basePath + m_h.programFolderName + u'/';
            m_h.soundFolder = m_h.basePath + files::soundFolder + u'/';
        } else {
            say(Kind::Ok, files::commonData, common,
                QStringLiteral("学校コード「%1」、年度は %2 月から")
                    .arg(m_h.schoolCode, m_h.commonLine1.toText()));
        }
        return true;
    }

    void criteria() {
        const QString path = m_h.dataFolder + files::criteria;
        CriteriaTable table;
        const QString error = LoadCriteriaFile(table, path);
        if (!error.isEmpty()) {
            say(Kind::Error, QStringLiteral("基準ファイル"), path, error,
                fileAdvice(path, QStringLiteral("CP932 で、1 行 12 項目にしてください")));
            return;
        }
        // The program starts with such a file, but keeps the levels of these rows closed.
        const std::vector<CriteriaProblem> problems = criteriaProblems(table, m_h.levelCount);
        for (const CriteriaProblem& p : problems) {
            const QString closed = p.row >= 1 && p.row <= m_h.levelCount
                                       ? QStringLiteral("（レベル%1「%2」は始められません）")
                                             .arg(QString::number(p.row), m_h.levelNames[p.row])
                                       : QString();
            say(Kind::Error, QStringLiteral("基準ファイル"), path, p.detail + closed, p.advice);
        }
        if (!problems.empty()) return;
        QStringList zero;
        for (int level = 1; level <= m_h.levelCount; ++level)
            if (table.minimumTime[level] <= 0) zero << m_h.levelNames[level];
        if (!zero.isEmpty()) {
            say(Kind::Warning, QStringLiteral("基準ファイル"), path,
                QStringLiteral(
                    "最低Time が 0 のレベルがあります: %1（始めてすぐ時間切れになります）")
                    .arg(zero.join(u'、')),
                QStringLiteral("先生用の基準編集でそのレベルの「最低Time」を入れてください"));
            return;
        }
        say(Kind::Ok, QStringLiteral("基準ファイル"), path,
            QStringLiteral("%1 レベル分あります").arg(m_h.levelCount));
    }

    bool soundNames(SoundTable& table) {
        const QString path = m_h.soundFolder + files::soundNames;
        const QString error = LoadSoundNames(table, m_h.soundFolder);
        if (!error.isEmpty()) {
            say(Kind::Error, files::soundNames, path, error,
                fileAdvice(path,
                           QStringLiteral(
                               "CP932 で、種類の名前、ファイル名、\"*\" の並びにしてください")));
            return false;
        }
        say(Kind::Ok, files::soundNames, path, QStringLiteral("読めます"));
        return true;
    }

    void roster() {
        const QString path = m_h.basePath + files::roster;
        RosterTables tables;
        const RosterReading reading =
            readRosterFile(path, tables, m_probes.clock.today(), m_h.commonLine1.toNumber(),
                           commonLine3Lists(m_h.commonLine3) ? 1 : 0);
        if (!reading.ok()) {
            say(Kind::Error, files::roster, path, reading.error,
                fileAdvice(path, QStringLiteral("CP932 で保存しなおしてください")));
            return;
        }
        if (!reading.problems.empty()) {
            // The message the name screen shows, its lines joined: the first names the file.
            QStringList lines = rosterProblemsMessage(reading, path).split(u'\n');
            lines.removeFirst();
            say(Kind::Warning, files::roster, path,
                QStringLiteral("%1 行を名前の一覧に入れません: %2")
                    .arg(reading.problems.size())
                    .arg(lines.join(QStringLiteral("、"))),
                QStringLiteral(
                    "その行を 8 項目（番号,生まれ年,0,0,名前,表示,,）に直してください。番号は "
                    "0～5000"));
            return;
        }
        say(Kind::Ok, files::roster, path,
            QStringLiteral("名前の一覧に %1 人").arg(reading.listed.size()));
    }

    // Takes the lock the way the program does, but gives up after the probe's wait.
    template <typename Lock> Status lockWithin(LockedFile& f, Lock lock, double* tookMs) {
        constexpr int kStepMs = 20;
        QElapsedTimer t;
        t.start();
        const Status st = untilUnlocked([&] { return (f.*lock)(); },
                                        [] { QThread::msleep(kStepMs); },
                                        m_probes.lockWaitMs / kStepMs);
        *tookMs = t.nsecsElapsed() / 1e6;
        return st;
    }

    // Another computer keeps the lock: perhaps only a long erase, perhaps one stopped mid-record.
    void heldLock(const QString& subject, const QString& path, double tookMs) {
        say(Kind::Warning, subject, path,
            QStringLiteral("他のコンピューターが %1 ミリ秒以上ロックしたままです")
                .arg(qRound(tookMs)),
            QStringLiteral("記録の途中で止まったコンピューターがないか確かめてください。"
                           "その間どのコンピューターも記録できません"));
    }

    void refusedLock(const QString& subject, const QString& path, const LockedFile& f) {
        say(Kind::Error, subject, path, QStringLiteral("ロックできません（%1）").arg(f.errorText()),
#ifdef _WIN32
            QStringLiteral("この共有はバイト範囲ロックを受け付けていません。ファイルサーバーの共有"
                           "の設定でロックを許してください（パスデータ.txt は \\\\サーバー\\共有\\ "
                           "の形で、オフラインファイルを使わずに）"));
#else
            QStringLiteral("この共有はバイト範囲ロックを受け付けていません。ロックの使える設定でマ"
                           "ウントしなおしてください"));
#endif
    }

    void recordFile() {
        const QString path = m_h.dataFolder + files::records;
        const QString subject = QStringLiteral("成績ファイル");
        if (!QFileInfo::exists(path)) {
            const QFileInfo folder(m_h.dataFolder);
            if (!folder.isDir())
                say(Kind::Error, subject, path,
                    QStringLiteral("フォルダ %1 がありません").arg(m_h.dataFolder),
                    QStringLiteral("基本フォルダにプログラムのフォルダと同じ名前「%"
                                   "1」のフォルダを作ってください")
                        .arg(m_h.programFolderName));
            else if (!newFileProblem().isEmpty())
                say(Kind::Error, subject, path,
                    QStringLiteral("まだなく、フォルダに書き込めないので作れません"),
                    QStringLiteral(
                        "このコンピューターのユーザーにフォルダへの書き込みを許可してください"));
            else
                say(Kind::Ok, subject, path,
                    QStringLiteral("まだありません。最初の記録のときに作られます"));
            return;
        }

        LockedFile reader;
        qint64 bytes = 0;
        double took = 0;
        QByteArray whole;
        Status st = reader.openReadOnly(path);
        if (st == Status::Ok) st = reader.size(&bytes);
        const qint64 records = bytes / SeisekiRecord::Size;
        if (st == Status::Ok) {
            st = lockWithin(reader, &LockedFile::lockShared, &took);
            if (st == Status::Locked) {
                heldLock(subject, path, took);
                return;
            }
            if (st != Status::Ok) {
                refusedLock(subject, path, reader);
                return;
            }
            // The newest runs are at the end; the screens read no more than these either.
            const qint64 first = std::max<qint64>(0, records - kNewestScanned);
            st = reader.readAt(first * SeisekiRecord::Size, (records - first) * SeisekiRecord::Size,
                               &whole);
            reader.unlock();
        }
        if (st != Status::Ok) {
            say(Kind::Error, subject, path,
                QStringLiteral("読めません（%1）").arg(reader.errorText()),
                QStringLiteral(
                    "このコンピューターのユーザーに共有とファイルの読み書きを許可してください"));
            return;
        }
        reader.close();
        for (qint64 at = 0; at + SeisekiRecord::Size <= whole.size(); at += SeisekiRecord::Size) {
            const auto n = SeisekiRecord::decodeNumbers(whole.constData() + at);
            if (SeisekiRecord::isValidForStatistics(n.date, n.bangou, n.level) &&
                n.date <= kLastOleDate)
                m_newestDate = std::max(m_newestDate, n.date);
        }
        const qint64 tail = bytes % SeisekiRecord::Size;
        if (tail != 0)
            say(Kind::Warning, subject, path,
                QStringLiteral("%1 バイト: 記録 %2 件と、記録にならない末尾の %3 バイト")
                    .arg(bytes)
                    .arg(records)
                    .arg(tail),
                QStringLiteral(
                    "書き込みが途中で止まった跡です。次の記録がその %1 バイトに上書きされるので、"
                    "気になるときはファイルを控えておいてください")
                    .arg(tail));
        else
            say(Kind::Ok, subject, path,
                QStringLiteral("記録 %1 件（%2 バイト）、読めます").arg(records).arg(bytes));

        // Open for writing and take the write lock as an append does; nothing is written.
        const QString writing = QStringLiteral("成績ファイルへの記録");
        LockedFile writer;
        st = writer.open(path, false);
        if (st != Status::Ok) {
            say(Kind::Error, writing, path,
                QStringLiteral("書き込みで開けません（%1）").arg(writer.errorText()),
                QStringLiteral(
                    "読み取り専用になっていないか、このコンピューターのユーザーに共有とファイルへの"
                    "書き込みが許可されているかを確かめてください"));
            return;
        }
        st = lockWithin(writer, &LockedFile::lockExclusive, &took);
        if (st == Status::Ok) {
            writer.unlock();
            say(Kind::Ok, writing, path,
                QStringLiteral("書き込みで開け、ロックに %1 ミリ秒").arg(took, 0, 'f', 3));
        } else if (st == Status::Locked) {
            heldLock(writing, path, took);
        } else {
            refusedLock(writing, path, writer);
        }
    }

    // What stops a new file in the data folder, found by making one (empty: nothing). The
    // only write of the check: a uniquely named file, removed at once. A folder's attributes
    // are not asked, as a Windows share may call a folder read-only that takes new files.
    const QString& newFileProblem() {
        if (!m_newFileTried) m_newFileProblem = tryNewFileBeside(m_h.dataFolder + files::records);
        m_newFileTried = true;
        return m_newFileProblem;
    }

    // The teacher's erase and the criteria save write a new file beside the old one and rename
    // it over the old: a folder that refuses new files stops both, even with every file
    // writable.
    void newFilesInDataFolder() {
        if (!QFileInfo(m_h.dataFolder).isDir()) return; // the record file's line says so
        const QString subject = QStringLiteral("データフォルダへの新しいファイル");
        if (newFileProblem().isEmpty()) {
            say(Kind::Ok, subject, m_h.dataFolder,
                QStringLiteral("作って消せます（記録の消去と基準の保存に使います）"));
            return;
        }
        say(Kind::Error, subject, m_h.dataFolder, newFileProblem(),
            QStringLiteral("このコンピューターのユーザーに、このフォルダでのファイルの作成と削除を"
                           "許可してください。記録の消去と基準の保存ができません"));
    }

    // Files a replacement of the record or criteria file leaves behind when it is stopped.
    void leftoverTemporaries() {
        QStringList found;
        const QStringList names =
            QDir(m_h.dataFolder).entryList(QDir::Files | QDir::Hidden | QDir::System);
        for (const QString& name : names)
            if (name == files::recordsTemp ||
                name.startsWith(files::records + QStringLiteral(".new")) ||
                name.startsWith(files::criteria + QStringLiteral(".new")))
                found << name;
        if (found.isEmpty()) {
            say(Kind::Ok, QStringLiteral("残った一時ファイル"), m_h.dataFolder,
                QStringLiteral("ありません"));
            return;
        }
        say(Kind::Warning, QStringLiteral("残った一時ファイル"), m_h.dataFolder,
            found.join(QStringLiteral("、")),
            QStringLiteral(
                "消去か保存が途中で止まった跡です。どのコンピューターもプログラムを動かしていない"
                "ときに中身を確かめて消してください"));
    }

    void soundFiles(const SoundTable& table) {
        struct Wanted {
            QString file;
            bool counted;
        };
        std::vector<Wanted> wanted;
        auto want = [&](const QString& file, bool counted) {
            auto it = std::find_if(wanted.begin(), wanted.end(),
                                   [&](const Wanted& w) { return w.file == file; });
            if (it == wanted.end())
                wanted.push_back({file, counted});
            else
                it->counted = it->counted || counted;
        };
        for (int kind = 1; kind <= SoundTable::Kinds; ++kind) {
            // A kind without a count plays its first file (Names limits a count written by hand).
            const int n = std::clamp(table.count(kind), 1, SoundTable::Names);
            bool any = false;
            for (int j = 1; j <= n; ++j) {
                if (table.soundNames[kind][j].isEmpty()) continue;
                any = true;
                want(table.soundNames[kind][j] + QStringLiteral(".wav"), kindIsCounted(kind));
            }
            if (!any && kindIsCounted(kind))
                say(Kind::Error, QStringLiteral("音「%1」").arg(table.soundNames[kind][0]),
                    m_h.soundFolder + files::soundNames,
                    QStringLiteral("ファイルが一つも書かれていません"),
                    QStringLiteral(
                        "この音が 4 回続けて鳴らないとプログラムが終わります。ファイル名と \"*\" "
                        "を書いてください"));
        }
        for (const char16_t* fixed : {u"最高1.wav", u"合格.wav", u"警告1.wav"})
            want(QString::fromUtf16(fixed), false);

        int good = 0;
        for (const Wanted& w : wanted) {
            const QString path = m_h.soundFolder + w.file;
            QString problem;
            if (!QFileInfo::exists(path)) {
                problem = QStringLiteral("ありません");
            } else {
                const PlayResult r = m_probes.decodeWave(path);
                if (r.code != 0)
                    problem = QStringLiteral("音として読めません（%1）").arg(r.errorText);
            }
            if (problem.isEmpty()) {
                ++good;
                continue;
            }
            say(w.counted ? Kind::Error : Kind::Warning, QStringLiteral("音ファイル"), path,
                problem,
                w.counted ? QStringLiteral(
                                "正解か間違いの音です。4 回続けて鳴らないとプログラムが終わるので、"
                                "ファイルを置くか新音ファイル.txt から外してください")
                          : QStringLiteral("ファイルを置くか新音ファイル.txt "
                                           "から外してください（鳴らないだけです）"));
        }
        if (good == static_cast<int>(wanted.size()))
            say(Kind::Ok, QStringLiteral("音ファイル"), m_h.soundFolder,
                QStringLiteral("%1 ファイルすべて読めます").arg(good));
    }

    void audioDevice() {
        const PlayResult r = m_probes.openAudioDevice();
        if (r.code != 0)
            say(Kind::Error, QStringLiteral("音声装置"), QString(), r.errorText,
                QStringLiteral("スピーカーかヘッドホンをつなぎ、音が出るか確かめてください。正解と"
                               "間違いの音が "
                               "4 回続けて鳴らないとプログラムが終わります"));
        else
            say(Kind::Ok, QStringLiteral("音声装置"), QString(), QStringLiteral("開けます"));
    }

    void font() {
        const QString family = m_probes.japaneseFixedFont();
        if (family.isEmpty())
            say(Kind::Warning, QStringLiteral("日本語の固定幅フォント"), QString(),
                QStringLiteral("IPAGothic も ＭＳ ゴシック "
                               "もありません（名前の一覧がそろわず、字が出ないこともあります）"),
#ifdef _WIN32
                QStringLiteral("日本語版 Windows の「ＭＳ ゴシック」を入れてください"));
#else
                QStringLiteral("パッケージ fonts-ipafont-gothic を入れてください"));
#endif
        else
            say(Kind::Ok, QStringLiteral("日本語の固定幅フォント"), QString(), family);
    }

    void freeSpace() {
        const qint64 free = m_probes.freeBytes(m_h.basePath);
        const QString subject = QStringLiteral("共有の空き");
        if (free < 0)
            say(Kind::Warning, subject, m_h.basePath, QStringLiteral("調べられません"),
                QStringLiteral("共有の空きが 10 MB 以上あるか、サーバーで確かめてください"));
        else if (free < kLowFreeSpaceBytes)
            say(Kind::Warning, subject, m_h.basePath,
                QStringLiteral("%1 KB しかありません").arg(free / 1024),
                QStringLiteral("10 MB "
                               "以上空けてください。記録の消去と基準の保存はファイルをまるごと書き"
                               "なおします"));
        else
            say(Kind::Ok, subject, m_h.basePath, QStringLiteral("%1 MB").arg(free / (1024 * 1024)));
    }

    void clock() {
        const QDate today = m_probes.clock.today();
        const QString subject = QStringLiteral("このコンピューターの日付");
        if (m_newestDate < 0) {
            say(Kind::Ok, subject, QString(),
                QStringLiteral("今日は %1（比べる記録はまだありません）").arg(day(today)));
            return;
        }
        const QDate newest = dateFromOle(m_newestDate);
        if (newest > today)
            say(Kind::Warning, subject, QString(),
                QStringLiteral(
                    "いちばん新しい記録の日付 %1 が、このコンピューターの今日 %2 より後です")
                    .arg(day(newest), day(today)),
                QStringLiteral(
                    "どれかのコンピューターの時計が進んでいるか、このコンピューターの時計が"
                    "遅れています。すべてのコンピューターの日付と時刻を合わせてください"));
        else
            say(Kind::Ok, subject, QString(),
                QStringLiteral("今日は %1、いちばん新しい記録は %2").arg(day(today), day(newest)));
    }

    const CheckProbes& m_probes;
    const std::function<void(const CheckLine&)>& m_report;
    Hensuu1 m_h;
    Kind m_worst = Kind::Ok;
    double m_newestDate = -1;
    bool m_newFileTried = false;
    QString m_newFileProblem;
};

} // namespace

int checkSchool(const QString& programDir, const CheckProbes& probes,
                const std::function<void(const CheckLine&)>& report) {
    return Checker(probes, report).run(programDir);
}

} // namespace kz
