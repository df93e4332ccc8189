// Workbooks made by openpyxl and LibreOffice, and by hand for what neither writes here, read
// cell by cell; damaged and hostile workbooks refused with an error value.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "formats/delimited_text.h"
#include "formats/xlsx_reader.h"
#include "formats/zip_writer.h"
#include "runtime/headless/iconv_code_pages.h"
#include "tests/formats/tools.h"

namespace format_tests {
namespace {

using formats::Cell;
using formats::Table;
using Bytes = std::vector<std::uint8_t>;

Cell text(const std::string& s) {
    return Cell::make_text(s);
}
Cell number(double v) {
    return Cell::make_number(v);
}
Cell date(double d) {
    return Cell::make_date(d);
}

constexpr double k2014May23 = 41782, k2014Jun1 = 41791;

Table read_sheet(const std::string& path, std::string* name = nullptr) {
    auto sheet = formats::read_xlsx(read_bytes(path));
    EXPECT_TRUE(sheet.ok()) << path << ": " << sheet.error().message;
    if (!sheet.ok()) return {};
    if (name) *name = sheet->name;
    return sheet->table;
}

TEST(XlsxReader, WorkbooksOpenpyxlWrote) {
    const std::string& py = openpyxl_python();
    if (py.empty()) GTEST_SKIP() << "no python3-openpyxl";
    const std::string dir = scratch() + "/openpyxl";
    std::filesystem::create_directories(dir);
    const auto run = python(py, R"(
import sys, datetime, zipfile, openpyxl
from openpyxl.utils.datetime import CALENDAR_MAC_1904
d = sys.argv[1]
wb = openpyxl.Workbook()
ws = wb.active
ws.title = '客户'
ws.append(['备注', '客户旺旺', '首次咨询时间', '我们的旺旺', '跟进日期', '成交'])
ws.append(['说明 & <x>', 'buyer1', datetime.datetime(2014, 5, 23, 10, 30), 'shop',
           datetime.date(2014, 6, 1), True])
ws.append([None, 12345, 41782, 'shop', 41782, False])
ws['C3'].number_format = 'yyyy"年"m"月"d"日"'
ws['E3'].number_format = 'mm-dd-yy'          # the built-in date format 14
ws['A5'] = 'sparse'
ws['E5'] = 3.25
for cell, serial in (('A6', 59), ('B6', 60), ('C6', 61)):
    ws[cell] = serial
    ws[cell].number_format = 'yyyy-mm-dd'
ws['D6'] = 0.5
ws['D6'].number_format = 'h:mm'               # built-in 20, a time of day
ws['A7'] = 'merged'
ws.merge_cells('A7:C8')
ws['A9'] = 'last'
other = wb.create_sheet('其他')
other['A1'] = 'not the first sheet'
wb.save(d + '/plain.xlsx')

# The first sheet's part renamed: only the relationships say where it is.
src = zipfile.ZipFile(d + '/plain.xlsx')
dst = zipfile.ZipFile(d + '/renamed.xlsx', 'w', zipfile.ZIP_DEFLATED)
swap = {'xl/worksheets/sheet1.xml': 'xl/worksheets/sheet2.xml',
        'xl/worksheets/sheet2.xml': 'xl/worksheets/sheet1.xml'}
for info in src.infolist():
    data = src.read(info)
    if info.filename == 'xl/_rels/workbook.xml.rels':
        data = (data.replace(b'sheet1.xml', b'TMP').replace(b'sheet2.xml', b'sheet1.xml')
                    .replace(b'TMP', b'sheet2.xml'))
    dst.writestr(swap.get(info.filename, info.filename), data)
dst.close()

mac = openpyxl.Workbook()
mac.epoch = CALENDAR_MAC_1904
mac.active['A1'] = datetime.datetime(2014, 5, 23)
mac.active['A2'] = 0
mac.active['A2'].number_format = 'yyyy-mm-dd'
mac.save(d + '/mac.xlsx')
)",
                            {dir});
    ASSERT_EQ(run.status, 0) << run.out;

