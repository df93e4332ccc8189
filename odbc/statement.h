#pragma once
// One SQL statement run on a connection: its values bound as parameters, never written into
// the text, and its rows read back as the Jet engine's value kinds.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/failure.h"
#include "jet/table_def.h"
#include "jet/value.h"
#include "odbc/handles.h"

namespace odbc {

struct Param {
    jet::Value value;  // null, bool, whole number, double, date-time or text
    // The column kind the value is for: what a null stands for, and whether text is long.
    jet::ColumnType kind = jet::ColumnType::text;
};

inline Param text_param(std::string text) {
    return {jet::Value{std::move(text)}, jet::ColumnType::text};
}
inline Param number_param(std::int64_t n) {
    return {jet::Value{n}, jet::ColumnType::big_integer};
}

class Query {
  public:
    explicit Query(Connection& connection);
    // Runs the statement; its ? marks take the parameters in order.
    store::Status run(std::string_view sql, const std::vector<Param>& params = {});
    // Moves to the next row of the result; false past the last.
    store::Result<bool> fetch();
    // A column of the current row (numbered from 1) as a value of that kind; null as null.
    // A date-time column is read as whole seconds since 1970 (see column_list).
    store::Result<jet::Value> get(SQLUSMALLINT column, jet::ColumnType kind);
    // Has every fetch put a column of fixed size (a whole number, a yes/no as 0 or 1, or a
    // date-time's seconds) into `value`, and SQL_NULL_DATA into `indicator` for a null.
    store::Status bind_number(SQLUSMALLINT column, std::int64_t* value, SQLLEN* indicator);
    // The same for a text column of bounded length, as UTF-16 units into `units`, which has
    // room for `room` units and a terminator.
    store::Status bind_text(SQLUSMALLINT column, char16_t* units, std::size_t room,
                            SQLLEN* indicator);
    // How many rows the statement changed.
    store::Result<std::int64_t> rows_changed();

  private:
    store::Failure failure() const;
    store::Result<jet::Value> get_text(SQLUSMALLINT column);

    Connection& connection_;
    Statement statement_;
    bool has_result_ = false;
    std::u16string text_;  // the text being read, kept to reuse its room
};

}  // namespace odbc
