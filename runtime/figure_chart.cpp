#include "runtime/figure_chart.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "runtime/pie_chart.h"

namespace runtime {

namespace {

constexpr int kLargestSide = 16384;  // no screen or picture is larger; keeps the sums in int
constexpr int kMostSteps = 5;
const std::string kEllipsis = "…";

bool is_lead_byte(unsigned char c) {
    return (c & 0xC0) != 0x80;
}

int rounded(double v) {
    return static_cast<int>(std::lround(v));
}

std::string tick_text(double value, bool percent) {
    char text[32];
    std::snprintf(text, sizeof text, percent ? "%.0f%%" : "%.0f", value);
    return text;
}

// Labels under a row of `count` slots `slot` pixels wide, centred under each: every k-th one
// when a slot is too narrow to show even a character of its own.
void label_slots(const std::vector<std::string>& names, std::size_t count, const Rect& area,
                 double slot, const TextSize& text, std::vector<ChartLabel>& labels) {
    std::size_t every = 1;
    const double narrowest = 2.0 * text.wide + 2;  // a character, "…" and a pixel either side
    while (every < count && slot * static_cast<double>(every) < narrowest)
        ++every;
    const int room = rounded(slot * static_cast<double>(every)) - 2;
    for (std::size_t i = 0; i < count && i < names.size(); i += every) {
        std::string shown = fit_text(names[i], room, text);
        if (shown.empty()) continue;
        labels.push_back({std::move(shown),
                          area.left + rounded((static_cast<double>(i) + 0.5) * slot),
                          area.top + area.height + 2, Align::centre});
    }
}

// The gridlines and the tick values left of the axis.
void lay_out_scale(ChartPlot& plot, bool percent, int label_right, const TextSize& text,
                   std::vector<ChartLabel>& labels) {
    const Rect& a = plot.area;
    for (double tick : plot.scale.ticks) {
        const int y = a.top + a.height - rounded(tick / plot.scale.maximum * a.height);
        plot.grid.push_back(y);
        labels.push_back({tick_text(tick, percent), label_right, y - text.line / 2, Align::right});
    }
}

double percent_of(const std::optional<double>& v) {
    return std::clamp(*v, 0.0, 100.0);
}

bool has_value(const std::optional<double>& v) {
    return v.has_value() && !std::isnan(*v);
}

}  // namespace

int text_width(const std::string& text, const TextSize& size) {
    long long width = 0;
    for (unsigned char c : text)
        if (is_lead_byte(c)) width += c < 0x80 ? size.narrow : size.wide;
    return static_cast<int>(std::min<long long>(width, kLargestSide * 4LL));
}

std::string fit_text(const std::string& text, int room, const TextSize& size) {
    if (text_width(text, size) <= room) return text;
    const int ellipsis = text_width(kEllipsis, size);
    int width = 0;
    std::size_t end = 0;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t next = at + 1;
        while (next < text.size() && !is_lead_byte(static_cast<unsigned char>(text[next])))
            ++next;
        const int w = static_cast<unsigned char>(text[at]) < 0x80 ? size.narrow : size.wide;
        if (width + w + ellipsis > room) break;
        width += w;
        end = at = next;
    }
    return end == 0 ? std::string() : text.substr(0, end) + kEllipsis;
}

ChartScale count_scale(double largest) {
    largest = clamp_chart_value(largest);
    if (largest == 0) largest = kMostSteps;
    const double power = std::pow(10.0, std::floor(std::log10(largest / kMostSteps)));
    double step = 1;
    for (double m : {1.0, 2.0, 5.0, 10.0}) {
        step = std::max(1.0, m * power);
        if (std::ceil(largest / step - 1e-9) <= kMostSteps) break;
    }
    const int steps = std::max(1, static_cast<int>(std::ceil(largest / step - 1e-9)));
    ChartScale scale;
    scale.maximum = steps * step;
    for (int i = 0; i <= steps; ++i)
        scale.ticks.push_back(i * step);
    return scale;
}

