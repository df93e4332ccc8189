#include "odbc/odbc_engine.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <thread>

#include "jet/text.h"
#include "odbc/datetime.h"
#include "odbc/failure_kind.h"
#include "odbc/pool.h"
#include "odbc/schema.h"
#include "odbc/translate.h"
#include "odbc/wide.h"

namespace odbc {

namespace {

using jet::ColumnType;
using store::Failure;
using store::StoreFailure;

// Rows in one INSERT of a batch: far below the server's limit of parameters per statement, and
// a statement of a few kilobytes. Statements of 500 rows (about 75 KB) reached the server cut
// short when the connection passed a relay that forwards at its own pace, as networks do.
constexpr std::size_t kRowsPerInsert = 50;

struct ServerShape final : store::TableShape {
    const TableSpec* spec = nullptr;
};

std::shared_ptr<const ServerShape> shape_of(const TableSpec& spec) {
    auto shape = std::make_shared<ServerShape>();
    shape->table = spec.name;
    shape->spec = &spec;
    for (const auto& c : spec.columns)
        shape->columns.push_back({c.name, c.type, c.autonumber});
    return shape;
}

bool fits(const ColumnSpec& c, const jet::Value& v) {
    if (jet::is_null(v)) return c.type != ColumnType::boolean;
    switch (c.type) {
        case ColumnType::boolean:
            return std::holds_alternative<bool>(v);
        case ColumnType::long_integer:
            return std::holds_alternative<std::int64_t>(v);
        case ColumnType::datetime:
            return std::holds_alternative<jet::DateTime>(v);
        case ColumnType::text:
        case ColumnType::memo:
            return std::holds_alternative<std::string>(v);
        default:
            return false;
    }
}

// The Jet file refuses what its columns cannot hold; so does the server's copy of them.
store::Status check_values(const TableSpec& t, const store::Changes& values) {
    for (const auto& [i, v] : values) {
        if (i >= t.columns.size()) return store::fail(StoreFailure::unavailable, "no such column");
        const ColumnSpec& c = t.columns[i];
        if (!fits(c, v))
            return store::fail(StoreFailure::unavailable,
                               "the column " + c.name + " cannot hold that value");
        // A null text is no text: nothing to measure.
        const auto* text = std::get_if<std::string>(&v);
        if (c.max_units != 0 && text && utf16_units(*text) > c.max_units)
            return store::fail(StoreFailure::unavailable,
                               "the text is longer than the column " + c.name + " holds");
    }
    return {};
}

class ServerEngine final : public store::Engine {
  public:
    ServerEngine(std::string connection_string, Link link)
        : key_(std::move(connection_string)),
          connection_(std::move(link.connection)),
          reused_(link.reused) {}

    ~ServerEngine() override {
        if (in_transaction_) rollback();
        if (connection_ && !broken_ && !in_transaction_) give_back(key_, std::move(connection_));
    }

    store::Result<store::Selection> select(std::string_view source) override {
        auto plan = plan_select(source);
        if (!plan) return plan.failure();
        return attempt([&] { return select_rows(*plan); });
    }

    store::Result<std::vector<std::vector<store::TallyGroup>>> tally_all(
        const std::vector<store::Tally>& tallies) override {
        std::vector<std::vector<store::TallyGroup>> out;
        for (const store::Tally& t : tallies) {
            auto groups = tally(t);
            if (!groups) return groups.failure();
            out.push_back(std::move(*groups));
        }
        return out;
    }

    store::Result<std::vector<store::TallyGroup>> tally(const store::Tally& t) override {
        auto plan = plan_tally(t);
        if (!plan) return plan.failure();
        return attempt([&]() -> store::Result<std::vector<store::TallyGroup>> {
            Query q(*connection_);
            if (auto ran = q.run(plan->sql, plan->params); !ran) return ran.failure();
            std::vector<store::TallyGroup> groups;
            for (;;) {
                auto more = q.fetch();
                if (!more) return more.failure();
                if (!*more) break;
                store::TallyGroup g;
                SQLUSMALLINT column = 1;
                for (const jet::ColumnType kind : plan->key_kinds) {
                    auto v = q.get(column++, kind);
                    if (!v) return v.failure();
                    g.key.push_back(std::move(*v));
                }
                const auto number = [&](jet::ColumnType kind) -> store::Result<jet::Value> {
                    return q.get(column++, kind);
                };
                if (plan->monthly) {
                    auto m = number(jet::ColumnType::big_integer);
                    if (!m) return m.failure();
                    if (const auto* n = std::get_if<std::int64_t>(&*m))
                        g.month = static_cast<int>(*n);
                }
                auto count = number(jet::ColumnType::big_integer);
                if (!count) return count.failure();
                if (const auto* n = std::get_if<std::int64_t>(&*count)) g.count = *n;
                if (plan->with_days) {
                    auto median = number(jet::ColumnType::double_);
                    if (!median) return median.failure();
                    if (const auto* d = std::get_if<double>(&*median)) g.median_days = *d;
                }
                // A count of no rows at all has no group, as the count here has none.
                if (g.count > 0) groups.push_back(std::move(g));
            }
            store::order_groups(groups);
            return groups;
        });
    }

