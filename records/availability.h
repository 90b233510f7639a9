#pragma once
#include "criteria_table.h"
#include "shell/hensuu1.h"
#include "statistics.h"

#include <array>

namespace kz {

// Cleared in the judgement window: points >= clearPoints and runs >= clearCount.
bool levelClearedJudge(const CriteriaTable& c, const Statistics& st, int level, int bangou);
// Cleared on the all-time counts (the result screen's "cleared before this run").
bool levelClearedAll(const CriteriaTable& c, const Statistics& st, int level, int bangou);
// Over-practice reached in the over-practice window.
bool overPracticeReached(const CriteriaTable& c, const Statistics& st, int level, int bangou);

// What the level menu shows per level: whether the start button is enabled and the text that
// covers a closed one. The target level is the last level; once it is cleared no level is
// refused for over-practice, and it is itself never refused. A level the criteria close
// (CriteriaTable::closesLevel) is closed whatever the rule says, and a closed target level
// counts as not cleared: nothing is known of what clearing it takes.
struct LevelAvailability {
    int targetLevelCleared = 0;
    std::array<bool, kLevelSlots> enabled{};
    std::array<bool, kLevelSlots> refused{}; // over-practice: "やりすぎ禁止"
    std::array<QString, kLevelSlots> closedText{}; // over the start button; empty when open
};
LevelAvailability levelAvailability(int levelCount, const CriteriaTable& c, const Statistics& st,
                                    int bangou);

} // namespace kz
