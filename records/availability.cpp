#include "availability.h"

#include <algorithm>

namespace kz {

static bool isLevel(int level) {
    return level >= 1 && level < kLevelSlots;
}

bool levelClearedJudge(const CriteriaTable& c, const Statistics& st, int level, int bangou) {
    return isLevel(level) && st.pointsJudge(level, bangou) >= c.clearPoints[level] &&
           st.runCountJudge(level, bangou) >= c.clearCount[level];
}

bool levelClearedAll(const CriteriaTable& c, const Statistics& st, int level, int bangou) {
    return isLevel(level) && st.runCountAll(level, bangou) >= c.clearCount[level] &&
           st.pointsAll(level, bangou) >= c.clearPoints[level];
}

bool overPracticeReached(const CriteriaTable& c, const Statistics& st, int level, int bangou) {
    return isLevel(level) && c.overPracticeReached(level, st.runCountOver(level, bangou),
                                                   st.pointsOver(level, bangou));
}

LevelAvailability levelAvailability(int levelCount, const CriteriaTable& c, const Statistics& st,
                                    int bangou) {
    LevelAvailability a;
    // The menu has room for levels 1..35 only; the target level is the last of them.
    levelCount = std::min(levelCount, kLevelSlots - 1);
    const int target = levelCount;
    a.targetLevelCleared =
        target >= 1 && !c.closesLevel(target) && levelClearedJudge(c, st, target, bangou) ? 1 : 0;
    if (levelCount >= 1) a.enabled[1] = true;
    for (int i = 1; i < levelCount; ++i) {
        a.enabled[i + 1] = true;
        if (overPracticeReached(c, st, i, bangou) && a.targetLevelCleared == 0) {
            a.enabled[i] = false;
            a.refused[i] = true;
            a.closedText[i] = QStringLiteral("やりすぎ禁止");
        }
    }
    for (int i = 1; i <= levelCount; ++i)
        if (c.closesLevel(i)) {
            a.enabled[i] = false;
            a.closedText[i] = c.closedReason(i);
        }
    return a;
}

} // namespace kz
