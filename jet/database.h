#pragma once
// An open Jet 4 database: its catalog and the rows of its tables.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jet/data_page.h"
#include "jet/file.h"
#include "jet/pager.h"
#include "jet/result.h"
#include "jet/table_def.h"
#include "jet/value.h"

namespace jet {

class TextLookup;

struct CatalogEntry {
    std::string name;
    std::uint32_t definition_page = 0;
    std::uint32_t flags = 0;
    bool system = false;
};

// A live row and where it is stored.
struct Record {
    RowPointer where;
    std::vector<Value> values;  // in the table's column order
};

class Database {
  public:
    // Opens `file` with `password`; the file must outlive the database.
    static Result<std::unique_ptr<Database>> open(File& file, std::string_view password);

    explicit Database(std::unique_ptr<Pager> pager) : pager_(std::move(pager)) {}

    Pager& pager() { return *pager_; }
    const Header& header() const { return pager_->header(); }

    // Tables of the catalog; system tables only when asked.
    Result<std::vector<CatalogEntry>> tables(bool include_system = false);
    // The definition of a table found by name, letter case ignored.
    Result<TableDef> table(std::string_view name);
    // About how many rows `table` holds, from its stored count: room to reserve, never a
    // count to trust. A hostile count is held to what the file's pages could hold.
    std::size_t rows_about(const TableDef& table) const;
    // Every live row, in storage order (pages ascending, rows in page order).
    Result<std::vector<Record>> scan(const TableDef& table);
    // The same rows handed one at a time to `visit`, without holding them all; `visit`
    // may move the values out.
    Status scan_each(const TableDef& table,
                     const std::function<void(RowPointer, std::vector<Value>&)>& visit);

    // The same rows undecoded: each live row's stored bytes (followed through a move). With
    // PageUse::pass, a data page the scan had to read is let go once its rows were visited, so
    // that reading a whole table holds one page of it, not the table (the bytes handed to
    // `visit` then last until it returns).
    enum class PageUse { keep, pass };
    Status scan_rows(const TableDef& table, const std::function<Status(RowPointer, Bytes)>& visit,
                     PageUse use = PageUse::keep);

    // The bytes of the row whose first home is `row` of `page`, following a move.
    Result<Bytes> live_row_bytes(const TableDef& table, Bytes page, std::uint16_t row);
    // The same for a row pointer as an index holds it, with nullopt where no live row of the
    // table has its first home there (the pointer is stale); the bytes last until the next
    // page is read.
    Result<std::optional<Bytes>> live_row(const TableDef& table, RowPointer at);

    // The catalog changed (a table was added): it is read again when next asked. Dropped
    // staged changes need no call; the pager's generation tells.
    void catalog_changed() { catalog_read_ = false; }

    // Indexes kept outside the file that queries may ask (jet/text_lookup.h); null for none.
    // The lookup must outlive its use here.
    void use_text_lookup(TextLookup* lookup) { text_lookup_ = lookup; }
    TextLookup* text_lookup() const { return text_lookup_; }

  private:
    Result<std::vector<CatalogEntry>> catalog();

    std::unique_ptr<Pager> pager_;
    std::vector<CatalogEntry> catalog_;
    bool catalog_read_ = false;
    std::uint64_t catalog_generation_ = 0;  // the pager's generation it was read in
    TextLookup* text_lookup_ = nullptr;
};

}  // namespace jet
