#include "store/store_connection.h"

#include <cstdlib>

#include "drivers/open_engine.h"

namespace store {

std::optional<std::string> store_override() {
    const char* value = std::getenv(kStoreVariable);
    if (!value || !*value) return std::nullopt;
    return std::string(value);
}

StoreConnection::StoreConnection()
    : own_fs_(std::make_unique<jet::OsFileSystem>()), fs_(own_fs_.get()) {}
StoreConnection::StoreConnection(jet::FileSystem& fs) : fs_(&fs), lock_(false) {}
StoreConnection::~StoreConnection() = default;

bool StoreConnection::open_store(const std::string& path, const std::string& password) {
    return open_store(StoreLocation{path, password, {}});
}

bool StoreConnection::open_store(const StoreLocation& where) {
    close_store();
    StoreLocation resolved = where;
    if (!resolved.on_server() && !where.exact) resolved.odbc = store_override().value_or("");
    connection_text_ = drivers::connection_text(resolved);
    Result<std::unique_ptr<Engine>> opened = drivers::open_engine(*fs_, resolved, lock_);
    if (!opened) {
        note(opened.failure());
        return false;
    }
    engine_ = std::move(*opened);
    on_server_ = resolved.on_server();
    last_error_.clear();
    last_failure_ = StoreFailure::none;
    return true;
}

void StoreConnection::close_store() {
    if (!engine_) return;
    if (engine_->in_transaction()) engine_->rollback();
    // The last transaction's stamp outlives the open that made it: a list load after a save
    // opens again, and the save must still be known as this PC's own.
    if (auto stamp = engine_->transaction_stamp()) closed_stamp_ = stamp;
    // This connection's changes outlive the open that made them, as above.
    for (const CommitStamps& c : engine_->commits())
        kept_commits_.push_back(c);
    while (kept_commits_.size() > kCommitsKept)
        kept_commits_.pop_front();
    engine_.reset();
}

std::vector<CommitStamps> StoreConnection::own_commits() const {
    std::vector<CommitStamps> all(kept_commits_.begin(), kept_commits_.end());
    if (engine_) all.insert(all.end(), engine_->commits().begin(), engine_->commits().end());
    return all;
}

std::optional<std::uint64_t> StoreConnection::own_change_stamp() const {
    const auto all = own_commits();
    if (all.empty()) return std::nullopt;
    return all.back().after;
}

bool StoreConnection::only_own_changes(std::uint64_t from, std::uint64_t to) const {
    if (from == to) return true;
    for (const CommitStamps& c : own_commits()) {
        if (c.before == from) from = c.after;
        if (from == to) return true;
    }
    return false;
}

std::optional<std::uint64_t> StoreConnection::transaction_stamp() const {
    if (engine_)
        if (auto stamp = engine_->transaction_stamp()) return stamp;
    return closed_stamp_;
}

void StoreConnection::note(const Failure& failure) {
    last_error_ = failure.message;
    last_failure_ = failure.kind;
}

bool StoreConnection::execute_sql(const std::string& sql) {
    if (!engine_) {
        last_error_ = "the store is not open";
        return false;
    }
    auto done = engine_->execute(sql);
    if (!done) {
        note(done.failure());
        return false;
    }
    rows_affected_ = *done;
    return true;
}

std::optional<bool> StoreConnection::has_table(const std::string& name) {
    if (!engine_) {
        last_error_ = "the store is not open";
        return std::nullopt;
    }
    auto there = engine_->has_table(name);
    if (!there) {
        note(there.failure());
        return std::nullopt;
    }
    return *there;
}

bool StoreConnection::ensure_table(const std::string& name) {
    const TableSpec* spec = find_table(name);
    if (!engine_ || !spec) {
        last_error_ =
            engine_ ? "no table of the program is named " + name : "the store is not open";
        return false;
    }
    auto made = engine_->ensure_table(*spec);
    if (!made) note(made.failure());
    return made.ok();
}

bool StoreConnection::begin_transaction() {
    if (!engine_) {
        last_error_ = "the store is not open";
        return false;
    }
    auto begun = engine_->begin();
    if (!begun) note(begun.failure());
    return begun.ok();
}

bool StoreConnection::commit_transaction() {
    if (!engine_) {
        last_error_ = "the store is not open";
        return false;
    }
    auto done = engine_->commit();
    if (!done) {
        note(done.failure());
        return false;
    }
    return true;
}

void StoreConnection::rollback_transaction() {
    if (engine_ && engine_->in_transaction()) engine_->rollback();
}

std::optional<std::uint64_t> StoreConnection::change_stamp() {
    if (!engine_) {
        last_error_ = "the store is not open";
        return std::nullopt;
    }
    auto stamp = engine_->change_stamp();
    if (!stamp) {
        note(stamp.failure());
        return std::nullopt;
    }
    return *stamp;
}

}  // namespace store
