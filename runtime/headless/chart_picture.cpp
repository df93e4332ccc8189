#include "runtime/headless/chart_picture.h"

namespace runtime::headless {

namespace {

void draw_plot(PixelCanvas& canvas, const ChartPlot& plot, const skin::ChartColours& colours) {
    const Rect& a = plot.area;
    for (int y : plot.grid)
        canvas.fill({a.left, y, a.width, 1}, colours.grid);
}

void draw_axes(PixelCanvas& canvas, const ChartPlot& plot, const skin::ChartColours& colours) {
    const Rect& a = plot.area;
    canvas.fill({a.left - 1, a.top, 1, a.height + 1}, colours.axis);
    canvas.fill({a.left - 1, a.top + a.height, a.width + 1, 1}, colours.axis);
}

}  // namespace

PixelCanvas draw_figure_chart(const FigureLayout& layout, const skin::ChartColours& colours,
                              int width, int height) {
    PixelCanvas canvas(width, height, colours.background);
    if (layout.bars_plot.area.width <= 0) return canvas;
    draw_plot(canvas, layout.bars_plot, colours);
    draw_plot(canvas, layout.line_plot, colours);
    for (const ChartBar& bar : layout.bars)
        canvas.fill(bar.rect, colours.bars[bar.series % colours.bars.size()]);
    draw_axes(canvas, layout.bars_plot, colours);
    draw_axes(canvas, layout.line_plot, colours);
    for (const auto& run : layout.line) {
        for (std::size_t i = 1; i < run.size(); ++i)
            canvas.line(run[i - 1], run[i], 2, colours.line);
        for (const ChartPoint& p : run)
            canvas.dot(p, 3, colours.line);
    }
    for (const LegendEntry& e : layout.legend)
        canvas.fill(e.swatch, colours.bars[e.series % colours.bars.size()]);
    return canvas;
}

}  // namespace runtime::headless
