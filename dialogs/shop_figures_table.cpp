#include "dialogs/shop_figures_table.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <tuple>

#include "jet/civil_date.h"

namespace dialogs {

namespace {

jet::CivilDate civil_of(double day) {
    return jet::civil_from_days(static_cast<std::int64_t>(std::floor(day)) -
                                jet::kEngineEpochOffset);
}

double day_of_civil(std::int64_t year, unsigned month, unsigned day) {
    return static_cast<double>(jet::days_from_civil({year, month, day}) + jet::kEngineEpochOffset);
}

// The figure a column sorts by; nullopt where the row has none.
std::optional<double> sort_value(const store::OurIdFigures& f, int column) {
    switch (column) {
        case 1:
            return static_cast<double>(f.enquiries);
        case 2:
            return static_cast<double>(f.deals);
        case 3:
            if (f.enquiries <= 0) return std::nullopt;
            return static_cast<double>(f.converted) / static_cast<double>(f.enquiries);
        case 4:
            return f.median_days;
        case 5:
            return static_cast<double>(f.follow_ups);
        case 6:
            return static_cast<double>(f.gave_up);
        case 7:
            return static_cast<double>(f.due_now);
        default:
            return std::nullopt;
    }
}

}  // namespace

store::FigurePeriod period_for(int choice, double today, double from, double to) {
    const double day = std::floor(today);
    const jet::CivilDate d = civil_of(day);
    const auto month_start = [](std::int64_t year, int month) {
        // Month 0 is the December before, 13 the January after.
        if (month < 1) return day_of_civil(year - 1, 12, 1);
        if (month > 12) return day_of_civil(year + 1, 1, 1);
        return day_of_civil(year, static_cast<unsigned>(month), 1);
    };
    const int month = static_cast<int>(d.month);
    switch (choice) {
        case 0:
            return {month_start(d.year, month), month_start(d.year, month + 1)};
        case 1:
            return {month_start(d.year, month - 1), month_start(d.year, month)};
        case 2:
            return {day - 29, day + 1};
        case 3:
            return {day_of_civil(d.year, 1, 1), day_of_civil(d.year + 1, 1, 1)};
        default:
            from = std::floor(from);
            to = std::floor(to);
            if (to < from) std::swap(from, to);
            return {from, to + 1};
    }
}

std::string day_text(double day, bool dashes) {
    const jet::CivilDate d = civil_of(day);
    char text[32];
    std::snprintf(text, sizeof text, dashes ? "%04lld-%02u-%02u" : "%04lld%02u%02u",
                  static_cast<long long>(d.year), d.month, d.day);
    return text;
}

std::string period_text(const store::FigurePeriod& period) {
    return day_text(period.from) + " 至 " + day_text(period.to - 1);
}

std::pair<int, int> series_months(double today) {
    const jet::CivilDate d = civil_of(today);
    const int last = static_cast<int>(d.year * 100 + d.month);
    const int first = d.month == 12 ? static_cast<int>(d.year * 100 + 1)
                                    : static_cast<int>((d.year - 1) * 100 + d.month + 1);
    return {first, last};
}

std::vector<std::string> figure_cells(const store::OurIdFigures& f) {
    std::string gave_up = std::to_string(f.gave_up);
    if (!f.reasons.empty()) {
        gave_up += "（";
        for (std::size_t i = 0; i < f.reasons.size() && i < 2; ++i)
            gave_up += (i ? "、" : "") +
                       (f.reasons[i].first.empty() ? "未说明" : f.reasons[i].first) + " " +
                       std::to_string(f.reasons[i].second);
        gave_up += "）";
    }
    return {f.our_id,
            std::to_string(f.enquiries),
            std::to_string(f.deals),
            store::conversion_text(f.converted, f.enquiries),
            store::days_text(f.median_days),
            std::to_string(f.follow_ups),
            gave_up,
            std::to_string(f.due_now)};
}

void sort_figures(std::vector<store::OurIdFigures>& ids, int column, bool descending) {
    std::stable_sort(ids.begin(), ids.end(), [&](const auto& a, const auto& b) {
        if (column > 0) {
            const auto x = sort_value(a, column), y = sort_value(b, column);
            if (x.has_value() != y.has_value()) return x.has_value();
            if (x && *x != *y) return descending ? *x > *y : *x < *y;
            return a.our_id < b.our_id;
        }
        return descending ? a.our_id > b.our_id : a.our_id < b.our_id;
    });
}

formats::Table figures_sheet(const store::ShopFigures& figures, const std::string& period_text) {
    using formats::Cell;
    formats::Table t;
    t.rows.push_back({Cell::make_text("店铺统计"), Cell::make_text(period_text)});
    formats::Row header;
    for (const char* title : kFigureColumns)
        header.push_back(Cell::make_text(title));
    header.push_back(Cell::make_text("放弃原因"));
    t.rows.push_back(std::move(header));
    const auto count = [](std::int64_t n) { return Cell::make_number(static_cast<double>(n)); };
    const auto row_of = [&](const store::OurIdFigures& f, const std::string& name) {
        std::string reasons;
        for (const auto& [reason, n] : f.reasons)
            reasons += (reasons.empty() ? "" : "、") + (reason.empty() ? "未说明" : reason) + " " +
                       std::to_string(n);
        // A figure the period cannot give stays an empty cell: no 0 that reads as a result.
        return formats::Row{
            Cell::make_text(name),
            count(f.enquiries),
            count(f.deals),
            f.enquiries > 0 ? Cell::make_percent(static_cast<double>(f.converted) /
                                                 static_cast<double>(f.enquiries))
                            : Cell{},
            f.median_days ? Cell::make_number(std::round(*f.median_days * 10) / 10) : Cell{},
            count(f.follow_ups),
            count(f.gave_up),
            count(f.due_now),
            Cell::make_text(reasons)};
    };
    for (const store::OurIdFigures& f : figures.ids)
        t.rows.push_back(row_of(f, f.our_id));
    t.rows.push_back(row_of(figures.total, kTotalRow));
    t.rows.push_back({});
    t.rows.push_back({Cell::make_text("月份"), Cell::make_text("新咨询"),
                      Cell::make_text("其中已成交"), Cell::make_text("转化率")});
    for (const store::MonthFigures& m : figures.months)
        t.rows.push_back(
            {Cell::make_date(day_of_civil(m.month / 100, static_cast<unsigned>(m.month % 100), 1)),
             count(m.enquiries), count(m.converted),
             m.enquiries > 0 ? Cell::make_percent(static_cast<double>(m.converted) /
                                                  static_cast<double>(m.enquiries))
                             : Cell{}});
    return t;
}

runtime::FigureChart figures_chart(const store::ShopFigures& figures,
                                   const std::string& period_name) {
    runtime::FigureChart chart;
    chart.bars_title = period_name + " 各旺旺的新咨询与成交";
    chart.bar_series = {"新咨询", "成交"};
    chart.bars.resize(2);
    for (const store::OurIdFigures& f : figures.ids) {
        chart.groups.push_back(f.our_id);
        chart.bars[0].push_back(static_cast<double>(f.enquiries));
        chart.bars[1].push_back(static_cast<double>(f.deals));
    }
    chart.line_title = "近 12 个月询单转化率";
    for (const store::MonthFigures& m : figures.months) {
        chart.points.push_back(std::to_string(m.month % 100) + "月");
        chart.line.push_back(m.enquiries > 0
                                 ? std::optional<double>(100.0 * static_cast<double>(m.converted) /
                                                         static_cast<double>(m.enquiries))
                                 : std::nullopt);
    }
    return chart;
}

}  // namespace dialogs
