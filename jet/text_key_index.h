#pragma once
// A table's rows by the value of one text column, kept in memory: the file has no index on
// the column, and finding one value otherwise reads every row. It may name rows that do not
// hold the value (a row since deleted or changed, two texts of one hash), never too few: whoever
// asks tests every row it names.
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "jet/data_page.h"
#include "jet/database.h"
#include "jet/result.h"
#include "jet/table_def.h"

namespace jet {

class TextKeyIndex {
  public:
    // Every live row of `table` by `column`, read from the database.
    static Result<TextKeyIndex> build(Database& db, const TableDef& table, const Column& column);

    // A row now holding `value` (letter case ignored); the row's earlier value may stay named.
    void add(std::string_view value, RowPointer at);
    // The rows that may hold `value`, letter case ignored: in storage order, each once.
    std::vector<RowPointer> rows(std::string_view value) const;

  private:
    // One entry per row: the hash of its folded value above, its packed pointer below, so that
    // one sorted array of 8 bytes a row finds a value by binary search.
    static std::uint64_t entry(std::string_view value, RowPointer at);
    std::vector<std::uint64_t> sorted_;
    std::vector<std::uint64_t> recent_;  // added since the last merge, in no order
};

}  // namespace jet
