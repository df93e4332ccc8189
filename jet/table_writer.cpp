#include "jet/table_writer.h"

#include <algorithm>
#include <set>
#include <utility>

#include "jet/data_page_edit.h"
#include "jet/format.h"
#include "jet/index_page.h"
#include "jet/index_update.h"
#include "jet/row_codec.h"
#include "jet/usage_map.h"
#include "jet/usage_map_edit.h"

namespace jet {

namespace {

// The database's map of free pages: page 1, row 0. A set bit means free.
constexpr RowPointer kFreePageMap{1, 0};
// A page with less room than this is taken out of its table's free-space map.
constexpr std::size_t kRoomWorthListing = 64;

std::vector<std::uint8_t> pointer_bytes(RowPointer p) {
    std::vector<std::uint8_t> out(4);
    store_u32(out.data(), p.pack());
    return out;
}

// A page to change and stage again.
PageBytes copy_of(Bytes page) {
    PageBytes out;
    std::copy(page.begin(), page.end(), out.begin());
    return out;
}

PageBytes empty_usage_map_page() {
    PageBytes p{};
    p[0] = static_cast<std::uint8_t>(PageType::usage_map);
    p[1] = 0x01;
    return p;
}

}  // namespace

// Long-value pages as the long-value writer sees them: pages this writer already changed
// are offered first; otherwise a fresh page comes from the free-page map.
class TableWriter::StagedLongValuePages final : public LongValuePages {
  public:
    explicit StagedLongValuePages(TableWriter& owner) : owner_(owner) {}

    Result<LongValuePage> page_with_room(std::size_t size) override {
        // The page that took the last value usually takes the next: a batch of many rows
        // then costs one look a value instead of a look at every page it filled.
        if (auto last = pages_.find(last_);
            last != pages_.end() && long_value_row_fits(last->second, size))
            return LongValuePage{last->first, &last->second};
        for (auto& [number, rows] : pages_)
            if (long_value_row_fits(rows, size)) {
                last_ = number;
                return LongValuePage{number, &rows};
            }
        JET_ASSIGN(std::uint32_t fresh, owner_.allocate_page());
        DataPageRows rows;
        rows.owner = kLongValueOwner;
        auto& slot = pages_[fresh] = std::move(rows);
        last_ = fresh;
        return LongValuePage{fresh, &slot};
    }

    Result<DataPageRows*> page(std::uint32_t number) override {
        auto it = pages_.find(number);
        if (it == pages_.end()) {
            JET_ASSIGN(Bytes bytes, owner_.db_.pager().page(number));
            JET_ASSIGN(DataPageRows rows, parse_data_page(bytes));
            it = pages_.emplace(number, std::move(rows)).first;
        }
        return &it->second;
    }

    // Stages every page touched; a page left without rows goes back to the free pages.
    Status flush() {
        for (auto& [number, rows] : pages_) {
            JET_TRY(owner_.db_.pager().stage(number, lay_out_data_page(rows)));
            if (rows.rows.empty()) JET_TRY(owner_.mark_in_map(kFreePageMap, number, true));
        }
        // Emptied pages are free now and must not be offered again as this writer's own.
        std::erase_if(pages_, [](const auto& entry) { return entry.second.rows.empty(); });
        return {};
    }

