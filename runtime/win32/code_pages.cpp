#include "runtime/win32/code_pages.h"

#include <windows.h>

#include "runtime/win32/wide_text.h"

namespace runtime::win32 {

namespace {

// GB18030: the GBK superset, so characters outside GBK survive.
constexpr unsigned kGb18030 = 54936;
constexpr unsigned kGbk = 936;

}  // namespace

Win32CodePages::Win32CodePages() : code_page_(IsValidCodePage(kGb18030) ? kGb18030 : kGbk) {}

std::string Win32CodePages::utf8_to_gbk(std::string_view utf8) {
    return from_wide(to_wide(utf8, CP_UTF8), code_page_);
}

std::string Win32CodePages::gbk_to_utf8(std::string_view gbk) {
    return from_wide(to_wide(gbk, code_page_), CP_UTF8);
}

}  // namespace runtime::win32
