#include "formats/display_width.h"

#include <algorithm>

#include "formats/utf8.h"

namespace formats {

bool is_wide(char32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) ||
           (c >= 0x3041 && c <= 0x33FF) || (c >= 0x3400 && c <= 0x4DBF) ||
           (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

std::size_t display_width(std::string_view text) {
    std::size_t widest = 0, line = 0;
    for (std::size_t at = 0; at < text.size();) {
        const auto c = utf8::next(text, at);
        if (!c) {
            ++at;
            ++line;
        } else if (*c == '\n' || *c == '\r') {
            line = 0;
        } else {
            line += is_wide(*c) ? 2 : 1;
        }
        widest = std::max(widest, line);
    }
    return widest;
}

}  // namespace formats
