#pragma once
// jetdump's writing commands: one row added, or one delete statement run.
#include <string>
#include <vector>

#include "jet/result.h"

namespace jetdump {

// Adds a row to TABLE from "column=value" assignments; returns the new AutoNumber (0 when
// the table has none). Values are read by the column's kind: numbers, true/false, dates as
// "YYYY-MM-DD HH:MM:SS" (or just the date), text as given.
jet::Result<long long> insert_row(const std::string& path, const std::string& password,
                                  const std::string& table,
                                  const std::vector<std::string>& assignments);

// Runs "delete * from TABLE where ..." and returns how many rows it removed.
jet::Result<long long> execute(const std::string& path, const std::string& password,
                               const std::string& statement);

}  // namespace jetdump
