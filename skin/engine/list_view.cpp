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

constexpr int kCalendarParts[] = {MCSC_BACKGROUND, MCSC_TEXT,    MCSC_TITLEBK,
                                  MCSC_TITLETEXT,  MCSC_MONTHBK, MCSC_TRAILINGTEXT};

}  // namespace

void apply_kept_colours(HWND w, WindowState& s, const Palette* p) {
    if (s.kind == Kind::list_view) {
        if (p) {
            if (!s.colours_saved) save_list_colours(w, s);
            s.colours_saved = true;
            set_list_colours(w, (*p)[Role::list], (*p)[Role::list], (*p)[Role::list_text]);
        } else if (s.colours_saved) {
            set_list_colours(w, s.saved[0], s.saved[1], s.saved[2]);
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
            return CDRF_NOTIFYITEMDRAW;
        case CDDS_ITEMPREPAINT: {
            const auto row = static_cast<WPARAM>(cd.nmcd.dwItemSpec);
            const bool selected =
                SendMessageW(cd.nmcd.hdr.hwndFrom, LVM_GETITEMSTATE, row, LVIS_SELECTED) != 0;
            // The list would paint a selected row in the system's colours; it is told the row
            // is not selected and given ours.
            cd.nmcd.uItemState &= ~static_cast<UINT>(CDIS_SELECTED | CDIS_FOCUS);
            cd.clrText = selected ? p[Role::selection_text] : p[Role::list_text];
            cd.clrTextBk = selected ? p[Role::selection] : p[Role::list];
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
