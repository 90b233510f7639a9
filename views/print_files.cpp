#include "print_files.h"

#include <QDir>

namespace kz {

QString safeFileNamePart(const QString& text) {
    static const QString refused = QStringLiteral("\\/:*?\"<>|");
    QString out = text;
    for (QChar& c : out)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || refused.contains(c)) c = u'_';
    return out;
}

QString comparisonPdfBaseName(int bangou, const QString& name, const QDateTime& stamp) {
    return QStringLiteral("比較グラフ_%1_%2_%3")
        .arg(QString::number(bangou), safeFileNamePart(name),
             stamp.toString(QStringLiteral("yyyyMMdd_HHmmss")));
}

QString uniqueFilePath(const QString& folder, const QString& base, const QString& suffix,
                       const std::function<bool(const QString&)>& exists) {
    const QDir dir(folder);
    QString path = dir.filePath(base + suffix);
    for (int n = 2; exists(path); ++n)
        path = dir.filePath(base + u'(' + QString::number(n) + u')' + suffix);
    return path;
}

QString pdfReport(const QString& problem, const QStringList& saved, const QStringList& failed) {
    QStringList lines;
    if (!problem.isEmpty()) lines << problem;
    if (!saved.isEmpty()) {
        lines << QStringLiteral("印刷するかわりにPDFファイルに保存しました。");
        lines << saved;
    }
    if (!failed.isEmpty()) {
        lines << QStringLiteral("次のPDFファイルは保存できませんでした。");
        lines << failed;
    }
    return lines.join(u'\n');
}

} // namespace kz
