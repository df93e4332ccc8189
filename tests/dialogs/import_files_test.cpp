// "导入客户…" from the main window over files that LibreOffice and openpyxl write at test time:
// the dialog's preview and guesses, the choices the user changes, the counts and reasons it
// reports, the copy it keeps first, and the rows mdb-export finds stored afterwards.
#include <filesystem>
#include <fstream>
#include <iterator>

#include "forms/forms.h"
#include "store/backup.h"
#include "store/provision.h"
#include "tests/dialogs/dialog_fixture.h"
#include "tests/dialogs/import_flow.h"
#include "tests/formats/tools.h"
#include "tests/jet/run_command.h"

namespace dialog_tests {
namespace {

namespace fs = std::filesystem;
namespace im = forms::import;
using runtime::Event;
using Messages = std::vector<std::pair<std::string, std::string>>;

std::string repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i)
        out += s;
    return out;
}

// A shop's list as people keep one: a merged title above the header, columns in their own
// order under their own names, a note over two lines, the same buyer twice in other letter
// case, a buyer stored already, IDs too long or missing, our ID merged over two rows, an
// empty row, an ID with blanks and a full-width colon, a missing date.
// "cols6:" and "rows2:" merge a cell over that many columns or rows; "~" is a covered cell.
const std::vector<std::vector<std::string>> kShopList = {
    {"cols6:岚桥客户名单", "~", "~", "~", "~", "~"},
    {"备注", "客户旺旺", "来访", "最后跟进", "接待客服", "序号"},
    {"第一行\n第二行 \"好\"", "Buyer_A", "2014-05-23", "2014-05-24", "店主二", "1"},
    {"", "buyer_a", "2014-06-01", "2014-06-02", "店主二", "2"},
    {"老客户", "Stored_B", "2014-01-15", "2014-01-16", "店主一", "3"},
    {"", repeat("客", 51), "2014-02-01", "2014-02-02", "店主一", "4"},
    {"无名", "", "2014-02-01", "2014-02-02", "店主一", "5"},
    {"", "tb-merged", "2014-11-05", "2014-11-06", "rows2:店主二", "6"},
    {"", "tb-under", "2014-11-07", "2014-11-08", "~", "7"},
    {},
    {"", " tb：c d ", "2014-12-01", "2014-12-01", "店主一", "9"},
    {"", "nodate", "2014-12-02", "", "店主一", "10"},
    {"", repeat("客", 50), "2014-12-03", "2014-12-04", "店主一", "11"},
};

bool is_date(const std::string& v) {
    return v.size() == 10 && v[4] == '-' && v[7] == '-';
}
bool is_number(const std::string& v) {
    return !v.empty() && v.find_first_not_of("0123456789") == std::string::npos;
}

std::string escaped(const std::string& s) {
    std::string out;
    for (char c : s)
        out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '"' ? "&quot;" : std::string(1, c);
    return out;
}

// The table as a flat OpenDocument spreadsheet, typed: ISO dates as date cells, digits as numbers.
// A flat OpenDocument spreadsheet up to the start of its one table "客户", with the date
// cell style "D"; `settings` (calculation settings) go before the table.
std::string fods_head(const std::string& settings = "") {
    return R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:number="urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0"
 xmlns:of="urn:oasis:names:tc:opendocument:xmlns:of:1.2"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:automatic-styles><number:date-style style:name="N1"><number:year number:style="long"/>
<number:text>-</number:text><number:month number:style="long"/><number:text>-</number:text>
<number:day number:style="long"/></number:date-style>
<style:style style:name="D" style:family="table-cell" style:data-style-name="N1"/>
</office:automatic-styles><office:body><office:spreadsheet>)" +
           settings + R"(<table:table table:name="客户">)";
}

