#pragma once
// The rows of one source text, read and written one field of the current row at a time.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "jet/query.h"
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

    std::pair<bool, std::string> read_text(const std::string& field) const;
    std::pair<bool, std::int32_t> read_int(const std::string& field,
                                           std::int32_t unchanged = 0) const;
    std::pair<bool, double> read_datetime(const std::string& field) const;

    bool write_text(const std::string& field, const std::string& value);
    bool write_bool(const std::string& field, bool value);
    // part 0: the whole value; 1: the date only; 2: the time only.
    bool write_datetime(const std::string& field, double value, int part = 0);

    bool add_row();
    bool update_row();

    bool is_open() const { return open_; }
    const std::string& source_text() const { return source_; }
    const std::string& table_text() const { return table_text_; }
    const std::string& last_error() const { return last_error_; }

  private:
    // The current row's values, with pending changes laid over them.
    const jet::Value* current(const std::string& field, const jet::Column** column = nullptr) const;
    bool write(const std::string& field, jet::Value value);

    StoreConnection* connection_ = nullptr;
    std::string filter_;
    std::string source_;
    std::string table_text_;
    bool open_ = false;
    jet::Selection selection_;
    std::size_t position_ = 0;
    bool adding_ = false;
    std::map<std::size_t, jet::Value> pending_;  // column index -> new value
    std::string last_error_;
};

}  // namespace store
