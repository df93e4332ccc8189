#pragma once
// Tables as comma-separated text in the shape mdb-export prints, so the two can be compared.
#include <string>
#include <vector>

#include "jet/table_def.h"
#include "jet/value.h"

namespace jetdump {

std::string csv_header(const jet::TableDef& table);
std::string csv_line(const jet::TableDef& table, const std::vector<jet::Value>& row);
void append_csv_line(std::string& out, const jet::TableDef& table,
                     const std::vector<jet::Value>& row);
// "%m/%d/%y %H:%M:%S" of an engine date-time.
std::string export_date(double days);

}  // namespace jetdump
