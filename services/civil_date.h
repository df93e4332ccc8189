#pragma once

#include <cstdint>

namespace services {

// A date of the proleptic Gregorian calendar.
struct CivilDate {
    std::int64_t year;
    unsigned month;  // 1..12
    unsigned day;    // 1..31

    friend bool operator==(const CivilDate&, const CivilDate&) = default;
};

// Days since 1970-01-01 to a date, and back. Exact for any day count whose
// year fits in 64 bits with room to spare (|days| below 2^60).
CivilDate civil_from_days(std::int64_t days);
std::int64_t days_from_civil(const CivilDate& date);

}  // namespace services
