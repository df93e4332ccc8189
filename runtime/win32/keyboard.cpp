// The keyboard in the program's windows, as in any Windows dialog: Tab walks the controls in
// reading order, a window opens with the keyboard in its first box and gets it back there
// when it returns to the front, Enter presses the default button, Esc closes a dialog.
#include <set>
#include <vector>

#include "runtime/tab_order.h"
#include "runtime/win32/window.h"

namespace runtime::win32 {

namespace {

bool has_style(HWND h, LONG_PTR style) {
    return h && (GetWindowLongPtrW(h, GWL_STYLE) & style) == style;
}

}  // namespace

void Win32Window::arrange_tab_order() {
    // Tab follows the order of the windows on top of each other. The tab stops swap places
    // among themselves only: every other control keeps its place, so what overlaps what, and
    // with it the look, stays as created.
    std::vector<HWND> stack;
    for (HWND h = GetWindow(hwnd_, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
        stack.push_back(h);
    std::vector<HWND> wanted;
    for (const Control* c : tab_order(form_))
        if (HWND h = child(c->name).hwnd) wanted.push_back(h);
    const std::set<HWND> stops(wanted.begin(), wanted.end());
    auto next = wanted.begin();
    for (HWND& h : stack)
        if (stops.count(h) && next != wanted.end()) h = *next++;
    HWND after = HWND_TOP;
    for (HWND h : stack) {
        SetWindowPos(h, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = h;
    }
}

void Win32Window::choose_first_focus() {
    // The window is not shown yet, so a control's own visible flag is what counts.
    const Control* first = first_focus(form_, [this](const Control& c) {
        HWND h = child(c.name).hwnd;
        return has_style(h, WS_VISIBLE) && IsWindowEnabled(h);
    });
    focus_ = first ? child(first->name).hwnd : nullptr;
    if (focus_ && GetActiveWindow() == hwnd_) SetFocus(focus_);
}

void Win32Window::on_activate(bool active) {
    if (!active) {
        HWND now = GetFocus();
        if (now && IsChild(hwnd_, now)) focus_ = now;
        return;
    }
    if (focus_ && IsWindow(focus_) && IsWindowVisible(focus_) && IsWindowEnabled(focus_))
        SetFocus(focus_);
}

LRESULT Win32Window::default_button_id() const {
    for (const auto& [name, c] : children_)
        if (c.def->kind == ControlKind::button && c.def->default_button && c.hwnd &&
            IsWindowVisible(c.hwnd) && IsWindowEnabled(c.hwnd))
            return MAKELRESULT(c.id, DC_HASDEFID);
    return 0;
}

void Win32Window::to_next_control(bool backwards) {
    if (HWND next = GetNextDlgTabItem(hwnd_, GetFocus(), backwards ? TRUE : FALSE)) SetFocus(next);
}

bool Win32Window::on_dialog_command(UINT id) {
    // What the dialog manager sends for Enter without a default button, and for Esc.
    if (id == IDOK) return true;
    if (id != IDCANCEL) return false;
    if (dialog_) close();
    return true;
}

}  // namespace runtime::win32
