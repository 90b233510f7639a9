#pragma once
// Where comparison pages go when no printer takes them: safe PDF file names and a message that
// names every file saved and every file that could not be saved.
#include <functional>
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace kz {

// Text usable inside a file name on Linux and Windows: path separators, the characters Windows
// refuses (\ / : * ? " < > |) and control characters become "_".
QString safeFileNamePart(const QString& text);

// "比較グラフ_<number>_<name>_<yyyyMMdd_HHmmss>", without an extension.
QString comparisonPdfBaseName(int bangou, const QString& name, const QDateTime& stamp);

// folder/base + suffix, or with "(2)", "(3)" … after the base when such a file exists.
QString uniqueFilePath(const QString& folder, const QString& base, const QString& suffix,
                       const std::function<bool(const QString&)>& exists);

// One message for a print order whose pages went to PDF files: why, what was saved, what was
// not; each file on a line of its own.
QString pdfReport(const QString& problem, const QStringList& saved, const QStringList& failed);

} // namespace kz
