#pragma once
// One writer at a time across processes: a second copy of the program waits briefly for
// the lock, then gets Errc::busy instead of interleaving its writes with ours.
//
// The lock is the operating system's on a byte of the database file itself, past the
// largest Jet file (LockFileEx on Windows, open-file-description locks natively), so it dies
// with its process:
// a crash leaves no stale lock and no extra file beside the database. Two locks of the
// same file exclude each other within one process too. A child made by fork() shares
// its parent's lock until it closes it.
#include <chrono>
#include <string>

#include "jet/result.h"

namespace jet {

class FileLock {
  public:
    FileLock() = default;  // holds nothing
    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock();

    bool held() const;
    // Gives the lock up before destruction.
    void release();

  private:
    friend Result<FileLock> lock_database(const std::string&, std::chrono::milliseconds);
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
};

// Takes the exclusive lock of the database at `db_path`, retrying until `wait` has
// passed; then Errc::busy. Copies take turns: a waiting copy first holds a second byte, and
// a copy that wants the lock back must queue for that byte, so one that just let go cannot
// snatch the lock again ahead of one that has been waiting. Errc::not_found when there is no such
// file.
Result<FileLock> lock_database(const std::string& db_path, std::chrono::milliseconds wait);

}  // namespace jet
