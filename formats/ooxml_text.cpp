#include "formats/ooxml_text.h"

#include <cstdio>
#include <optional>

#include "formats/utf8.h"

namespace formats {

namespace {

// The four hex digits of an escape "_xHHHH_" at `at`; nullopt when there is none.
std::optional<char32_t> escape_at(std::string_view text, std::size_t at) {
    if (text.size() - at < 7 || text[at] != '_' || text[at + 1] != 'x' || text[at + 6] != '_')
        return std::nullopt;
    char32_t value = 0;
    for (std::size_t i = at + 2; i < at + 6; ++i) {
        const char c = text[i];
        unsigned d;
        if (c >= '0' && c <= '9') {
            d = static_cast<unsigned>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            d = static_cast<unsigned>(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'F') {
            d = static_cast<unsigned>(c - 'A' + 10);
        } else {
            return std::nullopt;
        }
        value = value * 16 + d;
    }
    return value;
}

bool needs_escape(char32_t c) {
    return (c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0xFFFE || c == 0xFFFF;
}

void append_escape(std::string& out, char32_t c) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "_x%04X_", static_cast<unsigned>(c));
    out += buffer;
}

}  // namespace

std::string ooxml_escape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        if (text[at] == '_' && escape_at(text, at)) {
            append_escape(out, '_');
            ++at;
            continue;
        }
        const std::size_t start = at;
        const auto cp = utf8::next(text, at);
        if (!cp) {
            out += text[at++];  // left for the XML writer to replace
        } else if (needs_escape(*cp)) {
            append_escape(out, *cp);
        } else {
            out.append(text, start, at - start);
        }
    }
    return out;
}

std::string ooxml_unescape(std::string_view text) {
    if (text.find("_x") == std::string_view::npos) return std::string(text);
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const auto c = text[at] == '_' ? escape_at(text, at) : std::nullopt;
        if (!c || *c == 0 || (*c >= 0xDC00 && *c <= 0xDFFF)) {
            out += text[at++];
            continue;
        }
        if (*c >= 0xD800 && *c <= 0xDBFF) {
            const auto low = escape_at(text, at + 7);
            if (!low || *low < 0xDC00 || *low > 0xDFFF) {
                out += text[at++];
                continue;
            }
            utf8::append(out, 0x10000 + ((*c - 0xD800) << 10) + (*low - 0xDC00));
            at += 14;
            continue;
        }
        utf8::append(out, *c);
        at += 7;
    }
    return out;
}

}  // namespace formats
