// The find box's keys: the one-pass keying gives exactly what narrowing the full-width forms
// and then folding the whole text gives, for every character and for broken UTF-8.
#include "services/search_text.h"

#include <gtest/gtest.h>

#include <random>

#include "jet/text.h"

namespace {

// The plain definition: full-width ASCII and the ideographic space narrowed, then the text
// folded as the store folds it.
std::string by_definition(std::string_view utf8) {
    std::string narrow;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b == 0xEF && i + 2 < utf8.size()) {
            const unsigned cp = 0xF000u | ((static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu) << 6) |
                                (static_cast<unsigned char>(utf8[i + 2]) & 0x3Fu);
            if (cp >= 0xFF01 && cp <= 0xFF5E) {
                narrow += static_cast<char>(cp - 0xFF01 + 0x21);
                i += 2;
                continue;
            }
        }
        if (b == 0xE3 && i + 2 < utf8.size() && utf8[i + 1] == '\x80' && utf8[i + 2] == '\x80') {
            narrow += ' ';
            i += 2;
            continue;
        }
        narrow += static_cast<char>(b);
    }
    return jet::fold_case(narrow);
}

TEST(SearchKey, IsTheNarrowedTextFoldedForEveryCharacterAndBrokenBytes) {
    EXPECT_EQ(services::search_key("ＡＢｃ　Tb_旺旺１２３ÀΣЖ"), "abc tb_旺旺123àσж");
    std::string all;
    for (char32_t cp = 1; cp < 0x110000; cp += cp < 0x10000 ? 1 : 97) {
        if (cp >= 0xD800 && cp < 0xE000) continue;
        all += jet::utf16_to_utf8(
            cp < 0x10000
                ? std::u16string(1, static_cast<char16_t>(cp))
                : std::u16string{static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)),
                                 static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF))});
    }
    EXPECT_EQ(services::search_key(all), by_definition(all));
    // Random bytes from the ones that matter: leads, continuations, ASCII, the full-width and
    // ideographic-space prefixes.
    const unsigned char bytes[] = {'A',  'z',  ' ',  0x80, 0x81, 0xBC, 0xBD, 0xBF, 0xC3, 0xCE,
                                   0xE0, 0xE3, 0xE4, 0xE9, 0xEF, 0xF0, 0xF4, 0xFF, 0x00, 0x9E};
    std::mt19937 random(7);
    for (int n = 0; n < 20000; ++n) {
        std::string text;
        for (std::size_t k = random() % 12; k > 0; --k)
            text += static_cast<char>(bytes[random() % std::size(bytes)]);
        ASSERT_EQ(services::search_key(text), by_definition(text))
            << ::testing::PrintToString(text);
    }
}

}  // namespace
