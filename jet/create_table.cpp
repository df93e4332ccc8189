#include "jet/create_table.h"

#include <optional>
#include <set>

#include "jet/catalog_name_index.h"
#include "jet/catalog_object.h"
#include "jet/data_page_edit.h"
#include "jet/format.h"
#include "jet/index_page.h"
#include "jet/table_layout.h"
#include "jet/table_writer.h"
#include "jet/text.h"
#include "jet/usage_map_edit.h"

namespace jet {

namespace {

// What the catalog says about the objects beside the tables.
struct CatalogView {
    std::int64_t tables_container = 0;
    std::set<std::int64_t> ids;
};

// The catalog's values of one row that this needs, found by column name.
struct ObjectFields {
    std::optional<std::int64_t> id, parent, type;
    const std::string* name = nullptr;
};

class ObjectReader {
  public:
    explicit ObjectReader(const TableDef& catalog)
        : id_(at(catalog, "Id")),
          parent_(at(catalog, "ParentId")),
          type_(at(catalog, "Type")),
          name_(at(catalog, "Name")) {}

    ObjectFields operator()(const std::vector<Value>& row) const {
        ObjectFields f{number(row, id_), number(row, parent_), number(row, type_), nullptr};
        if (name_ < row.size()) f.name = std::get_if<std::string>(&row[name_]);
        return f;
    }