std::string fods(const std::vector<std::vector<std::string>>& table) {
    std::string x = fods_head();
    for (const auto& row : table) {
        x += "<table:table-row>";
        if (row.empty()) x += "<table:table-cell/>";
        for (std::string v : row) {
            std::string span;
            if (v.starts_with("cols6:") || v.starts_with("rows2:")) {
                span = v[0] == 'c' ? " table:number-columns-spanned=\"6\""
                                   : " table:number-rows-spanned=\"2\"";
                v.erase(0, 6);
            }
            if (v == "~") {
                x += "<table:covered-table-cell/>";
            } else if (v.empty()) {
                x += "<table:table-cell/>";
            } else if (is_date(v)) {
                x += "<table:table-cell table:style-name=\"D\" office:value-type=\"date\" "
                     "office:date-value=\"" +
                     v + "\"" + span + "><text:p>" + v + "</text:p></table:table-cell>";
            } else if (is_number(v)) {
                x += "<table:table-cell office:value-type=\"float\" office:value=\"" + v + "\"" +
                     span + "><text:p>" + v + "</text:p></table:table-cell>";
            } else {
                x += "<table:table-cell office:value-type=\"string\"" + span + ">";
                for (std::size_t at = 0, end; at != std::string::npos; at = end) {
                    end = v.find('\n', at);
                    x += "<text:p>" + escaped(v.substr(at, end == v.npos ? end : end - at)) +
                         "</text:p>";
                    if (end != std::string::npos) ++end;
                }
                x += "</table:table-cell>";
            }
        }
        x += "</table:table-row>";
    }
    return x + "</table:table></office:spreadsheet></office:body></office:document>";
}

// The same table written by openpyxl: dates as datetime cells, merges as ranges.
bool openpyxl_book(const std::vector<std::vector<std::string>>& table, const std::string& path) {
    std::vector<std::string> args{path};
    for (std::size_t r = 0; r < table.size(); ++r)
        for (std::size_t c = 0; c < table[r].size(); ++c)
            if (!table[r][c].empty() && table[r][c] != "~")
                args.push_back(std::to_string(r + 1) + "\t" + std::to_string(c + 1) + "\t" +
                               table[r][c]);
    const auto run = format_tests::python(format_tests::openpyxl_python(), R"(
import sys, datetime, openpyxl
wb = openpyxl.Workbook()
ws = wb.active
for arg in sys.argv[2:]:
    r, c, v = arg.split('\t', 2)
    r, c = int(r), int(c)
    span = None
    if v[:6] in ('cols6:', 'rows2:'):
        span, v = v[:6], v[6:]
    if len(v) == 10 and v[4] == '-' and v[7] == '-':
        v = datetime.datetime.strptime(v, '%Y-%m-%d')
    elif v.isdigit():
        v = int(v)
    ws.cell(row=r, column=c, value=v)
    if span == 'cols6:':
        ws.merge_cells(start_row=r, start_column=c, end_row=r, end_column=c + 5)
    elif span == 'rows2:':
        ws.merge_cells(start_row=r, start_column=c, end_row=r + 1, end_column=c)
wb.save(sys.argv[1])
)",
                                          args);
    EXPECT_EQ(run.status, 0) << run.out;
    return run.status == 0;
}

class ImportFiles : public ImportFlow {};

