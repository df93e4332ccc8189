// The tracking sheet through the main window's "导出文档": the file byte for byte, its name,
// the messages, and what happens when the store or the target cannot be used.
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/tracking_sheet.h"
#include "dialogs/dates.h"
#include "forms/forms.h"
#include "services/date_format.h"
#include "store/customer_actions.h"
#include "store/next_steps.h"
#include "store/provision.h"
#include "store/shop_lists.h"
#include "tests/dialogs/dialog_fixture.h"
#include "tests/formats/tools.h"
#include "tests/jet/run_command.h"

namespace dialog_tests {
namespace {

namespace fs = std::filesystem;
using Messages = std::vector<std::pair<std::string, std::string>>;

constexpr int kClosedList = 4, kExport = 7;

// The GBK bytes of the sheet's words, spelt out so that a wrong code page shows.
const std::string kNumber = "\xd0\xf2\xba\xc5";                         // 序号
const std::string kCustomerId = "\xbf\xcd\xbb\xa7\xcd\xfa\xcd\xfa";     // 客户旺旺
const std::string kOurId = "\xce\xd2\xc3\xc7\xb5\xc4\xcd\xfa\xcd\xfa";  // 我们的旺旺
const std::string kFirstDate =
    "\xb5\xda\xd2\xbb\xb4\xce\xd7\xc9\xd1\xaf\xc8\xd5\xc6\xda";  // 第一次咨询日期
const std::string kLastDate = "\xd7\xee\xba\xf3\xb8\xfa\xd7\xd9\xc8\xd5\xc6\xda";  // 最后跟踪日期
const std::string kDealDate = "\xbd\xbb\xd2\xd7\xc8\xd5\xc6\xda";                  // 交易日期
const std::string kNote = "\xb1\xb8\xd7\xa2";                                      // 备注
const std::string kShopOne = "\xb5\xea\xd6\xf7\xd2\xbb";                           // 店主一
const std::string kShopTwo = "\xb5\xea\xd6\xf7\xb6\xfe";                           // 店主二
const std::string kBuyer = "\xc2\xf2\xbc\xd2";                                     // 买家
const std::string kBeyondGbk = "\x95\x32\x82\x36";  // U+20000, four bytes of GB18030

const std::string kOpenHeader = kNumber + "\t" + kCustomerId + "\t" + kOurId + "\t" + kFirstDate +
                                "\t" + kLastDate + "\t" + kNote + "\r\n";
const std::string kClosedHeader = kNumber + "\t" + kCustomerId + "\t" + kOurId + "\t" + kFirstDate +
                                  "\t" + kDealDate + "\t" + kNote + "\r\n";

constexpr double k2014May23 = 41782, k2014Nov5 = 41948, k2014Jan15 = 41654;

class SheetExport : public DialogFlow {
  protected:
    void SetUp() override {
        DialogFlow::SetUp();
        sheet_ = dir_ + "/sheet.xls";
        backend_.windows().on_save_dialog(
            [this](const runtime::Control&, std::string_view offered) {
                offered_ = offered;
                return answer_;
            });
        answer_ = sheet_;
    }
    std::string read_file(const std::string& path) const {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    std::string today_text() const {
        return services::format_date(dialogs::now_as_date(), "%y%m%d");
    }

    std::string sheet_;
    std::optional<std::string> answer_;
    std::string offered_;
};

TEST_F(SheetExport, OpenSheetByteForByteOldestFirst) {
    add("buyer'1", "店主一", k2014May23, k2014May23 + 1.75, "line one\r\nsaid \"two\"");
    add("tb-x", "店主二", k2014Nov5, k2014Nov5 + 1, "买家<!vantel!>𠀀");
    add("quiet", "店主一", k2014Jan15, k2014Jan15);
    HeadlessWindow& main = open_main();
    messages();
    toolbar(kExport);

    EXPECT_EQ(offered_, "岚桥淘宝会员跟踪表" + today_text() + "_未成交");
    EXPECT_EQ(backend_.windows().asked_folders().back(), "C:\\Users\\shop\\Desktop\\");
    EXPECT_EQ(messages(), (Messages{{"导出文档成功！", "恭喜："}}));
    EXPECT_TRUE(context_.state.export_kind.empty());
    // Rows in reverse list order, each with its running number from the list; the quote
    // inside the note is doubled, the marker inside the other note is a TAB.
    const std::string expected = kOpenHeader + "3\tbuyer'1\t" + kShopOne +
                                 "\t2014-5-23\t2014-5-24\t\"line one\r\nsaid \"\"two\"\"\"\r\n"
                                 "2\ttb-x\t" +
                                 kShopTwo + "\t2014-11-5\t2014-11-6\t\"" + kBuyer + "\t" +
                                 kBeyondGbk +
                                 "\"\r\n"
                                 "1\tquiet\t" +
                                 kShopOne + "\t2014-1-15\t2014-1-15\t\"\"\r\n";
    EXPECT_EQ(read_file(sheet_), expected);
    EXPECT_EQ(main.item_count(forms::main::kList), 3);

    // It decodes as GBK (GB18030 for the rest) and a spreadsheet reader sees six columns.
    int status = -1;
    const std::string decoded =
        testing_support::run_command("iconv -f GB18030 -t UTF-8 '" + sheet_ + "'", &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(decoded.substr(0, decoded.find("\r\n")),
              "序号\t客户旺旺\t我们的旺旺\t第一次咨询日期\t最后跟踪日期\t备注");
    const std::string table = testing_support::run_command(
        "node " + std::string(LQ_SOURCE_DIR) + "/tests/oracles/sheet_table.mjs '" + sheet_ + "'",
        &status);
    EXPECT_EQ(status, 0) << table;
    EXPECT_EQ(table,
              "columns 6\n"
              "序号|客户旺旺|我们的旺旺|第一次咨询日期|最后跟踪日期|备注\n"
              "3|buyer'1|店主一|2014-5-23|2014-5-24|line one\\nsaid \"two\"\n"
              "2|tb-x|店主二|2014-11-5|2014-11-6|买家\t𠀀\n"
              "1|quiet|店主一|2014-1-15|2014-1-15|\n");
}

TEST_F(SheetExport, ClosedSheetTakesTheDealDateAndAnEmptyModeGivesTheHeader) {
    const int id = add("shut", "店主一", k2014Jan15, k2014Jan15 + 3);
    add("still open", "店主二", k2014May23, k2014May23);
    {
        store::StoreConnection c;
        store::RowSet rs;
        ASSERT_TRUE(
            store::register_deal(c, rs, {db_path_, store::kDatabasePassword}, id, k2014Nov5 + 0.5));
    }
    open_main();
    toolbar(kClosedList);
    messages();
    toolbar(kExport);
    EXPECT_EQ(offered_, "岚桥淘宝会员跟踪表" + today_text() + "_已成交");
    EXPECT_EQ(read_file(sheet_),
              kClosedHeader + "1\tshut\t" + kShopOne + "\t2014-1-15\t2014-11-5\t\"\"\r\n");
    EXPECT_EQ(messages(), (Messages{{"导出文档成功！", "恭喜："}}));

    // The store emptied of customers: the header and CR LF, still a success.
    {
        store::StoreConnection c;
        const store::StoreLocation where{db_path_, store::kDatabasePassword};
        ASSERT_TRUE(store::delete_customer(c, where, id));
        ASSERT_TRUE(store::delete_customer(c, where, id + 1));
    }
    toolbar(kExport);
    EXPECT_EQ(read_file(sheet_), kClosedHeader);
    EXPECT_EQ(messages(), (Messages{{"导出文档成功！", "恭喜："}}));
}

TEST_F(SheetExport, CancelWritesNothingAndDoesNotReload) {
    add("one", "店主一", k2014Jan15, k2014Jan15);
    HeadlessWindow& main = open_main();
    add("two", "店主一", k2014Jan15, k2014Jan15);  // not shown until the list reloads
    messages();
    answer_ = std::nullopt;
    toolbar(kExport);
    EXPECT_FALSE(fs::exists(sheet_));
    EXPECT_TRUE(messages().empty());
    EXPECT_TRUE(context_.state.export_kind.empty());
    EXPECT_EQ(main.item_count(forms::main::kList), 1);
}

TEST_F(SheetExport, NoSuccessForAFileThatWasNotWrittenOrStaleLines) {
    add("one", "店主一", k2014Jan15, k2014Jan15);
    HeadlessWindow& main = open_main();
    toolbar(kExport);
    messages();
    const std::string first = read_file(sheet_);
    ASSERT_FALSE(first.empty());

    // The store gone during the export's reload: the earlier export's lines are not written
    // again as if they were fresh, and the older file stays as it was.
    add("two", "店主一", k2014Jan15, k2014Jan15);
    fs::rename(db_path_, db_path_ + ".away");
    toolbar(kExport);
    EXPECT_EQ(messages(), (Messages{{"导出文档失败，请稍后再试。", "信息："}}));
    EXPECT_EQ(read_file(sheet_), first);
    EXPECT_EQ(main.item_count(forms::main::kList), 1);  // the list keeps its rows
    EXPECT_TRUE(context_.state.export_kind.empty());
    fs::rename(db_path_ + ".away", db_path_);

    // A target that cannot be written although something of that name exists.
    answer_ = dir_;
    toolbar(kExport);
    EXPECT_EQ(messages(), (Messages{{"导出文档失败，请稍后再试。", "信息："}}));
    EXPECT_EQ(main.item_count(forms::main::kList), 2);
    // Then a good one: the lines are this load's.
    answer_ = sheet_;
    toolbar(kExport);
    EXPECT_EQ(messages(), (Messages{{"导出文档成功！", "恭喜："}}));
    EXPECT_EQ(read_file(sheet_), kOpenHeader + "2\tone\t" + kShopOne +
                                     "\t2014-1-15\t2014-1-15\t\"\"\r\n1\ttwo\t" + kShopOne +
                                     "\t2014-1-15\t2014-1-15\t\"\"\r\n");
}

TEST(SheetParts, NamesAndHeadersOfBothKinds) {
    runtime::headless::Backend backend;  // the code pages
    // 15 January and 5 November give the same date text.
    EXPECT_EQ(app::default_sheet_name("a", k2014Jan15 + 0.9), "岚桥淘宝会员跟踪表2014115_未成交");
    EXPECT_EQ(app::default_sheet_name("b", k2014Nov5), "岚桥淘宝会员跟踪表2014115_已成交");
    EXPECT_EQ(app::default_sheet_name("a", k2014May23), "岚桥淘宝会员跟踪表2014523_未成交");
    // Any other kind has no header; every marker becomes one TAB, none is left half.
    const auto bytes = app::build_sheet("x<!vantel!><!vantel!>y<!vantel!\r\n", "c");
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "\r\nx\t\ty<!vantel!\r\n");
    // A marker inside an ID is a field break too: the line as gathered, then the sheet.
    store::CustomerRow row{7, "tb<!vantel!>x", "店主二", k2014Nov5, k2014Jan15, k2014May23, ""};
    EXPECT_EQ(app::sheet_line("b", 12, row),
              "12<!vantel!>tb<!vantel!>x<!vantel!>店主二<!vantel!>2014-11-5<!vantel!>2014-5-23"
              "<!vantel!>\"\"\r\n");
    const auto closed = app::build_sheet(app::sheet_line("b", 12, row), "b");
    EXPECT_EQ(std::string(closed.begin(), closed.end()),
              kClosedHeader + "12\ttb\tx\t" + kShopTwo + "\t2014-11-5\t2014-5-23\t\"\"\r\n");
}

}  // namespace
}  // namespace dialog_tests

namespace dialog_tests {
namespace {

// The workbook: the filter or a typed ending chooses it; LibreOffice and openpyxl read the same
// rows, types and order as the tab-separated sheet holds.
TEST_F(SheetExport, AWorkbookHoldsTheSheetsRowsWithTypedCells) {
    add("buyer'1", "店主一", k2014May23, k2014May23 + 1.75, "line one\r\nsaid \"two\"");
    const int tagged = add("tb-x", "店主二", k2014Nov5, k2014Nov5 + 1, "买家<!vantel!>𠀀");
    {
        // Its tags go into a column of their own, in the shop's order.
        store::StoreConnection c;
        store::RowSet rs;
        const store::StoreLocation where{db_path_, store::kDatabasePassword};
        ASSERT_TRUE(store::save_tags(c, rs, where, {{0, "老客户"}, {0, "要发票"}}));
        const auto tags = *store::read_shop_list(c, rs, where, store::ListKind::tag);
        ASSERT_TRUE(store::set_customer_tags(c, rs, where, tagged, {tags[1].id, tags[0].id}));
    }
    open_main();
    messages();
    const std::string book = dir_ + "/sheet.xlsx";
    backend_.windows().set_save_filter(1);
    answer_ = dir_ + "/sheet.xls";  // the dialog added the first filter's ending
    toolbar(kExport);
    EXPECT_EQ(messages(), (Messages{{"导出文档成功！", "恭喜："}}));
    EXPECT_FALSE(fs::exists(dir_ + "/sheet.xls"));
    ASSERT_TRUE(fs::exists(book));
    backend_.windows().set_save_filter(0);
    answer_ = dir_ + "/typed.XLSX";  // an ending typed by hand decides as well
    toolbar(kExport);
    EXPECT_EQ(read_file(dir_ + "/typed.XLSX"), read_file(book));

    const std::string want =
        "序号|客户旺旺|我们的旺旺|第一次咨询日期|最后跟踪日期|备注|标签\n"
        "2|buyer'1|店主一|2014-05-23|2014-05-24|line one\\nsaid \"two\"|\n"
        "1|tb-x|店主二|2014-11-05|2014-11-06|买家<!vantel!>𠀀|#老客户 #要发票\n";
    const std::string& python = format_tests::openpyxl_python();
    if (!python.empty()) {
        auto run = format_tests::python(python, R"(
import sys, openpyxl, datetime
ws = openpyxl.load_workbook(sys.argv[1]).worksheets[0]
for row in ws.iter_rows(values_only=True):
    cells = []
    for v in row:
        if isinstance(v, datetime.datetime): v = v.date().isoformat()
        elif isinstance(v, float) and v.is_integer(): v = int(v)
        cells.append(str(v if v is not None else '').replace('\r\n', '\\n'))
    print('|'.join(cells))
print('frozen', ws.freeze_panes, ws['A1'].font.b, type(ws['A2'].value).__name__, ws['D2'].is_date)
)",
                                        {book});
        EXPECT_EQ(run.status, 0) << run.out;
        EXPECT_EQ(run.out, want + "frozen A2 True int True\n");
    }
    if (format_tests::have_soffice()) {
        const std::string out = format_tests::scratch() + "/lo_export";
        fs::create_directories(out);
        ASSERT_TRUE(format_tests::soffice_convert(
            {book}, "csv:Text - txt - csv (StarCalc):124,34,76,1", out));
        // As LibreOffice takes the cells: text quoted, numbers and dates (in the workbook's
        // own date format) bare.
        EXPECT_EQ(
            read_file(out + "/sheet.csv"),
            "\"序号\"|\"客户旺旺\"|\"我们的旺旺\"|\"第一次咨询日期\"|\"最后跟踪日期\"|\"备注\"|"
            "\"标签\"\n"
            "2|\"buyer'1\"|\"店主一\"|2014-5-23|2014-5-24|\"line one\nsaid \"\"two\"\"\"|\n"
            "1|\"tb-x\"|\"店主二\"|2014-11-5|2014-11-6|\"买家<!vantel!>𠀀\"|\"#老客户 #要发票\"\n");
    }
}

// IDs and notes that a spreadsheet would compute get the guard apostrophe, and nothing else of
// the sheet changes. LibreOffice, told to evaluate formulas, computes the unguarded control
// lines and shows every exported cell as text.
TEST_F(SheetExport, NoCellOfTheSheetBecomesAFormula) {
    add("=1+1", "@SUM(2)", k2014May23, k2014May23, "=2+3");
    add("+4+1", "-ours", k2014May23, k2014May23, "-5+1");
    add("@x", "店主一", k2014May23, k2014May23, "@SUM(1)");
    add("a=b", "店主一", k2014May23, k2014May23, "note = fine");
    open_main();
    messages();
    toolbar(kExport);
    EXPECT_EQ(messages(), (Messages{{"导出文档成功！", "恭喜："}}));
    const std::string body =
        "4\t'=1+1\t'@SUM(2)\t2014-5-23\t2014-5-23\t\"'=2+3\"\r\n"
        "3\t'+4+1\t'-ours\t2014-5-23\t2014-5-23\t\"'-5+1\"\r\n"
        "2\t'@x\t" +
        kShopOne + "\t2014-5-23\t2014-5-23\t\"'@SUM(1)\"\r\n" + "1\ta=b\t" + kShopOne +
        "\t2014-5-23\t2014-5-23\t\"note = fine\"\r\n";
    const std::string sheet = read_file(sheet_);
    EXPECT_EQ(sheet, kOpenHeader + body);
    if (!format_tests::have_soffice()) GTEST_SKIP() << "LibreOffice is not installed";
    // The control: the same sheet with the guards before "=" taken out, where LibreOffice
    // computes (it takes only "=" as the start of a formula in text; Excel takes all four).
    std::string unguarded = sheet;
    for (std::size_t at; (at = unguarded.find("'=")) != std::string::npos;)
        unguarded.erase(at, 1);
    const std::string control = dir_ + "/control.xls";
    std::ofstream(control, std::ios::binary) << unguarded;
    const std::string out = format_tests::scratch() + "/guarded";
    fs::create_directories(out);
    ASSERT_TRUE(format_tests::soffice_convert(
        {sheet_, control}, "csv:Text - txt - csv (StarCalc):124,34,76,1,,0,false,true,true", out,
        "Text - txt - csv (StarCalc):9,34,85,1,,0,false,false,false,false,false,-1,true"));  // 85:
                                                                                             // GBK
    const std::string header = "序号|客户旺旺|我们的旺旺|第一次咨询日期|最后跟踪日期|备注\n";
    EXPECT_EQ(read_file(out + "/sheet.csv"), header +
                                                 "4|'=1+1|'@SUM(2)|2014-5-23|2014-5-23|'=2+3\n"
                                                 "3|'+4+1|'-ours|2014-5-23|2014-5-23|'-5+1\n"
                                                 "2|'@x|店主一|2014-5-23|2014-5-23|'@SUM(1)\n"
                                                 "1|a=b|店主一|2014-5-23|2014-5-23|note = fine\n");
    const std::string computed = read_file(out + "/control.csv");
    EXPECT_NE(computed.find("\n4|2|'@SUM(2)|2014-5-23|2014-5-23|5\n"), std::string::npos)
        << "LibreOffice did not evaluate the control's formulas:\n"
        << computed;
}

}  // namespace
}  // namespace dialog_tests
