#pragma once
// UTF-8 paths as the wide strings the Win32 file calls take.
#ifdef _WIN32
#include <windows.h>

#include <string>

namespace jet {

inline std::wstring widen_path(const std::string& utf8) {
    if (utf8.empty()) return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

}  // namespace jet
#endif
