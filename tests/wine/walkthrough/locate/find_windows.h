// Finding the program's windows from outside: by title, by control number, by caption.
#pragma once

// clang-format off
#include <windows.h>
// clang-format on

#include <string>
#include <vector>

namespace locate {

// The visible top-level window titled `title`, waiting up to `seconds` for it to show.
HWND wait_for_window(const std::wstring& title, int seconds);

// True once no visible top-level window is titled `title`, waiting up to `seconds`.
bool wait_until_gone(const std::wstring& title, int seconds);

// The visible pop-up menu, waiting up to `seconds`.
HWND wait_for_menu(int seconds);

// A child window by its class name (the first one, depth first).
HWND child_of_class(HWND parent, const wchar_t* cls);

// A child window whose own text is `caption` (message box buttons, dialog buttons).
HWND child_with_caption(HWND parent, const std::wstring& caption);

// The texts of the labels inside a window, in creation order.
std::vector<std::wstring> label_texts(HWND parent);

// A control's text, also when it lives in another process.
std::wstring text_of(HWND control);

}  // namespace locate
