#include "jet/table_def.h"

#include <algorithm>
#include <unordered_set>

#include "jet/text.h"

namespace jet {

namespace {

constexpr std::size_t kRealIndexStart = 0x3F;
constexpr std::size_t kRealIndexSize = 12;
constexpr std::size_t kColumnSize = 25;
constexpr std::size_t kRealIndexDefSize = 52;
constexpr std::size_t kLogicalIndexSize = 28;
constexpr std::size_t kMaxIndexColumns = 10;

Error truncated(const char* what) {
    return make_error(Errc::corrupt, std::string("table definition ends inside its ") + what);
}

// Reads a length-prefixed name; advances `at`.
Result<std::string> read_name(Bytes def, std::size_t& at) {
    auto len = u16_at(def, at);
    if (!len || !in_range(def, at + 2, *len)) return truncated("names");
    std::string name = decode_text(def.subspan(at + 2, *len));
    at += 2 + std::size_t{*len};
    return name;
}

}  // namespace

const char* column_type_name(ColumnType type) {
    switch (type) {
        case ColumnType::boolean:
            return "Boolean";
        case ColumnType::byte:
            return "Byte";
        case ColumnType::integer:
            return "Integer";
        case ColumnType::long_integer:
            return "Long Integer";
        case ColumnType::money:
            return "Currency";
        case ColumnType::single:
            return "Single";
        case ColumnType::double_:
            return "Double";
        case ColumnType::datetime:
            return "DateTime";
        case ColumnType::binary:
            return "Binary";
        case ColumnType::text:
            return "Text";
        case ColumnType::ole:
            return "OLE";
        case ColumnType::memo:
            return "Memo";
        case ColumnType::guid:
            return "Replication ID";
        case ColumnType::numeric:
            return "Numeric";
        case ColumnType::complex:
            return "Complex";
        case ColumnType::big_integer:
            return "Big Integer";
    }
    return "Unknown";
}

std::size_t stored_size(const Column& c) {
    switch (c.type) {
        case ColumnType::boolean:
            return 0;
        case ColumnType::byte:
            return 1;
        case ColumnType::integer:
            return 2;
        case ColumnType::long_integer:
        case ColumnType::single:
        case ColumnType::complex:
            return 4;
        case ColumnType::money:
        case ColumnType::double_:
        case ColumnType::datetime:
        case ColumnType::big_integer:
            return 8;
        case ColumnType::guid:
            return 16;
        case ColumnType::numeric:
            return 17;
        default:
            return c.length;
    }
}

const Column* TableDef::find_column(std::string_view name) const {
    for (const auto& c : columns)
        if (text_equal_nocase(c.name, name)) return &c;
    return nullptr;
}

Result<TableDef> read_table_def(Pager& pager, std::uint32_t first_page) {
    TableDef t;
    t.page = first_page;
    std::vector<std::uint8_t> def;
    std::unordered_set<std::uint32_t> seen;
    for (std::uint32_t p = first_page; p != 0;) {
        if (!seen.insert(p).second) return make_error(Errc::corrupt, "table definition pages loop");
        JET_ASSIGN(Bytes page, pager.page(p));
        if (page[0] != static_cast<std::uint8_t>(PageType::table_definition))
            return make_error(Errc::corrupt,
                              "page " + std::to_string(p) + " is no table definition");
        // Continuation pages carry only their own 8-byte header before the data.
        auto from = def.empty() ? page.begin() : page.begin() + 8;
        def.insert(def.end(), from, page.end());
        t.definition_pages.push_back(p);
        p = *u32_at(page, 4);
    }
    // Page 0 is the header, never a definition; a catalog entry pointing there reads nothing.
    if (t.definition_pages.empty()) return make_error(Errc::corrupt, "table definition at page 0");
    Bytes d(def);
    if (d.size() < kRealIndexStart) return truncated("table definition header");

    t.row_count = *u32_at(d, 0x10);
    t.next_autonumber = *u32_at(d, 0x14);
    t.table_type = d[0x28];
    t.max_columns = *u16_at(d, 0x29);
    t.variable_columns = *u16_at(d, 0x2B);
    std::uint16_t column_count = *u16_at(d, 0x2D);
    std::uint32_t logical_count = *u32_at(d, 0x2F);
    std::uint32_t real_count = *u32_at(d, 0x33);
    t.used_pages = RowPointer::unpack(*u32_at(d, 0x37));
    t.free_pages = RowPointer::unpack(*u32_at(d, 0x3B));
    // Bounds before any allocation: each entry must fit in what was read.
    if (real_count > d.size() / kRealIndexSize || logical_count > d.size() / kLogicalIndexSize)
        return truncated("index list");

    std::size_t at = kRealIndexStart;
    std::vector<std::uint32_t> real_rows(real_count);
    std::vector<std::array<std::uint8_t, kRealIndexSize>> real_stored_counts(real_count);
    for (std::uint32_t i = 0; i < real_count; ++i, at += kRealIndexSize) {
        if (!in_range(d, at, kRealIndexSize)) return truncated("index counts");
        real_rows[i] = *u32_at(d, at + 4);
        std::copy_n(d.data() + at, kRealIndexSize, real_stored_counts[i].begin());
    }

    if (!in_range(d, at, std::size_t{column_count} * kColumnSize)) return truncated("columns");
    t.columns.resize(column_count);
    for (auto& c : t.columns) {
        const std::uint8_t* e = d.data() + at;
        c.type = static_cast<ColumnType>(e[0]);
        std::copy(e, e + kColumnSize, c.stored.begin());
        c.position = static_cast<std::uint16_t>(&c - t.columns.data());
        c.number = load_u16(e + 5);
        c.var_index = load_u16(e + 7);
        c.sort_order = load_u16(e + 11);
        c.precision = e[11];
        c.scale = e[12];
        c.misc_ext = load_u16(e + 13);
        c.flags = e[15];
        c.misc_flags = e[16];
        c.fixed_offset = load_u16(e + 21);
        c.length = load_u16(e + 23);
        at += kColumnSize;
    }
    for (auto& c : t.columns) {
        JET_ASSIGN(c.name, read_name(d, at));
    }

    t.real_indexes.resize(real_count);
    for (std::uint32_t i = 0; i < real_count; ++i, at += kRealIndexDefSize) {
        if (!in_range(d, at, kRealIndexDefSize)) return truncated("index definitions");
        auto& ri = t.real_indexes[i];
        ri.row_count = real_rows[i];
        ri.stored_count = real_stored_counts[i];
        std::copy_n(d.data() + at, kRealIndexDefSize, ri.stored.begin());
        for (std::size_t k = 0; k < kMaxIndexColumns; ++k) {
            std::uint16_t col = load_u16(d.data() + at + 4 + k * 3);
            if (col == 0xFFFF) continue;
            ri.columns.push_back({col, d[at + 4 + k * 3 + 2] == 0x01});
        }
        ri.usage_map = RowPointer::unpack(load_u32(d.data() + at + 34));
        ri.root_page = load_u32(d.data() + at + 38);
        ri.flags = d[at + 46];
    }

    t.indexes.resize(logical_count);
    for (std::uint32_t i = 0; i < logical_count; ++i, at += kLogicalIndexSize) {
        if (!in_range(d, at, kLogicalIndexSize)) return truncated("index entries");
        auto& li = t.indexes[i];
        std::copy_n(d.data() + at, kLogicalIndexSize, li.stored.begin());
        li.number = load_u32(d.data() + at + 4);
        li.real_index = load_u32(d.data() + at + 8);
        li.related_index = static_cast<std::int32_t>(load_u32(d.data() + at + 13));
        li.related_table = load_u32(d.data() + at + 17);
        li.type = d[at + 23];
        if (li.real_index >= real_count && li.type != 0x02)
            return make_error(Errc::corrupt, "index refers to a missing index definition");
    }
    for (auto& li : t.indexes) {
        JET_ASSIGN(li.name, read_name(d, at));
    }

    std::size_t end = std::min(d.size(), std::size_t{load_u32(d.data() + 8)} + 8);
    if (at < end)
        t.stored_tail.assign(d.begin() + static_cast<std::ptrdiff_t>(at),
                             d.begin() + static_cast<std::ptrdiff_t>(end));
    std::copy_n(d.data(), t.stored_header.size(), t.stored_header.begin());

    std::sort(t.columns.begin(), t.columns.end(),
              [](const Column& a, const Column& b) { return a.number < b.number; });
    return t;
}

}  // namespace jet
