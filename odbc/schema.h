#pragma once
// The program's tables on a server: the customers (yrkb_com) and the settings (vantel_ww) as
// the Jet file holds them, and lq_schema, the version of this layout and the change counter.
// An empty database gets them; a database whose tables are not these, or that a newer version
// of the program made, is refused and left as it is.
#include <string>
#include <string_view>
#include <vector>

#include "engine/failure.h"
#include "engine/program_tables.h"
#include "odbc/handles.h"

namespace odbc {

inline constexpr int kSchemaVersion = 1;

using store::ColumnSpec;
using store::find_table;
using store::program_tables;
using store::TableSpec;

// Makes sure the connected database holds this schema, creating it in an empty database.
store::Status prepare_schema(Connection& connection);

// Whether the database holds the table `name`.
store::Result<bool> table_present(Connection& connection, std::string_view name);
// Makes one of the program's own tables (store::own_tables()) as the Jet file has it, with an
// index on each column rows are looked up by and the change counting every table of ours has.
// Run inside the caller's transaction, which keeps other writers out meanwhile.
store::Status create_own_table(Connection& connection, const TableSpec& table);

// The name of the server function that folds letter case as the Jet engine does.
inline constexpr const char* kFoldFunction = "lq_fold";
// The function's body, as the server keeps it.
std::string fold_function_body();

}  // namespace odbc
