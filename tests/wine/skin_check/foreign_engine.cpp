// A library anyone could drop beside the program as "SkinH_EL.dll": it leaves a mark in the
// working folder the moment it is loaded, so a test can tell whether its code ever ran.
#include <windows.h>

namespace {

void leave_mark() {
    HANDLE h = CreateFileW(L"marked.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) leave_mark();
    return TRUE;
}

extern "C" __declspec(dllexport) int WINAPI SkinH_AttachRes(const unsigned char*, int,
                                                            const char*, int, int, int) {
    leave_mark();
    return 0;
}