  private:
    TableWriter& owner_;
    std::map<std::uint32_t, DataPageRows> pages_;
    std::uint32_t last_ = 0;  // the page that took the last value
};

TableWriter::TableWriter(Database& db)
    : db_(db),
      lval_pages_(std::make_unique<StagedLongValuePages>(*this)),
      lval_writer_(std::make_unique<LongValueWriter>(*lval_pages_)),
      long_values_(lval_writer_->as_store()) {}

TableWriter::TableWriter(Database& db, LongValueStore long_values)
    : db_(db),
      lval_pages_(std::make_unique<StagedLongValuePages>(*this)),
      lval_writer_(std::make_unique<LongValueWriter>(*lval_pages_)),
      long_values_(std::move(long_values)) {}

TableWriter::~TableWriter() = default;

Status TableWriter::flush_long_value_pages() {
    return lval_pages_->flush();
}

Status TableWriter::free_long_values(const TableDef& table, Bytes row) {
    JET_ASSIGN(auto refs, long_value_references(table, row));
    for (Bytes ref : refs)
        JET_TRY(lval_writer_->free_long_value(ref));
    return {};
}

namespace {

// Where an index's (first) key column stands in table.columns; nullopt for a definition that
// names no such column.
std::optional<std::size_t> key_column(const TableDef& table, const RealIndex& index) {
    for (std::size_t c = 0; c < table.columns.size(); ++c)
        if (table.columns[c].number == index.columns[0].column_number) return c;
    return std::nullopt;
}

// Whether this writer keys the index itself: one Long integer column, ascending, with a root.
bool integer_keyed(const TableDef& table, const RealIndex& ri) {
    if (ri.columns.size() != 1) return false;
    auto col = key_column(table, ri);
    return col && table.columns[*col].type == ColumnType::long_integer && ri.columns[0].ascending &&
           ri.root_page != 0;
}

}  // namespace

std::optional<Error> TableWriter::unwritable(const TableDef& table) {
    return unwritable(table, {});
}

std::optional<Error> TableWriter::unwritable(const TableDef& table,
                                             std::span<const std::size_t> keyed_elsewhere) {
    for (std::size_t i = 0; i < table.real_indexes.size(); ++i) {
        if (std::find(keyed_elsewhere.begin(), keyed_elsewhere.end(), i) != keyed_elsewhere.end())
            continue;
        if (!integer_keyed(table, table.real_indexes[i]))
            return make_error(
                Errc::read_only,
                "the table has an index this engine cannot keep up to date; it opens read-only");
    }
    for (const auto& li : table.indexes)
        if (li.type == 0x02)
            return make_error(Errc::read_only, "the table takes part in a relationship");
    return std::nullopt;
}

Status TableWriter::mark_in_map(RowPointer map_at, std::uint32_t page, bool in_use) {
    Pager& pager = db_.pager();
    JET_ASSIGN(Bytes host, pager.page(map_at.page));
    JET_ASSIGN(RowSlot slot, row_slot(host, map_at.row));
    JET_ASSIGN(UsageMapImage map,
               load_usage_map(pager, {host.begin() + slot.start, host.begin() + slot.end}));
    // New bitmap pages come from the end of the file, so that growing one map never needs
    // another map to grow first.
    std::vector<std::uint32_t> appended;
    auto append = [&]() -> Result<std::uint32_t> {
        std::uint32_t fresh = pager.page_count();
        JET_TRY(pager.stage(fresh, empty_usage_map_page()));
        appended.push_back(fresh);
        return fresh;
    };
    JET_TRY(mark_page(map, page, in_use, append));
    JET_ASSIGN(host, pager.page(map_at.page));
    PageBytes host_copy = copy_of(host);
    std::copy(map.row.begin(), map.row.end(), host_copy.begin() + slot.start);
    JET_TRY(pager.stage(map_at.page, host_copy));
    for (const auto& [number, image] : map.map_pages)
        JET_TRY(pager.stage(number, image));
    // A bitmap page appended for some map is in use: the free-page map must say so.
    // (Clearing a bit never appends, so this cannot recurse without end.)
    for (std::uint32_t fresh : appended)
        JET_TRY(mark_in_map(kFreePageMap, fresh, false));
    return {};
}

Result<std::uint32_t> TableWriter::allocate_page() {
    Pager& pager = db_.pager();
    JET_ASSIGN(auto free_pages, read_free_page_map(pager));
    // The lowest free page inside the file, past the header, the map and the catalog;
    // else the file grows by one page.
    std::uint32_t chosen = pager.page_count();
    for (std::uint32_t p : free_pages) {
        if (p > 2) {
            chosen = p;
            break;
        }
    }
    if (chosen == pager.page_count()) JET_TRY(pager.stage(chosen, PageBytes{}));
    JET_TRY(mark_in_map(kFreePageMap, chosen, false));
    return chosen;
}

Result<std::vector<std::uint32_t>> TableWriter::pages_with_room(const TableDef& table) {
    // New rows go to the last page with room, as the real engine fills a table. The pages
    // with room are the ones the table's free-space map lists; the last page in use is
    // tried too, for files whose map was never kept.
    Pager& pager = db_.pager();
    JET_ASSIGN(auto pages, read_usage_map(pager, table.free_pages));
    JET_ASSIGN(auto last_used, last_in_usage_map(pager, table.used_pages));
    if (last_used && (pages.empty() || pages.back() < *last_used)) pages.push_back(*last_used);
    return pages;
}

Result<RowPointer> TableWriter::place_row(const TableDef& table,
                                          const std::vector<std::uint8_t>& row, bool moved_here,
                                          std::optional<std::uint32_t> avoid_page) {
    Pager& pager = db_.pager();
    JET_ASSIGN(auto pages, pages_with_room(table));
    for (auto it = pages.rbegin(); it != pages.rend(); ++it) {
        if (avoid_page && *it == *avoid_page) continue;
        if (*it >= pager.page_count()) continue;
        JET_ASSIGN(Bytes bytes, pager.page(*it));
        if (!is_data_page_of(bytes, table.page)) continue;
        // The page's own count of free bytes rules most pages out before any parsing.
        if (load_u16(bytes.data() + datapage::kFreeSpaceOffset) < row.size() + 2) continue;
        JET_ASSIGN(DataPageRows page, parse_data_page(bytes));
        if (!page.fits(row.size())) continue;
        page.rows.push_back({row, moved_here, false});
        JET_TRY(pager.stage(*it, lay_out_data_page(page)));
        if (!page.fits(kRoomWorthListing)) JET_TRY(mark_in_map(table.free_pages, *it, false));
        return RowPointer{*it, static_cast<std::uint8_t>(page.rows.size() - 1)};
    }
    JET_ASSIGN(std::uint32_t fresh, allocate_page());
    DataPageRows page;
    page.owner = table.page;
    page.rows.push_back({row, moved_here, false});
    JET_TRY(pager.stage(fresh, lay_out_data_page(page)));
    JET_TRY(mark_in_map(table.used_pages, fresh, true));
    JET_TRY(mark_in_map(table.free_pages, fresh, page.fits(kRoomWorthListing)));
    return RowPointer{fresh, 0};
}

Status TableWriter::set_table_counts(const TableDef& table, int row_delta,
                                     std::optional<std::uint32_t> autonumber) {
    Pager& pager = db_.pager();
    JET_ASSIGN(Bytes bytes, pager.page(table.page));
    PageBytes copy = copy_of(bytes);
    std::uint32_t rows = load_u32(copy.data() + 0x10);
    store_u32(copy.data() + 0x10,
              static_cast<std::uint32_t>(static_cast<std::int64_t>(rows) + row_delta));
    if (autonumber) store_u32(copy.data() + 0x14, *autonumber);
    return pager.stage(table.page, copy);
}

std::vector<bool> TableWriter::key_columns(const TableDef& table) {
    std::vector<bool> keys(table.columns.size());
    for (const auto& ri : table.real_indexes)
        if (auto c = key_column(table, ri)) keys[*c] = true;
    return keys;
}

Status TableWriter::change_index_entries(const TableDef& table, RowPointer where,
                                         const std::vector<Value>& values, bool adding) {
    if (table.real_indexes.empty()) return {};
    if (defer_indexes_) {
        stale_indexes_.insert(table.page);
        return {};
    }
    Pager& pager = db_.pager();
    // Tables reach here only once unwritable() found every key column; an index keyed
    // elsewhere is its keeper's to change and count.
    for (const auto& ri : table.real_indexes) {
        if (!integer_keyed(table, ri)) continue;
        std::size_t column = *key_column(table, ri);
        IndexEntry entry;
        if (auto n = std::get_if<std::int64_t>(&values[column]))
            entry.key = static_cast<std::int32_t>(*n);
        entry.row = where;
        auto allocate = [&]() -> Result<std::uint32_t> {
            JET_ASSIGN(std::uint32_t fresh, allocate_page());
            JET_TRY(mark_in_map(ri.usage_map, fresh, true));
            return fresh;
        };
        std::optional<std::vector<IndexPageImage>> changed;
        if (adding) {
            JET_ASSIGN(changed, insert_in_place(pager, ri.root_page, entry, allocate));
        } else {
            JET_ASSIGN(auto leaf, remove_in_place(pager, ri.root_page, entry));
            if (leaf) changed = std::vector<IndexPageImage>{*leaf};
        }
        if (!changed) {
            ++rebuilds_;
            return rebuild_indexes(table);
        }
        // Staged at once: the next index's new page must not be handed out again.
        for (const auto& page : *changed)
            JET_TRY(pager.stage(page.page, page.bytes));
    }
    JET_ASSIGN(Bytes def, pager.page(table.page));
    PageBytes copy = copy_of(def);
    for (std::size_t i = 0; i < table.real_indexes.size(); ++i) {
        if (!integer_keyed(table, table.real_indexes[i])) continue;
        std::uint8_t* count = copy.data() + 0x3F + i * 12 + 4;
        store_u32(count, load_u32(count) + (adding ? 1u : 0xFFFFFFFFu));
    }
    return pager.stage(table.page, copy);
}

Status TableWriter::rebuild_indexes(const TableDef& stale) {
    Pager& pager = db_.pager();
    JET_ASSIGN(TableDef table, read_table_def(pager, stale.page));
    if (table.real_indexes.empty()) return {};
    if (defer_indexes_) {
        stale_indexes_.insert(table.page);
        return {};
    }
    // Only the key columns are decoded: the rest of each row, long values above all, is
    // never read for an index.
    std::vector<bool> keys(table.columns.size());
    std::vector<std::size_t> key_of(table.real_indexes.size());
    for (std::size_t i = 0; i < table.real_indexes.size(); ++i) {
        if (!integer_keyed(table, table.real_indexes[i])) continue;
        key_of[i] = *key_column(table, table.real_indexes[i]);
        keys[key_of[i]] = true;
    }
    std::vector<std::pair<RowPointer, std::vector<std::optional<std::int32_t>>>> records;
    records.reserve(table.row_count);
    std::vector<Value> values;
    auto collect = [&](RowPointer where, Bytes bytes) -> Status {
        JET_TRY(decode_row_into(pager, table, bytes, values, &keys));
        std::vector<std::optional<std::int32_t>> k(key_of.size());
        for (std::size_t i = 0; i < key_of.size(); ++i)
            if (auto n = std::get_if<std::int64_t>(&values[key_of[i]]))
                k[i] = static_cast<std::int32_t>(*n);
        records.emplace_back(where, std::move(k));
        return {};
    };
    JET_TRY(db_.scan_rows(table, collect));
    for (std::size_t i = 0; i < table.real_indexes.size(); ++i) {
        const RealIndex& ri = table.real_indexes[i];
        if (!integer_keyed(table, ri)) continue;
        std::vector<IndexEntry> entries;
        entries.reserve(records.size());
        for (const auto& [where, k] : records)
            entries.push_back(IndexEntry{k[i], where});
        std::sort(entries.begin(), entries.end(), index_entry_less);
        JET_ASSIGN(auto old_pages, index_page_numbers(pager, ri.root_page));
        IndexPagePool pool(old_pages, [&]() -> Result<std::uint32_t> {
            JET_ASSIGN(std::uint32_t fresh, allocate_page());
            JET_TRY(mark_in_map(ri.usage_map, fresh, true));
            return fresh;
        });
        JET_ASSIGN(auto images, build_integer_index(entries, table.page, pool));
        // Most changes touch a leaf or two: pages that come out as they were stay unstaged,
        // so the journal and the disk see only what changed.
        for (const auto& image : images) {
            if (image.page < pager.page_count()) {
                JET_ASSIGN(Bytes current, pager.page(image.page));
                if (std::equal(current.begin(), current.end(), image.bytes.begin())) continue;
            }
            JET_TRY(pager.stage(image.page, image.bytes));
        }
        for (std::uint32_t spare : pool.leftover()) {
            JET_TRY(mark_in_map(ri.usage_map, spare, false));
            JET_TRY(mark_in_map(kFreePageMap, spare, true));
        }
        // The definition's count of index rows follows the table.
        JET_ASSIGN(Bytes def, pager.page(table.page));
        PageBytes copy = copy_of(def);
        store_u32(copy.data() + 0x3F + i * 12 + 4, static_cast<std::uint32_t>(entries.size()));
        JET_TRY(pager.stage(table.page, copy));
    }
    return {};
}

void TableWriter::defer_indexes() {
    defer_indexes_ = true;
}

Status TableWriter::finish_indexes() {
    defer_indexes_ = false;
    auto pages = std::exchange(stale_indexes_, {});
    for (std::uint32_t page : pages) {
        JET_ASSIGN(TableDef table, read_table_def(db_.pager(), page));
        JET_TRY(rebuild_indexes(table));
    }
    return {};
}

Result<std::pair<RowPointer, std::int64_t>> TableWriter::insert(const TableDef& stale,
                                                                std::vector<Value> values) {
    return insert_keyed_elsewhere(stale, std::move(values), {});
}

Result<std::pair<RowPointer, std::int64_t>> TableWriter::insert_keyed_elsewhere(
    const TableDef& stale, std::vector<Value> values,
    std::span<const std::size_t> keyed_elsewhere) {
    JET_ASSIGN(TableDef table, read_table_def(db_.pager(), stale.page));
    if (auto why = unwritable(table, keyed_elsewhere)) return *why;
    if (values.size() != table.columns.size())
        return make_error(Errc::type_mismatch, "row has the wrong number of values");
    std::optional<std::uint32_t> next;
    std::int64_t number = 0;
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        const Column& c = table.columns[i];
        if (c.is_autonumber() && c.type == ColumnType::long_integer) {
            if (table.next_autonumber >= 0x7FFFFFFFu)
                return make_error(Errc::full, "the table's numbers are used up");
            next = table.next_autonumber + 1;
            number = *next;
            values[i] = number;
        }
    }
    JET_ASSIGN(auto row, encode_row(table, values, long_values_));
    JET_TRY(flush_long_value_pages());
    JET_ASSIGN(RowPointer where, place_row(table, row, false, std::nullopt));
    JET_TRY(set_table_counts(table, +1, next));
    JET_TRY(change_index_entries(table, where, values, true));
    return std::make_pair(where, number);
}

