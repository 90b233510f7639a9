#pragma once

namespace kz {

// `kazutobi --check`: no window; checks the school from this computer and prints one line per
// finding. Returns the exit status (0 all well, 1 would not start or could not record, 2
// warnings only).
bool wantsSchoolCheck(int argc, char** argv);
int runSchoolCheck(int argc, char** argv);

} // namespace kz
