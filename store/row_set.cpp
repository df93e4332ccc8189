#include "store/row_set.h"

#include <cmath>
#include <cstdio>

#include "jet/civil_date.h"
#include "jet/query.h"
#include "jet/text.h"

namespace store {

namespace {

// "%Y-%m-%d %H:%M:%S" of an engine date-time (days since 1899-12-30).
std::string datetime_text(double days) {
    if (!std::isfinite(days) || std::fabs(days) > 2958466.0) return {};
    double whole = std::floor(days);
    auto secs = static_cast<long long>(std::llround((days - whole) * 86400.0));
    if (secs >= 86400) {
        secs -= 86400;
        whole += 1;
    }
    jet::CivilDate date =
        jet::civil_from_days(static_cast<std::int64_t>(whole) - jet::kEngineEpochOffset);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04lld-%02u-%02u %02lld:%02lld:%02lld",
                  static_cast<long long>(date.year), date.month, date.day, secs / 3600,
                  secs / 60 % 60, secs % 60);
    return buf;
}

// The shape's columns as a table definition, for evaluating a filter over its rows.
jet::TableDef definition_of(const TableShape& shape) {
    jet::TableDef def;
    for (const auto& c : shape.columns) {
        jet::Column column;
        column.name = c.name;
        column.type = c.type;
        def.columns.push_back(std::move(column));
    }
    return def;
}

bool integer_kind(jet::ColumnType type) {
    using jet::ColumnType;
    return type == ColumnType::byte || type == ColumnType::integer ||
           type == ColumnType::long_integer || type == ColumnType::big_integer;
}

}  // namespace

bool RowSet::attach(StoreConnection& connection) {
    connection_ = &connection;
    return connection.is_open();
}

void RowSet::note(const Failure& failure) {
    last_error_ = failure.message;
    last_failure_ = failure.kind;
    if (connection_) connection_->note(failure);
}

bool RowSet::open_rows(const std::string& source, int mode, std::optional<int> cursor_location) {
    if (cursor_location && (*cursor_location < 1 || *cursor_location > 3)) return false;
    if (mode == kTableMode)
        table_text_ = source;
    else
        table_text_.clear();
    if (!source.empty()) source_ = source;
    if (!connection_ || !connection_->is_open() || source_.empty()) return false;
    if (open_) close_rows();
    if (mode == kTableMode) table_text_ = source;

    auto selected = connection_->engine()->select(source_);
    if (!selected) {
        note(selected.failure());
        return false;
    }
    selection_ = std::move(*selected);
    if (!filter_.empty()) {
        // The filter is a further condition on the rows the source chose.
        auto q = jet::parse_query("t where " + filter_);
        if (!q || !q->where) {
            note({StoreFailure::unavailable, q ? "empty filter" : q.error().message});
            return false;
        }
        const jet::TableDef def = definition_of(*selection_.shape);
        std::vector<StoredRow> kept;
        for (auto& r : selection_.rows) {
            auto hit = jet::matches(*q->where, def, r.values);
            if (!hit) {
                note({StoreFailure::unavailable, hit.error().message});
                return false;
            }
            if (*hit) kept.push_back(std::move(r));
        }
        selection_.rows = std::move(kept);
    }
    open_ = true;
    position_ = 0;
    adding_ = false;
    pending_.clear();
    return true;
}

void RowSet::close_rows() {
    // A change not stored by update_row (or end_batch) is dropped.
    pending_.clear();
    batching_ = false;
    batch_.clear();
    adding_ = false;
    open_ = false;
    selection_ = Selection{};
    position_ = 0;
    table_text_.clear();
}

bool RowSet::move_to(int row) {
    if (!open_ || row < 0 || static_cast<std::size_t>(row) >= selection_.rows.size()) return false;
    pending_.clear();
    adding_ = false;
    position_ = static_cast<std::size_t>(row);
    return true;
}

bool RowSet::move_next() {
    if (!open_ || position_ >= selection_.rows.size()) return false;
    pending_.clear();
    adding_ = false;
    ++position_;
    return position_ < selection_.rows.size();
}

const jet::Value* RowSet::current(const std::string& field, const ColumnInfo** column) const {
    if (!open_) return nullptr;
    auto i = selection_.shape->column(field);
    if (!i) return nullptr;
    if (column) *column = &selection_.shape->columns[*i];
    if (auto it = pending_.find(*i); it != pending_.end()) return &it->second;
    if (adding_) {
        static const jet::Value kNull;
        return &kNull;
    }
    if (position_ >= selection_.rows.size()) return nullptr;
    return &selection_.rows[position_].values[*i];
}