Result<std::pair<std::uint32_t, DataPageRows>> TableWriter::page_for_new_rows(
    const TableDef& table, std::size_t row_size) {
    Pager& pager = db_.pager();
    JET_ASSIGN(auto pages, pages_with_room(table));
    for (auto it = pages.rbegin(); it != pages.rend(); ++it) {
        if (*it >= pager.page_count()) continue;
        JET_ASSIGN(Bytes bytes, pager.page(*it));
        if (!is_data_page_of(bytes, table.page) ||
            load_u16(bytes.data() + datapage::kFreeSpaceOffset) < row_size + 2)
            continue;
        JET_ASSIGN(DataPageRows page, parse_data_page(bytes));
        if (page.fits(row_size)) return std::pair{*it, std::move(page)};
    }
    JET_ASSIGN(std::uint32_t fresh, allocate_page());
    DataPageRows page;
    page.owner = table.page;
    return std::pair{fresh, std::move(page)};
}

Status TableWriter::put_new_rows_page(const TableDef& table, std::uint32_t number,
                                      const DataPageRows& page, bool fresh) {
    JET_TRY(db_.pager().stage(number, lay_out_data_page(page)));
    if (fresh) JET_TRY(mark_in_map(table.used_pages, number, true));
    if (fresh || !page.fits(kRoomWorthListing))
        JET_TRY(mark_in_map(table.free_pages, number, page.fits(kRoomWorthListing)));
    return {};
}

