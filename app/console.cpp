#include "console.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace kz {

#ifdef _WIN32
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
#else
bool useStartingConsole() { return true; }
#endif

void printLine(const QString& line, std::FILE* stream) {
    const QString text = line + u'\n';
#ifdef _WIN32
    const HANDLE out = GetStdHandle(stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    DWORD mode = 0, written = 0;
    if (GetConsoleMode(out, &mode)) {
        WriteConsoleW(out, text.utf16(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    // A file or pipe gets the ANSI code page, whose Japanese one has the horizontal bar but no
    // em dash.
    std::fputs(QString(text).replace(u'\u2014', u'\u2015').toLocal8Bit().constData(), stream);
#else
    std::fputs(text.toLocal8Bit().constData(), stream);
#endif
    std::fflush(stream);
}

} // namespace kz
