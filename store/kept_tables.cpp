#include "store/kept_tables.h"

#include <string>

#include "engine/program_tables.h"

namespace store {

std::vector<Changes> rows_for(const Selection& from, const TableShape& to,
                              std::optional<std::int64_t> left_out) {
    std::vector<std::optional<std::size_t>> place;
    for (const ColumnInfo& c : from.shape->columns)
        place.push_back(to.column(c.name));
    const auto number = from.shape->column("id");
    std::vector<Changes> out;
    out.reserve(from.rows.size());
    for (const StoredRow& row : from.rows) {
        if (left_out && number && row.values[*number] == jet::Value{*left_out}) continue;
        Changes values;
        for (std::size_t i = 0; i < row.values.size() && i < place.size(); ++i)
            if (place[i]) values.emplace(*place[i], row.values[i]);
        out.push_back(std::move(values));
    }
    return out;
}

Result<std::vector<Selection>> read_kept_tables(Engine& engine) {
    std::vector<Selection> out;
    for (const TableSpec& t : own_tables()) {
        auto there = engine.has_table(t.name);
        if (!there) return there.failure();
        if (!*there) continue;
        auto rows = engine.select(t.name + " order by id");
        if (!rows) return rows.failure();
        out.push_back(std::move(*rows));
    }
    return out;
}

namespace {

const Selection* copy_of(const std::vector<Selection>& tables, const TableSpec& t) {
    for (const Selection& s : tables)
        if (s.shape && find_table(s.shape->table) == &t) return &s;
    return nullptr;
}

// The table's shape in `engine`, from a selection that holds no row: no number is 0.
Result<Selection> empty_selection(Engine& engine, const TableSpec& t) {
    return engine.select(t.name + " where id=0");
}

}  // namespace

Status put_kept_tables(Engine& engine, const std::vector<Selection>& tables) {
    for (const TableSpec& t : own_tables()) {
        const Selection* copy = copy_of(tables, t);
        auto there = engine.has_table(t.name);
        if (!there) return there.failure();
        if (*there) {
            if (auto gone = engine.execute("delete from " + t.name + " where id > 0"); !gone)
                return gone.failure();
        }
        if (!copy || copy->rows.empty()) continue;
        if (auto made = engine.ensure_table(t); !made) return made;
        auto shape = empty_selection(engine, t);
        if (!shape) return shape.failure();
        if (auto added = engine.insert_many(*shape->shape, rows_for(*copy, *shape->shape),
                                            Numbering::as_given);
            !added)
            return added.failure();
    }
    return {};
}

Status add_kept_rows(Engine& engine, const std::vector<Selection>& tables,
                     const std::unordered_map<std::int64_t, std::int64_t>& renumbered) {
    for (const TableSpec& t : own_tables()) {
        const Selection* copy = copy_of(tables, t);
        if (!copy || copy->rows.empty()) continue;
        const auto customer = copy->shape->column("customer");
        if (!customer) continue;  // shop-wide rows: the store keeps its own
        Selection tied;
        tied.shape = copy->shape;
        for (const StoredRow& row : copy->rows) {
            const auto* n = std::get_if<std::int64_t>(&row.values[*customer]);
            const auto to = n ? renumbered.find(*n) : renumbered.end();
            if (to == renumbered.end()) continue;
            StoredRow moved = row;
            moved.values[*customer] = to->second;
            tied.rows.push_back(std::move(moved));
        }
        if (tied.rows.empty()) continue;
        if (auto made = engine.ensure_table(t); !made) return made;
        auto shape = empty_selection(engine, t);
        if (!shape) return shape.failure();
        std::vector<Changes> rows = rows_for(tied, *shape->shape);
        const auto number = shape->shape->column("id");
        for (Changes& r : rows)
            if (number) r.erase(*number);  // numbered by the store
        if (auto added = engine.insert_many(*shape->shape, rows, Numbering::by_engine); !added)
            return added.failure();
    }
    return {};
}

}  // namespace store