    const Table expected{{
        {text("备注"), text("客户旺旺"), text("首次咨询时间"), text("我们的旺旺"), text("跟进日期"),
         text("成交")},
        {text("说明 & <x>"), text("buyer1"), date(k2014May23 + 10.5 / 24), text("shop"),
         date(k2014Jun1), text("TRUE")},
        {Cell{}, number(12345), date(k2014May23), text("shop"), date(k2014May23), text("FALSE")},
        {},
        {text("sparse"), Cell{}, Cell{}, Cell{}, number(3.25)},
        // Serial 59 is 1900-02-28, one day off the engine's count; 60 is the day that never
        // was and stays a number; from 61 on serials and days agree. A time stays on day zero.
        {date(60), number(60), date(61), date(0.5)},
        {text("merged")},
        {},
        {text("last")},
    }};
    std::string name;
    EXPECT_EQ(read_sheet(dir + "/plain.xlsx", &name), expected);
    EXPECT_EQ(name, "客户");
    EXPECT_EQ(read_sheet(dir + "/renamed.xlsx"), expected);
    // In the 1904 system serial 0 is 1904-01-01.
    Table mac{{{date(k2014May23)}, {date(1462)}}};
    mac.dates = formats::DateSystem::from1904;
    EXPECT_EQ(read_sheet(dir + "/mac.xlsx"), mac);
}

// A sheet of what users keep, saved by LibreOffice as .xlsx and as CSV in two encodings.
constexpr const char* kFods = R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:number="urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:automatic-styles>
 <number:date-style style:name="N1"><number:year number:style="long"/><number:text>年</number:text>
  <number:month/><number:text>月</number:text><number:day/><number:text>日</number:text></number:date-style>
 <number:date-style style:name="N2"><number:year number:style="long"/><number:text>-</number:text>
  <number:month number:style="long"/><number:text>-</number:text><number:day number:style="long"/></number:date-style>
 <style:style style:name="ce1" style:family="table-cell" style:data-style-name="N1"/>
 <style:style style:name="ce2" style:family="table-cell" style:data-style-name="N2"/>
 <style:style style:name="T1" style:family="text"><style:text-properties fo:font-weight="bold"/></style:style>
</office:automatic-styles>
<office:body><office:spreadsheet><table:table table:name="客户表">
<table:table-row>
 <table:table-cell office:value-type="string"><text:p>备注</text:p></table:table-cell>
 <table:table-cell office:value-type="string"><text:p>买家旺旺</text:p></table:table-cell>
 <table:table-cell office:value-type="string"><text:p>首次咨询时间</text:p></table:table-cell>
 <table:table-cell office:value-type="string"><text:p>接待旺旺</text:p></table:table-cell>
 <table:table-cell office:value-type="string"><text:p>最后跟踪时间</text:p></table:table-cell>
</table:table-row>
<table:table-row>
 <table:table-cell office:value-type="string"><text:p>a <text:span text:style-name="T1">bold</text:span> run</text:p><text:p>second line</text:p></table:table-cell>
 <table:table-cell office:value-type="string"><text:p>buyer,1</text:p></table:table-cell>
 <table:table-cell table:style-name="ce1" office:value-type="date" office:date-value="2014-05-23T10:30:00"><text:p>x</text:p></table:table-cell>
 <table:table-cell office:value-type="string"><text:p>店铺</text:p></table:table-cell>
 <table:table-cell table:style-name="ce2" office:value-type="date" office:date-value="2014-06-01"><text:p>x</text:p></table:table-cell>
</table:table-row>
<table:table-row>
 <table:table-cell table:number-columns-spanned="2" table:number-rows-spanned="1" office:value-type="string"><text:p>merged</text:p></table:table-cell>
 <table:covered-table-cell office:value-type="string"><text:p>hidden</text:p></table:covered-table-cell>
 <table:table-cell office:value-type="float" office:value="3"><text:p>3</text:p></table:table-cell>
</table:table-row>
<table:table-row>
 <table:table-cell office:value-type="string"><text:p>quote "x"	tab</text:p></table:table-cell>
</table:table-row>
</table:table></office:spreadsheet></office:body></office:document>
)";