    store::Result<store::StoredRow> insert(const store::TableShape& table,
                                           const store::Changes& values,
                                           store::Numbering numbering) override {
        auto* shape = dynamic_cast<const ServerShape*>(&table);
        if (!shape) return mismatch();
        const TableSpec& t = *shape->spec;
        store::Changes given;
        for (const auto& [i, v] : values)
            if (i < t.columns.size() &&
                (!t.columns[i].autonumber || numbering == store::Numbering::as_given))
                given.emplace(i, v);
        if (auto s = check_values(t, given); !s) return refused(s.failure());
        std::string names, marks;
        std::vector<Param> params;
        for (const auto& [i, v] : given) {
            names += (names.empty() ? "" : ", ") + t.columns[i].name;
            marks += marks.empty() ? "?" : ", ?";
            params.push_back({v, t.columns[i].type});
        }
        const std::string sql =
            "INSERT INTO " + t.name +
            (names.empty() ? " DEFAULT VALUES" : " (" + names + ") VALUES (" + marks + ")") +
            " RETURNING " + column_list(t);
        return write([&]() -> store::Result<store::StoredRow> {
            auto row = one_row(t, sql, params);
            if (!row) return row.failure();
            if (!*row) return store::fail(StoreFailure::unavailable, "the row was not added");
            if (numbering == store::Numbering::as_given)
                if (auto moved = numbers_past_given(t); !moved) return moved.failure();
            return std::move(**row);
        });
    }

    // Rows that set the same columns go many to a statement: one round trip for up to
    // kRowsPerInsert of them instead of one each.
    store::Result<std::vector<store::StoredRow>> insert_many(
        const store::TableShape& table, const std::vector<store::Changes>& rows,
        store::Numbering numbering) override {
        auto* shape = dynamic_cast<const ServerShape*>(&table);
        if (!shape) return mismatch();
        const bool as_given = numbering == store::Numbering::as_given;
        const TableSpec& t = *shape->spec;
        std::vector<store::Changes> given(rows.size());
        for (std::size_t r = 0; r < rows.size(); ++r) {
            for (const auto& [i, v] : rows[r])
                if (i < t.columns.size() && (!t.columns[i].autonumber || as_given))
                    given[r].emplace(i, v);
            if (auto s = check_values(t, given[r]); !s) return refused(s.failure());
        }
        return write([&]() -> store::Result<std::vector<store::StoredRow>> {
            std::vector<store::StoredRow> stored;
            stored.reserve(rows.size());
            for (std::size_t first = 0; first < given.size();) {
                std::size_t last = first + 1;
                const auto same_columns = [&](std::size_t r) {
                    return given[r].size() == given[first].size() &&
                           std::equal(
                               given[r].begin(), given[r].end(), given[first].begin(),
                               [](const auto& a, const auto& b) { return a.first == b.first; });
                };
                while (last < given.size() && last - first < kRowsPerInsert && same_columns(last))
                    ++last;
                std::string names, marks, values;
                for (const auto& [i, v] : given[first]) {
                    names += (names.empty() ? "" : ", ") + t.columns[i].name;
                    marks += marks.empty() ? "?" : ", ?";
                }
                std::vector<Param> params;
                for (std::size_t r = first; r < last; ++r) {
                    values += (r == first ? "(" : ", (") + marks + ")";
                    for (const auto& [i, v] : given[r])
                        params.push_back({v, t.columns[i].type});
                }
                const std::string sql =
                    names.empty()
                        ? "INSERT INTO " + t.name + " DEFAULT VALUES RETURNING " + column_list(t)
                        : "INSERT INTO " + t.name + " (" + names + ") VALUES " + values +
                              " RETURNING " + column_list(t);
                if (names.empty()) last = first + 1;  // DEFAULT VALUES adds one row
                auto added = rows_of(t, sql, params);
                if (!added) return added.failure();
                if (added->size() != last - first)
                    return store::fail(StoreFailure::unavailable, "not every row was added");
                // The numbers follow the rows' order; the order rows come back in need not.
                std::sort(added->begin(), added->end(),
                          [](const auto& a, const auto& b) { return a.key < b.key; });
                for (auto& row : *added)
                    stored.push_back(std::move(row));
                first = last;
            }
            if (as_given) {
                if (auto moved = numbers_past_given(t); !moved) return moved.failure();
                // The rows go back in the order they were given.
                std::map<store::RowKey, store::StoredRow> by_key;
                for (auto& row : stored)
                    by_key.emplace(row.key, std::move(row));
                stored.clear();
                std::size_t numbered = 0;
                while (numbered < t.columns.size() && !t.columns[numbered].autonumber)
                    ++numbered;
                for (const store::Changes& r : given) {
                    auto value = r.find(numbered);
                    auto number =
                        value == r.end() ? nullptr : std::get_if<std::int64_t>(&value->second);
                    auto it =
                        number ? by_key.find(static_cast<store::RowKey>(*number)) : by_key.end();
                    if (it == by_key.end())
                        return store::fail(StoreFailure::unavailable, "a row was not added");
                    stored.push_back(std::move(it->second));
                }
            }
            return stored;
        });
    }

