#include "app/list_order.h"

#include <algorithm>
#include <cmath>
#include <cstring>

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

// Sort kinds beyond the list's columns: the deal date, which column 6 shows on the closed list.
constexpr int kDealDateKind = 8;

ListOrder::ListOrder(std::vector<store::CustomerRow> customers,
                     std::function<std::string(std::string_view)> sort_key)
    : customers_(std::move(customers)), sort_key_(std::move(sort_key)), rankings_(9) {
    starts_.reserve(customers_.size() + 1);
    // Folding seldom lengthens a text: mostly one allocation for all of them.
    std::size_t total = 0;
    for (const auto& c : customers_)
        total += c.wang.size() + c.wang2.size() + c.bs.size() + 2;
    haystack_.reserve(total);
    for (const auto& c : customers_) {
        starts_.push_back(haystack_.size());
        haystack_ += services::search_key(c.wang);
        haystack_ += kFieldGap;
        haystack_ += services::search_key(c.wang2);
        haystack_ += kFieldGap;
        haystack_ += services::search_key(c.bs);
    }
    starts_.push_back(haystack_.size());
    // How often each byte occurs; the first few megabytes tell it well enough.
    const std::size_t sample = std::min<std::size_t>(haystack_.size(), 4u << 20);
    for (std::size_t i = 0; i < sample; ++i)
        ++byte_count_[static_cast<unsigned char>(haystack_[i])];
}

std::vector<std::size_t> ListOrder::found(std::string_view needle) const {
    std::vector<std::size_t> rows;
    if (needle.empty()) {
        rows.resize(customers_.size());
        for (std::size_t i = 0; i < rows.size(); ++i)
            rows[i] = i;
        return rows;
    }
    // One search through all the texts, for the needle's byte that is rarest in them, so that
    // the fast byte scan stops seldom; after a hit, on from the next customer's text.
    std::size_t rare = 0;
    for (std::size_t k = 1; k < needle.size(); ++k)
        if (byte_count_[static_cast<unsigned char>(needle[k])] <
            byte_count_[static_cast<unsigned char>(needle[rare])])
            rare = k;
    const char* const all = haystack_.data();
    const std::size_t size = haystack_.size();
    std::size_t from = 0, row = 0;
    while (from + needle.size() <= size) {
        const void* hit = std::memchr(all + from + rare, needle[rare], size - from - rare);
        if (!hit) break;
        const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(hit) - all) - rare;
        if (at + needle.size() > size) break;
        if (std::memcmp(all + at, needle.data(), needle.size()) != 0) {
            from = at + 1;
            continue;
        }
        row = static_cast<std::size_t>(
            std::upper_bound(starts_.begin() + static_cast<std::ptrdiff_t>(row), starts_.end(),
                             at) -
            starts_.begin() - 1);
        if (at + needle.size() <= starts_[row + 1]) {
            rows.push_back(row);
            from = starts_[row + 1];
        } else {
            from = at + 1;  // runs on into the next customer's text: no match
        }
    }
    return rows;
}

