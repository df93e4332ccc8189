#include "engine/tally.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <utility>

#include "engine/engine.h"
#include "jet/civil_date.h"

namespace store {

int month_of(double days) {
    // The whole part is the day also before day zero: the fraction is the time of that day.
    const auto day = static_cast<std::int64_t>(std::trunc(days));
    const jet::CivilDate d = jet::civil_from_days(day - jet::kEngineEpochOffset);
    return static_cast<int>(d.year * 100 + d.month);
}

double linear_days(double days) {
    if (days >= 0) return days;
    const double day = std::trunc(days);
    return day + (day - days);
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

namespace {

// One tally's groups as the rows come, by the positions of its columns among those read.
class Counter {
  public:
    Counter(const Tally& t, std::vector<std::size_t> by, std::size_t within,
            std::optional<std::pair<std::size_t, std::size_t>> days)
        : t_(t), by_(std::move(by)), within_(within), days_(days) {}

    void count(const std::vector<jet::Value>& v) {
        const double when = date_value(v[within_]);
        const double at = linear_days(when);
        if (!(at >= t_.from && at < t_.to)) return;
        key_.clear();
        for (const std::size_t i : by_)
            key_.push_back(v[i]);
        const int month = t_.monthly ? month_of(when) : 0;
        Group& g = groups_[{key_text(key_), month}];
        if (g.group.count == 0) g.group = {key_, month, 0, std::nullopt};
        ++g.group.count;
        if (!days_) return;
        const double a = date_value(v[days_->first]), b = date_value(v[days_->second]);
        if (!std::isnan(a) && !std::isnan(b)) g.days.push_back(linear_days(b) - linear_days(a));
    }

    std::vector<TallyGroup> groups() {
        std::vector<TallyGroup> out;
        out.reserve(groups_.size());
        for (auto& [k, g] : groups_) {
            g.group.median_days = median_of(g.days);
            out.push_back(std::move(g.group));
        }
        order_groups(out);
        return out;
    }

  private:
    struct Group {
        TallyGroup group;
        std::vector<double> days;
    };
    const Tally& t_;
    std::vector<std::size_t> by_;
    std::size_t within_;
    std::optional<std::pair<std::size_t, std::size_t>> days_;
    std::map<std::pair<std::string, int>, Group> groups_;
    std::vector<jet::Value> key_;
};

}  // namespace

Result<std::vector<TallyGroup>> Engine::tally(const Tally& t) {
    auto all = tally_all({t});
    if (!all) return all.failure();
    return std::move(all->front());
}

Result<std::vector<std::vector<TallyGroup>>> Engine::tally_all(const std::vector<Tally>& tallies) {
    std::vector<std::vector<TallyGroup>> out(tallies.size());
    std::vector<bool> done(tallies.size());
    for (std::size_t first = 0; first < tallies.size(); ++first) {
        if (done[first]) continue;
        // Every tally of the same rows counts in the same pass over them.
        std::vector<std::string> columns;
        const auto at = [&columns](const std::string& name) {
            for (std::size_t i = 0; i < columns.size(); ++i)
                if (jet::text_equal_nocase(columns[i], name)) return i;
            columns.push_back(name);
            return columns.size() - 1;
        };
        std::vector<std::size_t> members;
        std::vector<Counter> counters;
        for (std::size_t i = first; i < tallies.size(); ++i) {
            const Tally& t = tallies[i];
            if (t.table != tallies[first].table || t.where != tallies[first].where) continue;
            std::vector<std::size_t> by;
            for (const std::string& name : t.by)
                by.push_back(at(name));
            const std::size_t within = at(t.within);
            std::optional<std::pair<std::size_t, std::size_t>> days;
            if (!t.days_from.empty() && !t.days_to.empty())
                days = std::make_pair(at(t.days_from), at(t.days_to));
            members.push_back(i);
            counters.emplace_back(t, std::move(by), within, days);
            done[i] = true;
        }
        const Tally& t = tallies[first];
        const auto read = read_columns(t.where.empty() ? t.table : t.table + " where " + t.where,
                                       columns, [&](std::vector<jet::Value>& v) {
                                           for (Counter& c : counters)
                                               c.count(v);
                                       });
        if (!read) return read.failure();
        for (std::size_t k = 0; k < members.size(); ++k)
            out[members[k]] = counters[k].groups();
    }
    return out;
}

}  // namespace store