    store::Result<store::StoredRow> update(const store::TableShape& table,
                                           const store::StoredRow& row,
                                           const store::Changes& changes) override {
        auto* shape = dynamic_cast<const ServerShape*>(&table);
        if (!shape) return mismatch();
        const TableSpec& t = *shape->spec;
        if (auto s = check_values(t, changes); !s) return refused(s.failure());
        std::string sets;
        std::vector<Param> params;
        for (const auto& [i, v] : changes) {
            if (t.columns[i].autonumber)
                return refused({StoreFailure::unavailable, "a row keeps its number"});
            sets += (sets.empty() ? "" : ", ") + t.columns[i].name + " = ?";
            params.push_back({v, t.columns[i].type});
        }
        params.push_back(number_param(static_cast<std::int64_t>(row.key)));
        const std::string sql =
            sets.empty()
                ? "SELECT " + column_list(t) + " FROM " + t.name + " WHERE id = ?"
                : "UPDATE " + t.name + " SET " + sets + " WHERE id = ? RETURNING " + column_list(t);
        return write([&]() -> store::Result<store::StoredRow> {
            auto stored = one_row(t, sql, params);
            if (!stored) return stored.failure();
            if (!*stored)
                return store::fail(StoreFailure::gone, "the row was deleted in the meantime");
            return std::move(**stored);
        });
    }

    store::Result<std::size_t> execute(std::string_view statement) override {
        auto plan = plan_delete(statement);
        if (!plan) return plan.failure();
        return write([&]() -> store::Result<std::size_t> {
            if (!plan->filter_here) {
                Query q(*connection_);
                if (auto ran = q.run(plan->sql, plan->params); !ran) return ran.failure();
                auto n = q.rows_changed();
                if (!n) return n.failure();
                return static_cast<std::size_t>(*n);
            }
            auto rows = matching_rows(*plan);
            if (!rows) return rows.failure();
            for (const auto& r : *rows) {
                Query q(*connection_);
                if (auto ran = q.run("DELETE FROM " + plan->table->name + " WHERE id = ?",
                                     {number_param(static_cast<std::int64_t>(r.key))});
                    !ran)
                    return ran.failure();
            }
            return rows->size();
        });
    }

    store::Result<bool> has_table(std::string_view name) override {
        return attempt([&] { return table_present(*connection_, name); });
    }

    store::Status ensure_table(const TableSpec& table) override {
        // Writers take the change counter's row first, one after another: a second PC
        // making the same table waits, then finds it made.
        return write([&]() -> store::Status {
            auto there = table_present(*connection_, table.name);
            if (!there) return there.failure();
            if (*there) return {};
            return create_own_table(*connection_, table);
        });
    }