Result<std::vector<std::pair<RowPointer, std::int64_t>>> TableWriter::insert_many(
    const TableDef& stale, std::vector<std::vector<Value>> rows, bool numbers_given) {
    using Added = std::vector<std::pair<RowPointer, std::int64_t>>;
    if (rows.empty()) return Added{};
    JET_ASSIGN(TableDef table, read_table_def(db_.pager(), stale.page));
    if (auto why = unwritable(table)) return *why;
    std::optional<std::size_t> numbered;
    for (std::size_t i = 0; i < table.columns.size(); ++i)
        if (table.columns[i].is_autonumber() && table.columns[i].type == ColumnType::long_integer)
            numbered = i;
    if (numbered && !numbers_given && table.next_autonumber + rows.size() >= 0x7FFFFFFFu)
        return make_error(Errc::full, "the table's numbers are used up");
    std::set<std::int64_t> taken;
    if (numbered && numbers_given) {
        JET_TRY(db_.scan_each(table, [&](RowPointer, std::vector<Value>& values) {
            if (auto n = std::get_if<std::int64_t>(&values[*numbered])) taken.insert(*n);
        }));
    }

    Added added;
    added.reserve(rows.size());
    std::uint32_t next = table.next_autonumber;
    std::optional<std::pair<std::uint32_t, DataPageRows>> open;
    bool open_is_fresh = false;
    for (auto& values : rows) {
        if (values.size() != table.columns.size())
            return make_error(Errc::type_mismatch, "row has the wrong number of values");
        std::int64_t number = 0;
        if (numbered && numbers_given) {
            const auto* given = std::get_if<std::int64_t>(&values[*numbered]);
            if (!given || *given < 1 || *given >= 0x7FFFFFFF || !taken.insert(*given).second)
                return make_error(Errc::type_mismatch, "a row's number is missing or taken");
            number = *given;
            next = std::max(next, static_cast<std::uint32_t>(number));
        } else if (numbered) {
            number = ++next;
            values[*numbered] = number;
        }
        JET_ASSIGN(auto row, encode_row(table, values, long_values_));
        if (open && !open->second.fits(row.size())) {
            JET_TRY(put_new_rows_page(table, open->first, open->second, open_is_fresh));
            open.reset();
        }
        if (!open) {
            JET_ASSIGN(open, page_for_new_rows(table, row.size()));
            open_is_fresh = open->second.rows.empty();
            if (!open->second.fits(row.size()))
                return make_error(Errc::full, "the row does not fit on a page");
        }
        open->second.rows.push_back({std::move(row), false, false});
        added.emplace_back(
            RowPointer{open->first, static_cast<std::uint8_t>(open->second.rows.size() - 1)},
            number);
    }
    if (open) JET_TRY(put_new_rows_page(table, open->first, open->second, open_is_fresh));
    JET_TRY(flush_long_value_pages());
    JET_TRY(set_table_counts(table, static_cast<int>(rows.size()),
                             numbered ? std::optional<std::uint32_t>(next) : std::nullopt));
    // One build of each index over the table as it now is.
    if (!table.real_indexes.empty()) {
        const bool deferred = defer_indexes_;
        if (deferred) {
            stale_indexes_.insert(table.page);
        } else {
            JET_TRY(rebuild_indexes(table));
        }
    }
    return added;
}

