#include "formats/xlsx_writer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <unordered_map>

#include "formats/cell_reference.h"
#include "formats/display_width.h"
#include "formats/ooxml_names.h"
#include "formats/ooxml_text.h"
#include "formats/serial_dates.h"
#include "formats/xml_writer.h"
#include "formats/zip_writer.h"
#include "services/date_format.h"

namespace formats {

namespace {

constexpr std::size_t kMaxCellText = 32767;  // UTF-16 units, the most a cell holds
constexpr std::size_t kMaxSheetName = 31;
constexpr double kMinColumnWidth = 6, kMaxColumnWidth = 80;
constexpr const char* kDateCode = "yyyy-m-d";
constexpr const char* kDateTimeCode = "yyyy-m-d h:mm:ss";
constexpr const char* kPercentCode = "0.0%";
// The first ids a workbook may define.
constexpr int kDateFormatId = 164, kDateTimeFormatId = 165, kPercentFormatId = 166;

// Cell formats of styles.xml, by index: each plain and bold.
enum Style : int { kGeneral = 0, kDate = 2, kDateTime = 4, kWrap = 6, kPercent = 8 };

std::size_t utf16_length(std::string_view utf8) {
    std::size_t units = 0;
    for (unsigned char c : utf8) {
        if ((c & 0xC0) == 0x80) continue;
        units += c >= 0xF0 ? 2 : 1;
    }
    return units;
}

std::string position_text(std::size_t row, std::size_t column) {
    return "第" + std::to_string(row + 1) + "行第" + std::to_string(column + 1) + "列";
}

// Whole numbers as digits, the rest in the shortest form that reads back the same.
std::string number_text(double value) {
    char buffer[32];
    constexpr double kExactIntegers = 9007199254740992.0;  // 2^53
    const auto result =
        std::abs(value) < kExactIntegers && value == std::trunc(value)
            ? std::to_chars(buffer, buffer + sizeof buffer, static_cast<long long>(value))
            : std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

bool has_time(double days) {
    return days != std::floor(days);
}

Status check_sheet_name(const std::string& name) {
    const std::size_t length = utf16_length(name);
    if (length == 0 || length > kMaxSheetName) return invalid_value("工作表名称要有 1 到 31 个字");
    if (name.find_first_of(":\\/?*[]") != std::string::npos || name.front() == '\'' ||
        name.back() == '\'')
        return invalid_value(
            "工作表名称里不能有 : \\ / ? * [ ] 这些字符，也不能以单引号开头或结尾");
    // Excel keeps this name for a sheet of its own and repairs a workbook that uses it.
    std::string lower = name;
    for (char& c : lower)
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
    if (lower == "history") return invalid_value("工作表不能叫 History，Excel 自己要用这个名称");
    return {};
}

// What a cell becomes in the sheet: a shared string, or a number with its style.
struct Written {
    bool is_string = false;
    std::string text;  // the string, or the number's digits
    int style = kGeneral;
};

Result<Written> written_form(const Cell& cell, std::size_t row, std::size_t column) {
    Written w;
    switch (cell.kind) {
        case CellKind::text:
            if (utf16_length(cell.text) > kMaxCellText)
                return invalid_value(position_text(row, column) +
                                     "的文字超过 32767 个字，表格放不下");
            w.is_string = true;
            w.text = cell.text;
            if (cell.text.find_first_of("\r\n") != std::string::npos) w.style = kWrap;
            return w;
        case CellKind::number:
        case CellKind::percent:
            if (!std::isfinite(cell.value))
                return invalid_value(position_text(row, column) + "的数值无效");
            w.text = number_text(cell.value);
            if (cell.kind == CellKind::percent) w.style = kPercent;
            return w;
        case CellKind::date: {
            if (!std::isfinite(cell.value))
                return invalid_value(position_text(row, column) + "的日期无效");
            if (const auto serial = days_to_serial(cell.value)) {
                w.text = number_text(*serial);
                w.style = has_time(cell.value) ? kDateTime : kDate;
                return w;
            }
            if (cell.value < services::kFirstEngineDay || cell.value > services::kLastEngineDay + 1)
                return invalid_value(position_text(row, column) + "的日期超出范围");
            w.is_string = true;
            w.text = services::format_date(cell.value, "%y-%m-%d");
            return w;
        }
        case CellKind::empty:
            break;
    }
    return w;
}

double shown_width(const Written& w) {
    if (w.is_string) return static_cast<double>(display_width(w.text));
    if (w.style == kDate || w.style == kDate + 1) return 10;          // 2014-12-31
    if (w.style == kPercent || w.style == kPercent + 1) return 8;     // 100.0%
    if (w.style == kDateTime || w.style == kDateTime + 1) return 19;  // and 23:59:59
    return static_cast<double>(w.text.size());
}

std::string content_types(bool shared_strings) {
    XmlWriter x;
    x.open("Types").attribute("xmlns", ooxml::kContentTypesNamespace);
    x.open("Default")
        .attribute("Extension", "rels")
        .attribute("ContentType", ooxml::kRelationshipsContentType)
        .close();
    x.open("Default")
        .attribute("Extension", "xml")
        .attribute("ContentType", "application/xml")
        .close();
    const auto override_part = [&](std::string_view part, std::string_view type) {
        x.open("Override").attribute("PartName", part).attribute("ContentType", type).close();
    };
    override_part("/xl/workbook.xml", ooxml::kWorkbookContentType);
    override_part("/xl/worksheets/sheet1.xml", ooxml::kWorksheetContentType);
    override_part("/xl/styles.xml", ooxml::kStylesContentType);
    if (shared_strings) override_part("/xl/sharedStrings.xml", ooxml::kSharedStringsContentType);
    return x.finish();
}

std::string package_relationships() {
    XmlWriter x;
    x.open("Relationships").attribute("xmlns", ooxml::kPackageRelationshipsNamespace);
    x.open("Relationship")
        .attribute("Id", "rId1")
        .attribute("Type", ooxml::kOfficeDocumentType)
        .attribute("Target", "xl/workbook.xml")
        .close();
    return x.finish();
}

std::string workbook(const std::string& sheet_name) {
    XmlWriter x;
    x.open("workbook")
        .attribute("xmlns", ooxml::kMainNamespace)
        .attribute("xmlns:r", ooxml::kRelationshipsNamespace);
    x.open("bookViews").open("workbookView").close().close();
    x.open("sheets")
        .open("sheet")
        .attribute("name", sheet_name)
        .attribute("sheetId", "1")
        .attribute("r:id", "rId1")
        .close()
        .close();
    return x.finish();
}

std::string workbook_relationships(bool shared_strings) {
    XmlWriter x;
    x.open("Relationships").attribute("xmlns", ooxml::kPackageRelationshipsNamespace);
    x.open("Relationship")
        .attribute("Id", "rId1")
        .attribute("Type", ooxml::kWorksheetType)
        .attribute("Target", "worksheets/sheet1.xml")
        .close();
    x.open("Relationship")
        .attribute("Id", "rId2")
        .attribute("Type", ooxml::kStylesType)
        .attribute("Target", "styles.xml")
        .close();
    if (shared_strings)
        x.open("Relationship")
            .attribute("Id", "rId3")
            .attribute("Type", ooxml::kSharedStringsType)
            .attribute("Target", "sharedStrings.xml")
            .close();
    return x.finish();
}

std::string styles() {
    XmlWriter x;
    x.open("styleSheet").attribute("xmlns", ooxml::kMainNamespace);
    x.open("numFmts").attribute("count", "3");
    x.open("numFmt")
        .attribute("numFmtId", std::to_string(kDateFormatId))
        .attribute("formatCode", kDateCode)
        .close();
    x.open("numFmt")
        .attribute("numFmtId", std::to_string(kDateTimeFormatId))
        .attribute("formatCode", kDateTimeCode)
        .close();
    x.open("numFmt")
        .attribute("numFmtId", std::to_string(kPercentFormatId))
        .attribute("formatCode", kPercentCode)
        .close();
    x.close();
    // 宋体 (SimSun), the GB2312 character set: what Chinese spreadsheets start from.
    x.open("fonts").attribute("count", "2");
    for (const bool bold : {false, true}) {
        x.open("font");
        if (bold) x.open("b").close();
        x.open("sz").attribute("val", "11").close();
        x.open("name").attribute("val", "宋体").close();
        x.open("family").attribute("val", "3").close();
        x.open("charset").attribute("val", "134").close();
        x.close();
    }
    x.close();
    // The first two fills are the ones every workbook must have.
    x.open("fills").attribute("count", "2");
    x.open("fill").open("patternFill").attribute("patternType", "none").close().close();
    x.open("fill").open("patternFill").attribute("patternType", "gray125").close().close();
    x.close();
    x.open("borders").attribute("count", "1").open("border");
    for (const char* side : {"left", "right", "top", "bottom", "diagonal"})
        x.open(side).close();
    x.close().close();
    x.open("cellStyleXfs").attribute("count", "1");
    x.open("xf")
        .attribute("numFmtId", "0")
        .attribute("fontId", "0")
        .attribute("fillId", "0")
        .attribute("borderId", "0")
        .close();
    x.close();
    x.open("cellXfs").attribute("count", "10");
    struct Xf {
        int format;
        bool wrap;
    };
    for (const Xf xf : {Xf{0, false}, Xf{kDateFormatId, false}, Xf{kDateTimeFormatId, false},
                        Xf{0, true}, Xf{kPercentFormatId, false}}) {
        for (const bool bold : {false, true}) {
            x.open("xf")
                .attribute("numFmtId", std::to_string(xf.format))
                .attribute("fontId", bold ? "1" : "0")
                .attribute("fillId", "0")
                .attribute("borderId", "0")
                .attribute("xfId", "0");
            if (xf.format != 0) x.attribute("applyNumberFormat", "1");
            if (bold) x.attribute("applyFont", "1");
            if (xf.wrap) {
                x.attribute("applyAlignment", "1");
                x.open("alignment").attribute("vertical", "top").attribute("wrapText", "1").close();
            }
            x.close();
        }
    }
    x.close();
    x.open("cellStyles").attribute("count", "1");
    x.open("cellStyle")
        .attribute("name", "Normal")
        .attribute("xfId", "0")
        .attribute("builtinId", "0")
        .close();
    x.close();
    return x.finish();
}

bool needs_preserve(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    return !text.empty() && (blank(text.front()) || blank(text.back()) ||
                             text.find_first_of("\t\n\r") != std::string_view::npos);
}

std::string shared_strings(const std::vector<const std::string*>& strings, std::size_t uses) {
    XmlWriter x;
    x.open("sst")
        .attribute("xmlns", ooxml::kMainNamespace)
        .attribute("count", std::to_string(uses))
        .attribute("uniqueCount", std::to_string(strings.size()));
    for (const std::string* s : strings) {
        x.open("si").open("t");
        if (needs_preserve(*s)) x.attribute("xml:space", "preserve");
        x.text(ooxml_escape(*s)).close().close();
    }
    return x.finish();
}

}  // namespace

Result<std::vector<std::uint8_t>> write_xlsx(const Table& table, const XlsxOptions& options) {
    JET_TRY(check_sheet_name(options.sheet_name));
    if (table.rows.size() > kMaxSheetRows) return too_large("行数超过了表格的上限 1048576 行");

    // Every cell in its written form first: the widths and the dimension come before the data.
    std::vector<std::vector<Written>> rows(table.rows.size());
    std::vector<double> widths;
    std::size_t last_row = 0, last_column = 0;
    bool any = false;
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        const Row& row = table.rows[r];
        if (row.size() > kMaxSheetColumns) return too_large("列数超过了表格的上限 16384 列");
        rows[r].resize(row.size());
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (row[c].empty()) continue;
            JET_ASSIGN(Written w, written_form(row[c], r, c));
            if (options.header_row && r == 0) ++w.style;  // the bold twin
            if (widths.size() <= c) widths.resize(c + 1, 0);
            widths[c] = std::max(widths[c], shown_width(w));
            last_row = r, last_column = std::max(last_column, c), any = true;
            rows[r][c] = std::move(w);
        }
    }

