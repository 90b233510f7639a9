#include "program.h"

#include "shell/text_codec.h"

#include <cstdio>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTime>

namespace kz {

Program::Program(Services& services) : s(services), sounds(soundTable, QString(), services) {}

namespace {
// Appends one CP932 line; false when the file cannot be written.
bool appendLine(const QString& path, const QString& line) {
    QFile f(path);
    if (path.isEmpty() || !f.open(QIODevice::WriteOnly | QIODevice::Append)) return false;
    const QByteArray bytes = encodeCp932(line + QStringLiteral("\r\n"));
    return f.write(bytes) == bytes.size() && f.flush();
}
} // namespace

void Program::endRecordKeeping(bool atOnce) {
    const std::vector<ReplacedFiles::Unmoved> unmoved =
        replacedFiles.finish([this](int ms) { s.events.sleep(ms); }, atOnce, NoticeMs + EndMarginMs);
    if (unmoved.empty()) return;
    QStringList texts;
    for (const ReplacedFiles::Unmoved& u : unmoved)
        texts << unmovedText(u);
    const QString when = s.clock.today().toString(QStringLiteral("yyyy/MM/dd ")) +
                         QTime::fromMSecsSinceStartOfDay(
                             static_cast<int>(s.clock.secondsSinceMidnight() * 1000) % 86'400'000)
                             .toString(QStringLiteral("HH:mm:ss "));
    // The program's folder may be closed to pupils' accounts (an installed program): then the
    // user's own data folder.
    QString line = when + texts.join(u' ');
    line.replace(u'\n', u' ');
    const QString fallback = QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation))
                                 .filePath(files::log);
    if (!appendLine(logFilePath(), line) &&
        !(QDir().mkpath(QFileInfo(fallback).absolutePath()) && appendLine(fallback, line)))
        std::fprintf(stderr, "%s\n", qUtf8Printable(line));
    if (!atOnce) s.dialogs.notice(texts.join(u'\n'), NoticeMs);
}

} // namespace kz
