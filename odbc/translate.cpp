#include "odbc/translate.h"

#include <algorithm>
#include <optional>

#include "jet/text.h"
#include "odbc/datetime.h"

namespace odbc {

namespace {

using jet::ColumnType;
using store::StoreFailure;

store::Failure bad_query(std::string message) {
    return {StoreFailure::unavailable, std::move(message)};
}

bool is_text(ColumnType t) {
    return t == ColumnType::text || t == ColumnType::memo;
}

bool is_integer(ColumnType t) {
    return t == ColumnType::byte || t == ColumnType::integer || t == ColumnType::long_integer ||
           t == ColumnType::big_integer;
}

const ColumnSpec* column_of(const TableSpec& table, std::string_view name) {
    for (const auto& c : table.columns)
        if (jet::text_equal_nocase(c.name, name)) return &c;
    return nullptr;
}

const char* sql_operator(jet::CompareOp op) {
    switch (op) {
        case jet::CompareOp::eq:
            return " = ";
        case jet::CompareOp::ne:
            return " <> ";
        case jet::CompareOp::lt:
            return " < ";
        case jet::CompareOp::gt:
            return " > ";
        case jet::CompareOp::le:
            return " <= ";
        case jet::CompareOp::ge:
            return " >= ";
    }
    return " = ";
}

// The same comparison with its two sides swapped.
jet::CompareOp mirrored(jet::CompareOp op) {
    switch (op) {
        case jet::CompareOp::lt:
            return jet::CompareOp::gt;
        case jet::CompareOp::gt:
            return jet::CompareOp::lt;
        case jet::CompareOp::le:
            return jet::CompareOp::ge;
        case jet::CompareOp::ge:
            return jet::CompareOp::le;
        default:
            return op;
    }
}

// Every column a condition names must exist, as the Jet engine checks before reading a row.
store::Status check_columns(const jet::Expr& e, const TableSpec& table) {
    auto operand = [&](const std::variant<jet::Literal, jet::ColumnRef>& o) -> store::Status {
        if (auto c = std::get_if<jet::ColumnRef>(&o); c && !column_of(table, c->name))
            return bad_query("no column named " + c->name);
        return {};
    };
    if (auto c = std::get_if<jet::Compare>(&e.node)) {
        if (auto s = operand(c->left); !s) return s;
        return operand(c->right);
    }
    if (auto n = std::get_if<jet::Not>(&e.node)) return check_columns(*n->inner, table);
    if (auto t = std::get_if<jet::Truth>(&e.node)) return operand(t->operand);
    const auto& l = std::get<jet::Logic>(e.node);
    if (auto s = check_columns(*l.left, table); !s) return s;
    return check_columns(*l.right, table);
}

// Writes conditions as SQL where the server decides them exactly as the Jet engine does;
// nullopt where it would not.
class Translator {
  public:
    Translator(const TableSpec& table, std::vector<Param>& params)
        : table_(table), params_(params) {}

    std::optional<std::string> condition(const jet::Expr& e) {
        if (auto c = std::get_if<jet::Compare>(&e.node)) return compare(*c);
        if (auto n = std::get_if<jet::Not>(&e.node)) {
            auto inner = condition(*n->inner);
            if (!inner) return std::nullopt;
            return "(NOT " + *inner + ")";
        }
        if (auto t = std::get_if<jet::Truth>(&e.node)) return truth(t->operand);
        const auto& l = std::get<jet::Logic>(e.node);
        auto a = condition(*l.left);
        auto b = condition(*l.right);
        if (!a || !b) return std::nullopt;
        // SQL's and/or/not with nulls are the engine's three-valued ones.
        return "(" + *a + (l.op == jet::LogicOp::and_ ? " AND " : " OR ") + *b + ")";
    }

  private:
    static constexpr const char* kUnknown = "CAST(NULL AS boolean)";

    // A parameter mark, typed: the driver may send the value as text of unknown type, which
    // the server would then read as the column's type ("2.5" as an integer fails).
    std::string param(jet::Value v, ColumnType kind) {
        const char* type = std::holds_alternative<std::int64_t>(v) ? "bigint"
                           : std::holds_alternative<double>(v)     ? "double precision"
                           : std::holds_alternative<bool>(v)       ? "boolean"
                                                                   : "text";
        params_.push_back({std::move(v), kind});
        return std::string("CAST(? AS ") + type + ")";
    }

