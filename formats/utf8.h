#pragma once
// UTF-8 helpers the readers share.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace formats::utf8 {

// Whether every byte belongs to a well-formed UTF-8 sequence (no overlong forms, no
// surrogates, nothing beyond U+10FFFF).
bool valid(std::string_view text);

// Decodes the code point at `at` and moves past it; nullopt (and `at` unchanged) for a byte
// that starts no well-formed sequence.
std::optional<char32_t> next(std::string_view text, std::size_t& at);

void append(std::string& out, char32_t code_point);

// Full-width ASCII forms (U+FF01..U+FF5E) and the ideographic space to their ASCII twins.
std::string to_half_width(std::string_view text);

}  // namespace formats::utf8