    store::Status begin() override {
        return start_transaction([&]() -> store::Status {
            // Every writer takes the counter's row first: writers go one after another, and
            // what one read stays true until it commits. Its new value tells the other PCs.
            // Its transaction's number tells later whether a commit whose answer was lost
            // arrived.
            Query q(*connection_);
            auto bumped = q.run(
                "UPDATE lq_schema SET change_count = change_count + 1 RETURNING change_count, "
                "txid_current(), set_config('lq.counted', '1', true)");
            std::optional<std::uint64_t> stamp;
            txid_.reset();
            if (bumped) {
                auto row = q.fetch();
                auto value = row && *row ? q.get(1, ColumnType::big_integer)
                                         : store::Result<jet::Value>(store::Failure{
                                               StoreFailure::foreign_schema, "lq_schema is empty"});
                if (!value) {
                    bumped = value.failure();
                } else if (auto n = std::get_if<std::int64_t>(&*value)) {
                    stamp = static_cast<std::uint64_t>(*n);
                }
                if (auto id = bumped ? q.get(2, ColumnType::big_integer)
                                     : store::Result<jet::Value>(jet::Value{}))
                    if (auto n = std::get_if<std::int64_t>(&*id)) txid_ = *n;
            }
            if (!bumped) {
                abandon();
                return bumped;
            }
            transaction_stamp_ = stamp;
            return bumped;
        });
    }

    store::Status commit() override {
        if (!in_transaction_)
            return store::fail(StoreFailure::unavailable, "no transaction is open");
        in_transaction_ = false;
        if (doomed_) {
            abandon();
            // A change that failed because the link went: the server is away, the change
            // itself was not refused.
            return store::fail(broken_ ? StoreFailure::unreachable : StoreFailure::unavailable,
                               "a change of this transaction failed; none of them was stored");
        }
        auto done = end_transaction(true);
        // The answer to COMMIT lost with the link: the server may have committed before it
        // went. Asked afresh, so that what was stored is not reported as lost.
        if (!done && connection_lost(done.failure()) && txid_ && landed(*txid_) == true)
            done = store::Status{};
        // The counter moved by one for this transaction: from the value before it to its own.
        if (done && transaction_stamp_ && *transaction_stamp_ > 0)
            commits_.push_back({*transaction_stamp_ - 1, *transaction_stamp_});
        return done;
    }

    void rollback() override {
        if (!in_transaction_) return;
        in_transaction_ = false;
        abandon();
    }

    bool in_transaction() const override { return in_transaction_; }

    store::Status begin_snapshot() override {
        return start_transaction([&]() -> store::Status {
            Query q(*connection_);
            auto set = q.run("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY");
            if (!set) abandon();
            return set;
        });
    }

    store::Result<std::uint64_t> change_stamp() override {
        return attempt([&]() -> store::Result<std::uint64_t> {
            Query q(*connection_);
            if (auto ran = q.run("SELECT change_count FROM lq_schema"); !ran) return ran.failure();
            auto more = q.fetch();
            if (!more) return more.failure();
            if (!*more) return store::fail(StoreFailure::foreign_schema, "lq_schema is empty");
            auto v = q.get(1, ColumnType::big_integer);
            if (!v) return v.failure();
            auto n = std::get_if<std::int64_t>(&*v);
            if (!n) return store::fail(StoreFailure::foreign_schema, "no change count");
            return static_cast<std::uint64_t>(*n);
        });
    }

    std::optional<std::uint64_t> transaction_stamp() const override { return transaction_stamp_; }
    const std::vector<store::CommitStamps>& commits() const override { return commits_; }

  private:
    static Failure mismatch() {
        return {StoreFailure::unavailable, "the rows come from another store"};
    }

    // A change refused before it reached the server counts as a failed change all the same.
    Failure refused(Failure f) {
        if (in_transaction_) doomed_ = true;
        return f;
    }

    // Runs an operation; when the connection kept from an earlier action turns out dead on
    // its first use, a new connection is made and the operation runs again: nothing was
    // done on the old one.
    template <class Op>
    auto attempt(Op op) -> decltype(op()) {
        // A connection closed on a transaction whose end failed is never used again.
        if (!connection_) return Failure{StoreFailure::unreachable, "the connection was closed"};
        auto r = op();
        if (!r && connection_lost(r.failure()) && reused_ && !used_ && !in_transaction_) {
            auto fresh = take_connection(key_, false);
            if (fresh) {
                connection_ = std::move(fresh->connection);
                reused_ = false;
                r = op();
            }
        }
        if (r)
            used_ = true;
        else if (connection_lost(r.failure()))
            broken_ = true;
        return r;
    }