TEST_F(ImportFiles, AShopsListInEveryFormAndEncodingGivesTheSameCustomers) {
    const std::string& work = format_tests::scratch();
    std::vector<std::string> files;
    if (format_tests::have_soffice()) {
        format_tests::write_text(work + "/shop.fods", fods(kShopList));
        ASSERT_TRUE(format_tests::soffice_convert({work + "/shop.fods"}, "xlsx", work));
        ASSERT_TRUE(format_tests::soffice_convert(
            {work + "/shop.fods"}, "csv:Text - txt - csv (StarCalc):44,34,76,1", work));
        const auto csv = format_tests::read_bytes(work + "/shop.csv");
        format_tests::write_text(work + "/shop_bom.csv",
                                 "\xEF\xBB\xBF" + std::string(csv.begin(), csv.end()));
        ASSERT_TRUE(format_tests::soffice_convert(
            {work + "/shop.fods"}, "txt:Text - txt - csv (StarCalc):9,34,76,1", work));
        int status = -1;
        testing_support::run_command(
            "iconv -f UTF-8 -t GB18030 '" + work + "/shop.txt' > '" + work + "/shop_gbk.txt'",
            &status);
        ASSERT_EQ(status, 0);
        files.insert(files.end(), {work + "/shop.xlsx", work + "/shop.csv", work + "/shop_bom.csv",
                                   work + "/shop_gbk.txt"});
    }
    if (!format_tests::openpyxl_python().empty() &&
        openpyxl_book(kShopList, work + "/shop_openpyxl.xlsx"))
        files.push_back(work + "/shop_openpyxl.xlsx");
    if (files.empty()) GTEST_SKIP() << "neither LibreOffice nor openpyxl is installed";

    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        fresh_store();
        add("stored_b", "店主一", 41654, 41655, "已经登记");
        const std::string before = bytes(db_path_);
        HeadlessWindow& main = open_main();
        messages();
        bool shown = false;
        run_import(file, [&](HeadlessWindow& d) {
            shown = true;
            EXPECT_EQ(d.text(im::kFile), "文件：" + file + "（共 13 行）");
            const auto preview = d.rows(im::kPreview);
            ASSERT_EQ(preview.size(), 12u);
            EXPECT_EQ(preview[0][0], "岚桥客户名单");
            EXPECT_EQ(preview[1], (std::vector<std::string>{"备注", "客户旺旺", "来访", "最后跟进",
                                                            "接待客服", "序号", "", ""}));
            EXPECT_EQ(preview[2][1], "Buyer_A");
            EXPECT_EQ(preview[7][4], "店主二");
            EXPECT_EQ(meanings(d),
                      (std::vector<std::string>{"备注", "客户旺旺", "不导入", "最后跟踪日期",
                                                "我们的旺旺", "序号", "不导入", "不导入"}));
            EXPECT_EQ(d.selected_choice(im::kList), 0);
            EXPECT_EQ(d.selected_choice(im::kOurs), 1);  // 店主一, the first of the list
            EXPECT_EQ(d.text(im::kSummary), "第2行是表头，不导入。");
            // The first-enquiry column went unrecognised: nothing is added until it is named.
            d.fire(im::kOkButton, Event::clicked);
            EXPECT_EQ(messages(), (Messages{{"请选出“第一次咨询日期”在哪一列", "信息："}}));
            EXPECT_FALSE(d.closed());
            EXPECT_EQ(bytes(db_path_), before);
            choose(d, 2, "第一次咨询日期");
            d.fire(im::kOkButton, Event::clicked);
            EXPECT_TRUE(d.closed());
        });
        ASSERT_TRUE(shown);
        EXPECT_EQ(
            messages(),
            (Messages{
                {"导入完成：新增 5 位客户。\r\n跳过：已经登记过的 1 行，文件里重复的 1 "
                 "行，表头上面的标题 1 行。\r\n没有导入 3 行：缺少旺旺号或日期的 2 "
                 "行，旺旺号太长或有换行的 1 行。\r\n\r\n要查看没有导入的行吗？（行号和原因）",
                 "导入客户"}}));
        // Row 4 is row 3's buyer in other letter case, row 5 the stored one; the row under the
        // merged our ID takes the chosen default; blanks and the full-width colon are cleaned;
        // the note keeps its line break as the editor writes one.
        EXPECT_EQ(stored(), (std::vector<std::string>{
                                "stored_b|店主一|2014-01-15 00:00|2014-01-16 00:00|已经登记|0|",
                                "Buyer_A|店主二|2014-05-23 00:00|2014-05-24 00:00|第一行\\r\\n第"
                                "二行 \"好\"|0|",
                                "tb-merged|店主二|2014-11-05 00:00|2014-11-06 00:00||0|",
                                "tb-under|店主一|2014-11-07 00:00|2014-11-08 00:00||0|",
                                "tb:cd|店主一|2014-12-01 00:00|2014-12-01 00:00||0|",
                                repeat("客", 50) + "|店主一|2014-12-03 00:00|2014-12-04 00:00||0|",
                            }));
        EXPECT_EQ(main.item_count(forms::main::kList), 6);  // the list reloaded
        // The copy taken before anything was added is the store as it was.
        const auto copies = backups();
        ASSERT_EQ(copies.size(), 1u);
        EXPECT_EQ(bytes(copies[0]), before);
    }
}

