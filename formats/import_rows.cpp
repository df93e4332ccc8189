#include "formats/import_rows.h"

#include <charconv>
#include <cmath>
#include <map>

#include "formats/serial_dates.h"
#include "formats/typed_dates.h"
#include "formats/utf8.h"
#include "jet/text.h"
#include "services/date_format.h"

namespace formats {

namespace {

constexpr std::size_t kHeaderSearchRows = 10;

std::size_t stored_length(std::string_view utf8) {
    std::size_t units = 0;
    for (unsigned char c : utf8) {
        if ((c & 0xC0) == 0x80) continue;
        units += c >= 0xF0 ? 2 : 1;  // beyond the BMP: a surrogate pair
    }
    return units;
}

// A cell as the text a user would have typed: whole numbers without a fraction.
std::string cell_text(const Cell& cell) {
    switch (cell.kind) {
        case CellKind::text:
            return cell.text;
        case CellKind::number:
        case CellKind::percent: {
            char buffer[32];
            const double v = cell.value;
            const auto end =
                std::abs(v) < 1e15 && v == std::trunc(v)
                    ? std::to_chars(buffer, buffer + sizeof buffer, static_cast<long long>(v))
                    : std::to_chars(buffer, buffer + sizeof buffer, v);
            return std::string(buffer, end.ptr);
        }
        case CellKind::date:
            return services::format_date(cell.value, "%y-%m-%d");
        case CellKind::empty:
            break;
    }
    return {};
}

// Digits with at most one decimal point, as a typed serial number would be.
bool bare_number(std::string_view typed) {
    const std::string half = utf8::to_half_width(typed);
    std::string_view text = half;
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    if (text.empty()) return false;
    std::size_t points = 0;
    for (char c : text) {
        if (c == '.') {
            ++points;
        } else if (c < '0' || c > '9') {
            return false;
        }
    }
    return points <= 1 && text != ".";
}

// Line breaks as the editor's box and the sheets write them: a workbook's cell or a text file
// from elsewhere may break lines with LF or CR alone, which the box would show as one line.
std::string with_crlf(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            out += "\r\n";
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            continue;
        }
        out += text[i];
    }
    return out;
}

struct PairLess {
    bool operator()(const std::pair<std::string, std::string>& a,
                    const std::pair<std::string, std::string>& b) const {
        const int first = jet::text_compare_nocase(a.first, b.first);
        if (first != 0) return first < 0;
        return jet::text_compare_nocase(a.second, b.second) < 0;
    }
};

// Where each meaning is found; npos for nowhere.
struct ColumnsOf {
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::size_t customer_id = kNone, our_id = kNone, first_enquiry = kNone, last_follow_up = kNone,
                deal_date = kNone, note = kNone;
};

Result<ColumnsOf> columns_of(std::span<const ColumnMeaning> columns, const ImportOptions& options) {
    ColumnsOf at;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        std::size_t* slot = nullptr;
        switch (columns[i]) {
            case ColumnMeaning::customer_id:
                slot = &at.customer_id;
                break;
            case ColumnMeaning::our_id:
                slot = &at.our_id;
                break;
            case ColumnMeaning::first_enquiry:
                slot = &at.first_enquiry;
                break;
            case ColumnMeaning::last_follow_up:
                slot = &at.last_follow_up;
                break;
            case ColumnMeaning::deal_date:
                slot = &at.deal_date;
                break;
            case ColumnMeaning::note:
                slot = &at.note;
                break;
            case ColumnMeaning::none:
            case ColumnMeaning::running_number:
                break;
        }
        if (!slot) continue;
        if (*slot != ColumnsOf::kNone)
            return invalid_value("第" + std::to_string(*slot + 1) + "列和第" +
                                 std::to_string(i + 1) + "列都选成了“" +
                                 std::string(meaning_name(columns[i])) + "”，请只选一列");
        *slot = i;
    }
    const auto need = [](std::size_t column, ColumnMeaning meaning) -> Status {
        if (column != ColumnsOf::kNone) return {};
        return invalid_value("请选出“" + std::string(meaning_name(meaning)) + "”在哪一列");
    };
    JET_TRY(need(at.customer_id, ColumnMeaning::customer_id));
    if (at.our_id == ColumnsOf::kNone && options.default_our_id.empty())
        return invalid_value("请选出“我们的旺旺”在哪一列，或者指定这些客户是哪个旺旺接待的");
    JET_TRY(need(at.first_enquiry, ColumnMeaning::first_enquiry));
    if (options.list == ImportList::closed) {
        JET_TRY(need(at.deal_date, ColumnMeaning::deal_date));
    } else {
        JET_TRY(need(at.last_follow_up, ColumnMeaning::last_follow_up));
    }
    return at;
}

