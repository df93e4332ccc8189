// The file is laid out page by page as a new Access file is (header, page map, catalog
// definition on page 2, a page of usage maps, empty index roots), then its starting rows
// go in through the engine's own table writer.
#include "tools/make_template/build_template.h"

#include <algorithm>
#include <map>
#include <string>

#include "jet/data_page_edit.h"
#include "jet/database_session.h"
#include "jet/format.h"
#include "jet/header.h"
#include "jet/index_page.h"
#include "jet/memory_file_system.h"
#include "jet/table_writer.h"
#include "jet/text.h"
#include "store/provision.h"
#include "tools/make_template/template_schema.h"

namespace templatedb {

namespace {

using jet::PageBytes;
using jet::RowPointer;

constexpr std::uint32_t kMapPage = 1;
constexpr std::uint32_t kUsageMapPage = 6;
constexpr std::size_t kInlineMapBytes = 64;  // 512 pages from the map's first page

// The stamp Access puts in every new definition and its entries.
constexpr std::uint8_t kStamp[4] = {0x59, 0x06, 0x00, 0x00};
constexpr std::uint8_t kIndexStamp[4] = {0x83, 0x07, 0x00, 0x00};

// Owner marks of MSysObjects: the engine's own objects and everything else.
const jet::Binary kEngineOwner{{0xA7, 0x31}};
const jet::Binary kAccessOwner{{0xA6, 0x33}};

std::vector<std::uint8_t> inline_map(const std::vector<std::uint32_t>& pages) {
    std::vector<std::uint8_t> row(1 + 4 + kInlineMapBytes, 0);
    for (std::uint32_t p : pages)
        row[5 + p / 8] |= static_cast<std::uint8_t>(1u << (p % 8));
    return row;
}

struct Layout {
    std::map<std::string, std::uint32_t> definition;
    std::map<std::string, std::vector<std::uint32_t>> roots;
};

// Page numbers: the four engine tables' definitions on 2..5 as in every Jet 4 file, the
// usage maps on 6, then each table's index roots, later tables' definitions before theirs.
Layout lay_out(const std::vector<TableSpec>& tables) {
    Layout l;
    std::uint32_t next = kUsageMapPage + 1;
    for (std::size_t i = 0; i < tables.size(); ++i) {
        const auto& t = tables[i];
        l.definition[t.name] = i < 4 ? static_cast<std::uint32_t>(2 + i) : next++;
        for (std::size_t k = 0; k < t.indexes.size(); ++k)
            l.roots[t.name].push_back(next++);
    }
    return l;
}

jet::TableDef definition_of(const TableSpec& spec, std::uint32_t page,
                            const std::vector<std::uint32_t>& roots, std::uint16_t& map_row) {
    jet::TableDef t;
    t.page = page;
    t.table_type = spec.table_type;
    std::copy(std::begin(kStamp), std::end(kStamp), t.stored_header.begin() + 0x0C);
    t.stored_header[0x18] = 0x01;  // AutoNumber step

    std::uint16_t fixed_offset = 0, var_index = 0;
    for (std::size_t n = 0; n < spec.columns.size(); ++n) {
        const auto& s = spec.columns[n];
        jet::Column c;
        c.name = s.name;
        c.type = s.type;
        c.number = static_cast<std::uint16_t>(n);
        c.length = s.length;
        c.flags = s.flags;
        c.misc_flags = s.misc_flags;
        c.sort_order = kSortOrder;
        if (c.is_fixed()) {
            // Yes/No values live in the null mask and take no room.
            c.fixed_offset = s.type == jet::ColumnType::boolean ? 0 : fixed_offset;
            if (s.type != jet::ColumnType::boolean) fixed_offset += s.length;
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
        return jet::text_compare_nocase(t.columns[a].name, t.columns[b].name) < 0;
    });
    for (std::size_t pos = 0; pos < by_name.size(); ++pos)
        t.columns[by_name[pos]].position = static_cast<std::uint16_t>(pos);

    t.used_pages = {kUsageMapPage, static_cast<std::uint8_t>(map_row++)};
    t.free_pages = {kUsageMapPage, static_cast<std::uint8_t>(map_row++)};
    for (std::size_t k = 0; k < spec.indexes.size(); ++k) {
        const auto& s = spec.indexes[k];
        jet::RealIndex ri;
        for (auto col : s.columns)
            ri.columns.push_back({col, true});
        ri.usage_map = {kUsageMapPage, static_cast<std::uint8_t>(map_row++)};
        ri.root_page = roots[k];
        ri.flags = s.flags;
        std::copy(std::begin(kIndexStamp), std::end(kIndexStamp), ri.stored.begin());
        t.real_indexes.push_back(std::move(ri));

        jet::LogicalIndex li;
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

// Every page up to the first row: header, maps, definitions, empty index roots and the
// spare pages the file starts with.
jet::Result<std::vector<std::uint8_t>> skeleton(const std::vector<TableSpec>& tables,
                                                const Layout& layout) {
    std::vector<std::uint8_t> file(kTemplatePages * jet::kPageSize, 0);
    auto put = [&](std::uint32_t number, const auto& bytes) {
        std::copy(bytes.begin(), bytes.end(),
                  file.begin() + static_cast<std::ptrdiff_t>(number * jet::kPageSize));
    };

    jet::Header header;
    header.version = jet::header::kVersionJet4;
    header.code_page = kCodePage;
    header.sort_order = kSortOrder;
    header.creation_date = kCreationDate;
    header.password = jet::utf8_to_utf16(store::kDatabasePassword);
    put(0, jet::encode_header(header));

    std::uint32_t last_used = kUsageMapPage;
    jet::DataPageRows maps;  // one row per usage map, in definition order
    std::uint16_t map_row = 0;
    for (const auto& spec : tables) {
        std::uint32_t page = layout.definition.at(spec.name);
        const auto& roots = layout.roots.count(spec.name) ? layout.roots.at(spec.name)
                                                          : std::vector<std::uint32_t>{};
        jet::TableDef def = definition_of(spec, page, roots, map_row);
        JET_ASSIGN(auto bytes, jet::encode_table_def(def));
        put(page, bytes);
        last_used = std::max(last_used, page);
        maps.rows.push_back({inline_map({}), false, false});
        maps.rows.push_back({inline_map({}), false, false});
        for (std::uint32_t root : roots) {
            maps.rows.push_back({inline_map({root}), false, false});
            jet::IndexPageHeader h;
            h.leaf = true;
            h.owner = page;
            JET_ASSIGN(auto leaf, jet::encode_index_page(h, {}));
            put(root, leaf);
            last_used = std::max(last_used, root);
        }
    }
    if (maps.rows.size() > jet::kMaxRowsPerPage)
        return jet::make_error(jet::Errc::full, "too many usage maps for one page");
    put(kUsageMapPage, jet::lay_out_data_page(maps));

    // Page 1: which pages are free (every one past the last in use, up to the map's end),
    // and the engine's second map, empty in a new file.
    std::vector<std::uint32_t> spare;
    for (std::uint32_t p = last_used + 1; p < kInlineMapBytes * 8; ++p)
        spare.push_back(p);
    jet::DataPageRows page_map;
    page_map.owner = kMapPage;
    page_map.rows.push_back({inline_map(spare), false, false});
    page_map.rows.push_back({inline_map({}), false, false});
    put(kMapPage, jet::lay_out_data_page(page_map));
    return file;
}

struct CatalogRow {
    std::int64_t id;
    std::int64_t parent;
    const char* name;
    std::int64_t type;
    std::int64_t flags;
    bool engine_owned;
};

constexpr std::int64_t kTablesContainer = 0x0F000001;
constexpr std::int64_t kDatabasesContainer = 0x0F000002;
constexpr std::int64_t kRoot = 0x0F000000;

std::vector<CatalogRow> catalog_rows(const std::vector<TableSpec>& tables, const Layout& layout) {
    constexpr std::int64_t kSystem = -2147483648LL;
    std::vector<CatalogRow> rows = {
        {kTablesContainer, kRoot, "Tables", 3, kSystem, true},
        {kDatabasesContainer, kRoot, "Databases", 3, kSystem, true},
        {0x0F000003, kRoot, "Relationships", 3, kSystem, true},
        {0x10000000, kDatabasesContainer, "MSysDb", 2, kSystem, false},
    };
    for (const auto& t : tables) {
        if (!t.engine_owned) continue;
        rows.push_back(
            {layout.definition.at(t.name), kTablesContainer, t.name, 1, t.catalog_flags, true});
    }
    // The containers Access keeps its own kinds of object in.
    std::int64_t id = kSystem;
    for (const char* name : {"DataAccessPages", "Forms", "Modules", "Reports", "Scripts", "SysRel"})
        rows.push_back({id++, kRoot, name, 3, 0, false});
    for (const auto& t : tables) {
        if (t.engine_owned) continue;
        rows.push_back(
            {layout.definition.at(t.name), kTablesContainer, t.name, 1, t.catalog_flags, false});
    }
    return rows;
}

// By definition page: the catalog does not list a table before its own row is in.
jet::Status insert(jet::TableWriter& writer, jet::Database& db, std::uint32_t table,
                   std::vector<jet::Value> values) {
    JET_ASSIGN(auto def, jet::read_table_def(db.pager(), table));
    JET_ASSIGN(auto placed, writer.insert(def, std::move(values)));
    (void)placed;
    return {};
}

}  // namespace

jet::Result<std::vector<std::uint8_t>> build_template() {
    const auto& tables = template_tables();
    Layout layout = lay_out(tables);
    JET_ASSIGN(auto file, skeleton(tables, layout));

    const std::string path = "template.db";
    jet::MemoryFileSystem fs;
    fs.put(path, std::move(file));
    {
        JET_ASSIGN(auto session,
                   jet::DatabaseSession::open(fs, path, store::kDatabasePassword,
                                              jet::OpenMode::read_write, std::nullopt));
        jet::Database& db = session->db();
        jet::TableWriter writer(db);
        const jet::DateTime created{kCreationDate};
        for (const auto& r : catalog_rows(tables, layout)) {
            std::vector<jet::Value> v(17);
            v[0] = r.id;
            v[1] = r.parent;
            v[2] = std::string(r.name);
            v[3] = r.type;
            v[4] = created;
            v[5] = created;
            v[6] = r.engine_owned ? kEngineOwner : kAccessOwner;
            v[7] = r.flags;
            JET_TRY(insert(writer, db, jet::kCatalogPage, std::move(v)));
        }
        const std::uint32_t settings = layout.definition.at("vantel_ww");
        // Settings: our own IDs, a spare row, and the skin number.
        JET_TRY(insert(writer, db, settings, {std::monostate{}, std::monostate{}}));
        JET_TRY(insert(writer, db, settings, {std::monostate{}, std::monostate{}}));
        JET_TRY(insert(writer, db, settings, {std::monostate{}, std::string("2")}));
        JET_TRY(session->commit());
    }
    auto bytes = fs.contents(path);
    if (!bytes) return jet::make_error(jet::Errc::io, "the built file went missing");
    if (bytes->size() != kTemplatePages * jet::kPageSize)
        return jet::make_error(jet::Errc::full, "the built file has " +
                                                    std::to_string(bytes->size() / jet::kPageSize) +
                                                    " pages, not " +
                                                    std::to_string(kTemplatePages));
    return std::move(*bytes);
}

}  // namespace templatedb
