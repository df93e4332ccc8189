#pragma once
// A window's connection to the customer database: opened for one user action, then closed.
#include <memory>
#include <string>

#include "jet/database_session.h"
#include "jet/file_system.h"

namespace store {

// Why a store could not be opened, in the terms the user is told.
enum class StoreFailure {
    none,
    missing,     // nothing at the path
    unreadable,  // not a database of ours: another program's file, damaged, or a wrong password
    busy,        // another copy holds it longer than an action waits
    unavailable, // the system refused to read or write it (a full disk, a vanished folder)
};

class StoreConnection {
  public:
    StoreConnection();
    // Over another file system, without the lock between running copies (tests run the
    // store on files in memory that fail on demand).
    explicit StoreConnection(jet::FileSystem& fs);
    ~StoreConnection();
    StoreConnection(const StoreConnection&) = delete;
    StoreConnection& operator=(const StoreConnection&) = delete;

    // Opens the file with the password; an open connection is closed first. False, and no
    // message, when the file is missing, no database, locked by another copy or the
    // password does not open it.
    bool open_store(const std::string& path, const std::string& password);
    void close_store();
    // Runs a delete statement; true when it ran and its change is on disk.
    bool execute_sql(const std::string& sql);

    bool is_open() const { return session_ != nullptr; }
    const std::string& connection_text() const { return connection_text_; }
    // Why the last operation failed, for tests and diagnostics; the windows stay silent.
    const std::string& last_error() const { return last_error_; }
    // What kind of failure the last open_store met; none after a successful one.
    StoreFailure last_failure() const { return last_failure_; }

    jet::DatabaseSession* session() { return session_.get(); }

  private:
    std::unique_ptr<jet::FileSystem> own_fs_;
    jet::FileSystem* fs_;
    bool lock_ = true;
    std::unique_ptr<jet::DatabaseSession> session_;
    std::string connection_text_;
    std::string last_error_;
    StoreFailure last_failure_ = StoreFailure::none;
};

}  // namespace store
