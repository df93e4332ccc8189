#pragma once
// A window's connection to the customer store: opened for one user action, then closed.
// The store is the Jet file beside the program or a database server reached through ODBC;
// which engine runs is decided here, from the location, and nothing above this layer sees it.
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/failure.h"
#include "engine/location.h"
#include "jet/file_system.h"

namespace store {

// An ODBC connection string in this environment variable takes the place of every store
// location that names no server of its own (and is not marked exact): the whole program
// then keeps its customers there.
inline constexpr const char* kStoreVariable = "LQ_STORE";
// Its value, when set and not empty.
std::optional<std::string> store_override();

class StoreConnection {
  public:
    StoreConnection();
    // Over another file system, without the lock between running copies (tests run the
    // store on files in memory that fail on demand).
    explicit StoreConnection(jet::FileSystem& fs);
    ~StoreConnection();
    StoreConnection(const StoreConnection&) = delete;
    StoreConnection& operator=(const StoreConnection&) = delete;

    // Opens the file with the password (or LQ_STORE's server); an open connection is closed
    // first. False, and no message, when the file is missing, no database, locked by another
    // copy or the password does not open it.
    bool open_store(const std::string& path, const std::string& password);
    // Opens the location: its server when it names one, else its file.
    bool open_store(const StoreLocation& where);
    // Closes the store; a transaction still open is rolled back.
    void close_store();
    // Runs a delete statement; true when it ran and its change is stored.
    bool execute_sql(const std::string& sql);
    // How many rows the last successful execute_sql removed.
    std::size_t rows_affected() const { return rows_affected_; }

    // Whether the open store holds one of the program's own tables (engine/program_tables.h);
    // nullopt when it could not tell.
    std::optional<bool> has_table(const std::string& name);
    // Makes one of the program's own tables unless the store holds it (Engine::
    // ensure_table); false when it could not.
    bool ensure_table(const std::string& name);
    // One transaction over the actions that follow (see Engine::begin): false when the store
    // is not open, a transaction is open already, or the engine refused.
    bool begin_transaction();
    // Stores every change since begin_transaction, all or nothing; false when nothing was.
    bool commit_transaction();
    void rollback_transaction();
    bool in_transaction() const { return engine_ && engine_->in_transaction(); }

    // The store's change stamp (Engine::change_stamp); nullopt when it could not be read.
    std::optional<std::uint64_t> change_stamp();
    // The stamp of the last transaction begun through this connection (Engine::transaction_
    // stamp), committed or not, kept across close_store and later opens: where its action
    // stands among all writers.
    std::optional<std::uint64_t> transaction_stamp() const;
    // The stamp of the last transaction committed through this connection, kept the same way:
    // the change stamp a PC sees for its own last change. One rolled back or refused leaves
    // it, since another PC's next commit leaves the stamp that one had taken.
    std::optional<std::uint64_t> own_change_stamp() const;
    // The changes committed through this connection (the last few dozen), in order, each
    // with the store's stamps before and after it.
    std::vector<CommitStamps> own_commits() const;
    // Whether the store went from stamp `from` to stamp `to` by this connection's own changes
    // alone (or not at all): a list showing `from` then misses nothing of another PC's.
    bool only_own_changes(std::uint64_t from, std::uint64_t to) const;

    bool is_open() const { return engine_ != nullptr; }
    // Whether the open store is a database server.
    bool on_server() const { return is_open() && on_server_; }
    const std::string& connection_text() const { return connection_text_; }
    // Why the last operation failed, for tests and diagnostics; the windows stay silent.
    const std::string& last_error() const { return last_error_; }
    // What kind of failure the last failed open or operation met; none after a successful
    // open_store until something fails.
    StoreFailure last_failure() const { return last_failure_; }

    // The open store's engine, for RowSet; null when closed.
    Engine* engine() { return engine_.get(); }
    // Records a failure met through this connection (RowSet reports its own here too).
    void note(const Failure& failure);

  private:
    std::unique_ptr<jet::FileSystem> own_fs_;
    jet::FileSystem* fs_;
    bool lock_ = true;
    std::unique_ptr<Engine> engine_;
    bool on_server_ = false;
    std::string connection_text_;
    std::string last_error_;
    StoreFailure last_failure_ = StoreFailure::none;
    std::size_t rows_affected_ = 0;
    std::optional<std::uint64_t> closed_stamp_;  // the engine's, kept at close_store
    static constexpr std::size_t kCommitsKept = 64;
    std::deque<CommitStamps> kept_commits_;
};

}  // namespace store
