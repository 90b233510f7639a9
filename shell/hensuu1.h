#pragma once
#include "field_reader.h"

#include <QString>
#include <array>

namespace kz {

constexpr int kLevelSlots = 36;     // levels 0..35; 0 is never a level
constexpr int kStudentSlots = 5001; // students 0..5000; 0 is nobody
constexpr int kTimedOut = 99999;    // run time of a timed-out run, and "no best time yet"

// The program-wide shared state every screen and model reads and writes. One instance per
// process, owned by the application and handed to everything by reference.
struct Hensuu1 {
    // Current student (set by the name screen)
    int Bangou = 0;
    QString studentName;
    QString studentGrade;
    int usageStartTime = 0; // whole seconds since midnight when the name was confirmed
    qint64 usageStartTick = 0; // monotonic tick at the same moment, so minutes never go negative
    QString programTitle;
    int seasonColour = 0; // 0xBBGGRR

    // Levels
    int levelCount = 0;
    std::array<QString, kLevelSlots> levelNames{};
    std::array<int, kLevelSlots> levelRecorded{};
    int LevelNo = 0;
    int todayRunTotal = 0;

    // Run state (written by the drill, reset by StartRun)
    int problemsPerRun = 0;
    int correctCount = 0;
    int plusKeyState = 0; // 0 typing, 1 correction shown, 2 first "+" pressed
    int judging = 0;
    int judgement = 0; // 0 none, 1 correct, 2 wrong
    float runStartTime = 0;
    qint64 runStartTick = 0; // monotonic tick of run start, moved 20000 ms back per wrong answer
    int elapsedSeconds = 0;
    int timeoutSeconds = 0;
    double barScale = 0;
    int runFinished = 0;
    int recordingStarted = 0;
    int runEndReason = 0; // 0 normal end, 1 timed out
    int resultTime = 0;

    // Folders, each ending with "/"
    QString programPath;
    QString programFolderName;
    QString basePath;
    QString dataFolder;
    QString soundFolder;
    std::array<QString, 10> pathSpare{}; // 1..9

    // Common data
    Field commonLine1; // month the school year begins
    QString schoolLine;
    QString schoolCode; // five characters or empty
    Field commonLine3;
    Field commonLine4;
    Field commonLine6; // the teacher's data-change password
    std::array<Field, 7> commonSpare{}; // 1, 3..6

    // Name-screen grade filter, shared with the level menu's filter
    QString gradeFilter = QStringLiteral("全学年");
    // Leftmost level column of the level menu (1-based)
    int firstColumn = 0;
};

// Folder names used by the configuration and every file reader.
namespace files {
inline const QString pathFile = QStringLiteral("パスデータ.txt");
inline const QString commonData = QStringLiteral("共通データ.txt");
inline const QString criteria = QStringLiteral("タイム回数データ.txt");
inline const QString records = QStringLiteral("成績累積データ.dat");
inline const QString recordsTemp = QStringLiteral("成績累積データtemp.dat");
inline const QString roster = QStringLiteral("新名簿.txt");
inline const QString soundFolder = QStringLiteral("音フォルダ");
inline const QString soundNames = QStringLiteral("新音ファイル.txt");
// Beside the program: what went wrong where no screen was left to say it.
inline const QString log = QStringLiteral("kazutobi.log");
} // namespace files

// A pupil counts as a teacher when the name holds "★" or "先生".
inline bool isTeacherName(const QString& name) {
    return name.contains(QStringLiteral("★")) || name.contains(QStringLiteral("先生"));
}

// A level whose name holds "練" is a practice level.
inline bool isPracticeLevel(const QString& levelName) { return levelName.contains(QStringLiteral("練")); }

} // namespace kz
