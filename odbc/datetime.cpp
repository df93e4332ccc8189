#include "odbc/datetime.h"

#include <cmath>
#include <cstdint>

#include "jet/civil_date.h"

namespace odbc {

namespace {

constexpr double kSecondsPerDay = 86400.0;

}  // namespace

std::optional<SQL_TIMESTAMP_STRUCT> to_timestamp(double days) {
    if (!std::isfinite(days) || std::fabs(days) > 3e6) return std::nullopt;
    const double whole = std::trunc(days);
    auto seconds =
        static_cast<std::int64_t>(std::llround(std::fabs(days - whole) * kSecondsPerDay));
    auto day = static_cast<std::int64_t>(whole);
    // The calendar moment: the day, then the time of day forward from its midnight.
    day += seconds / 86400;
    seconds %= 86400;
    const jet::CivilDate date = jet::civil_from_days(day - jet::kEngineEpochOffset);
    if (date.year < 1 || date.year > 9999) return std::nullopt;
    SQL_TIMESTAMP_STRUCT t{};
    t.year = static_cast<SQLSMALLINT>(date.year);
    t.month = static_cast<SQLUSMALLINT>(date.month);
    t.day = static_cast<SQLUSMALLINT>(date.day);
    t.hour = static_cast<SQLUSMALLINT>(seconds / 3600);
    t.minute = static_cast<SQLUSMALLINT>(seconds / 60 % 60);
    t.second = static_cast<SQLUSMALLINT>(seconds % 60);
    t.fraction = 0;
    return t;
}

double from_timestamp(const SQL_TIMESTAMP_STRUCT& t) {
    const std::int64_t day =
        jet::days_from_civil({t.year, t.month, t.day}) + jet::kEngineEpochOffset;
    const double time =
        static_cast<double>(t.hour * 3600 + t.minute * 60 + t.second) / kSecondsPerDay;
    // Before day zero the time of day still counts away from zero.
    return day < 0 ? static_cast<double>(day) - time : static_cast<double>(day) + time;
}

double from_epoch_seconds(std::int64_t seconds) {
    std::int64_t day = seconds / 86400;
    std::int64_t time = seconds % 86400;
    if (time < 0) {
        time += 86400;
        day -= 1;
    }
    day += jet::kEngineEpochOffset;
    const double fraction = static_cast<double>(time) / kSecondsPerDay;
    return day < 0 ? static_cast<double>(day) - fraction : static_cast<double>(day) + fraction;
}

std::optional<double> kept_datetime(double days) {
    auto t = to_timestamp(days);
    if (!t) return std::nullopt;
    return from_timestamp(*t);
}

}  // namespace odbc
