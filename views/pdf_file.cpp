#include "pdf_file.h"

#include "shell/system_error.h"

#include <QFile>
#include <QPdfWriter>

namespace kz {

namespace {

// The end of a whole PDF file: its trailer's last mark, with at most a line end after it.
bool endsWithTrailer(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.size() == 0) return false;
    f.seek(std::max<qint64>(0, f.size() - 32));
    return f.readAll().trimmed().endsWith("%%EOF");
}

} // namespace

QString writePdfFile(const QString& path, const std::function<bool(QPdfWriter&)>& paint) {
    QFile file(path);
    clearSystemError();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QStringLiteral("ファイルを作れません（%1）").arg(failedFileText(file));
    bool drawn = false;
    {
        QPdfWriter pdf(&file);
        drawn = paint(pdf);
    }
    // Writes the writer left in the buffer; a failure of this or of any earlier write stays
    // in the file's error.
    clearSystemError();
    file.close();
    if (file.error() != QFileDevice::NoError)
        return QStringLiteral("書き込めませんでした（%1）").arg(failedFileText(file));
    if (!drawn) return QStringLiteral("ページを描けませんでした");
    if (QFile(path).size() == 0) return QStringLiteral("空のファイルになりました");
    if (!endsWithTrailer(path)) return QStringLiteral("ファイルが途中で切れています");
    return {};
}

} // namespace kz
