#pragma once
#include "school/roster.h"

namespace kz {

// What the name screen and the level menu share for the whole process: the roster's tables by
// student number survive both screens' unloads.
struct Selection {
    RosterTables tables;
};

} // namespace kz
