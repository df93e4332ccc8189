// The keyboard in the program's windows, as in any Windows dialog: Tab walks the controls in
// reading order, a window opens with the keyboard in its first box and gets it back there
// when it returns to the front, Enter presses the default button, Esc closes a dialog.
#include <set>
#include <string>
#include <vector>

#include "runtime/tab_order.h"
#include "runtime/win32/wide_text.h"
#include "runtime/win32/window.h"

namespace runtime::win32 {

namespace {

bool has_style(HWND h, LONG_PTR style) {
    return h && (GetWindowLongPtrW(h, GWL_STYLE) & style) == style;
}

// The virtual key and the modifiers of a chord as the key bindings spell it: "Ctrl+N",
// "Shift+F10", "Del", "Enter", "Esc", "F5", "Apps", "Space", "Up", "Down".
struct Chord {
    UINT key = 0;
    bool ctrl = false, shift = false;
};

Chord parse_chord(std::string_view text) {
    Chord c;
    for (;;) {
        if (text.starts_with("Ctrl+")) {
            c.ctrl = true;
            text.remove_prefix(5);
        } else if (text.starts_with("Shift+")) {
            c.shift = true;
            text.remove_prefix(6);
        } else {
            break;
        }
    }
    if (text.size() == 1 &&
        ((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= '0' && text[0] <= '9')))
        c.key = static_cast<UINT>(text[0]);
    else if (text.size() >= 2 && text[0] == 'F' && text.size() <= 3)
        c.key = VK_F1 + static_cast<UINT>(std::stoi(std::string(text.substr(1)))) - 1;
    else if (text == "Enter")
        c.key = VK_RETURN;
    else if (text == "Esc")
        c.key = VK_ESCAPE;
    else if (text == "Del")
        c.key = VK_DELETE;
    else if (text == "Apps")
        c.key = VK_APPS;
    else if (text == "Space")
        c.key = VK_SPACE;
    else if (text == "Up")
        c.key = VK_UP;
    else if (text == "Down")
        c.key = VK_DOWN;
    return c;
}

}  // namespace

bool Win32Window::translate_key(const MSG& msg) {
    // Which control of ours has the keyboard: a drop-down's inner box counts as the drop-down.
    std::string_view in;
    for (const auto& [name, c] : children_)
        if (c.hwnd && (c.hwnd == msg.hwnd || IsChild(c.hwnd, msg.hwnd))) in = name;
    if (msg.message == WM_CHAR) {
        // Letters typed into a list that listens for them, not the list's own jump to a row.
        const auto ch = static_cast<wchar_t>(msg.wParam);
        if (in.empty() || ch < 0x20 || ch == 0x7F || (GetKeyState(VK_CONTROL) & 0x8000))
            return false;
        const Child& c = child(in);
        if (c.def->kind != ControlKind::list_view) return false;
        bool listens = false;
        for (const auto& b : c.def->events)
            listens = listens || b.event == Event::typed;
        if (!listens) return false;
        fire(in, Event::typed, EventArgs{0, from_wide(std::wstring(1, ch))});
        return true;
    }
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
    const bool ctrl = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
    const bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
    for (const auto& k : form_.keys) {
        const Chord c = parse_chord(k.chord);
        if (c.key != msg.wParam || c.ctrl != ctrl || c.shift != shift) continue;
        if (!k.only_in.empty() && k.only_in != in) continue;
        auto handler = handlers_.find(k.handler);
        if (handler != handlers_.end() && handler->second)
            handler->second(*this, EventArgs{0, k.chord});
        return true;
    }
    return false;
}

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