std::pair<bool, std::string> RowSet::read_text(const std::string& field) const {
    const ColumnInfo* column = nullptr;
    const jet::Value* v = current(field, &column);
    if (!v) return {false, {}};
    char buf[128];
    if (auto s = std::get_if<std::string>(v)) return {true, *s};
    if (auto n = std::get_if<std::int64_t>(v)) return {true, std::to_string(*n)};
    if (auto d = std::get_if<double>(v)) {
        std::snprintf(buf, sizeof buf, column->type == jet::ColumnType::single ? "%.4f" : "%.8f",
                      *d);
        return {true, buf};
    }
    if (auto t = std::get_if<jet::DateTime>(v)) return {true, datetime_text(t->days)};
    if (auto b = std::get_if<bool>(v)) return {true, *b ? "True" : "False"};
    if (auto dec = std::get_if<jet::Decimal>(v)) return {true, dec->text};
    return {true, {}};  // null
}

std::pair<bool, std::int32_t> RowSet::read_int(const std::string& field,
                                               std::int32_t unchanged) const {
    const ColumnInfo* column = nullptr;
    const jet::Value* v = current(field, &column);
    if (!v) return {false, unchanged};
    auto n = std::get_if<std::int64_t>(v);
    if (!integer_kind(column->type) || !n) return {false, unchanged};
    return {true, static_cast<std::int32_t>(*n)};
}

std::pair<bool, double> RowSet::read_datetime(const std::string& field) const {
    const jet::Value* v = current(field);
    if (!v) return {false, 0.0};
    // A null, or anything that is no date, reads as the zero date-time.
    if (auto t = std::get_if<jet::DateTime>(v)) return {true, t->days};
    return {true, 0.0};
}

bool RowSet::write(const std::string& field, jet::Value value) {
    if (!open_ || (!adding_ && position_ >= selection_.rows.size())) return false;
    auto i = selection_.shape->column(field);
    if (!i) return false;
    pending_[*i] = std::move(value);
    return true;
}

std::optional<jet::Value> RowSet::read_value(const std::string& field) const {
    const jet::Value* v = current(field);
    return v ? std::optional(*v) : std::nullopt;
}

bool RowSet::write_value(const std::string& field, jet::Value value) {
    return write(field, std::move(value));
}

bool RowSet::write_text(const std::string& field, const std::string& value) {
    return write(field, value);
}
bool RowSet::write_bool(const std::string& field, bool value) {
    return write(field, value);
}

bool RowSet::write_null(const std::string& field) {
    return write(field, jet::Value{});
}

bool RowSet::write_datetime(const std::string& field, double value, int part) {
    if (part == 1)
        value = std::floor(value);
    else if (part == 2)
        value -= std::floor(value);
    return write(field, jet::DateTime{value});
}

bool RowSet::write_int(const std::string& field, std::int32_t value) {
    const ColumnInfo* column = nullptr;
    if (!open_ || !current(field, &column) || !integer_kind(column->type)) return false;
    if (column->autonumber && !(adding_ && numbering_ == Numbering::as_given)) return false;
    return write(field, std::int64_t{value});
}

bool RowSet::add_row() {
    if (!open_) return false;
    pending_.clear();
    adding_ = true;
    numbering_ = Numbering::by_engine;
    return true;
}

bool RowSet::add_numbered_row() {
    if (!add_row()) return false;
    numbering_ = Numbering::as_given;
    return true;
}

bool RowSet::update_row() {
    if (!open_ || !connection_ || !connection_->is_open()) return false;
    if (!adding_ && position_ >= selection_.rows.size()) return false;
    if (batching_ && adding_) {
        batch_.push_back(std::exchange(pending_, {}));
        adding_ = false;
        return true;
    }
    Engine& engine = *connection_->engine();
    auto stored = adding_ ? engine.insert(*selection_.shape, pending_, numbering_)
                          : engine.update(*selection_.shape, selection_.rows[position_], pending_);
    pending_.clear();
    const bool added = adding_;
    adding_ = false;
    if (!stored) {
        // Not confirmed: the edit is cancelled and nothing was stored.
        note(stored.failure());
        return false;
    }
    if (added) {
        selection_.rows.push_back(std::move(*stored));
        position_ = selection_.rows.size() - 1;
    } else {
        selection_.rows[position_] = std::move(*stored);
    }
    return true;
}

void RowSet::begin_batch() {
    batching_ = true;
    batch_.clear();
}

bool RowSet::end_batch() {
    batching_ = false;
    auto rows = std::exchange(batch_, {});
    if (rows.empty()) return true;
    if (!open_ || !connection_ || !connection_->is_open()) return false;
    auto stored = connection_->engine()->insert_many(*selection_.shape, rows, numbering_);
    if (!stored) {
        note(stored.failure());
        return false;
    }
    for (auto& row : *stored)
        selection_.rows.push_back(std::move(row));
    position_ = selection_.rows.size() - 1;
    return true;
}

}  // namespace store