    // A change: inside the open transaction, or in one of its own.
    template <class Op>
    auto write(Op op) -> decltype(op()) {
        if (in_transaction_) {
            auto r = attempt(op);
            if (!r) doomed_ = true;
            return r;
        }
        if (auto begun = begin(); !begun) return begun.failure();
        auto r = attempt(op);
        if (!r) {
            rollback();
            return r;
        }
        if (auto done = commit(); !done) return done.failure();
        return r;
    }

    // Numbers given by hand must not be handed out again by the table: its sequence moves on
    // to the largest number it holds.
    store::Status numbers_past_given(const TableSpec& t) {
        Query q(*connection_);
        return q.run(
            "SELECT setval(pg_get_serial_sequence(?, ?), (SELECT max(id) FROM " + t.name + "))",
            {text_param(t.name), text_param("id")});
    }

    // Begins a transaction with `first` as its first statement, which undoes it on failure.
    template <class First>
    store::Status start_transaction(First first) {
        if (in_transaction_) return store::fail(StoreFailure::unavailable, "a transaction is open");
        auto begun = attempt([&]() -> store::Status {
            if (!succeeded(SQLSetConnectAttrW(connection_->get(), SQL_ATTR_AUTOCOMMIT,
                                              reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0)))
                return failure_of(connection_->diagnostics(), Context::working);
            return first();
        });
        if (!begun) return begun;
        in_transaction_ = true;
        doomed_ = false;
        return {};
    }

    // Rolls back; whatever goes wrong, nothing of the transaction is kept.
    void abandon() { (void)end_transaction(false); }

    store::Status end_transaction(bool keep) {
        if (!connection_)
            return store::fail(StoreFailure::unreachable, "the connection was closed");
        SQLHDBC h = connection_->get();
        const SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, h, keep ? SQL_COMMIT : SQL_ROLLBACK);
        if (!succeeded(rc)) {
            Failure failed = failure_of(connection_->diagnostics(), Context::working);
            if (connection_->dead()) failed.kind = StoreFailure::unreachable;
            // Autocommit switched back on would commit whatever is still open. A transaction
            // whose end failed is ended by closing its connection instead, which the server
            // takes as a rollback; the next action connects afresh.
            broken_ = true;
            connection_.reset();
            return failed;
        }
        SQLSetConnectAttrW(h, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON),
                           0);
        return {};
    }

