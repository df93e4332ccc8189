#include <windows.h>

#include "skin/engine/windows.h"

namespace skin::engine {

void repaint_now(HWND w) {
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_NOCHILDREN);
}

HFONT font_of(HWND w) {
    auto font = reinterpret_cast<HFONT>(SendMessageW(w, WM_GETFONT, 0, 0));
    return font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

void paint_client_edge(HWND w, const Palette& p, COLORREF inner) {
    if (!(GetWindowLongPtrW(w, GWL_EXSTYLE) & WS_EX_CLIENTEDGE)) return;
    WindowDc dc(w);
    if (!dc.dc()) return;
    RECT r{};
    GetWindowRect(w, &r);
    OffsetRect(&r, -r.left, -r.top);
    const bool focused = GetFocus() == w;
    frame(dc.dc(), r, focused ? p[Role::accent] : p[Role::border]);
    InflateRect(&r, -1, -1);
    frame(dc.dc(), r, inner);
}

}  // namespace skin::engine
