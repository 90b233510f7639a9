#include "path_file_run.h"

#include "app/console.h"
#include "records/configuration.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstring>

namespace kz {

static constexpr const char* kOption = "--write-path-file";

bool wantsPathFileWrite(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], kOption) == 0) return true;
    return false;
}

int runPathFileWrite(int argc, char** argv) {
    useStartingConsole();
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const qsizetype at = args.indexOf(QString::fromLatin1(kOption));
    if (at < 0 || at + 1 >= args.size()) {
        printLine(QStringLiteral("使い方: kazutobi --write-path-file 共有フォルダ"), stderr);
        return 1;
    }
    const QString file = pathFileOf(QCoreApplication::applicationDirPath());
    if (QFileInfo::exists(file)) {
        printLine(QStringLiteral("%1 はすでにあります。書き換えません")
                      .arg(QDir::toNativeSeparators(file)),
                  stderr);
        return 1;
    }
    const QString error = writePathFile(file, args[at + 1]);
    if (!error.isEmpty()) {
        printLine(error, stderr);
        return 1;
    }
    printLine(QStringLiteral("%1 を書きました").arg(QDir::toNativeSeparators(file)));
    return 0;
}

} // namespace kz
