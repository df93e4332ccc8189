#pragma once
// The real program on the in-memory window backend over a real database file in a folder
// of its own, and what can be read back of it from outside.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "jet/file_system.h"
#include "runtime/headless/backend.h"
#include "tests/services/support/status_stand_in.h"
#include "tests/store/support/tcp_proxy.h"

namespace stress {

// One customer row as the file holds it.
struct StoredRow {
    std::int64_t id = 0;
    std::optional<std::string> wang, wang2, bs;
    std::optional<double> time1, time2, time3;
    std::optional<bool> yn;
};

// A row the program keeps beside a customer: its next date, or one line of its log.
struct KeptRow {
    std::int64_t customer = 0;
    std::optional<std::string> wang, our_id, said;
    std::optional<double> next, gave_up;
    std::optional<std::string> reason, tags;
};

// A customer in the recycle bin: its number there, and its row as it was.
struct BinRow {
    std::int64_t id = 0;
    std::int64_t customer = 0;
    StoredRow row;
    std::optional<double> deleted_at;
    std::optional<std::string> deleted_on;
};

struct StoredFile {
    std::vector<StoredRow> customers;                                           // in storage order
    std::vector<std::pair<std::int64_t, std::optional<std::string>>> settings;  // id, ww
    std::vector<KeptRow> steps, log;   // lq_buyer and lq_log, in the order of their numbers
    std::vector<BinRow> bin;           // in the order of their numbers
    std::vector<std::string> reasons;  // the shop's own reasons, in their order
    std::vector<std::pair<std::int64_t, std::string>> tags;  // the shop's tags in their order
};

class Program {
  public:
    explicit Program(std::string directory);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // A new process on the folder as it stands: a fresh hand-over record and main window.
    void start();
    runtime::headless::HeadlessWindow& main() { return *main_; }
    runtime::headless::Backend& backend() { return backend_; }
    const std::string& directory() const { return directory_; }
    const std::string& database() const { return database_; }
    std::string away_path() const { return database_ + ".away"; }

    // Sends `at_most` of the status requests the current run has waiting, in its order, to
    // the stand-in service; the IDs it was asked (the offline picture's request included).
    std::vector<std::string> answer_statuses(std::size_t at_most);
    // The statuses' clock moves on.
    void time_passes(int seconds) { clock_seconds_ += seconds; }

    // The whole file as the engine reads it; the text says why not.
    static std::optional<StoredFile> read(const std::string& path, std::string* why);

    // The store on a database server instead of the file: the program is pointed there
    // through LQ_STORE, as a shop with several PCs points it.
    void use_server(std::string connection_string);
    bool on_server() const { return !server_.empty(); }
    const std::string& server() const { return server_; }
    // The store goes away (the file is moved aside; the server cannot be reached) and back.
    void store_away();
    void store_back();
    // The store is lost while away: the file put aside is deleted; the server's database is
    // emptied and reachable again. The next start begins on a new, empty store either way.
    void lose_store();
    // The whole store as it stands (the file, or the one put aside, or the server's tables).
    std::optional<StoredFile> read_store(bool available, std::string* why) const;

  private:
    std::string directory_, database_;
    runtime::headless::Backend backend_;
    jet::OsFileSystem files_;
    std::vector<std::unique_ptr<app::MainContext>> contexts_;  // every start's, kept alive
    runtime::headless::HeadlessWindow* main_ = nullptr;
    std::shared_ptr<testsupport::StatusStandIn> status_service_;
    long long clock_seconds_ = 0;
    std::string server_;
    std::unique_ptr<testing_support::TcpProxy> relay_;
};

}  // namespace stress
