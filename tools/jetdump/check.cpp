#include "tools/jetdump/check.h"

#include <cstring>
#include <set>

#include "jet/database.h"
#include "jet/format.h"
#include "jet/row_codec.h"
#include "jet/usage_map.h"

namespace jetdump {

namespace {

using jet::Bytes;
using jet::PageType;

std::string at_page(std::uint32_t p) {
    return "page " + std::to_string(p) + ": ";
}

void check_data_page(std::uint32_t p, Bytes page, std::vector<std::string>& faults) {
    auto count = jet::row_count(page);
    if (!count) {
        faults.push_back(at_page(p) + count.error().message);
        return;
    }
    std::size_t used = 0;
    for (std::uint16_t r = 0; r < *count; ++r) {
        auto slot = jet::row_slot(page, r);
        if (!slot) {
            faults.push_back(at_page(p) + slot.error().message);
            continue;
        }
        used += slot->end - slot->start;
    }
    // The header's free-space count must agree with what the rows leave.
    std::size_t table_end = jet::datapage::kRowTableOffset + std::size_t{*count} * 2;
    std::size_t free_space = jet::load_u16(page.data() + jet::datapage::kFreeSpaceOffset);
    if (used + table_end + free_space != jet::kPageSize && used + table_end <= jet::kPageSize)
        faults.push_back(at_page(p) + "free space " + std::to_string(free_space) +
                         " but rows leave " + std::to_string(jet::kPageSize - table_end - used));
}

void check_table(jet::Database& db, const jet::CatalogEntry& entry,
                 std::vector<std::string>& faults) {
    std::string where = "table " + entry.name + ": ";
    auto def = jet::read_table_def(db.pager(), entry.definition_page);
    if (!def) {
        faults.push_back(where + def.error().message);
        return;
    }
    auto rows = db.scan(*def);
    if (!rows) {
        faults.push_back(where + rows.error().message);
        return;
    }
    if (rows->size() != def->row_count)
        faults.push_back(where + "definition counts " + std::to_string(def->row_count) +
                         " rows, pages hold " + std::to_string(rows->size()));
    if (auto free_map = jet::read_usage_map(db.pager(), def->free_pages); !free_map)
        faults.push_back(where + "free-page map: " + free_map.error().message);
    for (const auto& ri : def->real_indexes) {
        if (ri.root_page == 0) continue;
        auto root = db.pager().page(ri.root_page);
        auto kind = root ? (*root)[0] : 0xFF;
        if (kind != static_cast<std::uint8_t>(PageType::index_node) &&
            kind != static_cast<std::uint8_t>(PageType::index_leaf))
            faults.push_back(where + "index root page " + std::to_string(ri.root_page) +
                             " is no index page");
        for (const auto& col : ri.columns) {
            bool known = false;
            for (const auto& c : def->columns)
                known = known || c.number == col.column_number;
            if (!known) faults.push_back(where + "index on a missing column");
        }
    }
}

}  // namespace

std::vector<std::string> check_file(jet::File& file) {
    std::vector<std::string> faults;
    auto size = file.size();
    if (size && *size % jet::kPageSize != 0)
        faults.push_back("file size " + std::to_string(*size) + " is not a whole number of pages");
    auto opened = jet::Pager::open(file);
    if (!opened) {
        faults.push_back(opened.error().message);
        return faults;
    }
    jet::Database db(std::move(*opened));
    jet::Pager& pager = db.pager();
    auto tables = db.tables(true);
    if (!tables) {
        faults.push_back("catalog: " + tables.error().message);
        return faults;
    }
    // A page in use that the database lists as free would be handed out again and overwritten.
    std::set<std::uint32_t> free_pages;
    if (auto listed = jet::read_free_page_map(pager); listed) {
        free_pages.insert(listed->begin(), listed->end());
    } else {
        faults.push_back("free-page map: " + listed.error().message);
    }
    // Pages nobody refers to are free and may hold anything; only reachable pages are checked.
    std::set<std::uint32_t> seen;
    for (const auto& t : *tables) {
        check_table(db, t, faults);
        auto def = jet::read_table_def(pager, t.definition_page);
        if (!def) continue;
        for (std::uint32_t p : def->definition_pages)
            if (free_pages.count(p))
                faults.push_back(at_page(p) + "defines " + t.name + " but is listed as free");
        auto pages = jet::read_usage_map(pager, def->used_pages);
        if (!pages) continue;
        for (std::uint32_t p : *pages) {
            auto page = pager.page(p);
            if (!page || !jet::is_data_page_of(*page, def->page)) continue;
            if (!seen.insert(p).second) {
                faults.push_back(at_page(p) + "claimed by two tables");
                continue;
            }
            if (free_pages.count(p))
                faults.push_back(at_page(p) + "holds rows of " + t.name + " but is listed as free");
            check_data_page(p, *page, faults);
        }
    }
    return faults;
}

}  // namespace jetdump
