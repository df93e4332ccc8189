#pragma once
// Spreadsheet serial dates and the engine's day count (days since 1899-12-30, fraction = time).
//
// In the 1900 date system serial 1 is 1900-01-01 and serial 60 is 1900-02-29, a day that never
// was, kept from old spreadsheet programs: from serial 61 (1900-03-01) on, serials and the
// engine's days agree, below it the serial is one less than the day. In the 1904 system
// serial 0 is 1904-01-01. A 1900 serial below 1 is a time of day alone; it keeps the engine's
// day zero.
#include <optional>

namespace formats {

enum class DateSystem { from1900, from1904 };

// The day a serial stands for; nullopt for serials that are no calendar day: negative,
// 1900-02-29, past 9999-12-31, or not finite.
std::optional<double> serial_to_days(double serial, DateSystem system);

// The 1900-system serial of a day; nullopt before 1900-01-01 (where no serial is a date)
// and past 9999-12-31.
std::optional<double> days_to_serial(double days);

}  // namespace formats
