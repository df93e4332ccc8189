#include "engine/program_tables.h"

#include "jet/text.h"

namespace store {

const std::vector<TableSpec>& program_tables() {
    using T = jet::ColumnType;
    static const std::vector<TableSpec> tables = {
        {kCustomerTable,
         {{"id", T::long_integer, 0, true},
          {"wang", T::text, 50, false},
          {"wang2", T::text, 50, false},
          {"time1", T::datetime, 0, false},
          {"time2", T::datetime, 0, false},
          {"bs", T::memo, 0, false},
          {"yn", T::boolean, 0, false},
          {"time3", T::datetime, 0, false}}},
        {kSettingsTable, {{"id", T::long_integer, 0, true}, {"ww", T::memo, 0, false}}},
    };
    return tables;
}

const TableSpec* find_table(std::string_view name) {
    for (const auto& t : program_tables())
        if (jet::text_equal_nocase(t.name, name)) return &t;
    return nullptr;
}

}  // namespace store
