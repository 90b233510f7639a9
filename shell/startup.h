#pragma once
#include "hensuu1.h"
#include "services.h"

#include <QDate>

namespace kz {

// programTitle = "カズトビ１".
void SetProgramDefaults(Hensuu1& h);

// Fixes the four levels and their names; then shows the level menu.
void PrepareLevelMenu(Hensuu1& h, Screens& screens);
// The level part of PrepareLevelMenu alone.
void prepareLevels(Hensuu1& h);

// Resets the run state and shows the drill screen for h.LevelNo.
void StartRun(Hensuu1& h, Services& s);

// Background colour of the name screen and the level menu by month (0xBBGGRR).
int seasonColourForMonth(int month);

// Today's date as the splash shows it: era year, month, day and weekday,
// e.g. "令和8年 12月 09日（水）".
QString japaneseEraDate(const QDate& date);

} // namespace kz
