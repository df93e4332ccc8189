#include "engine/engine.h"

namespace store {

Result<std::vector<StoredRow>> Engine::insert_many(const TableShape& table,
                                                   const std::vector<Changes>& rows,
                                                   Numbering numbering) {
    // A transaction of its own when none is open, so that the batch is all or none.
    const bool own = !in_transaction();
    if (own)
        if (auto begun = begin(); !begun) return begun.failure();
    std::vector<StoredRow> stored;
    stored.reserve(rows.size());
    for (const Changes& values : rows) {
        auto row = insert(table, values, numbering);
        if (!row) {
            if (own) rollback();
            return row.failure();
        }
        stored.push_back(std::move(*row));
    }
    if (own)
        if (auto done = commit(); !done) return done.failure();
    return stored;
}

}  // namespace store
