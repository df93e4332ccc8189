#pragma once
// Bringing customers in from a spreadsheet, the day's backup of the database, and putting a
// backup back.
#include "app/main_window.h"
#include "runtime/window.h"

namespace app {

void add_data_command_handlers(runtime::Handlers& h, MainContext& context);

// The first start of a day copies the shop into 备份 (a server's as a file like this PC's),
// off the windows' thread; a copy already there for today is enough.
void back_up_today(MainContext& context);

}  // namespace app