TEST(XlsxReader, WorkbookAndTextFilesLibreOfficeWrote) {
    if (!have_soffice()) GTEST_SKIP() << "no LibreOffice";
    const std::string dir = scratch() + "/libreoffice";
    for (const char* sub : {"/xlsx", "/utf8", "/gbk"})
        std::filesystem::create_directories(dir + sub);
    write_text(dir + "/book.fods", kFods);
    ASSERT_TRUE(soffice_convert({dir + "/book.fods"}, "xlsx", dir + "/xlsx"));
    // Comma and UTF-8; TAB and GBK (LibreOffice's encoding number 67).
    ASSERT_TRUE(soffice_convert({dir + "/book.fods"}, "csv:Text - txt - csv (StarCalc):44,34,76,1",
                                dir + "/utf8"));
    ASSERT_TRUE(soffice_convert({dir + "/book.fods"}, "csv:Text - txt - csv (StarCalc):9,34,67,1",
                                dir + "/gbk"));

    std::string name;
    EXPECT_EQ(read_sheet(dir + "/xlsx/book.xlsx", &name),
              (Table{{
                  {text("备注"), text("买家旺旺"), text("首次咨询时间"), text("接待旺旺"),
                   text("最后跟踪时间")},
                  {text("a bold run\nsecond line"), text("buyer,1"), date(k2014May23 + 10.5 / 24),
                   text("店铺"), date(k2014Jun1)},
                  // The covered cell's hidden text is not part of the merged value.
                  {text("merged"), Cell{}, number(3)},
                  {text("quote \"x\"\ttab")},
              }}));
    EXPECT_EQ(name, "客户表");

    const Table shown{{
        {text("备注"), text("买家旺旺"), text("首次咨询时间"), text("接待旺旺"),
         text("最后跟踪时间")},
        {text("a bold run\nsecond line"), text("buyer,1"), text("2014年5月23日"), text("店铺"),
         text("2014-06-01")},
        // Text keeps no merges: the covered cell's text is there.
        {text("merged"), text("hidden"), text("3")},
        {text("quote \"x\"\ttab")},
    }};
    runtime::headless::IconvCodePages code_pages;
    auto utf8 = formats::read_delimited_text(read_bytes(dir + "/utf8/book.csv"), code_pages);
    ASSERT_TRUE(utf8.ok()) << utf8.error().message;
    EXPECT_EQ(utf8->table, shown);
    EXPECT_EQ(utf8->delimiter, ',');
    EXPECT_EQ(utf8->encoding, formats::TextEncoding::utf8);
    auto gbk = formats::read_delimited_text(read_bytes(dir + "/gbk/book.csv"), code_pages);
    ASSERT_TRUE(gbk.ok()) << gbk.error().message;
    EXPECT_EQ(gbk->table, shown);
    EXPECT_EQ(gbk->delimiter, '\t');
    EXPECT_EQ(gbk->encoding, formats::TextEncoding::gb18030);
}

// A package of hand-written parts, for what no tool here writes and for hostile variants.
struct Parts {
    std::vector<std::pair<std::string, std::string>> parts = {
        {"_rels/.rels",
         R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
         R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>)"},
        {"xl/workbook.xml",
         R"(<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)"
         R"(<sheets><sheet name="S" sheetId="1" r:id="rId1"/></sheets></workbook>)"},
        {"xl/_rels/workbook.xml.rels",
         R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
         R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>)"
         R"(<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/></Relationships>)"},
        {"xl/sharedStrings.xml",
         R"(<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><si><t>zero</t></si></sst>)"},
        {"xl/worksheets/sheet1.xml", ""},
    };
    Parts& set(const std::string& name, const std::string& content) {
        for (auto& [n, c] : parts)
            if (n == name) {
                c = content;
                return *this;
            }
        parts.emplace_back(name, content);
        return *this;
    }
    Parts& sheet_data(const std::string& rows) {
        return set(
            "xl/worksheets/sheet1.xml",
            R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>)" +
                rows + "</sheetData></worksheet>");
    }
    Parts& replace(const std::string& name, const std::string& from, const std::string& to) {
        for (auto& [n, c] : parts)
            if (n == name) c.replace(c.find(from), from.size(), to);
        return *this;
    }
    Parts& remove(const std::string& name) {
        std::erase_if(parts, [&](const auto& p) { return p.first == name; });
        return *this;
    }
    Bytes zip() const {
        formats::ZipWriter w;
        for (const auto& [n, c] : parts)
            EXPECT_TRUE(w.add(n, c).ok());
        return *w.finish();
    }
};

