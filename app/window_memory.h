#pragma once
// The main window as the user left it: its place, size and maximised state, the widths of
// the list's columns 1 to 6 (column 7 follows the window) and the list's sort, kept in the
// program's own settings and put back at the next start.
#include "app/main_window.h"
#include "runtime/window.h"

namespace app {

void restore_window(runtime::Window& window, MainContext& context);
void remember_window(const runtime::Window& window, MainContext& context);

}  // namespace app
