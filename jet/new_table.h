#pragma once
// A table the program asks for in its own terms (columns by kind, indexes on one Long column
// each), and the layout Access gives such a table.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "jet/result.h"
#include "jet/table_def.h"
#include "jet/table_layout.h"

namespace jet {

struct NewColumn {
    std::string name;
    ColumnType type = ColumnType::text;  // Long integer, Text, Memo, Date/Time, Yes/No or Double
    std::size_t max_units = 0;           // Text: at most this many UTF-16 units, 1 to 255
    bool autonumber = false;             // Long integer only, one a table
};

struct NewIndex {
    std::string name;
    std::string column;        // a Long integer column
    bool primary_key = false;  // unique and never null; one a table
};

struct NewTable {
    std::string name;
    std::vector<NewColumn> columns;
    std::vector<NewIndex> indexes;
};

// Whether Access takes `name` for a table, column or index: 1 to 64 characters, no leading
// blank, no control character and none of . ! ` [ ].
bool valid_object_name(std::string_view name);

// The layout Access gives the table. Refused: names Access refuses or that repeat (letter
// case ignored), kinds other than the six above, Text lengths outside 1..255, an AutoNumber
// that is not a Long integer or not alone, indexes on anything but one Long integer column,
// and more than one primary key.
Result<TableLayout> layout_of(const NewTable& table);

}  // namespace jet
