// SkinH_EL.dll's entry: the program hands it a skin as a byte range, with a text and three
// integers that this engine does not need.
#include <windows.h>

#include "skin/engine/engine.h"

extern "C" __declspec(dllexport) int WINAPI
    SkinH_AttachRes(const unsigned char* data, int length, const char* /*password_text*/, int, int,
                    int) {
    return skin::engine::attach(data, length);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    // No per-thread work: the engine follows only the thread that attaches.
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}
