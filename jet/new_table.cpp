#include "jet/new_table.h"

#include <utility>

#include "jet/text.h"

namespace jet {

namespace {

constexpr std::size_t kMaxNameUnits = 64;
constexpr std::size_t kMaxColumns = 255;
constexpr std::size_t kMaxTextUnits = 255;

// Column flags as Access sets them on a new table's columns.
constexpr std::uint8_t kFixed = column_flag::fixed | column_flag::nullable;
constexpr std::uint8_t kVariable = column_flag::nullable;
constexpr std::uint8_t kAutoNumber = kFixed | column_flag::autonumber;
constexpr std::uint8_t kCompressed = 0x01;

// Index flags: every index has 0x80; a primary key is unique (0x01) and required (0x08).
constexpr std::uint8_t kPrimaryKeyFlags = 0x89;
constexpr std::uint8_t kDuplicatesAllowed = 0x80;
constexpr std::uint8_t kPrimaryKeyType = 0x01;

Error refused(std::string what) {
    return make_error(Errc::type_mismatch, std::move(what));
}

Result<ColumnLayout> column_layout(const NewColumn& c) {
    if (c.autonumber && c.type != ColumnType::long_integer)
        return refused("column " + c.name + ": only a Long integer can be an AutoNumber");
    switch (c.type) {
        case ColumnType::text:
            if (c.max_units < 1 || c.max_units > kMaxTextUnits)
                return refused("column " + c.name + ": a Text column holds 1 to 255 characters");
            return ColumnLayout{c.name, c.type, static_cast<std::uint16_t>(2 * c.max_units),
                                kVariable, kCompressed};
        case ColumnType::memo:
            return ColumnLayout{c.name, c.type, 0, kVariable, kCompressed};
        case ColumnType::long_integer:
            return ColumnLayout{c.name, c.type, 4, c.autonumber ? kAutoNumber : kFixed, 0};
        case ColumnType::datetime:
        case ColumnType::double_:
            return ColumnLayout{c.name, c.type, 8, kFixed, 0};
        case ColumnType::boolean:
            return ColumnLayout{c.name, c.type, 1, kFixed, 0};
        default:
            return refused("column " + c.name + ": this engine makes no " +
                           column_type_name(c.type) + " columns");
    }
}

}  // namespace

bool valid_object_name(std::string_view name) {
    std::u16string wide = utf8_to_utf16(name);
    if (wide.empty() || wide.size() > kMaxNameUnits || wide.front() == u' ') return false;
    for (char16_t ch : wide)
        if (ch < 0x20 || ch == u'.' || ch == u'!' || ch == u'`' || ch == u'[' || ch == u']')
            return false;
    return true;
}

Result<TableLayout> layout_of(const NewTable& table) {
    if (!valid_object_name(table.name))
        return refused("no table can be named \"" + table.name + "\"");
    if (table.columns.empty() || table.columns.size() > kMaxColumns)
        return refused("a table has 1 to 255 columns");
    TableLayout out;
    out.name = table.name;
    out.table_type = kUserTable;
    bool numbered = false;
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        const NewColumn& c = table.columns[i];
        if (!valid_object_name(c.name)) return refused("no column can be named \"" + c.name + "\"");
        for (std::size_t k = 0; k < i; ++k)
            if (text_equal_nocase(table.columns[k].name, c.name))
                return refused("two columns named " + c.name);
        if (c.autonumber && std::exchange(numbered, true))
            return refused("a table has at most one AutoNumber");
        JET_ASSIGN(ColumnLayout layout, column_layout(c));
        out.columns.push_back(std::move(layout));
    }
    bool keyed = false;
    for (std::size_t i = 0; i < table.indexes.size(); ++i) {
        const NewIndex& x = table.indexes[i];
        if (!valid_object_name(x.name)) return refused("no index can be named \"" + x.name + "\"");
        for (std::size_t k = 0; k < i; ++k)
            if (text_equal_nocase(table.indexes[k].name, x.name))
                return refused("two indexes named " + x.name);
        if (x.primary_key && std::exchange(keyed, true))
            return refused("a table has at most one primary key");
        std::size_t column = 0;
        while (column < table.columns.size() &&
               !text_equal_nocase(table.columns[column].name, x.column))
            ++column;
        if (column == table.columns.size())
            return refused("index " + x.name + " names no column of the table");
        if (table.columns[column].type != ColumnType::long_integer)
            return refused("index " + x.name + ": this engine keeps indexes on Long integers only");
        out.indexes.push_back(IndexLayout{x.name,
                                          {static_cast<std::uint16_t>(column)},
                                          x.primary_key ? kPrimaryKeyFlags : kDuplicatesAllowed,
                                          x.primary_key ? kPrimaryKeyType : std::uint8_t{0}});
    }
    return out;
}

}  // namespace jet