    // Whether the transaction numbered `txid` committed, asked over a new connection; nullopt
    // when that cannot be told. The server may not yet have seen the old link go: a while of
    // "in progress" is waited out.
    std::optional<bool> landed(std::int64_t txid) {
        auto fresh = take_connection(key_, false);
        if (!fresh) return std::nullopt;
        for (int look = 0; look < 50; ++look) {
            Query q(*fresh->connection);
            if (!q.run("SELECT txid_status(?)", {number_param(txid)})) return std::nullopt;
            auto row = q.fetch();
            if (!row || !*row) return std::nullopt;
            auto status = q.get(1, ColumnType::text);
            if (!status) return std::nullopt;
            const auto* text = std::get_if<std::string>(&*status);
            if (!text) return std::nullopt;
            if (*text != "in progress") {
                give_back(key_, std::move(fresh->connection));
                return *text == "committed";
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return std::nullopt;
    }

    // The rows of a statement whose result columns are column_list's.
    store::Result<std::vector<store::StoredRow>> rows_of(const TableSpec& t, const std::string& sql,
                                                         const std::vector<Param>& params) {
        Query q(*connection_);
        if (auto ran = q.run(sql, params); !ran) return ran.failure();
        const std::vector<std::size_t> order = result_order(t);
        // The columns before the first long text are bound, so that one fetch fills them
        // all: numbers, yes/no and date-times' seconds as numbers, short texts as UTF-16 in
        // room for twice their limit (a character may take two units). The long texts after
        // them are read piece by piece.
        std::size_t bound = 0;
        while (bound < order.size() && t.columns[order[bound]].type != ColumnType::memo &&
               (t.columns[order[bound]].type != ColumnType::text ||
                t.columns[order[bound]].max_units > 0))
            ++bound;
        std::vector<std::int64_t> numbers(bound);
        std::vector<SQLLEN> nulls(bound);
        std::vector<std::u16string> texts(bound);
        for (std::size_t k = 0; k < bound; ++k) {
            const ColumnSpec& c = t.columns[order[k]];
            const auto column = static_cast<SQLUSMALLINT>(k + 1);
            store::Status done;
            if (c.type == ColumnType::text) {
                texts[k].resize(2 * c.max_units + 1);
                done = q.bind_text(column, texts[k].data(), 2 * c.max_units, &nulls[k]);
            } else {
                done = q.bind_number(column, &numbers[k], &nulls[k]);
            }
            if (!done) return done.failure();
        }
        std::vector<store::StoredRow> rows;
        for (;;) {
            auto more = q.fetch();
            if (!more) return more.failure();
            if (!*more) break;
            store::StoredRow row;
            row.values.resize(t.columns.size());
            for (std::size_t k = 0; k < order.size(); ++k) {
                const ColumnSpec& c = t.columns[order[k]];
                jet::Value& v = row.values[order[k]];
                if (k >= bound) {
                    auto text = q.get(static_cast<SQLUSMALLINT>(k + 1), c.type);
                    if (!text) return text.failure();
                    v = std::move(*text);
                } else if (c.type == ColumnType::boolean) {
                    // The engine's yes/no column is never null.
                    v = nulls[k] != SQL_NULL_DATA && numbers[k] != 0;
                } else if (nulls[k] == SQL_NULL_DATA) {
                    v = jet::Value{};
                } else if (c.type == ColumnType::text) {
                    const auto units = static_cast<std::size_t>(nulls[k]) / sizeof(char16_t);
                    if (nulls[k] < 0 || units > 2 * c.max_units)
                        return store::fail(
                            StoreFailure::foreign_schema,
                            "the column " + c.name + " holds a longer text than it may");
                    v = jet::utf16_to_utf8(std::u16string_view(texts[k]).substr(0, units));
                } else if (c.type == ColumnType::datetime) {
                    v = jet::DateTime{from_epoch_seconds(numbers[k])};
                } else {
                    v = numbers[k];
                }
            }
            if (auto id = std::get_if<std::int64_t>(&row.values[0]))
                row.key = static_cast<store::RowKey>(*id);
            rows.push_back(std::move(row));
        }
        return rows;
    }

    store::Result<std::optional<store::StoredRow>> one_row(const TableSpec& t,
                                                           const std::string& sql,
                                                           const std::vector<Param>& params) {
        auto rows = rows_of(t, sql, params);
        if (!rows) return rows.failure();
        if (rows->empty()) return std::optional<store::StoredRow>();
        return std::optional<store::StoredRow>(std::move(rows->front()));
    }

    // The rows a plan selects, with its condition and order applied here where the server
    // could not apply them.
    store::Result<std::vector<store::StoredRow>> matching_rows(Plan& plan) {
        auto rows = rows_of(*plan.table, plan.sql, plan.params);
        if (!rows) return rows.failure();
        if (plan.filter_here) {
            const jet::TableDef def = definition_of(*plan.table);
            std::vector<store::StoredRow> kept;
            for (auto& r : *rows) {
                auto hit = jet::matches(*plan.filter_here, def, r.values);
                if (!hit) return store::fail(StoreFailure::unavailable, hit.error().message);
                if (*hit) kept.push_back(std::move(r));
            }
            *rows = std::move(kept);
        }
        if (!plan.order_here.empty()) {
            std::vector<std::vector<jet::Value>> values;
            for (auto& r : *rows)
                values.push_back(std::move(r.values));
            if (auto s = sort_rows(*plan.table, plan.order_here, values); !s) return s.failure();
            for (std::size_t i = 0; i < rows->size(); ++i) {
                (*rows)[i].values = std::move(values[i]);
                if (auto id = std::get_if<std::int64_t>(&(*rows)[i].values[0]))
                    (*rows)[i].key = static_cast<store::RowKey>(*id);
            }
        }
        return rows;
    }

    store::Result<store::Selection> select_rows(Plan& plan) {
        auto rows = matching_rows(plan);
        if (!rows) return rows.failure();
        return store::Selection{shape_of(*plan.table), std::move(*rows)};
    }

    std::string key_;
    std::unique_ptr<Connection> connection_;
    bool reused_ = false;
    bool used_ = false;
    bool broken_ = false;
    bool in_transaction_ = false;
    bool doomed_ = false;
    std::optional<std::uint64_t> transaction_stamp_;
    std::vector<store::CommitStamps> commits_;
    std::optional<std::int64_t> txid_;  // the server's number of the open transaction
};

}  // namespace

store::Result<std::unique_ptr<store::Engine>> open_engine(const std::string& connection_string) {
    auto link = take_connection(connection_string);
    if (!link) return link.failure();
    return std::unique_ptr<store::Engine>(
        std::make_unique<ServerEngine>(connection_string, std::move(*link)));
}

}  // namespace odbc
