#pragma once
// Opens and read calls of the record file as the program makes them, counted where it makes
// them: a hundred reads through one open count a hundred.
#include "records/record_file.h"

#include <utility>

namespace kz::test {

class RecordReadCounter {
public:
    // Opens and reads since construction or the last call.
    std::pair<int, int> take() {
        const RecordReads now = recordReadsSoFar();
        const std::pair<int, int> out(static_cast<int>(now.opens - m_last.opens),
                                      static_cast<int>(now.reads - m_last.reads));
        m_last = now;
        return out;
    }

private:
    RecordReads m_last = recordReadsSoFar();
};

} // namespace kz::test
