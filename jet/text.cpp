#include "jet/text.h"

namespace jet {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Reads one code point from UTF-8; malformed input yields U+FFFD and moves on by one byte.
char32_t next_code_point(std::string_view s, std::size_t& i) {
    auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    int len = b0 >= 0xF0 && b0 < 0xF5 ? 4 : b0 >= 0xE0 ? 3 : b0 >= 0xC2 && b0 < 0xE0 ? 2 : 0;
    if (len == 0 || i + static_cast<std::size_t>(len) > s.size()) {
        ++i;
        return kReplacement;
    }
    char32_t cp = b0 & (0x7F >> len);
    for (int k = 1; k < len; ++k) {
        auto b = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return kReplacement;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    static constexpr char32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return kReplacement;
    }
    i += static_cast<std::size_t>(len);
    return cp;
}

void append_utf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Simple case folding for the scripts with letter case that IDs and notes use.
char32_t fold(char32_t c) {
    if (c >= 'A' && c <= 'Z') return c + 32;
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 32;
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 &&
        c != 0x17F) {
        bool even_upper = (c < 0x138) || (c > 0x149 && c < 0x178);
        if (even_upper ? (c % 2 == 0) : (c % 2 == 1)) return c + 1;
        return c;
    }
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;
    if (c >= 0x410 && c <= 0x42F) return c + 32;
    if (c >= 0x400 && c <= 0x40F) return c + 80;
    if (c >= 0xFF21 && c <= 0xFF3A) return c + 32;  // full-width Latin capitals
    return c;
}

std::u32string folded(std::string_view s) {
    std::u32string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();)
        out.push_back(fold(next_code_point(s, i)));
    return out;
}

}  // namespace

std::u16string utf8_to_utf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t cp = next_code_point(utf8, i);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

std::string utf16_to_utf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size() * 3);
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t c = utf16[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = kReplacement;
        }
        append_utf8(out, c);
    }
    return out;
}

std::string decode_text(Bytes stored) {
    std::u16string units;
    if (stored.size() >= 2 && stored[0] == 0xFF && stored[1] == 0xFE) {
        bool compressed = true;
        std::size_t i = 2;
        units.reserve(stored.size());
        while (i < stored.size()) {
            if (stored[i] == 0) {
                compressed = !compressed;
                ++i;
            } else if (compressed) {
                units.push_back(stored[i]);
                ++i;
            } else if (i + 1 < stored.size()) {
                units.push_back(static_cast<char16_t>(stored[i] | (stored[i + 1] << 8)));
                i += 2;
            } else {
                break;  // a dangling half character
            }
        }
    } else {
        units.reserve(stored.size() / 2);
        for (std::size_t i = 0; i + 1 < stored.size(); i += 2)
            units.push_back(static_cast<char16_t>(stored[i] | (stored[i + 1] << 8)));
    }
    return utf16_to_utf8(units);
}

std::vector<std::uint8_t> encode_text(std::string_view utf8, bool compress) {
    std::u16string units = utf8_to_utf16(utf8);
    std::vector<std::uint8_t> plain;
    plain.reserve(units.size() * 2);
    for (char16_t u : units) {
        plain.push_back(static_cast<std::uint8_t>(u));
        plain.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    if (!compress || units.empty()) return plain;
    // A character whose low byte is zero cannot appear in the compressed form.
    std::vector<std::uint8_t> packed{0xFF, 0xFE};
    bool compressed = true;
    for (char16_t u : units) {
        if ((u & 0xFF) == 0) return plain;
        bool one_byte = u < 0x100;
        if (one_byte != compressed) {
            packed.push_back(0);
            compressed = one_byte;
        }
        packed.push_back(static_cast<std::uint8_t>(u));
        if (!one_byte) packed.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    return packed.size() < plain.size() ? packed : plain;
}

bool text_equal_nocase(std::string_view a, std::string_view b) {
    return text_compare_nocase(a, b) == 0;
}

int text_compare_nocase(std::string_view a, std::string_view b) {
    std::u32string fa = folded(a);
    std::u32string fb = folded(b);
    return fa < fb ? -1 : fa > fb ? 1 : 0;
}

}  // namespace jet
