#pragma once
// A PDF file that is reported saved only when it is on disk whole: a painter's end() says
// nothing of the file, which a full disk or a lost share leaves cut short or empty.
#include <functional>
#include <QString>

class QPdfWriter;

namespace kz {

// Opens path, lets paint draw the document on a writer to it (false: the drawing failed), and
// checks what is on disk: written without an error, not empty, ending with the PDF trailer.
// Returns an empty text when the file was saved, otherwise the problem in a few words with the
// system's own text; the caller names the file. The file is left where it is either way.
QString writePdfFile(const QString& path, const std::function<bool(QPdfWriter&)>& paint);

} // namespace kz
