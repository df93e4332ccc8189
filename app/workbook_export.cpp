#include "app/workbook_export.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "app/tracking_sheet.h"
#include "formats/xlsx_writer.h"

namespace app {

namespace {

bool ends_with_nocase(std::string_view text, std::string_view end) {
    if (text.size() < end.size()) return false;
    return std::equal(end.begin(), end.end(), text.end() - static_cast<std::ptrdiff_t>(end.size()),
                      [](char a, char b) {
                          return std::tolower(static_cast<unsigned char>(a)) ==
                                 std::tolower(static_cast<unsigned char>(b));
                      });
}

}  // namespace

jet::Result<std::vector<std::uint8_t>> build_workbook(std::string_view kind,
                                                      const SheetRows& rows) {
    using formats::Cell;
    formats::Table table;
    table.rows.push_back({Cell::make_text("序号"), Cell::make_text("客户旺旺"),
                          Cell::make_text("我们的旺旺"), Cell::make_text("第一次咨询日期"),
                          Cell::make_text(kind == kClosedSheet ? "交易日期" : "最后跟踪日期"),
                          Cell::make_text("备注"), Cell::make_text("标签")});
    for (const auto& [number, c] : rows) {
        // The sheet shows the day only, as the list does.
        const double last = kind == kClosedSheet ? c.deal_date : c.last_follow_up;
        table.rows.push_back(
            {Cell::make_number(static_cast<double>(number)), Cell::make_text(c.buyer),
             Cell::make_text(c.our_id), Cell::make_date(std::floor(c.first_enquiry)),
             Cell::make_date(std::floor(last)), Cell::make_text(c.note), Cell::make_text(c.tags)});
    }
    formats::XlsxOptions options;
    options.sheet_name = kind == kClosedSheet ? "已成交" : "未成交";
    return formats::write_xlsx(table, options);
}

bool wants_workbook(std::string_view path, int filter) {
    return filter == 1 || ends_with_nocase(path, ".xlsx");
}

std::string workbook_path(std::string path) {
    if (ends_with_nocase(path, ".xlsx")) return path;
    // The dialog adds the first filter's ending to a name typed without one.
    if (ends_with_nocase(path, ".xls")) return path + "x";
    return path + ".xlsx";
}

}  // namespace app
