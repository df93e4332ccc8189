#include "app/list_order.h"

#include <algorithm>
#include <cmath>

#include "jet/text.h"
#include "services/search_text.h"

namespace app {

namespace {

constexpr char kFieldGap = '\x01';  // never typed, so a match never spans two fields

double whole_day(double date) {
    return std::isfinite(date) ? std::floor(date) : 0.0;
}

}  // namespace

Due due_state(const store::CustomerRow& customer, bool closed_list, double today, int cadence) {
    if (closed_list || cadence <= 0) return Due::no;
    const double waited = whole_day(today) - whole_day(customer.time2);
    if (waited >= 2.0 * cadence) return Due::overdue;
    if (waited >= cadence) return Due::due;
    return Due::no;
}

std::string sort_text(const SortChoice& sort) {
    if (sort.column <= 1) return {};
    return std::to_string(sort.column) + (sort.descending ? ",desc" : ",asc");
}

SortChoice parse_sort(std::string_view text) {
    const auto comma = text.find(',');
    if (comma == std::string_view::npos) return {};
    const std::string_view column = text.substr(0, comma), way = text.substr(comma + 1);
    if (column.size() != 1 || column[0] < '2' || column[0] > '7') return {};
    if (way != "asc" && way != "desc") return {};
    return {column[0] - '0', way == "desc"};
}

SortChoice sort_after_click(const SortChoice& now, int column) {
    if (column <= 1 || column > 7) return {};
    if (now.column == column) return {column, !now.descending};
    return {column, false};
}

ListOrder::ListOrder(std::vector<store::CustomerRow> customers,
                     std::function<std::string(std::string_view)> sort_key)
    : customers_(std::move(customers)), sort_key_(std::move(sort_key)), collation_(8) {
    haystack_.reserve(customers_.size());
    for (const auto& c : customers_) {
        std::string text = services::search_key(c.wang);
        text += kFieldGap;
        text += services::search_key(c.wang2);
        text += kFieldGap;
        text += services::search_key(c.bs);
        haystack_.push_back(std::move(text));
    }
}

const std::string& ListOrder::collation(std::size_t row, int column) {
    auto& keys = collation_[static_cast<std::size_t>(column)];
    if (keys.empty()) {
        keys.reserve(customers_.size());
        for (const auto& c : customers_) {
            const std::string& text = column == 3 ? c.wang : column == 4 ? c.wang2 : c.bs;
            // Letter case does not order names, on any system.
            const std::string folded = jet::fold_case(text);
            keys.push_back(sort_key_ ? sort_key_(folded) : folded);
        }
    }
    return keys[row];
}

std::vector<std::size_t> ListOrder::shown(const ListQuery& query,
                                          const std::function<bool(std::size_t)>& online) {
    std::vector<std::size_t> rows;
    rows.reserve(customers_.size());
    const std::string needle = services::search_key(query.find);
    for (std::size_t i = 0; i < customers_.size(); ++i) {
        if (!needle.empty() && haystack_[i].find(needle) == std::string::npos) continue;
        if (query.due_only &&
            due_state(customers_[i], query.closed, query.today, query.cadence) == Due::no)
            continue;
        rows.push_back(i);
    }
    const auto newer = [this](std::size_t a, std::size_t b) {
        return customers_[a].id > customers_[b].id;
    };
    const int column = query.sort.column;
    if (column <= 1) {
        if (query.due_only) {
            // The longest-waiting first.
            std::stable_sort(rows.begin(), rows.end(), [&](std::size_t a, std::size_t b) {
                const double x = whole_day(customers_[a].time2), y = whole_day(customers_[b].time2);
                return x != y ? x < y : newer(a, b);
            });
        } else {
            // The store's order, newest first, as the list has always been.
            std::stable_sort(rows.begin(), rows.end(), newer);
        }
        return rows;
    }
    if (column == 3 || column == 4 || column == 7)
        for (std::size_t r : rows)
            (void)collation(r, column);  // made before the sort, which then only compares
    const bool down = query.sort.descending;
    std::stable_sort(rows.begin(), rows.end(), [&](std::size_t a, std::size_t b) {
        int order = 0;
        switch (column) {
            case 2: {
                // Online first: the ones worth a message now.
                const bool x = online && online(a), y = online && online(b);
                order = x == y ? 0 : (x ? -1 : 1);
                break;
            }
            case 5:
            case 6: {
                const auto& ca = customers_[a];
                const auto& cb = customers_[b];
                const double x = column == 5 ? ca.time1 : (query.closed ? ca.time3 : ca.time2);
                const double y = column == 5 ? cb.time1 : (query.closed ? cb.time3 : cb.time2);
                order = x < y ? -1 : (x > y ? 1 : 0);
                break;
            }
            default: {
                const auto& x = collation_[static_cast<std::size_t>(column)][a];
                const auto& y = collation_[static_cast<std::size_t>(column)][b];
                order = x.compare(y);
                order = order < 0 ? -1 : (order > 0 ? 1 : 0);
                break;
            }
        }
        if (order != 0) return down ? order > 0 : order < 0;
        return newer(a, b);  // equal values: newest first, either way
    });
    return rows;
}

}  // namespace app
