#pragma once
// What a figure chart shows, and where each part of it goes: bars side by side per group in
// the upper part, a line of percents below. Worked out apart from the drawing, so that both
// backends, the window and the saved picture show the same.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "runtime/form.h"

namespace runtime {

struct FigureChart {
    std::string bars_title;               // e.g. "本月 各旺旺的新咨询与成交"
    std::vector<std::string> groups;      // one per ID of ours, e.g. "小店一号"
    std::vector<std::string> bar_series;  // e.g. {"新咨询", "成交"}: bars side by side per group
    std::vector<std::vector<double>> bars;    // [series][group], counts >= 0
    std::string line_title;                   // e.g. "近 12 个月询单转化率"
    std::vector<std::string> points;          // e.g. "1月" .. "12月", oldest first
    std::vector<std::optional<double>> line;  // percent 0..100 per point; nullopt: no value that
                                              // month (the line breaks there)
    bool operator==(const FigureChart&) const = default;
};

// Text as the drawing's font sets it: a line's height, and the width of a character of a wide
// script (Chinese) and of a narrow one (digits, Latin letters).
struct TextSize {
    int line = 16;
    int wide = 12;
    int narrow = 7;
};

struct ChartPoint {
    int x = 0, y = 0;
    bool operator==(const ChartPoint&) const = default;
};

struct ChartLabel {
    std::string text;
    int x = 0;  // where the text starts, is centred or ends, as `align` says
    int y = 0;  // the top of its line
    Align align = Align::left;
};

struct ChartBar {
    std::size_t series = 0, group = 0;
    Rect rect;  // 0 high for a count of 0
};

struct LegendEntry {
    std::size_t series = 0;
    Rect swatch;
    ChartLabel label;
};

// An axis from 0 to `maximum`, its gridlines at `ticks`: round numbers evenly apart.
struct ChartScale {
    double maximum = 1;
    std::vector<double> ticks;
    bool operator==(const ChartScale&) const = default;
};

struct ChartPlot {
    Rect area;  // inside the axes: the left axis runs down its left edge, the base along its
                // bottom
    ChartScale scale;
    std::vector<int> grid;  // the y of each tick's gridline, in the order of the ticks
};

struct FigureLayout {
    ChartPlot bars_plot, line_plot;
    std::vector<ChartBar> bars;  // group by group, the series side by side within each
    // The line in runs of neighbouring points that have a value; a point without one breaks
    // it, and a run may be a single point.
    std::vector<std::vector<ChartPoint>> line;
    std::vector<ChartLabel> labels;  // titles, tick values, group and point names
    std::vector<LegendEntry> legend;
};

// The count axis for bars up to `largest`: at most five steps of 1, 2 or 5 times a power of
// ten, never less than 1 (counts are whole), 0 .. 5 when there is nothing to count.
ChartScale count_scale(double largest);

// Where everything goes in a chart of `width` x `height` pixels. Any data and any size give
// a layout within the chart; one with no room for its plots shows nothing at all. Counts are
// taken as the pie chart takes its values, percents within 0 .. 100; a percent that is not a
// number is no value.
FigureLayout lay_out_figure_chart(const FigureChart& chart, int width, int height,
                                  const TextSize& text = {});

// The width of `text` in pixels, and the text cut with "…" to fit `room` ("" when not even
// one character would).
int text_width(const std::string& text, const TextSize& size);
std::string fit_text(const std::string& text, int room, const TextSize& size);

}  // namespace runtime
