#include "odbc/statement.h"

#include <algorithm>
#include <memory>
#include <optional>

#include "jet/text.h"
#include "odbc/datetime.h"
#include "odbc/failure_kind.h"
#include "odbc/wide.h"

namespace odbc {

namespace {

bool is_long_text(jet::ColumnType kind) {
    return kind == jet::ColumnType::memo;
}

// A parameter's bytes, held where they stay put until the statement has run.
struct Bound {
    SQLLEN indicator = 0;
    std::int64_t number = 0;
    double real = 0;
    unsigned char bit = 0;
    SQL_TIMESTAMP_STRUCT when{};
    WideString text;
};

struct Types {
    SQLSMALLINT c_type;
    SQLSMALLINT sql_type;
};

Types types_of(jet::ColumnType kind) {
    using jet::ColumnType;
    switch (kind) {
        case ColumnType::boolean:
            return {SQL_C_BIT, SQL_BIT};
        case ColumnType::byte:
        case ColumnType::integer:
        case ColumnType::long_integer:
        case ColumnType::big_integer:
            return {SQL_C_SBIGINT, SQL_BIGINT};
        case ColumnType::single:
        case ColumnType::double_:
            return {SQL_C_DOUBLE, SQL_DOUBLE};
        case ColumnType::datetime:
            return {SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP};
        case ColumnType::memo:
            return {SQL_C_WCHAR, SQL_WLONGVARCHAR};
        default:
            return {SQL_C_WCHAR, SQL_WVARCHAR};
    }
}

}  // namespace

Query::Query(Connection& connection) : connection_(connection), statement_(connection) {}

store::Failure Query::failure() const {
    store::Failure f = failure_of(
        statement_.ok() ? statement_.diagnostics() : connection_.diagnostics(), Context::working);
    // The driver words a broken link in many ways; it knows when it has one.
    if (f.kind != store::StoreFailure::unreachable && connection_.dead())
        f.kind = store::StoreFailure::unreachable;
    return f;
}

store::Status Query::run(std::string_view sql, const std::vector<Param>& params) {
    if (!statement_.ok()) return failure();
    std::vector<Bound> bound(params.size());
    for (std::size_t i = 0; i < params.size(); ++i) {
        const Param& p = params[i];
        Bound& b = bound[i];
        Types t = types_of(p.kind);
        SQLPOINTER data = nullptr;
        SQLULEN size = 0;
        SQLSMALLINT digits = 0;
        SQLLEN buffer = 0;
        if (jet::is_null(p.value)) {
            b.indicator = SQL_NULL_DATA;
            if (t.sql_type == SQL_TYPE_TIMESTAMP) size = 19;
            if (t.c_type == SQL_C_WCHAR) size = 1;
        } else if (auto v = std::get_if<bool>(&p.value)) {
            b.bit = *v ? 1 : 0;
            t = {SQL_C_BIT, SQL_BIT};
            data = &b.bit;
        } else if (auto n = std::get_if<std::int64_t>(&p.value)) {
            b.number = *n;
            t = {SQL_C_SBIGINT, SQL_BIGINT};
            data = &b.number;
        } else if (auto d = std::get_if<double>(&p.value)) {
            b.real = *d;
            t = {SQL_C_DOUBLE, SQL_DOUBLE};
            data = &b.real;
        } else if (auto when = std::get_if<jet::DateTime>(&p.value)) {
            auto stamp = to_timestamp(when->days);
            if (!stamp)
                return store::fail(store::StoreFailure::unavailable,
                                   "a date outside the years 1 to 9999 cannot be stored");
            b.when = *stamp;
            t = {SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP};
            data = &b.when;
            size = 19;
        } else if (auto s = std::get_if<std::string>(&p.value)) {
            b.text = to_wide(*s);
            if (b.text.find(SQLWCHAR{0}) != WideString::npos)
                return store::fail(store::StoreFailure::unavailable,
                                   "a text with a zero character cannot be stored");
            b.indicator = static_cast<SQLLEN>(b.text.size() * sizeof(SQLWCHAR));
            buffer = b.indicator;
            size = std::max<SQLULEN>(1, b.text.size());
            // Long texts go as long data, whatever column they are for.
            t = {SQL_C_WCHAR, is_long_text(p.kind) || b.text.size() > 4000
                                  ? SQLSMALLINT{SQL_WLONGVARCHAR}
                                  : SQLSMALLINT{SQL_WVARCHAR}};
            data = b.text.data();
        } else {
            return store::fail(store::StoreFailure::unavailable,
                               "a value of this kind cannot be sent to the server");
        }
        const SQLRETURN rc =
            SQLBindParameter(statement_.get(), static_cast<SQLUSMALLINT>(i + 1), SQL_PARAM_INPUT,
                             t.c_type, t.sql_type, size, digits, data, buffer, &b.indicator);
        if (!succeeded(rc)) return failure();
    }
    WideString text = to_wide(sql);
    const SQLRETURN rc =
        SQLExecDirectW(statement_.get(), text.data(), static_cast<SQLINTEGER>(text.size()));
    // No rows to change is no failure.
    std::optional<store::Failure> failed;
    if (!succeeded(rc) && rc != SQL_NO_DATA) failed = failure();
    // The bound bytes go with this call: nothing may point at them afterwards.
    SQLFreeStmt(statement_.get(), SQL_RESET_PARAMS);
    if (failed) return *failed;
    // A statement that changed no rows answers "no data" and leaves no result, even an
    // UPDATE ... RETURNING: no rows to fetch, then.
    SQLSMALLINT columns = 0;
    if (rc != SQL_NO_DATA && !succeeded(SQLNumResultCols(statement_.get(), &columns)))
        return failure();
    has_result_ = columns > 0;
    return {};
}

store::Result<bool> Query::fetch() {
    if (!has_result_) return false;
    const SQLRETURN rc = SQLFetch(statement_.get());
    if (rc == SQL_NO_DATA) return false;
    if (!succeeded(rc)) return failure();
    return true;
}

store::Result<std::int64_t> Query::rows_changed() {
    SQLLEN count = 0;
    if (!succeeded(SQLRowCount(statement_.get(), &count))) return failure();
    return static_cast<std::int64_t>(count);
}

store::Status Query::bind_number(SQLUSMALLINT column, std::int64_t* value, SQLLEN* indicator) {
    if (!succeeded(
            SQLBindCol(statement_.get(), column, SQL_C_SBIGINT, value, sizeof *value, indicator)))
        return failure();
    return {};
}

store::Status Query::bind_text(SQLUSMALLINT column, char16_t* units, std::size_t room,
                               SQLLEN* indicator) {
    static_assert(sizeof(char16_t) == sizeof(SQLWCHAR));
    if (!succeeded(SQLBindCol(statement_.get(), column, SQL_C_WCHAR, units,
                              static_cast<SQLLEN>((room + 1) * sizeof(SQLWCHAR)), indicator)))
        return failure();
    return {};
}

store::Result<jet::Value> Query::get_text(SQLUSMALLINT column) {
    // The driver writes UTF-16 units, which char16_t holds as SQLWCHAR does.
    static_assert(sizeof(char16_t) == sizeof(SQLWCHAR));
    text_.clear();
    char16_t chunk[2048];
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc =
            SQLGetData(statement_.get(), column, SQL_C_WCHAR, chunk, sizeof chunk, &indicator);
        if (rc == SQL_NO_DATA) break;
        if (!succeeded(rc)) return failure();
        if (indicator == SQL_NULL_DATA) return jet::Value{};
        const std::size_t room = std::size(chunk) - 1;  // one unit for the terminator
        const bool more = indicator == SQL_NO_TOTAL ||
                          static_cast<std::size_t>(indicator) / sizeof(SQLWCHAR) > room;
        const std::size_t units =
            more ? room : static_cast<std::size_t>(indicator) / sizeof(SQLWCHAR);
        text_.append(chunk, units);
        if (!more) break;
    }
    return jet::Value{jet::utf16_to_utf8(text_)};
}

