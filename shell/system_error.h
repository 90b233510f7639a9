#pragma once
#include <QString>

class QFileDevice;

namespace kz {

// The text of an operating-system error (errno on Linux, a GetLastError code on Windows) for a
// message: for the common causes a short Japanese explanation first, so that a teacher knows
// what to do, then the system's own text in parentheses, which the school's IT person can
// look up. Every message of the file layer takes its error text from here.
QString systemErrorText(int code);

// The system's own text alone, in the system's language.
QString systemOwnErrorText(int code);

// Qt's file classes keep only the system's text, in English. The code the failed call left is
// read right after it (cleared before it, so that an old code is never taken for it):
//   clearSystemError(); if (!file.open(...)) return failedFileText(file);
void clearSystemError();
int lastSystemError();
// The failure's text as systemErrorText gives it, or Qt's own when the system left no code.
QString failedFileText(const QFileDevice& file);

} // namespace kz
