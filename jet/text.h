#pragma once
// Text as the engine stores it (UTF-16LE, optionally in Jet's compressed form) and as the
// program holds it (UTF-8).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "jet/bytes.h"

namespace jet {

std::u16string utf8_to_utf16(std::string_view utf8);
std::string utf16_to_utf8(std::u16string_view utf16);

// Decodes a stored text value: UTF-16LE, or the compressed form that starts with FF FE.
std::string decode_text(Bytes stored);
// The same into `out`, reusing its buffer.
void decode_text_into(Bytes stored, std::string& out);

// Encodes a text value for a column; `compress` chooses the compressed form where it is
// shorter and possible, as the real engine does.
std::vector<std::uint8_t> encode_text(std::string_view utf8, bool compress);

// Letter-case-insensitive equality and ordering, for comparisons in conditions.
bool text_equal_nocase(std::string_view a, std::string_view b);
int text_compare_nocase(std::string_view a, std::string_view b);
// The text with letter case folded as that equality folds it: equal texts fold alike.
std::string fold_case(std::string_view utf8);

}  // namespace jet
