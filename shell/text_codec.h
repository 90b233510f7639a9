#pragma once
#include <QByteArray>
#include <QString>

namespace kz {

// Code page 932 (Shift_JIS with the NEC and IBM extensions), the encoding of every text file
// and of the text fields of the record file.

// Decodes bytes; returns false (and leaves the offset of the first bad byte) when the bytes
// are not CP932, instead of slipping in replacement characters.
bool decodeCp932(const QByteArray& bytes, QString* out, qsizetype* badOffset = nullptr);

// Encodes text; characters CP932 cannot hold become "?" and make ok false.
QByteArray encodeCp932(const QString& text, bool* ok = nullptr);

// A fixed-width text field: CP932, left-aligned, padded with spaces or cut to width bytes.
// A cut never leaves half of a double-byte character behind (that byte becomes a space).
QByteArray fixedCp932Field(const QString& text, int width);

// Result of reading a whole text file: the text, or a message naming the file and the problem.
struct TextFile {
    QString text;
    QString error; // empty when the file was read
    bool ok() const { return error.isEmpty(); }
};
TextFile readCp932File(const QString& path);

// Writes text as CP932; returns an error message naming the file, or an empty string.
QString writeCp932File(const QString& path, const QString& text);

} // namespace kz
