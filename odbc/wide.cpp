#include "odbc/wide.h"

#include "jet/text.h"

namespace odbc {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "ODBC's wide text is UTF-16");

WideString to_wide(std::string_view utf8) {
    const std::u16string units = jet::utf8_to_utf16(utf8);
    return WideString(units.begin(), units.end());
}

std::string from_wide(const SQLWCHAR* units, std::size_t count) {
    std::u16string text(count, u'\0');
    for (std::size_t i = 0; i < count; ++i)
        text[i] = static_cast<char16_t>(units[i]);
    return jet::utf16_to_utf8(text);
}

std::size_t utf16_units(std::string_view utf8) {
    return jet::utf8_to_utf16(utf8).size();
}

}  // namespace odbc
