// The set-up check: the real program with --check on copies of the demo school, each broken in
// one way, gives that fault's line and exit status and leaves every school file as it was; and
// the check alone, with the sound device, fonts and disk stood in for.
#include "check/school_check.h"
#include "platform/locked_file.h"
#include "shell/ole_date.h"
#include "shell/text_codec.h"
#include "support/fakes.h"
#include "support/school.h"

#include <QDirIterator>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#ifndef _WIN32
#include <unistd.h>
#endif

using namespace kz;

namespace {

enum class Break {
    None,
    RosterFiveFields,
    Records100Bytes,
    RecordsReadOnly,
    MissingCorrectSound,
    CriteriaNotCp932,
    CriteriaWordInLine3,
    CriteriaTwoLevelRows,
    RecordFromTomorrow,
    LeftoverTemporary,
    NoRecordFile,
    BaseFolderMissing,
    LockHeld,
    DataFolderReadOnly,
    SystemSoundDriver,
};

bool copyTree(const QString& from, const QString& to) {
    QDirIterator it(from, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString target = to + file.mid(from.size());
        if (!QDir().mkpath(QFileInfo(target).absolutePath()) || !QFile::copy(file, target))
            return false;
    }
    return true;
}

// Every file under root: its bytes and its modification time.
QMap<QString, QPair<QByteArray, QDateTime>> snapshot(const QString& root) {
    QMap<QString, QPair<QByteArray, QDateTime>> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        f.open(QIODevice::ReadOnly);
        files.insert(f.fileName(), {f.readAll(), QFileInfo(f).lastModified()});
    }
    return files;
}

// Opens every folder and file of the tree to other users, so that one can run the check.
[[maybe_unused]] void openToEveryone(const QString& root) {
    QFile(root).setPermissions(QFileDevice::Permissions(0x7755));
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo fi(it.next());
        QFile(fi.filePath())
            .setPermissions(fi.isDir() ? QFileDevice::Permissions(0x7755)
                                       : QFileDevice::Permissions(0x7644) | fi.permissions());
    }
}

QString lineWith(const QString& output, const QString& text) {
    for (const QString& line : output.split(u'\n'))
        if (line.contains(text)) return line;
    return {};
}

struct FakeProbes {
    test::FakeClock clock;
    bool device = true;
    QString font = QStringLiteral("IPAGothic");
    qint64 free = 1LL << 40;
    QString undecodable; // file name whose decoding fails
    CheckProbes probes() {
        return {clock,
                [this] {
                    return device ? PlayResult{} : PlayResult{263, QStringLiteral("no device")};
                },
                [this](const QString& path) {
                    return path.endsWith(u'/' + undecodable)
                               ? PlayResult{275, QStringLiteral("not a Waveform file")}
                               : PlayResult{};
                },
                [this] { return font; },
                [this](const QString&) { return free; },
                200};
    }
};

} // namespace

class SchoolCheckTests : public QObject {
    Q_OBJECT
private slots:
    void demoCopies_data();
    void demoCopies();
    void probes_data();
    void probes();
};

void SchoolCheckTests::demoCopies_data() {
    QTest::addColumn<Break>("fault");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("mark");
    QTest::addColumn<QString>("text");
    QTest::newRow("demo school") << Break::None << 0 << "[OK]"
                                 << "名前の一覧に";
    QTest::newRow("roster line of five fields")
        << Break::RosterFiveFields << 2 << "[注意] 新名簿.txt"
        << "項目が 5 個";
    QTest::newRow("record file of 100 bytes")
        << Break::Records100Bytes << 2 << "[注意] 成績ファイル"
        << "末尾の 12 バイト";
    QTest::newRow("read-only record file")
        << Break::RecordsReadOnly << 1 << "[エラー] 成績ファイルへの記録"
        << "書き込みで開けません";
    QTest::newRow("missing correct sound")
        << Break::MissingCorrectSound << 1 << "[エラー] 音ファイル"
        << "pinpon2.wav";
    QTest::newRow("criteria not CP932") << Break::CriteriaNotCp932 << 1 << "[エラー] 基準ファイル"
                                        << "CP932";
    QTest::newRow("criteria word in line 3")
        << Break::CriteriaWordInLine3 << 1 << "[エラー] 基準ファイル"
        << "先生用の基準編集でレベル2 の「目標Time」のセルを直して記録してください";
    QTest::newRow("criteria of two levels")
        << Break::CriteriaTwoLevelRows << 1 << "[エラー] 基準ファイル"
        << "4 行目（レベル3 の行）がありません（レベル3「速い」は始められません）";
    QTest::newRow("record dated tomorrow")
        << Break::RecordFromTomorrow << 2 << "[注意] このコンピューターの日付"
        << "より後です";
    QTest::newRow("leftover temporaries")
        << Break::LeftoverTemporary << 2 << "[注意] 残った一時ファイル"
        << "成績累積データ.dat.new-pc7-4242-x1";
    QTest::newRow("no record file yet") << Break::NoRecordFile << 0 << "[OK] 成績ファイル"
                                        << "最初の記録のときに作られます";
    QTest::newRow("base folder missing") << Break::BaseFolderMissing << 1 << "[エラー] 基本フォルダ"
                                         << "見つかりません";
    QTest::newRow("lock held elsewhere") << Break::LockHeld << 2 << "[注意] 成績ファイル"
                                         << "ロックしたまま";
    QTest::newRow("data folder takes no new files")
        << Break::DataFolderReadOnly << 1 << "[エラー] データフォルダへの新しいファイル"
        << "新しいファイルを作れません: このユーザーには書き込み";
    // Whatever the computer's sound, the output is the check's lines alone (status: any).
    QTest::newRow("the system's sound driver") << Break::SystemSoundDriver << -1 << "["
                                               << "音声装置";
}