// Serial dates as openpyxl writes them: the 1900 system around its day that never was, and a
// workbook of the 1904 system, whose serials are four years and a day smaller.
TEST_F(ImportFiles, SerialDatesInBothSystemsAndTheLeapDayThatNeverWas) {
    if (format_tests::openpyxl_python().empty()) GTEST_SKIP() << "openpyxl is not installed";
    const std::string book1900 = format_tests::scratch() + "/serials1900.xlsx";
    const std::string book1904 = format_tests::scratch() + "/serials1904.xlsx";
    const auto run = format_tests::python(format_tests::openpyxl_python(), R"(
import sys, datetime, openpyxl
for path, epoch in ((sys.argv[1], 1900), (sys.argv[2], 1904)):
    wb = openpyxl.Workbook()
    if epoch == 1904:
        wb.epoch = openpyxl.utils.datetime.CALENDAR_MAC_1904
    ws = wb.active
    ws.append(['客户旺旺', '我们的旺旺', '第一次咨询日期', '交易日期'])
    if epoch == 1900:
        for name, serial in (('feb28', 59), ('feb29', 60), ('mar1', 61), ('jan1', 1)):
            ws.append([name, '店主一', serial, 41782])
            for cell in ws[ws.max_row][2:]:
                cell.number_format = 'yyyy-mm-dd'
    else:
        ws.append(['mac', '店主一', datetime.datetime(2014, 5, 23), datetime.date(1904, 1, 1)])
        ws.append(['mac-typed', '店主一', '2014/5/23', '2015年1月2日'])
    wb.save(path)
)",
                                          {book1900, book1904});
    ASSERT_EQ(run.status, 0) << run.out;

    fresh_store();
    open_main();
    messages();
    for (const std::string& book : {book1900, book1904}) {
        run_import(book, [&](HeadlessWindow& d) {
            // A sheet with deal dates is a list of closed customers.
            EXPECT_EQ(d.selected_choice(im::kList), 1);
            d.fire(im::kOkButton, Event::clicked);
        });
    }
    EXPECT_EQ(messages(), (Messages{{"导入完成：新增 3 位客户。\r\n没有导入 1 行：日期不对的 1 "
                                     "行。\r\n\r\n要查看没有导入的行吗？（行号和原因）",
                                     "导入客户"},
                                    {"导入完成：新增 2 位客户。", "导入客户"}}));
    // Closed customers without a follow-up column take the deal date for it.
    EXPECT_EQ(stored(),
              (std::vector<std::string>{
                  "feb28|店主一|1900-02-28 00:00|2014-05-23 00:00||1|2014-05-23 00:00",
                  "mar1|店主一|1900-03-01 00:00|2014-05-23 00:00||1|2014-05-23 00:00",
                  "jan1|店主一|1900-01-01 00:00|2014-05-23 00:00||1|2014-05-23 00:00",
                  "mac|店主一|2014-05-23 00:00|1904-01-01 00:00||1|1904-01-01 00:00",
                  "mac-typed|店主一|2014-05-23 00:00|2015-01-02 00:00||1|2015-01-02 00:00",
              }));
}