    std::unordered_map<std::string_view, std::size_t> string_index;
    std::vector<const std::string*> strings;
    std::size_t string_uses = 0;

    XmlWriter x;
    x.open("worksheet")
        .attribute("xmlns", ooxml::kMainNamespace)
        .attribute("xmlns:r", ooxml::kRelationshipsNamespace);
    x.open("dimension")
        .attribute("ref", any ? "A1:" + cell_reference({last_row, last_column}) : std::string("A1"))
        .close();
    x.open("sheetViews")
        .open("sheetView")
        .attribute("tabSelected", "1")
        .attribute("workbookViewId", "0");
    if (options.header_row) {
        x.open("pane")
            .attribute("ySplit", "1")
            .attribute("topLeftCell", "A2")
            .attribute("activePane", "bottomLeft")
            .attribute("state", "frozen")
            .close();
        x.open("selection")
            .attribute("pane", "bottomLeft")
            .attribute("activeCell", "A2")
            .attribute("sqref", "A2")
            .close();
    }
    x.close().close();
    x.open("sheetFormatPr").attribute("defaultRowHeight", "13.5").close();
    if (!widths.empty()) {
        x.open("cols");
        for (std::size_t c = 0; c < widths.size(); ++c) {
            const double width = std::clamp(widths[c] + 2, kMinColumnWidth, kMaxColumnWidth);
            x.open("col")
                .attribute("min", std::to_string(c + 1))
                .attribute("max", std::to_string(c + 1))
                .attribute("width", number_text(width))
                .attribute("customWidth", "1")
                .close();
        }
        x.close();
    }
    x.open("sheetData");
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const auto& row = rows[r];
        if (row_is_empty(table.rows[r])) continue;
        x.open("row").attribute("r", std::to_string(r + 1));
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (table.rows[r][c].empty()) continue;
            const Written& w = row[c];
            x.open("c").attribute("r", cell_reference({r, c}));
            if (w.style != kGeneral) x.attribute("s", std::to_string(w.style));
            if (w.is_string) {
                x.attribute("t", "s");
                auto [it, added] = string_index.try_emplace(w.text, strings.size());
                if (added) strings.push_back(&w.text);
                ++string_uses;
                x.element("v", std::to_string(it->second));
            } else {
                x.element("v", w.text);
            }
            x.close();
        }
        x.close();
    }
    x.close();
    x.open("pageMargins")
        .attribute("left", "0.7")
        .attribute("right", "0.7")
        .attribute("top", "0.75")
        .attribute("bottom", "0.75")
        .attribute("header", "0.3")
        .attribute("footer", "0.3")
        .close();
    const std::string sheet = x.finish();

    const bool with_strings = !strings.empty();
    ZipWriter zip;
    JET_TRY(zip.add("[Content_Types].xml", content_types(with_strings)));
    JET_TRY(zip.add(ooxml::kPackageRels, package_relationships()));
    JET_TRY(zip.add("xl/workbook.xml", workbook(options.sheet_name)));
    JET_TRY(zip.add("xl/_rels/workbook.xml.rels", workbook_relationships(with_strings)));
    JET_TRY(zip.add("xl/styles.xml", styles()));
    JET_TRY(zip.add("xl/worksheets/sheet1.xml", sheet));
    if (with_strings)
        JET_TRY(zip.add("xl/sharedStrings.xml", shared_strings(strings, string_uses)));
    return zip.finish();
}

}  // namespace formats
