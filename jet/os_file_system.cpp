// OsFileSystem: files by name on POSIX and Win32; the handles themselves come from open_os_file.
#include "jet/file_system.h"
#include "jet/win32_path.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace jet {

Result<std::unique_ptr<File>> OsFileSystem::open(const std::string& path, OpenMode mode) {
    return open_os_file(path, mode);
}

#ifdef _WIN32

namespace {

Error win32_error(const char* what, DWORD code) {
    return make_error(Errc::io, std::string(what) + " failed (error " + std::to_string(code) + ")");
}

}  // namespace

Result<std::unique_ptr<File>> OsFileSystem::create(const std::string& path) {
    HANDLE h = CreateFileW(widen_path(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return win32_error("CreateFileW", GetLastError());
    CloseHandle(h);
    return open_os_file(path, OpenMode::read_write);
}

Status OsFileSystem::remove(const std::string& path) {
    std::wstring wide = widen_path(path);
    // A virus scanner or indexer may hold the file open for a moment after we close it.
    for (int attempt = 0;; ++attempt) {
        if (DeleteFileW(wide.c_str())) return {};
        DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND)
            return make_error(Errc::not_found, "no file at " + path);
        if ((code != ERROR_SHARING_VIOLATION && code != ERROR_ACCESS_DENIED) || attempt == 20)
            return win32_error("DeleteFileW", code);
        Sleep(25);
    }
}

Result<bool> OsFileSystem::exists(const std::string& path) const {
    if (GetFileAttributesW(widen_path(path).c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return false;
    return win32_error("GetFileAttributesW", code);
}

Status OsFileSystem::rename_new(const std::string& from, const std::string& to) {
    // Without MOVEFILE_REPLACE_EXISTING the move fails when `to` exists.
    if (MoveFileExW(widen_path(from).c_str(), widen_path(to).c_str(), MOVEFILE_WRITE_THROUGH))
        return {};
    return win32_error("MoveFileExW", GetLastError());
}

Status OsFileSystem::sync_directory_of(const std::string&) {
    // NTFS journals its directory changes itself; there is no directory handle to flush.
    return {};
}

Result<std::vector<std::string>> OsFileSystem::list_files(const std::string& dir) const {
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW(widen_path(dir + "\\*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND) return std::vector<std::string>{};
        if (code == ERROR_PATH_NOT_FOUND) return make_error(Errc::not_found, "no folder " + dir);
        return win32_error("FindFirstFileW", code);
    }
    std::vector<std::string> names;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        const int n =
            WideCharToMultiByte(CP_UTF8, 0, found.cFileName, -1, nullptr, 0, nullptr, nullptr);
        std::string name(static_cast<std::size_t>(n > 0 ? n : 1), '\0');
        WideCharToMultiByte(CP_UTF8, 0, found.cFileName, -1, name.data(), n, nullptr, nullptr);
        name.resize(name.find('\0'));
        names.push_back(std::move(name));
    } while (FindNextFileW(h, &found));
    FindClose(h);
    return names;
}

Status OsFileSystem::make_directory(const std::string& path) {
    if (CreateDirectoryW(widen_path(path).c_str(), nullptr)) return {};
    DWORD code = GetLastError();
    if (code == ERROR_ALREADY_EXISTS) {
        DWORD a = GetFileAttributesW(widen_path(path).c_str());
        if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY)) return {};
    }
    return win32_error("CreateDirectoryW", code);
}

#else

namespace {

Error errno_error(const char* what) {
    return make_error(Errc::io, std::string(what) + ": " + std::strerror(errno));
}

std::string directory_of(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

}  // namespace

Result<std::unique_ptr<File>> OsFileSystem::create(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return errno_error("open");
    ::close(fd);
    return open_os_file(path, OpenMode::read_write);
}

Status OsFileSystem::remove(const std::string& path) {
    if (::unlink(path.c_str()) == 0) return {};
    if (errno == ENOENT) return make_error(Errc::not_found, "no file at " + path);
    return errno_error("unlink");
}

Result<bool> OsFileSystem::exists(const std::string& path) const {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) return true;
    if (errno == ENOENT || errno == ENOTDIR) return false;
    return errno_error("stat");
}

Status OsFileSystem::rename_new(const std::string& from, const std::string& to) {
    // A hard link fails when `to` exists, where rename() would replace it.
    if (::link(from.c_str(), to.c_str()) != 0) return errno_error("link");
    if (::unlink(from.c_str()) != 0) return errno_error("unlink");
    return {};
}

Result<std::vector<std::string>> OsFileSystem::list_files(const std::string& dir) const {
    DIR* d = ::opendir(dir.c_str());
    if (!d) {
        if (errno == ENOENT) return make_error(Errc::not_found, "no folder " + dir);
        return errno_error("opendir");
    }
    std::vector<std::string> names;
    while (const dirent* e = ::readdir(d)) {
        struct stat st;
        const std::string full = dir + "/" + e->d_name;
        if (::stat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode)) names.emplace_back(e->d_name);
    }
    ::closedir(d);
    return names;
}

Status OsFileSystem::make_directory(const std::string& path) {
    if (::mkdir(path.c_str(), 0777) == 0) return {};
    struct stat st;
    if (errno == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return {};
    return errno_error("mkdir");
}

Status OsFileSystem::sync_directory_of(const std::string& path) {
    int fd = ::open(directory_of(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno_error("open directory");
    int rc = ::fsync(fd);
    int saved = errno;
    ::close(fd);
    if (rc != 0) {
        errno = saved;
        return errno_error("fsync directory");
    }
    return {};
}

#endif

}  // namespace jet
