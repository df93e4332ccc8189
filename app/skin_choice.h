#pragma once
// The skin the user picked in the main window's selector: restored at start-up, attached and
// remembered on every change.
#include "app/main_window.h"
#include "runtime/window.h"

namespace app {

// Puts the stored skin number into the selector (its change event attaches and stores it)
// and attaches the selector's number once more. No store: the selector is left empty.
void restore_skin(runtime::Window& window, MainContext& context);
// Attaches the selector's number and stores the selector's text as it stands.
void on_skin_selector_changed(runtime::Window& window, MainContext& context);

}  // namespace app
