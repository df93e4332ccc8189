#include "store/shop_figures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "engine/program_tables.h"
#include "engine/tally.h"
#include "jet/civil_date.h"
#include "store/action_steps.h"
#include "store/column_values.h"
#include "store/customer_columns.h"
#include "store/sources.h"

namespace store {

namespace {

std::string text_of(const jet::Value& v) {
    const auto* t = std::get_if<std::string>(&v);
    return t ? *t : std::string();
}

// The first day of `month` (year * 100 + month), as an engine date.
double month_start(int month) {
    return static_cast<double>(
        jet::days_from_civil({month / 100, static_cast<unsigned>(month % 100), 1}) +
        jet::kEngineEpochOffset);
}

Tally tally_of(const char* table, std::string where, const char* within, FigurePeriod period,
               std::vector<std::string> by, bool monthly = false) {
    Tally t;
    t.table = table;
    t.where = std::move(where);
    t.within = within;
    t.from = period.from;
    t.to = period.to;
    t.by = std::move(by);
    t.monthly = monthly;
    return t;
}

int next_month(int month) {
    return month % 100 == 12 ? (month / 100 + 1) * 100 + 1 : month + 1;
}

class Figures {
  public:
    explicit Figures(StoreConnection& c) : c_(c) {}

    std::optional<std::vector<TallyGroup>> count(const Tally& t) {
        auto groups = c_.engine()->tally(t);
        if (!groups) return std::nullopt;
        return std::move(*groups);
    }

    OurIdFigures& of(const std::string& our_id) {
        auto [it, added] = ids_.try_emplace(our_id);
        if (added) it->second.our_id = our_id;
        return it->second;
    }

    // Our ID of each given-up customer, looked up by number a few at a time.
    std::optional<std::map<std::int32_t, std::string>> our_ids_of(
        const std::vector<std::int32_t>& customers) {
        std::map<std::int32_t, std::string> out;
        for (std::size_t first = 0; first < customers.size(); first += 50) {
            std::string source = "yrkb_com where ";
            for (std::size_t i = first; i < std::min(customers.size(), first + 50); ++i)
                source += (i == first ? "id=" : " or id=") + std::to_string(customers[i]);
            const auto read = c_.engine()->read_columns(
                source, {kIdColumn, kOurIdColumn},
                [&](std::vector<jet::Value>& v) { out[number_in(v[0])] = text_of(v[1]); });
            if (!read) return std::nullopt;
        }
        return out;
    }

    std::map<std::string, OurIdFigures> ids_;

