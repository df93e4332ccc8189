// The up-down arrows beside a number box, painted as two small buttons.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <algorithm>

#include "skin/engine/windows.h"

namespace skin::engine {

namespace {

void arrow(HDC dc, const RECT& r, bool up, COLORREF colour) {
    const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    const int half =
        std::max(2, static_cast<int>(std::min(r.right - r.left, r.bottom - r.top) / 4));
    const int tip = up ? cy - half / 2 - 1 : cy + half / 2 + 1;
    const int base = up ? cy + half / 2 : cy - half / 2;
    POINT shape[] = {{cx - half, base}, {cx + half, base}, {cx, tip}};
    SetDCBrushColor(dc, colour);
    SetDCPenColor(dc, colour);
    Selected pen(dc, GetStockObject(DC_PEN));
    Selected brush(dc, GetStockObject(DC_BRUSH));
    Polygon(dc, shape, 3);
}

void paint(HWND w, HDC given, const WindowState& s, const Palette& p) {
    PaintDc pd(w, given);
    HDC dc = pd.dc();
    if (!dc) return;
    SavedDc saved(dc);
    RECT r{};
    GetClientRect(w, &r);
    const bool enabled = IsWindowEnabled(w) != FALSE;
    const int middle = (r.top + r.bottom) / 2;
    const RECT parts[2] = {{r.left, r.top, r.right, middle}, {r.left, middle, r.right, r.bottom}};
    for (int i = 0; i < 2; ++i) {
        const bool held = s.pressed_part == i + 1;
        fill(dc, parts[i], held ? p[Role::button_hot] : p[Role::button]);
        frame(dc, parts[i], p[Role::border]);
        arrow(dc, parts[i], i == 0,
              enabled ? p[Role::button_text] : p.muted(Role::button_text, Role::button));
    }
}

int part_at(HWND w, LPARAM lp) {
    RECT r{};
    GetClientRect(w, &r);
    const int y = static_cast<short>(HIWORD(lp));
    return y < (r.top + r.bottom) / 2 ? 1 : 2;
}

}  // namespace

LRESULT up_down_message(HWND w, UINT m, WPARAM wp, LPARAM lp, WindowState& s, const Palette& p) {
    if (LRESULT painted = 0; paint_whole(m, wp, painted, [&](HDC dc) { paint(w, dc, s, p); }))
        return painted;
    switch (m) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            s.pressed_part = part_at(w, lp);
            repaint_now(w);
            break;
        case WM_LBUTTONUP:
        case WM_CAPTURECHANGED:
            if (s.pressed_part) {
                s.pressed_part = 0;
                LRESULT r = DefSubclassProc(w, m, wp, lp);
                if (IsWindow(w)) repaint_now(w);
                return r;
            }
            break;
        case WM_ENABLE: {
            LRESULT r = DefSubclassProc(w, m, wp, lp);
            repaint_now(w);
            return r;
        }
        default:
            break;
    }
    return DefSubclassProc(w, m, wp, lp);
}

}  // namespace skin::engine
