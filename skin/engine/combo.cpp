// Drop-down lists: the closed box painted whole (frame, chosen text, arrow button); the list
// that drops down takes its colours from the parent's WM_CTLCOLORLISTBOX.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <algorithm>
#include <string>

#include "skin/engine/windows.h"

namespace skin::engine {

namespace {

std::wstring chosen_text(HWND w) {
    auto i = SendMessageW(w, CB_GETCURSEL, 0, 0);
    if (i == CB_ERR) return {};
    auto length = SendMessageW(w, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
    if (length == CB_ERR || length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    auto got = SendMessageW(w, CB_GETLBTEXT, static_cast<WPARAM>(i),
                            reinterpret_cast<LPARAM>(text.data()));
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return text;
}

void arrow(HDC dc, const RECT& r, COLORREF colour) {
    const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    const int half = std::max(3, static_cast<int>((r.right - r.left) / 4));
    POINT down[] = {
        {cx - half, cy - half / 2}, {cx + half, cy - half / 2}, {cx, cy + half / 2 + 1}};
    SetDCBrushColor(dc, colour);
    SetDCPenColor(dc, colour);
    Selected pen(dc, GetStockObject(DC_PEN));
    Selected brush(dc, GetStockObject(DC_BRUSH));
    Polygon(dc, down, 3);
}

void paint(HWND w, HDC given, const Palette& p) {
    PaintDc pd(w, given);
    HDC dc = pd.dc();
    if (!dc) return;
    SavedDc saved(dc);
    RECT r{};
    GetClientRect(w, &r);
    const bool enabled = IsWindowEnabled(w) != FALSE;
    const bool focused = GetFocus() == w;
    const bool dropped = SendMessageW(w, CB_GETDROPPEDSTATE, 0, 0) != FALSE;
    fill(dc, r, p[Role::edit]);
    frame(dc, r, focused || dropped ? p[Role::accent] : p[Role::border]);
    const int button_width = GetSystemMetrics(SM_CXVSCROLL);
    RECT button{r.right - 1 - button_width, r.top + 1, r.right - 1, r.bottom - 1};
    fill(dc, button, dropped ? p[Role::button_hot] : p[Role::button]);
    arrow(dc, button, enabled ? p[Role::button_text] : p.muted(Role::button_text, Role::button));
    RECT text{r.left + 2, r.top + 2, button.left - 1, r.bottom - 2};
    // With the focus and closed, the chosen entry shows selected, as the system's box does.
    const bool selected_look = focused && !dropped;
    if (selected_look) fill(dc, text, p[Role::selection]);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, !enabled        ? p.muted(Role::edit_text, Role::edit)
                     : selected_look ? p[Role::selection_text]
                                     : p[Role::edit_text]);
    Selected font(dc, font_of(w));
    RECT inner = text;
    InflateRect(&inner, -2, 0);
    std::wstring chosen = chosen_text(w);
    DrawTextW(dc, chosen.c_str(), static_cast<int>(chosen.size()), &inner,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

bool changes_look(UINT m) {
    switch (m) {
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_ENABLE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_KEYDOWN:
        case WM_CHAR:
        case WM_MOUSEWHEEL:
        case CB_SETCURSEL:
        case CB_SELECTSTRING:
        case CB_RESETCONTENT:
        case CB_SHOWDROPDOWN:
        case WM_SETTEXT:
        case WM_COMMAND:  // the dropped list closing
            return true;
        default:
            return false;
    }
}

}  // namespace

LRESULT combo_message(HWND w, UINT m, WPARAM wp, LPARAM lp, WindowState&, const Palette& p) {
    if (LRESULT painted = 0; paint_whole(m, wp, painted, [&](HDC dc) { paint(w, dc, p); }))
        return painted;
    if (changes_look(m)) {
        LRESULT r = DefSubclassProc(w, m, wp, lp);
        if (IsWindow(w)) repaint_now(w);
        return r;
    }
    return DefSubclassProc(w, m, wp, lp);
}

}  // namespace skin::engine
