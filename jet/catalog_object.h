#pragma once
// Rows of the catalog, MSysObjects: what Access writes for each object it lists there.
#include <cstdint>
#include <string>
#include <vector>

#include "jet/table_def.h"
#include "jet/value.h"

namespace jet::catalog {

// The containers every Jet 4 file has; tables hang from the first.
inline constexpr std::int64_t kRoot = 0x0F000000;
inline constexpr std::int64_t kTablesContainer = 0x0F000001;
inline constexpr std::int64_t kDatabasesContainer = 0x0F000002;
inline constexpr std::int64_t kRelationshipsContainer = 0x0F000003;

// Object types of the Type column.
inline constexpr std::int64_t kTableObject = 1;
inline constexpr std::int64_t kDatabaseObject = 2;
inline constexpr std::int64_t kContainerObject = 3;

// Flags: the engine's own objects, and objects Access hides from its lists.
inline constexpr std::int64_t kSystemObject = -2147483648LL;  // 0x80000000
inline constexpr std::int64_t kHiddenObject = 2;

struct Object {
    std::int64_t id = 0;  // a table's: its definition page
    std::int64_t parent = kTablesContainer;
    std::string name;
    std::int64_t type = kTableObject;
    std::int64_t flags = 0;
    DateTime created;
    bool engine_owned = false;  // carries the engine's owner mark instead of Access's
};

// The object's row, one value per column of `catalog` in its column order; columns the
// object does not name stay null.
std::vector<Value> object_row(const TableDef& catalog, const Object& object);

}  // namespace jet::catalog
