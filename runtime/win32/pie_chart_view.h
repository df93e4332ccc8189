#pragma once
// The pie chart control: a child window that draws its items' slices and a legend.
// clang-format off
#include <windows.h>
// clang-format on

#include <vector>

#include "runtime/form.h"

namespace runtime::win32 {

inline constexpr const wchar_t* kPieChartClass = L"LanqiaoPieChart";

// What one chart window draws; the window holds a pointer to it in GWLP_USERDATA.
struct PieChartState {
    const Control* def = nullptr;  // names, colours, unit
    std::vector<double> values;
    bool three_d = false;
    HFONT font = nullptr;
};

void register_pie_chart_class();

}  // namespace runtime::win32
