#include "runtime/headless/iconv_code_pages.h"
#include "runtime/code_page_keys.h"
#include "runtime/headless/iconv_handle.h"

#include <gtest/gtest.h>

#include <string>

namespace runtime::headless {
namespace {

using namespace std::string_literals;

TEST(IconvCodePages, ChineseTextHasItsGbkBytes) {
    IconvCodePages pages;
    EXPECT_EQ(pages.utf8_to_gbk("中"), "\xD6\xD0");
    EXPECT_EQ(pages.utf8_to_gbk("岚桥管家"), "\xE1\xB0\xC7\xC5\xB9\xDC\xBC\xD2");
    EXPECT_EQ(pages.utf8_to_gbk("tb_旺旺123"),
              "tb_\xCD\xFA\xCD\xFA"
              "123");
    EXPECT_EQ(pages.utf8_to_gbk("é"), "\xA8\xA6");
    EXPECT_EQ(pages.utf8_to_gbk("abc 1.2\r\n"), "abc 1.2\r\n");

    EXPECT_EQ(pages.gbk_to_utf8("\xD6\xD0"), "中");
    EXPECT_EQ(pages.gbk_to_utf8("\xE1\xB0\xC7\xC5\xB9\xDC\xBC\xD2"), "岚桥管家");
    EXPECT_EQ(pages.gbk_to_utf8("tb_\xCD\xFA\xCD\xFA"), "tb_旺旺");
    EXPECT_EQ(pages.utf8_to_gbk(""), "");
    EXPECT_EQ(pages.gbk_to_utf8(""), "");
}

TEST(IconvCodePages, CharactersOutsideGbkRoundTripInFourBytes) {
    IconvCodePages pages;
    // U+00A5 is outside GBK, U+20000 outside the BMP.
    EXPECT_EQ(pages.utf8_to_gbk("¥"), "\x81\x30\x84\x36");
    EXPECT_EQ(pages.utf8_to_gbk("𠀀"), "\x95\x32\x82\x36");
    EXPECT_EQ(pages.gbk_to_utf8("\x81\x30\x84\x36"), "¥");
    EXPECT_EQ(pages.gbk_to_utf8("\x95\x32\x82\x36"), "𠀀");
    const std::string mixed = "买家𠀀¥€中文abc";
    EXPECT_EQ(pages.gbk_to_utf8(pages.utf8_to_gbk(mixed)), mixed);
}

TEST(IconvCodePages, InvalidBytesAreDroppedAndTheRestKept) {
    IconvCodePages pages;
    EXPECT_EQ(pages.utf8_to_gbk("a\xFF"
                                "b"),
              "ab");
    EXPECT_EQ(pages.utf8_to_gbk("a\xC3(b"), "a(b");
    EXPECT_EQ(pages.utf8_to_gbk("中\xE4\xB8"), "\xD6\xD0");  // cut inside a character
    EXPECT_EQ(pages.utf8_to_gbk("\xED\xA0\x80x"), "x");      // a surrogate is no character
    EXPECT_EQ(pages.gbk_to_utf8("\xD6\xD0\xFF"
                                "a"),
              "中a");
    EXPECT_EQ(pages.gbk_to_utf8("a\xD6"), "a");  // a lead byte without its second byte
    EXPECT_EQ(pages.gbk_to_utf8("\x81\x30"), "");
    // The next conversion starts clean after a broken one.
    EXPECT_EQ(pages.gbk_to_utf8("\xD6\xD0"), "中");
    EXPECT_EQ(pages.utf8_to_gbk(std::string(3000, '\xFF')), "");
}

// Two-byte GBK is read from a table, the rest by iconv: every pair, alone and among other
// text, reads exactly as iconv reads it.
TEST(IconvCodePages, EveryTwoBytePairReadsAsIconvReadsIt) {
    IconvCodePages pages;
    const IconvHandle iconv_reads("UTF-8", "GB18030");
    std::string all;
    for (unsigned lead = 0x80; lead <= 0xFF; ++lead)
        for (unsigned trail = 0x30; trail <= 0xFF; ++trail) {
            const std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
            ASSERT_EQ(pages.gbk_to_utf8(pair), iconv_reads.convert(pair)) << lead << ' ' << trail;
            ASSERT_EQ(pages.gbk_to_utf8("a" + pair + "b"), iconv_reads.convert("a" + pair + "b"))
                << lead << ' ' << trail;
            if (lead >= 0x81 && lead <= 0xFE && trail >= 0x40 && trail != 0x7F && trail != 0xFF)
                all += pair + "\t";
        }
    EXPECT_EQ(pages.gbk_to_utf8(all), iconv_reads.convert(all));
    EXPECT_EQ(pages.gbk_to_utf8("\xD6\xD0\x81\x30\x84\x36\xCE\xC4"), "中¥文");
}

TEST(IconvCodePages, LongTextAndZeroBytesConvertWhole) {
    IconvCodePages pages;
    std::string utf8;
    std::string gbk;
    for (int i = 0; i < 5000; ++i) {
        utf8 += "中a";
        gbk +=
            "\xD6\xD0"
            "a";
    }
    EXPECT_EQ(pages.utf8_to_gbk(utf8), gbk);
    EXPECT_EQ(pages.gbk_to_utf8(gbk), utf8);
    // The adapter converts bytes, zero included; cutting at zero is the caller's choice.
    EXPECT_EQ(pages.gbk_to_utf8("\xD6\xD0\0\xD6\xD0"s), "中\0中"s);
}

}  // namespace
}  // namespace runtime::headless

