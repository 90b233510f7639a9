#pragma once
#include "shell/services.h"

#include <functional>
#include <QString>
#include <vector>

namespace kz {

// One finding of the set-up check: what was looked at, where, and, when something is wrong,
// what the school's IT person should do about it.
struct CheckLine {
    enum class Kind { Ok, Warning, Error };
    Kind kind = Kind::Ok;
    QString subject; // "成績ファイル"
    QString path;    // the file or folder looked at
    QString detail;  // what was found
    QString advice;  // what to do; empty when nothing is wrong
};

// The one printed line of a finding.
QString checkLineText(const CheckLine& line);

// The outside world the check asks, so that a test can stand in for the sound device, the
// fonts and the disk.
struct CheckProbes {
    const Clock& clock;
    std::function<PlayResult()> openAudioDevice;
    // Decodes a wave without playing it.
    std::function<PlayResult(const QString& path)> decodeWave;
    // The Japanese fixed-pitch family the forms would use, empty when there is none.
    std::function<QString()> japaneseFixedFont;
    // Bytes free on the disk that holds folder; negative when unknown.
    std::function<qint64(const QString& folder)> freeBytes;
    // How long the record file's lock may stay with another computer before it is reported.
    int lockWaitMs = 3000;
};

constexpr qint64 kLowFreeSpaceBytes = 10 * 1024 * 1024;

// Checks, from this computer, everything the program reads and writes at start and while a
// pupil runs, in the order the start-up needs it. No school file is created, changed or locked
// longer than the check of the record file's lock takes; the one thing written is a uniquely
// named file in the data folder, removed at once, to find a folder that refuses new files.
// Returns the exit status: 0 all well, 1 the program would not start or could not record,
// 2 warnings only.
int checkSchool(const QString& programDir, const CheckProbes& probes,
                const std::function<void(const CheckLine&)>& report);

} // namespace kz
