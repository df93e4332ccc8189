#pragma once
// Text inside spreadsheet XML. Characters XML cannot carry at all (control characters) are
// written as _xHHHH_, the form office programs use; a text that itself looks like such an
// escape gets its underscore escaped, so it reads back unchanged.
#include <string>
#include <string_view>

namespace formats {

std::string ooxml_escape(std::string_view text);
// Replaces every _xHHHH_ by the character it names; pairs of surrogate escapes make one
// character. Escapes that name no character (zero, a lone surrogate) stay as they are.
std::string ooxml_unescape(std::string_view text);

}  // namespace formats
