#include "formats/serial_dates.h"

#include <cmath>

namespace formats {

namespace {

// 1900-03-01, where serials and days meet; 1900-01-01 in days; 10000-01-01 in days.
constexpr double kMeet = 61;
constexpr double kFirstSerialDay = 2;
constexpr double kEndOfDays = 2958466;
// Days from 1899-12-30 to 1904-01-01.
constexpr double k1904Offset = 1462;

}  // namespace

std::optional<double> serial_to_days(double serial, DateSystem system) {
    if (!std::isfinite(serial) || serial < 0) return std::nullopt;
    double days;
    if (system == DateSystem::from1904) {
        days = serial + k1904Offset;
    } else if (serial >= kMeet) {
        days = serial;
    } else if (serial >= kMeet - 1) {
        return std::nullopt;  // 1900-02-29
    } else if (serial >= 1) {
        days = serial + 1;
    } else {
        days = serial;  // a time of day alone, on the engine's day zero
    }
    if (days >= kEndOfDays) return std::nullopt;
    return days;
}

std::optional<double> days_to_serial(double days) {
    if (!std::isfinite(days) || days < kFirstSerialDay || days >= kEndOfDays) return std::nullopt;
    return days >= kMeet ? days : days - 1;
}

}  // namespace formats