TEST(XlsxReader, WhatNoToolHereWritesButOthersDo) {
    // The workbook and its sheet at other names, every element prefixed, the 1904 system,
    // inline and rich strings with phonetic guides, formula strings, errors, ISO dates,
    // escaped characters, cells and rows without positions.
    Parts p;
    p.remove("xl/workbook.xml")
        .remove("xl/_rels/workbook.xml.rels")
        .remove("xl/worksheets/sheet1.xml");
    p.replace("_rels/.rels", "Target=\"xl/workbook.xml\"", "Target=\"/book/main.xml\"");
    p.set(
        "book/main.xml",
        R"(<x:workbook xmlns:x="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:rel="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)"
        R"(<x:workbookPr date1904="1"/><x:sheets><x:sheet name="第一" sheetId="7" rel:id="s7"/></x:sheets></x:workbook>)");
    p.set(
        "book/_rels/main.xml.rels",
        R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
        R"(<Relationship Id="s7" Type="http://purl.oclc.org/ooxml/officeDocument/relationships/worksheet" Target="../data/first.xml"/>)"
        R"(<Relationship Id="st" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/>)"
        R"(<Relationship Id="ss" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="strings.xml"/></Relationships>)");
    p.set(
        "book/styles.xml",
        R"(<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><numFmts>)"
        R"(<numFmt numFmtId="170" formatCode="[$-F800]dddd, mmmm dd, yyyy"/>)"
        R"x(<numFmt numFmtId="171" formatCode="0.00_);[Red](0.00)"/>)x"
        R"(<numFmt numFmtId="172" formatCode="&quot;Day&quot; 0"/></numFmts>)"
        R"(<cellXfs><xf numFmtId="0"/><xf numFmtId="170"/><xf numFmtId="171"/><xf numFmtId="172"/><xf numFmtId="31"/></cellXfs></styleSheet>)");
    p.set(
        "book/strings.xml",
        R"(<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><si><r><t>旺</t></r><r><rPr><b/></rPr><t xml:space="preserve">旺 </t></r>)"
        R"(<rPh sb="0" eb="1"><t>wang</t></rPh></si><si><t>line_x000D_&#10;next _x005F_x0041_</t></si><si><t></t></si></sst>)");
    p.set(
        "data/first.xml",
        R"(<x:worksheet xmlns:x="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><x:sheetData>)"
        R"(<x:row><x:c t="s"><x:v>0</x:v></x:c><x:c t="s"><x:v>1</x:v></x:c><x:c t="s"><x:v>2</x:v></x:c>)"
        R"(<x:c t="inlineStr"><x:is><x:r><x:t>in</x:t></x:r><x:r><x:t>line</x:t></x:r><x:rPh><x:t>no</x:t></x:rPh></x:is></x:c></x:row>)"
        R"(<x:row><x:c t="str"><x:f>A1&amp;"!"</x:f><x:v>旺旺 !</x:v></x:c><x:c t="e"><x:v>#N/A</x:v></x:c>)"
        R"(<x:c t="d"><x:v>2014-05-23T12:00:00Z</x:v></x:c><x:c s="1"><x:v>40320</x:v></x:c>)"
        R"(<x:c s="2"><x:v>40320</x:v></x:c><x:c s="3"><x:v>5</x:v></x:c><x:c s="4"><x:v>0</x:v></x:c>)"
        R"(<x:c s="99"><x:v>1</x:v></x:c><x:c><x:v></x:v></x:c><x:c t="b"><x:v>1</x:v></x:c></x:row>)"
        R"(</x:sheetData></x:worksheet>)");
    auto sheet = formats::read_xlsx(p.zip());
    ASSERT_TRUE(sheet.ok()) << sheet.error().message;
    EXPECT_EQ(sheet->name, "第一");
    Cell computed = text("旺旺 !");
    computed.formula = true;
    Table expected{{
        {text("旺旺 "), text("line\r\nnext _x0041_"), Cell{}, text("inline")},
        {computed, text("#N/A"), date(k2014May23 + 0.5), date(k2014May23), number(40320), number(5),
         date(1462), number(1), Cell{}, text("TRUE")},
    }};
    expected.dates = formats::DateSystem::from1904;
    EXPECT_EQ(sheet->table, expected);
}

