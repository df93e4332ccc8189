#pragma once
// Bringing customers in from a spreadsheet, the day's backup of the database, and putting a
// backup back.
#include "app/main_window.h"
#include "runtime/window.h"

namespace app {

void add_data_command_handlers(runtime::Handlers& h, MainContext& context);

// The first start of a day copies the database into 备份; true when a copy was there or was
// made. A store on a server has no file to copy here.
bool back_up_today(MainContext& context);

}  // namespace app
