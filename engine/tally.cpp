#include "engine/tally.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "engine/engine.h"
#include "jet/civil_date.h"

namespace store {

int month_of(double days) {
    // The whole part is the day also before day zero: the fraction is the time of that day.
    const auto day = static_cast<std::int64_t>(std::trunc(days));
    const jet::CivilDate d = jet::civil_from_days(day - jet::kEngineEpochOffset);
    return static_cast<int>(d.year * 100 + d.month);
}

std::optional<double> median_of(std::vector<double>& days) {
    if (days.empty()) return std::nullopt;
    const std::size_t half = days.size() / 2;
    std::nth_element(days.begin(), days.begin() + static_cast<std::ptrdiff_t>(half), days.end());
    const double upper = days[half];
    if (days.size() % 2 == 1) return upper;
    const double lower =
        *std::max_element(days.begin(), days.begin() + static_cast<std::ptrdiff_t>(half));
    return (lower + upper) / 2;
}

namespace {

// A key's values as one comparable text: kind first, so that null, false and "" differ.
std::string key_text(const std::vector<jet::Value>& key) {
    std::string out;
    for (const jet::Value& v : key) {
        if (const auto* t = std::get_if<std::string>(&v))
            out += "t" + *t;
        else if (const auto* b = std::get_if<bool>(&v))
            out += *b ? "b1" : "b0";
        else if (const auto* n = std::get_if<std::int64_t>(&v))
            out += "i" + std::to_string(*n);
        else
            out += "n";
        out.push_back('\0');
    }
    return out;
}

double date_value(const jet::Value& v) {
    if (const auto* d = std::get_if<jet::DateTime>(&v)) return d->days;
    return std::nan("");
}

}  // namespace

void order_groups(std::vector<TallyGroup>& groups) {
    std::sort(groups.begin(), groups.end(), [](const TallyGroup& a, const TallyGroup& b) {
        const std::string ka = key_text(a.key), kb = key_text(b.key);
        return ka != kb ? ka < kb : a.month < b.month;
    });
}

Result<std::vector<TallyGroup>> Engine::tally(const Tally& t) {
    std::vector<std::string> columns = t.by;
    const std::size_t within_at = columns.size();
    columns.push_back(t.within);
    const bool with_days = !t.days_from.empty() && !t.days_to.empty();
    if (with_days) {
        columns.push_back(t.days_from);
        columns.push_back(t.days_to);
    }
    struct Group {
        TallyGroup group;
        std::vector<double> days;
    };
    std::map<std::pair<std::string, int>, Group> groups;
    std::vector<jet::Value> key;
    const auto read = read_columns(
        t.where.empty() ? t.table : t.table + " where " + t.where, columns,
        [&](std::vector<jet::Value>& v) {
            const double when = date_value(v[within_at]);
            if (!(when >= t.from && when < t.to)) return;
            key.assign(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(within_at));
            const int month = t.monthly ? month_of(when) : 0;
            Group& g = groups[{key_text(key), month}];
            if (g.group.count == 0) g.group = {key, month, 0, std::nullopt};
            ++g.group.count;
            if (!with_days) return;
            const double a = date_value(v[within_at + 1]), b = date_value(v[within_at + 2]);
            if (!std::isnan(a) && !std::isnan(b)) g.days.push_back(b - a);
        });
    if (!read) return read.failure();
    std::vector<TallyGroup> out;
    out.reserve(groups.size());
    for (auto& [k, g] : groups) {
        g.group.median_days = median_of(g.days);
        out.push_back(std::move(g.group));
    }
    order_groups(out);
    return out;
}

}  // namespace store
