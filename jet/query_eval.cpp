// Evaluating conditions over rows, and running queries.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "jet/index_lookup.h"
#include "jet/query.h"
#include "jet/row_codec.h"
#include "jet/text.h"

namespace jet {

namespace {

// Three-valued truth: a comparison with null is unknown.
enum class Truth3 { no, yes, unknown };

struct Resolved {
    const Value* value;
    const Column* column;  // null for literals
};

Result<Resolved> resolve(const std::variant<Literal, ColumnRef>& operand, const TableDef& table,
                         const std::vector<Value>& row) {
    if (auto lit = std::get_if<Literal>(&operand)) return Resolved{&lit->value, nullptr};
    const auto& ref = std::get<ColumnRef>(operand);
    if (ref.found_in == &table && ref.found_at < row.size())
        return Resolved{&row[ref.found_at], &table.columns[ref.found_at]};
    const auto& name = ref.name;
    for (std::size_t i = 0; i < table.columns.size() && i < row.size(); ++i)
        if (text_equal_nocase(table.columns[i].name, name)) {
            ref.found_in = &table;
            ref.found_at = i;
            return Resolved{&row[i], &table.columns[i]};
        }
    return make_error(Errc::bad_query, "no column named " + name);
}

std::optional<double> as_number(const Value& v) {
    if (auto b = std::get_if<bool>(&v)) return *b ? -1.0 : 0.0;  // the engine's true is -1
    if (auto i = std::get_if<std::int64_t>(&v)) return static_cast<double>(*i);
    if (auto d = std::get_if<double>(&v)) return *d;
    if (auto t = std::get_if<DateTime>(&v)) return t->days;
    if (auto dec = std::get_if<Decimal>(&v)) return std::strtod(dec->text.c_str(), nullptr);
    if (auto s = std::get_if<std::string>(&v)) {
        // Text that is wholly a number compares as one, as the engine converts it.
        if (s->empty()) return std::nullopt;
        char* end = nullptr;
        double d = std::strtod(s->c_str(), &end);
        if (end == s->c_str() + s->size() && std::isfinite(d)) return d;
    }
    return std::nullopt;
}

// Orders two non-null values; fails when they cannot be compared.
Result<int> order(const Value& a, const Value& b) {
    auto sa = std::get_if<std::string>(&a);
    auto sb = std::get_if<std::string>(&b);
    if (sa && sb) return text_compare_nocase(*sa, *sb);
    if (auto ba = std::get_if<Binary>(&a)) {
        if (auto bb = std::get_if<Binary>(&b))
            return ba->bytes < bb->bytes ? -1 : ba->bytes > bb->bytes ? 1 : 0;
    }
    auto na = as_number(a);
    auto nb = as_number(b);
    if (na && nb) return *na < *nb ? -1 : *na > *nb ? 1 : 0;
    return make_error(Errc::type_mismatch, "values of different kinds cannot be compared");
}

Result<Truth3> compare(const Compare& c, const TableDef& table, const std::vector<Value>& row) {
    JET_ASSIGN(Resolved l, resolve(c.left, table, row));
    JET_ASSIGN(Resolved r, resolve(c.right, table, row));
    if (is_null(*l.value) || is_null(*r.value)) return Truth3::unknown;
    JET_ASSIGN(int o, order(*l.value, *r.value));
    bool yes = false;
    switch (c.op) {
        case CompareOp::eq:
            yes = o == 0;
            break;
        case CompareOp::ne:
            yes = o != 0;
            break;
        case CompareOp::lt:
            yes = o < 0;
            break;
        case CompareOp::gt:
            yes = o > 0;
            break;
        case CompareOp::le:
            yes = o <= 0;
            break;
        case CompareOp::ge:
            yes = o >= 0;
            break;
    }
    return yes ? Truth3::yes : Truth3::no;
}

Result<Truth3> evaluate(const Expr& e, const TableDef& table, const std::vector<Value>& row) {
    if (auto c = std::get_if<Compare>(&e.node)) return compare(*c, table, row);
    if (auto n = std::get_if<Not>(&e.node)) {
        JET_ASSIGN(Truth3 inner, evaluate(*n->inner, table, row));
        return inner == Truth3::unknown ? inner : inner == Truth3::yes ? Truth3::no : Truth3::yes;
    }
    if (auto t = std::get_if<Truth>(&e.node)) {
        JET_ASSIGN(Resolved v, resolve(t->operand, table, row));
        if (is_null(*v.value)) return Truth3::unknown;
        auto n = as_number(*v.value);
        if (!n) return make_error(Errc::type_mismatch, "a condition must be yes or no");
        return *n != 0 ? Truth3::yes : Truth3::no;
    }
    const auto& l = std::get<Logic>(e.node);
    JET_ASSIGN(Truth3 a, evaluate(*l.left, table, row));
    // Both sides are always evaluated so that a bad column name is never hidden by a short cut.
    JET_ASSIGN(Truth3 b, evaluate(*l.right, table, row));
    if (l.op == LogicOp::and_) {
        if (a == Truth3::no || b == Truth3::no) return Truth3::no;
        if (a == Truth3::unknown || b == Truth3::unknown) return Truth3::unknown;
        return Truth3::yes;
    }
    if (a == Truth3::yes || b == Truth3::yes) return Truth3::yes;
    if (a == Truth3::unknown || b == Truth3::unknown) return Truth3::unknown;
    return Truth3::no;
}

// Checks that every column named exists; marks it in `used` (by position in the table).
Status bind_operand(const std::variant<Literal, ColumnRef>& operand, const TableDef& table,
                    std::vector<bool>& used) {
    if (auto c = std::get_if<ColumnRef>(&operand)) {
        const Column* column = table.find_column(c->name);
        if (!column) return make_error(Errc::bad_query, "no column named " + c->name);
        used[static_cast<std::size_t>(column - table.columns.data())] = true;
    }
    return {};
}

Status bind_expr(const Expr& e, const TableDef& table, std::vector<bool>& used) {
    if (auto c = std::get_if<Compare>(&e.node)) {
        JET_TRY(bind_operand(c->left, table, used));
        return bind_operand(c->right, table, used);
    }
    if (auto n = std::get_if<Not>(&e.node)) return bind_expr(*n->inner, table, used);
    if (auto t = std::get_if<Truth>(&e.node)) return bind_operand(t->operand, table, used);
    const auto& l = std::get<Logic>(e.node);
    JET_TRY(bind_expr(*l.left, table, used));
    return bind_expr(*l.right, table, used);
}

}  // namespace

Result<bool> matches(const Expr& where, const TableDef& table, const std::vector<Value>& row) {
    JET_ASSIGN(Truth3 t, evaluate(where, table, row));
    return t == Truth3::yes;
}

Status scan_matching(Database& db, const TableDef& table, const Expr& where,
                     const std::function<Status(RowPointer, Bytes)>& visit, Database::PageUse use) {
    // The condition sees only its own columns, so testing a row never reads its long values.
    std::vector<bool> used(table.columns.size());
    JET_TRY(bind_expr(where, table, used));
    std::vector<Value> probe;
    const auto test = [&](RowPointer at, Bytes bytes) -> Status {
        JET_TRY(decode_row_into(db.pager(), table, bytes, probe, &used));
        JET_ASSIGN(bool keep, matches(where, table, probe));
        return keep ? visit(at, bytes) : Status{};
    };
    // "id = 42" on a table of a hundred thousand: the index names the row, nothing else is
    // read. Every candidate is still tested; one that is not a live row of the table means
    // the index cannot be trusted, and the table is read instead.
    // A buyer's ID among a hundred thousand: an index kept in memory names the few rows that
    // may hold it, and rows it names that are gone since are passed over.
    if (auto candidates = rows_for(db, table, where)) {
        // All checked before any is visited, so that a fall back to the scan visits none twice;
        // the pages are read again then (what a page read hands back lasts until the next).
        bool sound = true;
        for (const RowPointer at : candidates->rows) {
            JET_ASSIGN(auto bytes, db.live_row(table, at));
            sound = sound && (bytes.has_value() || !candidates->from_file);
        }
        if (sound) {
            for (const RowPointer at : candidates->rows) {
                JET_ASSIGN(auto bytes, db.live_row(table, at));
                if (!bytes && candidates->from_file)
                    return make_error(Errc::corrupt, "a row went while it was read");
                if (bytes) JET_TRY(test(at, *bytes));
            }
            return {};
        }
    }
    return db.scan_rows(table, test, use);
}

Status bind(const Query& q, const TableDef& table) {
    std::vector<bool> used(table.columns.size());
    if (q.where) JET_TRY(bind_expr(*q.where, table, used));
    for (const auto& term : q.order)
        if (!table.find_column(term.column))
            return make_error(Errc::bad_query, "no column named " + term.column);
    return {};
}

Status scan_columns(Database& db, std::string_view source, const std::vector<std::string>& columns,
                    const std::function<void(std::vector<Value>&)>& visit) {
    JET_ASSIGN(Query q, parse_query(source));
    if (!q.order.empty()) return make_error(Errc::bad_query, "a scan hands rows as stored");
    JET_ASSIGN(TableDef table, db.table(q.table));
    JET_TRY(bind(q, table));
    std::vector<std::size_t> at;
    for (const std::string& name : columns) {
        const Column* column = table.find_column(name);
        if (!column) return make_error(Errc::bad_query, "no column named " + name);
        at.push_back(static_cast<std::size_t>(column - table.columns.data()));
    }
    // One vector from row to row: a text the visitor leaves in place lends its buffer to the
    // next row, so a scan that only looks at its texts allocates nothing per row. The visitor
    // gets values, never the page's bytes, so the pages read for it need not stay.
    std::vector<Value> out(columns.size());
    const auto each = [&](RowPointer, Bytes bytes) -> Status {
        JET_TRY(decode_columns_into(db.pager(), table, bytes, at, out));
        visit(out);
        return {};
    };
    if (q.where) return scan_matching(db, table, *q.where, each, Database::PageUse::pass);
    return db.scan_rows(table, each, Database::PageUse::pass);
}

Result<Selection> select(Database& db, std::string_view source) {
    JET_ASSIGN(Query q, parse_query(source));
    JET_ASSIGN(TableDef table, db.table(q.table));
    JET_TRY(bind(q, table));
    Selection out{std::move(table), {}};
    if (q.where) {
        auto keep = [&](RowPointer where, Bytes bytes) -> Status {
            Record r{where, {}};
            JET_TRY(decode_row_into(db.pager(), out.table, bytes, r.values));
            out.rows.push_back(std::move(r));
            return {};
        };
        JET_TRY(scan_matching(db, out.table, *q.where, keep));
    } else {
        JET_ASSIGN(out.rows, db.scan(out.table));
    }
    if (!q.order.empty()) {
        std::vector<std::size_t> keys;
        for (const auto& term : q.order) {
            for (std::size_t i = 0; i < out.table.columns.size(); ++i)
                if (text_equal_nocase(out.table.columns[i].name, term.column)) keys.push_back(i);
        }
        std::optional<Error> failure;
        // Nulls sort first, as the engine sorts them; ties keep storage order.
        const auto before = [&](const Record& a, const Record& b) {
            for (std::size_t k = 0; k < keys.size(); ++k) {
                const Value& va = a.values[keys[k]];
                const Value& vb = b.values[keys[k]];
                int o;
                if (is_null(va) || is_null(vb)) {
                    o = is_null(va) == is_null(vb) ? 0 : is_null(va) ? -1 : 1;
                } else {
                    auto r = order(va, vb);
                    if (!r) {
                        if (!failure) failure = r.error();
                        return false;
                    }
                    o = *r;
                }
                if (q.order[k].descending) o = -o;
                if (o != 0) return o < 0;
            }
            return false;
        };
        // Rows are mostly stored in the order they were added, so a list by number comes out
        // of the scan in order or in reverse: a pass finds that, and the cost stays linear.
        auto& rows = out.rows;
        const auto reversed = [&] {
            for (std::size_t i = 1; i < rows.size(); ++i)
                if (!before(rows[i], rows[i - 1])) return false;
            return true;
        };
        if (!std::is_sorted(rows.begin(), rows.end(), before) && !failure) {
            // Strictly the other way needs no sort: there are no ties whose storage order
            // reversing would change.
            if (reversed())
                std::reverse(rows.begin(), rows.end());
            else
                std::stable_sort(rows.begin(), rows.end(), before);
        }
        if (failure) return *failure;
    }
    return out;
}

}  // namespace jet
