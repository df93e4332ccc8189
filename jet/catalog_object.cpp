#include "jet/catalog_object.h"

namespace jet::catalog {

namespace {

// Owner marks: the engine's own objects and everything else.
const Binary kEngineOwner{{0xA7, 0x31}};
const Binary kAccessOwner{{0xA6, 0x33}};

}  // namespace

std::vector<Value> object_row(const TableDef& catalog, const Object& object) {
    std::vector<Value> row(catalog.columns.size());
    auto put = [&](std::string_view column, Value value) {
        if (const Column* c = catalog.find_column(column))
            row[static_cast<std::size_t>(c - catalog.columns.data())] = std::move(value);
    };
    put("Id", object.id);
    put("ParentId", object.parent);
    put("Name", object.name);
    put("Type", object.type);
    put("DateCreate", object.created);
    put("DateUpdate", object.created);
    put("Owner", object.engine_owned ? kEngineOwner : kAccessOwner);
    put("Flags", object.flags);
    return row;
}

}  // namespace jet::catalog
