#pragma once
// A window with one control of every kind the skin engine paints, and reading back what the
// screen shows of it.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

struct TestWindow {
    HWND main = nullptr, label = nullptr, edit = nullptr, button = nullptr, check = nullptr,
         combo = nullptr, number = nullptr, spin = nullptr, toolbar = nullptr, list = nullptr,
         date = nullptr;
};

// Makes the window at the top left of the screen, shown and painted.
bool make_test_window(TestWindow& w);
// A dialog-class window with a label, opened after a skin was attached.
HWND make_dialog();
// Paints everything that is waiting to be painted and handles pending messages.
void settle(HWND top);
// The colour at client point x, y of `w` (of its whole window with `frame`).
COLORREF pixel(HWND w, int x, int y, bool frame = false);
