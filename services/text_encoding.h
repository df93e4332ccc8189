#pragma once

#include <string>
#include <string_view>

#include "runtime/code_pages.h"

namespace services {

// GBK bytes to UTF-8, cut at the first zero byte: the result is a C text.
std::string to_utf8(runtime::CodePageAdapter& code_pages, std::string_view gbk);
std::string to_utf8(std::string_view gbk);

// The program's UTF-8 text to GBK bytes, for the places that want them
// (the exported sheet, the profile page address).
std::string to_gbk(runtime::CodePageAdapter& code_pages, std::string_view utf8);
std::string to_gbk(std::string_view utf8);

}  // namespace services
