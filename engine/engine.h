#pragma once
// The one seam between the record access layer and the engines that keep the customers: our
// Jet file engine and the ODBC engine for a database server. StoreConnection and RowSet talk
// to this interface only; each engine answers in the Jet engine's terms (its value kinds,
// its column kinds, its text equality), so that nothing above it can tell them apart.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/failure.h"
#include "engine/program_tables.h"
#include "engine/tally.h"
#include "jet/table_def.h"
#include "jet/text.h"
#include "jet/value.h"

namespace store {

struct ColumnInfo {
    std::string name;
    jet::ColumnType type = jet::ColumnType::text;
    bool autonumber = false;
};

// What an engine knows of the table a selection came from. RowSet hands it back with every
// write, so each engine keeps in it what it needs to find the table again.
class TableShape {
  public:
    virtual ~TableShape() = default;
    std::string table;
    std::vector<ColumnInfo> columns;

    // The column of that name, letter case ignored.
    std::optional<std::size_t> column(std::string_view name) const {
        // Callers nearly always spell the name as the table does: that costs no folding.
        for (std::size_t i = 0; i < columns.size(); ++i)
            if (columns[i].name == name) return i;
        for (std::size_t i = 0; i < columns.size(); ++i)
            if (jet::text_equal_nocase(columns[i].name, name)) return i;
        return std::nullopt;
    }
};

// An engine's handle on one stored row (the Jet engine's row address, a server's key).
using RowKey = std::uint64_t;

struct StoredRow {
    RowKey key = 0;
    std::vector<jet::Value> values;  // one per column of the shape
};

struct Selection {
    std::shared_ptr<const TableShape> shape;
    std::vector<StoredRow> rows;
};

// New values of some columns, by column position.
using Changes = std::map<std::size_t, jet::Value>;

struct CommitStamps {
    std::uint64_t before = 0, after = 0;
    bool operator==(const CommitStamps&) const = default;
};

// What a kind of store can do, asked of the store instead of derived from its location.
struct Capabilities {
    // The store is one file on this PC: a copy of its bytes, taken under its lock, is a
    // consistent copy of the shop, and putting such a copy back restores it.
    bool single_file = false;
    // Other PCs reach the same store: its settings row 2 holds the shop's settings, and this
    // PC's own settings must be kept elsewhere.
    bool shared_by_pcs = false;
};

// Who numbers a new row: the engine, or the caller, whose value for the AutoNumber column is
// kept (a shop moved to another store keeps its customers' numbers).
enum class Numbering { by_engine, as_given };

class Engine {
  public:
    virtual ~Engine() = default;

    // Runs a table-mode source, "<table> [where <condition>] [order by ...]" in the language
    // of jet/query.h, as SELECT * FROM followed by the source: every column of the matching
    // rows, in the asked order. Text equality ignores letter case as jet::text_equal_nocase
    // does.
    virtual Result<Selection> select(std::string_view source) = 0;
    // The values of `columns` (in that order) of every row a source without an order selects,
    // handed to `visit` one row at a time in a vector it may move from; rows come in no
    // promised order. A long read that keeps no copy of every row nor decodes the columns
    // nobody asked for. This default goes through select.
    using RowVisitor = std::function<void(std::vector<jet::Value>&)>;
    virtual Status read_columns(std::string_view source, const std::vector<std::string>& columns,
                                const RowVisitor& visit);
    // About how many rows `table` holds, as the store knows without reading them: room to
    // reserve before a long read, never a count to trust. None where it cannot tell cheaply.
    virtual std::optional<std::size_t> rows_about(std::string_view) { return std::nullopt; }
    // The rows of a table counted by group (engine/tally.h), in order_groups' order. This
    // default counts here over read_columns; a server counts where the rows are.
    virtual Result<std::vector<TallyGroup>> tally(const Tally& t);
    // Several tallies, their groups in the same order. This default counts the tallies of the
    // same rows (table and condition) in one pass over them; a server counts each where the
    // rows are.
    virtual Result<std::vector<std::vector<TallyGroup>>> tally_all(
        const std::vector<Tally>& tallies);
    // Adds a row of the shape's table; columns without a value get null (a yes/no column
    // false). Returns the row as stored, with its number.
    virtual Result<StoredRow> insert(const TableShape& table, const Changes& values,
                                     Numbering numbering) = 0;
    // Adds rows of one table together, each as insert would, in their order; the rows as
    // stored, with their numbers. All or none: a failure leaves none of them added (inside a
    // transaction it undoes the transaction). An engine does for the batch what it would do
    // per row only once (the file's indexes are built once, a server gets many rows a
    // statement); this default adds them one by one.
    virtual Result<std::vector<StoredRow>> insert_many(const TableShape& table,
                                                       const std::vector<Changes>& rows,
                                                       Numbering numbering);
    // Stores new values for some columns of a row this engine selected. `gone` when the
    // row is no longer there.
    virtual Result<StoredRow> update(const TableShape& table, const StoredRow& row,
                                     const Changes& changes) = 0;
    // Runs "delete [*] from <table> where <condition>"; how many rows it removed.
    virtual Result<std::size_t> execute(std::string_view statement) = 0;

    // Whether the store holds the table (one of own_tables(): the others are always there).
    virtual Result<bool> has_table(std::string_view name) = 0;
    // Makes the table, empty, unless the store holds it. Inside a transaction it lands with
    // the transaction or not at all; a second writer finds it made.
    virtual Status ensure_table(const TableSpec& table) = 0;

    // Between begin and commit, insert, update and execute stage their changes: commit
    // makes all of them durable or none. A change that fails inside a transaction undoes
    // the whole transaction, and commit then fails. Outside one, every change is durable
    // when it returns. A transaction also keeps other writers out until it ends, so what it
    // reads stays true until it commits.
    virtual Status begin() = 0;
    virtual Status commit() = 0;
    virtual void rollback() = 0;
    virtual bool in_transaction() const = 0;
    // A transaction that only reads: every select until rollback sees the store as it stood at
    // one moment, and other PCs' writes go on meanwhile (a backup is taken this way). It
    // changes nothing, so it leaves no change stamp.
    virtual Status begin_snapshot() = 0;

    // A number that changes whenever anything in the store changed, here or elsewhere;
    // cheap enough to ask every second.
    virtual Result<std::uint64_t> change_stamp() = 0;
    // Where the last transaction begun here stands among all writers of the store: the change
    // stamp its commit leaves (or would have left). It tells a PC which stamps are its own
    // changes. nullopt where the engine cannot tell.
    virtual std::optional<std::uint64_t> transaction_stamp() const = 0;
    // The change stamps just before and just after each change committed here since the
    // store was opened, in order: a PC whose list showed one change's `before` and that sees
    // its `after` has missed nothing but its own change. Every engine can tell (a file by its
    // stamp read under its lock); a transaction rolled back or refused adds none.
    virtual const std::vector<CommitStamps>& commits() const = 0;
};

}  // namespace store
