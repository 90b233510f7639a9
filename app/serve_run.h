#pragma once

namespace kz {

// `kazutobi --serve [--no-window] [--listen ADDRESS:PORT]`: the browser drill's server on this
// computer's view of the school's shared folder. Returns the exit status.
bool wantsServe(int argc, char** argv);
int runServe(int argc, char** argv);

} // namespace kz