store::Result<jet::Value> Query::get(SQLUSMALLINT column, jet::ColumnType kind) {
    using jet::ColumnType;
    SQLLEN indicator = 0;
    SQLRETURN rc = SQL_SUCCESS;
    switch (kind) {
        case ColumnType::boolean: {
            unsigned char bit = 0;
            rc = SQLGetData(statement_.get(), column, SQL_C_BIT, &bit, sizeof bit, &indicator);
            if (!succeeded(rc)) return failure();
            if (indicator == SQL_NULL_DATA) return jet::Value{};
            return jet::Value{bit != 0};
        }
        case ColumnType::byte:
        case ColumnType::integer:
        case ColumnType::long_integer:
        case ColumnType::big_integer: {
            std::int64_t n = 0;
            rc = SQLGetData(statement_.get(), column, SQL_C_SBIGINT, &n, sizeof n, &indicator);
            if (!succeeded(rc)) return failure();
            if (indicator == SQL_NULL_DATA) return jet::Value{};
            return jet::Value{n};
        }
        case ColumnType::single:
        case ColumnType::double_: {
            double d = 0;
            rc = SQLGetData(statement_.get(), column, SQL_C_DOUBLE, &d, sizeof d, &indicator);
            if (!succeeded(rc)) return failure();
            if (indicator == SQL_NULL_DATA) return jet::Value{};
            return jet::Value{d};
        }
        case ColumnType::datetime: {
            std::int64_t seconds = 0;
            rc = SQLGetData(statement_.get(), column, SQL_C_SBIGINT, &seconds, sizeof seconds,
                            &indicator);
            if (!succeeded(rc)) return failure();
            if (indicator == SQL_NULL_DATA) return jet::Value{};
            return jet::Value{jet::DateTime{from_epoch_seconds(seconds)}};
        }
        default:
            return get_text(column);
    }
}

}  // namespace odbc
