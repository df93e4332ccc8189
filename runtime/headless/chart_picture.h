#pragma once
// A figure chart drawn into pixels as the window draws it, shapes without their text: the
// picture the in-memory windows save.
#include "runtime/figure_chart.h"
#include "runtime/headless/pixel_canvas.h"
#include "skin/chart_colours.h"

namespace runtime::headless {

PixelCanvas draw_figure_chart(const FigureLayout& layout, const skin::ChartColours& colours,
                              int width, int height);

}  // namespace runtime::headless
