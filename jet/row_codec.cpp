#include "jet/row_codec.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <unordered_set>

#include "jet/format.h"
#include "jet/text.h"

namespace jet {

namespace {

using longvalue::kInlineFlag;
using longvalue::kLengthMask;
using longvalue::kSingleRowFlag;
constexpr std::size_t kLongValueHeader = longvalue::kReferenceSize;

// Long values are followed through their own pages, so a hostile chain must end.
Result<Bytes> long_value_row(Pager& pager, std::uint32_t packed) {
    RowPointer where = RowPointer::unpack(packed);
    JET_ASSIGN(Bytes page, pager.page(where.page));
    if (page[0] != static_cast<std::uint8_t>(PageType::data) ||
        std::memcmp(page.data() + 4, "LVAL", 4) != 0)
        return make_error(Errc::corrupt, "long value points at a page that holds none");
    return row_bytes(page, where.row);
}

std::string guid_text(Bytes b) {
    static const char* hex = "0123456789ABCDEF";
    // The first three groups are stored little-endian.
    static constexpr int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    std::string s = "{";
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) s.push_back('-');
        std::uint8_t v = b[static_cast<std::size_t>(order[i])];
        s.push_back(hex[v >> 4]);
        s.push_back(hex[v & 15]);
    }
    s.push_back('}');
    return s;
}

Result<Value> decode_field(Pager& pager, const Column& c, Bytes f) {
    auto need = [&](std::size_t n) -> Status {
        if (f.size() < n) return make_error(Errc::corrupt, "field " + c.name + " is too short");
        return {};
    };
    switch (c.type) {
        case ColumnType::byte:
            JET_TRY(need(1));
            return Value(std::int64_t{f[0]});
        case ColumnType::integer:
            JET_TRY(need(2));
            return Value(std::int64_t{static_cast<std::int16_t>(load_u16(f.data()))});
        case ColumnType::long_integer:
        case ColumnType::complex:
            JET_TRY(need(4));
            return Value(std::int64_t{static_cast<std::int32_t>(load_u32(f.data()))});
        case ColumnType::big_integer:
            JET_TRY(need(8));
            return Value(static_cast<std::int64_t>(*u64_at(f, 0)));
        case ColumnType::money:
            JET_TRY(need(8));
            return Value(decode_money(static_cast<std::int64_t>(*u64_at(f, 0))));
        case ColumnType::single:
            JET_TRY(need(4));
            return Value(double{*f32_at(f, 0)});
        case ColumnType::double_:
            JET_TRY(need(8));
            return Value(*f64_at(f, 0));
        case ColumnType::datetime:
            JET_TRY(need(8));
            return Value(DateTime{*f64_at(f, 0)});
        case ColumnType::guid:
            JET_TRY(need(16));
            return Value(guid_text(f));
        case ColumnType::numeric:
            JET_TRY(need(17));
            return Value(decode_numeric(f, c.scale));
        case ColumnType::text:
            return Value(decode_text(f));
        case ColumnType::binary:
            return Value(Binary{{f.begin(), f.end()}});
        case ColumnType::memo: {
            JET_ASSIGN(auto bytes, read_long_value(pager, f));
            return Value(decode_text(bytes));
        }
        case ColumnType::ole: {
            JET_ASSIGN(auto bytes, read_long_value(pager, f));
            return Value(Binary{std::move(bytes)});
        }
        case ColumnType::boolean:
            break;
        default:  // kinds the program never uses are handed out as their bytes
            return Value(Binary{{f.begin(), f.end()}});
    }
    return make_error(Errc::corrupt, "yes/no column " + c.name + " has no stored value");
}

}  // namespace

