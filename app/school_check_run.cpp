#include "school_check_run.h"

#include "app/console.h"
#include "check/school_check.h"
#include "platform/sdl_sound_output.h"
#include "platform/system_services.h"
#include "shell/ui/form.h"
#include "version.h"

#include <QGuiApplication>
#include <QStorageInfo>
#include <QSysInfo>

#include <cstdio>
#include <cstring>
#include <optional>

namespace kz {

bool wantsSchoolCheck(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--check") == 0) return true;
    return false;
}

static void print(const QString& line) { printLine(line); }

// The Japanese family the name list and the drill's list get, from the forms' own font.
static QString japaneseFixedFont() {
    return japaneseGothicIn(fixedPitchFont(japaneseGothicFamilies()));
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
    // The check's lines are all it prints: Qt's own notes about this session (a missing
    // runtime folder under another user's login) would read as findings. Fatal ones stay.
    static QtMessageHandler standard = nullptr;
    standard = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& text) {
            if (type == QtFatalMsg && standard) standard(type, context, text);
        });
    QGuiApplication app(argc, argv);
    SystemClock clock;
    // Made at the first probe, with the sound library's own complaints kept out of the check's
    // output: its error text is reported in the check's line.
    std::optional<SdlSoundOutput> sound;
    const auto quietly = [&](const std::function<PlayResult()>& probe) {
        PlayResult r;
        withQuietStandardError([&] {
            if (!sound) sound.emplace();
            r = probe();
        });
        return r;
    };
    const CheckProbes probes{
        clock, [&] { return quietly([&] { return sound->ensureDevice(); }); },
        [&](const QString& path) { return quietly([&] { return sound->decode(path); }); },
        japaneseFixedFont, freeBytes};
    print(QStringLiteral("カズトビ１ %1.%2.%3 の設置の確認（コンピューター %4）")
              .arg(version::major)
              .arg(version::minor)
              .arg(version::revision)
              .arg(QSysInfo::machineHostName()));
    int errors = 0, warnings = 0;
    const int status =
        checkSchool(QCoreApplication::applicationDirPath(), probes, [&](const CheckLine& line) {
            errors += line.kind == CheckLine::Kind::Error;
            warnings += line.kind == CheckLine::Kind::Warning;
            print(checkLineText(line));
        });
    print(QStringLiteral("結果: エラー %1 件、注意 %2 件（終了コード %3）")
              .arg(errors)
              .arg(warnings)
              .arg(status));
    return status;
}

} // namespace kz
