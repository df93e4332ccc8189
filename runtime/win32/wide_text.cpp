#include "runtime/win32/wide_text.h"

#include <windows.h>

#include <climits>
#include <stdexcept>

namespace runtime::win32 {

namespace {

int checked_length(std::size_t size) {
    if (size > static_cast<std::size_t>(INT_MAX)) throw std::length_error("text too long");
    return static_cast<int>(size);
}

}  // namespace

std::wstring to_wide(std::string_view bytes, unsigned code_page) {
    if (bytes.empty()) return {};
    const int in_length = checked_length(bytes.size());
    const int needed = MultiByteToWideChar(code_page, 0, bytes.data(), in_length, nullptr, 0);
    if (needed <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    const int written =
        MultiByteToWideChar(code_page, 0, bytes.data(), in_length, wide.data(), needed);
    wide.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    return wide;
}

std::string from_wide(std::wstring_view wide, unsigned code_page) {
    if (wide.empty()) return {};
    const int in_length = checked_length(wide.size());
    // Flags must be 0 and the default-character arguments null for UTF-8 and
    // GB18030; with them Windows puts its default character for what it cannot map.
    const int needed =
        WideCharToMultiByte(code_page, 0, wide.data(), in_length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return {};
    std::string bytes(static_cast<std::size_t>(needed), '\0');
    const int written = WideCharToMultiByte(code_page, 0, wide.data(), in_length, bytes.data(),
                                            needed, nullptr, nullptr);
    bytes.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    return bytes;
}

std::wstring to_wide(std::string_view utf8) {
    return to_wide(utf8, CP_UTF8);
}

std::string from_wide(std::wstring_view wide) {
    return from_wide(wide, CP_UTF8);
}

}  // namespace runtime::win32
