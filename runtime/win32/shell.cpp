#include "runtime/win32/shell.h"

// clang-format off
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
// clang-format on

#include <vector>

#include "runtime/win32/wide_text.h"

namespace runtime::win32 {

bool Win32Shell::open(std::string_view address) {
    if (address.empty()) return false;
    std::wstring wide = to_wide(address);
    auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}

std::string Win32Shell::program_directory() {
    // Long paths: grow the buffer until the whole name fits.
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) {
            std::wstring path(buffer.data(), n);
            auto slash = path.find_last_of(L"\\/");
            return from_wide(slash == std::wstring::npos ? path : path.substr(0, slash));
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string Win32Shell::desktop_folder() {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, path))) return {};
    return from_wide(path);
}

std::string Win32Shell::computer_name() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(name, &size)) return {};
    return from_wide(std::wstring(name, size));
}

}  // namespace runtime::win32