Result<DataPageRows> TableWriter::table_page(const TableDef& table, std::uint32_t number) {
    JET_ASSIGN(Bytes bytes, db_.pager().page(number));
    if (!is_data_page_of(bytes, table.page))
        return make_error(Errc::not_found, "no row of this table there");
    return parse_data_page(bytes);
}

Status TableWriter::put_table_page(const TableDef& table, std::uint32_t number,
                                   const DataPageRows& page) {
    JET_TRY(db_.pager().stage(number, lay_out_data_page(page)));
    return mark_in_map(table.free_pages, number, page.fits(kRoomWorthListing));
}

Status TableWriter::release_moved_row(const TableDef& table, const PageRow& slot) {
    if (!slot.overflow) return {};
    if (slot.bytes.size() < 4) return make_error(Errc::corrupt, "moved-row pointer too short");
    RowPointer target = RowPointer::unpack(load_u32(slot.bytes.data()));
    JET_ASSIGN(DataPageRows page, table_page(table, target.page));
    JET_TRY(delete_page_row(page, target.row));
    return put_table_page(table, target.page, page);
}

Result<PageRow> TableWriter::live_slot(const TableDef& table, RowPointer where) {
    JET_ASSIGN(DataPageRows home, table_page(table, where.page));
    if (where.row >= home.rows.size() || home.rows[where.row].deleted)
        return make_error(Errc::not_found, "the row is gone");
    return home.rows[where.row];
}

