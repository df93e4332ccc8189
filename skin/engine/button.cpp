// Push buttons, check boxes and radio buttons, painted whole in the scheme's colours. The
// control keeps its own behaviour; it only never gets to paint.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <string>

#include "skin/engine/windows.h"

namespace skin::engine {

namespace {

std::wstring text_of(HWND w) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(w)) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(GetWindowTextW(w, text.data(), static_cast<int>(text.size()))));
    return text;
}

UINT text_flags(HWND w) {
    auto ui = static_cast<UINT>(SendMessageW(w, WM_QUERYUISTATE, 0, 0));
    return (ui & UISF_HIDEACCEL) ? DT_HIDEPREFIX : 0;
}

bool shows_focus(HWND w) {
    auto ui = static_cast<UINT>(SendMessageW(w, WM_QUERYUISTATE, 0, 0));
    return GetFocus() == w && !(ui & UISF_HIDEFOCUS);
}

int scaled(HDC dc, int pixels) {
    return MulDiv(pixels, GetDeviceCaps(dc, LOGPIXELSY), 96);
}

// A vertical blend from `top` to `bottom`, a band per pixel row.
void gradient(HDC dc, RECT r, COLORREF top, COLORREF bottom) {
    const int height = r.bottom - r.top;
    for (int y = 0; y < height; ++y) {
        auto part = [&](int a, int b) {
            return static_cast<BYTE>(a + (b - a) * y / (height > 1 ? height - 1 : 1));
        };
        RECT row{r.left, r.top + y, r.right, r.top + y + 1};
        fill(dc, row,
             RGB(part(GetRValue(top), GetRValue(bottom)), part(GetGValue(top), GetGValue(bottom)),
                 part(GetBValue(top), GetBValue(bottom))));
    }
}

void outline(HDC dc, const RECT& r, COLORREF colour, int round) {
    SetDCPenColor(dc, colour);
    Selected pen(dc, GetStockObject(DC_PEN));
    Selected brush(dc, GetStockObject(NULL_BRUSH));
    RoundRect(dc, r.left, r.top, r.right, r.bottom, round, round);
}

void paint_push(HWND w, HDC dc, const WindowState& s, const Palette& p) {
    RECT r{};
    GetClientRect(w, &r);
    const auto state = static_cast<UINT>(SendMessageW(w, BM_GETSTATE, 0, 0));
    const bool pressed = state & BST_PUSHED;
    const bool enabled = IsWindowEnabled(w) != FALSE;
    const bool is_default = (GetWindowLongPtrW(w, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    fill(dc, r, p[Role::window]);
    RECT face = r;
    InflateRect(&face, -1, -1);
    if (enabled && (pressed || s.hot))
        fill(dc, face, p[Role::button_hot]);
    else
        gradient(dc, face, p[Role::button], p[Role::button_bottom]);
    const int round = scaled(dc, 5);
    outline(dc, r, enabled && (is_default || GetFocus() == w) ? p[Role::accent] : p[Role::border],
            round);
    RECT text = r;
    if (pressed) OffsetRect(&text, 1, 1);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, enabled ? p[Role::button_text] : p.muted(Role::button_text, Role::button));
    Selected font(dc, font_of(w));
    std::wstring caption = text_of(w);
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | text_flags(w));
    if (shows_focus(w)) {
        RECT f = r;
        InflateRect(&f, -scaled(dc, 3), -scaled(dc, 3));
        DrawFocusRect(dc, &f);
    }
}

