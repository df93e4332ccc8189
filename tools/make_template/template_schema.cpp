#include "tools/make_template/template_schema.h"

#include "engine/program_tables.h"
#include "jet/catalog_object.h"
#include "jet/new_table.h"

namespace templatedb {

namespace {

using T = jet::ColumnType;
using jet::catalog::kHiddenObject;
using jet::catalog::kSystemObject;

// Column flags: 0x01 fixed length, 0x02 updatable, 0x04 AutoNumber, 0x10 the engine's own.
constexpr std::uint8_t kSysFixed = 0x13;
constexpr std::uint8_t kSysVariable = 0x12;
constexpr std::uint8_t kSysBinary = 0x32;
constexpr std::uint8_t kFixed = 0x03;
constexpr std::uint8_t kVariable = 0x02;

constexpr std::uint8_t kPrimaryKey = 0x89;
constexpr std::uint8_t kUnique = 0x81;

// The program's tables: numbered rows, each with its primary key and an index on the number,
// laid out as any table the program adds to a file later.
jet::Result<std::vector<TableSpec>> program_table_specs() {
    std::vector<TableSpec> out;
    for (const store::TableSpec& t : store::program_tables()) {
        jet::NewTable table{t.name, {}, {}};
        for (const store::ColumnSpec& c : t.columns)
            table.columns.push_back({c.name, c.type, c.max_units, c.autonumber});
        const std::string& number = t.columns.front().name;
        table.indexes = {{"PrimaryKey", number, true}, {"id", number, false}};
        JET_ASSIGN(jet::TableLayout layout, jet::layout_of(table));
        out.push_back({std::move(layout), 0, false});
    }
    return out;
}

}  // namespace

jet::Result<std::vector<TableSpec>> template_tables() {
    std::vector<TableSpec> all = {
        {{"MSysObjects",
          jet::kEngineTable,
          {{"Id", T::long_integer, 4, kSysFixed},
           {"ParentId", T::long_integer, 4, kSysFixed},
           {"Name", T::text, 510, kSysVariable},
           {"Type", T::integer, 2, kSysFixed},
           {"DateCreate", T::datetime, 8, kSysFixed},
           {"DateUpdate", T::datetime, 8, kSysFixed},
           {"Owner", T::binary, 510, kSysBinary},
           {"Flags", T::long_integer, 4, kSysFixed},
           {"Database", T::memo, 0, kSysVariable},
           {"Connect", T::memo, 0, kSysVariable},
           {"ForeignName", T::text, 510, kSysVariable},
           {"RmtInfoShort", T::binary, 510, kSysVariable},
           {"RmtInfoLong", T::ole, 0, kSysVariable},
           {"Lv", T::ole, 0, kSysVariable},
           {"LvProp", T::ole, 0, kSysVariable},
           {"LvModule", T::ole, 0, kSysVariable},
           {"LvExtra", T::ole, 0, kSysVariable}},
          // The engine also keeps a (ParentId, Name) text index here; this file goes without:
          // every reader finds objects by scanning, and an empty-handed index would mislead.
          {{"Id", {0}, kUnique, 0x01}}},
         kSystemObject,
         true},
        {{"MSysACEs",
          jet::kEngineTable,
          {{"ObjectId", T::long_integer, 4, kSysFixed},
           {"SID", T::binary, 510, kSysBinary},
           {"ACM", T::long_integer, 4, kSysFixed},
           {"FInheritable", T::boolean, 1, kSysFixed}},
          {{"ObjectId", {0}, 0x88, 0x00}}},
         kSystemObject,
         true},
        {{"MSysQueries",
          jet::kEngineTable,
          {{"ObjectId", T::long_integer, 4, kSysFixed},
           {"Attribute", T::byte, 1, kSysFixed},
           {"Order", T::binary, 510, kSysVariable},
           {"Name1", T::text, 510, kSysVariable},
           {"Name2", T::text, 510, kSysVariable},
           {"Expression", T::memo, 0, kSysVariable},
           {"Flag", T::integer, 2, kSysFixed},
           {"LvExtra", T::long_integer, 4, kSysFixed}},
          {{"ObjectIdAttribute", {0, 1, 2}, kUnique, 0x01}}},
         kSystemObject,
         true},
        {{"MSysRelationships",
          jet::kEngineTable,
          {{"szRelationship", T::text, 510, kSysVariable},
           {"grbit", T::long_integer, 4, kSysFixed},
           {"ccolumn", T::long_integer, 4, kSysFixed},
           {"icolumn", T::long_integer, 4, kSysFixed},
           {"szObject", T::text, 510, kSysVariable},
           {"szColumn", T::text, 510, kSysVariable},
           {"szReferencedObject", T::text, 510, kSysVariable},
           {"szReferencedColumn", T::text, 510, kSysVariable}},
          {{"szObject", {4}, 0x82, 0x00},
           {"szReferencedObject", {6}, 0x82, 0x00},
           {"szRelationship", {0}, 0x82, 0x00}}},
         kSystemObject,
         true},
        {{"MSysAccessObjects",
          jet::kUserTable,
          {{"Data", static_cast<T>(0x11), 3992, kFixed}, {"ID", T::long_integer, 4, kVariable}},
          {{"AOIndex", {1}, kPrimaryKey, 0x01}}},
         kHiddenObject,
         false},
        {{"MSysAccessXML",
          jet::kUserTable,
          {{"Id", T::long_integer, 4, 0x06},
           {"ObjectGuid", T::guid, 16, kVariable},
           {"ObjectName", T::text, 130, kVariable},
           {"Property", T::text, 130, kVariable},
           {"Value", T::text, 510, kVariable},
           {"LValue", T::ole, 0, kVariable}},
          {{"Id", {0}, kPrimaryKey, 0x01},
           {"ObjectGuidProperty", {1, 3}, kUnique, 0x00},
           {"ObjectNameProperty", {2, 3}, kUnique, 0x00}}},
         kHiddenObject,
         false},
    };
    JET_ASSIGN(auto program, program_table_specs());
    for (TableSpec& t : program)
        all.push_back(std::move(t));
    return all;
}

}  // namespace templatedb
