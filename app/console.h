#pragma once
#include <QString>

#include <cstdio>

namespace kz {

// Text of a program that opens no window (the set-up check, the installer's path-file step).
// A windowed Windows program has no console of its own: this takes the console, file or pipe
// it was started with, or else the command prompt it was started from. False when there is
// none (started from the desktop): its text would be lost.
bool useStartingConsole();

// One line to the console (the characters themselves, whatever its code page) or to a file
// or pipe in the system's encoding.
void printLine(const QString& line, std::FILE* stream = stdout);

} // namespace kz
