// List views keep their colours by value: they are set on attach and put back on detach. The
// selected row is coloured through the parent's custom draw.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include "skin/engine/windows.h"

namespace skin::engine {

namespace {

void save_list_colours(HWND w, WindowState& s) {
    s.saved[0] = static_cast<COLORREF>(SendMessageW(w, LVM_GETBKCOLOR, 0, 0));
    s.saved[1] = static_cast<COLORREF>(SendMessageW(w, LVM_GETTEXTBKCOLOR, 0, 0));
    s.saved[2] = static_cast<COLORREF>(SendMessageW(w, LVM_GETTEXTCOLOR, 0, 0));
}

void set_list_colours(HWND w, COLORREF back, COLORREF text_back, COLORREF text) {
    SendMessageW(w, LVM_SETBKCOLOR, 0, static_cast<LPARAM>(back));
    SendMessageW(w, LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(text_back));
    SendMessageW(w, LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(text));
}

// A list that drew the system's grid before the skin: the skin draws its own in the scheme's
// border colour, since the system's lines stay bright on a dark scheme.
constexpr const wchar_t* kGridProperty = L"LanqiaoSkinGrid";

void take_over_grid(HWND w, bool skinned) {
    const auto styles = static_cast<DWORD>(SendMessageW(w, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    if (skinned && (styles & LVS_EX_GRIDLINES)) {
        SetPropW(w, kGridProperty, reinterpret_cast<HANDLE>(1));
        SendMessageW(w, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_GRIDLINES, 0);
    } else if (!skinned && GetPropW(w, kGridProperty)) {
        RemovePropW(w, kGridProperty);
        SendMessageW(w, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_GRIDLINES, LVS_EX_GRIDLINES);
    }
}

// The height of a row: from a row when there is one, else from the list's small images,
// which set it, or its font.
int row_height(HWND list, HDC dc) {
    RECT r{};
    r.left = LVIR_BOUNDS;
    if (SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) > 0 &&
        SendMessageW(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r)))
        return r.bottom - r.top;
    int cx = 0, cy = 0;
    if (auto images =
            reinterpret_cast<HIMAGELIST>(SendMessageW(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
        images && ImageList_GetIconSize(images, &cx, &cy) && cy > 0)
        return cy;
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    return tm.tmHeight + 4;
}

void draw_grid(HWND list, HDC dc, COLORREF colour) {
    RECT client{};
    GetClientRect(list, &client);
    int top = client.top;
    auto header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    if (header && IsWindowVisible(header)) {
        RECT h{};
        GetWindowRect(header, &h);
        MapWindowPoints(nullptr, list, reinterpret_cast<POINT*>(&h), 2);
        top = h.bottom;
    }
    const int height = row_height(list, dc);
    if (height <= 0) return;
    // Rows start where the top one is, which scrolling moves.
    const auto first = static_cast<WPARAM>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
    RECT r{};
    r.left = LVIR_BOUNDS;
    int y = top;
    if (SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) > 0 &&
        SendMessageW(list, LVM_GETITEMRECT, first, reinterpret_cast<LPARAM>(&r)))
        y = r.top;
    // The stock pen of the DC's own colour: painting makes no GDI object.
    HGDIOBJ old = SelectObject(dc, GetStockObject(DC_PEN));
    const COLORREF before = SetDCPenColor(dc, colour);
    for (y += height - 1; y < client.bottom; y += height) {
        MoveToEx(dc, client.left, y, nullptr);
        LineTo(dc, client.right, y);
    }
    if (header) {
        const auto columns = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < columns; ++i) {
            RECT item{};
            if (!SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(i),
                              reinterpret_cast<LPARAM>(&item)))
                continue;
            MapWindowPoints(header, list, reinterpret_cast<POINT*>(&item), 2);
            if (item.right <= item.left) continue;  // a hidden column draws no line
            MoveToEx(dc, item.right - 1, top, nullptr);
            LineTo(dc, item.right - 1, client.bottom);
        }
    }
    SetDCPenColor(dc, before);
    SelectObject(dc, old);
}

constexpr int kCalendarParts[] = {MCSC_BACKGROUND, MCSC_TEXT,    MCSC_TITLEBK,
                                  MCSC_TITLETEXT,  MCSC_MONTHBK, MCSC_TRAILINGTEXT};

}  // namespace

