#include "engine/engine.h"

namespace store {

Status Engine::read_columns(std::string_view source, const std::vector<std::string>& columns,
                            const RowVisitor& visit) {
    auto selected = select(source);
    if (!selected) return selected.failure();
    std::vector<std::size_t> at;
    for (const std::string& name : columns) {
        const auto i = selected->shape->column(name);
        if (!i) return Failure{StoreFailure::unavailable, "no column named " + name};
        at.push_back(*i);
    }
    std::vector<jet::Value> out(columns.size());
    for (StoredRow& row : selected->rows) {
        for (std::size_t k = 0; k < at.size(); ++k)
            out[k] = std::move(row.values[at[k]]);
        visit(out);
    }
    return {};
}

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
