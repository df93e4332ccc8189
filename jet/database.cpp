#include "jet/database.h"

#include <algorithm>

#include "jet/format.h"
#include "jet/row_codec.h"
#include "jet/text.h"
#include "jet/usage_map.h"

namespace jet {

namespace {

constexpr std::int64_t kTableObject = 1;
constexpr std::uint32_t kSystemFlags = 0x80000002u;

const Value* field(const TableDef& t, const std::vector<Value>& row, std::string_view name) {
    for (std::size_t i = 0; i < t.columns.size(); ++i)
        if (text_equal_nocase(t.columns[i].name, name)) return &row[i];
    return nullptr;
}

}  // namespace

Result<std::unique_ptr<Database>> Database::open(File& file, std::string_view password) {
    JET_ASSIGN(auto pager, Pager::open(file));
    if (!password_opens(pager->header(), password))
        return make_error(Errc::wrong_password, "the password does not open this database");
    auto db = std::make_unique<Database>(std::move(pager));
    // A database whose catalog cannot be read is no usable database.
    JET_TRY(db->catalog());
    return db;
}

Result<std::vector<CatalogEntry>> Database::catalog() {
    if (catalog_read_ && catalog_generation_ == pager_->generation()) return catalog_;
    JET_ASSIGN(TableDef objects, read_table_def(*pager_, kCatalogPage));
    JET_ASSIGN(auto rows, scan(objects));
    std::vector<CatalogEntry> entries;
    for (const auto& r : rows) {
        const Value* id = field(objects, r.values, "Id");
        const Value* name = field(objects, r.values, "Name");
        const Value* type = field(objects, r.values, "Type");
        const Value* flags = field(objects, r.values, "Flags");
        if (!id || !name || !type || !std::holds_alternative<std::int64_t>(*type) ||
            !std::holds_alternative<std::int64_t>(*id) ||
            !std::holds_alternative<std::string>(*name))
            continue;
        if ((std::get<std::int64_t>(*type) & 0x7FFF) != kTableObject) continue;
        CatalogEntry e;
        e.name = std::get<std::string>(*name);
        e.definition_page = static_cast<std::uint32_t>(std::get<std::int64_t>(*id)) & 0x00FFFFFFu;
        if (flags && std::holds_alternative<std::int64_t>(*flags))
            e.flags = static_cast<std::uint32_t>(std::get<std::int64_t>(*flags));
        e.system = (e.flags & kSystemFlags) != 0;
        entries.push_back(std::move(e));
    }
    catalog_ = std::move(entries);
    catalog_read_ = true;
    catalog_generation_ = pager_->generation();
    return catalog_;
}

Result<std::vector<CatalogEntry>> Database::tables(bool include_system) {
    JET_ASSIGN(auto all, catalog());
    std::vector<CatalogEntry> out;
    for (auto& e : all)
        if (include_system || !e.system) out.push_back(e);
    return out;
}

Result<TableDef> Database::table(std::string_view name) {
    JET_ASSIGN(auto all, catalog());
    for (const auto& e : all)
        if (text_equal_nocase(e.name, name)) return read_table_def(*pager_, e.definition_page);
    return make_error(Errc::not_found, "no table named " + std::string(name));
}

Result<Bytes> Database::live_row_bytes(const TableDef& table, Bytes page, std::uint16_t row) {
    // A moved row may move again; a few hops is all the engine ever makes.
    for (int hop = 0; hop < 8; ++hop) {
        JET_ASSIGN(RowSlot slot, row_slot(page, row));
        if (!slot.overflow) return page.subspan(slot.start, slot.end - slot.start);
        auto packed = u32_at(page, slot.start);
        if (!packed || slot.end - slot.start < 4)
            return make_error(Errc::corrupt, "moved-row pointer too short");
        RowPointer to = RowPointer::unpack(*packed);
        JET_ASSIGN(page, pager_->page(to.page));
        if (!is_data_page_of(page, table.page))
            return make_error(Errc::corrupt, "moved row points outside its table");
        row = to.row;
    }
    return make_error(Errc::corrupt, "moved-row pointers loop");
}

Result<std::optional<Bytes>> Database::live_row(const TableDef& table, RowPointer at) {
    JET_ASSIGN(Bytes page, pager_->page(at.page));
    if (!is_data_page_of(page, table.page)) return std::optional<Bytes>{};
    auto slot = row_slot(page, at.row);
    if (!slot || slot->deleted) return std::optional<Bytes>{};
    auto bytes = live_row_bytes(table, page, at.row);
    if (!bytes) return std::optional<Bytes>{};
    return std::optional<Bytes>{*bytes};
}

Status Database::scan_rows(const TableDef& table,
                           const std::function<Status(RowPointer, Bytes)>& visit, PageUse use) {
    JET_ASSIGN(auto pages, read_usage_map(*pager_, table.used_pages));
    const auto visit_page = [&](std::uint32_t p) -> Status {
        JET_ASSIGN(Bytes page, pager_->page(p));
        // The map may name pages that were freed or reused since: only our data pages count.
        if (!is_data_page_of(page, table.page)) return {};
        JET_ASSIGN(std::uint16_t count, row_count(page));
        for (std::uint16_t r = 0; r < count; ++r) {
            JET_ASSIGN(RowSlot slot, row_slot(page, r));
            // Deleted rows, and rows that moved here from another page, carry the deleted bit;
            // a moved row is read through the pointer left at its first home.
            if (slot.deleted) continue;
            Bytes bytes = page.subspan(slot.start, slot.end - slot.start);
            if (slot.overflow) {
                JET_ASSIGN(bytes, live_row_bytes(table, page, r));
            }
            JET_TRY(visit(RowPointer{p, static_cast<std::uint8_t>(r)}, bytes));
        }
        return {};
    };
    for (std::uint32_t p : pages) {
        const bool let_go = use == PageUse::pass && !pager_->cached(p);
        const Status visited = visit_page(p);
        if (let_go) pager_->drop(p);
        JET_TRY(visited);
    }
    return {};
}

Status Database::scan_each(const TableDef& table,
                           const std::function<void(RowPointer, std::vector<Value>&)>& visit) {
    std::vector<Value> values;
    return scan_rows(table, [&](RowPointer where, Bytes bytes) -> Status {
        JET_TRY(decode_row_into(*pager_, table, bytes, values));
        visit(where, values);
        return {};
    });
}

std::size_t Database::rows_about(const TableDef& table) const {
    return std::min<std::size_t>(table.row_count, std::size_t{pager_->page_count()} * 256);
}

Result<std::vector<Record>> Database::scan(const TableDef& table) {
    std::vector<Record> out;
    out.reserve(rows_about(table));
    JET_TRY(scan_each(table, [&](RowPointer where, std::vector<Value>& values) {
        out.push_back(Record{where, std::move(values)});
    }));
    return out;
}

}  // namespace jet