TEST(XlsxReader, DamagedAndHostileWorkbooksAreErrors) {
    using jet::Errc;
    const std::string rows = R"(<row r="1"><c r="A1" t="s"><v>0</v></c></row>)";
    std::string deep;
    for (int i = 0; i < 300; ++i)
        deep += "<x>";
    struct Case {
        const char* what;
        Parts parts;
        Errc code;
        formats::XlsxLimits limits = {};
    };
    const auto base = [&] { return Parts().sheet_data(rows); };
    formats::XlsxLimits tiny;
    tiny.max_cells = 100;
    const std::vector<Case> cases = {
        {"sheet outside the package",
         base().replace("xl/_rels/workbook.xml.rels", "worksheets/sheet1.xml",
                        "../../../etc/passwd"),
         Errc::corrupt},
        {"sheet in another file",
         base().replace("xl/_rels/workbook.xml.rels", "Target=\"worksheets/sheet1.xml\"",
                        "Target=\"file:///c:/x.xlsx\" TargetMode=\"External\""),
         Errc::unsupported_version},
        {"first sheet a chart",
         base().replace("xl/_rels/workbook.xml.rels", "relationships/worksheet",
                        "relationships/chartsheet"),
         Errc::unsupported_version},
        {"no sheets",
         base().replace("xl/workbook.xml", "<sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/>", ""),
         Errc::not_found},
        {"sheet part missing", base().remove("xl/worksheets/sheet1.xml"), Errc::not_found},
        {"no workbook at all", base().remove("xl/workbook.xml"), Errc::not_found},
        {"document type in the sheet",
         base().set("xl/worksheets/sheet1.xml", "<!DOCTYPE w [<!ENTITY a 'aaaa'>]><worksheet/>"),
         Errc::unsupported_version},
        {"nesting without end",
         base().set("xl/worksheets/sheet1.xml", "<worksheet>" + deep + "</worksheet>"),
         Errc::corrupt},
        {"shared string past the end", base().sheet_data(R"(<row><c t="s"><v>1</v></c></row>)"),
         Errc::corrupt},
        {"number that is none", base().sheet_data(R"(<row><c><v>1,5</v></c></row>)"),
         Errc::corrupt},
        {"cell outside its row", base().sheet_data(R"(<row r="2"><c r="A3"><v>1</v></c></row>)"),
         Errc::corrupt},
        {"rows out of order", base().sheet_data(R"(<row r="3"/><row r="2"/>)"), Errc::corrupt},
        {"cells out of order",
         base().sheet_data(R"(<row><c r="B1"><v>1</v></c><c r="A1"><v>1</v></c></row>)"),
         Errc::corrupt},
        {"column past XFD", base().sheet_data(R"(<row><c r="XFE1"><v>1</v></c></row>)"),
         Errc::corrupt},
        {"row past the last", base().sheet_data(R"(<row r="1048577"/>)"), Errc::corrupt},
        {"unknown cell type", base().sheet_data(R"(<row><c t="q"><v>1</v></c></row>)"),
         Errc::corrupt},
        {"boolean that is none", base().sheet_data(R"(<row><c t="b"><v>2</v></c></row>)"),
         Errc::corrupt},
        {"date that is none", base().sheet_data(R"(<row><c t="d"><v>2014-02-30</v></c></row>)"),
         Errc::corrupt},
        {"merge range backwards",
         base().set("xl/worksheets/sheet1.xml",
                    "<worksheet><sheetData/><mergeCells><mergeCell "
                    "ref=\"B2:A1\"/></mergeCells></worksheet>"),
         Errc::corrupt},
        {"cells far apart beyond the limit",
         base().sheet_data(R"(<row><c r="CW1"><v>1</v></c></row>)"), Errc::full, tiny},
    };
    for (const auto& c : cases) {
        auto sheet = formats::read_xlsx(c.parts.zip(), c.limits);
        ASSERT_FALSE(sheet.ok()) << c.what;
        EXPECT_EQ(sheet.error().code, c.code) << c.what << ": " << sheet.error().message;
    }
    // The base itself reads, so each case fails for its own fault.
    auto good = formats::read_xlsx(base().zip());
    ASSERT_TRUE(good.ok()) << good.error().message;
    EXPECT_EQ(good->table, (Table{{{text("zero")}}}));
    // Not a zip, and a workbook cut short.
    EXPECT_EQ(formats::read_xlsx(Bytes(100, 'x')).error().code, Errc::corrupt);
    const Bytes whole = base().zip();
    for (std::size_t size = 0; size < whole.size(); size += 11)
        EXPECT_FALSE(formats::read_xlsx(std::span(whole).first(size)).ok()) << size;
}

}  // namespace
}  // namespace format_tests