const ListOrder::Ranking& ListOrder::ranking(int kind) {
    auto& made = rankings_[static_cast<std::size_t>(kind)];
    if (made) return *made;
    const std::size_t n = customers_.size();
    std::vector<std::uint32_t> order(n);
    for (std::size_t i = 0; i < n; ++i)
        order[i] = static_cast<std::uint32_t>(i);
    const auto newer = [this](std::uint32_t a, std::uint32_t b) {
        return customers_[a].id > customers_[b].id;
    };
    // Sorts by `less` (ties newest first), then numbers the runs of equal values.
    const auto rank = [&](auto less) {
        std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
            if (less(a, b)) return true;
            if (less(b, a)) return false;
            return newer(a, b);
        });
        Ranking r;
        r.place.resize(n);
        r.group.resize(n);
        std::uint32_t group = 0;
        for (std::size_t p = 0; p < n; ++p) {
            if (p > 0 && less(order[p - 1], order[p])) ++group;
            r.place[order[p]] = static_cast<std::uint32_t>(p);
            r.group[order[p]] = group;
        }
        r.order = std::move(order);
        return r;
    };
    if (kind == 3 || kind == 4 || kind == 7) {
        // The keys are only needed to sort once.
        std::vector<std::string> keys;
        keys.reserve(n);
        for (const auto& c : customers_) {
            const std::string& text = kind == 3 ? c.wang : kind == 4 ? c.wang2 : c.bs;
            // Letter case does not order names, on any system.
            const std::string folded = jet::fold_case(text);
            keys.push_back(sort_key_ ? sort_key_(folded) : folded);
        }
        made = rank([&](std::uint32_t a, std::uint32_t b) { return keys[a] < keys[b]; });
    } else if (kind == 5 || kind == 6 || kind == kDealDateKind) {
        const auto date = [&](std::uint32_t i) {
            const auto& c = customers_[i];
            return kind == 5 ? c.time1 : kind == 6 ? c.time2 : c.time3;
        };
        made = rank([&](std::uint32_t a, std::uint32_t b) { return date(a) < date(b); });
    } else {
        made = rank([&](std::uint32_t a, std::uint32_t b) { return newer(a, b); });
    }
    return *made;
}

std::vector<std::size_t> ListOrder::shown(const ListQuery& query,
                                          const std::function<bool(std::size_t)>& online) {
    std::vector<std::size_t> rows = found(services::search_key(query.find));
    if (query.due_only)
        std::erase_if(rows, [&](std::size_t i) {
            return due_state(customers_[i], query.closed, query.today, query.cadence) == Due::no;
        });
    const auto newer = [this](std::size_t a, std::size_t b) {
        return customers_[a].id > customers_[b].id;
    };
    const int column = query.sort.column;
    if (column <= 1 && query.due_only) {
        // The longest-waiting first.
        std::stable_sort(rows.begin(), rows.end(), [&](std::size_t a, std::size_t b) {
            const double x = whole_day(customers_[a].time2), y = whole_day(customers_[b].time2);
            return x != y ? x < y : newer(a, b);
        });
        return rows;
    }
    if (column == 2) {
        // Online first: the ones worth a message now; the rest newest first.
        std::stable_sort(rows.begin(), rows.end(), [&](std::size_t a, std::size_t b) {
            const bool x = online && online(a), y = online && online(b);
            if (x != y) return query.sort.descending ? y : x;
            return newer(a, b);
        });
        return rows;
    }
    // Without a column, the store's order, newest first, as the list has always been.
    const int kind = column <= 1 || column > 7     ? 0
                     : column == 6 && query.closed ? kDealDateKind
                                                   : column;
    const bool down = kind != 0 && query.sort.descending;
    const Ranking& r = ranking(kind);
    const std::size_t n = customers_.size();
    // Few rows found: sorting them by their places is cheaper than a pass over everyone.
    if (rows.size() < n / 16) {
        std::sort(rows.begin(), rows.end(), [&](std::size_t a, std::size_t b) {
            if (down && r.group[a] != r.group[b]) return r.group[a] > r.group[b];
            return r.place[a] < r.place[b];
        });
        return rows;
    }
    std::vector<char> keep(n, rows.size() == n ? 1 : 0);
    if (rows.size() != n)
        for (std::size_t i : rows)
            keep[i] = 1;
    rows.clear();
    if (!down) {
        for (std::uint32_t i : r.order)
            if (keep[i]) rows.push_back(i);
        return rows;
    }
    // Descending: the runs of equal values from the last, each still newest first.
    for (std::size_t end = n; end > 0;) {
        std::size_t begin = end - 1;
        const std::uint32_t group = r.group[r.order[begin]];
        while (begin > 0 && r.group[r.order[begin - 1]] == group)
            --begin;
        for (std::size_t p = begin; p < end; ++p)
            if (keep[r.order[p]]) rows.push_back(r.order[p]);
        end = begin;
    }
    return rows;
}

}  // namespace app
