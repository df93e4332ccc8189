#pragma once
// Text as the find box compares it: letter case folded as the store's text equality folds it,
// and the full-width forms of ASCII (Ａ, １, ：, the ideographic space) taken as the ASCII
// they stand for, as Chinese input methods type them.
#include <string>
#include <string_view>

namespace services {

std::string search_key(std::string_view utf8);
// The same, added to the end of `out`.
void append_search_key(std::string& out, std::string_view utf8);

}  // namespace services
