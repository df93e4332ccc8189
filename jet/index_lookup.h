#pragma once
// Finding rows by one value of an integer column through the table's index on it: a walk
// down from the root touches a few pages, however many rows the table holds. A lookup that
// cannot be trusted (no such index, a page that does not read as one, a pointer to a row no
// longer there) says so, and the caller reads the table instead.
#include <cstdint>
#include <optional>
#include <vector>

#include "jet/database.h"
#include "jet/query.h"

namespace jet {

// The rows whose column `column` holds `key`, by the ascending one-column index on it, in
// storage order (pages ascending, rows in page order) as a scan meets them; each is the
// row's first home. nullopt when the table has no such index or it cannot be followed.
std::optional<std::vector<RowPointer>> rows_with_key(Database& db, const TableDef& table,
                                                     const Column& column, std::int32_t key);

// Rows that can satisfy a condition, found without reading the table.
struct Candidates {
    std::vector<RowPointer> rows;  // in storage order
    // From the file's own index, which names live rows only: one that is not live means the
    // index cannot be trusted. An index kept in memory may name rows since deleted.
    bool from_file = true;
};

// The rows that can satisfy `where`: through the file's index when it is one comparison
// "integer column = number" the table has an index for, or through the database's text
// lookup (jet/text_lookup.h) for a "text column = 'text'" the condition requires; nullopt
// for any other condition, which needs every row read.
std::optional<Candidates> rows_for(Database& db, const TableDef& table, const Expr& where);

}  // namespace jet
