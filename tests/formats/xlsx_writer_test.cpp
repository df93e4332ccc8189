// Our workbooks read back by our reader, by openpyxl and by LibreOffice: the same values, types
// and order; and the tables a spreadsheet could not open refused.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "formats/delimited_text.h"
#include "formats/xlsx_reader.h"
#include "formats/xlsx_writer.h"
#include "formats/zip_reader.h"
#include "runtime/headless/iconv_code_pages.h"
#include "tests/formats/tools.h"

namespace format_tests {
namespace {

using formats::Cell;
using formats::Table;

Cell text(const std::string& s) {
    return Cell::make_text(s);
}
Cell number(double v) {
    return Cell::make_number(v);
}
Cell date(double d) {
    return Cell::make_date(d);
}

const std::string kLongCjk = "中文中文中文中文中文中文中文中文中文中文";

// The export's columns, with what is hard to carry: line breaks, quotes, markup characters,
// leading blanks, a day before 1900, text beyond the BMP, a row left empty.
Table sample() {
    Table t;
    t.rows = {
        {text("序号"), text("客户旺旺"), text("我们的旺旺"), text("第一次咨询日期"),
         text("最后跟踪日期"), text("备注")},
        {number(1), text("tb_买家"), text("店主:一"), date(41782), date(41782.5),
         text("第一行\r\n第二行 \"引号\" & <x> 𠀀")},
        {number(2.5), Cell{}, text("  前导空格"), date(61), date(0), text(kLongCjk)},
        {number(-1e-7), text("a\nb")},
        {},
        {number(1e15), text("end")},
    };
    return t;
}

std::vector<std::uint8_t> written(const Table& t) {
    auto bytes = formats::write_xlsx(t);
    EXPECT_TRUE(bytes.ok()) << bytes.error().message;
    return bytes.ok() ? *bytes : std::vector<std::uint8_t>{};
}

TEST(XlsxWriter, OurReaderGetsTheSameCellsBackAndTheBytesRepeat) {
    const Table t = sample();
    const auto bytes = written(t);
    EXPECT_EQ(bytes, written(t));
    auto sheet = formats::read_xlsx(bytes);
    ASSERT_TRUE(sheet.ok()) << sheet.error().message;
    EXPECT_EQ(sheet->name, "Sheet1");
    Table expected = t;
    expected.rows[2][4] = text("1899-12-30");  // no serial shows a day before 1900
    EXPECT_EQ(sheet->table, expected);

    // The package has exactly the parts a workbook needs, in the order they are written.
    auto zip = formats::ZipArchive::open(bytes);
    ASSERT_TRUE(zip.ok());
    std::vector<std::string> names;
    for (const auto& e : zip->entries())
        names.push_back(e.name);
    EXPECT_EQ(names,
              (std::vector<std::string>{"[Content_Types].xml", "_rels/.rels", "xl/workbook.xml",
                                        "xl/_rels/workbook.xml.rels", "xl/styles.xml",
                                        "xl/worksheets/sheet1.xml", "xl/sharedStrings.xml"}));
    // Only numbers: no shared strings part, and none named anywhere.
    auto numbers = formats::ZipArchive::open(written(Table{{{number(1)}}}));
    ASSERT_TRUE(numbers.ok());
    EXPECT_EQ(numbers->find("xl/sharedStrings.xml"), nullptr);
    const auto types = numbers->read("[Content_Types].xml");
    EXPECT_EQ(std::string(types->begin(), types->end()).find("sharedStrings"), std::string::npos);
    // An empty table is still a workbook.
    auto empty = formats::read_xlsx(written(Table{}));
    ASSERT_TRUE(empty.ok()) << empty.error().message;
    EXPECT_TRUE(empty->table.rows.empty());
}

TEST(XlsxWriter, OpenpyxlReadsTheSameValuesTypesStylesAndWidths) {
    const std::string& py = openpyxl_python();
    if (py.empty()) GTEST_SKIP() << "no python3-openpyxl";
    const std::string path = scratch() + "/ours_for_openpyxl.xlsx";
    write_bytes(path, written(sample()));
    const auto run = python(py, R"(
import sys, json, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
ws = wb.worksheets[0]
print(len(wb.worksheets), ws.title, ws.freeze_panes)
for col, dim in sorted(ws.column_dimensions.items()):
    print(col, dim.width)
for row in ws.iter_rows():
    for c in row:
        if c.value is None:
            continue
        v = c.value.isoformat() if hasattr(c.value, 'isoformat') else c.value
        print(c.coordinate, type(c.value).__name__, json.dumps(v, ensure_ascii=False),
              c.number_format, 'bold' if c.font.b else '-')
)",
                            {path});
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(run.out, R"(1 Sheet1 A2
A 18.0
B 10.0
C 12.0
D 16.0
E 21.0
F 42.0
A1 str "序号" General bold
B1 str "客户旺旺" General bold
C1 str "我们的旺旺" General bold
D1 str "第一次咨询日期" General bold
E1 str "最后跟踪日期" General bold
F1 str "备注" General bold
A2 int 1 General -
B2 str "tb_买家" General -
C2 str "店主:一" General -
D2 datetime "2014-05-23T00:00:00" yyyy-m-d -
E2 datetime "2014-05-23T12:00:00" yyyy-m-d h:mm:ss -
F2 str "第一行\r\n第二行 \"引号\" & <x> 𠀀" General -
A3 float 2.5 General -
C3 str "  前导空格" General -
D3 datetime "1900-03-01T00:00:00" yyyy-m-d -
E3 str "1899-12-30" General -
F3 str ")" + kLongCjk + R"(" General -
A4 float -1e-07 General -
B4 str "a\nb" General -
A6 int 1000000000000000 General -
B6 str "end" General -
)");
}

TEST(XlsxWriter, LibreOfficeShowsTheSameCells) {
    if (!have_soffice()) GTEST_SKIP() << "no LibreOffice";
    const std::string dir = scratch() + "/lo_reads_ours";
    std::filesystem::create_directories(dir);
    write_bytes(dir + "/ours.xlsx", written(sample()));
    ASSERT_TRUE(
        soffice_convert({dir + "/ours.xlsx"}, "csv:Text - txt - csv (StarCalc):44,34,76,1", dir));
    runtime::headless::IconvCodePages code_pages;
    auto csv = formats::read_delimited_text(read_bytes(dir + "/ours.csv"), code_pages);
    ASSERT_TRUE(csv.ok()) << csv.error().message;
    // Shown as the formats say: dates as dates, numbers in general form. LibreOffice keeps a
    // line break as LF alone.
    const Table expected{{
        {text("序号"), text("客户旺旺"), text("我们的旺旺"), text("第一次咨询日期"),
         text("最后跟踪日期"), text("备注")},
        {text("1"), text("tb_买家"), text("店主:一"), text("2014-5-23"), text("2014-5-23 12:00:00"),
         text("第一行\n第二行 \"引号\" & <x> 𠀀")},
        {text("2.5"), Cell{}, text("  前导空格"), text("1900-3-1"), text("1899-12-30"),
         text(kLongCjk)},
        {text("-0.0000001"), text("a\nb")},
        {},
        {text("1000000000000000"), text("end")},
    }};
    EXPECT_EQ(csv->table, expected);
}

TEST(XlsxWriter, RefusesWhatASpreadsheetCouldNotOpen) {
    const auto refused = [](Table t, formats::XlsxOptions options = {}) {
        auto bytes = formats::write_xlsx(t, options);
        return bytes.ok() ? std::string("written") : bytes.error().message;
    };
    EXPECT_EQ(refused(Table{{{text("a"), number(std::nan(""))}}}), "第1行第2列的数值无效");
    EXPECT_EQ(refused(Table{{{}, {date(1.0 / 0.0)}}}), "第2行第1列的日期无效");
    EXPECT_EQ(refused(Table{{{text(std::string(32768, 'x'))}}}),
              "第1行第1列的文字超过 32767 个字，表格放不下");
    EXPECT_EQ(refused(Table{{{text(std::string(32767, 'x'))}}}), "written");
    EXPECT_EQ(refused(Table{{formats::Row(16385, number(1))}}), "列数超过了表格的上限 16384 列");
    formats::XlsxOptions bad_name;
    bad_name.sheet_name = "a/b";
    EXPECT_NE(refused(Table{}, bad_name), "written");
    bad_name.sheet_name = "HISTORY";
    EXPECT_NE(refused(Table{}, bad_name), "written");
    bad_name.sheet_name = std::string(32, 'x');
    EXPECT_NE(refused(Table{}, bad_name), "written");
    bad_name.sheet_name = "未成交客户";
    EXPECT_EQ(refused(Table{}, bad_name), "written");
}

}  // namespace
}  // namespace format_tests
