#include "formats/utf8.h"

namespace formats::utf8 {

std::optional<char32_t> next(std::string_view text, std::size_t& at) {
    if (at >= text.size()) return std::nullopt;
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) return static_cast<char32_t>(text[at++]);
    std::size_t length;
    char32_t cp;
    char32_t lowest;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, cp = lead & 0x1Fu, lowest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, cp = lead & 0x0Fu, lowest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, cp = lead & 0x07u, lowest = 0x10000;
    } else {
        return std::nullopt;
    }
    if (text.size() - at < length) return std::nullopt;
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned char c = byte(at + i);
        if ((c & 0xC0) != 0x80) return std::nullopt;
        cp = (cp << 6) | (c & 0x3Fu);
    }
    if (cp < lowest || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return std::nullopt;
    at += length;
    return cp;
}

bool valid(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        // ASCII runs are the common case.
        if (static_cast<unsigned char>(text[at]) < 0x80) {
            ++at;
            continue;
        }
        if (!next(text, at)) return false;
    }
    return true;
}

void append(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string to_half_width(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t start = at;
        const auto cp = next(text, at);
        if (!cp) {
            out += text[at++];
        } else if (*cp >= 0xFF01 && *cp <= 0xFF5E) {
            out += static_cast<char>(*cp - 0xFF01 + 0x21);
        } else if (*cp == 0x3000) {
            out += ' ';
        } else {
            out.append(text, start, at - start);
        }
    }
    return out;
}

}  // namespace formats::utf8