namespace runtime::headless {
namespace {

// The sort keys made in one call from the character table are the converter's own bytes,
// for every character of the basic plane and for broken text alike.
TEST(IconvCodePages, SortKeysOfManyTextsAreTheirGbkBytes) {
    IconvCodePages pages;
    std::vector<std::string> texts = {"",
                                      "中",
                                      "tb_旺旺123",
                                      "é¥€",
                                      "买家𠀀¥€中文abc",
                                      "a\xFF"
                                      "b",
                                      "a\xC3(b",
                                      "中\xE4\xB8",
                                      "\xED\xA0\x80x",
                                      "Ａｂ\x00c"s,
                                      std::string(3000, '\xFF'),
                                      "\xF4\x90\x80\x80z"};
    const std::size_t mixed = texts.size();  // the texts before the plane's characters
    // Every character of the plane, its UTF-8 made by iconv itself.
    const IconvHandle to_utf8("UTF-8", "UTF-32LE");
    for (char32_t cp = 1; cp < 0x10000; ++cp) {
        if (cp >= 0xD800 && cp < 0xE000) continue;
        const unsigned char le[4] = {static_cast<unsigned char>(cp),
                                     static_cast<unsigned char>(cp >> 8), 0, 0};
        texts.push_back(to_utf8.convert(std::string_view(reinterpret_cast<const char*>(le), 4)));
    }
    const std::vector<std::string_view> views(texts.begin(), texts.end());
    const SortKeys keys = pages.sort_keys(views);
    ASSERT_EQ(keys.size(), texts.size());
    int beyond = 0;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        std::string want = pages.utf8_to_gbk(texts[i]);
        // The few characters GB18030 lacks (some of the private use area) sort after all it
        // has, each by its code point, rather than vanish from the key.
        if (want.empty() && i >= mixed) {
            ++beyond;
            want = CodePageKeys::beyond_code_page(
                static_cast<char32_t>(i - mixed + 1 + (i - mixed + 1 >= 0xD800 ? 0x800 : 0)));
        }
        ASSERT_EQ(keys[i], want) << "text " << i;
    }
    EXPECT_LT(beyond, 100);
}

}  // namespace
}  // namespace runtime::headless
