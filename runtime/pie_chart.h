#pragma once
// What a pie chart shows, worked out apart from its drawing, so that both backends show the
// same slices and legend.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace runtime {

inline constexpr double kChartValueLimit = 10'000'000.0;

// A value as the chart keeps it: within 0 .. kChartValueLimit, not-a-number as 0.
double clamp_chart_value(double value);

struct PieSlice {
    std::size_t item = 0;
    double start = 0;  // fractions of the whole turn, from the first slice's start
    double share = 0;
};

// One slice per item whose value is not 0, in item order; none when the total is 0.
std::vector<PieSlice> pie_slices(const std::vector<double>& values);

// The legend: a heading "单位:" + unit, then per item its name, a blank, the value and its
// share in percent, each with `decimals` decimals ("未成交数量 3[75%]"); empty when the
// total is 0.
std::vector<std::string> pie_legend(const std::vector<std::pair<std::string, std::uint32_t>>& items,
                                    const std::vector<double>& values, const std::string& unit,
                                    int decimals = 0);

}  // namespace runtime
