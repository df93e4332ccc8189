#include "services/date_format.h"

#include <gtest/gtest.h>

#include <limits>

namespace services {
namespace {

// Serial numbers of the engine, counted from 1899-12-30.
constexpr double k2014_03_05 = 41703;
constexpr double k2014_12_31 = 42004;
constexpr double k2015_01_09 = 42013;
constexpr double k2014_01_15 = 41654;
constexpr double k2014_11_05 = 41948;

TEST(FormatDate, ListAndFileNamePatterns) {
    EXPECT_EQ(format_date(k2014_03_05, "%y-%m-%d"), "2014-3-5");
    EXPECT_EQ(format_date(k2014_12_31, "%y-%m-%d"), "2014-12-31");
    EXPECT_EQ(format_date(k2015_01_09, "%y-%m-%d"), "2015-1-9");
    EXPECT_EQ(format_date(k2014_03_05, "%y%m%d"), "201435");
    EXPECT_EQ(format_date(k2014_01_15, "%y%m%d"), "2014115");
    EXPECT_EQ(format_date(k2014_11_05, "%y%m%d"), "2014115");
    // The time of day is ignored, up to the last moment of the day.
    EXPECT_EQ(format_date(k2014_03_05 + 0.75, "%y-%m-%d"), "2014-3-5");
    EXPECT_EQ(format_date(k2014_03_05 + 0.999999, "%y-%m-%d"), "2014-3-5");
}

TEST(FormatDate, PatternTextIsKeptAndEveryKeyReplaced) {
    EXPECT_EQ(format_date(k2014_12_31, "日期：%d/%m/%y"), "日期：31/12/2014");
    EXPECT_EQ(format_date(k2014_12_31, "%y %y|%m%m|%d%d"), "2014 2014|1212|3131");
    EXPECT_EQ(format_date(k2014_12_31, "%Y %M %D %x %% 100%"), "%Y %M %D %x %% 100%");
    EXPECT_EQ(format_date(k2014_12_31, "%%y"), "%2014");
    EXPECT_EQ(format_date(k2014_12_31, ""), "");
}

TEST(FormatDate, DaysAroundTheEngineEpoch) {
    EXPECT_EQ(format_date(0, "%y-%m-%d"), "1899-12-30");  // the null date
    EXPECT_EQ(format_date(0.5, "%y-%m-%d"), "1899-12-30");
    EXPECT_EQ(format_date(1, "%y-%m-%d"), "1899-12-31");
    EXPECT_EQ(format_date(2, "%y-%m-%d"), "1900-1-1");
    // Before the epoch the whole part is the day and the fraction a time.
    EXPECT_EQ(format_date(-0.5, "%y-%m-%d"), "1899-12-30");
    EXPECT_EQ(format_date(-1, "%y-%m-%d"), "1899-12-29");
    EXPECT_EQ(format_date(-1.25, "%y-%m-%d"), "1899-12-29");
    EXPECT_EQ(format_date(-1.99, "%y-%m-%d"), "1899-12-29");
    EXPECT_EQ(format_date(-363, "%y-%m-%d"), "1899-1-1");
    EXPECT_EQ(format_date(-364, "%y-%m-%d"), "1898-12-31");
}

TEST(FormatDate, LeapYearsAndTheEndsOfTheRange) {
    EXPECT_EQ(format_date(60, "%y-%m-%d"), "1900-2-28");
    EXPECT_EQ(format_date(61, "%y-%m-%d"), "1900-3-1");  // 1900 is no leap year
    EXPECT_EQ(format_date(36584, "%y-%m-%d"), "2000-2-28");
    EXPECT_EQ(format_date(36585, "%y-%m-%d"), "2000-2-29");
    EXPECT_EQ(format_date(36586, "%y-%m-%d"), "2000-3-1");
    EXPECT_EQ(format_date(45351, "%y-%m-%d"), "2024-2-29");
    EXPECT_EQ(format_date(2958465, "%y-%m-%d"), "9999-12-31");
    EXPECT_EQ(format_date(2958465.99, "%y-%m-%d"), "9999-12-31");
    EXPECT_EQ(format_date(-657434, "%y-%m-%d"), "100-1-1");
}

TEST(FormatDate, DamagedValuesStillGiveADate) {
    constexpr double kInf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(format_date(std::numeric_limits<double>::quiet_NaN(), "%y-%m-%d"), "1899-12-30");
    EXPECT_EQ(format_date(kInf, "%y-%m-%d"), "9999-12-31");
    EXPECT_EQ(format_date(-kInf, "%y-%m-%d"), "100-1-1");
    EXPECT_EQ(format_date(1e300, "%y-%m-%d"), "9999-12-31");
    EXPECT_EQ(format_date(-1e300, "%y-%m-%d"), "100-1-1");
    EXPECT_EQ(format_date(2958466, "%y-%m-%d"), "9999-12-31");
    EXPECT_EQ(format_date(std::numeric_limits<double>::denorm_min(), "%y-%m-%d"), "1899-12-30");
}

}  // namespace
}  // namespace services
