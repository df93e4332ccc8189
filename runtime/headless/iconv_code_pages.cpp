#include "runtime/headless/iconv_code_pages.h"

namespace runtime::headless {

namespace {

// How many bytes a GB18030 character takes, from its first two.
std::size_t gb_length(unsigned char first, unsigned char second) {
    if (first < 0x80) return 1;
    return second >= 0x30 && second <= 0x39 ? 4 : 2;
}

// A GB18030 character's bytes (at most four), first byte highest.
std::uint32_t packed(std::string_view bytes) {
    std::uint32_t code = 0;
    for (std::size_t k = 0; k < 4; ++k)
        code = code << 8 | (k < bytes.size() ? static_cast<unsigned char>(bytes[k]) : 0u);
    return code;
}

// The GB18030 bytes of every character of the basic plane (0 for the surrogates), converted
// from UTF-32 in blocks, each block one iconv call; a block whose output does not split into
// one character each is done character by character.
std::vector<std::uint32_t> gbk_table() {
    const IconvHandle to_gbk("GB18030", "UTF-32LE");
    const auto utf32 = [](char32_t cp) {
        const char le[4] = {static_cast<char>(cp & 0xFF), static_cast<char>((cp >> 8) & 0xFF), 0,
                            0};
        return std::string(le, 4);
    };
    std::vector<std::uint32_t> table(0x10000, 0);
    constexpr char32_t kBlock = 0x1000;
    for (char32_t first = 0; first < 0x10000; first += kBlock) {
        std::string in;
        std::vector<char32_t> points;
        for (char32_t cp = first; cp < first + kBlock; ++cp)
            if (cp < 0xD800 || cp >= 0xE000) {
                in += utf32(cp);
                points.push_back(cp);
            }
        const std::string out = to_gbk.convert(in);
        std::vector<std::uint32_t> codes;
        for (std::size_t at = 0; at < out.size();) {
            const auto b0 = static_cast<unsigned char>(out[at]);
            const auto b1 = static_cast<unsigned char>(at + 1 < out.size() ? out[at + 1] : 0);
            const std::size_t n = gb_length(b0, b1);
            if (at + n > out.size()) break;
            codes.push_back(packed(std::string_view(out).substr(at, n)));
            at += n;
        }
        if (codes.size() == points.size()) {
            for (std::size_t k = 0; k < points.size(); ++k)
                table[points[k]] = codes[k];
            continue;
        }
        for (char32_t cp : points) {
            const std::string bytes = to_gbk.convert(utf32(cp));
            table[cp] = bytes.empty() || bytes.size() > 4 ? 0 : packed(bytes);
        }
    }
    return table;
}

// The length of a well-formed UTF-8 sequence at `s` and its code point, or 0 where the bytes
// are not one (iconv drops such bytes one at a time).
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

IconvCodePages::IconvCodePages() : to_gbk_("GB18030", "UTF-8"), to_utf8_("UTF-8", "GB18030") {}

std::string IconvCodePages::utf8_to_gbk(std::string_view utf8) {
    const std::lock_guard lock(mutex_);
    return to_gbk_.convert(utf8);
}

std::string IconvCodePages::gbk_to_utf8(std::string_view gbk) {
    const std::lock_guard lock(mutex_);
    return to_utf8_.convert(gbk);
}

SortKeys IconvCodePages::sort_keys(std::span<const std::string_view> texts) {
    const std::lock_guard lock(mutex_);
    if (gbk_of_.empty()) gbk_of_ = gbk_table();
    std::size_t total = 0;
    for (std::string_view text : texts)
        total += text.size();
    // No character takes more than twice its UTF-8 bytes in GB18030.
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
                const std::string four = to_gbk_.convert(text.substr(at, n));
                put = std::copy(four.begin(), four.end(), put);
            } else if (const std::uint32_t code = gbk_of_[cp]; code != 0) {
                const std::size_t length = gb_length(static_cast<unsigned char>(code >> 24),
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

}  // namespace runtime::headless