// A workbook as a shop keeps one, in the 1904 date system: two title rows over the header,
// dates as date cells and as plain numbers, IDs as numbers and as digits typed as text, a
// repeated buyer in other letter case, a bare number typed into a date column, an ID taken by
// formula, and totals at the bottom, one by formula. LibreOffice computes and keeps the
// formulas' values; openpyxl writes the formulas without any.
TEST_F(ImportFiles, AWorkbookAsAShopKeepsItGivesOnlyItsCustomers) {
    const std::string& work = format_tests::scratch();
    std::vector<std::string> files;
    if (format_tests::have_soffice()) {
        // Cells: "d:" a date cell, "n:" a number, "f:" a formula with its value, else text.
        const std::vector<std::vector<std::string>> rows = {
            {"岚桥三月客户"},
            {"店主自己记的，2014年"},
            {"序号", "买家旺旺", "接待客服", "首次咨询", "最后跟进", "备注"},
            {"n:1", "tb_甲", "店主一", "d:2014-05-23", "n:40329", "问了尺码"},
            {"n:2", "TB_甲", "店主一", "d:2014-05-24", "n:40330"},
            {"n:3", "12345", "店主二", "2014/6/1", "2014年6月2日"},
            {"n:4", "n:67890", "店主二", "n:40331", "2014-6-4"},
            {"n:5", "tb_乙", "店主一", "2023", "2014-6-4"},
            {"n:6", "f:of:=[.B4]|tb_甲", "店主一", "d:2014-05-23", "n:40329"},
            {"合计", "f:of:=COUNTA([.B4:.B9])|6"},
            {},
            {"总计：", "n:6"},
        };
        std::string x = fods_head(
            R"(<table:calculation-settings><table:null-date table:date-value="1904-01-01"/>)"
            R"(</table:calculation-settings>)");
        for (const auto& row : rows) {
            x += "<table:table-row>";
            if (row.empty()) x += "<table:table-cell/>";
            for (const std::string& v : row) {
                if (v.starts_with("d:")) {
                    x += "<table:table-cell table:style-name=\"D\" office:value-type=\"date\" "
                         "office:date-value=\"" +
                         v.substr(2) + "\"/>";
                } else if (v.starts_with("n:")) {
                    x += "<table:table-cell office:value-type=\"float\" office:value=\"" +
                         v.substr(2) + "\"/>";
                } else if (v.starts_with("f:")) {
                    const std::size_t bar = v.find('|');
                    const std::string value = v.substr(bar + 1);
                    x += "<table:table-cell table:formula=\"" + v.substr(2, bar - 2) + "\" " +
                         (is_number(value)
                              ? "office:value-type=\"float\" office:value=\"" + value
                              : "office:value-type=\"string\" office:string-value=\"" + value) +
                         "\"><text:p>" + value + "</text:p></table:table-cell>";
                } else {
                    x += "<table:table-cell office:value-type=\"string\"><text:p>" + v +
                         "</text:p></table:table-cell>";
                }
            }
            x += "</table:table-row>";
        }
        x += "</table:table></office:spreadsheet></office:body></office:document>";
        format_tests::write_text(work + "/kept.fods", x);
        ASSERT_TRUE(format_tests::soffice_convert({work + "/kept.fods"}, "xlsx", work));
        files.push_back(work + "/kept.xlsx");
    }
    if (!format_tests::openpyxl_python().empty()) {
        const auto run = format_tests::python(format_tests::openpyxl_python(), R"(
import sys, datetime, openpyxl
wb = openpyxl.Workbook()
wb.epoch = openpyxl.utils.datetime.CALENDAR_MAC_1904
ws = wb.active
d = lambda day: datetime.datetime(2014, 5, day)
for row in (['岚桥三月客户'], ['店主自己记的，2014年'],
            ['序号', '买家旺旺', '接待客服', '首次咨询', '最后跟进', '备注'],
            [1, 'tb_甲', '店主一', d(23), 40329, '问了尺码'], [2, 'TB_甲', '店主一', d(24), 40330],
            [3, '12345', '店主二', '2014/6/1', '2014年6月2日'], [4, 67890, '店主二', 40331, '2014-6-4'],
            [5, 'tb_乙', '店主一', '2023', '2014-6-4'], [6, '=B4', '店主一', d(23), 40329],
            ['合计', '=COUNTA(B4:B9)'], [], ['总计：', 6]):
    ws.append(row)
ws.merge_cells('A1:F1')
wb.save(sys.argv[1])
)",
                                              {work + "/kept_openpyxl.xlsx"});
        ASSERT_EQ(run.status, 0) << run.out;
        files.push_back(work + "/kept_openpyxl.xlsx");
    }
    if (files.empty()) GTEST_SKIP() << "neither LibreOffice nor openpyxl is installed";

    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        fresh_store();
        open_main();
        messages();
        std::vector<std::vector<std::string>> left_out;
        on_open("LeftOutRows", [&](HeadlessWindow& d) {
            left_out = d.rows(forms::left_out::kList);
            d.fire(forms::left_out::kCloseButton, Event::clicked);
        });
        backend_.message_boxes().push_answer(runtime::kAnswerYes);
        run_import(file, [&](HeadlessWindow& d) {
            EXPECT_EQ(d.text(im::kSummary), "第3行是表头，不导入。");
            d.fire(im::kOkButton, Event::clicked);
        });
        EXPECT_EQ(messages(),
                  (Messages{{"导入完成：新增 3 位客户。\r\n跳过：文件里重复的 1 行，合计行 2 "
                             "行，表头上面的标题 2 行。\r\n没有导入 2 行：旺旺号是公式算出来的 1 "
                             "行，日期只写了一个数字的 1 行。\r\n\r\n要查看没有导入的行吗？（行号"
                             "和原因）",
                             "导入客户"}}));
        const std::string computed = file.ends_with("openpyxl.xlsx") ? "" : "（“tb_甲”）";
        EXPECT_EQ(left_out,
                  (std::vector<std::vector<std::string>>{
                      {"1", "在表头的上面（标题），不是客户，已略过"},
                      {"2", "在表头的上面（标题），不是客户，已略过"},
                      {"5", "和第4行是同一个客户（客户旺旺号和我们的旺旺都相同），已略过"},
                      {"8",
                       "第一次咨询日期“2023”只是一个数字，不知道是哪一天，请写成 2014-5-23 "
                       "这样的日期"},
                      {"9", "客户旺旺号是公式算出来的" + computed + "，不是旺旺号"},
                      {"10", "是合计行，不是客户，已略过"},
                      {"12", "是合计行，不是客户，已略过"},
                  }));
        // The 1904 system's numbers are four years and a day later than the 1900 system's.
        EXPECT_EQ(stored(), (std::vector<std::string>{
                                "tb_甲|店主一|2014-05-23 00:00|2014-06-01 00:00|问了尺码|0|",
                                "12345|店主二|2014-06-01 00:00|2014-06-02 00:00||0|",
                                "67890|店主二|2014-06-03 00:00|2014-06-04 00:00||0|",
                            }));
    }
}

}  // namespace
}  // namespace dialog_tests
