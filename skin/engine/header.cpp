// List column headers, painted whole: each column's caption on the header colour with a
// divider after it.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include "skin/engine/windows.h"

namespace skin::engine {

namespace {

void paint(HWND w, HDC given, const Palette& p) {
    PaintDc pd(w, given);
    HDC dc = pd.dc();
    if (!dc) return;
    SavedDc saved(dc);
    RECT client{};
    GetClientRect(w, &client);
    fill(dc, client, p[Role::header]);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, p[Role::header_text]);
    Selected font(dc, font_of(w));
    const auto count = static_cast<int>(SendMessageW(w, HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        RECT r{};
        if (!SendMessageW(w, HDM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r)))
            continue;
        if (r.right <= r.left) continue;  // a hidden column
        wchar_t text[260] = {};
        HDITEMW item{};
        item.mask = HDI_TEXT | HDI_FORMAT;
        item.pszText = text;
        item.cchTextMax = 259;
        SendMessageW(w, HDM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        UINT align = (item.fmt & HDF_JUSTIFYMASK) == HDF_CENTER  ? DT_CENTER
                     : (item.fmt & HDF_JUSTIFYMASK) == HDF_RIGHT ? DT_RIGHT
                                                                 : DT_LEFT;
        RECT inner = r;
        InflateRect(&inner, -6, 0);
        DrawTextW(dc, text, -1, &inner,
                  align | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
        RECT divider{r.right - 1, r.top + 3, r.right, r.bottom - 3};
        fill(dc, divider, p[Role::border]);
    }
    RECT bottom{client.left, client.bottom - 1, client.right, client.bottom};
    fill(dc, bottom, p[Role::border]);
}

}  // namespace

LRESULT header_message(HWND w, UINT m, WPARAM wp, LPARAM lp, const Palette& p) {
    if (LRESULT painted = 0; paint_whole(m, wp, painted, [&](HDC dc) { paint(w, dc, p); }))
        return painted;
    return DefSubclassProc(w, m, wp, lp);
}

}  // namespace skin::engine
