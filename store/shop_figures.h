#pragma once
// The shop's numbers for a period: per ID of ours, the buyers who first asked, the deals, how
// many of the period's buyers bought, how long a deal took, the follow-ups and the give-ups;
// and the shop's conversion month by month. Counted by the store's engine (engine/tally.h).
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/location.h"
#include "store/row_set.h"
#include "store/store_connection.h"

namespace store {

// Days of the engine (days since 1899-12-30), from the first to before the last.
struct FigurePeriod {
    double from = 0, to = 0;
};

struct OurIdFigures {
    std::string our_id;
    std::int64_t enquiries = 0;         // first enquiry within the period
    std::int64_t deals = 0;             // deal date within the period
    std::int64_t converted = 0;         // of the period's enquiries, those closed since
    std::optional<double> median_days;  // first enquiry to deal, over the period's deals
    std::int64_t follow_ups = 0;        // follow-ups the ID logged within the period
    std::int64_t gave_up = 0;           // given up within the period, still given up
    std::vector<std::pair<std::string, std::int64_t>> reasons;  // most given first
    std::int64_t due_now = 0;
    bool operator==(const OurIdFigures&) const = default;
};

struct MonthFigures {
    int month = 0;  // year * 100 + month
    std::int64_t enquiries = 0, converted = 0;
    bool operator==(const MonthFigures&) const = default;
};

struct ShopFigures {
    std::vector<OurIdFigures> ids;  // by our ID's text
    OurIdFigures total;
    std::vector<MonthFigures> months;  // every month of the series, oldest first
    bool operator==(const ShopFigures&) const = default;
};

// The figures of `period`, and the months from `first_month` to `last_month` (year * 100 +
// month) for the series. Customers in the recycle bin are not counted. nullopt when the store
// could not be read.
std::optional<ShopFigures> read_shop_figures(StoreConnection& c, RowSet& rs,
                                             const StoreLocation& store, FigurePeriod period,
                                             int first_month, int last_month);

// The conversion as shown: a percentage with one decimal, "—" without enquiries.
std::string conversion_text(std::int64_t converted, std::int64_t enquiries);
// Days as shown: one decimal, "—" without deals.
std::string days_text(const std::optional<double>& days);

}  // namespace store
