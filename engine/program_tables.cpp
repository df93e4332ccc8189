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

const std::vector<TableSpec>& own_tables() {
    using T = jet::ColumnType;
    static const std::vector<TableSpec> tables = {
        // `wang` repeats the customer's ID: a number freed by another program's delete and
        // handed out again after a compaction must not inherit a stranger's next step.
        {kBuyerTable,
         {{"id", T::long_integer, 0, true},
          {"customer", T::long_integer, 0, false, true},
          {"wang", T::text, 50, false},
          {"next_date", T::datetime, 0, false},
          {"gave_up", T::datetime, 0, false},
          {"reason", T::text, 50, false},
          {"tags", T::text, 255, false}}},
        {kLogTable,
         {{"id", T::long_integer, 0, true},
          {"customer", T::long_integer, 0, false, true},
          {"at", T::datetime, 0, false},
          {"our_id", T::text, 50, false},
          {"said", T::memo, 0, false}}},
        {kTagTable,
         {{"id", T::long_integer, 0, true},
          {"name", T::text, 50, false},
          {"place", T::long_integer, 0, false}}},
        {kBinTable,
         {{"id", T::long_integer, 0, true},
          {"customer", T::long_integer, 0, false, true},
          {"wang", T::text, 50, false},
          {"wang2", T::text, 50, false},
          {"time1", T::datetime, 0, false},
          {"time2", T::datetime, 0, false},
          {"bs", T::memo, 0, false},
          {"yn", T::boolean, 0, false},
          {"time3", T::datetime, 0, false},
          {"deleted_at", T::datetime, 0, false},
          {"deleted_on", T::text, 64, false}}},
    };
    return tables;
}

const TableSpec* find_table(std::string_view name) {
    for (const auto* list : {&program_tables(), &own_tables()})
        for (const auto& t : *list)
            if (jet::text_equal_nocase(t.name, name)) return &t;
    return nullptr;
}

}  // namespace store
