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

// The name of the server function that folds letter case as the Jet engine does.
inline constexpr const char* kFoldFunction = "lq_fold";
// The function's body, as the server keeps it.
std::string fold_function_body();

}  // namespace odbc
