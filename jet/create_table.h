#pragma once
// Adding a user table to an open, writable database: its definition, its usage maps, an empty
// root page for each index and its row in the catalog (with the catalog's own indexes), all
// staged in the pager like every other change, so that it lands with the session's commit
// or not at all.
#include "jet/database.h"
#include "jet/new_table.h"
#include "jet/result.h"
#include "jet/table_def.h"
#include "jet/value.h"

namespace jet {

// Stages the table and returns its definition; the catalog lists it as made at `created`.
// Refused, with nothing staged: a name the catalog holds already for a table or any other
// object beside the tables (exists; letter case ignored), a table layout_of refuses, a
// definition too big for its page (full), a file this engine only reads, and a catalog whose
// index of names cannot take the name (see catalog_name_index.h).
Result<TableDef> create_table(Database& db, const NewTable& table, DateTime created);

}  // namespace jet
