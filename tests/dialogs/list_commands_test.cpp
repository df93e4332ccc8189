// The row menu and the "更多功能" menu through the main window: deals, converting back,
// deleting, the browser and messenger addresses, and every command with no current row.
#include <filesystem>

#include "forms/forms.h"
#include "store/customer_actions.h"
#include "store/provision.h"
#include "tests/dialogs/dialog_fixture.h"

namespace dialog_tests {
namespace {

using runtime::Event;
using Messages = std::vector<std::pair<std::string, std::string>>;

constexpr int kOpenList = 3, kClosedList = 4, kMoreOptions = 8;
constexpr const char* kHeader = "id,wang,wang2,time1,time2,bs,yn,time3\n";

TEST_F(DialogFlow, ADealMovesTheCustomerToTheClosedListAndBackKeepsItsDate) {
    add("first", "店主一", 42013, 42014);
    add("buyer", "店主一", 42013, 42014.5);
    HeadlessWindow& main = open_main();
    // Closing the dialog with its close box stores nothing.
    on_open("DealDateDialog", [](HeadlessWindow& d) { d.close(); });
    row_command(0, "登记交易");
    EXPECT_EQ(main.item_count(forms::main::kList), 2);
    EXPECT_EQ(context_.state.target_id, 2);

    on_open("DealDateDialog", [](HeadlessWindow& d) {
        EXPECT_EQ(d.text(""), "交易日期选择");
        d.set_date(forms::deal::kDate, 42100.75);  // before or after the enquiry: any date goes
        d.fire(forms::deal::kOkButton, Event::clicked);
        EXPECT_TRUE(d.closed());
    });
    row_command(0, "登记交易");
    EXPECT_TRUE(messages().empty());
    ASSERT_EQ(main.item_count(forms::main::kList), 1);
    EXPECT_EQ(rows(main)[0][3], "first");
    std::string table = dump("yrkb_com");
    EXPECT_NE(table.find("2,\"buyer\",\"店主一\",\"01/09/15 00:00:00\",\"01/10/15 12:00:00\",,1,"
                         "\"04/06/15 18:00:00\"\n"),
              std::string::npos)
        << table;

    toolbar(kClosedList);
    main.select_row(forms::main::kList, 0);
    main.fire(forms::main::kList, Event::item_right_clicked);
    EXPECT_FALSE(main.menu_item_visible("登记交易"));
    EXPECT_TRUE(main.menu_item_visible("转为未成交客户"));
    EXPECT_EQ(rows(main), (std::vector<std::vector<std::string>>{
                              {"2", "1", "", "buyer", "店主一", "2015-1-9", "2015-4-6", ""}}));

    main.choose_menu_item("转为未成交客户");
    EXPECT_EQ(main.item_count(forms::main::kList), 0);
    table = dump("yrkb_com");
    EXPECT_NE(table.find("2,\"buyer\",\"店主一\",\"01/09/15 00:00:00\",\"01/10/15 12:00:00\",,0,"
                         "\"04/06/15 18:00:00\"\n"),
              std::string::npos)
        << table;
    toolbar(kOpenList);
    EXPECT_EQ(rows(main)[0][6], "2015-1-10");

    // A second deal overwrites the first date.
    on_open("DealDateDialog", [](HeadlessWindow& d) {
        d.set_date(forms::deal::kDate, 42200);
        d.fire(forms::deal::kOkButton, Event::clicked);
    });
    row_command(0, "登记交易");
    EXPECT_NE(dump("yrkb_com").find(",1,\"07/15/15 00:00:00\"\n"), std::string::npos);
}

TEST_F(DialogFlow, ADealThatCouldNotBeStoredKeepsTheDialogOpen) {
    add("buyer", "店主一", 42013, 42014);
    HeadlessWindow& main = open_main();
    const std::string away = db_path_ + ".away";
    on_open("DealDateDialog", [&](HeadlessWindow& d) {
        d.set_date(forms::deal::kDate, 42100);
        std::filesystem::rename(db_path_, away);
        d.fire(forms::deal::kOkButton, Event::clicked);
        EXPECT_EQ(messages(), Messages{file_gone()});
        EXPECT_FALSE(d.closed());
        std::filesystem::rename(away, db_path_);
        // Meanwhile another copy deleted the customer: nothing to write; the user is told,
        // the dialog closes and the list lets the customer go.
        store::StoreConnection c;
        ASSERT_TRUE(store::delete_customer(c, {db_path_, store::kDatabasePassword}, 1));
        d.fire(forms::deal::kOkButton, Event::clicked);
        EXPECT_EQ(messages(), (Messages{{"这个客户已经不在了。", "信息："}}));
        EXPECT_TRUE(d.closed());
    });
    row_command(0, "登记交易");
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(dump("yrkb_com"), kHeader);
    EXPECT_EQ(main.item_count(forms::main::kList), 0);
}

TEST_F(DialogFlow, DeletingAsksFirstAndRemovesOnlyOnYes) {
    add("keep", "店主一", 42013, 42014);
    add("drop", "店主一", 42013, 42014);
    HeadlessWindow& main = open_main();
    backend_.message_boxes().push_answer(runtime::kAnswerNo);
    row_command(0, "删除客户");
    ASSERT_EQ(backend_.message_boxes().shown().size(), 1u);
    const auto& asked = backend_.message_boxes().shown()[0];
    EXPECT_EQ(asked.text,
              "确定要删除该客户信息吗？\r\n删除的客户在“最近删除…”里保留 30 天，可以恢复。");
    EXPECT_EQ(asked.title, "温馨提示：");
    EXPECT_EQ(asked.style, 4u);
    messages();
    EXPECT_EQ(main.item_count(forms::main::kList), 2);
    EXPECT_NE(dump("yrkb_com").find("\"drop\""), std::string::npos);

    backend_.message_boxes().push_answer(runtime::kAnswerYes);
    row_command(0, "删除客户");
    EXPECT_EQ(
        messages(),
        (Messages{{"确定要删除该客户信息吗？\r\n删除的客户在“最近删除…”里保留 30 天，可以恢复。",
                   "温馨提示："}}));
    EXPECT_EQ(rows(main), (std::vector<std::vector<std::string>>{
                              {"1", "1", "", "keep", "店主一", "2015-1-9", "2015-1-10", ""}}));
    std::string table = dump("yrkb_com");
    EXPECT_EQ(table.find("\"drop\""), std::string::npos);
    EXPECT_NE(table.find("1,\"keep\""), std::string::npos);
}

TEST_F(DialogFlow, CommandsWithNoCurrentRowDoNothingThatWrites) {
    HeadlessWindow& main = open_main();
    toolbar(kMoreOptions);  // empty list: the row menu opens with nothing selected
    ASSERT_EQ(main.popups().back(), forms::main::kRowMenu);
    main.choose_menu_item("登记交易");
    main.choose_menu_item("删除客户");
    EXPECT_TRUE(messages().empty());
    toolbar(kClosedList);
    toolbar(kMoreOptions);
    main.choose_menu_item("转为未成交客户");
    EXPECT_EQ(backend_.windows().opened(), (std::vector<std::string>{"MainWindow"}));
    EXPECT_EQ(dump("yrkb_com"), kHeader);

    // Right-clicking where no row is current shows no menu at all.
    const std::size_t popups = main.popups().size();
    main.fire(forms::main::kList, Event::item_right_clicked);
    EXPECT_EQ(main.popups().size(), popups);
}

TEST_F(DialogFlow, TheProfileAndTheChatGetTheIdInTheirOwnEncodings) {
    add("中a", "店主一", 42013, 42014);
    add("a b'c", "店主一", 42013, 42014);
    open_main();
    row_command(1, "查询客户");
    row_command(0, "查询客户");
    EXPECT_EQ(backend_.shell().opened(),
              (std::vector<std::string>{
                  "http://member1.taobao.com/member/userProfile.jhtml?userID=%D6%D0a",
                  "http://member1.taobao.com/member/userProfile.jhtml?userID=a%20b%27c"}));

    row_command(1, "联系客户");
    HeadlessWindow* launcher = backend_.windows().find("ChatLauncher");
    ASSERT_NE(launcher, nullptr);
    EXPECT_EQ(launcher->navigations(forms::chat::kHtmlView),
              (std::vector<std::string>{"http://amos.alicdn.com/getcid.aw?v=2&uid=%E4%B8%AD%61"
                                        "&site=cntaobao&s=1&groupid=0&charset=utf-8"}));
    launcher->fire(forms::chat::kTimer, Event::tick);
    EXPECT_TRUE(launcher->closed());
    EXPECT_EQ(backend_.windows().find("ChatLauncher"), nullptr);
    EXPECT_TRUE(messages().empty());
}

TEST_F(DialogFlow, TheWindowMenuOpensTheChartAndNoGroupWithoutAnAddress) {
    HeadlessWindow& main = open_main();
    main.fire("", Event::right_button);
    ASSERT_EQ(main.popups().back(), forms::main::kMoreMenu);
    bool chart = false;
    on_open("ChartWindow", [&](HeadlessWindow& c) {
        chart = true;
        EXPECT_EQ(c.text(""), "图表分析");
    });
    main.choose_menu_item("查看图表");
    EXPECT_TRUE(chart);
    main.choose_menu_item("加入官方群");  // no invitation address is built in
    EXPECT_TRUE(backend_.shell().opened().empty());
}

}  // namespace
}  // namespace dialog_tests