Status TableWriter::update(const TableDef& stale, RowPointer where, std::vector<Value> values) {
    Pager& pager = db_.pager();
    JET_ASSIGN(TableDef table, read_table_def(pager, stale.page));
    if (auto why = unwritable(table)) return *why;
    if (values.size() != table.columns.size())
        return make_error(Errc::type_mismatch, "row has the wrong number of values");
    JET_ASSIGN(PageRow slot, live_slot(table, where));
    JET_ASSIGN(Bytes home_bytes, pager.page(where.page));
    JET_ASSIGN(Bytes live, db_.live_row_bytes(table, home_bytes, where.row));
    // Only what the update needs of the old row: AutoNumbers and index keys.
    std::vector<bool> needed = key_columns(table);
    for (std::size_t i = 0; i < table.columns.size(); ++i)
        if (table.columns[i].is_autonumber()) needed[i] = true;
    std::vector<Value> old_values;
    JET_TRY(decode_row_into(pager, table, live, old_values, &needed));
    // An AutoNumber never changes.
    for (std::size_t i = 0; i < table.columns.size(); ++i)
        if (table.columns[i].is_autonumber()) values[i] = old_values[i];
    // The values are checked before anything changes, so a refused one leaves the old row
    // whole; a reference's size stands in for each long value.
    auto sized_like_a_reference = [](std::span<const std::uint8_t>) {
        return Result<std::vector<std::uint8_t>>(std::vector<std::uint8_t>(12, 0));
    };
    JET_TRY(encode_row(table, values, sized_like_a_reference));
    JET_TRY(free_long_values(table, live));
    JET_ASSIGN(auto row, encode_row(table, values, long_values_));
    JET_TRY(flush_long_value_pages());

    JET_TRY(release_moved_row(table, slot));
    JET_ASSIGN(DataPageRows home, table_page(table, where.page));
    home.rows[where.row] = PageRow{};
    if (home.free_space() >= row.size()) {
        home.rows[where.row].bytes = std::move(row);
    } else {
        // Too big for its page now: it moves, and its first home keeps a pointer to it so
        // that its address, which the indexes hold, stays the same.
        JET_ASSIGN(RowPointer target, place_row(table, row, true, where.page));
        JET_ASSIGN(home, table_page(table, where.page));
        home.rows[where.row] = PageRow{pointer_bytes(target), false, true};
    }
    JET_TRY(put_table_page(table, where.page, home));
    // The row keeps its address, so the indexes change only with a key.
    for (std::size_t i = 0; i < table.columns.size(); ++i)
        if (needed[i] && !(values[i] == old_values[i])) return rebuild_indexes(table);
    return {};
}

Status TableWriter::remove(const TableDef& stale, RowPointer where) {
    JET_ASSIGN(TableDef table, read_table_def(db_.pager(), stale.page));
    if (auto why = unwritable(table)) return *why;
    JET_ASSIGN(PageRow slot, live_slot(table, where));
    JET_ASSIGN(Bytes home_bytes, db_.pager().page(where.page));
    JET_ASSIGN(Bytes live, db_.live_row_bytes(table, home_bytes, where.row));
    std::vector<bool> keys = key_columns(table);
    std::vector<Value> old_keys;
    JET_TRY(decode_row_into(db_.pager(), table, live, old_keys, &keys));
    JET_TRY(free_long_values(table, live));
    JET_TRY(flush_long_value_pages());
    JET_TRY(release_moved_row(table, slot));
    JET_ASSIGN(DataPageRows home, table_page(table, where.page));
    JET_TRY(delete_page_row(home, where.row));
    JET_TRY(put_table_page(table, where.page, home));
    JET_TRY(set_table_counts(table, -1, std::nullopt));
    return change_index_entries(table, where, old_keys, false);
}

}  // namespace jet
