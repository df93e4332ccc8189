// The file is laid out page by page as a new Access file is (header, page map, catalog
// definition on page 2, a page of usage maps, empty index roots), then its starting rows
// go in through the engine's own table writer.
#include "tools/make_template/build_template.h"

#include <algorithm>
#include <map>
#include <string>

#include "jet/catalog_object.h"
#include "jet/data_page_edit.h"
#include "jet/database_session.h"
#include "jet/format.h"
#include "jet/header.h"
#include "jet/index_page.h"
#include "jet/memory_file_system.h"
#include "jet/table_layout.h"
#include "jet/table_writer.h"
#include "jet/text.h"
#include "jet/usage_map_edit.h"
#include "store/provision.h"
#include "tools/make_template/template_schema.h"

namespace templatedb {

namespace {

using jet::PageBytes;
using jet::RowPointer;

constexpr std::uint32_t kMapPage = 1;
constexpr std::uint32_t kUsageMapPage = 6;

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
        const auto& t = tables[i].layout;
        l.definition[t.name] = i < 4 ? static_cast<std::uint32_t>(2 + i) : next++;
        for (std::size_t k = 0; k < t.indexes.size(); ++k)
            l.roots[t.name].push_back(next++);
    }
    return l;
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
    auto map_row = [&](std::vector<std::uint32_t> pages) -> jet::Result<RowPointer> {
        JET_ASSIGN(auto row, jet::new_inline_map(pages));
        maps.rows.push_back({std::move(row), false, false});
        return RowPointer{kUsageMapPage, static_cast<std::uint8_t>(maps.rows.size() - 1)};
    };
    for (const auto& spec : tables) {
        const jet::TableLayout& t = spec.layout;
        jet::TablePlacement place;
        place.definition_page = layout.definition.at(t.name);
        if (layout.roots.count(t.name)) place.index_roots = layout.roots.at(t.name);
        JET_ASSIGN(place.used_pages, map_row({}));
        JET_ASSIGN(place.free_pages, map_row({}));
        for (std::uint32_t root : place.index_roots) {
            JET_ASSIGN(RowPointer at, map_row({root}));
            place.index_maps.push_back(at);
            jet::IndexPageHeader h;
            h.leaf = true;
            h.owner = place.definition_page;
            JET_ASSIGN(auto leaf, jet::encode_index_page(h, {}));
            put(root, leaf);
            last_used = std::max(last_used, root);
        }
        JET_ASSIGN(auto bytes, jet::encode_table_def(jet::lay_out_table(t, place, kSortOrder)));
        put(place.definition_page, bytes);
        last_used = std::max(last_used, place.definition_page);
    }
    if (maps.rows.size() > jet::kMaxRowsPerPage)
        return jet::make_error(jet::Errc::full, "too many usage maps for one page");
    put(kUsageMapPage, jet::lay_out_data_page(maps));

    // Page 1: which pages are free (every one past the last in use, up to the map's end),
    // and the engine's second map, empty in a new file.
    std::vector<std::uint32_t> spare;
    for (std::uint32_t p = last_used + 1; p < jet::kNewInlineMapBytes * 8; ++p)
        spare.push_back(p);
    jet::DataPageRows page_map;
    page_map.owner = kMapPage;
    JET_ASSIGN(auto free_map, jet::new_inline_map(spare));
    JET_ASSIGN(auto second_map, jet::new_inline_map({}));
    page_map.rows.push_back({std::move(free_map), false, false});
    page_map.rows.push_back({std::move(second_map), false, false});
    put(kMapPage, jet::lay_out_data_page(page_map));
    return file;
}

std::vector<jet::catalog::Object> catalog_objects(const std::vector<TableSpec>& tables,
                                                  const Layout& layout) {
    using namespace jet::catalog;
    const jet::DateTime created{kCreationDate};
    std::vector<Object> rows = {
        {kTablesContainer, kRoot, "Tables", kContainerObject, kSystemObject, created, true},
        {kDatabasesContainer, kRoot, "Databases", kContainerObject, kSystemObject, created, true},
        {kRelationshipsContainer, kRoot, "Relationships", kContainerObject, kSystemObject, created,
         true},
        {0x10000000, kDatabasesContainer, "MSysDb", kDatabaseObject, kSystemObject, created, false},
    };
    auto table_row = [&](const TableSpec& t) {
        return Object{layout.definition.at(t.layout.name),
                      kTablesContainer,
                      t.layout.name,
                      kTableObject,
                      t.catalog_flags,
                      created,
                      t.engine_owned};
    };
    for (const auto& t : tables)
        if (t.engine_owned) rows.push_back(table_row(t));
    // The containers Access keeps its own kinds of object in.
    std::int64_t id = kSystemObject;
    for (const char* name : {"DataAccessPages", "Forms", "Modules", "Reports", "Scripts", "SysRel"})
        rows.push_back({id++, kRoot, name, kContainerObject, 0, created, false});
    for (const auto& t : tables)
        if (!t.engine_owned) rows.push_back(table_row(t));
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
    JET_ASSIGN(const auto tables, template_tables());
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
        JET_ASSIGN(auto catalog, jet::read_table_def(db.pager(), jet::kCatalogPage));
        for (const auto& object : catalog_objects(tables, layout))
            JET_TRY(
                insert(writer, db, jet::kCatalogPage, jet::catalog::object_row(catalog, object)));
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
