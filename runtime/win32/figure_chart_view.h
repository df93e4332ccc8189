#pragma once
// The figure chart control: a child window that draws runtime/figure_chart.h's layout with
// GDI in the colours of the window it sits on, and saves the same drawing as a PNG picture.
// clang-format off
#include <windows.h>
// clang-format on

#include <string>

#include "runtime/figure_chart.h"
#include "runtime/form.h"

namespace runtime::win32 {

inline constexpr const wchar_t* kFigureChartClass = L"LanqiaoFigureChart";

// What one chart window draws; the window holds a pointer to it in GWLP_USERDATA.
struct FigureChartState {
    const Control* def = nullptr;
    FigureChart data;
    HFONT font = nullptr;  // the window's, not owned
};

void register_figure_chart_class();

// The chart window's drawing at its size, as a PNG at `path` (FilesAdapter::replace); false
// when it could not be drawn or written.
bool save_figure_picture(HWND chart, const FigureChartState& state, const std::string& path);

}  // namespace runtime::win32
