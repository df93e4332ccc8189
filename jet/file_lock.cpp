#include "jet/file_lock.h"
#include "jet/win32_path.h"

#include <thread>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace jet {

namespace {

constexpr std::chrono::milliseconds kRetryEvery{2};

enum class Attempt { taken, held_elsewhere, failed };

}  // namespace

#ifdef _WIN32

namespace {

// Jet files end before 2 GiB, so no read or write of the file ever meets this byte:
// Windows locks are mandatory and would otherwise block our own reads.
constexpr DWORD kLockOffsetLow = 0x80000000u;
// The byte a copy holds while it waits for the lock, see lock_database.
constexpr DWORD kQueueOffsetLow = kLockOffsetLow + 1;

Attempt try_lock(HANDLE h, DWORD offset) {
    OVERLAPPED ov{};
    ov.Offset = offset;
    if (LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &ov))
        return Attempt::taken;
    DWORD code = GetLastError();
    return code == ERROR_LOCK_VIOLATION || code == ERROR_IO_PENDING ? Attempt::held_elsewhere
                                                                    : Attempt::failed;
}

}  // namespace

FileLock::FileLock(FileLock&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        release();
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

bool FileLock::held() const {
    return handle_ != nullptr;
}

void FileLock::release() {
    if (!handle_) return;
    OVERLAPPED ov{};
    ov.Offset = kLockOffsetLow;
    UnlockFileEx(handle_, 0, 1, 0, &ov);
    CloseHandle(handle_);
    handle_ = nullptr;
}

Result<FileLock> lock_database(const std::string& db_path, std::chrono::milliseconds wait) {
    HANDLE h = CreateFileW(widen_path(db_path).c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND)
            return make_error(Errc::not_found, "no file at " + db_path);
        return make_error(Errc::io, "CreateFileW failed (error " + std::to_string(code) + ")");
    }
    FileLock lock;
    lock.handle_ = h;  // closed by the lock from here on
    auto deadline = std::chrono::steady_clock::now() + wait;
    bool queued = false;
    for (;;) {
        Attempt a = try_lock(h, queued ? kLockOffsetLow : kQueueOffsetLow);
        if (a == Attempt::taken && !queued) {
            queued = true;
            continue;
        }
        if (a == Attempt::taken) {
            OVERLAPPED ov{};
            ov.Offset = kQueueOffsetLow;
            UnlockFileEx(h, 0, 1, 0, &ov);
            return lock;
        }
        if (a == Attempt::failed)
            return make_error(Errc::io,
                              "LockFileEx failed (error " + std::to_string(GetLastError()) + ")");
        if (std::chrono::steady_clock::now() >= deadline) break;
        Sleep(static_cast<DWORD>(kRetryEvery.count()));
    }
    // Closing the handle gives up the queue byte too.
    CloseHandle(std::exchange(lock.handle_, nullptr));
    return make_error(Errc::busy, db_path + " is in use by another copy of the program");
}

#else

FileLock::FileLock(FileLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        release();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

bool FileLock::held() const {
    return fd_ >= 0;
}

void FileLock::release() {
    // Closing, not unlocking: a forked child sharing the descriptor must not drop our lock.
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

namespace {

// The same two bytes as on Windows, with open-file-description locks: unlike classic fcntl
// locks they do not vanish when another descriptor of the file in this process closes (the
// engine opens and closes the database around the lock), and unlike flock they lock bytes.
constexpr off_t kLockOffset = 0x80000000LL;
constexpr off_t kQueueOffset = kLockOffset + 1;

int set_lock(int fd, off_t offset, short type) {
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = offset;
    fl.l_len = 1;
    return ::fcntl(fd, F_OFD_SETLK, &fl);
}

}  // namespace

Result<FileLock> lock_database(const std::string& db_path, std::chrono::milliseconds wait) {
    // Write locks need a descriptor open for writing; a file we may not write is no use anyway.
    int fd = ::open(db_path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return make_error(Errc::not_found, "no file at " + db_path);
        return make_error(Errc::io, std::string("open: ") + std::strerror(errno));
    }
    FileLock lock;
    lock.fd_ = fd;  // closed by the lock from here on
    auto deadline = std::chrono::steady_clock::now() + wait;
    bool queued = false;
    for (;;) {
        if (set_lock(fd, queued ? kLockOffset : kQueueOffset, F_WRLCK) == 0) {
            if (!queued) {
                queued = true;
                continue;
            }
            (void)set_lock(fd, kQueueOffset, F_UNLCK);
            return lock;
        }
        if (errno != EAGAIN && errno != EACCES && errno != EINTR)
            return make_error(Errc::io, std::string("fcntl lock: ") + std::strerror(errno));
        if (std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(kRetryEvery);
    }
    lock.release();
    return make_error(Errc::busy, db_path + " is in use by another copy of the program");
}

#endif

FileLock::~FileLock() {
    release();
}

}  // namespace jet
