#pragma once
// One SQL statement run on a connection: its values bound as parameters, never written into
// the text, and its rows read back as the Jet engine's value kinds.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "jet/table_def.h"
#include "jet/value.h"
#include "odbc/handles.h"
#include "store/failure.h"

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
    store::Result<jet::Value> get(SQLUSMALLINT column, jet::ColumnType kind);
    // How many rows the statement changed.
    store::Result<std::int64_t> rows_changed();

  private:
    store::Failure failure() const;
    store::Result<jet::Value> get_text(SQLUSMALLINT column);

    Connection& connection_;
    Statement statement_;
    bool has_result_ = false;
};

}  // namespace odbc
