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

// Writes one code point as UTF-8 at `p`; returns the end.
char* put_utf8(char* p, char32_t cp) {
    if (cp < 0x80) {
        *p++ = static_cast<char>(cp);
    } else if (cp < 0x800) {
        *p++ = static_cast<char>(0xC0 | (cp >> 6));
        *p++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        *p++ = static_cast<char>(0xE0 | (cp >> 12));
        *p++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *p++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        *p++ = static_cast<char>(0xF0 | (cp >> 18));
        *p++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        *p++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *p++ = static_cast<char>(0x80 | (cp & 0x3F));
    }
    return p;
}

// Writes `count` UTF-16 units, read by `unit_at(i)`, as UTF-8 at `p` (at most three bytes
// a unit); pairs surrogates, and a lone half becomes U+FFFD. Returns the end.
template <class UnitAt>
char* put_utf16(char* p, std::size_t count, UnitAt unit_at) {
    for (std::size_t i = 0; i < count; ++i) {
        char32_t u = unit_at(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < count) {
            char32_t lo = unit_at(i + 1);
            if (lo >= 0xDC00 && lo <= 0xDFFF) {
                p = put_utf8(p, 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00));
                ++i;
                continue;
            }
        }
        if (u >= 0x800 && (u < 0xD800 || u > 0xDFFF)) {
            // Most stored text is Chinese: three bytes each, written directly.
            p[0] = static_cast<char>(0xE0 | (u >> 12));
            p[1] = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            p[2] = static_cast<char>(0x80 | (u & 0x3F));
            p += 3;
            continue;
        }
        if (u >= 0xD800 && u <= 0xDFFF) u = kReplacement;
        p = put_utf8(p, u);
    }
    return p;
}

// UTF-16LE units stored from `b` on.
auto stored_units(const std::uint8_t* b) {
    return [b](std::size_t i) { return static_cast<char32_t>(b[2 * i] | (b[2 * i + 1] << 8)); };
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
    std::string out(utf16.size() * 3, '\0');
    char* end =
        put_utf16(out.data(), utf16.size(), [&](std::size_t i) { return char32_t{utf16[i]}; });
    out.resize(static_cast<std::size_t>(end - out.data()));
    return out;
}

std::string decode_text(Bytes stored) {
    std::string out;
    decode_text_into(stored, out);
    return out;
}

void decode_text_into(Bytes stored, std::string& out) {
    // No stored byte yields more than two bytes of UTF-8, so one allocation is enough.
    out.resize(stored.size() * 2 + 4);
    char* const begin = out.data();
    char* p = begin;
    const std::uint8_t* b = stored.data();
    const std::size_t n = stored.size();
    if (n >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
        bool compressed = true;
        std::size_t i = 2;
        while (i < n) {
            if (compressed) {
                for (; i < n && b[i] != 0; ++i) {
                    if (b[i] < 0x80) {
                        *p++ = static_cast<char>(b[i]);
                    } else {
                        *p++ = static_cast<char>(0xC0 | (b[i] >> 6));
                        *p++ = static_cast<char>(0x80 | (b[i] & 0x3F));
                    }
                }
            } else {
                std::size_t run = i;
                // Uncompressed runs end at a zero byte in a character's first position.
                while (run + 1 < n && b[run] != 0)
                    run += 2;
                p = put_utf16(p, (run - i) / 2, stored_units(b + i));
                i = run;
                if (i + 1 == n && b[i] != 0) break;  // a dangling half character
            }
            if (i < n) {
                compressed = !compressed;  // the zero byte switches modes
                ++i;
            }
        }
    } else {
        p = put_utf16(p, n / 2, stored_units(b));
    }
    out.resize(static_cast<std::size_t>(p - begin));
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

std::string fold_case(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    char buffer[4];
    for (std::size_t i = 0; i < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b < 0x80) {
            out += static_cast<char>(b >= 'A' && b <= 'Z' ? b + 32 : b);
            ++i;
            continue;
        }
        out.append(buffer, put_utf8(buffer, fold(next_code_point(utf8, i))));
    }
    return out;
}

bool text_equal_nocase(std::string_view a, std::string_view b) {
    return text_compare_nocase(a, b) == 0;
}

int text_compare_nocase(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[j]);
        if ((x | y) < 0x80) {  // both ASCII: fold without decoding
            if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
            if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
            if (x != y) return x < y ? -1 : 1;
            ++i;
            ++j;
            continue;
        }
        char32_t ca = fold(next_code_point(a, i));
        char32_t cb = fold(next_code_point(b, j));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

}  // namespace jet
