// Rows of the user's files turned into customers: the program's own tracking sheets read back,
// and every kind of row that cannot be taken refused or skipped with its row and reason.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/delimited_text.h"
#include "formats/import_rows.h"
#include "runtime/headless/iconv_code_pages.h"
#include "tests/formats/tools.h"

namespace format_tests {
namespace {

using formats::Cell;
using formats::ColumnMeaning;
using formats::Table;

constexpr double k2014Jun1 = 41791;

Cell text(const std::string& s) {
    return Cell::make_text(s);
}

// Blanks trimmed and the full-width colon made ASCII, as the editor cleans a typed ID.
std::string clean(std::string_view id) {
    std::string s(id);
    for (std::size_t at; (at = s.find("：")) != std::string::npos;)
        s.replace(at, 3, ":");
    std::erase(s, ' ');
    return s;
}

formats::ImportResult imported(const Table& table, const formats::ImportOptions& options,
                               std::vector<ColumnMeaning> columns = {}) {
    if (columns.empty())
        columns = formats::guess_columns(table.rows.at(*formats::find_header_row(table)));
    auto result = formats::import_rows(table, columns, options);
    EXPECT_TRUE(result.ok()) << result.error().message;
    return result.ok() ? *result : formats::ImportResult{};
}

std::vector<std::string> texts(const std::vector<formats::RowNotice>& notices) {
    std::vector<std::string> out;
    for (const auto& n : notices)
        out.push_back(n.text);
    return out;
}

// Each customer as one line: row, IDs, dates, deal date, note.
std::vector<std::string> lines(const std::vector<formats::ImportedCustomer>& customers) {
    std::vector<std::string> out;
    for (const auto& c : customers)
        out.push_back(std::to_string(c.row) + " " + c.fields.buyer + " " + c.fields.our_id + " " +
                      std::to_string(c.fields.first_enquiry) + " " +
                      std::to_string(c.fields.last_follow_up) + " " +
                      (c.deal_date ? std::to_string(*c.deal_date) : "-") + " " + c.fields.note);
    return out;
}

TEST(ImportRows, TheProgramsOwnTrackingSheetsComeBack) {
    runtime::headless::IconvCodePages code_pages;
    // Both kinds of sheet as the export writes them: GBK, TAB, CR LF, quoted notes. A closed
    // sheet has no last follow-up: the deal date stands in for it.
    const std::string header = "序号\t客户旺旺\t我们的旺旺\t第一次咨询日期\t";
    struct Case {
        formats::ImportList list;
        std::string sheet;
        std::vector<std::string> customers;
    };
    const Case cases[] = {
        {formats::ImportList::open,
         header +
             "最后跟踪日期\t备注\r\n2\ttb_甲\t店主一\t2014-5-23\t2014-6-1\t\"第一行\r\n第二行\"\r\n"
             "1\tABC\t店主一\t2014-11-5\t2014-11-5\t\"他说\"\"好\"\"\"\r\n",
         {"2 tb_甲 店主一 41782.000000 41791.000000 - 第一行\r\n第二行",
          "3 ABC 店主一 41948.000000 41948.000000 - 他说\"好\""}},
        {formats::ImportList::closed,
         header + "交易日期\t备注\r\n1\ttb_乙\t店主二\t2014-5-23\t2014-11-5\t\"\"\r\n",
         {"2 tb_乙 店主二 41782.000000 41948.000000 41948.000000 "}},
    };
    for (const auto& c : cases) {
        const std::string gbk = code_pages.utf8_to_gbk(c.sheet);
        auto sheet = formats::read_delimited_text(std::vector<std::uint8_t>(gbk.begin(), gbk.end()),
                                                  code_pages);
        ASSERT_TRUE(sheet.ok()) << sheet.error().message;
        const auto result = imported(sheet->table, {c.list, clean, {}});
        EXPECT_EQ(result.header_row, 1u);
        EXPECT_EQ(texts(result.refused), std::vector<std::string>{});
        EXPECT_EQ(texts(result.skipped), std::vector<std::string>{});
        EXPECT_EQ(lines(result.customers), c.customers);
    }
}

TEST(ImportRows, RowsThatCannotBeTakenSayWhy) {
    const std::string fifty(50, 'x'), fifty_cjk = [] {
        std::string s;
        for (int i = 0; i < 50; ++i)
            s += "旺";
        return s;
    }();
    const Table table{{
        {text("岚桥淘宝会员跟踪表")},  // a title above the header
        {},
        {text("备注"), text("首次咨询时间"), text("客户 旺旺号"), text("最后跟进日期"),
         text("接待旺旺")},
        {text("ok"), text("2014/5/23"), text(" a：b "), Cell::make_date(k2014Jun1), text("店主一")},
        {text(""), text("2014-5-23"), text(fifty_cjk), Cell::make_number(k2014Jun1)},
        {text(""), text("2014-5-23"), text(fifty_cjk + "x"), text("2014-6-1"), text("店主一")},
        {text(""), text("2014-5-23"), text(fifty + "𠀀"), text("2014-6-1"), text("店主一")},
        {text("n"), Cell{}, text("   "), text("2014-2-30"), text("店主一")},
        {text(""), text("2014-5-23"), text("a\r\nb"), text("2014-6-1"), text("店主一")},
        {text("again"), text("2014-5-23"), text("A:B"), text("2014-6-1"), text("店主一")},
        {text(""), text("2014-5-23"), Cell::make_number(12345), text("2014-6-1"), text("店主二")},
        {},
        {text(""), text("2014-5-23"), text("a:b"), text("2014-6-1"), text("店主二")},
    }};
    formats::ImportOptions options;
    options.clean_id = clean;
    options.default_our_id = "默认店";
    const auto result = imported(table, options);
    EXPECT_EQ(result.header_row, 3u);
    EXPECT_EQ(
        texts(result.refused),
        (std::vector<std::string>{
            "第6行：客户旺旺号超过50个字",
            "第7行：客户旺旺号超过50个字",
            "第8行：没有客户旺旺号；没有第一次咨询日期；最后跟踪日期“2014-2-30”不是有效的日期",
            "第9行：客户旺旺号里不能有换行",
        }));
    EXPECT_EQ(texts(result.skipped),
              (std::vector<std::string>{
                  "第1行：在表头的上面（标题），不是客户，已略过",
                  "第10行：和第4行是同一个客户（客户旺旺号和我们的旺旺都相同），已略过",
              }));
    // Exactly fifty characters is allowed; an empty our-ID cell takes the default; a number is
    // a serial date or an ID's digits; another of our IDs makes another customer.
    EXPECT_EQ(lines(result.customers),
              (std::vector<std::string>{
                  "4 a:b 店主一 41782.000000 41791.000000 - ok",
                  "5 " + fifty_cjk + " 默认店 41782.000000 41791.000000 - ",
                  "11 12345 店主二 41782.000000 41791.000000 - ",
                  "13 a:b 店主二 41782.000000 41791.000000 - ",
              }));
}

TEST(ImportRows, OnlyCustomersBecomeCustomers) {
    // A shop's sheet: a title, the header, buyers with dates typed every way, a repeated buyer,
    // computed IDs, bare numbers as dates, and totals at the bottom.
    auto computed = [](Cell c) {
        c.formula = true;
        return c;
    };
    const Table table{{
        {text("三月客户")},
        {text("序号"), text("客户旺旺"), text("我们的旺旺"), text("第一次咨询"), text("最后跟进")},
        {text("1"), text("tb_甲"), text("店主"), text("2014/5/23"), text("2014年6月1日")},
        {text("2"), text("TB_甲"), text("店主"), text("2014-5-23"), text("2014.6.1")},
        {text("3"), computed(text("tb_乙")), text("店主"), text("2014-5-23"), text("2014-6-1")},
        {text("4"), text("tb_丙"), computed(Cell::make_number(7)), text("2014-5-23"),
         text("2014-6-1")},
        {text("5"), text("tb_丁"), text("店主"), text("2023"), text("2014-6-1")},
        {text("6"), text("tb_戊"), text("店主"), text("０"), text(" 41782.5 ")},
        {text("7"), text("tb_己"), text("店主"), Cell::make_number(0.5), text("2014-6-1")},
        {text("8"), text("tb_庚"), text("店主"), Cell::make_number(41782), text("2014-6-1")},
        {text("合计"), computed(Cell::make_number(0))},
        {text(" 总 计："), text("7")},
        {Cell{}, text("小计")},
        {text("共计 8 位"), computed(text("8"))},
        {text("合计之外"), text("tb_辛")},  // a text that only begins so is a total all the same
    }};
    formats::ImportOptions options{formats::ImportList::open, clean, {}};
    const auto result = imported(table, options);
    EXPECT_EQ(lines(result.customers),
              (std::vector<std::string>{"3 tb_甲 店主 41782.000000 41791.000000 - ",
                                        "10 tb_庚 店主 41782.000000 41791.000000 - "}));
    using formats::LeftOut;
    const auto kinds = [](const std::vector<formats::RowNotice>& notices) {
        std::vector<std::pair<std::size_t, LeftOut>> out;
        for (const auto& n : notices)
            out.emplace_back(n.row, n.kind);
        return out;
    };
    EXPECT_EQ(kinds(result.skipped),
              (std::vector<std::pair<std::size_t, LeftOut>>{{1, LeftOut::above_header},
                                                            {4, LeftOut::repeated},
                                                            {11, LeftOut::total},
                                                            {12, LeftOut::total},
                                                            {13, LeftOut::total},
                                                            {14, LeftOut::total},
                                                            {15, LeftOut::total}}));
    EXPECT_EQ(texts(result.refused),
              (std::vector<std::string>{
                  "第5行：客户旺旺号是公式算出来的（“tb_乙”），不是旺旺号",
                  "第6行：我们的旺旺是公式算出来的（“7”），不是旺旺号",
                  "第7行：第一次咨询日期“2023”只是一个数字，不知道是哪一天，请写成 2014-5-23 "
                  "这样的日期",
                  "第8行：第一次咨询日期“０”只是一个数字，不知道是哪一天，请写成 2014-5-23 "
                  "这样的日期；最后跟踪日期“ 41782.5 ”只是一个数字，不知道是哪一天，请写成 "
                  "2014-5-23 这样的日期",
                  "第9行：第一次咨询日期“0.5”不是有效的日期",
              }));
    EXPECT_EQ(kinds(result.refused),
              (std::vector<std::pair<std::size_t, LeftOut>>{{5, LeftOut::formula},
                                                            {6, LeftOut::formula},
                                                            {7, LeftOut::number_date},
                                                            {8, LeftOut::number_date},
                                                            {9, LeftOut::bad_date}}));

    // A workbook's number cells count in its own date system: serial 0 of 1904 is 1904-01-01.
    Table mac{{{text("客户旺旺"), text("我们的旺旺"), text("咨询日期"), text("跟进日期")},
               {text("a"), text("b"), Cell::make_number(40320), Cell::make_number(1)}}};
    mac.dates = formats::DateSystem::from1904;
    EXPECT_EQ(lines(imported(mac, options).customers),
              std::vector<std::string>{"2 a b 41782.000000 1463.000000 - "});

    // In a text file a field beginning with "=" is a formula; the guard apostrophe of our own
    // sheet (and of careful exporters) is dropped, so such IDs and notes come back as stored.
    auto csv = formats::split_delimited(
        "客户旺旺,我们的旺旺,咨询日期,跟进日期,备注\n=COUNTA(B4:B10),店主,2014-5-23,2014-6-1,\n"
        "'=x,'@y,2014-5-23,2014-6-1,\"'+1\"\n'-z,'a,2014-5-23,2014-6-1,'-\n",
        ',');
    ASSERT_TRUE(csv.ok());
    const auto from_text = imported(*csv, options);
    EXPECT_EQ(texts(from_text.refused),
              std::vector<std::string>{
                  "第2行：客户旺旺号是公式算出来的（“=COUNTA(B4:B10)”），不是旺旺号"});
    EXPECT_EQ(lines(from_text.customers),
              (std::vector<std::string>{"3 =x @y 41782.000000 41791.000000 - +1",
                                        "4 -z 'a 41782.000000 41791.000000 - -"}));
}

TEST(ImportRows, AChoiceOfColumnsThatCannotWorkIsRefusedFirst) {
    const Table table{{{text("a"), text("b"), text("2014-5-23"), text("2014-5-23")}}};
    using M = ColumnMeaning;
    struct Case {
        std::vector<M> columns;
        formats::ImportList list;
        std::string default_our_id;
        std::string message;
    };
    const Case cases[] = {
        {{M::none, M::our_id, M::first_enquiry, M::last_follow_up},
         formats::ImportList::open,
         "",
         "请选出“客户旺旺”在哪一列"},
        {{M::customer_id, M::none, M::first_enquiry, M::last_follow_up},
         formats::ImportList::open,
         "",
         "请选出“我们的旺旺”在哪一列，或者指定这些客户是哪个旺旺接待的"},
        {{M::customer_id, M::our_id, M::first_enquiry, M::first_enquiry},
         formats::ImportList::open,
         "",
         "第3列和第4列都选成了“第一次咨询日期”，请只选一列"},
        {{M::customer_id, M::our_id, M::first_enquiry},
         formats::ImportList::open,
         "",
         "请选出“最后跟踪日期”在哪一列"},
        {{M::customer_id, M::our_id, M::first_enquiry, M::last_follow_up},
         formats::ImportList::closed,
         "",
         "请选出“交易日期”在哪一列"},
        {{M::customer_id, M::none, M::first_enquiry, M::last_follow_up},
         formats::ImportList::open,
         "店",
         ""},
    };
    for (const auto& c : cases) {
        formats::ImportOptions options;
        options.list = c.list;
        options.default_our_id = c.default_our_id;
        auto result = formats::import_rows(table, c.columns, options);
        EXPECT_EQ(result.ok() ? std::string() : result.error().message, c.message);
    }
    // Without a header every row is data.
    auto plain =
        formats::import_rows(table, cases[5].columns, {formats::ImportList::open, {}, "店"});
    ASSERT_TRUE(plain.ok());
    EXPECT_EQ(plain->header_row, std::nullopt);
    ASSERT_EQ(plain->customers.size(), 1u);
    EXPECT_EQ(plain->customers[0].row, 1u);
}

}  // namespace
}  // namespace format_tests
