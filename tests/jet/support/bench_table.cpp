#include "tests/jet/support/bench_table.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>

#include "jet/bytes.h"
#include "jet/database.h"
#include "jet/file.h"
#include "jet/format.h"
#include "jet/rc4.h"
#include "jet/table_def.h"
#include "jet/text.h"
#include "jet/usage_map.h"
#include "jet/usage_map_edit.h"

namespace lq::jet_support {

namespace {

using jet::Errc;
using jet::kPageSize;
using jet::make_error;

// A row number is one byte of a row pointer, so no page may hold more rows than that.
constexpr std::size_t kMaxRowsPerPage = 255;
constexpr std::size_t kPageHeader = jet::datapage::kRowTableOffset;

std::uint64_t mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

constexpr std::array<const char*, 12> kWords = {
    "电话回访", "已付款",         "待发货",   "老客户",   "上海", "岚桥",
    "季度合同", "请于周五前联系", "地址变更", "发票已开", "退货", "优先"};
constexpr std::array<const char*, 10> kLatin = {"call back",  "paid", "VIP",    "Müller GmbH",
                                                "café",       "rush", "net 30", "\"urgent\"",
                                                "a, b and c", "n/a"};

std::string number(const char* format, std::uint32_t n) {
    char buf[32];
    std::snprintf(buf, sizeof buf, format, static_cast<unsigned>(n));
    return buf;
}

bool is_one_byte(std::u16string_view s) {
    return std::all_of(s.begin(), s.end(), [](char16_t c) { return c > 0 && c < 0x100; });
}

// Text as the engine stores it: one-byte characters in the compressed form (FF FE, then a
// byte each), anything else as plain UTF-16LE.
std::vector<std::uint8_t> stored_text(const std::string& utf8, bool compress) {
    std::u16string units = jet::utf8_to_utf16(utf8);
    std::vector<std::uint8_t> out;
    if (compress && !units.empty() && is_one_byte(units)) {
        out = {0xFF, 0xFE};
        for (char16_t c : units)
            out.push_back(static_cast<std::uint8_t>(c));
        return out;
    }
    for (char16_t c : units) {
        out.push_back(static_cast<std::uint8_t>(c));
        out.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return out;
}

struct Layout {
    std::uint32_t tdef_page = 0;
    std::uint16_t row_columns = 0;  // the row's column count: highest column number + 1
    std::size_t fixed_bytes = 0;    // the fixed area after the column count
    std::uint16_t var_columns = 0;  // entries of the variable-offset table
    const jet::Column* id = nullptr;
    const jet::Column* data = nullptr;
};

jet::Result<Layout> layout_of(const jet::TableDef& t) {
    Layout l;
    l.tdef_page = t.page;
    l.id = t.find_column("ID");
    l.data = t.find_column("Data");
    if (t.columns.size() != 2 || !l.id || !l.data || l.id->type != jet::ColumnType::long_integer ||
        !l.id->is_fixed() || l.data->type != jet::ColumnType::text || l.data->is_fixed())
        return make_error(Errc::not_found,
                          "Table1 must have exactly ID (Long Integer) and Data (Text)");
    l.row_columns = static_cast<std::uint16_t>(std::max(l.id->number, l.data->number) + 1);
    l.fixed_bytes = std::size_t{l.id->fixed_offset} + 4;
    l.var_columns = static_cast<std::uint16_t>(l.data->var_index + 1);
    return l;
}

// One row: column count, fixed area, variable data, end-of-data offset, the offset table
// (last column first), the variable column count and the null mask (1 = present).
std::vector<std::uint8_t> encode_row(const Layout& l, std::uint32_t id,
                                     const std::optional<std::vector<std::uint8_t>>& data) {
    std::vector<std::uint8_t> row(2 + l.fixed_bytes);
    jet::store_u16(row.data(), l.row_columns);
    jet::store_u32(row.data() + 2 + l.id->fixed_offset, id);
    std::size_t var_start = row.size();
    // Columns before Data in the offset table (none in Table1) are left zero-length.
    std::vector<std::uint16_t> offsets(l.var_columns, static_cast<std::uint16_t>(var_start));
    if (data) row.insert(row.end(), data->begin(), data->end());
    auto eod = static_cast<std::uint16_t>(row.size());
    std::vector<std::uint8_t> tail(2 + 2 * std::size_t{l.var_columns} + 2);
    jet::store_u16(tail.data(), eod);
    for (std::size_t i = 0; i < l.var_columns; ++i)
        jet::store_u16(tail.data() + 2 + 2 * (l.var_columns - 1 - i), offsets[i]);
    jet::store_u16(tail.data() + tail.size() - 2, l.var_columns);
    row.insert(row.end(), tail.begin(), tail.end());
    std::vector<std::uint8_t> mask((std::size_t{l.row_columns} + 7) / 8, 0);
    mask[l.id->number / 8] |= static_cast<std::uint8_t>(1u << (l.id->number % 8));
    if (data) mask[l.data->number / 8] |= static_cast<std::uint8_t>(1u << (l.data->number % 8));
    row.insert(row.end(), mask.begin(), mask.end());
    return row;
}

using Page = std::array<std::uint8_t, kPageSize>;

// Packs rows into data pages owned by the table, each row below the one before it.
std::vector<Page> pack_rows(const Layout& l, const std::vector<std::vector<std::uint8_t>>& rows) {
    std::vector<Page> pages;
    std::size_t next = 0;
    while (next < rows.size()) {
        Page page{};
        page[0] = static_cast<std::uint8_t>(jet::PageType::data);
        page[1] = 0x01;
        jet::store_u32(page.data() + jet::datapage::kOwnerOffset, l.tdef_page);
        std::size_t top = kPageSize;  // lowest byte used by rows so far
        std::uint16_t count = 0;
        while (next < rows.size() && count < kMaxRowsPerPage) {
            const auto& r = rows[next];
            std::size_t table_end = kPageHeader + 2 * (std::size_t{count} + 1);
            if (top < r.size() || top - r.size() < table_end) break;
            top -= r.size();
            std::copy(r.begin(), r.end(), page.begin() + static_cast<std::ptrdiff_t>(top));
            jet::store_u16(page.data() + kPageHeader + 2 * std::size_t{count},
                           static_cast<std::uint16_t>(top));
            ++count;
            ++next;
        }
        jet::store_u16(page.data() + jet::datapage::kRowCountOffset, count);
        std::size_t free_space = top - (kPageHeader + 2 * std::size_t{count});
        jet::store_u16(page.data() + jet::datapage::kFreeSpaceOffset,
                       static_cast<std::uint16_t>(free_space));
        pages.push_back(page);
    }
    return pages;
}

void set_bit(std::span<std::uint8_t> bitmap, std::uint64_t bit) {
    bitmap[bit / 8] |= static_cast<std::uint8_t>(1u << (bit % 8));
}

// Where a row sits in its (unmasked) page, so that it can be rewritten in place.
jet::Result<std::span<std::uint8_t>> row_in_page(Page& page, std::uint16_t row) {
    JET_ASSIGN(jet::RowSlot slot, jet::row_slot(jet::Bytes(page), row));
    if (slot.deleted || slot.overflow)
        return make_error(Errc::corrupt, "the usage map row is not a plain row");
    return std::span<std::uint8_t>(page).subspan(slot.start, slot.end - slot.start);
}

}  // namespace

std::optional<std::string> bench_text(std::uint32_t id, std::uint64_t seed) {
    std::uint64_t r = mix(seed * 0x100000001B3ull ^ id);
    auto pick = [&r](std::size_t n) {
        r = mix(r);
        return static_cast<std::size_t>(r % n);
    };
    switch (pick(50)) {
        case 0:
            return std::nullopt;
        case 1:
            return std::string();
        default:
            break;
    }
    std::string s;
    if (pick(5) < 2) {
        s = number("客户-%05u 备注", id);
        for (std::size_t i = 0, n = pick(8); i < n; ++i) {
            s += i % 3 == 2 ? "，" : " ";
            s += kWords[pick(kWords.size())];
        }
    } else {
        s = number("buyer_%u", id);
        for (std::size_t i = 0, n = pick(10); i < n; ++i) {
            s += ' ';
            s += kLatin[pick(kLatin.size())];
        }
    }
    return s;
}

jet::Result<std::vector<std::uint8_t>> make_bench_table(std::span<const std::uint8_t> base,
                                                        const BenchTableOptions& options) {
    if (base.size() % kPageSize != 0)
        return make_error(Errc::corrupt, "the base file is not a whole number of pages");
    jet::MemoryFile file(std::vector<std::uint8_t>(base.begin(), base.end()));
    JET_ASSIGN(auto db, jet::Database::open(file, ""));
    JET_ASSIGN(jet::TableDef table, db->table("Table1"));
    JET_ASSIGN(Layout layout, layout_of(table));
    jet::Pager& pager = db->pager();
    const std::uint32_t key = pager.header().database_key;

    std::vector<std::vector<std::uint8_t>> rows;
    rows.reserve(options.rows);
    for (std::uint32_t id = 1; id <= options.rows; ++id) {
        std::optional<std::vector<std::uint8_t>> data;
        if (auto text = bench_text(id, options.seed))
            data = stored_text(*text, layout.data->compressed_unicode());
        rows.push_back(encode_row(layout, id, data));
    }
    std::vector<Page> pages = pack_rows(layout, rows);
    const std::uint32_t first_new = pager.page_count();
    const auto data_pages = static_cast<std::uint32_t>(pages.size());

    // The map row is rewritten in place: its length is fixed by the page that holds it.
    jet::RowPointer where = table.used_pages;
    JET_ASSIGN(jet::Bytes map_page_bytes, pager.page(where.page));
    Page map_page;
    std::copy(map_page_bytes.begin(), map_page_bytes.end(), map_page.begin());
    JET_ASSIGN(std::span<std::uint8_t> map, row_in_page(map_page, where.row));
    if (map.size() < 5) return make_error(Errc::corrupt, "usage map row too short");
    std::fill(map.begin(), map.end(), std::uint8_t{0});

    const std::uint64_t inline_bits = (map.size() - 5) * std::uint64_t{8};
    const bool fits_inline = data_pages <= inline_bits;
    if (options.map == MapKind::inline_ && !fits_inline)
        return make_error(Errc::full, "the pages do not fit in an inline usage map");
    if (options.map != MapKind::reference && fits_inline) {
        map[0] = jet::kInlineMap;
        jet::store_u32(map.data() + 1, first_new);
        for (std::uint32_t i = 0; i < data_pages; ++i)
            set_bit(map.subspan(5), i);
    } else {
        // One usage-map page per span of kPagesPerMapPage pages that holds any of ours.
        std::uint32_t last = first_new + data_pages - 1;
        std::uint32_t first_slot = first_new / jet::kPagesPerMapPage;
        std::uint32_t last_slot = last / jet::kPagesPerMapPage;
        if (1 + 4 * (std::size_t{last_slot} + 1) > map.size())
            return make_error(Errc::full, "the file is too large for the usage map row");
        map[0] = jet::kReferenceMap;
        std::uint32_t next_page = first_new + data_pages;
        for (std::uint32_t slot = first_slot; slot <= last_slot; ++slot) {
            Page bits{};
            bits[0] = static_cast<std::uint8_t>(jet::PageType::usage_map);
            bits[1] = 0x01;
            std::uint64_t from = std::uint64_t{slot} * jet::kPagesPerMapPage;
            for (std::uint32_t p = first_new; p <= last; ++p)
                if (p >= from && p < from + jet::kPagesPerMapPage)
                    set_bit(std::span<std::uint8_t>(bits).subspan(4), p - from);
            jet::store_u32(map.data() + 1 + 4 * std::size_t{slot}, next_page++);
            pages.push_back(bits);
        }
    }

    JET_ASSIGN(jet::Bytes tdef_bytes, pager.page(table.page));
    Page tdef;
    std::copy(tdef_bytes.begin(), tdef_bytes.end(), tdef.begin());
    jet::store_u32(tdef.data() + 0x10, options.rows);
    if (layout.id->is_autonumber())
        jet::store_u32(tdef.data() + 0x14, std::max(table.next_autonumber, options.rows + 1));

    // Pages go back masked when the database is.
    auto put = [&](std::uint32_t number, Page page) -> jet::Status {
        if (key != 0) {
            std::uint32_t k = key ^ number;
            std::uint8_t page_key[4] = {
                static_cast<std::uint8_t>(k), static_cast<std::uint8_t>(k >> 8),
                static_cast<std::uint8_t>(k >> 16), static_cast<std::uint8_t>(k >> 24)};
            jet::rc4_apply(page_key, page);
        }
        return file.write_at(std::uint64_t{number} * kPageSize, page);
    };
    // The new pages are in use: the database's free-page map (page 1, row 0) must not
    // list them, or a writer would hand them out again.
    JET_ASSIGN(jet::Bytes free_bytes, pager.page(1));
    Page free_page;
    std::copy(free_bytes.begin(), free_bytes.end(), free_page.begin());
    JET_ASSIGN(jet::RowSlot free_slot, jet::row_slot(free_page, 0));
    JET_ASSIGN(jet::UsageMapImage free_map,
               jet::load_usage_map(pager, {free_page.begin() + free_slot.start,
                                           free_page.begin() + free_slot.end}));
    auto no_growth = []() -> jet::Result<std::uint32_t> {
        return jet::make_error(jet::Errc::full, "clearing a bit never needs a new map page");
    };
    for (std::uint32_t p = first_new; p < first_new + pages.size(); ++p)
        JET_TRY(jet::mark_page(free_map, p, false, no_growth));
    if (!free_map.map_pages.empty())
        return jet::make_error(jet::Errc::full, "the free-page map is of the reference kind");
    std::copy(free_map.row.begin(), free_map.row.end(), free_page.begin() + free_slot.start);
    JET_TRY(put(1, free_page));
    JET_TRY(put(where.page, map_page));
    JET_TRY(put(table.page, tdef));
    for (std::size_t i = 0; i < pages.size(); ++i)
        JET_TRY(put(first_new + static_cast<std::uint32_t>(i), pages[i]));
    return file.bytes();
}

}  // namespace lq::jet_support