  private:
    static std::size_t at(const TableDef& t, std::string_view name) {
        const Column* c = t.find_column(name);
        return c ? static_cast<std::size_t>(c - t.columns.data()) : t.columns.size();
    }
    static std::optional<std::int64_t> number(const std::vector<Value>& row, std::size_t i) {
        if (i >= row.size() || !std::holds_alternative<std::int64_t>(row[i])) return std::nullopt;
        return std::get<std::int64_t>(row[i]);
    }
    std::size_t id_, parent_, type_, name_;
};

// Finds the container tables hang from, and refuses a name taken by any object in it.
Result<CatalogView> look_at_catalog(Database& db, const TableDef& catalog, std::string_view name) {
    JET_ASSIGN(auto rows, db.scan(catalog));
    ObjectReader read(catalog);
    CatalogView view;
    std::optional<std::int64_t> container;
    for (const auto& r : rows) {
        ObjectFields f = read(r.values);
        if (f.id) view.ids.insert(*f.id);
        if (f.id && f.parent == catalog::kRoot && f.type == catalog::kContainerObject && f.name &&
            *f.name == "Tables")
            container = f.id;
    }
    if (!container) return make_error(Errc::corrupt, "the catalog has no container of tables");
    view.tables_container = *container;
    for (const auto& r : rows) {
        ObjectFields f = read(r.values);
        if (f.parent == container && f.name && text_equal_nocase(*f.name, name))
            return make_error(Errc::exists,
                              "the database has an object named " + *f.name + " already");
    }
    return view;
}

// An empty inline map row; with `page`, that page set (the window moves to it).
Result<std::vector<std::uint8_t>> map_row(std::optional<std::uint32_t> page) {
    JET_ASSIGN(auto row, new_inline_map({}));
    if (!page) return row;
    UsageMapImage map{std::move(row), {}};
    JET_TRY(mark_page(map, *page, true, []() -> Result<std::uint32_t> {
        return make_error(Errc::corrupt, "an empty map needed a page of its own");
    }));
    return std::move(map.row);
}

struct Planned {
    TableLayout layout;
    TableDef catalog;
    CatalogView view;
    std::optional<std::size_t> name_index;
    std::vector<std::uint8_t> name_key;
    std::uint16_t sort_order = 0;
};

Result<TableDef> stage_table(Database& db, const Planned& plan, const NewTable& table,
                             DateTime created) {
    Pager& pager = db.pager();
    TableWriter writer(db);
    TablePlacement place;
    JET_ASSIGN(place.definition_page, writer.allocate_page());
    if (plan.view.ids.count(place.definition_page))
        return make_error(Errc::corrupt, "the catalog names an object after a free page");
    JET_ASSIGN(std::uint32_t map_page, writer.allocate_page());
    for (std::size_t k = 0; k < plan.layout.indexes.size(); ++k) {
        JET_ASSIGN(std::uint32_t root, writer.allocate_page());
        place.index_roots.push_back(root);
    }

    // The table's usage maps share one page: rows used and free, then one per index.
    DataPageRows maps;
    auto add_map = [&](std::optional<std::uint32_t> page) -> Result<RowPointer> {
        JET_ASSIGN(auto row, map_row(page));
        maps.rows.push_back({std::move(row), false, false});
        return RowPointer{map_page, static_cast<std::uint8_t>(maps.rows.size() - 1)};
    };
    JET_ASSIGN(place.used_pages, add_map(std::nullopt));
    JET_ASSIGN(place.free_pages, add_map(std::nullopt));
    for (std::uint32_t root : place.index_roots) {
        JET_ASSIGN(RowPointer at, add_map(root));
        place.index_maps.push_back(at);
        IndexPageHeader h;
        h.leaf = true;
        h.owner = place.definition_page;
        JET_ASSIGN(PageBytes leaf, encode_index_page(h, {}));
        JET_TRY(pager.stage(root, leaf));
    }
    JET_TRY(pager.stage(map_page, lay_out_data_page(maps)));
    TableDef def = lay_out_table(plan.layout, place, plan.sort_order);
    JET_ASSIGN(auto def_bytes, encode_table_def(def));
    PageBytes def_page;
    std::copy(def_bytes.begin(), def_bytes.end(), def_page.begin());
    JET_TRY(pager.stage(place.definition_page, def_page));

    catalog::Object object;
    object.id = place.definition_page;
    object.parent = plan.view.tables_container;
    object.name = table.name;
    object.created = created;
    std::vector<std::size_t> keyed_elsewhere;
    if (plan.name_index) keyed_elsewhere.push_back(*plan.name_index);
    JET_ASSIGN(auto added,
               writer.insert_keyed_elsewhere(
                   plan.catalog, catalog::object_row(plan.catalog, object), keyed_elsewhere));
    if (plan.name_index)
        JET_TRY(add_catalog_name_entry(pager, plan.catalog, *plan.name_index, plan.name_key,
                                       added.first));
    db.catalog_changed();
    return read_table_def(pager, place.definition_page);
}

}  // namespace

Result<TableDef> create_table(Database& db, const NewTable& table, DateTime created) {
    Planned plan;
    JET_ASSIGN(plan.layout, layout_of(table));
    JET_ASSIGN(plan.catalog, read_table_def(db.pager(), kCatalogPage));
    JET_ASSIGN(plan.view, look_at_catalog(db, plan.catalog, table.name));
    plan.name_index = catalog_name_index(plan.catalog);
    if (plan.name_index) {
        JET_ASSIGN(
            plan.name_key,
            catalog_name_key(plan.catalog, static_cast<std::int32_t>(plan.view.tables_container),
                             table.name));
    }
    // New columns collate as the catalog's names do, the file's own order.
    const Column* names = plan.catalog.find_column("Name");
    plan.sort_order = names ? names->sort_order : kGeneralSortOrder;
    // Whether the definition fits its page does not hang on the page numbers it names.
    TablePlacement trial;
    trial.index_maps.resize(plan.layout.indexes.size());
    trial.index_roots.resize(plan.layout.indexes.size());
    JET_TRY(encode_table_def(lay_out_table(plan.layout, trial, plan.sort_order)));

    Pager& pager = db.pager();
    auto before = pager.save_staged();
    auto made = stage_table(db, plan, table, created);
    if (!made) {
        pager.restore_staged(std::move(before));
        db.catalog_changed();
    }
    return made;
}

}  // namespace jet