struct Problem {
    LeftOut kind;
    std::string text;
};

class RowReader {
  public:
    RowReader(const Row& row, DateSystem dates, const ImportOptions& options)
        : row_(row), dates_(dates), options_(options) {}

    const std::vector<Problem>& problems() const { return problems_; }

    const Cell& cell(std::size_t column) const {
        static const Cell kEmpty;
        return column < row_.size() ? row_[column] : kEmpty;
    }

    std::string id(std::size_t column, std::string_view fallback, std::string_view what) {
        const Cell& c = column == ColumnsOf::kNone ? cell(row_.size()) : cell(column);
        std::string text = cell_text(c);
        if (c.formula) {
            // A count, a sum or a lookup: whatever it gave, nobody typed it as an ID.
            problems_.push_back(
                {LeftOut::formula, std::string(what) + "是公式算出来的" +
                                       (text.empty() ? std::string() : "（“" + text + "”）") +
                                       "，不是旺旺号"});
            return text;
        }
        if (options_.clean_id) text = options_.clean_id(text);
        if (text.empty() && !fallback.empty()) {
            text = std::string(fallback);
            if (options_.clean_id) text = options_.clean_id(text);
        }
        if (text.empty()) {
            problems_.push_back({LeftOut::missing, "没有" + std::string(what)});
        } else if (text.find_first_of("\r\n") != std::string::npos) {
            problems_.push_back({LeftOut::bad_id, std::string(what) + "里不能有换行"});
        } else if (stored_length(text) > kMaxImportedIdLength) {
            problems_.push_back(
                {LeftOut::bad_id,
                 std::string(what) + "超过" + std::to_string(kMaxImportedIdLength) + "个字"});
        }
        return text;
    }

    double date(std::size_t column, std::string_view what) {
        const Cell& c = cell(column);
        if (c.empty()) {
            problems_.push_back({LeftOut::missing, "没有" + std::string(what)});
            return 0;
        }
        std::optional<double> days;
        if (c.kind == CellKind::date) {
            if (c.value >= 1) days = c.value;  // below: a time of day alone
        } else if (c.kind == CellKind::number) {
            // A serial below 1 is a time of day alone, no date.
            if (c.value >= 1) days = serial_to_days(c.value, dates_);
        } else if (bare_number(c.text)) {
            problems_.push_back(
                {LeftOut::number_date, std::string(what) + "“" + c.text +
                                           "”只是一个数字，不知道是哪一天，请写成 2014-5-23 "
                                           "这样的日期"});
            return 0;
        } else {
            days = parse_typed_date(c.text);
        }
        if (!days) {
            problems_.push_back(
                {LeftOut::bad_date, std::string(what) + "“" + cell_text(c) + "”不是有效的日期"});
            return 0;
        }
        return *days;
    }

  private:
    const Row& row_;
    DateSystem dates_;
    const ImportOptions& options_;
    std::vector<Problem> problems_;
};

std::string row_text(std::size_t row, std::string_view what) {
    return "第" + std::to_string(row) + "行：" + std::string(what);
}

}  // namespace

std::string left_out_name(LeftOut kind) {
    switch (kind) {
        case LeftOut::above_header:
            return "表头上面的标题";
        case LeftOut::total:
            return "合计行";
        case LeftOut::repeated:
            return "文件里重复的";
        case LeftOut::formula:
            return "旺旺号是公式算出来的";
        case LeftOut::number_date:
            return "日期只写了一个数字的";
        case LeftOut::bad_date:
            return "日期不对的";
        case LeftOut::missing:
            return "缺少旺旺号或日期的";
        case LeftOut::bad_id:
            return "旺旺号太长或有换行的";
    }
    return {};
}

