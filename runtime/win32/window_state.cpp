// The main window as the user left it, the tray icon's notification, and the small settings
// of menus and focus.
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include "runtime/win32/wide_text.h"
#include "runtime/win32/window.h"

namespace runtime::win32 {

WindowState Win32Window::window_state() const {
    WINDOWPLACEMENT p{};
    p.length = sizeof p;
    if (!GetWindowPlacement(hwnd_, &p)) return {};
    const RECT& r = p.rcNormalPosition;
    return {{logical(r.left), logical(r.top), logical(r.right - r.left), logical(r.bottom - r.top)},
            p.showCmd == SW_SHOWMAXIMIZED ||
                (p.showCmd == SW_SHOWMINIMIZED && (p.flags & WPF_RESTORETOMAXIMIZED))};
}

void Win32Window::set_window_state(const WindowState& state) {
    RECT r{px(state.normal.left), px(state.normal.top), px(state.normal.left + state.normal.width),
           px(state.normal.top + state.normal.height)};
    // A place on a screen that is gone (a second monitor unplugged) comes onto the main one.
    if (!MonitorFromRect(&r, MONITOR_DEFAULTTONULL)) {
        const int width = r.right - r.left, height = r.bottom - r.top;
        r = {px(form_.left), px(form_.top), px(form_.left) + width, px(form_.top) + height};
    }
    WINDOWPLACEMENT p{};
    p.length = sizeof p;
    p.rcNormalPosition = r;
    p.showCmd =
        state.maximised ? SW_SHOWMAXIMIZED : (IsWindowVisible(hwnd_) ? SW_SHOWNORMAL : SW_HIDE);
    SetWindowPlacement(hwnd_, &p);
}

void Win32Window::show_tray_balloon(std::string_view title, std::string_view text) {
    if (!tray_) return;
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = hwnd_;
    data.uID = kTrayId;
    data.uFlags = NIF_INFO;
    data.dwInfoFlags = NIIF_INFO;
    wcsncpy_s(data.szInfoTitle, to_wide(title).c_str(), _TRUNCATE);
    wcsncpy_s(data.szInfo, to_wide(text).c_str(), _TRUNCATE);
    data.uCallbackMessage = kTrayMessage;
    Shell_NotifyIconW(NIM_MODIFY, &data);
}

void Win32Window::set_focus(std::string_view control) {
    HWND h = hwnd_of(control);
    focus_ = h;
    SetFocus(h);
    // Typing goes on after what the box holds.
    if (child(control).def->kind == ControlKind::edit) {
        const auto end = static_cast<WPARAM>(GetWindowTextLengthW(h));
        SendMessageW(h, EM_SETSEL, end, static_cast<LPARAM>(end));
    }
}

void Win32Window::set_menu_item_checked(std::string_view caption, bool checked) {
    menu_checked_[std::string(caption)] = checked;
}

}  // namespace runtime::win32
