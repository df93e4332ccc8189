#pragma once
// Counting rows by group, as the shop's figures need them: asked of the engine, so that a
// server counts where the rows are and sends only the groups.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "jet/value.h"

namespace store {

struct Tally {
    std::string table;
    std::string where;   // a condition in the language of jet/query.h; empty: every row
    std::string within;  // a date column: only rows whose date lies in [from, to)
    double from = 0, to = 0;
    std::vector<std::string> by;  // columns whose values group the rows
    bool monthly = false;         // grouped by the month of `within` as well
    // Both named: per group, the median of the days from the first date to the second over the
    // rows that have both (the mean of the middle two for an even count).
    std::string days_from, days_to;
};

struct TallyGroup {
    std::vector<jet::Value> key;  // the values of `by`, null as null
    int month = 0;                // year * 100 + month, when monthly
    std::int64_t count = 0;
    std::optional<double> median_days;
    bool operator==(const TallyGroup&) const = default;
};

// The month (year * 100 + month) of a date-time of the engine (days since 1899-12-30).
int month_of(double days);
// A date-time of the engine as days on a straight line: before day zero the engine counts the
// day back and the time forward (-1.25 is 1899-12-29 06:00, which lies at -0.75), so two such
// dates are subtracted on this line to give the time between them, as a server gives it.
double linear_days(double days);
// The median of `days` (reordered), as a server's percentile_cont(0.5) gives it.
std::optional<double> median_of(std::vector<double>& days);
// Groups in one order whatever the engine: by key, then month.
void order_groups(std::vector<TallyGroup>& groups);

}  // namespace store
