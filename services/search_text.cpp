#include "services/search_text.h"

#include "jet/text.h"

namespace services {

namespace {

bool continuation(std::string_view s, std::size_t at) {
    return at < s.size() && (static_cast<unsigned char>(s[at]) & 0xC0) == 0x80;
}

char ascii_folded(unsigned char b) {
    return static_cast<char>(b >= 'A' && b <= 'Z' ? b + 32 : b);
}

}  // namespace

std::string search_key(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    append_search_key(out, utf8);
    return out;
}

void append_search_key(std::string& out, std::string_view utf8) {
    // One pass: lower-case ASCII and the common Chinese characters (U+4000..U+9FFF, lead bytes
    // E4..E9) go out as they are, a stretch at a time; only the other characters go through
    // the full case folding. A list of 100,000 notes is keyed at every load.
    std::size_t from = 0;  // the stretch not yet written began here
    bool plain = true;     // ... and goes out as it is (else folded)
    const auto flush = [&](std::size_t at) {
        if (at > from) {
            if (plain)
                out.append(utf8.substr(from, at - from));
            else
                out += jet::fold_case(utf8.substr(from, at - from));
        }
        from = at;
    };
    const auto stretch = [&](std::size_t at, bool as_is) {
        if (as_is != plain) {
            flush(at);
            plain = as_is;
        }
    };
    const auto replace = [&](std::size_t at, std::size_t length, char by) {
        flush(at);
        out += by;
        from = at + length;
        plain = true;
    };
    for (std::size_t i = 0; i < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b < 0x80) {
            if (b >= 'A' && b <= 'Z')
                replace(i, 1, static_cast<char>(b + 32));
            else
                stretch(i, true);
            ++i;
            continue;
        }
        if (b >= 0xE4 && b <= 0xE9 && continuation(utf8, i + 1) && continuation(utf8, i + 2)) {
            stretch(i, true);
            i += 3;
            continue;
        }
        // U+FF01..U+FF5E is EF BC 81..EF BD 9E; U+3000 is E3 80 80.
        if (b == 0xEF && i + 2 < utf8.size()) {
            const auto b1 = static_cast<unsigned char>(utf8[i + 1]);
            const auto b2 = static_cast<unsigned char>(utf8[i + 2]);
            const unsigned cp = 0xF000u | ((b1 & 0x3Fu) << 6) | (b2 & 0x3Fu);
            if (cp >= 0xFF01 && cp <= 0xFF5E) {
                replace(i, 3, ascii_folded(static_cast<unsigned char>(cp - 0xFF01 + 0x21)));
                i += 3;
                continue;
            }
        }
        if (b == 0xE3 && i + 2 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) == 0x80 &&
            static_cast<unsigned char>(utf8[i + 2]) == 0x80) {
            replace(i, 3, ' ');
            i += 3;
            continue;
        }
        stretch(i, false);
        ++i;
    }
    flush(utf8.size());
}

}  // namespace services
