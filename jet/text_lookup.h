#pragma once
// Where a database finds rows by a text column's value without reading the table: indexes
// kept outside the file (jet/text_key_index.h) by whoever knows when they still hold. A query
// with such a comparison asks here first and tests every row it is given.
#include <optional>
#include <string_view>
#include <vector>

#include "jet/data_page.h"
#include "jet/table_def.h"

namespace jet {

class Database;

class TextLookup {
  public:
    virtual ~TextLookup() = default;
    // Every row of `table` whose `column` may equal `value` (letter case ignored), in storage
    // order, stale pointers allowed; nullopt when no index of the column can be trusted now.
    virtual std::optional<std::vector<RowPointer>> rows(Database& db, const TableDef& table,
                                                        const Column& column,
                                                        std::string_view value) = 0;
};

}  // namespace jet
