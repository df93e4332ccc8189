#pragma once
// The store on a database server reached through ODBC (tested with PostgreSQL and its
// "PostgreSQL Unicode" driver): the same tables, the same results as the Jet file.
#include <memory>
#include <string>

#include "engine/engine.h"

namespace odbc {

// Opens the store on the server the connection string names; on the first use of an empty
// database, makes the tables.
store::Result<std::unique_ptr<store::Engine>> open_engine(const std::string& connection_string);

}  // namespace odbc
