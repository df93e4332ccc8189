#pragma once

#include <string>
#include <string_view>

namespace services {

// The engine's date-time value: days since 1899-12-30, the fraction is the
// time of day. A negative value counts its whole days back from
// 1899-12-30 and carries the time of day as an absolute fraction, so
// -1.25 is 1899-12-29 06:00.
using DateTime = double;

// The first and last day the engine can hold: 0100-01-01 and 9999-12-31.
inline constexpr double kFirstEngineDay = -657434.0;
inline constexpr double kLastEngineDay = 2958465.0;

// Copies the pattern replacing every "%y" by the year, then every "%m" by the
// month (1..12) and every "%d" by the day (1..31), in decimal without leading
// zeros. The time of day is ignored. A value beyond the engine's range shows
// as its first or last day and a NaN as the zero date 1899-12-30, so a
// damaged value still gives a date.
std::string format_date(DateTime value, std::string_view pattern);

}  // namespace services
