#pragma once
// The main window's tools for a long list: find as you type, sort by a column's header, only
// the customers due, a follow-up recorded in one line, and the keys that reach them.
#include "app/main_window.h"
#include "runtime/window.h"

namespace app {

void add_list_tool_handlers(runtime::Handlers& h, MainContext& context);

// The find box at the top right corner of the list, wherever the window's size puts it.
void place_find_box(runtime::Window& window);

// Shows or hides the list's next-date column, or its tags' column.
void show_next_date_column(runtime::Window& window, MainContext& context, bool shown);
void show_tags_column(runtime::Window& window, MainContext& context, bool shown);

}  // namespace app
