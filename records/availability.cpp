#include "availability.h"

namespace kz {

bool levelClearedJudge(const CriteriaTable& c, const Statistics& st, int level, int bangou) {
    return st.pointsJudge(level, bangou) >= c.clearPoints[level] &&
           st.runCountJudge(level, bangou) >= c.clearCount[level];
}

bool levelClearedAll(const CriteriaTable& c, const Statistics& st, int level, int bangou) {
    return st.runCountAll(level, bangou) >= c.clearCount[level] &&
           st.pointsAll(level, bangou) >= c.clearPoints[level];
}

bool overPracticeReached(const CriteriaTable& c, const Statistics& st, int level, int bangou) {
    return c.overPracticeReached(level, st.runCountOver(level, bangou), st.pointsOver(level, bangou));
}

LevelAvailability levelAvailability(int levelCount, const CriteriaTable& c, const Statistics& st,
                                    int bangou) {
    LevelAvailability a;
    const int target = levelCount;
    a.targetLevelCleared = target >= 1 && levelClearedJudge(c, st, target, bangou) ? 1 : 0;
    if (levelCount >= 1)
        a.enabled[1] = true;
    for (int i = 1; i < levelCount && i + 1 < kLevelSlots; ++i) {
        a.enabled[i + 1] = true;
        if (overPracticeReached(c, st, i, bangou) && a.targetLevelCleared == 0) {
            a.enabled[i] = false;
            a.refused[i] = true;
        }
    }
    return a;
}

} // namespace kz
