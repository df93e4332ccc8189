#include "services/search_text.h"

#include "jet/text.h"

namespace services {

std::string search_key(std::string_view utf8) {
    std::string narrow;
    narrow.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        // U+FF01..U+FF5E is EF BC 81..EF BD 9E; U+3000 is E3 80 80.
        if (b == 0xEF && i + 2 < utf8.size()) {
            const auto b1 = static_cast<unsigned char>(utf8[i + 1]);
            const auto b2 = static_cast<unsigned char>(utf8[i + 2]);
            const unsigned cp = 0xF000u | ((b1 & 0x3Fu) << 6) | (b2 & 0x3Fu);
            if (cp >= 0xFF01 && cp <= 0xFF5E) {
                narrow += static_cast<char>(cp - 0xFF01 + 0x21);
                i += 2;
                continue;
            }
        }
        if (b == 0xE3 && i + 2 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) == 0x80 &&
            static_cast<unsigned char>(utf8[i + 2]) == 0x80) {
            narrow += ' ';
            i += 2;
            continue;
        }
        narrow += static_cast<char>(b);
    }
    return jet::fold_case(narrow);
}

}  // namespace services
