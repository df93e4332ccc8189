#include "jet/civil_date.h"

namespace jet {

// The calendar is counted in 400-year eras starting on 1 March, so the leap
// day falls at the end of each year and every era has 146097 days.

CivilDate civil_from_days(std::int64_t days) {
    const std::int64_t z = days + 719468;  // day 0 = 0000-03-01
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t day_of_era = z - era * 146097;  // 0..146096
    const std::int64_t year_of_era =
        (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
    const std::int64_t day_of_year =
        day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);  // 0..365
    const std::int64_t month_from_march = (5 * day_of_year + 2) / 153;           // 0..11
    const auto day = static_cast<unsigned>(day_of_year - (153 * month_from_march + 2) / 5 + 1);
    const auto month =
        static_cast<unsigned>(month_from_march < 10 ? month_from_march + 3 : month_from_march - 9);
    const std::int64_t year = year_of_era + era * 400 + (month <= 2 ? 1 : 0);
    return {year, month, day};
}

std::int64_t days_from_civil(const CivilDate& date) {
    const std::int64_t year = date.year - (date.month <= 2 ? 1 : 0);
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t year_of_era = year - era * 400;  // 0..399
    const std::int64_t month = date.month;
    const std::int64_t day_of_year =
        (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + date.day - 1;
    const std::int64_t day_of_era =
        year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return era * 146097 + day_of_era - 719468;
}

}  // namespace jet
