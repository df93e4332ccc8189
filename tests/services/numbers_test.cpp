#include "services/numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace services {
namespace {

TEST(TextToNumber, LongestDecimalPrefix) {
    EXPECT_EQ(text_to_number("2.0"), 2.0);
    EXPECT_EQ(text_to_number("12abc"), 12.0);
    EXPECT_EQ(text_to_number(""), 0.0);
    EXPECT_EQ(text_to_number("abc"), 0.0);
    EXPECT_EQ(text_to_number(" 2.1"), 2.1);
    EXPECT_GT(text_to_number("2.0000002"), 2.0000001);
    EXPECT_EQ(text_to_number("\t\r\n 7"), 7.0);
    EXPECT_EQ(text_to_number("-3.5x"), -3.5);
    EXPECT_EQ(text_to_number("+4"), 4.0);
    EXPECT_EQ(text_to_number("1,5"), 1.0);
    EXPECT_EQ(text_to_number("3 4"), 3.0);
    EXPECT_EQ(text_to_number("0012"), 12.0);
    EXPECT_EQ(text_to_number(".5"), 0.5);
    EXPECT_EQ(text_to_number("5."), 5.0);
    EXPECT_EQ(text_to_number("1.2.3"), 1.2);
    EXPECT_EQ(text_to_number("12号"), 12.0);
    EXPECT_EQ(text_to_number("2147483647"), 2147483647.0);
}

TEST(TextToNumber, ExponentOnlyWhenDigitsFollow) {
    EXPECT_EQ(text_to_number("1e3"), 1000.0);
    EXPECT_EQ(text_to_number("2.5E-1"), 0.25);
    EXPECT_EQ(text_to_number("1e+2x"), 100.0);
    EXPECT_EQ(text_to_number("1e"), 1.0);
    EXPECT_EQ(text_to_number("1e+"), 1.0);
    EXPECT_EQ(text_to_number("1ex"), 1.0);
    EXPECT_EQ(text_to_number("7 e3"), 7.0);
}

TEST(TextToNumber, NoNumberGivesZero) {
    for (const char* text : {".", "-", "+", "-.", " ", "e5", ".e1", "0x1A", "inf", "nan",
                             "infinity", "- 1", "--1", "+-1", "\xD6\xD0"}) {
        EXPECT_EQ(text_to_number(text), 0.0) << text;
    }
    EXPECT_EQ(text_to_number("0x1A"), 0.0);  // the leading 0 is read, the x ends it
}

TEST(TextToNumber, HugeAndTinyValues) {
    constexpr double kInf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(text_to_number("1e400"), kInf);
    EXPECT_EQ(text_to_number("-1e400"), -kInf);
    EXPECT_EQ(text_to_number("1" + std::string(400, '0')), kInf);
    EXPECT_EQ(text_to_number("1e99999999999999999999999"), kInf);
    EXPECT_EQ(text_to_number("1e-400"), 0.0);
    EXPECT_EQ(text_to_number("0." + std::string(400, '0') + "1"), 0.0);
    EXPECT_EQ(text_to_number("1e-99999999999999999999999"), 0.0);
    EXPECT_EQ(text_to_number("0.001e310"), 1e307);
    EXPECT_EQ(text_to_number("1000e-310"), 1e-307);
    EXPECT_EQ(text_to_number("0e99999"), 0.0);
}

TEST(ToInteger, TruncatesTowardZeroAndClamps) {
    EXPECT_EQ(to_integer(2.9), 2);
    EXPECT_EQ(to_integer(-2.9), -2);
    EXPECT_EQ(to_integer(2.0), 2);
    EXPECT_EQ(to_integer(-0.5), 0);
    EXPECT_EQ(to_integer(0.0), 0);
    EXPECT_EQ(to_integer(2147483647.9), 2147483647);
    EXPECT_EQ(to_integer(-2147483648.9), -2147483647 - 1);

    constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
    constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
    constexpr double kInf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(to_integer(2147483648.0), kMax);
    EXPECT_EQ(to_integer(1e300), kMax);
    EXPECT_EQ(to_integer(kInf), kMax);
    EXPECT_EQ(to_integer(-2147483649.0), kMin);
    EXPECT_EQ(to_integer(-1e300), kMin);
    EXPECT_EQ(to_integer(-kInf), kMin);
    EXPECT_EQ(to_integer(std::nan("")), 0);

    // Ids and the skin number come from list cells this way.
    EXPECT_EQ(to_integer(text_to_number("15")), 15);
    EXPECT_EQ(to_integer(text_to_number(" 33 ")), 33);
}

}  // namespace
}  // namespace services
