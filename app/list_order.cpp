#include "app/list_order.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "services/search_text.h"

namespace app {

namespace {

constexpr char kFieldGap = '\x01';  // never typed, so a match never spans two fields

double whole_day(double date) {
    return std::isfinite(date) ? std::floor(date) : 0.0;
}

}  // namespace

Due due_state(const store::CustomerRow& customer, bool closed_list, double today, int cadence) {
    if (closed_list || customer.gave_up != 0) return Due::no;
    if (customer.next_follow_up != 0) {
        const double day = whole_day(customer.next_follow_up), now = whole_day(today);
        return now > day ? Due::overdue : now == day ? Due::due : Due::no;
    }
    if (cadence <= 0) return Due::no;
    const double waited = whole_day(today) - whole_day(customer.last_follow_up);
    if (waited >= 2.0 * cadence) return Due::overdue;
    if (waited >= cadence) return Due::due;
    return Due::no;
}

double due_day(const store::CustomerRow& customer, int cadence) {
    if (customer.next_follow_up != 0) return whole_day(customer.next_follow_up);
    return whole_day(customer.last_follow_up) + std::max(cadence, 0);
}

std::string sort_text(const SortChoice& sort) {
    if (sort.column <= 1) return {};
    return std::to_string(sort.column) + (sort.descending ? ",desc" : ",asc");
}

SortChoice parse_sort(std::string_view text) {
    const auto comma = text.find(',');
    if (comma == std::string_view::npos) return {};
    const std::string_view column = text.substr(0, comma), way = text.substr(comma + 1);
    if (column.size() != 1 || column[0] < '2' || column[0] - '0' > kLastColumn) return {};
    if (way != "asc" && way != "desc") return {};
    return {column[0] - '0', way == "desc"};
}

SortChoice sort_after_click(const SortChoice& now, int column) {
    if (column <= 1 || column > kLastColumn) return {};
    if (now.column == column) return {column, !now.descending};
    return {column, false};
}

// Sort kinds beyond the list's columns: the deal date, which column 6 shows on the closed list.
constexpr int kDealDateKind = kLastColumn + 1;
constexpr std::size_t kSortKinds = kDealDateKind + 1;

ListOrder::ListOrder(std::vector<store::CustomerRow> customers,
                     runtime::CodePageAdapter* sort_order)
    : customers_(std::move(customers)), sort_order_(sort_order), rankings_(kSortKinds) {
    starts_.reserve(customers_.size() + 1);
    gaps_.reserve(3 * customers_.size());
    // Folding seldom lengthens a text: mostly one allocation for all of them.
    std::size_t total = 0;
    for (const auto& c : customers_)
        total += c.buyer.size() + c.our_id.size() + c.note.size() + c.tags.size() + 3;
    haystack_.reserve(total);
    for (const auto& c : customers_) {
        const std::size_t start = haystack_.size();
        starts_.push_back(start);
        // One customer's texts are far below 4 GiB: a stored text is below 2 GiB.
        const auto gap = [&] {
            haystack_ += kFieldGap;
            gaps_.push_back(static_cast<std::uint32_t>(haystack_.size() - start));
        };
        services::append_search_key(haystack_, c.buyer);
        gap();
        services::append_search_key(haystack_, c.our_id);
        gap();
        services::append_search_key(haystack_, c.note);
        gap();
        // "#嫌贵 #老客户": a find for "#嫌贵" finds the customers with that tag.
        services::append_search_key(haystack_, c.tags);
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

std::string_view ListOrder::field(std::size_t i, int which) const {
    const std::size_t begin = which == 0 ? starts_[i] : starts_[i] + gaps_[3 * i + (which - 1)];
    const std::size_t end = which == 3 ? starts_[i + 1] : starts_[i] + gaps_[3 * i + which] - 1;
    return std::string_view(haystack_).substr(begin, end - begin);
}

namespace {

// Where the first `chars` characters of a UTF-8 text end.
std::size_t head_bytes(std::string_view text, std::size_t chars) {
    std::size_t at = 0;
    for (; at < text.size() && chars > 0; --chars)
        do
            ++at;
        while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80);
    return at;
}

// A key's first eight bytes as one number that orders as they do: most comparisons end there.
std::uint64_t lead_of(std::string_view key) {
    std::uint64_t lead = 0;
    for (std::size_t k = 0; k < 8; ++k)
        lead = lead << 8 | (k < key.size() ? static_cast<unsigned char>(key[k]) : 0u);
    return lead;
}

}  // namespace

std::optional<ListOrder::Ranking> ListOrder::text_ranking(int which, std::stop_token stop) {
    // Making the key of every whole text costs far more than sorting: where keys go character
    // by character, texts are ordered by their first characters, and only the texts that
    // start alike by their next ones, and so on.
    constexpr std::size_t kHeadChars = 12;
    const bool by_heads = !sort_order_ || sort_order_->keys_by_character();
    const std::size_t n = customers_.size();
    // A customer in the sort: where the part of its text not yet ordered by begins and ends.
    struct Entry {
        std::uint32_t customer;
        std::uint32_t at, end;  // in haystack_
    };
    std::vector<Entry> entries(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::string_view text = field(i, which);
        const auto at = static_cast<std::uint32_t>(text.data() - haystack_.data());
        entries[i] = {static_cast<std::uint32_t>(i), at,
                      at + static_cast<std::uint32_t>(text.size())};
    }
    std::vector<char> same(n, 0);  // entries[p] sorts equal to entries[p - 1]
    struct Run {
        std::size_t begin, end;
    };
    std::vector<Run> runs{{0, n}};
    std::vector<std::string_view> parts;
    // One entry of a run's sort: its key's first sixteen bytes as two numbers that order as
    // they do (most comparisons end there), and where it stood in the run.
    struct Sorted {
        std::uint64_t lead0, lead1;
        std::uint32_t local;
    };
    std::vector<Sorted> sorted;
    std::vector<Entry> slice;
    while (!runs.empty()) {
        if (stop.stop_requested()) return std::nullopt;
        const Run run = runs.back();
        runs.pop_back();
        const std::size_t m = run.end - run.begin;
        parts.resize(m);
        for (std::size_t k = 0; k < m; ++k) {
            Entry& e = entries[run.begin + k];
            const std::string_view rest(haystack_.data() + e.at, e.end - e.at);
            const std::string_view part =
                by_heads ? rest.substr(0, head_bytes(rest, kHeadChars)) : rest;
            e.at += static_cast<std::uint32_t>(part.size());
            parts[k] = part;
        }
        runtime::SortKeys keys;
        if (sort_order_) {
            keys = sort_order_->sort_keys(parts);
        } else {
            for (std::string_view part : parts)
                keys.add(part);  // UTF-8's bytes order as its code points
        }
        // The first run holds every customer: its parts go before the sort's own arrays come.
        if (m == n) parts = {};
        sorted.resize(m);
        for (std::size_t k = 0; k < m; ++k) {
            const std::string_view key = keys[k];
            sorted[k] = {lead_of(key), lead_of(key.size() > 8 ? key.substr(8) : std::string_view()),
                         static_cast<std::uint32_t>(k)};
        }
        const Entry* const first = entries.data() + run.begin;
        std::sort(sorted.begin(), sorted.end(), [&](const Sorted& a, const Sorted& b) {
            if (a.lead0 != b.lead0) return a.lead0 < b.lead0;
            if (a.lead1 != b.lead1) return a.lead1 < b.lead1;
            const std::string_view x = keys[a.local], y = keys[b.local];
            if (x.size() > 16 || y.size() != x.size())
                if (const int c = x.compare(y); c != 0) return c < 0;
            // Ties newest first.
            return customers_[first[a.local].customer].id > customers_[first[b.local].customer].id;
        });
        slice.resize(m);
        for (std::size_t k = 0; k < m; ++k)
            slice[k] = first[sorted[k].local];
        std::copy(slice.begin(), slice.end(),
                  entries.begin() + static_cast<std::ptrdiff_t>(run.begin));
        // Texts that start alike: the next characters tell, unless every one has ended.
        for (std::size_t k = 0; k < m;) {
            std::size_t j = k + 1;
            bool longer = slice[k].at < slice[k].end;
            for (; j < m && keys[sorted[j].local] == keys[sorted[k].local]; ++j)
                if (slice[j].at < slice[j].end) longer = true;
            if (j - k > 1 && longer) {
                runs.push_back({run.begin + k, run.begin + j});
            } else {
                for (std::size_t p = k + 1; p < j; ++p)
                    same[run.begin + p] = 1;
            }
            k = j;
        }
    }
    Ranking r;
    r.order.resize(n);
    r.place.resize(n);
    r.group.resize(n);
    std::uint32_t group = 0;
    for (std::size_t p = 0; p < n; ++p) {
        if (p > 0 && !same[p]) ++group;
        const std::uint32_t i = entries[p].customer;
        r.order[p] = i;
        r.place[i] = static_cast<std::uint32_t>(p);
        r.group[i] = group;
    }
    return r;
}

// The text columns' sort kinds the preparing thread makes (the tags' is made when asked for),
// and the field each sorts by.
constexpr int kTextKinds[] = {3, 4, 7};
constexpr int text_field(int kind) {
    return kind == 3 ? 0 : kind == 4 ? 1 : kind == 7 ? 2 : 3;
}
bool is_text_kind(int kind) {
    return kind == kTagsColumn ||
           std::find(std::begin(kTextKinds), std::end(kTextKinds), kind) != std::end(kTextKinds);
}

struct ListOrder::Preparation {
    std::mutex mutex;
    std::condition_variable done;
    std::array<bool, kSortKinds> claimed{};  // a kind someone makes or has made
    int working_on = -1;                     // the kind the thread is making now, if any
    std::jthread thread;                     // last, so that it is joined before the rest goes
};

ListOrder::~ListOrder() = default;
ListOrder::ListOrder(ListOrder&& other) noexcept = default;

void ListOrder::prepare_text_orders() {
    if (preparing_) return;
    preparing_ = std::make_unique<Preparation>();
    Preparation& p = *preparing_;
    p.thread = std::jthread([this, &p](std::stop_token stop) {
        for (int kind : kTextKinds) {
            {
                const std::lock_guard lock(p.mutex);
                if (p.claimed[static_cast<std::size_t>(kind)]) continue;
                p.claimed[static_cast<std::size_t>(kind)] = true;
                p.working_on = kind;
            }
            std::optional<Ranking> made = text_ranking(text_field(kind), stop);
            const std::lock_guard lock(p.mutex);
            if (made) rankings_[static_cast<std::size_t>(kind)] = std::move(made);
            p.working_on = -1;
            p.done.notify_all();
            if (stop.stop_requested()) return;
        }
    });
}

const ListOrder::Ranking& ListOrder::ranking(int kind) {
    auto& made = rankings_[static_cast<std::size_t>(kind)];
    if (!preparing_ || !is_text_kind(kind)) {
        if (!made) made = make_ranking(kind);
        return *made;
    }
    // The thread may be making this one: wait for it rather than make it twice.
    Preparation& p = *preparing_;
    {
        std::unique_lock lock(p.mutex);
        p.done.wait(lock, [&] { return p.working_on != kind; });
        if (made) return *made;
        p.claimed[static_cast<std::size_t>(kind)] = true;
    }
    Ranking mine = make_ranking(kind);
    const std::lock_guard lock(p.mutex);
    made = std::move(mine);
    return *made;
}

ListOrder::Ranking ListOrder::make_ranking(int kind) {
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
    if (is_text_kind(kind)) return *text_ranking(text_field(kind));
    if (kind == 5 || kind == 6 || kind == kNextDateColumn || kind == kDealDateKind) {
        const auto date = [&](std::uint32_t i) {
            const auto& c = customers_[i];
            return kind == 5   ? c.first_enquiry
                   : kind == 6 ? c.last_follow_up
                   // Customers without a next date after every date set.
                   : kind == kNextDateColumn ? (c.next_follow_up != 0 ? c.next_follow_up : 1e9)
                                             : c.deal_date;
        };
        return rank([&](std::uint32_t a, std::uint32_t b) { return date(a) < date(b); });
    }
    return rank([&](std::uint32_t a, std::uint32_t b) { return newer(a, b); });
}

std::vector<std::size_t> ListOrder::shown(const ListQuery& query,
                                          const std::function<bool(std::size_t)>& online) {
    std::vector<std::size_t> rows = found(services::search_key(query.find));
    if (!query.closed)
        std::erase_if(rows,
                      [&](std::size_t i) { return (customers_[i].gave_up != 0) != query.gave_up; });
    if (query.due_only)
        std::erase_if(rows, [&](std::size_t i) {
            return due_state(customers_[i], query.closed, query.today, query.cadence) == Due::no;
        });
    const auto newer = [this](std::size_t a, std::size_t b) {
        return customers_[a].id > customers_[b].id;
    };
    const int column = query.sort.column;
    if (column <= 1 && query.due_only) {
        // The one due soonest first: the longest-waiting, by the cadence or by a date set.
        std::stable_sort(rows.begin(), rows.end(), [&](std::size_t a, std::size_t b) {
            const double x = due_day(customers_[a], query.cadence),
                         y = due_day(customers_[b], query.cadence);
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
    const int kind = column <= 1 || column > kLastColumn ? 0
                     : column == 6 && query.closed       ? kDealDateKind
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