Result<std::vector<std::uint8_t>> read_long_value(Pager& pager, Bytes f) {
    if (f.size() < kLongValueHeader)
        return make_error(Errc::corrupt, "long value reference too short");
    std::uint32_t head = load_u32(f.data());
    std::uint32_t length = head & kLengthMask;
    std::uint32_t pointer = load_u32(f.data() + 4);
    if (head & kInlineFlag) {
        if (f.size() - kLongValueHeader < length)
            return make_error(Errc::corrupt, "inline long value longer than its field");
        return std::vector<std::uint8_t>(f.begin() + kLongValueHeader,
                                         f.begin() + kLongValueHeader + length);
    }
    // No value can be longer than the file that holds it.
    if (std::uint64_t{length} > std::uint64_t{pager.page_count()} * kPageSize)
        return make_error(Errc::corrupt, "long value longer than the file");
    if (head & kSingleRowFlag) {
        JET_ASSIGN(Bytes row, long_value_row(pager, pointer));
        if (row.size() < length) return make_error(Errc::corrupt, "long value row too short");
        return std::vector<std::uint8_t>(row.begin(), row.begin() + length);
    }
    std::vector<std::uint8_t> out;
    out.reserve(length);
    std::unordered_set<std::uint32_t> seen;
    while (out.size() < length) {
        if (pointer == 0) return make_error(Errc::corrupt, "long value chain ends early");
        if (!seen.insert(pointer).second)
            return make_error(Errc::corrupt, "long value chain loops");
        JET_ASSIGN(Bytes row, long_value_row(pager, pointer));
        if (row.size() < 4) return make_error(Errc::corrupt, "long value link too short");
        pointer = load_u32(row.data());
        std::size_t take = std::min<std::size_t>(row.size() - 4, length - out.size());
        out.insert(out.end(), row.begin() + 4, row.begin() + 4 + static_cast<std::ptrdiff_t>(take));
    }
    return out;
}

namespace {

// Places the decimal point `scale` digits from the right, padding with zeros.
Decimal scaled(const std::string& digits, std::size_t scale, bool negative) {
    std::string out;
    out.reserve(digits.size() + scale + 3);
    if (negative) out.push_back('-');
    std::size_t width = std::max(digits.size(), scale + 1);
    for (std::size_t i = 0; i < width; ++i) {
        if (i == width - scale && scale > 0) out.push_back('.');
        std::size_t pad = width - digits.size();
        out.push_back(i < pad ? '0' : digits[i - pad]);
    }
    return Decimal{std::move(out)};
}

}  // namespace

Decimal decode_money(std::int64_t v) {
    bool negative = v < 0;
    std::uint64_t mag =
        negative ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
    return scaled(std::to_string(mag), 4, negative);
}

Decimal decode_numeric(Bytes f, std::uint8_t scale) {
    // Sign byte, then a 128-bit magnitude as four 32-bit little-endian words, high word first.
    std::array<std::uint32_t, 4> w{};
    for (std::size_t i = 0; i < 4; ++i)
        w[3 - i] = load_u32(f.data() + 1 + 4 * i);
    std::string digits;
    while (w[0] | w[1] | w[2] | w[3]) {
        std::uint64_t rem = 0;
        for (int i = 3; i >= 0; --i) {
            std::uint64_t cur = (rem << 32) | w[static_cast<std::size_t>(i)];
            w[static_cast<std::size_t>(i)] = static_cast<std::uint32_t>(cur / 10);
            rem = cur % 10;
        }
        digits.push_back(static_cast<char>('0' + rem));
    }
    std::reverse(digits.begin(), digits.end());
    // Minus zero is shown as zero.
    bool negative = (f[0] & 0x80) != 0 && !digits.empty();
    return scaled(digits, std::min<std::size_t>(scale, 38), negative);
}

Result<std::vector<Value>> decode_row(Pager& pager, const TableDef& table, Bytes row) {
    std::vector<Value> values;
    JET_TRY(decode_row_into(pager, table, row, values));
    return values;
}

namespace {

// Where each column's bytes sit in one stored row.
class RowLayout {
  public:
    static Result<RowLayout> of(const TableDef& table, Bytes row) {
        RowLayout l;
        l.row_ = row;
        if (row.size() < 2) return make_error(Errc::corrupt, "row shorter than its column count");
        l.columns_ = load_u16(row.data());
        l.mask_size_ = (std::size_t{l.columns_} + 7) / 8;
        if (row.size() < 2 + l.mask_size_)
            return make_error(Errc::corrupt, "row shorter than its null mask");
        if (table.variable_columns > 0) {
            if (row.size() < 2 + l.mask_size_ + 2)
                return make_error(Errc::corrupt, "row lacks its offset table");
            l.var_count_ = load_u16(row.data() + row.size() - l.mask_size_ - 2);
            std::size_t table_bytes = (l.var_count_ + 1) * 2;
            if (row.size() < 2 + l.mask_size_ + 2 + table_bytes)
                return make_error(Errc::corrupt, "variable-offset table larger than its row");
            l.table_at_ = row.size() - l.mask_size_ - 2 - table_bytes;
        }
        return l;
    }

