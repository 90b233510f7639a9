#include "console.h"

namespace kz {

bool useStartingConsole() {
    return true; // a terminal program keeps the one it was started from
}

void printLine(const QString& line, std::FILE* stream) {
    std::fputs((line + u'\n').toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

} // namespace kz
