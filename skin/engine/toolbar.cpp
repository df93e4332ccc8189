// The toolbar: its background here, its entries through the parent's custom draw, drawn
// whole (face, picture, caption, drop-down arrow) so that no system colour shows.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include "skin/engine/windows.h"

namespace skin::engine {

namespace {

// The width the toolbar adds to an entry for its drop-down arrow.
constexpr int kArrowWidth = 11;

void arrow(HDC dc, int cx, int cy, COLORREF colour) {
    POINT down[] = {{cx - 3, cy - 1}, {cx + 3, cy - 1}, {cx, cy + 2}};
    SetDCBrushColor(dc, colour);
    SetDCPenColor(dc, colour);
    Selected pen(dc, GetStockObject(DC_PEN));
    Selected brush(dc, GetStockObject(DC_BRUSH));
    Polygon(dc, down, 3);
}

void draw_entry(NMTBCUSTOMDRAW& cd, const Palette& p) {
    HWND bar = cd.nmcd.hdr.hwndFrom;
    HDC dc = cd.nmcd.hdc;
    const RECT r = cd.nmcd.rc;
    const auto command = static_cast<WPARAM>(cd.nmcd.dwItemSpec);
    TBBUTTONINFOW info{};
    info.cbSize = sizeof info;
    info.dwMask = TBIF_IMAGE | TBIF_STYLE | TBIF_STATE;
    if (SendMessageW(bar, TB_GETBUTTONINFOW, command, reinterpret_cast<LPARAM>(&info)) < 0) return;
    SavedDc saved(dc);
    const UINT st = cd.nmcd.uItemState;
    const bool disabled = st & (CDIS_DISABLED | CDIS_GRAYED);
    const bool lit = !disabled && (st & (CDIS_HOT | CDIS_SELECTED | CDIS_CHECKED));
    fill(dc, r, p[Role::toolbar]);
    if (lit) {
        RECT face = r;
        InflateRect(&face, -1, -1);
        SetDCBrushColor(dc, p[Role::button_hot]);
        SetDCPenColor(dc, p[Role::accent]);
        Selected pen(dc, GetStockObject(DC_PEN));
        Selected brush(dc, GetStockObject(DC_BRUSH));
        RoundRect(dc, face.left, face.top, face.right, face.bottom, 4, 4);
    }
    const bool drop = info.fsStyle & BTNS_WHOLEDROPDOWN;
    const int content_right = r.right - (drop ? kArrowWidth : 0);
    const bool pressed = st & CDIS_SELECTED;
    const int shift = pressed ? 1 : 0;
    auto images = reinterpret_cast<HIMAGELIST>(SendMessageW(bar, TB_GETIMAGELIST, 0, 0));
    int image_w = 0, image_h = 0;
    if (images) ImageList_GetIconSize(images, &image_w, &image_h);
    const auto padding = static_cast<DWORD>(SendMessageW(bar, TB_GETPADDING, 0, 0));
    const int top = r.top + HIWORD(padding) / 2 + shift;
    if (images && info.iImage >= 0) {
        const int x = r.left + (content_right - r.left - image_w) / 2 + shift;
        ImageList_Draw(images, info.iImage, dc, x, top, ILD_TRANSPARENT);
    }
    const COLORREF text_colour = disabled ? p.muted(Role::toolbar_text, Role::toolbar)
                                 : lit    ? p[Role::button_text]
                                          : p[Role::toolbar_text];
    if (drop)
        arrow(dc, content_right + kArrowWidth / 2 - 1 + shift, top + image_h / 2, text_colour);
    wchar_t caption[128] = {};
    SendMessageW(bar, TB_GETBUTTONTEXTW, command, reinterpret_cast<LPARAM>(caption));
    RECT text{r.left + 1 + shift, top + image_h + 1, content_right - 1 + shift, r.bottom - 1};
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, text_colour);
    Selected font(dc, font_of(bar));
    DrawTextW(dc, caption, -1, &text, DT_CENTER | DT_TOP | DT_SINGLELINE | DT_END_ELLIPSIS);
}

}  // namespace

LRESULT draw_toolbar(NMTBCUSTOMDRAW& cd, const Palette& p) {
    switch (cd.nmcd.dwDrawStage) {
        case CDDS_PREPAINT:
            // Under a themed or transparent bar the parent's background shows: cover it.
            fill(cd.nmcd.hdc, cd.nmcd.rc, p[Role::toolbar]);
            return CDRF_NOTIFYITEMDRAW;
        case CDDS_ITEMPREPAINT:
            draw_entry(cd, p);
            return CDRF_SKIPDEFAULT;
        default:
            return CDRF_DODEFAULT;
    }
}

LRESULT toolbar_message(HWND w, UINT m, WPARAM wp, LPARAM lp, const Palette& p) {
    if (m == WM_ERASEBKGND) {
        RECT r{};
        GetClientRect(w, &r);
        fill(reinterpret_cast<HDC>(wp), r, p[Role::toolbar]);
        return 1;
    }
    return DefSubclassProc(w, m, wp, lp);
}

}  // namespace skin::engine
