#include "runtime/pie_chart.h"

#include <cmath>
#include <cstdio>

namespace runtime {

double clamp_chart_value(double value) {
    if (!(value > 0)) return 0;  // negative and not-a-number alike
    return value > kChartValueLimit ? kChartValueLimit : value;
}

namespace {

double total_of(const std::vector<double>& values) {
    double total = 0;
    for (double v : values)
        total += clamp_chart_value(v);
    return total;
}

}  // namespace

std::vector<PieSlice> pie_slices(const std::vector<double>& values) {
    std::vector<PieSlice> slices;
    const double total = total_of(values);
    if (total <= 0) return slices;
    double at = 0;
    for (std::size_t i = 0; i < values.size(); ++i) {
        double v = clamp_chart_value(values[i]);
        if (v == 0) continue;
        slices.push_back({i, at, v / total});
        at += v / total;
    }
    return slices;
}

std::vector<std::string> pie_legend(const std::vector<std::pair<std::string, std::uint32_t>>& items,
                                    const std::vector<double>& values, const std::string& unit,
                                    int decimals) {
    std::vector<std::string> lines;
    const double total = total_of(values);
    if (total <= 0) return lines;
    lines.push_back("单位:" + unit);
    for (std::size_t i = 0; i < items.size(); ++i) {
        double v = i < values.size() ? clamp_chart_value(values[i]) : 0;
        char number[96];
        std::snprintf(number, sizeof number, "%.*f[%.*f%%]", decimals, v, decimals,
                      v / total * 100.0);
        lines.push_back(items[i].first + " " + number);
    }
    return lines;
}

}  // namespace runtime