void SchoolCheckTests::demoCopies() {
    QFETCH(Break, fault);
    QFETCH(int, status);
    QFETCH(QString, mark);
    QFETCH(QString, text);

    QTemporaryDir dir;
    const QString root = dir.path();
    const QString share = root + QStringLiteral("/share/");
    const QString data = share + QStringLiteral("kazutobi/");
    const QString records = data + QStringLiteral("成績累積データ.dat");
    QVERIFY(copyTree(QStringLiteral(KAZUTOBI_DEMO "/share"), root + QStringLiteral("/share")));
    QVERIFY(QDir().mkpath(root + QStringLiteral("/kazutobi")));
    const QString program =
        root + QStringLiteral("/kazutobi/") + QFileInfo(QStringLiteral(KAZUTOBI_PROGRAM)).fileName();
    QVERIFY(QFile::copy(QStringLiteral(KAZUTOBI_PROGRAM), program));
    test::writeCp932(root + QStringLiteral("/パスデータ.txt"),
                     share + QStringLiteral(",,,,,,,,,\r\n"));

    QStringList prefix; // the command that runs the program as another user
    LockedFile holder;
    switch (fault) {
    case Break::None:
        break;
    case Break::RosterFiveFields: {
        QFile f(share + QStringLiteral("新名簿.txt"));
        QVERIFY(f.open(QIODevice::Append));
        f.write(
            "4999,2015,0,0,\x82\xa0\r\n"); // number, birth year, two spares, a name: five fields
        break;
    }
    case Break::Records100Bytes:
        QVERIFY(QFile::resize(records, 100));
        break;
    case Break::RecordsReadOnly:
    case Break::DataFolderReadOnly:
        // Root writes whatever the permissions say: the check runs as "nobody" then.
#ifndef _WIN32
        if (::geteuid() == 0) {
            const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
            if (setpriv.isEmpty())
                QSKIP("running as root without setpriv: a read-only file cannot refuse a write");
            openToEveryone(root);
            prefix = {setpriv, QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                      QStringLiteral("--clear-groups")};
        }
#endif
        if (fault == Break::DataFolderReadOnly) {
            // The record file stays writable for everyone: only the folder refuses.
            QVERIFY(QFile(records).setPermissions(QFileDevice::Permissions(0x6666)));
            QVERIFY(QFile(data).setPermissions(QFileDevice::Permissions(0x5555)));
#ifdef _WIN32
            if (QFile probe(data + QStringLiteral("probe")); probe.open(QIODevice::WriteOnly))
                QSKIP("the folder's read-only attribute does not stop this user");
#endif
            break;
        }
        QVERIFY(QFile(records).setPermissions(QFileDevice::ReadOwner | QFileDevice::ReadGroup |
                                              QFileDevice::ReadOther));
#ifdef _WIN32
        if (QFile probe(records); probe.open(QIODevice::ReadWrite))
            QSKIP("the read-only attribute does not stop this user (Wine run by root)");
#endif
        break;
    case Break::SystemSoundDriver:
        break;
    case Break::MissingCorrectSound:
        QVERIFY(QFile::remove(share + QStringLiteral("音フォルダ/pinpon2.wav")));
        break;
    case Break::CriteriaNotCp932: {
        QFile f(data + QStringLiteral("タイム回数データ.txt"));
        QVERIFY(f.open(QIODevice::Append));
        f.write("25,40,\xff\xfe,5,1,,,,,,,\r\n");
        break;
    }
    case Break::CriteriaWordInLine3:
    case Break::CriteriaTwoLevelRows: {
        const QString criteria = data + QStringLiteral("タイム回数データ.txt");
        QStringList lines = readCp932File(criteria).text.split(QStringLiteral("\r\n"));
        QVERIFY(lines.size() >= 5);
        if (fault == Break::CriteriaWordInLine3)
            lines[2] = QStringLiteral("abc") + lines[2].mid(lines[2].indexOf(u','));
        else
            lines = lines.mid(0, 3) << QString();
        test::writeCp932(criteria, lines.join(QStringLiteral("\r\n")));
        break;
    }
    case Break::RecordFromTomorrow: {
        SeisekiRecord r;
        r.recordDate = oleDate(QDate::currentDate().addDays(1));
        r.recordBangou = 1;
        r.recordLevel = 1;
        r.recordTime = 30;
        QFile f(records);
        QVERIFY(f.open(QIODevice::Append));
        f.write(r.encode());
        break;
    }
    case Break::LeftoverTemporary:
        test::writeFile(data + QStringLiteral("成績累積データ.dat.new-pc7-4242-x1"),
                        QByteArray(44, '\0'));
        break;
    case Break::NoRecordFile:
        QVERIFY(QFile::remove(records));
        break;
    case Break::BaseFolderMissing:
        test::writeCp932(root + QStringLiteral("/パスデータ.txt"),
                         root + QStringLiteral("/nowhere/,,,,,,,,,\r\n"));
        break;
    case Break::LockHeld:
        // Another computer in the middle of a record, for longer than the check waits.
        QCOMPARE(holder.open(records, false), LockedFile::Status::Ok);
        QCOMPARE(holder.lockExclusive(), LockedFile::Status::Ok);
        break;
    }
    const auto before = snapshot(root);

    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (fault == Break::SystemSoundDriver)
        env.remove(QStringLiteral("SDL_AUDIODRIVER"));
    else
        env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
    p.setProcessEnvironment(env);
    const QStringList command = prefix + QStringList{program, QStringLiteral("--check")};
    p.start(command.first(), command.mid(1));
    QVERIFY(p.waitForFinished(30000));
    const QString out = QString::fromLocal8Bit(p.readAllStandardOutput()); // the system's encoding
    const QString line = lineWith(out, text);
    QVERIFY2(line.startsWith(mark), qPrintable(out));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    if (status >= 0) QVERIFY2(p.exitCode() == status, qPrintable(out));
    // A school's IT person reads every line as the check's: nothing else is printed.
    const QByteArray errors = p.readAllStandardError();
    QVERIFY2(errors.isEmpty(), errors.constData());
    const QStringList lines = out.trimmed().split(u'\n');
    for (qsizetype i = 1; i + 1 < lines.size(); ++i)
        QVERIFY2(lines[i].startsWith(u'['), qPrintable(out));
    QVERIFY2(snapshot(root) == before, "a school file changed");
}