bool is_total_row(const Row& row, std::size_t customer_id_column) {
    static constexpr std::string_view kTotals[] = {"合计", "总计", "小计", "共计"};
    const auto says_total = [](const Cell& c, bool whole) {
        if (c.kind != CellKind::text) return false;
        const std::string text = normalise_header(c.text);
        for (std::string_view word : kTotals)
            if (whole ? text == word : text.starts_with(word)) return true;
        return false;
    };
    for (std::size_t column = 0; column < customer_id_column && column < row.size(); ++column)
        if (says_total(row[column], false)) return true;
    return customer_id_column < row.size() && says_total(row[customer_id_column], true);
}

std::optional<std::size_t> find_header_row(const Table& table) {
    const std::size_t rows = std::min(table.rows.size(), kHeaderSearchRows);
    for (std::size_t r = 0; r < rows; ++r) {
        const Row& row = table.rows[r];
        std::vector<bool> seen(8, false);
        std::size_t meanings = 0, filled = 0;
        for (const ColumnMeaning m : guess_columns(row)) {
            const auto index = static_cast<std::size_t>(m);
            if (m != ColumnMeaning::none && !seen[index]) {
                seen[index] = true;
                ++meanings;
            }
        }
        for (const Cell& c : row)
            filled += c.empty() ? 0 : 1;
        if (meanings >= 2 || (meanings == 1 && filled == 1)) return r;
    }
    return std::nullopt;
}

Result<ImportResult> import_rows(const Table& table, std::span<const ColumnMeaning> columns,
                                 const ImportOptions& options) {
    JET_ASSIGN(const ColumnsOf at, columns_of(columns, options));
    const bool closed = options.list == ImportList::closed;
    ImportResult result;
    std::size_t first = 0;
    if (const auto header = find_header_row(table)) {
        result.header_row = *header + 1;
        for (std::size_t r = 0; r < *header; ++r)
            if (!row_is_empty(table.rows[r]))
                result.skipped.push_back({r + 1,
                                          row_text(r + 1, "在表头的上面（标题），不是客户，已略过"),
                                          LeftOut::above_header});
        first = *header + 1;
    }

    std::map<std::pair<std::string, std::string>, std::size_t, PairLess> seen;
    for (std::size_t r = first; r < table.rows.size(); ++r) {
        const Row& row = table.rows[r];
        if (row_is_empty(row)) continue;
        const std::size_t number = r + 1;
        if (is_total_row(row, at.customer_id)) {
            result.skipped.push_back(
                {number, row_text(number, "是合计行，不是客户，已略过"), LeftOut::total});
            continue;
        }
        RowReader read(row, table.dates, options);
        ImportedCustomer customer;
        customer.row = number;
        customer.fields.buyer = read.id(at.customer_id, {}, "客户旺旺号");
        customer.fields.our_id = read.id(at.our_id, options.default_our_id, "我们的旺旺");
        customer.fields.first_enquiry = read.date(at.first_enquiry, "第一次咨询日期");
        if (closed) {
            const double deal = read.date(at.deal_date, "交易日期");
            customer.deal_date = deal;
            customer.fields.last_follow_up = at.last_follow_up == ColumnsOf::kNone
                                                 ? deal
                                                 : read.date(at.last_follow_up, "最后跟踪日期");
        } else {
            customer.fields.last_follow_up = read.date(at.last_follow_up, "最后跟踪日期");
        }
        if (at.note != ColumnsOf::kNone)
            customer.fields.note = with_crlf(cell_text(read.cell(at.note)));

        if (!read.problems().empty()) {
            std::string reasons;
            for (const auto& p : read.problems())
                reasons += (reasons.empty() ? "" : "；") + p.text;
            result.refused.push_back(
                {number, row_text(number, reasons), read.problems().front().kind});
            continue;
        }
        const auto [it, added] =
            seen.try_emplace({customer.fields.buyer, customer.fields.our_id}, number);
        if (!added) {
            result.skipped.push_back(
                {number,
                 row_text(number, "和第" + std::to_string(it->second) +
                                      "行是同一个客户（客户旺旺号和我们的旺旺都相同），已略过"),
                 LeftOut::repeated});
            continue;
        }
        result.customers.push_back(std::move(customer));
    }
    return result;
}

}  // namespace formats
