#include "formats/table.h"

#include <algorithm>

namespace formats {

const Cell& Table::at(std::size_t row, std::size_t column) const {
    static const Cell kEmpty;
    if (row >= rows.size() || column >= rows[row].size()) return kEmpty;
    return rows[row][column];
}

bool row_is_empty(const Row& row) {
    return std::all_of(row.begin(), row.end(), [](const Cell& c) { return c.empty(); });
}

}  // namespace formats
