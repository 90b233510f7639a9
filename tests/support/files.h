#pragma once
// Files as a test looks at them: their bytes, and a PDF file's pages as a reader counts them.
#include <QByteArray>
#include <QString>

namespace kz::test {

// The whole file; empty when it cannot be read.
QByteArray bytesOf(const QString& path);

// The pages pdfinfo (poppler-utils) reads in a PDF file; -1 when the file is missing or no
// reader takes it. Where pdfinfo cannot run (the Windows build under Wine), the page objects
// of the file are counted instead.
int pdfPageCount(const QString& path);

} // namespace kz::test