    bool present(std::uint16_t number) const {
        const std::uint8_t* mask = row_.data() + row_.size() - mask_size_;
        return number < columns_ && (mask[number / 8] & (1u << (number % 8))) != 0;
    }

    // The column's bytes; none for a null (a yes/no column has none either way).
    Result<std::optional<Bytes>> field(const Column& c) const {
        if (c.type == ColumnType::boolean || !present(c.number)) return std::optional<Bytes>{};
        if (c.is_fixed()) {
            std::size_t at = 2 + std::size_t{c.fixed_offset};
            std::size_t len = stored_size(c);
            if (at + len > row_.size() - mask_size_)
                return make_error(Errc::corrupt, "fixed column " + c.name + " runs past its row");
            return std::optional<Bytes>(row_.subspan(at, len));
        }
        if (c.var_index >= var_count_) return std::optional<Bytes>{};
        std::size_t from = var_offset(c.var_index);
        std::size_t to = var_offset(std::size_t{c.var_index} + 1);
        if (from > to || to > table_at_)
            return make_error(Errc::corrupt, "variable column " + c.name + " lies outside its row");
        return std::optional<Bytes>(row_.subspan(from, to - from));
    }

  private:
    std::size_t var_offset(std::size_t i) const {
        return std::size_t{load_u16(row_.data() + row_.size() - mask_size_ - 4 - 2 * i)};
    }

    Bytes row_;
    std::uint16_t columns_ = 0;
    std::size_t mask_size_ = 0;
    std::size_t var_count_ = 0;
    std::size_t table_at_ = 0;  // where the variable-offset table ends (its lowest byte)
};

}  // namespace

namespace {

// Column `c` of the row laid out by `layout` into `slot`, reusing the text it holds.
Status decode_column(Pager& pager, const RowLayout& layout, const Column& c, Value& slot) {
    if (c.type == ColumnType::boolean) {
        slot = layout.present(c.number);
        return {};
    }
    JET_ASSIGN(std::optional<Bytes> field, layout.field(c));
    if (!field) {
        slot = std::monostate{};
        return {};
    }
    const Bytes f = *field;
    // The kinds every scan reads, straight into the slot; the rest through decode_field.
    switch (c.type) {
        case ColumnType::text:
            if (!std::holds_alternative<std::string>(slot)) slot = std::string();
            decode_text_into(f, std::get<std::string>(slot));
            return {};
        case ColumnType::long_integer:
            if (f.size() < 4) break;
            slot = std::int64_t{static_cast<std::int32_t>(load_u32(f.data()))};
            return {};
        case ColumnType::datetime:
            if (f.size() < 8) break;
            slot = DateTime{*f64_at(f, 0)};
            return {};
        default:
            break;
    }
    JET_ASSIGN(slot, decode_field(pager, c, f));
    return {};
}

}  // namespace

Status decode_row_into(Pager& pager, const TableDef& table, Bytes row, std::vector<Value>& values,
                       const std::vector<bool>* wanted) {
    JET_ASSIGN(RowLayout layout, RowLayout::of(table, row));
    // Slots keep their buffers from the previous row, so a scan allocates little.
    values.resize(table.columns.size());
    for (std::size_t k = 0; k < table.columns.size(); ++k) {
        if (wanted && !(*wanted)[k])
            values[k] = std::monostate{};
        else
            JET_TRY(decode_column(pager, layout, table.columns[k], values[k]));
    }
    return {};
}

Status decode_columns_into(Pager& pager, const TableDef& table, Bytes row,
                           const std::vector<std::size_t>& columns, std::vector<Value>& values) {
    JET_ASSIGN(RowLayout layout, RowLayout::of(table, row));
    values.resize(columns.size());
    for (std::size_t k = 0; k < columns.size(); ++k)
        JET_TRY(decode_column(pager, layout, table.columns[columns[k]], values[k]));
    return {};
}

Result<std::vector<Bytes>> long_value_references(const TableDef& table, Bytes row) {
    JET_ASSIGN(RowLayout layout, RowLayout::of(table, row));
    std::vector<Bytes> out;
    for (const Column& c : table.columns) {
        if (!c.is_long_value()) continue;
        JET_ASSIGN(std::optional<Bytes> field, layout.field(c));
        if (field) out.push_back(*field);
    }
    return out;
}

}  // namespace jet
