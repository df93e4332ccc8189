#pragma once
// A table definition: columns, indexes and usage maps, as read from its definition pages.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "jet/data_page.h"
#include "jet/pager.h"
#include "jet/result.h"

namespace jet {

enum class ColumnType : std::uint8_t {
    boolean = 0x01,
    byte = 0x02,
    integer = 0x03,       // 16-bit
    long_integer = 0x04,  // 32-bit
    money = 0x05,
    single = 0x06,
    double_ = 0x07,
    datetime = 0x08,
    binary = 0x09,
    text = 0x0A,
    ole = 0x0B,
    memo = 0x0C,
    guid = 0x0F,
    numeric = 0x10,
    complex = 0x12,
    big_integer = 0x13,  // 64-bit
};

const char* column_type_name(ColumnType type);

struct Column;
// Bytes a value of the column takes in a row (a variable column's largest, for text).
std::size_t stored_size(const Column& c);

namespace column_flag {
inline constexpr std::uint8_t fixed = 0x01;
inline constexpr std::uint8_t nullable = 0x02;
inline constexpr std::uint8_t autonumber = 0x04;
inline constexpr std::uint8_t replication = 0x10;
inline constexpr std::uint8_t auto_guid = 0x40;
inline constexpr std::uint8_t hyperlink = 0x80;
}  // namespace column_flag

struct Column {
    std::string name;
    ColumnType type = ColumnType::text;
    std::uint16_t number = 0;        // position in the null mask, counting deleted columns
    std::uint16_t var_index = 0;     // slot in the row's variable-offset table
    std::uint16_t fixed_offset = 0;  // offset in the fixed area, after the column count
    std::uint16_t length = 0;        // bytes (text: bytes of UTF-16, so twice the characters)
    std::uint16_t sort_order = 0;    // text columns: collation
    std::uint8_t precision = 0;      // numeric columns
    std::uint8_t scale = 0;
    std::uint8_t flags = 0;
    std::uint8_t misc_flags = 0;  // 0x01: Unicode compression
    std::uint16_t misc_ext = 0;
    std::uint16_t position = 0;  // where the entry sits among the definition's column entries
    // The whole 25-byte entry as stored; the fields above are laid over it when written, so
    // the bytes no field names come back as they were.
    std::array<std::uint8_t, 25> stored{};

    bool is_fixed() const { return (flags & column_flag::fixed) != 0; }
    bool is_autonumber() const { return (flags & column_flag::autonumber) != 0; }
    bool compressed_unicode() const { return (misc_flags & 0x01) != 0; }
    bool is_long_value() const { return type == ColumnType::memo || type == ColumnType::ole; }
};

struct IndexColumn {
    std::uint16_t column_number = 0;
    bool ascending = true;
};

struct RealIndex {
    std::vector<IndexColumn> columns;
    RowPointer usage_map;
    std::uint32_t root_page = 0;
    std::uint8_t flags = 0;  // 0x01 unique, 0x02 ignore nulls, 0x08 required
    std::uint32_t row_count = 0;
    std::array<std::uint8_t, 12> stored_count{};  // the 12-byte row-count entry as stored
    std::array<std::uint8_t, 52> stored{};        // the 52-byte definition as stored
};

struct LogicalIndex {
    std::string name;
    std::uint32_t number = 0;
    std::uint32_t real_index = 0;
    std::uint8_t type = 0;  // 0x01 primary key, 0x02 foreign key
    std::int32_t related_index = -1;
    std::uint32_t related_table = 0;
    std::array<std::uint8_t, 28> stored{};  // the 28-byte entry as stored
};

struct TableDef {
    std::uint32_t page = 0;  // the first definition page; names the table in every data page
    std::uint32_t row_count = 0;
    std::uint32_t next_autonumber = 0;
    std::uint8_t table_type = 0;  // 0x4E user, 0x53 system
    std::uint16_t max_columns = 0;
    std::uint16_t variable_columns = 0;
    std::vector<Column> columns;  // in column-number order
    std::vector<RealIndex> real_indexes;
    std::vector<LogicalIndex> indexes;
    RowPointer used_pages;
    RowPointer free_pages;
    std::vector<std::uint32_t> definition_pages;     // the chain, first to last
    std::array<std::uint8_t, 0x3F> stored_header{};  // the definition's first 0x3F bytes
    // What follows the index names: the long-value columns' own usage maps, then the end mark.
    std::vector<std::uint8_t> stored_tail;

    const Column* find_column(std::string_view name) const;  // letter case ignored
};

Result<TableDef> read_table_def(Pager& pager, std::uint32_t page);

// The definition as one page: the stored bytes of every entry with every field laid over
// them, columns in `position` order. Fails when it does not fit in one page.
Result<std::vector<std::uint8_t>> encode_table_def(const TableDef& table);

}  // namespace jet
