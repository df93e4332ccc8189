// Where a figure chart puts its parts: the round count axis, bars in proportion and side by
// side, the percent line broken where a month has no value, shortened labels, and a sane
// layout for any data and any size.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "runtime/figure_chart.h"

namespace {

using runtime::FigureChart;
using runtime::FigureLayout;
using runtime::Rect;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

bool inside(const Rect& r, const Rect& outer) {
    return r.width >= 0 && r.height >= 0 && r.left >= outer.left && r.top >= outer.top &&
           r.left + r.width <= outer.left + outer.width &&
           r.top + r.height <= outer.top + outer.height;
}

FigureChart months(std::vector<std::optional<double>> line) {
    FigureChart c;
    c.line_title = "近 12 个月询单转化率";
    for (int m = 1; m <= 12; ++m)
        c.points.push_back(std::to_string(m) + "月");
    c.line = std::move(line);
    return c;
}

FigureChart shop(std::size_t groups, double count) {
    FigureChart c = months({40, 55.5, std::nullopt, 100, 0});
    c.bars_title = "本月 各旺旺的新咨询与成交";
    c.bar_series = {"新咨询", "成交"};
    c.bars.assign(2, {});
    for (std::size_t g = 0; g < groups; ++g) {
        c.groups.push_back("小店第" + std::to_string(g + 1) + "号旺旺");
        c.bars[0].push_back(count);
        c.bars[1].push_back(count / 2);
    }
    return c;
}

// What holds of every layout: everything within the chart, bars within their plot and in
// proportion to the axis, points within theirs, a finite axis of ascending ticks.
void expect_sane(const FigureLayout& l, const FigureChart& c, int w, int h) {
    const Rect chart{0, 0, w, h};
    for (const auto* plot : {&l.bars_plot, &l.line_plot}) {
        EXPECT_TRUE(inside(plot->area, chart));
        EXPECT_TRUE(std::isfinite(plot->scale.maximum) && plot->scale.maximum > 0);
        ASSERT_FALSE(plot->scale.ticks.empty());
        EXPECT_EQ(plot->scale.ticks.front(), 0);
        EXPECT_EQ(plot->scale.ticks.back(), plot->scale.maximum);
        EXPECT_TRUE(std::is_sorted(plot->scale.ticks.begin(), plot->scale.ticks.end()));
        for (int y : plot->grid)
            EXPECT_TRUE(y >= plot->area.top && y <= plot->area.top + plot->area.height);
    }
    for (const auto& b : l.bars) {
        EXPECT_TRUE(inside(b.rect, l.bars_plot.area)) << "bar " << b.series << "," << b.group;
        EXPECT_GE(b.rect.width, 1);
        EXPECT_EQ(b.rect.top + b.rect.height, l.bars_plot.area.top + l.bars_plot.area.height);
    }
    for (const auto& run : l.line)
        for (const auto& p : run)
            EXPECT_TRUE(inside({p.x, p.y, 0, 0}, l.line_plot.area)) << p.x << "," << p.y;
    for (const auto& label : l.labels) {
        EXPECT_TRUE(label.y >= 0 && label.y < h) << label.text;
        EXPECT_FALSE(label.text.empty());
    }
    for (const auto& e : l.legend)
        EXPECT_TRUE(inside(e.swatch, chart));
    // A chart with room shows a bar for every group of every series.
    if (l.bars_plot.area.width > 0) {
        EXPECT_EQ(l.bars.size(), c.groups.size() * std::max(c.bar_series.size(), c.bars.size()));
    }
}

const runtime::ChartLabel* label(const FigureLayout& l, const std::string& text) {
    for (const auto& x : l.labels)
        if (x.text == text) return &x;
    return nullptr;
}

TEST(FigureChart, CountAxisTakesRoundSteps) {
    struct Case {
        double largest;
        std::vector<double> ticks;
    };
    const Case cases[] = {
        {17, {0, 5, 10, 15, 20}},
        {20, {0, 5, 10, 15, 20}},
        {0, {0, 1, 2, 3, 4, 5}},
        {kNaN, {0, 1, 2, 3, 4, 5}},
        {-3, {0, 1, 2, 3, 4, 5}},
        {4, {0, 1, 2, 3, 4}},
        {0.3, {0, 1}},  // counts are whole: no step below 1
        {101, {0, 50, 100, 150}},
        {7, {0, 2, 4, 6, 8}},
        {1e300, {0, 2e6, 4e6, 6e6, 8e6, 1e7}},  // the values the charts keep end at 10,000,000
        {kInf, {0, 2e6, 4e6, 6e6, 8e6, 1e7}},
    };
    for (const Case& c : cases) {
        const auto scale = runtime::count_scale(c.largest);
        EXPECT_EQ(scale.ticks, c.ticks) << c.largest;
        EXPECT_EQ(scale.maximum, c.ticks.back()) << c.largest;
    }
}

TEST(FigureChart, LabelsAreCutToTheirRoom) {
    const runtime::TextSize size{16, 12, 7};
    struct Case {
        std::string text;
        int room;
        std::string shown;
    };
    const Case cases[] = {
        {"小店一号", 48, "小店一号"},
        {"小店一号", 47, "小店…"},
        {"小店一号", 24, "小…"},
        {"小店一号", 23, ""},
        {"abc", 21, "abc"},
        {"abcdef", 30, "ab…"},
        {"", 0, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(runtime::fit_text(c.text, c.room, size), c.shown) << c.text << " " << c.room;
}

TEST(FigureChart, BarsAndLineStandWhereTheirValuesSay) {
    const FigureChart c = shop(3, 17);
    const FigureLayout l = runtime::lay_out_figure_chart(c, 640, 480);
    expect_sane(l, c, 640, 480);
    const Rect& area = l.bars_plot.area;
    EXPECT_EQ(l.bars_plot.scale.ticks, (std::vector<double>{0, 5, 10, 15, 20}));
    ASSERT_EQ(l.bars.size(), 6u);
    // 17 of 20 and 8.5 of 20 of the plot's height; side by side, groups left to right.
    EXPECT_NEAR(l.bars[0].rect.height, area.height * 17.0 / 20, 1);
    EXPECT_NEAR(l.bars[1].rect.height, area.height * 8.5 / 20, 1);
    EXPECT_EQ(l.bars[1].series, 1u);
    EXPECT_EQ(l.bars[0].rect.left + l.bars[0].rect.width, l.bars[1].rect.left);
    EXPECT_LT(l.bars[1].rect.left + l.bars[1].rect.width, l.bars[2].rect.left);
    EXPECT_EQ(l.bars[2].group, 1u);
    // The line: 40, 55.5, a break, then 100 and 0 at the plot's top and bottom.
    const Rect& line = l.line_plot.area;
    ASSERT_EQ(l.line.size(), 2u);
    ASSERT_EQ(l.line[0].size(), 2u);
    ASSERT_EQ(l.line[1].size(), 2u);
    EXPECT_NEAR(l.line[0][0].y, line.top + line.height * 0.6, 1);
    EXPECT_EQ(l.line[1][0].y, line.top);
    EXPECT_EQ(l.line[1][1].y, line.top + line.height);
    EXPECT_LT(l.line[0][1].x, l.line[1][0].x);
    // Titles, legend, names and tick values, each where it belongs.
    ASSERT_NE(label(l, "本月 各旺旺的新咨询与成交"), nullptr);
    ASSERT_NE(label(l, "近 12 个月询单转化率"), nullptr);
    EXPECT_GT(label(l, "近 12 个月询单转化率")->y, area.top + area.height);
    ASSERT_EQ(l.legend.size(), 2u);
    EXPECT_EQ(l.legend[1].label.text, "成交");
    EXPECT_LT(l.legend[0].swatch.left, l.legend[1].swatch.left);
    ASSERT_NE(label(l, "小店第1号旺旺"), nullptr);
    EXPECT_EQ(label(l, "小店第1号旺旺")->x, l.bars[0].rect.left + l.bars[0].rect.width);
    ASSERT_NE(label(l, "12月"), nullptr);
    ASSERT_NE(label(l, "15"), nullptr);
    EXPECT_EQ(label(l, "100%")->align, runtime::Align::right);
    EXPECT_LT(label(l, "100%")->x, line.left);
}

TEST(FigureChart, AnyDataAndAnySizeGiveASaneLayout) {
    struct Case {
        const char* what;
        FigureChart chart;
        int width, height;
        bool shown;
    };
    FigureChart wild = shop(4, 1e300);
    wild.bars[0] = {kNaN, -5, kInf, 3};
    wild.bars[1] = {2};  // fewer counts than groups
    wild.line = {kNaN, -20, 250, std::nullopt, 50, 1, 2, 3, 4, 5, 6, 7, 8, 9};  // more than points
    FigureChart unnamed = shop(2, 3);
    unnamed.bar_series.clear();  // counts without series names: bars, no legend
    const Case cases[] = {
        {"all zeros", shop(5, 0), 640, 480, true},
        {"no groups, no months", FigureChart{}, 640, 480, true},
        {"nothing but titles", FigureChart{"标题", {}, {}, {}, "转化率", {}, {}}, 300, 200, true},
        {"0x0", shop(3, 17), 0, 0, false},
        {"negative size", shop(3, 17), -50, -50, false},
        {"a sliver", shop(3, 17), 640, 20, false},
        {"tiny", shop(3, 17), 60, 90, false},
        {"small", shop(3, 17), 120, 150, true},
        {"huge, broken and missing values", wild, 640, 480, true},
        {"24 groups", shop(24, 9), 700, 400, true},
        {"500 groups in 300 pixels", shop(500, 9), 300, 300, true},
        {"beyond any screen", shop(3, 17), 1 << 30, 1 << 30, true},
        {"unnamed series", unnamed, 400, 300, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const FigureLayout l = runtime::lay_out_figure_chart(c.chart, c.width, c.height);
        expect_sane(l, c.chart, std::max(0, std::min(c.width, 16384)),
                    std::max(0, std::min(c.height, 16384)));
        EXPECT_EQ(l.bars_plot.area.width > 0, c.shown);
        if (!c.shown) {
            EXPECT_TRUE(l.bars.empty() && l.line.empty() && l.labels.empty() && l.legend.empty());
        }
    }

    // Broken counts are 0, the largest stands in for infinity; percents stay within 0 .. 100
    // and one that is not a number breaks the line as a missing one does.
    const FigureLayout l = runtime::lay_out_figure_chart(wild, 640, 480);
    EXPECT_EQ(l.bars_plot.scale.maximum, 1e7);
    EXPECT_EQ(l.bars[0].rect.height, 0);
    EXPECT_EQ(l.bars[2].rect.height, 0);
    EXPECT_EQ(l.bars[4].rect.height, l.bars_plot.area.height);
    ASSERT_EQ(l.line.size(), 2u);
    EXPECT_EQ(l.line[0].front().y, l.line_plot.area.top + l.line_plot.area.height);
    EXPECT_EQ(l.line[0].back().y, l.line_plot.area.top);
    EXPECT_EQ(l.line[1].size(), 8u);  // the 5th to the 12th month

    // Many groups: thinner bars in their own slots, names cut short or only every few.
    const FigureLayout many = runtime::lay_out_figure_chart(shop(24, 9), 700, 400);
    int names = 0;
    for (std::size_t i = 1; i < many.bars.size(); ++i)
        EXPECT_LE(many.bars[i - 1].rect.left + many.bars[i - 1].rect.width, many.bars[i].rect.left);
    for (const auto& x : many.labels)
        if (x.text.rfind("小", 0) == 0) {
            ++names;
            EXPECT_NE(x.text.find("…"), std::string::npos) << x.text;
        }
    EXPECT_EQ(names, 24);
    const FigureLayout crowded = runtime::lay_out_figure_chart(shop(500, 9), 300, 300);
    names = 0;
    for (const auto& x : crowded.labels)
        names += x.text.rfind("小", 0) == 0;
    EXPECT_GT(names, 0);
    EXPECT_LT(names, 500);
}

}  // namespace