void SchoolCheckTests::probes_data() {
    QTest::addColumn<qint64>("free");
    QTest::addColumn<bool>("device");
    QTest::addColumn<QString>("font");
    QTest::addColumn<QString>("undecodable");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("line");
    const qint64 tenMb = 10 * 1024 * 1024;
    const QString none;
    QTest::newRow("all well") << tenMb << true << "IPAGothic" << none << 0 << "[OK] 共有の空き";
    QTest::newRow("1 byte short of 10 MB")
        << tenMb - 1 << true << "IPAGothic" << none << 2 << "[注意] 共有の空き";
    QTest::newRow("free space unknown")
        << qint64(-1) << true << "IPAGothic" << none << 2 << "[注意] 共有の空き";
    QTest::newRow("no audio device")
        << tenMb << false << "IPAGothic" << none << 1 << "[エラー] 音声装置";
    QTest::newRow("no Japanese font")
        << tenMb << true << "" << none << 2 << "[注意] 日本語の固定幅フォント";
    QTest::newRow("wrong sound undecodable") << tenMb << true << "IPAGothic"
                                             << "ng.wav" << 1 << "[エラー] 音ファイル";
    QTest::newRow("fail sound undecodable") << tenMb << true << "IPAGothic"
                                            << "fail.wav" << 2 << "[注意] 音ファイル";
}

void SchoolCheckTests::probes() {
    QFETCH(qint64, free);
    QFETCH(bool, device);
    QFETCH(QString, font);
    QFETCH(QString, undecodable);
    QFETCH(int, status);
    QFETCH(QString, line);
    test::TempSchool school(5);
    for (const char* wave : {"ok1", "ok2", "ng", "self", "fail", "最高1", "合格", "警告1"})
        test::writeFile(school.basePath() + QStringLiteral("音フォルダ/") +
                            QString::fromUtf8(wave) + QStringLiteral(".wav"),
                        QByteArray("RIFF"));
    FakeProbes fake;
    fake.free = free;
    fake.device = device;
    fake.font = font;
    fake.undecodable = undecodable;
    QStringList out;
    const int got = checkSchool(school.programDir(), fake.probes(),
                                [&](const CheckLine& l) { out << checkLineText(l); });
    const QString all = out.join(u'\n');
    QVERIFY2(!lineWith(all, line).isEmpty(), qPrintable(all));
    QVERIFY2(got == status, qPrintable(all));
}

QTEST_GUILESS_MAIN(SchoolCheckTests)
#include "school_check_tests.moc"
