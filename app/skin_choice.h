#pragma once
// The skin the user picked in the main window's selector: restored at start-up, attached and
// remembered on every change.
#include "app/main_window.h"
#include "runtime/window.h"

namespace app {

// Puts the stored skin number into the selector (its change event attaches it) and attaches
// the selector's number once more.
void restore_skin(runtime::Window& window, MainContext& context);
// Attaches the selector's number and stores its text in the settings.
void on_skin_selector_changed(runtime::Window& window, MainContext& context);

}  // namespace app
