#include "jet/row_encoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "jet/bytes.h"
#include "jet/format.h"
#include "jet/text.h"

namespace jet {

namespace {

using longvalue::kInlineFlag;

Error refuse(const Column& c, const std::string& why) {
    return make_error(Errc::type_mismatch, "column " + c.name + ": " + why);
}

Result<std::int64_t> integer_of(const Column& c, const Value& v, std::int64_t lo, std::int64_t hi) {
    std::int64_t n;
    if (auto i = std::get_if<std::int64_t>(&v)) {
        n = *i;
    } else if (auto b = std::get_if<bool>(&v)) {
        n = *b ? -1 : 0;
    } else if (auto d = std::get_if<double>(&v)) {
        if (!std::isfinite(*d) || *d < static_cast<double>(lo) - 0.5 ||
            *d > static_cast<double>(hi) + 0.5)
            return refuse(c, "number out of range");
        n = std::llround(*d);
    } else {
        return refuse(c, "not a number");
    }
    if (n < lo || n > hi) return refuse(c, "number out of range");
    return n;
}

Result<double> real_of(const Column& c, const Value& v) {
    if (auto d = std::get_if<double>(&v)) return *d;
    if (auto t = std::get_if<DateTime>(&v)) return t->days;
    if (auto i = std::get_if<std::int64_t>(&v)) return static_cast<double>(*i);
    return refuse(c, "not a number");
}

void put(std::vector<std::uint8_t>& out, std::size_t at, std::uint64_t v, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

Status encode_fixed(const Column& c, const Value& v, std::vector<std::uint8_t>& out,
                    std::size_t at) {
    switch (c.type) {
        case ColumnType::byte: {
            JET_ASSIGN(std::int64_t n, integer_of(c, v, 0, 255));
            put(out, at, static_cast<std::uint64_t>(n), 1);
            return {};
        }
        case ColumnType::integer: {
            JET_ASSIGN(std::int64_t n, integer_of(c, v, -32768, 32767));
            put(out, at, static_cast<std::uint64_t>(n), 2);
            return {};
        }
        case ColumnType::long_integer: {
            JET_ASSIGN(std::int64_t n, integer_of(c, v, std::numeric_limits<std::int32_t>::min(),
                                                  std::numeric_limits<std::int32_t>::max()));
            put(out, at, static_cast<std::uint64_t>(n), 4);
            return {};
        }
        case ColumnType::big_integer: {
            JET_ASSIGN(std::int64_t n, integer_of(c, v, std::numeric_limits<std::int64_t>::min(),
                                                  std::numeric_limits<std::int64_t>::max()));
            put(out, at, static_cast<std::uint64_t>(n), 8);
            return {};
        }
        case ColumnType::double_:
        case ColumnType::datetime: {
            JET_ASSIGN(double d, real_of(c, v));
            if (c.type == ColumnType::datetime && !std::holds_alternative<DateTime>(v))
                return refuse(c, "not a date");
            std::uint64_t bits;
            std::memcpy(&bits, &d, 8);
            put(out, at, bits, 8);
            return {};
        }
        case ColumnType::single: {
            JET_ASSIGN(double d, real_of(c, v));
            auto f = static_cast<float>(d);
            std::uint32_t bits;
            std::memcpy(&bits, &f, 4);
            put(out, at, bits, 4);
            return {};
        }
        case ColumnType::text: {
            auto s = std::get_if<std::string>(&v);
            if (!s) return refuse(c, "not text");
            auto bytes = encode_text(*s, false);  // fixed text is never compressed
            if (bytes.size() > c.length) return refuse(c, "text longer than the column");
            std::copy(bytes.begin(), bytes.end(), out.begin() + static_cast<std::ptrdiff_t>(at));
            // The rest of a fixed text column holds blanks.
            for (std::size_t i = bytes.size(); i + 1 < c.length; i += 2)
                put(out, at + i, 0x20, 2);
            return {};
        }
        default: {
            // Fixed binary kinds, as the system tables use them: the bytes, zero-padded.
            auto b = std::get_if<Binary>(&v);
            if (!b) return refuse(c, "this kind of column cannot be written");
            if (b->bytes.size() > stored_size(c)) return refuse(c, "value longer than the column");
            std::copy(b->bytes.begin(), b->bytes.end(),
                      out.begin() + static_cast<std::ptrdiff_t>(at));
            return {};
        }
    }
}

Result<std::vector<std::uint8_t>> encode_variable(const Column& c, const Value& v,
                                                  const LongValueStore& store_long) {
    switch (c.type) {
        case ColumnType::text: {
            auto s = std::get_if<std::string>(&v);
            if (!s) return refuse(c, "not text");
            if (utf8_to_utf16(*s).size() * 2 > c.length)
                return refuse(c, "text longer than the column");
            return encode_text(*s, c.compressed_unicode());
        }
        case ColumnType::binary: {
            auto b = std::get_if<Binary>(&v);
            if (!b) return refuse(c, "not binary");
            if (b->bytes.size() > c.length) return refuse(c, "value longer than the column");
            return b->bytes;
        }
        case ColumnType::memo:
        case ColumnType::ole: {
            std::vector<std::uint8_t> stored;
            if (c.type == ColumnType::memo) {
                auto s = std::get_if<std::string>(&v);
                if (!s) return refuse(c, "not text");
                stored = encode_text(*s, c.compressed_unicode());
            } else {
                auto b = std::get_if<Binary>(&v);
                if (!b) return refuse(c, "not binary");
                stored = b->bytes;
            }
            if (stored.size() > 0x3FFFFFFF) return refuse(c, "value too long");
            if (stored.size() <= kInlineLongValueLimit) return inline_long_value(stored);
            return store_long(stored);
        }
        default: {
            // Numbers and dates may sit in the variable area too (the system tables do so).
            std::vector<std::uint8_t> out(stored_size(c), 0);
            JET_TRY(encode_fixed(c, v, out, 0));
            return out;
        }
    }
}

}  // namespace

std::vector<std::uint8_t> inline_long_value(std::span<const std::uint8_t> stored) {
    std::vector<std::uint8_t> out(12 + stored.size(), 0);
    store_u32(out.data(), static_cast<std::uint32_t>(stored.size()) | kInlineFlag);
    std::copy(stored.begin(), stored.end(), out.begin() + 12);
    return out;
}

Result<std::vector<std::uint8_t>> encode_row(const TableDef& table,
                                             const std::vector<Value>& values,
                                             const LongValueStore& store_long) {
    if (values.size() != table.columns.size())
        return make_error(Errc::type_mismatch,
                          "row has " + std::to_string(values.size()) + " values for " +
                              std::to_string(table.columns.size()) + " columns");
    // Rows carry a slot for every column number ever used, deleted ones included.
    std::size_t column_slots = table.max_columns;
    std::size_t fixed_size = 0;
    std::size_t var_slots = 0;
    for (const Column& c : table.columns) {
        column_slots = std::max<std::size_t>(column_slots, std::size_t{c.number} + 1);
        if (c.type == ColumnType::boolean) continue;
        if (c.is_fixed())
            fixed_size = std::max(fixed_size, std::size_t{c.fixed_offset} + stored_size(c));
        else
            var_slots = std::max(var_slots, std::size_t{c.var_index} + 1);
    }
    var_slots = std::max<std::size_t>(var_slots, table.variable_columns);

    std::vector<std::uint8_t> mask((column_slots + 7) / 8, 0);
    std::vector<std::uint8_t> row(2 + fixed_size, 0);
    put(row, 0, column_slots, 2);
    std::vector<std::vector<std::uint8_t>> var(var_slots);
    std::vector<bool> var_present(var_slots, false);
    for (std::size_t k = 0; k < table.columns.size(); ++k) {
        const Column& c = table.columns[k];
        const Value& v = values[k];
        if (c.type == ColumnType::boolean) {
            // A yes/no value lives in the null mask alone; null reads as no.
            bool yes = false;
            if (auto b = std::get_if<bool>(&v))
                yes = *b;
            else if (auto i = std::get_if<std::int64_t>(&v))
                yes = *i != 0;
            else if (!is_null(v))
                return refuse(c, "not yes or no");
            if (yes)
                mask[c.number / 8] =
                    static_cast<std::uint8_t>(mask[c.number / 8] | (1u << (c.number % 8)));
            continue;
        }
        if (is_null(v)) continue;
        mask[c.number / 8] = static_cast<std::uint8_t>(mask[c.number / 8] | (1u << (c.number % 8)));
        if (c.is_fixed()) {
            JET_TRY(encode_fixed(c, v, row, 2 + std::size_t{c.fixed_offset}));
        } else {
            JET_ASSIGN(var[c.var_index], encode_variable(c, v, store_long));
            var_present[c.var_index] = true;
        }
    }

    std::vector<std::uint16_t> offsets;
    if (var_slots > 0) {
        for (std::size_t i = 0; i < var_slots; ++i) {
            offsets.push_back(static_cast<std::uint16_t>(row.size()));
            row.insert(row.end(), var[i].begin(), var[i].end());
            if (row.size() > kMaxRowSize) return make_error(Errc::full, "row longer than a page");
        }
        offsets.push_back(static_cast<std::uint16_t>(row.size()));  // end of the data
        // The offsets are stored last to first, then their count.
        for (auto it = offsets.rbegin(); it != offsets.rend(); ++it) {
            row.push_back(static_cast<std::uint8_t>(*it));
            row.push_back(static_cast<std::uint8_t>(*it >> 8));
        }
        row.push_back(static_cast<std::uint8_t>(var_slots));
        row.push_back(static_cast<std::uint8_t>(var_slots >> 8));
    }
    row.insert(row.end(), mask.begin(), mask.end());
    if (row.size() > kMaxRowSize) return make_error(Errc::full, "row longer than a page");
    return row;
}

}  // namespace jet
