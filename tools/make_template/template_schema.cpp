#include "tools/make_template/template_schema.h"

#include "engine/program_tables.h"

namespace templatedb {

namespace {

using T = jet::ColumnType;

// Column flags: 0x01 fixed length, 0x02 updatable, 0x04 AutoNumber, 0x10 the engine's own.
constexpr std::uint8_t kSysFixed = 0x13;
constexpr std::uint8_t kSysVariable = 0x12;
constexpr std::uint8_t kSysBinary = 0x32;
constexpr std::uint8_t kFixed = 0x03;
constexpr std::uint8_t kVariable = 0x02;
constexpr std::uint8_t kAutoNumber = 0x07;
constexpr std::uint8_t kCompressed = 0x01;

constexpr std::uint8_t kPrimaryKey = 0x89;
constexpr std::uint8_t kUnique = 0x81;
constexpr std::uint8_t kDuplicatesAllowed = 0x80;

constexpr std::int64_t kSystemObject = -2147483648LL;  // 0x80000000
constexpr std::int64_t kHiddenObject = 2;

// A column of the program's own tables as the file lays it out.
ColumnSpec file_column(const store::ColumnSpec& c) {
    switch (c.type) {
        case T::text:
            return {c.name.c_str(), c.type, static_cast<std::uint16_t>(2 * c.max_units), kVariable,
                    kCompressed};
        case T::memo:
            return {c.name.c_str(), c.type, 0, kVariable, kCompressed};
        case T::long_integer:
            return {c.name.c_str(), c.type, 4, c.autonumber ? kAutoNumber : kFixed};
        case T::datetime:
            return {c.name.c_str(), c.type, 8, kFixed};
        default:
            return {c.name.c_str(), c.type, 1, kFixed};
    }
}

// The program's tables: numbered rows, each with its primary key and an index on the number.
std::vector<TableSpec> program_table_specs() {
    std::vector<TableSpec> out;
    for (const store::TableSpec& t : store::program_tables()) {
        TableSpec spec{t.name.c_str(), 0x4E, 0, false, {}, {}};
        for (const store::ColumnSpec& c : t.columns)
            spec.columns.push_back(file_column(c));
        spec.indexes = {{"PrimaryKey", {0}, kPrimaryKey, 0x01},
                        {"id", {0}, kDuplicatesAllowed, 0x00}};
        out.push_back(std::move(spec));
    }
    return out;
}

}  // namespace

const std::vector<TableSpec>& template_tables() {
    static const std::vector<TableSpec> tables = [] {
        std::vector<TableSpec> all = {
            {"MSysObjects",
             0x53,
             kSystemObject,
             true,
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
            {"MSysACEs",
             0x53,
             kSystemObject,
             true,
             {{"ObjectId", T::long_integer, 4, kSysFixed},
              {"SID", T::binary, 510, kSysBinary},
              {"ACM", T::long_integer, 4, kSysFixed},
              {"FInheritable", T::boolean, 1, kSysFixed}},
             {{"ObjectId", {0}, 0x88, 0x00}}},
            {"MSysQueries",
             0x53,
             kSystemObject,
             true,
             {{"ObjectId", T::long_integer, 4, kSysFixed},
              {"Attribute", T::byte, 1, kSysFixed},
              {"Order", T::binary, 510, kSysVariable},
              {"Name1", T::text, 510, kSysVariable},
              {"Name2", T::text, 510, kSysVariable},
              {"Expression", T::memo, 0, kSysVariable},
              {"Flag", T::integer, 2, kSysFixed},
              {"LvExtra", T::long_integer, 4, kSysFixed}},
             {{"ObjectIdAttribute", {0, 1, 2}, kUnique, 0x01}}},
            {"MSysRelationships",
             0x53,
             kSystemObject,
             true,
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
            {"MSysAccessObjects",
             0x4E,
             kHiddenObject,
             false,
             {{"Data", static_cast<T>(0x11), 3992, kFixed}, {"ID", T::long_integer, 4, kVariable}},
             {{"AOIndex", {1}, kPrimaryKey, 0x01}}},
            {"MSysAccessXML",
             0x4E,
             kHiddenObject,
             false,
             {{"Id", T::long_integer, 4, 0x06},
              {"ObjectGuid", T::guid, 16, kVariable},
              {"ObjectName", T::text, 130, kVariable},
              {"Property", T::text, 130, kVariable},
              {"Value", T::text, 510, kVariable},
              {"LValue", T::ole, 0, kVariable}},
             {{"Id", {0}, kPrimaryKey, 0x01},
              {"ObjectGuidProperty", {1, 3}, kUnique, 0x00},
              {"ObjectNameProperty", {2, 3}, kUnique, 0x00}}},
        };
        for (TableSpec& t : program_table_specs())
            all.push_back(std::move(t));
        return all;
    }();
    return tables;
}

}  // namespace templatedb
