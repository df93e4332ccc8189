// Tells where things of the running program are on the screen, for clicks from outside, and
// reads what they show. It only asks; it never changes the program.
//   locate window TITLE        the visible window titled TITLE
//   locate control TITLE N     its control number N (its place in the window's definition)
//   locate button TITLE TEXT   its child captioned TEXT, or numbered N for "#N" (message box
//                              buttons: #1 OK, #6 Yes, #7 No)
//   locate client TITLE X Y    the point X, Y of its client area
//   locate area TITLE          its client area (a window's picture without its frame)
//   locate toolbar N           entry N of the main window's toolbar, separators counted
//   locate row N [TITLE]       row N of the list (from 0) of the main window, or of TITLE
//   locate column N            column N of the main window's list, the part of it in view;
//                              answers at once, so that a column out of view costs no wait
//   locate menu                the pop-up menu that shows
//   locate text TITLE N        the text of control N of that window
//   locate message TITLE       the text of the message box titled TITLE
//   locate focused TITLE       the text of the control that has the keyboard focus in it
//   locate gone TITLE          succeeds once no window is titled TITLE
//   locate active TITLE        succeeds once the window titled TITLE takes the keyboard
// Places print as "X Y LEFT TOP WIDTH HEIGHT" in screen pixels, X and Y the middle.
// Each waits up to 20 s for what it looks for; exit code 1 when it did not show.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cwchar>
#include <optional>
#include <string>

#include "find_windows.h"
#include "remote_rect.h"
#include "runtime/win32/wide_text.h"

namespace {

using runtime::win32::from_wide;

constexpr int kWait = 20;
const wchar_t* kMainTitle = L"岚桥管家 V2.0  未成交客户跟踪管理中心";

int print(std::optional<RECT> r) {
    if (!r || r->right <= r->left || r->bottom <= r->top) return 1;
    std::printf("%ld %ld %ld %ld %ld %ld\n", (r->left + r->right) / 2, (r->top + r->bottom) / 2,
                r->left, r->top, r->right - r->left, r->bottom - r->top);
    return 0;
}

std::optional<RECT> window_rect(HWND h) {
    RECT r{};
    if (!h || !GetWindowRect(h, &r)) return std::nullopt;
    return r;
}

HWND control(HWND window, int index) {
    // Controls carry the number of their place in the window's definition.
    for (int i = 0; window && i < kWait * 10; ++i) {
        if (HWND c = GetDlgItem(window, 1000 + index)) return c;
        Sleep(100);
    }
    return nullptr;
}

// The first child of class `cls` of the window titled `title` (the main window by default).
HWND window_child(const wchar_t* cls, const wchar_t* title = kMainTitle) {
    HWND window = locate::wait_for_window(title, kWait);
    return window ? locate::child_of_class(window, cls) : nullptr;
}

// Column `index` of a list as far as it shows: none while it has no width or lies scrolled
// out of the list.
std::optional<RECT> column_in_view(HWND list, int index) {
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    auto column = header ? locate::header_item(header, index) : std::nullopt;
    RECT view{}, shown{};
    if (!column || !GetClientRect(list, &view)) return std::nullopt;
    MapWindowPoints(list, HWND_DESKTOP, reinterpret_cast<POINT*>(&view), 2);
    if (!IntersectRect(&shown, &*column, &view)) return std::nullopt;
    return shown;
}

int usage() {
    std::fprintf(stderr,
                 "usage: locate window|control|button|client|area|toolbar|row|column|menu|text|"
                 "message|focused|gone|active ...\n");
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return usage();
    // Texts go out as they are: line breaks inside them stay CR LF, not CR CR LF.
    _setmode(_fileno(stdout), _O_BINARY);
    std::wstring command = argv[1];
    if (command == L"window" && argc == 3)
        return print(window_rect(locate::wait_for_window(argv[2], kWait)));
    if (command == L"control" && argc == 4)
        return print(window_rect(control(locate::wait_for_window(argv[2], kWait), _wtoi(argv[3]))));
    if (command == L"button" && argc == 4) {
        HWND window = locate::wait_for_window(argv[2], kWait);
        for (int i = 0; window && i < kWait * 10; ++i) {
            std::wstring caption = argv[3];
            HWND b = caption.starts_with(L"#") ? GetDlgItem(window, _wtoi(caption.c_str() + 1))
                                               : locate::child_with_caption(window, caption);
            if (b) return print(window_rect(b));
            Sleep(100);
        }
        return 1;
    }
    if (command == L"client" && argc == 5) {
        HWND window = locate::wait_for_window(argv[2], kWait);
        if (!window) return 1;
        POINT p{_wtoi(argv[3]), _wtoi(argv[4])};
        ClientToScreen(window, &p);
        return print(RECT{p.x, p.y, p.x + 1, p.y + 1});
    }
    if (command == L"area" && argc == 3) {
        HWND window = locate::wait_for_window(argv[2], kWait);
        RECT r{};
        if (!window || !GetClientRect(window, &r)) return 1;
        MapWindowPoints(window, HWND_DESKTOP, reinterpret_cast<POINT*>(&r), 2);
        return print(r);
    }
    if (command == L"toolbar" && argc == 3) {
        HWND bar = window_child(L"ToolbarWindow32");
        return bar ? print(locate::toolbar_entry(bar, _wtoi(argv[2]))) : 1;
    }
    if (command == L"row" && (argc == 3 || argc == 4)) {
        HWND list = window_child(L"SysListView32", argc == 4 ? argv[3] : kMainTitle);
        int row = _wtoi(argv[2]);
        for (int i = 0; list && i < kWait * 10; ++i) {
            if (locate::list_rows(list) > row) return print(locate::list_row(list, row));
            Sleep(100);
        }
        return 1;
    }
    if (command == L"column" && argc == 3) {
        HWND list = window_child(L"SysListView32");
        return list ? print(column_in_view(list, _wtoi(argv[2]))) : 1;
    }
    if (command == L"menu" && argc == 2) return print(window_rect(locate::wait_for_menu(kWait)));
    if (command == L"text" && argc == 4) {
        HWND c = control(locate::wait_for_window(argv[2], kWait), _wtoi(argv[3]));
        if (!c) return 1;
        std::printf("%s\n", from_wide(locate::text_of(c)).c_str());
        return 0;
    }
    if (command == L"message" && argc == 3) {
        HWND box = locate::wait_for_window(argv[2], kWait);
        if (!box) return 1;
        std::wstring all;
        for (const auto& t : locate::label_texts(box))
            all += (all.empty() ? L"" : L" ") + t;
        std::printf("%s\n", from_wide(all).c_str());
        return 0;
    }
    if (command == L"focused" && argc == 3) {
        HWND window = locate::wait_for_window(argv[2], kWait);
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        if (!window || !GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ||
            !info.hwndFocus)
            return 1;
        std::printf("%s\n", from_wide(locate::text_of(info.hwndFocus)).c_str());
        return 0;
    }
    if (command == L"active" && argc == 3) {
        HWND window = locate::wait_for_window(argv[2], kWait);
        for (int i = 0; window && i < kWait * 10; ++i) {
            if (GetForegroundWindow() == window) return 0;
            Sleep(100);
        }
        return 1;
    }
    if (command == L"gone" && argc == 3) return locate::wait_until_gone(argv[2], kWait) ? 0 : 1;
    return usage();
}
