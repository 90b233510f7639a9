#pragma once
#include <QString>

namespace kz {

// The text of an operating-system error (errno on Linux, a GetLastError code on Windows) for a
// message: for the common causes a short Japanese explanation first, so that a teacher knows
// what to do, then the system's own text in parentheses, which the school's IT person can
// look up. Every message of the file layer takes its error text from here.
QString systemErrorText(int code);

// The system's own text alone, in the system's language.
QString systemOwnErrorText(int code);

} // namespace kz
