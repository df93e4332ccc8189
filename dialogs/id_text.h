#pragma once
// Cleaning of typed IDs and the our-ID list kept in settings row 1.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace dialogs {

// The customer and our IDs are text columns of this many characters.
inline constexpr std::size_t kMaxIdLength = 50;

// Blanks (ASCII and full-width) trimmed at both ends, full-width colons made ASCII, spaces
// and TABs deleted, empty lines dropped and one leading line break removed. A trailing line
// break stays, so a cleaned list keeps one after its last ID.
std::string clean_id_text(std::string_view text);

// The IDs of the stored list, in order, without empty lines. The last ID counts even without
// a line end after it.
std::vector<std::string> split_our_ids(std::string_view stored);

// The entry to choose for a remembered our ID: the first equal to it, ignoring letter case,
// else the first that begins with it; -1 for none, and for an empty remembered ID.
int choose_our_id(const std::vector<std::string>& entries, std::string_view remembered);

// Blanks and TABs at either end of what was typed say nothing.
std::string trim_blanks(std::string text);

// Length as the database counts it: UTF-16 code units.
std::size_t stored_length(std::string_view utf8);

}  // namespace dialogs