void paint_check(HWND w, HDC dc, const WindowState& s, const Palette& p) {
    RECT r{};
    GetClientRect(w, &r);
    const auto style = static_cast<UINT>(GetWindowLongPtrW(w, GWL_STYLE));
    const UINT type = style & BS_TYPEMASK;
    const bool radio = type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
    const auto check = static_cast<UINT>(SendMessageW(w, BM_GETCHECK, 0, 0));
    const bool enabled = IsWindowEnabled(w) != FALSE;
    const auto state = static_cast<UINT>(SendMessageW(w, BM_GETSTATE, 0, 0));
    fill(dc, r, p[Role::window]);

    const int size = scaled(dc, 13);
    const int top = r.top + (r.bottom - r.top - size) / 2;
    RECT box{r.left, top, r.left + size, top + size};
    const COLORREF edge =
        enabled && (s.hot || (state & BST_PUSHED)) ? p[Role::accent] : p[Role::border];
    const COLORREF inside = (state & BST_PUSHED) ? p[Role::button_hot] : p[Role::edit];
    const COLORREF mark = enabled ? p[Role::accent] : p.muted(Role::accent, Role::edit);
    SetDCBrushColor(dc, inside);
    SetDCPenColor(dc, edge);
    {
        Selected pen(dc, GetStockObject(DC_PEN));
        Selected brush(dc, GetStockObject(DC_BRUSH));
        if (radio)
            Ellipse(dc, box.left, box.top, box.right, box.bottom);
        else
            Rectangle(dc, box.left, box.top, box.right, box.bottom);
        if (check == BST_CHECKED && radio) {
            SetDCBrushColor(dc, mark);
            SetDCPenColor(dc, mark);
            const int in = size / 4 + 1;
            Ellipse(dc, box.left + in, box.top + in, box.right - in, box.bottom - in);
        } else if (check == BST_CHECKED) {
            // A tick two pixels thick, as one filled shape.
            SetDCBrushColor(dc, mark);
            SetDCPenColor(dc, mark);
            const int x = box.left, y = box.top, u = size;
            POINT tick[] = {{x + u * 3 / 13, y + u * 6 / 13},  {x + u * 5 / 13, y + u * 8 / 13},
                            {x + u * 10 / 13, y + u * 3 / 13}, {x + u * 10 / 13, y + u * 5 / 13},
                            {x + u * 5 / 13, y + u * 10 / 13}, {x + u * 3 / 13, y + u * 8 / 13}};
            Polygon(dc, tick, 6);
        } else if (check == BST_INDETERMINATE) {
            RECT dash{box.left + size / 4, box.top + size * 5 / 13, box.right - size / 4,
                      box.bottom - size * 5 / 13};
            fill(dc, dash, mark);
        }
    }
    RECT text{box.right + scaled(dc, 4), r.top, r.right, r.bottom};
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, enabled ? p[Role::window_text] : p.muted(Role::window_text, Role::window));
    Selected font(dc, font_of(w));
    std::wstring caption = text_of(w);
    RECT measured = text;
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &measured,
              DT_SINGLELINE | DT_CALCRECT | text_flags(w));
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE | text_flags(w));
    if (shows_focus(w) && !caption.empty()) {
        const int height = measured.bottom - measured.top;
        RECT f{text.left - 1, r.top + (r.bottom - r.top - height) / 2 - 1,
               std::min(measured.right, r.right) + 1, 0};
        f.bottom = f.top + height + 2;
        DrawFocusRect(dc, &f);
    }
}

void paint(HWND w, HDC given, const WindowState& s, const Palette& p) {
    PaintDc pd(w, given);
    if (!pd.dc()) return;
    SavedDc saved(pd.dc());
    if (s.kind == Kind::push_button)
        paint_push(w, pd.dc(), s, p);
    else
        paint_check(w, pd.dc(), s, p);
}

// Messages after which the button may have drawn itself, in its own colours, outside
// WM_PAINT; it is painted over at once.
bool changes_look(UINT m) {
    switch (m) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_LBUTTONUP:
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_CHAR:
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_ENABLE:
        case WM_SETTEXT:
        case WM_CAPTURECHANGED:
        case WM_UPDATEUISTATE:
        case BM_SETSTATE:
        case BM_SETCHECK:
        case BM_SETSTYLE:
        case BM_CLICK:
            return true;
        default:
            return false;
    }
}

}  // namespace

LRESULT button_message(HWND w, UINT m, WPARAM wp, LPARAM lp, WindowState& s, const Palette& p) {
    if (LRESULT painted = 0; paint_whole(m, wp, painted, [&](HDC dc) { paint(w, dc, s, p); }))
        return painted;
    switch (m) {
        case WM_MOUSEMOVE: {
            // Dragged off while held down, the button lets go and draws itself raised.
            const auto before = SendMessageW(w, BM_GETSTATE, 0, 0);
            const bool entered = !s.hot;
            if (entered) {
                s.hot = true;
                TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, w, 0};
                TrackMouseEvent(&track);
            }
            LRESULT r = DefSubclassProc(w, m, wp, lp);
            if (entered || SendMessageW(w, BM_GETSTATE, 0, 0) != before) repaint_now(w);
            return r;
        }
        case WM_MOUSELEAVE:
            s.hot = false;
            repaint_now(w);
            break;
        default:
            if (changes_look(m)) {
                LRESULT r = DefSubclassProc(w, m, wp, lp);
                if (IsWindow(w)) repaint_now(w);
                return r;
            }
            break;
    }
    return DefSubclassProc(w, m, wp, lp);
}

}  // namespace skin::engine
