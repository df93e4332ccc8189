// What a pie chart shows for its values: slices in item order, the legend's lines, the
// value range the chart keeps.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "runtime/pie_chart.h"

namespace {

const std::vector<std::pair<std::string, std::uint32_t>> kItems = {{"未成交数量", 0x00FF0000u},
                                                                   {"已成交数量", 0x000A0AC8u}};

TEST(PieChart, SlicesAndLegendFollowTheValues) {
    auto slices = runtime::pie_slices({3, 1});
    ASSERT_EQ(slices.size(), 2u);
    EXPECT_DOUBLE_EQ(slices[0].share, 0.75);
    EXPECT_DOUBLE_EQ(slices[1].start, 0.75);
    EXPECT_EQ(runtime::pie_legend(kItems, {3, 1}, "个"),
              (std::vector<std::string>{"单位:个", "未成交数量 3[75%]", "已成交数量 1[25%]"}));

    // An item of 0 gets no slice but keeps its legend line.
    slices = runtime::pie_slices({5, 0});
    ASSERT_EQ(slices.size(), 1u);
    EXPECT_EQ(slices[0].item, 0u);
    EXPECT_DOUBLE_EQ(slices[0].share, 1.0);
    EXPECT_EQ(runtime::pie_legend(kItems, {5, 0}, "个"),
              (std::vector<std::string>{"单位:个", "未成交数量 5[100%]", "已成交数量 0[0%]"}));
    // Shares round as the legend's format does: 2 of 3 is 67%.
    EXPECT_EQ(runtime::pie_legend(kItems, {2, 1}, "个")[1], "未成交数量 2[67%]");

    // Nothing at all: neither pie nor legend.
    EXPECT_TRUE(runtime::pie_slices({0, 0}).empty());
    EXPECT_TRUE(runtime::pie_legend(kItems, {0, 0}, "个").empty());
}

TEST(PieChart, ValuesStayWithinTheChartsRange) {
    EXPECT_EQ(runtime::clamp_chart_value(-4), 0);
    EXPECT_EQ(runtime::clamp_chart_value(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(runtime::clamp_chart_value(2.5e7), 1e7);
    EXPECT_EQ(runtime::clamp_chart_value(42), 42);
    // A negative value draws as 0: the other item fills the pie.
    EXPECT_EQ(runtime::pie_slices({-3, 2}).size(), 1u);
}

}  // namespace
