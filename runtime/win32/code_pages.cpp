#include "runtime/win32/code_pages.h"

#include <windows.h>

#include "runtime/win32/wide_text.h"

namespace runtime::win32 {

namespace {

// GB18030: the GBK superset, so characters outside GBK survive.
constexpr unsigned kGb18030 = 54936;
constexpr unsigned kGbk = 936;

}  // namespace

Win32CodePages::Win32CodePages()
    : code_page_(IsValidCodePage(kGb18030) ? kGb18030 : kGbk),
      keys_([this](std::u32string_view points) { return bytes_of(points); }) {}

std::string Win32CodePages::utf8_to_gbk(std::string_view utf8) {
    return from_wide(to_wide(utf8, CP_UTF8), code_page_);
}

std::string Win32CodePages::gbk_to_utf8(std::string_view gbk) {
    return from_wide(to_wide(gbk, code_page_), CP_UTF8);
}

std::string Win32CodePages::bytes_of(std::u32string_view points) const {
    std::wstring wide;
    wide.reserve(points.size());
    for (const char32_t cp : points) {
        if (cp < 0x10000) {
            wide += static_cast<wchar_t>(cp);
        } else {
            wide += static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10));
            wide += static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        }
    }
    if (wide.empty()) return {};
    // GB18030 holds every character and takes no default-character arguments; GBK (where the
    // system lacks GB18030) says when a character had to become its default one.
    const bool whole = code_page_ == kGb18030;
    BOOL defaulted = FALSE;
    const int n = WideCharToMultiByte(code_page_, whole ? 0 : WC_NO_BEST_FIT_CHARS, wide.data(),
                                      static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                      whole ? nullptr : &defaulted);
    if (n <= 0 || defaulted) return {};
    std::string bytes(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(code_page_, whole ? 0 : WC_NO_BEST_FIT_CHARS, wide.data(),
                        static_cast<int>(wide.size()), bytes.data(), n, nullptr, nullptr);
    return bytes;
}

SortKeys Win32CodePages::sort_keys(std::span<const std::string_view> texts) {
    const std::lock_guard lock(mutex_);
    return keys_.keys(texts);
}

std::string Win32CodePages::sort_key(std::string_view utf8) {
    const SortKeys keys = sort_keys(std::span(&utf8, 1));
    return std::string(keys[0]);
}

}  // namespace runtime::win32
