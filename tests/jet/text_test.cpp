// Stored text: UTF-16, Jet's compressed form, and case-insensitive comparison.
#include <gtest/gtest.h>

#include "jet/text.h"

namespace {

std::string decode(const std::vector<std::uint8_t>& b) {
    return jet::decode_text(b);
}

TEST(Text, CompressedAndPlainForms) {
    EXPECT_EQ(decode({0xFF, 0xFE, 'a', 'b', 'c'}), "abc");
    // Mode switches: "a" compressed, then 中 (U+4E2D) uncompressed, then "b" compressed.
    EXPECT_EQ(decode({0xFF, 0xFE, 'a', 0x00, 0x2D, 0x4E, 0x00, 'b'}), "a中b");
    EXPECT_EQ(decode({'O', 0, 'n', 0, 'e', 0}), "One");
    EXPECT_EQ(decode({0x2D, 0x4E, 0x87, 0x65}), "中文");
    EXPECT_EQ(decode({0x3D, 0xD8, 0x00, 0xDE}), "\xF0\x9F\x98\x80");  // a surrogate pair
    EXPECT_EQ(decode({0x3D, 0xD8}), "\xEF\xBF\xBD");                  // a lone half becomes U+FFFD
    EXPECT_EQ(decode({0xFF, 0xFE, 'a', 0x00, 0x2D}), "a");            // a dangling half character
    EXPECT_EQ(decode({}), "");

    // Encoding picks the compressed form only when it is shorter and possible.
    EXPECT_EQ(jet::encode_text("abc", true),
              (std::vector<std::uint8_t>{0xFF, 0xFE, 'a', 'b', 'c'}));
    EXPECT_EQ(jet::encode_text("abc", false), (std::vector<std::uint8_t>{'a', 0, 'b', 0, 'c', 0}));
    EXPECT_EQ(jet::encode_text("中", true), (std::vector<std::uint8_t>{0x2D, 0x4E}));
    // U+0100 has a zero low byte, which the compressed form cannot carry.
    EXPECT_EQ(jet::encode_text("aaaa\xC4\x80", true),
              (std::vector<std::uint8_t>{'a', 0, 'a', 0, 'a', 0, 'a', 0, 0x00, 0x01}));
    for (std::string s : {"buyer_42", "客户 abc 备注", "a\r\nb", "\xF0\x9F\x98\x80 x", ""}) {
        EXPECT_EQ(decode(jet::encode_text(s, true)), s);
        EXPECT_EQ(decode(jet::encode_text(s, false)), s);
    }
}

TEST(Text, Utf8Conversions) {
    EXPECT_EQ(jet::utf8_to_utf16("a中\xF0\x9F\x98\x80"),
              (std::u16string{u'a', 0x4E2D, 0xD83D, 0xDE00}));
    EXPECT_EQ(jet::utf8_to_utf16("\xC0\xAF"), (std::u16string{0xFFFD, 0xFFFD}));  // overlong
    EXPECT_EQ(jet::utf8_to_utf16("\xE4\xB8"), (std::u16string{0xFFFD, 0xFFFD}));  // cut short
    EXPECT_EQ(jet::utf8_to_utf16("\xED\xA0\x80"), (std::u16string{0xFFFD, 0xFFFD, 0xFFFD}));
}

TEST(Text, CaseInsensitiveComparison) {
    EXPECT_TRUE(jet::text_equal_nocase("ABC", "abc"));
    EXPECT_TRUE(jet::text_equal_nocase("TaoBao_Shop", "taobao_shop"));
    EXPECT_TRUE(jet::text_equal_nocase("ÄÖÜ", "äöü"));
    EXPECT_TRUE(jet::text_equal_nocase("ＡＢＣ", "ａｂｃ"));
    EXPECT_TRUE(jet::text_equal_nocase("ПРИВЕТ", "привет"));
    EXPECT_FALSE(jet::text_equal_nocase("abc", "abd"));
    EXPECT_FALSE(jet::text_equal_nocase("中文", "中午"));
    EXPECT_FALSE(jet::text_equal_nocase("abc", "abc "));
    EXPECT_LT(jet::text_compare_nocase("apple", "Banana"), 0);
    EXPECT_GT(jet::text_compare_nocase("b", "A"), 0);
}

}  // namespace
