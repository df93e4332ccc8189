// Rectangles that a control of another process writes through a pointer: a toolbar entry's,
// a list row's. Read only: the messages ask, they change nothing.
#pragma once

// clang-format off
#include <windows.h>
// clang-format on

#include <optional>

namespace locate {

// Entry `index` of a toolbar, separators counted, in screen coordinates.
std::optional<RECT> toolbar_entry(HWND toolbar, int index);

// Row `row` of a report list, all its columns, in screen coordinates.
std::optional<RECT> list_row(HWND list, int row);

// Item `index` of a header control (a list's column titles), in screen coordinates.
std::optional<RECT> header_item(HWND header, int index);

// The number of rows of a list.
int list_rows(HWND list);

}  // namespace locate
