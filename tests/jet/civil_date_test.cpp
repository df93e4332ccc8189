#include "jet/civil_date.h"

#include <gtest/gtest.h>

namespace jet {
namespace {

bool is_leap(std::int64_t year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

unsigned month_length(std::int64_t year, unsigned month) {
    constexpr unsigned kLengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && is_leap(year) ? 29 : kLengths[month - 1];
}

TEST(CivilDate, KnownDays) {
    EXPECT_EQ(civil_from_days(0), (CivilDate{1970, 1, 1}));
    EXPECT_EQ(civil_from_days(-1), (CivilDate{1969, 12, 31}));
    EXPECT_EQ(civil_from_days(-25569), (CivilDate{1899, 12, 30}));
    EXPECT_EQ(civil_from_days(11016), (CivilDate{2000, 2, 29}));
    EXPECT_EQ(civil_from_days(2932896), (CivilDate{9999, 12, 31}));
    EXPECT_EQ(civil_from_days(-719468), (CivilDate{0, 3, 1}));
    EXPECT_EQ(civil_from_days(-719469), (CivilDate{0, 2, 29}));  // year 0 is a leap year
    EXPECT_EQ(days_from_civil({2000, 2, 29}), 11016);
    EXPECT_EQ(days_from_civil({1899, 12, 30}), -25569);
}

// Walks day by day across leap and century years in both directions of the
// epoch and checks every date follows the previous one in the calendar.
TEST(CivilDate, ConsecutiveDaysFollowTheCalendar) {
    const std::int64_t first = days_from_civil({1599, 1, 1});
    const std::int64_t last = days_from_civil({2401, 12, 31});
    CivilDate previous = civil_from_days(first);
    ASSERT_EQ(previous, (CivilDate{1599, 1, 1}));
    for (std::int64_t day = first + 1; day <= last; ++day) {
        const CivilDate date = civil_from_days(day);
        CivilDate expected = previous;
        if (++expected.day > month_length(expected.year, expected.month)) {
            expected.day = 1;
            if (++expected.month > 12) {
                expected.month = 1;
                ++expected.year;
            }
        }
        ASSERT_EQ(date, expected) << "day " << day;
        ASSERT_EQ(days_from_civil(date), day);
        previous = date;
    }
    EXPECT_EQ(previous, (CivilDate{2401, 12, 31}));
    // 1900 and 2100 have no 29 February, 1600, 2000 and 2400 have one.
    EXPECT_EQ(civil_from_days(days_from_civil({1900, 2, 28}) + 1), (CivilDate{1900, 3, 1}));
    EXPECT_EQ(civil_from_days(days_from_civil({2100, 2, 28}) + 1), (CivilDate{2100, 3, 1}));
    EXPECT_EQ(civil_from_days(days_from_civil({1600, 2, 28}) + 1), (CivilDate{1600, 2, 29}));
    EXPECT_EQ(civil_from_days(days_from_civil({2400, 2, 28}) + 1), (CivilDate{2400, 2, 29}));
}

}  // namespace
}  // namespace jet
