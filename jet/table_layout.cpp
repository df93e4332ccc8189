#include "jet/table_layout.h"

#include <algorithm>
#include <iterator>

#include "jet/text.h"

namespace jet {

namespace {

// The stamp Access puts in every new definition and its entries.
constexpr std::uint8_t kStamp[4] = {0x59, 0x06, 0x00, 0x00};
constexpr std::uint8_t kIndexStamp[4] = {0x83, 0x07, 0x00, 0x00};

}  // namespace

TableDef lay_out_table(const TableLayout& layout, const TablePlacement& placement,
                       std::uint16_t sort_order) {
    TableDef t;
    t.page = placement.definition_page;
    t.definition_pages = {placement.definition_page};
    t.table_type = layout.table_type;
    std::copy(std::begin(kStamp), std::end(kStamp), t.stored_header.begin() + 0x0C);
    t.stored_header[0x18] = 0x01;  // AutoNumber step

    std::uint16_t fixed_offset = 0, var_index = 0;
    for (std::size_t n = 0; n < layout.columns.size(); ++n) {
        const auto& s = layout.columns[n];
        Column c;
        c.name = s.name;
        c.type = s.type;
        c.number = static_cast<std::uint16_t>(n);
        c.length = s.length;
        c.flags = s.flags;
        c.misc_flags = s.misc_flags;
        c.sort_order = sort_order;
        if (c.is_fixed()) {
            // Yes/No values live in the null mask and take no room.
            c.fixed_offset = s.type == ColumnType::boolean ? 0 : fixed_offset;
            if (s.type != ColumnType::boolean) fixed_offset += s.length;
        } else {
            c.var_index = var_index++;
        }
        std::copy(std::begin(kStamp), std::end(kStamp), c.stored.begin() + 1);
        t.columns.push_back(std::move(c));
    }
    t.max_columns = static_cast<std::uint16_t>(t.columns.size());
    t.variable_columns = var_index;
    // Access lists column entries by name.
    std::vector<std::size_t> by_name(t.columns.size());
    for (std::size_t i = 0; i < by_name.size(); ++i)
        by_name[i] = i;
    std::stable_sort(by_name.begin(), by_name.end(), [&](std::size_t a, std::size_t b) {
        return text_compare_nocase(t.columns[a].name, t.columns[b].name) < 0;
    });
    for (std::size_t pos = 0; pos < by_name.size(); ++pos)
        t.columns[by_name[pos]].position = static_cast<std::uint16_t>(pos);

    t.used_pages = placement.used_pages;
    t.free_pages = placement.free_pages;
    for (std::size_t k = 0; k < layout.indexes.size(); ++k) {
        const auto& s = layout.indexes[k];
        RealIndex ri;
        for (auto col : s.columns)
            ri.columns.push_back({col, true});
        ri.usage_map = placement.index_maps[k];
        ri.root_page = placement.index_roots[k];
        ri.flags = s.flags;
        std::copy(std::begin(kIndexStamp), std::end(kIndexStamp), ri.stored.begin());
        t.real_indexes.push_back(std::move(ri));

        LogicalIndex li;
        li.name = s.name;
        li.number = static_cast<std::uint32_t>(k);
        li.real_index = static_cast<std::uint32_t>(k);
        li.type = s.type;
        std::copy(std::begin(kStamp), std::end(kStamp), li.stored.begin());
        li.stored[21] = 0x04;  // as Access writes them for indexes without a relationship
        li.stored[22] = 0x04;
        t.indexes.push_back(std::move(li));
    }
    return t;
}

}  // namespace jet
