// The operating system's files behind jet::File: POSIX natively, Win32 in the product.
#include "jet/file.h"
#include "jet/win32_path.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace jet {

#ifdef _WIN32

namespace {

Error last_error(const char* what) {
    return make_error(Errc::io,
                      std::string(what) + " failed (error " + std::to_string(GetLastError()) + ")");
}

class Win32File final : public File {
  public:
    explicit Win32File(HANDLE h) : handle_(h) {}
    ~Win32File() override { CloseHandle(handle_); }
    Win32File(const Win32File&) = delete;
    Win32File& operator=(const Win32File&) = delete;

    Result<std::uint64_t> size() const override {
        LARGE_INTEGER li;
        if (!GetFileSizeEx(handle_, &li)) return last_error("GetFileSizeEx");
        return static_cast<std::uint64_t>(li.QuadPart);
    }
    Status read_at(std::uint64_t offset, std::span<std::uint8_t> out) const override {
        std::size_t done = 0;
        while (done < out.size()) {
            OVERLAPPED ov{};
            std::uint64_t at = offset + done;
            ov.Offset = static_cast<DWORD>(at);
            ov.OffsetHigh = static_cast<DWORD>(at >> 32);
            DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(out.size() - done, 1u << 30));
            DWORD got = 0;
            if (!ReadFile(handle_, out.data() + done, chunk, &got, &ov))
                return last_error("ReadFile");
            if (got == 0) return make_error(Errc::io, "read past the end of the file");
            done += got;
        }
        return {};
    }
    Status write_at(std::uint64_t offset, std::span<const std::uint8_t> data) override {
        std::size_t done = 0;
        while (done < data.size()) {
            OVERLAPPED ov{};
            std::uint64_t at = offset + done;
            ov.Offset = static_cast<DWORD>(at);
            ov.OffsetHigh = static_cast<DWORD>(at >> 32);
            DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size() - done, 1u << 30));
            DWORD put = 0;
            if (!WriteFile(handle_, data.data() + done, chunk, &put, &ov) || put == 0)
                return last_error("WriteFile");
            done += put;
        }
        return {};
    }
    Status truncate(std::uint64_t size) override {
        LARGE_INTEGER li;
        li.QuadPart = static_cast<LONGLONG>(size);
        if (!SetFilePointerEx(handle_, li, nullptr, FILE_BEGIN) || !SetEndOfFile(handle_))
            return last_error("SetEndOfFile");
        return {};
    }
    Status sync() override {
        if (!FlushFileBuffers(handle_)) return last_error("FlushFileBuffers");
        return {};
    }

  private:
    HANDLE handle_;
};

}  // namespace

Result<std::unique_ptr<File>> open_os_file(const std::string& utf8_path, OpenMode mode) {
    std::wstring path = widen_path(utf8_path);
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return make_error(Errc::not_found, "no file at " + utf8_path);
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return make_error(Errc::not_a_database, utf8_path + " is a directory");
    DWORD access = GENERIC_READ | (mode == OpenMode::read_write ? GENERIC_WRITE : 0);
    HANDLE h = CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return last_error("CreateFileW");
    return std::unique_ptr<File>(std::make_unique<Win32File>(h));
}

#else

namespace {

Error errno_error(const char* what) {
    return make_error(Errc::io, std::string(what) + ": " + std::strerror(errno));
}

class PosixFile final : public File {
  public:
    explicit PosixFile(int fd) : fd_(fd) {}
    ~PosixFile() override { ::close(fd_); }
    PosixFile(const PosixFile&) = delete;
    PosixFile& operator=(const PosixFile&) = delete;

    Result<std::uint64_t> size() const override {
        struct stat st;
        if (::fstat(fd_, &st) != 0) return errno_error("fstat");
        return static_cast<std::uint64_t>(st.st_size);
    }
    Status read_at(std::uint64_t offset, std::span<std::uint8_t> out) const override {
        std::size_t done = 0;
        while (done < out.size()) {
            ssize_t got = ::pread(fd_, out.data() + done, out.size() - done,
                                  static_cast<off_t>(offset + done));
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) return errno_error("pread");
            if (got == 0) return make_error(Errc::io, "read past the end of the file");
            done += static_cast<std::size_t>(got);
        }
        return {};
    }
    Status write_at(std::uint64_t offset, std::span<const std::uint8_t> data) override {
        std::size_t done = 0;
        while (done < data.size()) {
            ssize_t put = ::pwrite(fd_, data.data() + done, data.size() - done,
                                   static_cast<off_t>(offset + done));
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) return errno_error("pwrite");
            done += static_cast<std::size_t>(put);
        }
        return {};
    }
    Status truncate(std::uint64_t size) override {
        if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) return errno_error("ftruncate");
        return {};
    }
    Status sync() override {
        if (::fsync(fd_) != 0) return errno_error("fsync");
        return {};
    }

  private:
    int fd_;
};

}  // namespace

Result<std::unique_ptr<File>> open_os_file(const std::string& utf8_path, OpenMode mode) {
    struct stat st;
    if (::stat(utf8_path.c_str(), &st) != 0) {
        if (errno == ENOENT) return make_error(Errc::not_found, "no file at " + utf8_path);
        return errno_error("stat");
    }
    if (S_ISDIR(st.st_mode)) return make_error(Errc::not_a_database, utf8_path + " is a directory");
    int fd =
        ::open(utf8_path.c_str(), (mode == OpenMode::read_write ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (fd < 0) return errno_error("open");
    return std::unique_ptr<File>(std::make_unique<PosixFile>(fd));
}

#endif

}  // namespace jet
