// Top-level windows and dialogs: their background, and the colours their children ask for.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <cwchar>

#include "skin/engine/windows.h"

namespace skin::engine {

namespace {

bool is_class(HWND w, const wchar_t* cls) {
    wchar_t name[32] = {};
    return GetClassNameW(w, name, 32) && _wcsicmp(name, cls) == 0;
}

LRESULT box_colours(HDC dc, HWND control, const Palette& p) {
    const bool enabled = IsWindowEnabled(control) != FALSE;
    SetTextColor(dc, enabled ? p[Role::edit_text] : p.muted(Role::edit_text, Role::edit));
    SetBkColor(dc, p[Role::edit]);
    return reinterpret_cast<LRESULT>(p.edit_brush());
}

LRESULT window_colours(HDC dc, HWND control, const Palette& p) {
    const bool enabled = IsWindowEnabled(control) != FALSE;
    SetTextColor(dc, enabled ? p[Role::window_text] : p.muted(Role::window_text, Role::window));
    SetBkColor(dc, p[Role::window]);
    return reinterpret_cast<LRESULT>(p.window_brush());
}

}  // namespace

LRESULT container_message(HWND w, UINT m, WPARAM wp, LPARAM lp, const Palette& p) {
    auto dc = reinterpret_cast<HDC>(wp);
    auto control = reinterpret_cast<HWND>(lp);
    switch (m) {
        case WM_ERASEBKGND: {
            RECT r{};
            GetClientRect(w, &r);
            FillRect(dc, &r, p.window_brush());
            return 1;
        }
        case WM_CTLCOLORDLG:
            return reinterpret_cast<LRESULT>(p.window_brush());
        case WM_CTLCOLOREDIT:
            // A date picker asks for its background but draws its digits in the system's
            // text colour whatever it is told: on a dark box they would vanish. It keeps the
            // system's box; its calendar takes the skin.
            if (is_class(control, L"SysDateTimePick32")) break;
            return box_colours(dc, control, p);
        case WM_CTLCOLORLISTBOX:
            return box_colours(dc, control, p);
        case WM_CTLCOLORSTATIC:
            // Read-only and disabled edit boxes ask as labels do; they stay boxes.
            if (is_class(control, L"Edit")) return box_colours(dc, control, p);
            return window_colours(dc, control, p);
        case WM_CTLCOLORBTN:
            return window_colours(dc, control, p);
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<NMHDR*>(lp);
            if (header && header->code == NM_CUSTOMDRAW) {
                if (is_class(header->hwndFrom, L"ToolbarWindow32"))
                    return draw_toolbar(*reinterpret_cast<NMTBCUSTOMDRAW*>(lp), p);
                if (is_class(header->hwndFrom, L"SysListView32"))
                    return draw_list_rows(*reinterpret_cast<NMLVCUSTOMDRAW*>(lp), p);
            }
            break;
        }
        default:
            break;
    }
    return DefSubclassProc(w, m, wp, lp);
}

}  // namespace skin::engine
