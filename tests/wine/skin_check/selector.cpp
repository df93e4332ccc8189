// Where the running program's skin selector is on the screen, so that xdotool can click it.
#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace {

BOOL CALLBACK first_edit(HWND h, LPARAM found) {
    wchar_t name[16] = {};
    GetClassNameW(h, name, 15);
    if (_wcsicmp(name, L"Edit") != 0) return TRUE;
    *reinterpret_cast<HWND*>(found) = h;
    return FALSE;
}

}  // namespace

int print_selector_position() {
    // The main window's one edit box is the selector.
    const wchar_t* title = L"岚桥管家 V2.0  未成交客户跟踪管理中心";
    for (int tries = 0; tries < 200; ++tries) {
        if (HWND main = FindWindowW(L"LanqiaoWindow", title)) {
            HWND edit = nullptr;
            EnumChildWindows(main, first_edit, reinterpret_cast<LPARAM>(&edit));
            RECT r{};
            if (edit && GetWindowRect(edit, &r)) {
                std::printf("%ld %ld\n", (r.left + r.right) / 2, (r.top + r.bottom) / 2);
                return 0;
            }
        }
        Sleep(100);
    }
    return 1;
}
