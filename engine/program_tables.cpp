#include "engine/program_tables.h"

#include "jet/text.h"

namespace store {

const std::vector<TableSpec>& program_tables() {
    using T = jet::ColumnType;
    static const std::vector<TableSpec> tables = {
        {kCustomerTable,
         {{"id", T::long_integer, 0, true},
          {"wang", T::text, 50, false, false, true},
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

namespace {

// A deleted customer kept a while: the customer's columns as they were, under its old number,
// and when and on which PC it was deleted.
TableSpec bin_table() {
    using T = jet::ColumnType;
    TableSpec bin{
        kBinTable,
        {{"id", T::long_integer, 0, true}, {"customer", T::long_integer, 0, false, true}}};
    const auto& customer = program_tables().front().columns;
    bin.columns.insert(bin.columns.end(), customer.begin() + 1, customer.end());
    bin.columns.push_back({"deleted_at", T::datetime, 0, false});
    bin.columns.push_back({"deleted_on", T::text, 64, false});
    return bin;
}

}  // namespace

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
          {"place", T::long_integer, 0, false},
          // 0: a tag; 1: a reason for giving a customer up.
          {"kind", T::long_integer, 0, false}}},
        bin_table(),
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
