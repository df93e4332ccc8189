#include "odbc/fold.h"

#include <algorithm>
#include <array>

#include "jet/text.h"

namespace odbc {

namespace {

std::string utf8_of(char32_t c) {
    std::u16string units;
    if (c >= 0x10000) {
        units.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
        units.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
        units.push_back(static_cast<char16_t>(c));
    }
    return jet::utf16_to_utf8(units);
}

FoldAlphabets build() {
    // The engine folds a capital onto its small letter, which its script places 1, 32 or 80
    // code points further on; those are the pairs to ask it about. The unit tests check
    // the result against the engine's equality and order over the whole basic plane.
    constexpr std::array<char32_t, 3> kDistances = {1, 32, 80};
    FoldAlphabets a;
    for (char32_t c = 1; c < 0xFFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        for (char32_t k : kDistances) {
            const char32_t small = c + k;
            if (small > 0xFFFF || (small >= 0xD800 && small <= 0xDFFF)) continue;
            if (jet::text_equal_nocase(utf8_of(c), utf8_of(small))) {
                a.from.push_back(c);
                a.to.push_back(small);
                break;
            }
        }
    }
    return a;
}

}  // namespace

const FoldAlphabets& fold_alphabets() {
    static const FoldAlphabets alphabets = build();
    return alphabets;
}

char32_t fold_char(char32_t c) {
    const FoldAlphabets& a = fold_alphabets();
    auto it = std::lower_bound(a.from.begin(), a.from.end(), c);
    if (it == a.from.end() || *it != c) return c;
    return a.to[static_cast<std::size_t>(it - a.from.begin())];
}

std::u32string fold_text(const std::u32string& text) {
    std::u32string out = text;
    for (auto& c : out)
        c = fold_char(c);
    return out;
}

}  // namespace odbc
