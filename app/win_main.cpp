// The Windows entry point: the real backend, then the program.
#include <windows.h>

#include "app/start_program.h"
#include "runtime/platform.h"
#include "runtime/win32/backend.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    runtime::Platform platform;
    runtime::win32::install_adapters(platform);
    runtime::PlatformInstall install(platform);
    return app::start_program();
}
