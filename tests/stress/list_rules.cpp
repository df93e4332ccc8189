#include "tests/stress/list_rules.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "runtime/platform.h"
#include "tests/stress/text_rules.h"

namespace stress {

namespace {

// Full-width ASCII (U+FF01..U+FF5E) and the ideographic space as the ASCII they stand for,
// then letter case folded.
std::string find_key(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        if (text.substr(i, 3) == "\u3000") {
            out += ' ';
            i += 3;
            continue;
        }
        if (i + 2 < text.size() && static_cast<unsigned char>(text[i]) == 0xEF) {
            const char32_t cp = (char32_t{0xF} << 12) |
                                ((static_cast<unsigned char>(text[i + 1]) & 0x3Fu) << 6) |
                                (static_cast<unsigned char>(text[i + 2]) & 0x3Fu);
            if (cp >= 0xFF01 && cp <= 0xFF5E) {
                out += static_cast<char>(cp - 0xFF01 + 0x21);
                i += 3;
                continue;
            }
        }
        out += text[i++];
    }
    return folded_text(out);
}

double whole_day(double date) {
    return std::floor(date);
}

}  // namespace

std::string search_text(std::string_view text) {
    return find_key(text);
}

bool found_by(const Customer& c, std::string_view typed) {
    const std::string needle = find_key(typed);
    if (needle.empty()) return true;
    for (const std::string* field : {&c.wang, &c.wang2, &c.bs, &c.tags_text})
        if (find_key(*field).find(needle) != std::string::npos) return true;
    return false;
}

int due_tone(const Customer& c, bool closed_list, double today, int cadence) {
    if (closed_list || c.gave_up != 0) return 0;
    // A day set for the next follow-up: due that day, overdue after it.
    if (c.next != 0) {
        const double day = whole_day(c.next), now = whole_day(today);
        return now > day ? 2 : now == day ? 1 : 0;
    }
    const double waited = whole_day(today) - whole_day(c.time2);
    return waited >= 2.0 * cadence ? 2 : waited >= cadence ? 1 : 0;
}

std::vector<const Customer*> list_order(const std::vector<Customer>& loaded,
                                        const ListChoice& choice,
                                        const std::function<bool(const Customer&)>& online) {
    std::vector<const Customer*> shown;
    for (const Customer& c : loaded)
        if (found_by(c, choice.find) &&
            (!choice.due_only || choice.closed ||
             due_tone(c, choice.closed, choice.today, choice.cadence) > 0))
            shown.push_back(&c);
    // Ties, and the plain order, newest first.
    std::stable_sort(shown.begin(), shown.end(),
                     [](const Customer* a, const Customer* b) { return a->id > b->id; });
    if (choice.column <= 1) {
        if (choice.due_only && !choice.closed) {
            // The day each fell due: its own, or the cadence's after the last follow-up.
            const auto fell_due = [&](const Customer* c) {
                return c->next != 0 ? whole_day(c->next) : whole_day(c->time2) + choice.cadence;
            };
            std::stable_sort(shown.begin(), shown.end(), [&](const Customer* a, const Customer* b) {
                return fell_due(a) < fell_due(b);
            });
        }
        return shown;
    }
    std::map<const Customer*, std::string> keys;
    if (choice.column == 3 || choice.column == 4 || choice.column == 7 || choice.column == 9)
        for (const Customer* c : shown) {
            const std::string& text = choice.column == 3   ? c->wang
                                      : choice.column == 4 ? c->wang2
                                      : choice.column == 7 ? c->bs
                                                           : c->tags_text;
            keys[c] = runtime::platform().code_pages().sort_key(find_key(text));
        }
    const auto compare = [&](const Customer* a, const Customer* b) {
        switch (choice.column) {
            case 2:
                return static_cast<int>(online(*b)) - static_cast<int>(online(*a));
            case 5:
                return a->time1 < b->time1 ? -1 : a->time1 > b->time1;
            case 8: {
                // No day set sorts after every day.
                const double x = a->next != 0 ? a->next : 1e9, y = b->next != 0 ? b->next : 1e9;
                return x < y ? -1 : x > y;
            }
            case 6: {
                const double x = choice.closed ? a->time3.value_or(0) : a->time2;
                const double y = choice.closed ? b->time3.value_or(0) : b->time2;
                return x < y ? -1 : x > y;
            }
            default: {
                const int order = keys[a].compare(keys[b]);
                return order < 0 ? -1 : order > 0;
            }
        }
    };
    std::stable_sort(shown.begin(), shown.end(), [&](const Customer* a, const Customer* b) {
        const int order = compare(a, b);
        return choice.down ? order > 0 : order < 0;
    });
    return shown;
}

int cadence_in(const std::vector<std::pair<std::string, std::string>>& lines) {
    for (const auto& [key, value] : lines) {
        if (key != "cadence") continue;
        if (value.empty() || value.size() > 3 ||
            !std::all_of(value.begin(), value.end(),
                         [](char ch) { return ch >= '0' && ch <= '9'; }))
            return 3;
        const int days = std::stoi(value);
        return days >= 1 && days <= 365 ? days : 3;
    }
    return 3;
}

std::pair<int, bool> sort_in(const std::vector<std::pair<std::string, std::string>>& lines) {
    for (const auto& [key, value] : lines) {
        if (key != "sort") continue;
        if (value.size() < 5 || value[0] < '2' || value[0] > '9' || value[1] != ',') return {};
        const std::string way = value.substr(2);
        if (way != "asc" && way != "desc") return {};
        return {value[0] - '0', way == "desc"};
    }
    return {};
}

}  // namespace stress
