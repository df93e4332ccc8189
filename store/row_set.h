#pragma once
// The rows of one source text, read and written one field of the current row at a time.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/engine.h"
#include "store/store_connection.h"

namespace store {

inline constexpr int kTableMode = 2;

class RowSet {
  public:
    void set_filter(const std::string& criteria) { filter_ = criteria; }
    bool attach(StoreConnection& connection);
    bool open_rows(const std::string& source, int mode, std::optional<int> cursor_location = {});
    void close_rows();

    int row_count() const { return open_ ? static_cast<int>(selection_.rows.size()) : 0; }
    bool move_next();
    // To row `row` (from 0) of the rows open; false when there is no such row.
    bool move_to(int row);

    std::pair<bool, std::string> read_text(const std::string& field) const;
    std::pair<bool, std::int32_t> read_int(const std::string& field,
                                           std::int32_t unchanged = 0) const;
    std::pair<bool, double> read_datetime(const std::string& field) const;

    // A field's value as it stands, for copying a row column for column (an empty value
    // stays empty); nullopt when there is no such field.
    std::optional<jet::Value> read_value(const std::string& field) const;
    bool write_value(const std::string& field, jet::Value value);

    bool write_text(const std::string& field, const std::string& value);
    bool write_bool(const std::string& field, bool value);
    // No value: an empty date, a number not given.
    bool write_null(const std::string& field);
    // part 0: the whole value; 1: the date only; 2: the time only.
    bool write_datetime(const std::string& field, double value, int part = 0);
    // Only for a row being added with Numbering::as_given: the number it is to keep.
    bool write_int(const std::string& field, std::int32_t value);

    bool add_row();
    // Adds with the number written to the AutoNumber column kept (moving a shop).
    bool add_numbered_row();
    bool update_row();

    // Rows added between begin_batch and end_batch reach the store together, at end_batch:
    // until then update_row of an added row only queues it. end_batch is false, and none of
    // them is stored, when the store refused any.
    void begin_batch();
    bool end_batch();

    bool is_open() const { return open_; }
    const std::string& source_text() const { return source_; }
    const std::string& table_text() const { return table_text_; }
    const std::string& last_error() const { return last_error_; }
    // What kind of failure the last failed open_rows or update_row met.
    StoreFailure last_failure() const { return last_failure_; }

  private:
    // The current row's values, with pending changes laid over them.
    const jet::Value* current(const std::string& field, const ColumnInfo** column = nullptr) const;
    bool write(const std::string& field, jet::Value value);
    void note(const Failure& failure);

    StoreConnection* connection_ = nullptr;
    std::string filter_;
    std::string source_;
    std::string table_text_;
    bool open_ = false;
    Selection selection_;
    std::size_t position_ = 0;
    bool adding_ = false;
    Numbering numbering_ = Numbering::by_engine;
    Changes pending_;
    bool batching_ = false;
    std::vector<Changes> batch_;
    std::string last_error_;
    StoreFailure last_failure_ = StoreFailure::none;
};

}  // namespace store