void apply_kept_colours(HWND w, WindowState& s, const Palette* p) {
    if (s.kind == Kind::list_view) {
        if (p) {
            if (!s.colours_saved) save_list_colours(w, s);
            s.colours_saved = true;
            set_list_colours(w, (*p)[Role::list], (*p)[Role::list], (*p)[Role::list_text]);
            take_over_grid(w, true);
        } else if (s.colours_saved) {
            set_list_colours(w, s.saved[0], s.saved[1], s.saved[2]);
            take_over_grid(w, false);
        }
    } else if (s.kind == Kind::date_picker) {
        if (p && !s.colours_saved) {
            for (std::size_t i = 0; i < 6; ++i)
                s.saved[i] = static_cast<COLORREF>(
                    SendMessageW(w, DTM_GETMCCOLOR, static_cast<WPARAM>(kCalendarParts[i]), 0));
            s.colours_saved = true;
        }
        if (!p && !s.colours_saved) return;
        const COLORREF mine[6] = {
            p ? (*p)[Role::window] : 0,    p ? (*p)[Role::edit_text] : 0,
            p ? (*p)[Role::selection] : 0, p ? (*p)[Role::selection_text] : 0,
            p ? (*p)[Role::edit] : 0,      p ? p->muted(Role::edit_text, Role::edit) : 0};
        for (std::size_t i = 0; i < 6; ++i)
            SendMessageW(w, DTM_SETMCCOLOR, static_cast<WPARAM>(kCalendarParts[i]),
                         static_cast<LPARAM>(p ? mine[i] : s.saved[i]));
    }
}

LRESULT draw_list_rows(NMLVCUSTOMDRAW& cd, const Palette& p) {
    switch (cd.nmcd.dwDrawStage) {
        case CDDS_PREPAINT:
            return CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT;
        case CDDS_POSTPAINT:
            if (GetPropW(cd.nmcd.hdr.hwndFrom, kGridProperty))
                draw_grid(cd.nmcd.hdr.hwndFrom, cd.nmcd.hdc, p[Role::border]);
            return CDRF_DODEFAULT;
        case CDDS_ITEMPREPAINT: {
            const auto row = static_cast<WPARAM>(cd.nmcd.dwItemSpec);
            const bool selected =
                SendMessageW(cd.nmcd.hdr.hwndFrom, LVM_GETITEMSTATE, row, LVIS_SELECTED) != 0;
            // The list would paint a selected row in the system's colours; it is told the row
            // is not selected and given ours.
            cd.nmcd.uItemState &= ~static_cast<UINT>(CDIS_SELECTED | CDIS_FOCUS);
            cd.clrText = selected ? p[Role::selection_text] : p[Role::list_text];
            cd.clrTextBk = selected ? p[Role::selection] : p[Role::list];
            if (!selected) {
                // A row waiting for a follow-up, as the program's window tells.
                static const UINT tone_message = RegisterWindowMessageW(L"LanqiaoRowTone");
                const LRESULT tone =
                    SendMessageW(GetParent(cd.nmcd.hdr.hwndFrom), tone_message, row,
                                 reinterpret_cast<LPARAM>(cd.nmcd.hdr.hwndFrom));
                if (tone == 1 || tone == 2) cd.clrTextBk = p.tone(static_cast<int>(tone));
            }
            return CDRF_NEWFONT;
        }
        default:
            return CDRF_DODEFAULT;
    }
}

LRESULT list_view_message(HWND w, UINT m, WPARAM wp, LPARAM lp, WindowState& s, const Palette& p) {
    switch (m) {
        case WM_CREATE: {
            LRESULT r = DefSubclassProc(w, m, wp, lp);
            if (r != -1) apply_kept_colours(w, s, &p);
            return r;
        }
        case WM_NCPAINT: {
            LRESULT r = DefSubclassProc(w, m, wp, lp);
            paint_client_edge(w, p, p[Role::list]);
            return r;
        }
        case WM_SETFOCUS:
        case WM_KILLFOCUS: {
            // The frame shows whether the list has the keyboard; the system repaints only the
            // inside when that changes.
            LRESULT r = DefSubclassProc(w, m, wp, lp);
            RedrawWindow(w, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
            return r;
        }
        default:
            return DefSubclassProc(w, m, wp, lp);
    }
}

LRESULT date_picker_message(HWND w, UINT m, WPARAM wp, LPARAM lp, WindowState& s,
                            const Palette& p) {
    if (m == WM_CREATE) {
        LRESULT r = DefSubclassProc(w, m, wp, lp);
        if (r != -1) apply_kept_colours(w, s, &p);
        return r;
    }
    return DefSubclassProc(w, m, wp, lp);
}

}  // namespace skin::engine
