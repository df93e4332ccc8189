#pragma once
// One user action's hold on a database file: locked against other copies of the program,
// recovered from an interrupted change, opened, and written only through the journal.
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "jet/database.h"
#include "jet/file.h"
#include "jet/file_lock.h"
#include "jet/file_system.h"
#include "jet/result.h"

namespace jet {

class DatabaseSession {
  public:
    // `lock_wait`: how long to wait for another holder of the file; none skips the lock
    // (for file systems that live in memory).
    static Result<std::unique_ptr<DatabaseSession>> open(
        FileSystem& fs, const std::string& path, std::string_view password, OpenMode mode,
        std::optional<std::chrono::milliseconds> lock_wait = std::chrono::milliseconds(2000));

    DatabaseSession(FileSystem& fs, std::string path, FileLock lock, std::unique_ptr<File> file)
        : fs_(fs), path_(std::move(path)), lock_(std::move(lock)), file_(std::move(file)) {}

    Database& db() { return *db_; }
    // Makes every staged change durable, all or nothing. On failure nothing changed and the
    // staged pages are dropped.
    Status commit();
    // Drops every staged change.
    void rollback() { db_->pager().forget(); }
    // Runs "delete [*] from TABLE where ..." and commits it, all or nothing; returns how many
    // rows it removed.
    Result<std::size_t> execute_delete(std::string_view statement);

  private:
    FileSystem& fs_;
    std::string path_;
    FileLock lock_;
    std::unique_ptr<File> file_;
    std::unique_ptr<Database> db_;
};

}  // namespace jet
