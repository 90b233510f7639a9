#pragma once

namespace kz {

// `kazutobi --write-path-file FOLDER`: no window; writes パスデータ.txt in the folder above the
// program's folder, naming FOLDER as the shared base folder, in the code page and format the
// program reads whatever the computer's own code page (the installer's step). An existing path
// file is the school's and stays as it is. Returns the exit status: 0 written, 1 not written
// (the reason on the console it was started with).
bool wantsPathFileWrite(int argc, char** argv);
int runPathFileWrite(int argc, char** argv);

} // namespace kz
