#pragma once
// The date turning while the program runs: at midnight, or when the system says its clock was
// changed, the due colours and the due view follow the new date, the tray says how many wait
// on it, and the day's copy of the database is taken.
#include "app/main_window.h"
#include "runtime/window.h"

namespace app {

inline constexpr const char* kDayTurnTimer = "day_turn";
// How late after midnight the list may follow: a look costs a read of the clock.
inline constexpr int kDayTurnPeriodMs = 15000;

// Takes the date now as the one shown and looks again at every period.
void watch_the_date(runtime::Window& window, MainContext& context);
// One look: when the date is another than the one shown, the list, the tray and the backup
// follow it. Not under a dialog or during an export, which hold rows of the list: the next
// look acts.
void check_the_date(runtime::Window& window, MainContext& context);

}  // namespace app