    std::optional<std::string> truth(const std::variant<jet::Literal, jet::ColumnRef>& o) {
        if (auto lit = std::get_if<jet::Literal>(&o)) {
            const jet::Value& v = lit->value;
            if (jet::is_null(v)) return kUnknown;
            if (auto b = std::get_if<bool>(&v)) return *b ? "TRUE" : "FALSE";
            if (auto n = std::get_if<std::int64_t>(&v)) return *n != 0 ? "TRUE" : "FALSE";
            if (auto d = std::get_if<double>(&v)) return *d != 0 ? "TRUE" : "FALSE";
            return std::nullopt;
        }
        const ColumnSpec& c = *column_of(table_, std::get<jet::ColumnRef>(o).name);
        if (c.type == ColumnType::boolean) return c.name;
        if (is_integer(c.type)) return "(" + c.name + " <> 0)";
        return std::nullopt;
    }

    std::optional<std::string> compare(const jet::Compare& cmp) {
        const auto* lc = std::get_if<jet::ColumnRef>(&cmp.left);
        const auto* rc = std::get_if<jet::ColumnRef>(&cmp.right);
        if ((lc != nullptr) == (rc != nullptr)) return std::nullopt;  // two columns, or none
        const ColumnSpec& c = *column_of(table_, lc ? lc->name : rc->name);
        const jet::Value& v = std::get<jet::Literal>(lc ? cmp.right : cmp.left).value;
        const jet::CompareOp op = lc ? cmp.op : mirrored(cmp.op);
        // A comparison with null is unknown, whatever the other side holds.
        if (jet::is_null(v)) return kUnknown;
        const char* sign = sql_operator(op);
        if (is_text(c.type)) {
            // Text against text: both sides folded on the server by lq_fold, a translate()
            // with the engine's own fold table, then compared code point by code point (the
            // columns' collation is "C"). This is exact for every text, which lower() or a
            // case-insensitive collation is not (they fold letters the engine leaves alone,
            // and differ between servers), and the duplicate test finds the pair through an
            // index on the folded IDs instead of fetching a superset to sort out here.
            // A server's text never holds a zero character; such a value is compared here.
            auto text = std::get_if<std::string>(&v);
            if (!text || text->find('\0') != std::string::npos) return std::nullopt;
            return std::string(kFoldFunction) + "(" + c.name + ")" + sign + kFoldFunction + "(" +
                   param(v, ColumnType::text) + ")";
        }
        // The engine compares yes/no and numbers as numbers, its true being -1.
        std::optional<jet::Value> number;
        if (auto b = std::get_if<bool>(&v)) number = jet::Value{std::int64_t{*b ? -1 : 0}};
        if (std::holds_alternative<std::int64_t>(v) || std::holds_alternative<double>(v))
            number = v;
        if (!number) return std::nullopt;
        if (is_integer(c.type)) return c.name + sign + param(*number, ColumnType::big_integer);
        if (c.type == ColumnType::boolean) {
            if (std::holds_alternative<bool>(v) &&
                (op == jet::CompareOp::eq || op == jet::CompareOp::ne))
                return c.name + sign + param(v, ColumnType::boolean);
            return "(CASE WHEN " + c.name + " THEN -1 WHEN NOT " + c.name + " THEN 0 END)" + sign +
                   param(*number, ColumnType::big_integer);
        }
        return std::nullopt;
    }

