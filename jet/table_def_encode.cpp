// Writes a table definition page: the inverse of read_table_def for a definition that fits
// in one page.
#include <algorithm>

#include "jet/format.h"
#include "jet/table_def.h"
#include "jet/text.h"

namespace jet {

namespace {

void append(std::vector<std::uint8_t>& out, const std::uint8_t* from, std::size_t size) {
    out.insert(out.end(), from, from + size);
}

void append_name(std::vector<std::uint8_t>& out, std::string_view name) {
    std::u16string wide = utf8_to_utf16(name);
    std::size_t at = out.size();
    out.resize(at + 2 + wide.size() * 2);
    store_u16(out.data() + at, static_cast<std::uint16_t>(wide.size() * 2));
    for (std::size_t i = 0; i < wide.size(); ++i)
        store_u16(out.data() + at + 2 + i * 2, static_cast<std::uint16_t>(wide[i]));
}

}  // namespace

Result<std::vector<std::uint8_t>> encode_table_def(const TableDef& t) {
    std::vector<std::uint8_t> d(t.stored_header.begin(), t.stored_header.end());
    std::uint8_t* h = d.data();
    h[0] = static_cast<std::uint8_t>(PageType::table_definition);
    h[1] = 0x01;
    store_u32(h + 4, 0);  // one page: no continuation
    store_u32(h + 0x10, t.row_count);
    store_u32(h + 0x14, t.next_autonumber);
    h[0x28] = t.table_type;
    store_u16(h + 0x29, t.max_columns);
    store_u16(h + 0x2B, t.variable_columns);
    store_u16(h + 0x2D, static_cast<std::uint16_t>(t.columns.size()));
    store_u32(h + 0x2F, static_cast<std::uint32_t>(t.indexes.size()));
    store_u32(h + 0x33, static_cast<std::uint32_t>(t.real_indexes.size()));
    store_u32(h + 0x37, t.used_pages.pack());
    store_u32(h + 0x3B, t.free_pages.pack());

    for (const auto& ri : t.real_indexes) {
        std::array<std::uint8_t, 12> e = ri.stored_count;
        store_u32(e.data() + 4, ri.row_count);
        append(d, e.data(), e.size());
    }

    std::vector<const Column*> order;
    for (const auto& c : t.columns)
        order.push_back(&c);
    std::stable_sort(order.begin(), order.end(),
                     [](const Column* a, const Column* b) { return a->position < b->position; });
    for (const Column* c : order) {
        std::array<std::uint8_t, 25> e = c->stored;
        e[0] = static_cast<std::uint8_t>(c->type);
        store_u16(e.data() + 5, c->number);
        store_u16(e.data() + 7, c->var_index);
        if (c->type == ColumnType::numeric) {
            e[11] = c->precision;
            e[12] = c->scale;
        } else {
            store_u16(e.data() + 11, c->sort_order);
        }
        store_u16(e.data() + 13, c->misc_ext);
        e[15] = c->flags;
        e[16] = c->misc_flags;
        store_u16(e.data() + 21, c->fixed_offset);
        store_u16(e.data() + 23, c->length);
        append(d, e.data(), e.size());
    }
    for (const Column* c : order)
        append_name(d, c->name);

    for (const auto& ri : t.real_indexes) {
        if (ri.columns.size() > 10)
            return make_error(Errc::full, "an index of more than ten columns");
        std::array<std::uint8_t, 52> e = ri.stored;
        for (std::size_t k = 0; k < 10; ++k) {
            std::uint8_t* slot = e.data() + 4 + k * 3;
            if (k < ri.columns.size()) {
                store_u16(slot, ri.columns[k].column_number);
                slot[2] = ri.columns[k].ascending ? 0x01 : 0x02;
            } else if (load_u16(slot) != 0xFFFF) {
                // An unused slot; Access leaves stray order bytes in them, kept as stored.
                store_u16(slot, 0xFFFF);
                slot[2] = 0x00;
            }
        }
        store_u32(e.data() + 34, ri.usage_map.pack());
        store_u32(e.data() + 38, ri.root_page);
        e[46] = ri.flags;
        append(d, e.data(), e.size());
    }
    for (const auto& li : t.indexes) {
        std::array<std::uint8_t, 28> e = li.stored;
        store_u32(e.data() + 4, li.number);
        store_u32(e.data() + 8, li.real_index);
        store_u32(e.data() + 13, static_cast<std::uint32_t>(li.related_index));
        store_u32(e.data() + 17, li.related_table);
        e[23] = li.type;
        append(d, e.data(), e.size());
    }
    for (const auto& li : t.indexes)
        append_name(d, li.name);

    if (t.stored_tail.empty()) {
        // No long-value column has pages of its own yet: the end mark alone.
        static constexpr std::uint8_t kEnd[10] = {0xFF, 0xFF};
        append(d, kEnd, sizeof kEnd);
    } else {
        append(d, t.stored_tail.data(), t.stored_tail.size());
    }

    if (d.size() > kPageSize)
        return make_error(Errc::full, "table definition needs more than one page");
    store_u32(d.data() + 8, static_cast<std::uint32_t>(d.size() - 8));
    store_u16(d.data() + 2, static_cast<std::uint16_t>(kPageSize - d.size()));
    d.resize(kPageSize, 0);
    return d;
}

}  // namespace jet
