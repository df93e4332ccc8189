#include "runtime/code_page_keys.h"

#include <algorithm>

namespace runtime {

namespace {

// How many bytes a character takes, from its first two: GBK's one or two, GB18030's four
// (second byte a digit), and the four of a character beyond the code page.
std::size_t char_length(unsigned char first, unsigned char second) {
    if (first < 0x80) return 1;
    return second >= 0x30 && second <= 0x39 ? 4 : 2;
}

std::uint32_t packed(std::string_view bytes) {
    std::uint32_t code = 0;
    for (std::size_t k = 0; k < 4; ++k)
        code = code << 8 | (k < bytes.size() ? static_cast<unsigned char>(bytes[k]) : 0u);
    return code;
}

// The length of a well-formed UTF-8 sequence at `s` and its code point, or 0 where the bytes
// are not one (a converter drops such bytes one at a time).
std::size_t decode(std::string_view s, std::size_t at, char32_t& cp) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[at + k]); };
    const auto tail = [&](std::size_t k) { return at + k < s.size() && (byte(k) & 0xC0) == 0x80; };
    const unsigned char b = byte(0);
    if (b < 0x80) {
        cp = b;
        return 1;
    }
    if (b >= 0xC2 && b < 0xE0 && tail(1)) {
        cp = (char32_t{b} & 0x1Fu) << 6 | (byte(1) & 0x3Fu);
        return 2;
    }
    if (b >= 0xE0 && b < 0xF0 && tail(1) && tail(2)) {
        cp = (char32_t{b} & 0x0Fu) << 12 | (byte(1) & 0x3Fu) << 6 | (byte(2) & 0x3Fu);
        if (cp < 0x800 || (cp >= 0xD800 && cp < 0xE000)) return 0;
        return 3;
    }
    if (b >= 0xF0 && b < 0xF5 && tail(1) && tail(2) && tail(3)) {
        cp = (char32_t{b} & 0x07u) << 18 | (byte(1) & 0x3Fu) << 12 | (byte(2) & 0x3Fu) << 6 |
             (byte(3) & 0x3Fu);
        if (cp < 0x10000 || cp > 0x10FFFF) return 0;
        return 4;
    }
    return 0;
}

}  // namespace

std::string CodePageKeys::beyond_code_page(char32_t cp) {
    // 0x30 after the lead marks four bytes in all, 0x39 five (a character past the basic
    // plane): the length is known from the first two bytes, as for the code page's own.
    if (cp < 0x10000)
        return {'\xFF', '\x30', static_cast<char>(cp >> 8), static_cast<char>(cp & 0xFF)};
    return {'\xFF', '\x39', static_cast<char>(cp >> 16), static_cast<char>((cp >> 8) & 0xFF),
            static_cast<char>(cp & 0xFF)};
}

void CodePageKeys::make_table() {
    table_.assign(0x10000, 0);
    constexpr char32_t kBlock = 0x1000;
    for (char32_t first = 0; first < 0x10000; first += kBlock) {
        std::u32string points;
        for (char32_t cp = first; cp < first + kBlock; ++cp)
            if (cp < 0xD800 || cp >= 0xE000) points.push_back(cp);
        const std::string out = convert_(points);
        std::vector<std::uint32_t> codes;
        for (std::size_t at = 0; at < out.size();) {
            const auto b0 = static_cast<unsigned char>(out[at]);
            const auto b1 = static_cast<unsigned char>(at + 1 < out.size() ? out[at + 1] : 0);
            const std::size_t n = char_length(b0, b1);
            if (at + n > out.size()) break;
            codes.push_back(packed(std::string_view(out).substr(at, n)));
            at += n;
        }
        if (codes.size() == points.size()) {
            for (std::size_t k = 0; k < points.size(); ++k)
                table_[points[k]] = codes[k];
            continue;
        }
        for (char32_t cp : points) {
            std::string bytes = convert_(std::u32string_view(&cp, 1));
            if (bytes.empty() || bytes.size() > 4) bytes = beyond_code_page(cp);
            table_[cp] = packed(bytes);
        }
    }
}

SortKeys CodePageKeys::keys(std::span<const std::string_view> texts) {
    if (table_.empty()) make_table();
    std::size_t total = 0;
    for (std::string_view text : texts)
        total += text.size();
    // No character takes more than twice its UTF-8 bytes, and a character past the basic
    // plane (four UTF-8 bytes) at most five.
    SortKeys keys;
    keys.reserve(texts.size(), 0);
    std::string& out = keys.bytes();
    out.resize(2 * total);
    char* put = out.data();
    for (std::string_view text : texts) {
        for (std::size_t at = 0; at < text.size();) {
            const auto lead = static_cast<unsigned char>(text[at]);
            if (lead < 0x80) {
                *put++ = static_cast<char>(lead);  // ASCII is itself
                ++at;
                continue;
            }
            char32_t cp = 0;
            const std::size_t n = decode(text, at, cp);
            if (n == 0) {
                ++at;
                continue;
            }
            if (cp >= 0x10000) {
                std::string bytes = convert_(std::u32string_view(&cp, 1));
                if (bytes.empty() || bytes.size() > 5) bytes = beyond_code_page(cp);
                put = std::copy(bytes.begin(), bytes.end(), put);
            } else if (const std::uint32_t code = table_[cp]; code != 0) {
                const std::size_t length = char_length(static_cast<unsigned char>(code >> 24),
                                                       static_cast<unsigned char>(code >> 16));
                for (std::size_t k = 0; k < length; ++k)
                    *put++ = static_cast<char>(code >> (24 - 8 * k));
            }
            at += n;
        }
        keys.end_key(static_cast<std::size_t>(put - out.data()));
    }
    out.resize(static_cast<std::size_t>(put - out.data()));
    return keys;
}

}  // namespace runtime
