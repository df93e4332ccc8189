#pragma once
// Text between the program (UTF-8) and ODBC's wide calls (UTF-16 in SQLWCHAR units).
#include <string>
#include <string_view>

#include "odbc/api.h"

namespace odbc {

using WideString = std::basic_string<SQLWCHAR>;

// Malformed UTF-8 becomes U+FFFD, as the Jet engine stores it.
WideString to_wide(std::string_view utf8);
std::string from_wide(const SQLWCHAR* units, std::size_t count);
inline std::string from_wide(const WideString& w) {
    return from_wide(w.data(), w.size());
}

// UTF-16 units of the text: what a Text column's size limits.
std::size_t utf16_units(std::string_view utf8);

}  // namespace odbc
