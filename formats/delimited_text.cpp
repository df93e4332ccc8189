#include "formats/delimited_text.h"

#include <algorithm>
#include <map>
#include <string_view>

#include "formats/read_limits.h"
#include "formats/utf8.h"
#include "runtime/platform.h"

namespace formats {

namespace {

// Reads one record at a time.
class Splitter {
  public:
    Splitter(std::string_view text, char delimiter) : text_(text), delimiter_(delimiter) {}

    bool done() const { return at_ >= text_.size(); }
    std::size_t records() const { return records_; }

    // The next record's fields. An unclosed quote is an error naming the record it began in.
    Result<std::vector<std::string>> next() {
        std::vector<std::string> fields;
        ++records_;
        for (;;) {
            std::string field;
            if (at_ < text_.size() && text_[at_] == '"') {
                JET_TRY(quoted(field));
            } else {
                // One pass over the field's bytes: a search for any of three characters
                // looks each byte up in the set, a call per byte.
                std::size_t end = at_;
                while (end < text_.size() && !stops_at(end))
                    ++end;
                field.assign(text_, at_, end - at_);
                at_ = end;
            }
            fields.push_back(std::move(field));
            if (at_ >= text_.size()) break;
            const char c = text_[at_++];
            if (c == delimiter_) {
                // A delimiter at the very end still opens one more (empty) field.
                if (at_ >= text_.size()) {
                    fields.emplace_back();
                    break;
                }
                continue;
            }
            if (c == '\r' && at_ < text_.size() && text_[at_] == '\n') ++at_;
            break;
        }
        return fields;
    }

  private:
    bool stops_at(std::size_t at) const {
        const char c = text_[at];
        return c == delimiter_ || c == '\r' || c == '\n';
    }
    bool ends_field(std::size_t at) const { return at >= text_.size() || stops_at(at); }

    Status quoted(std::string& field) {
        ++at_;
        for (;;) {
            const std::size_t quote = text_.find('"', at_);
            if (quote == std::string_view::npos)
                return damaged("第" + std::to_string(records_) +
                               "行：引号里的内容一直到文件末尾都没有结束的引号");
            field.append(text_, at_, quote - at_);
            at_ = quote + 1;
            if (at_ < text_.size() && text_[at_] == '"') {
                field += '"';
                ++at_;
            } else if (ends_field(at_)) {
                return {};
            } else {
                field += '"';  // a quote inside the text, not doubled
            }
        }
    }

    std::string_view text_;
    char delimiter_;
    std::size_t at_ = 0;
    std::size_t records_ = 0;
};

// How well a delimiter splits the first records: how many of them have the most common field
// count, when that count is above one.
std::size_t consistency(std::string_view text, char delimiter) {
    constexpr std::size_t kSample = 64;
    Splitter splitter(text, delimiter);
    std::map<std::size_t, std::size_t> counts;
    while (!splitter.done() && splitter.records() < kSample) {
        auto fields = splitter.next();
        if (!fields) break;  // the sample ends in an unclosed quote
        if (fields->size() == 1 && fields->front().empty()) continue;  // an empty line
        ++counts[fields->size()];
    }
    std::size_t best = 0;
    for (const auto& [fields, records] : counts)
        if (fields > 1) best = std::max(best, records);
    return best;
}

// A spreadsheet program opening the file computes a field that begins with "=", so it is no
// typed value; an apostrophe before "=", "+", "-" or "@" is the guard our own sheets (and
// careful exporters) put there to keep such a field text, and is not part of it.
Cell field_cell(std::string field) {
    if (field.empty()) return Cell{};
    if (field.size() > 1 && field[0] == '\'' &&
        std::string_view("=+-@").find(field[1]) != std::string_view::npos)
        field.erase(0, 1);
    else if (field[0] == '=') {
        Cell cell = Cell::make_text(std::move(field));
        cell.formula = true;
        return cell;
    }
    return Cell::make_text(std::move(field));
}

}  // namespace

char guess_delimiter(std::string_view text) {
    const std::size_t tabs = consistency(text, '\t');
    const std::size_t commas = consistency(text, ',');
    if (tabs == 0 && commas == 0) return ',';
    return tabs >= commas ? '\t' : ',';
}

Result<Table> split_delimited(std::string_view text, char delimiter,
                              const DelimitedLimits& limits) {
    Table table;
    Splitter splitter(text, delimiter);
    std::size_t cells = 0;
    while (!splitter.done()) {
        // Counted before anything is kept: an empty line is a row and a cell here, so a file
        // of nothing but line ends is stopped as soon as one that holds text.
        if (table.rows.size() >= limits.max_rows) return over_rows(limits.max_rows);
        JET_ASSIGN(auto fields, splitter.next());
        cells += std::max<std::size_t>(fields.size(), 1);
        if (cells > limits.max_cells) return over_cells(limits.max_cells);
        while (!fields.empty() && fields.back().empty())
            fields.pop_back();
        Row row;
        row.reserve(fields.size());
        for (auto& f : fields)
            row.push_back(field_cell(std::move(f)));
        table.rows.push_back(std::move(row));
    }
    while (!table.rows.empty() && table.rows.back().empty())
        table.rows.pop_back();
    return table;
}

Result<DelimitedText> read_delimited_text(std::span<const std::uint8_t> bytes,
                                          runtime::CodePageAdapter& code_pages,
                                          const DelimitedLimits& limits) {
    DelimitedText result;
    // UTF-8 is split where it lies, so a large file is not held twice; anything else is
    // converted first.
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    DecodedText decoded;
    const bool marked = text.starts_with("\xEF\xBB\xBF");
    if (text.find('\0') == std::string_view::npos && utf8::valid(text.substr(marked ? 3 : 0))) {
        text.remove_prefix(marked ? 3 : 0);
        result.encoding = marked ? TextEncoding::utf8_with_bom : TextEncoding::utf8;
    } else {
        JET_ASSIGN(decoded, decode_text_file(bytes, code_pages));
        text = decoded.utf8;
        result.encoding = decoded.encoding;
    }
    result.delimiter = guess_delimiter(text);
    JET_ASSIGN(result.table, split_delimited(text, result.delimiter, limits));
    return result;
}

Result<DelimitedText> read_delimited_text(std::span<const std::uint8_t> bytes,
                                          const DelimitedLimits& limits) {
    return read_delimited_text(bytes, runtime::platform().code_pages(), limits);
}

}  // namespace formats
