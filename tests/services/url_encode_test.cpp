#include "services/url_encode.h"

#include <gtest/gtest.h>

#include <string>

namespace services {
namespace {

using namespace std::string_literals;

TEST(UrlEncode, SafeCharactersStayAndOthersAreEscaped) {
    EXPECT_EQ(url_encode("abc_1.2-3"), "abc_1.2-3");
    EXPECT_EQ(url_encode("AZaz09"), "AZaz09");
    EXPECT_EQ(url_encode("a b"), "a%20b");
    EXPECT_EQ(url_encode("\n"), "%0A");
    EXPECT_EQ(url_encode("\r\n"), "%0D%0A");
    EXPECT_EQ(url_encode("+~*'()/?&=%#"), "%2B%7E%2A%27%28%29%2F%3F%26%3D%25%23");
    EXPECT_EQ(url_encode("\0a"s), "%00a");
    EXPECT_EQ(url_encode(""), "");
}

TEST(UrlEncode, HighByteTakesTheNextByteAlong) {
    // GBK 中 is D6 D0: two percent groups in upper-case hex.
    EXPECT_EQ(url_encode("\xD6\xD0"), "%D6%D0");
    EXPECT_EQ(url_encode("tb\xCD\xFA"
                         "1"),
              "tb%CD%FA1");
    // A second byte that is a letter or digit is escaped as well.
    EXPECT_EQ(url_encode("\x81"
                         "A"),
              "%81%41");
    EXPECT_EQ(url_encode("\x81"
                         "0b"),
              "%81%30b");
    EXPECT_EQ(url_encode("\x7F"
                         "a"),
              "%7F%61");                  // 0x7F counts as a high byte
    EXPECT_EQ(url_encode("~a"), "%7Ea");  // 0x7E does not
    // A high last byte stands alone.
    EXPECT_EQ(url_encode("ab\xD6"), "ab%D6");
    EXPECT_EQ(url_encode("\xD6\xD0\xD6"), "%D6%D0%D6");
}

TEST(UrlEncode, Utf8IdWithALetterAfterAContinuationByte) {
    // 旺 is E6 97 BA in UTF-8: E6 pairs with 97, BA then pairs with the "a".
    EXPECT_EQ(url_encode("旺a1"),
              "%E6%97%BA%61"
              "1");
    EXPECT_EQ(url_encode("旺旺b"),
              "%E6%97%BA%E6%97%BA"
              "b");
    EXPECT_EQ(url_encode("中 x"), "%E4%B8%AD%20x");
}

}  // namespace
}  // namespace services
