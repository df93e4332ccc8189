#include "store/kept_tables.h"

#include <algorithm>
#include <string>

#include "engine/program_tables.h"
#include "jet/text.h"
#include "store/shop_lists.h"

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

namespace {

std::string text_in(const StoredRow& row, std::optional<std::size_t> at) {
    const auto* s = at ? std::get_if<std::string>(&row.values[*at]) : nullptr;
    return s ? *s : std::string();
}
std::int64_t number_in(const StoredRow& row, std::optional<std::size_t> at) {
    const auto* n = at ? std::get_if<std::int64_t>(&row.values[*at]) : nullptr;
    return n ? *n : 0;
}

// The copy's tags and reasons as the store's: one of the same kind and name (letter case
// aside) is the store's own; one the store lacks is added after its others. Copy's number to
// the store's.
Status merge_tags(Engine& engine, const Selection& copy,
                  std::unordered_map<std::int64_t, std::int64_t>& numbers) {
    if (copy.rows.empty()) return {};
    const TableSpec& spec = *find_table(kTagTable);
    if (auto made = engine.ensure_table(spec); !made) return made.failure();
    auto have = engine.select(std::string(kTagTable) + " order by id");
    if (!have) return have.failure();
    const TableShape& shape = *have->shape;
    const auto id = shape.column("id"), name = shape.column("name"), kind = shape.column("kind"),
               place = shape.column("place");
    const auto from_id = copy.shape->column("id"), from_name = copy.shape->column("name"),
               from_kind = copy.shape->column("kind");
    std::int64_t last = 0;
    for (const StoredRow& r : have->rows)
        last = std::max(last, number_in(r, place));
    for (const StoredRow& r : copy.rows) {
        const std::string n = text_in(r, from_name);
        const std::int64_t k = number_in(r, from_kind);
        std::int64_t to = 0;
        for (const StoredRow& h : have->rows)
            if (number_in(h, kind) == k && jet::text_equal_nocase(text_in(h, name), n))
                to = number_in(h, id);
        if (to == 0) {
            Changes values;
            if (name) values.emplace(*name, n);
            if (kind) values.emplace(*kind, k);
            if (place) values.emplace(*place, ++last);
            auto added = engine.insert(shape, values, Numbering::by_engine);
            if (!added) return added.failure();
            to = number_in(*added, id);
            have->rows.push_back(*added);
        }
        numbers[number_in(r, from_id)] = to;
    }
    return {};
}

}  // namespace

Status add_kept_rows(Engine& engine, const std::vector<Selection>& tables,
                     const std::unordered_map<std::int64_t, std::int64_t>& renumbered) {
    std::unordered_map<std::int64_t, std::int64_t> tag_numbers;
    if (const Selection* tags = copy_of(tables, *find_table(kTagTable)))
        if (auto merged = merge_tags(engine, *tags, tag_numbers); !merged) return merged;
    for (const TableSpec& t : own_tables()) {
        const Selection* copy = copy_of(tables, t);
        if (!copy || copy->rows.empty()) continue;
        const auto customer = copy->shape->column("customer");
        if (!customer) continue;  // shop-wide rows: merged above
        const auto tags = copy->shape->column("tags");
        Selection tied;
        tied.shape = copy->shape;
        for (const StoredRow& row : copy->rows) {
            const auto* n = std::get_if<std::int64_t>(&row.values[*customer]);
            const auto to = n ? renumbered.find(*n) : renumbered.end();
            if (to == renumbered.end()) continue;
            StoredRow moved = row;
            moved.values[*customer] = to->second;
            // Its tags by the store's numbers for them.
            if (const std::string field = text_in(moved, tags); !field.empty()) {
                std::vector<std::int32_t> ids;
                for (std::int32_t tag : tag_ids_in(field))
                    if (auto m = tag_numbers.find(tag); m != tag_numbers.end())
                        ids.push_back(static_cast<std::int32_t>(m->second));
                moved.values[*tags] = jet::Value{tag_field(ids)};
            }
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
