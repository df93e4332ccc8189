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

std::string Win32CodePages::sort_key(std::string_view utf8) {
    // The Chinese (PRC) locale sorts by pinyin; its sort keys compare as plain bytes.
    const std::wstring text = to_wide(utf8, CP_UTF8);
    if (text.empty()) return {};
    const DWORD flags = LCMAP_SORTKEY | NORM_IGNORECASE | NORM_IGNOREWIDTH;
    const int n = LCMapStringEx(L"zh-CN", flags, text.c_str(), static_cast<int>(text.size()),
                                nullptr, 0, nullptr, nullptr, 0);
    if (n <= 0) return utf8_to_gbk(utf8);
    std::string key(static_cast<std::size_t>(n), '\0');
    LCMapStringEx(L"zh-CN", flags, text.c_str(), static_cast<int>(text.size()),
                  reinterpret_cast<LPWSTR>(key.data()), n, nullptr, nullptr, 0);
    // The key ends with a zero byte, which would make a shorter key compare as longer.
    while (!key.empty() && key.back() == '\0')
        key.pop_back();
    return key;
}

}  // namespace runtime::win32
