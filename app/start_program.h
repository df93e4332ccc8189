#pragma once
// The process entry, once the platform's backend is installed.
namespace app {

// Opens the main window, runs until it is closed, and returns the exit code.
int start_program();

}  // namespace app
