#pragma once
// The engine's date-time (a double: days since 1899-12-30; the whole part is the day, the
// fraction the time of day, also before day zero) and a server's timestamp, kept to the
// second. Years 1 to 9999 only: what the engine's own calendar allows.
#include <cstdint>
#include <optional>

#include "odbc/api.h"

namespace odbc {

std::optional<SQL_TIMESTAMP_STRUCT> to_timestamp(double days);
double from_timestamp(const SQL_TIMESTAMP_STRUCT& t);
// The same from whole seconds since 1970-01-01 00:00, as a server counts a timestamp.
double from_epoch_seconds(std::int64_t seconds);
// What a server keeps of a date-time: the value read back after storing it. nullopt when
// it cannot be stored.
std::optional<double> kept_datetime(double days);

}  // namespace odbc
