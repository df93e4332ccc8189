// A progress bar, painted as a framed box filled from the left in the scheme's selection
// colour; one that cannot say how far shows a block running along it.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <algorithm>

#include "skin/engine/windows.h"

namespace skin::engine {

namespace {

void paint(HWND w, HDC given, const Palette& p) {
    PaintDc pd(w, given);
    HDC dc = pd.dc();
    if (!dc) return;
    RECT r{};
    GetClientRect(w, &r);
    fill(dc, r, p[Role::edit]);
    frame(dc, r, p[Role::border]);
    InflateRect(&r, -2, -2);
    const int width = std::max(0, static_cast<int>(r.right - r.left));
    RECT bar = r;
    if (GetWindowLongPtrW(w, GWL_STYLE) & PBS_MARQUEE) {
        // The control's own marquee timer has it painted again; the time places the block.
        const int block = std::max(8, width / 5);
        const int at = static_cast<int>((GetTickCount() / 8) % static_cast<DWORD>(width + block));
        bar.left = r.left + at - block;
        bar.right = bar.left + block;
        bar.left = std::max(bar.left, r.left);
        bar.right = std::min(bar.right, r.right);
    } else {
        PBRANGE range{};
        SendMessageW(w, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
        const auto pos = static_cast<long long>(SendMessageW(w, PBM_GETPOS, 0, 0));
        const long long span = std::max(1, range.iHigh - range.iLow);
        bar.right =
            r.left + static_cast<int>(std::clamp(pos - range.iLow, 0LL, span) * width / span);
    }
    if (bar.right > bar.left) fill(dc, bar, p[Role::selection]);
}

}  // namespace

LRESULT progress_bar_message(HWND w, UINT m, WPARAM wp, LPARAM lp, const Palette& p) {
    if (LRESULT painted = 0; paint_whole(m, wp, painted, [&](HDC dc) { paint(w, dc, p); }))
        return painted;
    switch (m) {
        case PBM_SETPOS:
        case PBM_SETRANGE32:
        case PBM_SETMARQUEE: {
            // Themed bars animate towards the new place; this one shows it at once.
            const LRESULT r = DefSubclassProc(w, m, wp, lp);
            InvalidateRect(w, nullptr, FALSE);
            return r;
        }
        default:
            break;
    }
    return DefSubclassProc(w, m, wp, lp);
}

}  // namespace skin::engine
