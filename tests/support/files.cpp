#include "files.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

namespace kz::test {

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

int pdfPageCount(const QString& path) {
    if (!QFileInfo(path).isFile()) return -1; // none, or a folder
#ifdef Q_OS_WIN
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page[^s]"));
    return static_cast<int>(QString::fromLatin1(bytesOf(path)).count(page));
#else
    const QString pdfinfo = QStandardPaths::findExecutable(QStringLiteral("pdfinfo"));
    if (pdfinfo.isEmpty()) {
        qWarning("pdfinfo is missing: scripts/install-deps installs poppler-utils");
        return -1;
    }
    QProcess p;
    p.start(pdfinfo, {path});
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return -1;
    static const QRegularExpression pages(QStringLiteral("^Pages:\\s+(\\d+)\\s*$"),
                                          QRegularExpression::MultilineOption);
    const QRegularExpressionMatch m = pages.match(QString::fromLocal8Bit(p.readAllStandardOutput()));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
#endif
}

} // namespace kz::test
