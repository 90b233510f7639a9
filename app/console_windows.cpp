#include "console.h"

#include <windows.h>

namespace kz {

static bool attached(DWORD which) {
    const HANDLE h = GetStdHandle(which);
    return h && h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_UNKNOWN;
}

bool useStartingConsole() {
    if (attached(STD_OUTPUT_HANDLE)) return true;
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return false;
    [[maybe_unused]] FILE* out = std::freopen("CONOUT$", "w", stdout);
    [[maybe_unused]] FILE* err = std::freopen("CONOUT$", "w", stderr);
    return true;
}

void printLine(const QString& line, std::FILE* stream) {
    const QString text = line + u'\n';
    const HANDLE out = GetStdHandle(stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    DWORD mode = 0, written = 0;
    if (GetConsoleMode(out, &mode)) {
        WriteConsoleW(out, text.utf16(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    // A file or pipe gets the ANSI code page, whose Japanese one has the horizontal bar but no
    // em dash.
    std::fputs(QString(text).replace(u'\u2014', u'\u2015').toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

} // namespace kz
