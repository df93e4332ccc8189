#include "runtime/tab_order.h"

#include <algorithm>

namespace runtime {

std::vector<const Control*> tab_order(const Form& form) {
    std::vector<const Control*> stops;
    for (const auto& c : form.controls)
        if (c.tab_stop) stops.push_back(&c);
    std::stable_sort(stops.begin(), stops.end(),
                     [](const Control* a, const Control* b) { return a->rect.top < b->rect.top; });
    std::vector<const Control*> ordered;
    for (std::size_t i = 0; i < stops.size();) {
        // A row is every control that starts above the bottom of the row's first control.
        const int bottom = stops[i]->rect.top + std::max(stops[i]->rect.height, 1);
        std::size_t end = i + 1;
        while (end < stops.size() && stops[end]->rect.top < bottom)
            ++end;
        std::vector<const Control*> row(stops.begin() + static_cast<std::ptrdiff_t>(i),
                                        stops.begin() + static_cast<std::ptrdiff_t>(end));
        std::stable_sort(row.begin(), row.end(), [](const Control* a, const Control* b) {
            return a->rect.left < b->rect.left;
        });
        ordered.insert(ordered.end(), row.begin(), row.end());
        i = end;
    }
    return ordered;
}

}  // namespace runtime
