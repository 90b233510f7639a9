#pragma once
#include "shell/hensuu1.h"

#include <QString>

namespace kz {

struct Program;

// The whole start-up configuration: path and common data, program defaults, criteria, sound
// names. Returns an empty string, or a message naming the file and what is wrong; then no
// later step has run. Criteria rows the reader refuses or the file lacks stop nothing: their
// levels stay closed, and a message saying so is shown once.
QString LoadConfiguration(Program& p, const QString& programDir);

// Reads the path file and the common data file and derives the folders (the first steps of
// the start-up configuration). programDir is the executable's folder, with or without a
// trailing "/". Returns an empty string, or a message that names the file and the problem.
QString loadPathAndCommonData(Hensuu1& h, const QString& programDir);

// Splits a leading five-character school code off the school line: when the first five
// characters read as a number other than 0, they are the code and the rest is the line.
void splitSchoolCode(const QString& field, QString* schoolLine, QString* schoolCode);

// Last component of a folder path ("/x/y/Drill1/" -> "Drill1").
QString lastFolderName(const QString& folderPath);

// A folder path with exactly one trailing "/" (a trailing "\" counts as one).
QString withTrailingSeparator(const QString& folder);

// The path file of a program folder: パスデータ.txt in the folder above it.
QString pathFileOf(const QString& programDir);

// Writes the path file `file` naming the shared base folder, as the start-up reads it: CP932,
// ten fields on one CR LF line, the folder first with its trailing separator (added as the
// folder writes its separators: "\\server\kazutobi" gets a backslash) and nine empty fields.
// A folder the file cannot hold (empty, a quote or line break, characters outside CP932) writes
// nothing. Returns an empty string, or a message naming the file and the problem.
QString writePathFile(const QString& file, const QString& baseFolder);

} // namespace kz