  private:
    StoreConnection& c_;
};

}  // namespace

std::optional<ShopFigures> read_shop_figures(StoreConnection& c, RowSet& rs,
                                             const StoreLocation& store, FigurePeriod period,
                                             int first_month, int last_month) {
    if (!open_action(c, rs, store, settings_source(kOurIdsRow))) return std::nullopt;
    rs.close_rows();
    Figures f(c);
    ShopFigures out;
    const auto done = [&](bool ok) -> std::optional<ShopFigures> {
        close_action(c, rs);
        if (!ok) return std::nullopt;
        return out;
    };
    // The customers counted four ways in one pass: who first asked within the period (and
    // which of them bought since), the deals within it with the days to them per ID and for
    // all, and the months of the series. Closed or not is a key, so that a deal's days count
    // only for a customer closed now (one opened again keeps its deal date).
    const Tally asked =
        tally_of(kCustomerTable, "", kFirstEnquiryColumn, period, {kOurIdColumn, kClosedColumn});
    Tally deals =
        tally_of(kCustomerTable, "", kDealDateColumn, period, {kOurIdColumn, kClosedColumn});
    deals.days_from = kFirstEnquiryColumn;
    deals.days_to = kDealDateColumn;
    Tally all_deals = deals;
    all_deals.by = {kClosedColumn};
    const bool series = first_month <= last_month;
    const Tally months = tally_of(
        kCustomerTable, "", kFirstEnquiryColumn,
        {series ? month_start(first_month) : 0, series ? month_start(next_month(last_month)) : 0},
        {kClosedColumn}, true);
    const auto counted = c.engine()->tally_all({asked, deals, all_deals, months});
    if (!counted) return done(false);
    const auto closed = [](const TallyGroup& g) { return g.key.back() == jet::Value{true}; };
    for (const TallyGroup& g : (*counted)[0]) {
        OurIdFigures& id = f.of(text_of(g.key[0]));
        id.enquiries += g.count;
        if (closed(g)) id.converted += g.count;
    }
    for (const TallyGroup& g : (*counted)[1]) {
        if (!closed(g)) continue;
        OurIdFigures& id = f.of(text_of(g.key[0]));
        id.deals = g.count;
        id.median_days = g.median_days;
    }
    for (const TallyGroup& g : (*counted)[2])
        if (closed(g)) out.total.median_days = g.median_days;
    if (series) {
        for (int m = first_month; m <= last_month; m = next_month(m))
            out.months.push_back({m, 0, 0});
        for (const TallyGroup& g : (*counted)[3]) {
            auto it = std::find_if(out.months.begin(), out.months.end(),
                                   [&](const MonthFigures& x) { return x.month == g.month; });
            if (it == out.months.end()) continue;
            it->enquiries += g.count;
            if (closed(g)) it->converted += g.count;
        }
    }
    // Follow-ups by the ID that made them; give-ups by the ID that serves the buyer. Rows of
    // customers in the recycle bin carry the entry's number negated.
    const auto logged = c.has_table(kLogTable);
    const auto kept = c.has_table(kBuyerTable);
    if (!logged || !kept) return done(false);
    if (*logged) {
        const auto follow_ups =
            f.count(tally_of(kLogTable, "customer>0", "at", period, {"our_id"}));
        if (!follow_ups) return done(false);
        for (const TallyGroup& g : *follow_ups)
            f.of(text_of(g.key[0])).follow_ups += g.count;
    }
    if (*kept) {
        const auto given_up =
            f.count(tally_of(kBuyerTable, "customer>0", "gave_up", period, {"customer", "reason"}));
        if (!given_up) return done(false);
        std::vector<std::int32_t> customers;
        for (const TallyGroup& g : *given_up)
            customers.push_back(number_in(g.key[0]));
        const auto served_by = f.our_ids_of(customers);
        if (!served_by) return done(false);
        std::map<std::string, std::map<std::string, std::int64_t>> reasons;
        std::map<std::string, std::int64_t> all_reasons;
        for (const TallyGroup& g : *given_up) {
            const auto who = served_by->find(number_in(g.key[0]));
            if (who == served_by->end()) continue;  // deleted meanwhile
            f.of(who->second).gave_up += g.count;
            reasons[who->second][text_of(g.key[1])] += g.count;
            all_reasons[text_of(g.key[1])] += g.count;
        }
        const auto ranked = [](const std::map<std::string, std::int64_t>& counts) {
            std::vector<std::pair<std::string, std::int64_t>> r(counts.begin(), counts.end());
            std::stable_sort(r.begin(), r.end(),
                             [](const auto& a, const auto& b) { return a.second > b.second; });
            return r;
        };
        for (const auto& [id, counts] : reasons)
            f.of(id).reasons = ranked(counts);
        out.total.reasons = ranked(all_reasons);
    }
    for (auto& [name, id] : f.ids_) {
        out.total.enquiries += id.enquiries;
        out.total.deals += id.deals;
        out.total.converted += id.converted;
        out.total.follow_ups += id.follow_ups;
        out.total.gave_up += id.gave_up;
        out.ids.push_back(std::move(id));
    }
    return done(true);
}

std::string conversion_text(std::int64_t converted, std::int64_t enquiries) {
    if (enquiries <= 0) return "—";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f%%",
                  100.0 * static_cast<double>(converted) / static_cast<double>(enquiries));
    return text;
}

std::string days_text(const std::optional<double>& days) {
    if (!days) return "—";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", *days);
    return text;
}

}  // namespace store
