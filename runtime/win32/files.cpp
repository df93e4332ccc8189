#include "runtime/win32/files.h"

#include <windows.h>

#include <algorithm>

#include "runtime/win32/wide_text.h"

namespace runtime::win32 {

bool Win32Files::exists(std::string_view path) {
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW(to_wide(path).c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return false;
    FindClose(h);
    return true;
}

bool Win32Files::write(std::string_view path, std::span<const std::uint8_t> bytes) {
    HANDLE h = CreateFileW(to_wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD wrote = 0;
        ok = WriteFile(h, bytes.data() + done, chunk, &wrote, nullptr) && wrote == chunk;
        done += wrote;
    }
    ok = CloseHandle(h) && ok;
    return ok;
}

bool Win32Files::replace(std::string_view path, std::span<const std::uint8_t> bytes) {
    const std::wstring target = to_wide(path);
    const std::wstring beside = target + L".lq-new";
    HANDLE h = CreateFileW(beside.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD wrote = 0;
        ok = WriteFile(h, bytes.data() + done, chunk, &wrote, nullptr) && wrote == chunk;
        done += wrote;
    }
    ok = FlushFileBuffers(h) && ok;
    ok = CloseHandle(h) && ok;
    // One rename: the old file stays whole until the new one has all its bytes on the disk.
    if (!ok || !MoveFileExW(beside.c_str(), target.c_str(),
                            MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(beside.c_str());
        return false;
    }
    return true;
}

bool Win32Files::set_hidden(std::string_view path) {
    return SetFileAttributesW(to_wide(path).c_str(), FILE_ATTRIBUTE_HIDDEN) != FALSE;
}

bool Win32Files::hidden(std::string_view path) {
    DWORD a = GetFileAttributesW(to_wide(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_HIDDEN) != 0;
}

}  // namespace runtime::win32
