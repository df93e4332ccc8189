#pragma once
// The program's tables on a server: the customers (yrkb_com) and the settings (vantel_ww) as
// the Jet file holds them, and lq_schema, the version of this layout and the change counter.
// An empty database gets them; a database whose tables are not these, or that a newer version
// of the program made, is refused and left as it is.
#include <string>
#include <string_view>
#include <vector>

#include "jet/table_def.h"
#include "odbc/handles.h"
#include "store/failure.h"

namespace odbc {

inline constexpr int kSchemaVersion = 1;

struct ColumnSpec {
    std::string name;
    jet::ColumnType type;       // the kind the Jet file gives the column
    std::size_t max_units = 0;  // Text: at most this many UTF-16 units, as the file's limit
    bool autonumber = false;
};

struct TableSpec {
    std::string name;
    std::vector<ColumnSpec> columns;  // in the file's order
};

// The customer and settings tables, the only ones a source may name.
const std::vector<TableSpec>& program_tables();
// One of them by name, letter case ignored; null for any other name.
const TableSpec* find_table(std::string_view name);

// Makes sure the connected database holds this schema, creating it in an empty database.
store::Status prepare_schema(Connection& connection);

// The name of the server function that folds letter case as the Jet engine does.
inline constexpr const char* kFoldFunction = "lq_fold";
// The function's body, as the server keeps it.
std::string fold_function_body();

}  // namespace odbc
