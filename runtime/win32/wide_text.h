#pragma once

#include <string>
#include <string_view>

namespace runtime::win32 {

// UTF-8 <-> UTF-16 at the Windows boundary. Invalid UTF-8 becomes U+FFFD,
// as MultiByteToWideChar does it. Throws std::length_error for texts longer
// than the Win32 calls accept (2 GiB).
std::wstring to_wide(std::string_view utf8);
std::string from_wide(std::wstring_view wide);

// The same for any code page Windows knows.
std::wstring to_wide(std::string_view bytes, unsigned code_page);
std::string from_wide(std::wstring_view wide, unsigned code_page);

}  // namespace runtime::win32