FigureLayout lay_out_figure_chart(const FigureChart& chart, int width, int height,
                                  const TextSize& given) {
    FigureLayout layout;
    const int w = std::clamp(width, 0, kLargestSide), h = std::clamp(height, 0, kLargestSide);
    TextSize text{std::clamp(given.line, 1, 256), std::clamp(given.wide, 1, 256),
                  std::clamp(given.narrow, 1, 256)};
    const int pad = std::max(4, text.line / 2);

    // The count axis's values and the percents share one column left of both plots.
    std::size_t series = std::max(chart.bar_series.size(), chart.bars.size());
    double largest = 0;
    for (std::size_t s = 0; s < chart.bars.size(); ++s)
        for (std::size_t g = 0; g < chart.groups.size() && g < chart.bars[s].size(); ++g)
            largest = std::max(largest, clamp_chart_value(chart.bars[s][g]));
    layout.bars_plot.scale = count_scale(largest);
    layout.line_plot.scale = {100, {0, 25, 50, 75, 100}};
    int values_width = text_width(tick_text(100, true), text);
    for (double tick : layout.bars_plot.scale.ticks)
        values_width = std::max(values_width, text_width(tick_text(tick, false), text));

    // Top to bottom: title, bars, group names; a gap; title, line, point names. Without room
    // for both plots, only the scales.
    const int left = pad + values_width + 4, right = w - pad;
    const int rows = 4 * text.line + 2 * (pad / 2) + 4;
    const int plots = h - 2 * pad - pad - rows;
    if (right - left < 1 || plots < 2) return layout;
    const int bars_height = plots * 55 / 100, line_height = plots - bars_height;
    const int bars_top = pad + text.line + pad / 2;
    layout.bars_plot.area = {left, bars_top, right - left, bars_height};
    const int line_title_top = bars_top + bars_height + 2 + text.line + pad;
    layout.line_plot.area = {left, line_title_top + text.line + pad / 2, right - left, line_height};

    // The legend at the right of the bars' title, which gets the room left of it.
    const int swatch = std::max(4, text.line * 2 / 3);
    const int legend_room = (right - pad) / 2;
    std::vector<LegendEntry> legend;
    int legend_width = 0;
    const int entry_room =
        chart.bar_series.empty()
            ? 0
            : legend_room / static_cast<int>(std::min<std::size_t>(chart.bar_series.size(), 64));
    for (std::size_t s = 0; s < chart.bar_series.size() && s < 64; ++s) {
        std::string name = fit_text(chart.bar_series[s], entry_room - swatch - 4 - pad, text);
        if (name.empty()) continue;
        const int entry = swatch + 4 + text_width(name, text) + pad;
        legend.push_back({s,
                          {legend_width, pad + (text.line - swatch) / 2, swatch, swatch},
                          {std::move(name), legend_width + swatch + 4, pad, Align::left}});
        legend_width += entry;
    }
    const int legend_left = right - std::max(0, legend_width - pad);
    for (LegendEntry& e : legend) {
        e.swatch.left += legend_left;
        e.label.x += legend_left;
    }
    layout.legend = std::move(legend);
    const std::string bars_title =
        fit_text(chart.bars_title, legend_left - pad - (legend_width > 0 ? pad : 0), text);
    if (!bars_title.empty()) layout.labels.push_back({bars_title, pad, pad, Align::left});
    const std::string line_title = fit_text(chart.line_title, right - pad, text);
    if (!line_title.empty())
        layout.labels.push_back({line_title, pad, line_title_top, Align::left});

    lay_out_scale(layout.bars_plot, false, left - 4, text, layout.labels);
    lay_out_scale(layout.line_plot, true, left - 4, text, layout.labels);

    // Bars: each group a slot, its bars side by side in the middle seven tenths of it.
    const Rect& bars = layout.bars_plot.area;
    const std::size_t groups = chart.groups.size();
    if (groups > 0 && series > 0) {
        const double slot = static_cast<double>(bars.width) / static_cast<double>(groups);
        const double bar = slot * 0.7 / static_cast<double>(series);
        for (std::size_t g = 0; g < groups; ++g) {
            const double start = static_cast<double>(g) * slot + slot * 0.15;
            for (std::size_t s = 0; s < series; ++s) {
                const double count = s < chart.bars.size() && g < chart.bars[s].size()
                                         ? clamp_chart_value(chart.bars[s][g])
                                         : 0;
                int x0 = bars.left + rounded(start + static_cast<double>(s) * bar);
                int x1 = bars.left + rounded(start + static_cast<double>(s + 1) * bar);
                x0 = std::min(x0, bars.left + bars.width - 1);
                x1 = std::clamp(x1, x0 + 1, bars.left + bars.width);
                const int tall = rounded(count / layout.bars_plot.scale.maximum * bars.height);
                layout.bars.push_back({s, g, {x0, bars.top + bars.height - tall, x1 - x0, tall}});
            }
        }
        label_slots(chart.groups, groups, bars, slot, text, layout.labels);
    }

    // The line: each point in the middle of its slot.
    const Rect& line = layout.line_plot.area;
    const std::size_t points = chart.points.size();
    if (points > 0) {
        const double slot = static_cast<double>(line.width) / static_cast<double>(points);
        std::vector<ChartPoint> run;
        for (std::size_t i = 0; i <= points; ++i) {
            if (i < points && i < chart.line.size() && has_value(chart.line[i])) {
                run.push_back({line.left + rounded((static_cast<double>(i) + 0.5) * slot),
                               line.top + line.height -
                                   rounded(percent_of(chart.line[i]) / 100 * line.height)});
            } else if (!run.empty()) {
                layout.line.push_back(std::move(run));
                run.clear();
            }
        }
        label_slots(chart.points, points, line, slot, text, layout.labels);
    }
    return layout;
}

}  // namespace runtime
