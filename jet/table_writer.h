#pragma once
// Adding, changing and removing rows of a table. Every change is staged in the pager
// (reads see it at once) and reaches the disk only through commit_pages.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <vector>

#include "jet/data_page_edit.h"
#include "jet/database.h"
#include "jet/long_value_writer.h"
#include "jet/result.h"
#include "jet/row_encoder.h"
#include "jet/table_def.h"
#include "jet/value.h"

namespace jet {

class TableWriter {
  public:
    // Memo and OLE values too long to sit in their row go to long-value pages.
    explicit TableWriter(Database& db);
    // The same with another home for long values (tests keep them inline).
    TableWriter(Database& db, LongValueStore long_values);
    ~TableWriter();
    TableWriter(const TableWriter&) = delete;
    TableWriter& operator=(const TableWriter&) = delete;

    // Adds a row; an AutoNumber column gets the next number, whatever `values` holds there.
    // Returns where the row lives and the number it got (0 when the table has none).
    Result<std::pair<RowPointer, std::int64_t>> insert(const TableDef& table,
                                                       std::vector<Value> values);
    // The same for a table with indexes this writer cannot key (the catalog's index of names
    // in files Access made), listed by their place in real_indexes: every other index is kept
    // as insert keeps it; the row's entry in these, and their count, are the caller's to add.
    Result<std::pair<RowPointer, std::int64_t>> insert_keyed_elsewhere(
        const TableDef& table, std::vector<Value> values,
        std::span<const std::size_t> keyed_elsewhere);
    // Adds many rows of one table, as insert adds each, in their order: each data page is
    // laid out once for all the rows it takes, the table's counts written once, and its
    // indexes built once for the whole batch instead of changed row by row. With
    // `numbers_given`, the AutoNumber column keeps the numbers the rows hold (each from 1 to
    // 2^31-2, none used in the table or twice in the rows: refused otherwise) and the table's
    // next number moves past the largest.
    Result<std::vector<std::pair<RowPointer, std::int64_t>>> insert_many(
        const TableDef& table, std::vector<std::vector<Value>> rows, bool numbers_given = false);
    // Replaces every value of the row first stored at `where` (it keeps that address).
    Status update(const TableDef& table, RowPointer where, std::vector<Value> values);
    Status remove(const TableDef& table, RowPointer where);

    // For filling a table in bulk: the indexes of changed tables are rebuilt once, by
    // finish_indexes, instead of after every change. Until then they are out of date.
    void defer_indexes();
    Status finish_indexes();
    // How many changes needed a whole index rebuilt (a leaf split or emptied).
    std::size_t index_rebuilds() const { return rebuilds_; }

    // Why the table cannot be written, if it cannot.
    static std::optional<Error> unwritable(const TableDef& table);

    // A page for a new structure: the lowest free page of the file, else a new one at its
    // end; the free-page map no longer lists it.
    Result<std::uint32_t> allocate_page();
    // Sets or clears a page in the usage map stored at `map`.
    Status mark_in_map(RowPointer map, std::uint32_t page, bool in_use);

  private:
    static std::optional<Error> unwritable(const TableDef& table,
                                           std::span<const std::size_t> keyed_elsewhere);
    // The table's pages that may take a new row, the likeliest last.
    Result<std::vector<std::uint32_t>> pages_with_room(const TableDef& table);
    Result<RowPointer> place_row(const TableDef& table, const std::vector<std::uint8_t>& row,
                                 bool moved_here, std::optional<std::uint32_t> avoid_page);
    // The page new rows of the table go to: the last one with room, else a new one.
    Result<std::pair<std::uint32_t, DataPageRows>> page_for_new_rows(const TableDef& table,
                                                                     std::size_t row_size);
    // Stages a page of new rows and keeps the table's maps in step with it.
    Status put_new_rows_page(const TableDef& table, std::uint32_t number, const DataPageRows& page,
                             bool fresh);
    Status set_table_counts(const TableDef& table, int row_delta,
                            std::optional<std::uint32_t> autonumber);
    Status rebuild_indexes(const TableDef& table);
    // Adds or takes out the row's entries, in place where the leaves allow, else rebuilds.
    Status change_index_entries(const TableDef& table, RowPointer where,
                                const std::vector<Value>& values, bool adding);
    static std::vector<bool> key_columns(const TableDef& table);
    Result<DataPageRows> table_page(const TableDef& table, std::uint32_t number);
    Status put_table_page(const TableDef& table, std::uint32_t number, const DataPageRows& page);
    Status release_moved_row(const TableDef& table, const PageRow& slot);
    Result<PageRow> live_slot(const TableDef& table, RowPointer where);

    // Frees the long values the row at these bytes refers to.
    Status free_long_values(const TableDef& table, Bytes row);
    // Stages the long-value pages changed since the last call.
    Status flush_long_value_pages();

    class StagedLongValuePages;

    Database& db_;
    std::unique_ptr<StagedLongValuePages> lval_pages_;
    std::unique_ptr<LongValueWriter> lval_writer_;
    LongValueStore long_values_;
    bool defer_indexes_ = false;
    std::size_t rebuilds_ = 0;
    std::set<std::uint32_t> stale_indexes_;
};

}  // namespace jet
