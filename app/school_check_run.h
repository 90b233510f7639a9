#pragma once

class QString;

namespace kz {

// `kazutobi --check`: no window; checks the school from this computer and prints one line per
// finding. Returns the exit status (0 all well, 1 would not start or could not record, 2
// warnings only).
bool wantsSchoolCheck(int argc, char** argv);
int runSchoolCheck(int argc, char** argv);

// One line to standard output, in the console's or the system's encoding (a Windows program
// writes to the command prompt it was started from).
void printLine(const QString& line);
#ifdef _WIN32
// Writes standard output to the command prompt the program was started from, if any.
void useStartingConsole();
#endif

} // namespace kz
