#include "school_check_run.h"

#include "check/school_check.h"
#include "platform/sdl_sound_output.h"
#include "platform/system_services.h"
#include "shell/ui/form.h"
#include "version.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QStorageInfo>
#include <QSysInfo>

#include <cstdio>
#include <cstring>
#ifdef _WIN32
#include <windows.h>
#endif

namespace kz {

bool wantsSchoolCheck(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--check") == 0) return true;
    return false;
}

#ifdef _WIN32
// A windowed program gets no console of its own: the check writes to the command prompt it was
// started from, or to wherever its output was redirected.
void useStartingConsole() {
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out && out != INVALID_HANDLE_VALUE && GetFileType(out) != FILE_TYPE_UNKNOWN) return;
    if (AttachConsole(ATTACH_PARENT_PROCESS)) {
        [[maybe_unused]] FILE* reopened = std::freopen("CONOUT$", "w", stdout);
    }
}
#endif

void printLine(const QString& line) {
    const QString text = line + u'\n';
#ifdef _WIN32
    // A console takes the characters themselves, whatever its code page.
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0, written = 0;
    if (GetConsoleMode(out, &mode)) {
        WriteConsoleW(out, text.utf16(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
#endif
    // A file or pipe gets the system's encoding: UTF-8 here, the ANSI code page on Windows,
    // whose Japanese one has the horizontal bar but no em dash.
#ifdef _WIN32
    std::fputs(QString(text).replace(u'\u2014', u'\u2015').toLocal8Bit().constData(), stdout);
#else
    std::fputs(text.toLocal8Bit().constData(), stdout);
#endif
    std::fflush(stdout);
}

// The Japanese fixed-pitch family the name list and the drill's list pick first.
static QString japaneseFixedFont() {
    const QStringList have = QFontDatabase::families();
    for (const QString& f : japaneseGothicFamilies())
        if (have.contains(f, Qt::CaseInsensitive)) return f;
    return {};
}

static qint64 freeBytes(const QString& folder) {
    QStorageInfo disk(folder);
    return disk.isValid() && disk.isReady() ? disk.bytesAvailable() : -1;
}

int runSchoolCheck(int argc, char** argv) {
#ifdef _WIN32
    useStartingConsole();
#else
    // No window and perhaps no display (a terminal over the network): the offscreen platform
    // still asks fontconfig, as the screens do.
    qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    QGuiApplication app(argc, argv);
    SystemClock clock;
    SdlSoundOutput sound;
    const CheckProbes probes{clock, [&] { return sound.ensureDevice(); },
                             [&](const QString& path) { return sound.decode(path); },
                             japaneseFixedFont, freeBytes};
    printLine(QStringLiteral("カズトビ１ %1.%2.%3 の設置の確認（コンピューター %4）")
              .arg(version::major)
              .arg(version::minor)
              .arg(version::revision)
              .arg(QSysInfo::machineHostName()));
    int errors = 0, warnings = 0;
    const int status =
        checkSchool(QCoreApplication::applicationDirPath(), probes, [&](const CheckLine& line) {
            errors += line.kind == CheckLine::Kind::Error;
            warnings += line.kind == CheckLine::Kind::Warning;
            printLine(checkLineText(line));
        });
    printLine(QStringLiteral("結果: エラー %1 件、注意 %2 件（終了コード %3）")
              .arg(errors)
              .arg(warnings)
              .arg(status));
    return status;
}

} // namespace kz
