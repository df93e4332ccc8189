#pragma once
// "店铺统计" as texts, order and sheet: which days a period choice means, the table's rows as
// the window shows them, sorted by a column, and the workbook of the table and the months.
#include <cstdint>
#include <string>
#include <vector>

#include "formats/table.h"
#include "runtime/figure_chart.h"
#include "store/shop_figures.h"

namespace dialogs {

// The period choices, in the drop-down's order.
inline constexpr const char* kPeriodChoices[] = {"本月", "上月", "近 30 天", "今年", "自定义"};
inline constexpr int kCustomPeriod = 4;
// The columns of the table, in order.
inline constexpr const char* kFigureColumns[] = {"我们的旺旺",   "新咨询",   "成交", "转化率",
                                                 "平均成交天数", "跟进次数", "放弃", "待跟进"};
inline constexpr int kFigureColumnCount = 8;
inline constexpr const char* kTotalRow = "合计";

// The days of `choice` as of `today` (an engine date); for 自定义, `from` to `to`, both days
// counted, in whichever order they were picked.
store::FigurePeriod period_for(int choice, double today, double from, double to);
// The months of the series: the twelve up to and including today's (year * 100 + month).
std::pair<int, int> series_months(double today);

// A day as "2026-02-01", or "20260201" without `dashes`: for the sheet and a file's name.
std::string day_text(double day, bool dashes = true);
// "2026-02-01 至 2026-02-28": the days of a period, both counted.
std::string period_text(const store::FigurePeriod& period);

// A row's cells as shown; 放弃 with its two most given reasons.
std::vector<std::string> figure_cells(const store::OurIdFigures& f);
// The rows of the IDs sorted by `column` (0 .. kFigureColumnCount - 1), texts by their text,
// counts by their count, a missing figure ("—") below every figure; ties by our ID.
void sort_figures(std::vector<store::OurIdFigures>& ids, int column, bool descending);

// The sheet: the period's line, the table with its total row, then the months.
formats::Table figures_sheet(const store::ShopFigures& figures, const std::string& period_text);

// The chart: enquiries and deals per ID of ours in the period (named `period_name`), and the
// shop's conversion month by month.
runtime::FigureChart figures_chart(const store::ShopFigures& figures,
                                   const std::string& period_name);

}  // namespace dialogs
