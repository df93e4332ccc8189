// The in-memory window's figure chart: the data kept as set, and the picture saved from it as
// Pillow reads it back, each bar in its series' colour where the layout puts it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "runtime/headless/backend.h"
#include "skin/chart_colours.h"
#include "tests/formats/png_readers.h"

namespace {

namespace fs = std::filesystem;

runtime::Form chart_form() {
    runtime::Form f;
    f.name = "Figures";
    runtime::Control figure;
    figure.name = "figure";
    figure.kind = runtime::ControlKind::figure_chart;
    figure.rect = {10, 10, 480, 360};
    runtime::Control pie;
    pie.name = "pie";
    pie.kind = runtime::ControlKind::pie_chart;
    runtime::Control empty = figure;
    empty.name = "empty";
    empty.rect = {0, 0, 0, 0};
    f.controls = {figure, pie, empty};
    return f;
}

runtime::FigureChart shop() {
    runtime::FigureChart c;
    c.bars_title = "本月 各旺旺的新咨询与成交";
    c.groups = {"小店一号", "小店二号", "小店三号"};
    c.bar_series = {"新咨询", "成交"};
    c.bars = {{17, 9, 4}, {6, 3, 1}};
    c.line_title = "近 12 个月询单转化率";
    for (int m = 1; m <= 12; ++m)
        c.points.push_back(std::to_string(m) + "月");
    c.line = {20, 35, std::nullopt, 50, 45, 60, 30, 25, 40, 70, 65, 80};
    return c;
}

std::array<int, 4> opaque(skin::Rgb c) {
    return {c.r, c.g, c.b, 255};
}

TEST(FigureChartPicture, KeepsTheDataAndSavesWhatItDraws) {
    runtime::headless::Backend backend;
    auto& w = backend.windows().open(chart_form(), {});
    auto& headless = *backend.windows().find("Figures");
    EXPECT_EQ(headless.figure_chart("figure"), runtime::FigureChart{});
    w.set_figure_chart("figure", shop());
    EXPECT_EQ(headless.figure_chart("figure"), shop());
    EXPECT_THROW(w.set_figure_chart("pie", shop()), std::logic_error);
    EXPECT_THROW(w.save_chart_picture("nothing", "x.png"), std::logic_error);

    const fs::path folder = fs::temp_directory_path() / ("lq_figure_" + std::to_string(getpid()));
    fs::create_directories(folder);
    const std::string path = (folder / "图表.png").string();
    std::ofstream(path) << "an older picture";
    ASSERT_TRUE(w.save_chart_picture("figure", path));
    EXPECT_FALSE(w.save_chart_picture("figure", (folder / "no/such/folder.png").string()));
    EXPECT_FALSE(w.save_chart_picture("empty", (folder / "empty.png").string()));
    EXPECT_FALSE(fs::exists(folder / "empty.png"));

    if (!format_tests::have_pillow()) {
        fs::remove_all(folder);
        GTEST_SKIP() << "no python3-pil";
    }
    // Where the layout says, in the colours the plain window gives.
    const auto layout = runtime::lay_out_figure_chart(shop(), 480, 360);
    const auto colours = skin::chart_colours(skin::rgb(0xF0F0F0), skin::rgb(0x000000));
    std::vector<std::pair<int, int>> points;
    std::vector<std::array<int, 4>> expected;
    for (const auto& bar : layout.bars) {
        points.emplace_back(bar.rect.left + bar.rect.width / 2, bar.rect.top + bar.rect.height / 2);
        expected.push_back(opaque(colours.bars[bar.series]));
    }
    for (const auto& run : layout.line)
        for (const auto& p : run) {
            points.emplace_back(p.x, p.y);
            expected.push_back(opaque(colours.line));
        }
    points.emplace_back(1, 1);
    expected.push_back(opaque(colours.background));
    const auto& a = layout.bars_plot.area;
    points.emplace_back(a.left - 1, a.top + a.height / 2);  // the count axis
    expected.push_back(opaque(colours.axis));

    auto seen = format_tests::read_with_pillow(path, points);
    fs::remove_all(folder);
    ASSERT_TRUE(seen.has_value());
    EXPECT_EQ(seen->width, 480);
    EXPECT_EQ(seen->height, 360);
    ASSERT_EQ(layout.bars.size(), 6u);
    EXPECT_EQ(layout.line.size(), 2u);  // broken at the third month
    for (std::size_t i = 0; i < points.size(); ++i)
        EXPECT_EQ(seen->pixels[i], expected[i])
            << "at " << points[i].first << "," << points[i].second;
}

}  // namespace
