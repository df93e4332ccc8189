#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <optional>
#include <queue>

#include "formats/cell_reference.h"
#include "formats/ooxml_text.h"
#include "formats/read_limits.h"
#include "formats/xlsx_parts.h"
#include "formats/xml_reader.h"
#include "jet/civil_date.h"

namespace formats::xlsx {

namespace {

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::optional<double> number_of(std::string_view text) {
    text = trimmed(text);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<std::size_t> count_of(std::string_view text) {
    std::size_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

// Reads `digits` digits at `at`.
std::optional<unsigned> digits_at(std::string_view text, std::size_t at, std::size_t digits) {
    if (text.size() < at + digits) return std::nullopt;
    unsigned value = 0;
    for (std::size_t i = at; i < at + digits; ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        value = value * 10 + static_cast<unsigned>(text[i] - '0');
    }
    return value;
}

// An ISO 8601 date of a t="d" cell: 2014-05-23, 2014-05-23T10:20, 2014-05-23T10:20:30.5Z.
std::optional<double> iso_date(std::string_view text) {
    text = trimmed(text);
    const auto year = digits_at(text, 0, 4), month = digits_at(text, 5, 2),
               day = digits_at(text, 8, 2);
    if (!year || !month || !day || text[4] != '-' || text[7] != '-') return std::nullopt;
    const jet::CivilDate date{*year, *month, *day};
    if (*month < 1 || *month > 12 || *day < 1 ||
        jet::civil_from_days(jet::days_from_civil(date)) != date)
        return std::nullopt;
    double seconds = 0;
    std::string_view rest = text.substr(10);
    if (!rest.empty()) {
        const auto hour = digits_at(rest, 1, 2), minute = digits_at(rest, 4, 2);
        if (rest[0] != 'T' || !hour || !minute || rest[3] != ':' || *hour > 23 || *minute > 59)
            return std::nullopt;
        seconds = *hour * 3600.0 + *minute * 60.0;
        rest.remove_prefix(6);
        if (rest.starts_with(':')) {
            const auto second = digits_at(rest, 1, 2);
            if (!second || *second > 59) return std::nullopt;
            seconds += *second;
            rest.remove_prefix(3);
            if (rest.starts_with('.')) {
                std::size_t n = 1;
                while (n < rest.size() && rest[n] >= '0' && rest[n] <= '9')
                    ++n;
                if (n == 1) return std::nullopt;
                seconds += *number_of(std::string("0") + std::string(rest.substr(0, n)));
                rest.remove_prefix(n);
            }
        }
        if (rest == "Z") rest = {};
        if (!rest.empty()) return std::nullopt;
    }
    return static_cast<double>(jet::days_from_civil(date) + jet::kEngineEpochOffset) +
           seconds / 86400.0;
}

struct Merge {
    CellPosition first, last;
};

class SheetReader {
  public:
    SheetReader(std::string_view xml, const SheetContext& context)
        : reader_(xml), context_(context) {}

    Result<Table> read();

  private:
    Error fault(const std::string& what) const {
        return damaged("工作表第" + std::to_string(row_ + 1) + "行：" + what);
    }
    Status start_row();
    Status start_cell();
    Result<Cell> finish_cell() const;
    Status place(Cell cell);
    Status apply_merges();

    XmlReader reader_;
    const SheetContext& context_;
    Table table_;
    std::size_t cells_ = 0;
    std::vector<Merge> merges_;

    bool in_data_ = false, in_row_ = false, in_cell_ = false, in_value_ = false;
    bool in_inline_ = false, in_text_ = false, formula_ = false;
    int phonetic_ = 0;
    bool any_row_ = false;
    std::size_t row_ = 0;
    bool any_cell_ = false;
    std::size_t column_ = 0;
    std::string type_;
    std::size_t style_ = 0;
    std::string value_;
    bool has_value_ = false;
    std::string inline_;
};

Status SheetReader::start_row() {
    std::size_t row = any_row_ ? row_ + 1 : 0;
    if (const std::string* r = reader_.attribute("r")) {
        const auto n = count_of(*r);
        if (!n || *n == 0 || *n > kMaxSheetRows) return fault("行号“" + *r + "”不对");
        if (any_row_ && *n - 1 <= row_) return fault("行的顺序不对");
        row = *n - 1;
    }
    if (row >= kMaxSheetRows) return fault("超出了表格的最大行数");
    row_ = row;
    any_row_ = true;
    any_cell_ = false;
    return {};
}

Status SheetReader::start_cell() {
    std::size_t column = any_cell_ ? column_ + 1 : 0;
    if (const std::string* r = reader_.attribute("r")) {
        const auto position = parse_cell_reference(*r);
        if (!position) return fault("单元格位置“" + *r + "”不对");
        if (position->row != row_) return fault("单元格" + *r + "不在它所在的行里");
        if (any_cell_ && position->column <= column_) return fault("单元格的顺序不对");
        column = position->column;
    }
    if (column >= kMaxSheetColumns) return fault("超出了表格的最大列数");
    column_ = column;
    any_cell_ = true;
    const std::string* type = reader_.attribute("t");
    type_ = type ? *type : "n";
    style_ = 0;
    if (const std::string* s = reader_.attribute("s")) {
        const auto n = count_of(*s);
        if (!n) return fault("单元格样式“" + *s + "”不对");
        style_ = *n;
    }
    value_.clear();
    inline_.clear();
    has_value_ = false;
    formula_ = false;
    return {};
}

Result<Cell> SheetReader::finish_cell() const {
    const std::string where = cell_reference({row_, column_});
    const auto text_cell = [](std::string text) {
        return text.empty() ? Cell{} : Cell::make_text(ooxml_unescape(text));
    };
    if (type_ == "inlineStr") return text_cell(inline_);
    if (!has_value_) return Cell{};
    if (type_ == "s") {
        const auto index = count_of(trimmed(value_));
        if (!index || *index >= context_.strings.size())
            return fault("单元格" + where + "指向了不存在的共享文字");
        const std::string_view s = context_.strings[*index];
        return s.empty() ? Cell{} : Cell::make_text(std::string(s));
    }
    if (type_ == "str" || type_ == "e") return text_cell(value_);
    if (type_ == "b") {
        const std::string_view v = trimmed(value_);
        if (v == "1" || v == "true") return Cell::make_text("TRUE");
        if (v == "0" || v == "false") return Cell::make_text("FALSE");
        return fault("单元格" + where + "的逻辑值“" + value_ + "”不对");
    }
    if (type_ == "d") {
        if (trimmed(value_).empty()) return Cell{};
        const auto days = iso_date(value_);
        if (!days) return fault("单元格" + where + "的日期“" + value_ + "”不对");
        return Cell::make_date(*days);
    }
    if (type_ != "n") return fault("单元格" + where + "的类型“" + type_ + "”不认识");
    if (trimmed(value_).empty()) return Cell{};
    const auto number = number_of(value_);
    if (!number) return fault("单元格" + where + "的数值“" + value_ + "”不对");
    if (context_.styles.is_date(style_)) {
        if (const auto days = serial_to_days(*number, context_.dates))
            return Cell::make_date(*days);
    }
    return Cell::make_number(*number);
}

Status SheetReader::place(Cell cell) {
    if (cell.empty() && !cell.formula) return {};
    if (row_ >= context_.max_rows) return over_rows(context_.max_rows);
    auto& rows = table_.rows;
    if (rows.size() <= row_) rows.resize(row_ + 1);
    Row& row = rows[row_];
    if (row.size() <= column_) {
        cells_ += column_ + 1 - row.size();
        if (cells_ > context_.max_cells) return over_cells(context_.max_cells);
        row.resize(column_ + 1);
    }
    row[column_] = std::move(cell);
    return {};
}

// Merged ranges are swept row by row: the ranges that cover a row, kept by their first column,
// are disjoint, so each row costs its own cells and each range is added and removed once,
// however many rows and ranges there are.
class MergeSweep {
  public:
    // Makes the ranges starting at `row` active and drops those that ended above it. Gives the
    // first pair of active ranges that overlap, when one does.
    std::optional<std::pair<Merge, Merge>> advance(std::size_t row,
                                                   const std::vector<Merge>& sorted,
                                                   std::size_t& next) {
        while (!ends_.empty() && ends_.top().first < row) {
            active_.erase(ends_.top().second);
            ends_.pop();
        }
        for (; next < sorted.size() && sorted[next].first.row <= row; ++next) {
            const Merge& m = sorted[next];
            auto after = active_.upper_bound(m.first.column);
            if (after != active_.end() && after->second.first.column <= m.last.column)
                return std::pair{after->second, m};
            if (after != active_.begin() && std::prev(after)->second.last.column >= m.first.column)
                return std::pair{std::prev(after)->second, m};
            active_.emplace(m.first.column, m);
            ends_.push({m.last.row, m.first.column});
        }
        return std::nullopt;
    }

    // Empties every cell of the row that a range covers, except a range's top-left cell.
    void apply(std::size_t r, Row& row) const {
        for (auto it = active_.begin(); it != active_.end() && it->first < row.size(); ++it) {
            const Merge& m = it->second;
            for (std::size_t c = m.first.column; c <= m.last.column && c < row.size(); ++c)
                if (r != m.first.row || c != m.first.column) row[c] = Cell{};
        }
    }

  private:
    std::map<std::size_t, Merge> active_;
    using End = std::pair<std::size_t, std::size_t>;  // last row, first column
    std::priority_queue<End, std::vector<End>, std::greater<End>> ends_;
};

std::string range_text(const Merge& m) {
    return cell_reference(m.first) + ":" + cell_reference(m.last);
}

Status SheetReader::apply_merges() {
    std::sort(merges_.begin(), merges_.end(), [](const Merge& a, const Merge& b) {
        return std::pair(a.first.row, a.first.column) < std::pair(b.first.row, b.first.column);
    });
    // Every range is checked against the others, also below the last row with a value.
    MergeSweep check;
    for (std::size_t next = 0; next < merges_.size();) {
        if (const auto overlap = check.advance(merges_[next].first.row, merges_, next))
            return damaged("合并单元格" + range_text(overlap->first) + "和" +
                           range_text(overlap->second) + "互相重叠，文件已损坏");
    }
    MergeSweep sweep;
    std::size_t next = 0;
    for (std::size_t r = 0; r < table_.rows.size(); ++r) {
        (void)sweep.advance(r, merges_, next);
        sweep.apply(r, table_.rows[r]);
    }
    return {};
}

Result<Table> SheetReader::read() {
    for (;;) {
        JET_ASSIGN(const XmlEvent event, reader_.next());
        if (event == XmlEvent::done) break;
        if (event == XmlEvent::text) {
            if (in_value_) value_ += reader_.text();
            if (in_text_) inline_ += reader_.text();
            continue;
        }
        const std::string_view name = local_name(reader_.name());
        if (event == XmlEvent::start) {
            if (reader_.depth() == 1 && name != "worksheet")
                return damaged("第一个工作表不是普通的工作表（可能是图表或对话框）");
            if (reader_.depth() == 2 && name == "sheetData") {
                in_data_ = true;
            } else if (in_data_ && !in_row_ && name == "row") {
                in_row_ = true;
                JET_TRY(start_row());
            } else if (in_row_ && !in_cell_ && name == "c") {
                in_cell_ = true;
                JET_TRY(start_cell());
            } else if (in_cell_ && name == "v") {
                in_value_ = true;
                has_value_ = true;
            } else if (in_cell_ && name == "f") {
                formula_ = true;
            } else if (in_cell_ && name == "is") {
                in_inline_ = true;
            } else if (in_inline_ && name == "rPh") {
                ++phonetic_;
            } else if (in_inline_ && phonetic_ == 0 && name == "t") {
                in_text_ = true;
            } else if (!in_data_ && name == "mergeCell") {
                const std::string* ref = reader_.attribute("ref");
                if (!ref) return damaged("合并单元格没有写范围");
                const std::size_t colon = ref->find(':');
                const auto first = parse_cell_reference(std::string_view(*ref).substr(0, colon));
                const auto last =
                    colon == std::string::npos
                        ? first
                        : parse_cell_reference(std::string_view(*ref).substr(colon + 1));
                if (!first || !last || first->row > last->row || first->column > last->column)
                    return damaged("合并单元格的范围“" + *ref + "”不对");
                merges_.push_back({*first, *last});
            }
        } else {
            if (name == "v") {
                in_value_ = false;
            } else if (name == "t") {
                in_text_ = false;
            } else if (name == "rPh") {
                --phonetic_;
            } else if (name == "is") {
                in_inline_ = false;
            } else if (in_cell_ && name == "c") {
                in_cell_ = false;
                JET_ASSIGN(Cell cell, finish_cell());
                // A formula never calculated (as some writers leave it) is kept as a formula
                // without a value, so the import can say what it is.
                cell.formula = formula_;
                JET_TRY(place(std::move(cell)));
            } else if (in_row_ && !in_cell_ && name == "row") {
                in_row_ = false;
            } else if (in_data_ && !in_row_ && name == "sheetData") {
                in_data_ = false;
            }
        }
    }
    JET_TRY(apply_merges());
    auto& rows = table_.rows;
    for (Row& row : rows)
        while (!row.empty() && row.back().empty() && !row.back().formula)
            row.pop_back();
    while (!rows.empty() && rows.back().empty())
        rows.pop_back();
    return std::move(table_);
}

}  // namespace

Result<Table> read_worksheet(std::string_view xml, const SheetContext& context) {
    return SheetReader(xml, context).read();
}

}  // namespace formats::xlsx
