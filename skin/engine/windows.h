#pragma once
// The windows the engine paints: which kind each is, what it remembers about each, and the
// message handlers of each kind. Every handler ends in DefSubclassProc for what it leaves to
// the control.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <optional>

#include "skin/engine/palette.h"

namespace skin::engine {

enum class Kind {
    container,  // a top-level window or dialog: the backgrounds and colours of its children
    push_button,
    check_button,  // check boxes and radio buttons
    edit,
    combo,  // drop-down lists
    list_view,
    header,
    toolbar,
    up_down,
    date_picker,
    progress_bar,
};

// What the engine keeps per window it paints.
struct WindowState {
    Kind kind = Kind::container;
    bool hot = false;      // the mouse is over it
    int pressed_part = 0;  // up-down: 1 the upper arrow, 2 the lower one is held down
    bool colours_saved = false;
    // A list view's or date picker's own colours before the skin, put back on detach.
    COLORREF saved[6] = {};
};

// The kind of window a skin paints, from its class and style; nullopt for one it leaves alone.
std::optional<Kind> classify(HWND window, DWORD style, HWND parent);

// Handlers, one per kind; `p` is the palette attached now.
LRESULT container_message(HWND w, UINT m, WPARAM wp, LPARAM lp, const Palette& p);
LRESULT button_message(HWND w, UINT m, WPARAM wp, LPARAM lp, WindowState& s, const Palette& p);
LRESULT edit_message(HWND w, UINT m, WPARAM wp, LPARAM lp, const Palette& p);
LRESULT combo_message(HWND w, UINT m, WPARAM wp, LPARAM lp, WindowState& s, const Palette& p);
LRESULT list_view_message(HWND w, UINT m, WPARAM wp, LPARAM lp, WindowState& s, const Palette& p);
LRESULT header_message(HWND w, UINT m, WPARAM wp, LPARAM lp, const Palette& p);
LRESULT toolbar_message(HWND w, UINT m, WPARAM wp, LPARAM lp, const Palette& p);
LRESULT up_down_message(HWND w, UINT m, WPARAM wp, LPARAM lp, WindowState& s, const Palette& p);
LRESULT date_picker_message(HWND w, UINT m, WPARAM wp, LPARAM lp, WindowState& s, const Palette& p);
LRESULT progress_bar_message(HWND w, UINT m, WPARAM wp, LPARAM lp, const Palette& p);

// Colours a control keeps by value (list views, calendars): set from the palette, or put back
// as they were when `p` is null.
void apply_kept_colours(HWND w, WindowState& s, const Palette* p);

// Custom draw of a toolbar's entries and a list view's rows, asked of their parent.
LRESULT draw_toolbar(NMTBCUSTOMDRAW& cd, const Palette& p);
LRESULT draw_list_rows(NMLVCUSTOMDRAW& cd, const Palette& p);

// The 2-pixel sunken edge of a box (WS_EX_CLIENTEDGE), redrawn flat in the scheme's colours.
void paint_client_edge(HWND w, const Palette& p, COLORREF inner);

// Paints the control now, over whatever the control itself drew a moment ago.
void repaint_now(HWND w);

// The messages of a control the engine paints whole: WM_PAINT and WM_PRINTCLIENT go to
// `paint` with the DC to draw on (null: the window's own paint DC), and the background is
// never erased first, which would flicker. True, with the message's result, for those three.
template <class Paint>
bool paint_whole(UINT m, WPARAM wp, LRESULT& result, Paint&& paint) {
    switch (m) {
        case WM_PAINT:
            paint(HDC{});
            result = 0;
            return true;
        case WM_PRINTCLIENT:
            paint(reinterpret_cast<HDC>(wp));
            result = 0;
            return true;
        case WM_ERASEBKGND:
            result = 1;
            return true;
        default:
            return false;
    }
}

// The font a control draws its text with.
HFONT font_of(HWND w);

}  // namespace skin::engine
