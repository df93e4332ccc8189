// Edit boxes: their inside comes from the parent's WM_CTLCOLOREDIT; here only their frame,
// which turns the accent colour while the box has the focus.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include "skin/engine/windows.h"

namespace skin::engine {

LRESULT edit_message(HWND w, UINT m, WPARAM wp, LPARAM lp, const Palette& p) {
    switch (m) {
        case WM_NCPAINT: {
            LRESULT r = DefSubclassProc(w, m, wp, lp);
            paint_client_edge(w, p, p[Role::edit]);
            return r;
        }
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_ENABLE: {
            LRESULT r = DefSubclassProc(w, m, wp, lp);
            RedrawWindow(w, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
            return r;
        }
        default:
            return DefSubclassProc(w, m, wp, lp);
    }
}

}  // namespace skin::engine
