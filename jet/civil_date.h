#pragma once

#include <cstdint>

namespace jet {

// A date of the proleptic Gregorian calendar.
struct CivilDate {
    std::int64_t year;
    unsigned month;  // 1..12
    unsigned day;    // 1..31

    friend bool operator==(const CivilDate&, const CivilDate&) = default;
};

// The engine counts days from 1899-12-30, which is this many days before 1970-01-01.
inline constexpr std::int64_t kEngineEpochOffset = 25569;

// Days since 1970-01-01 to a date, and back. Exact for any day count whose
// year fits in 64 bits with room to spare (|days| below 2^60).
CivilDate civil_from_days(std::int64_t days);
std::int64_t days_from_civil(const CivilDate& date);

}  // namespace jet
