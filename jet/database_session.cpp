#include "jet/database_session.h"

#include "jet/format.h"
#include "jet/journal.h"
#include "jet/query.h"
#include "jet/table_writer.h"

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

Result<std::size_t> DatabaseSession::execute_delete(std::string_view statement) {
    JET_ASSIGN(DeleteStatement del, parse_delete(statement));
    JET_ASSIGN(TableDef def, db_->table(del.table));
    Query q;
    q.table = del.table;
    q.where = std::move(del.where);
    JET_TRY(bind(q, def));
    std::vector<RowPointer> doomed;
    JET_TRY(scan_matching(*db_, def, *q.where, [&](RowPointer where, Bytes) -> Status {
        doomed.push_back(where);
        return {};
    }));
    TableWriter writer(*db_);
    for (const auto& where : doomed) {
        auto removed = writer.remove(def, where);
        if (!removed) {
            rollback();
            return removed.error();
        }
    }
    JET_TRY(commit());
    return doomed.size();
}

}  // namespace jet
