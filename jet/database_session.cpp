#include "jet/database_session.h"

#include "jet/format.h"
#include "jet/journal.h"

namespace jet {

Result<std::unique_ptr<DatabaseSession>> DatabaseSession::open(
    FileSystem& fs, const std::string& path, std::string_view password, OpenMode mode,
    std::optional<std::chrono::milliseconds> lock_wait) {
    FileLock lock;
    if (lock_wait) {
        JET_ASSIGN(lock, lock_database(path, *lock_wait));
    }
    // Half a change left by a crash is undone before anything reads the file.
    JET_TRY(recover(fs, path));
    JET_ASSIGN(auto file, fs.open(path, mode));
    auto session = std::make_unique<DatabaseSession>(fs, path, std::move(lock), std::move(file));
    JET_ASSIGN(session->db_, Database::open(*session->file_, password));
    return session;
}

Status DatabaseSession::commit() {
    Pager& pager = db_->pager();
    if (pager.staged().empty()) return {};
    auto done = commit_pages(fs_, path_, *file_, pager.staged(),
                             std::uint64_t{pager.page_count()} * kPageSize);
    if (!done) {
        pager.forget();
        return done.error();
    }
    pager.accept_staged();
    return {};
}

}  // namespace jet