    const TableSpec& table_;
    std::vector<Param>& params_;
};

// ORDER BY for the terms when the server orders exactly as the engine does; nullopt else.
std::optional<std::string> order_sql(const TableSpec& table,
                                     const std::vector<jet::OrderTerm>& order) {
    std::string out;
    for (const auto& term : order) {
        const ColumnSpec& c = *column_of(table, term.column);
        // The engine puts nulls first, and last when the order is reversed. Where a column
        // holds no null the plain order lets the server walk an index.
        const bool never_null = c.autonumber || c.type == ColumnType::boolean;
        const char* up = never_null ? " ASC" : " ASC NULLS FIRST";
        const char* down = never_null ? " DESC" : " DESC NULLS LAST";
        std::string key;
        if (is_text(c.type)) {
            key = std::string(kFoldFunction) + "(" + c.name + ")";
        } else if (is_integer(c.type)) {
            key = c.name;
        } else if (c.type == ColumnType::boolean) {
            key = c.name;  // true is -1 to the engine: it comes before false
            std::swap(up, down);
        } else {
            return std::nullopt;  // dates before day zero order otherwise as doubles
        }
        out += (out.empty() ? "" : ", ") + key + (term.descending ? down : up);
        if (c.autonumber) return out;  // no two rows alike past the row's number
    }
    // Rows alike in every term keep the order they were added in.
    return out + (out.empty() ? "" : ", ") + "id";
}

store::Result<const TableSpec*> table_named(const std::string& name) {
    const TableSpec* t = find_table(name);
    if (!t) return bad_query("no table named " + name);
    return t;
}

int compare_values(const jet::Value& a, const jet::Value& b) {
    auto number = [](const jet::Value& v) -> double {
        if (auto x = std::get_if<bool>(&v)) return *x ? -1.0 : 0.0;
        if (auto x = std::get_if<std::int64_t>(&v)) return static_cast<double>(*x);
        if (auto x = std::get_if<double>(&v)) return *x;
        if (auto x = std::get_if<jet::DateTime>(&v)) return x->days;
        return 0.0;
    };
    if (jet::is_null(a) || jet::is_null(b))
        return jet::is_null(a) == jet::is_null(b) ? 0 : jet::is_null(a) ? -1 : 1;
    auto sa = std::get_if<std::string>(&a);
    auto sb = std::get_if<std::string>(&b);
    if (sa && sb) return jet::text_compare_nocase(*sa, *sb);
    const double x = number(a), y = number(b);
    return x < y ? -1 : x > y ? 1 : 0;
}

}  // namespace

std::vector<std::size_t> result_order(const TableSpec& table) {
    std::vector<std::size_t> order;
    for (int texts = 0; texts < 2; ++texts)
        for (std::size_t i = 0; i < table.columns.size(); ++i)
            if (is_text(table.columns[i].type) == (texts == 1)) order.push_back(i);
    return order;
}

std::string column_list(const TableSpec& table) {
    std::string out;
    for (std::size_t i : result_order(table)) {
        const ColumnSpec& c = table.columns[i];
        out += out.empty() ? "" : ", ";
        // Date-times travel as whole seconds since 1970: a number is cheaper to send and
        // to read than the text of a timestamp, and exact.
        out += c.type == ColumnType::datetime ? "CAST(date_part('epoch', " + c.name + ") AS bigint)"
                                              : c.name;
    }
    return out;
}

jet::TableDef definition_of(const TableSpec& table) {
    jet::TableDef def;
    for (const auto& c : table.columns) {
        jet::Column column;
        column.name = c.name;
        column.type = c.type;
        def.columns.push_back(std::move(column));
    }
    return def;
}

store::Status sort_rows(const TableSpec& table, const std::vector<jet::OrderTerm>& order,
                        std::vector<std::vector<jet::Value>>& rows) {
    std::vector<std::size_t> keys;
    for (const auto& term : order) {
        const ColumnSpec* c = column_of(table, term.column);
        if (!c) return bad_query("no column named " + term.column);
        keys.push_back(static_cast<std::size_t>(c - table.columns.data()));
    }
    std::stable_sort(rows.begin(), rows.end(), [&](const auto& a, const auto& b) {
        for (std::size_t k = 0; k < keys.size(); ++k) {
            int o = compare_values(a[keys[k]], b[keys[k]]);
            if (order[k].descending) o = -o;
            if (o != 0) return o < 0;
        }
        return false;
    });
    return {};
}

store::Result<Plan> plan_select(std::string_view source) {
    auto q = jet::parse_query(source);
    if (!q) return bad_query(q.error().message);
    auto table = table_named(q->table);
    if (!table) return table.failure();
    Plan plan;
    plan.table = *table;
    const TableSpec& t = **table;
    if (q->where)
        if (auto s = check_columns(*q->where, t); !s) return s.failure();
    for (const auto& term : q->order)
        if (!column_of(t, term.column)) return bad_query("no column named " + term.column);

    plan.sql = "SELECT " + column_list(t) + " FROM " + t.name;
    if (q->where) {
        Translator translate(t, plan.params);
        if (auto where = translate.condition(*q->where)) {
            plan.sql += " WHERE " + *where;
        } else {
            plan.params.clear();
            plan.filter_here = std::move(q->where);
        }
    }
    if (auto order = order_sql(t, q->order)) {
        plan.sql += " ORDER BY " + *order;
    } else {
        plan.sql += " ORDER BY id";
        plan.order_here = q->order;
    }
    return plan;
}

store::Result<Plan> plan_delete(std::string_view statement) {
    auto del = jet::parse_delete(statement);
    if (!del) return bad_query(del.error().message);
    auto table = table_named(del->table);
    if (!table) return table.failure();
    const TableSpec& t = **table;
    if (auto s = check_columns(*del->where, t); !s) return s.failure();
    Plan plan;
    plan.table = &t;
    Translator translate(t, plan.params);
    if (auto where = translate.condition(*del->where)) {
        plan.sql = "DELETE FROM " + t.name + " WHERE " + *where;
    } else {
        plan.params.clear();
        plan.sql = "SELECT " + column_list(t) + " FROM " + t.name + " ORDER BY id";
        plan.filter_here = std::move(del->where);
    }
    return plan;
}

store::Result<TallyPlan> plan_tally(const store::Tally& t) {
    auto table = table_named(t.table);
    if (!table) return table.failure();
    const TableSpec& spec = **table;
    TallyPlan plan;
    const auto date_column = [&](const std::string& name) -> store::Result<std::string> {
        const ColumnSpec* c = column_of(spec, name);
        if (!c || c->type != ColumnType::datetime) return bad_query("no date column named " + name);
        return c->name;
    };
    auto within = date_column(t.within);
    if (!within) return within.failure();
    std::string keys;
    for (const std::string& name : t.by) {
        const ColumnSpec* c = column_of(spec, name);
        if (!c) return bad_query("no column named " + name);
        keys += (keys.empty() ? "" : ", ") + c->name;
        plan.key_kinds.push_back(c->type);
    }
    plan.monthly = t.monthly;
    if (t.monthly)
        keys += std::string(keys.empty() ? "" : ", ") + "CAST(EXTRACT(YEAR FROM " + *within +
                ") * 100 + EXTRACT(MONTH FROM " + *within + ") AS bigint)";
    std::string sql = "SELECT " + keys + (keys.empty() ? "" : ", ") + "count(*)";
    if (!t.days_from.empty() && !t.days_to.empty()) {
        auto a = date_column(t.days_from);
        if (!a) return a.failure();
        auto b = date_column(t.days_to);
        if (!b) return b.failure();
        // Rows lacking either date are left out of the median, as percentile_cont leaves nulls.
        sql += ", percentile_cont(0.5) WITHIN GROUP (ORDER BY (EXTRACT(EPOCH FROM " + *b +
               ") - EXTRACT(EPOCH FROM " + *a + ")) / 86400.0)";
        plan.with_days = true;
    }
    sql += " FROM " + spec.name + " WHERE " + *within + " >= ? AND " + *within + " < ?";
    const auto from = kept_datetime(t.from), to = kept_datetime(t.to);
    if (!from || !to) return bad_query("a day the server cannot hold");
    plan.params.resize(2);
    plan.params[0].value = jet::DateTime{*from};
    plan.params[1].value = jet::DateTime{*to};
    plan.params[0].kind = plan.params[1].kind = ColumnType::datetime;
    if (!t.where.empty()) {
        auto q = jet::parse_query(t.table + " where " + t.where);
        if (!q) return bad_query(q.error().message);
        if (auto s = check_columns(*q->where, spec); !s) return s.failure();
        Translator translate(spec, plan.params);
        auto where = translate.condition(*q->where);
        if (!where) return bad_query("the server cannot count by that condition");
        sql += " AND " + *where;
    }
    if (!keys.empty()) sql += " GROUP BY " + keys;
    plan.sql = std::move(sql);
    return plan;
}

}  // namespace odbc
