#pragma once
// The stress model's own statement of how the list finds, orders and marks its customers:
// the find box's text, a column's sort, and who waits for a follow-up.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/stress/model.h"

namespace stress {

// Whether the find box's text is inside the customer's ID, our ID or note, letter case and
// full-width forms of ASCII ignored. An empty text finds everyone.
bool found_by(const Customer& c, std::string_view typed);
// A text as the find compares it: full-width ASCII as ASCII, letter case folded.
std::string search_text(std::string_view text);
// 0 not due, 1 due (the cadence has passed since the last follow-up), 2 overdue (twice it).
int due_tone(const Customer& c, bool closed_list, double today, int cadence);

struct ListChoice {
    std::string find;
    int column = 0;  // 0 or 1: newest first
    bool down = false;
    bool due_only = false;
    bool closed = false;
    double today = 0;
    int cadence = 3;
};
// The customers to show, in order; `loaded` newest first, `online` a customer's status.
std::vector<const Customer*> list_order(const std::vector<Customer>& loaded,
                                        const ListChoice& choice,
                                        const std::function<bool(const Customer&)>& online);

// The cadence a settings row gives, 3 when it gives none it can use.
int cadence_in(const std::vector<std::pair<std::string, std::string>>& lines);
// The sort a settings value names; {0, false} for anything else.
std::pair<int, bool> sort_in(const std::vector<std::pair<std::string, std::string>>& lines);

}  // namespace stress
