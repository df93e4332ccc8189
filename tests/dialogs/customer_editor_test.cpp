// The customer editor through the main window: adding, checking, editing, the duplicate
// refusals, texts that must come back exactly, and a save the store did not take.
#include <filesystem>
#include <fstream>

#include "dialogs/dates.h"
#include "forms/forms.h"
#include "services/date_format.h"
#include "store/customer_actions.h"
#include "store/provision.h"
#include "tests/dialogs/dialog_fixture.h"

namespace dialog_tests {
namespace {

namespace fs = std::filesystem;
namespace ed = forms::editor;
using runtime::Event;
using Messages = std::vector<std::pair<std::string, std::string>>;

constexpr int kAdd = 0, kMoreOptions = 8, kClosedList = 4;
const std::pair<std::string, std::string> kSaved{"保存成功！", "恭喜："};

// Types into the editor as a user does: the ID box loses the focus on the way out.
void type_customer(HeadlessWindow& e, const std::string& id, int our_id, double first, double last,
                   const std::string& note) {
    e.set_text(ed::kCustomerId, id);
    e.fire(ed::kCustomerId, Event::lost_focus);
    if (our_id >= 0) e.select_choice(ed::kOurIds, our_id);
    e.set_date(ed::kFirstEnquiry, first);
    e.fire(ed::kFirstEnquiry, Event::date_changed);
    e.set_date(ed::kLastFollowUp, last);
    e.fire(ed::kLastFollowUp, Event::date_changed);
    e.set_text(ed::kNote, note);
}

TEST_F(DialogFlow, AddingACustomerCleansTheIdAndListsItFirst) {
    set_our_ids("店主一\r\n店主二\r\n");
    add("older", "店主一", 42000, 42000);
    HeadlessWindow& main = open_main();
    bool ran = false;
    on_open("CustomerEditor", [&](HeadlessWindow& e) {
        ran = true;
        EXPECT_EQ(e.text(""), "添加新客户");
        EXPECT_FALSE(e.visible(ed::kContactButton));
        EXPECT_EQ(e.choice_count(ed::kOurIds), 2);
        EXPECT_EQ(e.selected_choice(ed::kOurIds), -1);
        e.set_text(ed::kCustomerId, " 　ab c\t张三：李四 ");
        e.fire(ed::kCustomerId, Event::lost_focus);
        EXPECT_EQ(e.text(ed::kCustomerId), "abc张三:李四");  // cleaned as soon as it is left
        EXPECT_TRUE(e.visible(ed::kContactButton));
        type_customer(e, e.text(ed::kCustomerId), 1, 42013.0, 42015.25, "问了尺码\r\n再联系");
        EXPECT_EQ(e.text(ed::kDaysLabel), "已跟踪了：3天");
        e.fire(ed::kSaveButton, Event::clicked);
        EXPECT_TRUE(e.closed());
    });
    toolbar(kAdd);
    ASSERT_TRUE(ran);
    EXPECT_EQ(messages(), Messages{kSaved});
    ASSERT_EQ(main.item_count(forms::main::kList), 2);
    EXPECT_EQ(rows(main)[0],
              (std::vector<std::string>{"2", "1", "", "abc张三:李四", "店主二", "2015-1-9",
                                        "2015-1-11", "问了尺码 ↵ 再联系"}));
    EXPECT_EQ(rows(main)[1][3], "older");
    EXPECT_NE(dump("yrkb_com")
                  .find("2,\"abc张三:李四\",\"店主二\",\"01/09/15 00:00:00\","
                        "\"01/11/15 06:00:00\",\"问了尺码\r\n再联系\",0,\n"),
              std::string::npos)
        << dump("yrkb_com");
}

TEST_F(DialogFlow, EveryRefusalKeepsTheEditorOpenAndWritesNothing) {
    set_our_ids("店主一\r\n");
    open_main();
    const std::string fifty(50, 'x');
    on_open("CustomerEditor", [&](HeadlessWindow& e) {
        auto save = [&] { e.fire(ed::kSaveButton, Event::clicked); };
        type_customer(e, "", 0, 42013, 42013, "note");
        save();
        EXPECT_EQ(messages(), (Messages{{"客户的旺旺号还没输入哦！", "信息："}}));
        e.set_text(ed::kCustomerId, " 　 　");  // blanks only, ASCII and full-width
        save();
        EXPECT_EQ(messages(), (Messages{{"客户的旺旺号还没输入哦！", "信息："}}));
        EXPECT_EQ(e.text(ed::kCustomerId), "");
        e.set_text(ed::kCustomerId, " a b ");
        e.select_choice(ed::kOurIds, -1);
        save();
        EXPECT_EQ(messages(),
                  (Messages{{"该客户是在我们哪家店？哪一个旺旺号上咨询的呢？！", "信息："}}));
        EXPECT_EQ(e.text(ed::kCustomerId), "ab");  // the box shows what would be saved
        e.select_choice(ed::kOurIds, 0);
        e.set_text(ed::kCustomerId, fifty + "y");
        save();
        EXPECT_EQ(messages(), (Messages{{"客户的旺旺号太长了，最多50个字！", "信息："}}));
        EXPECT_FALSE(e.closed());
        EXPECT_EQ(e.text(ed::kNote), "note");
        EXPECT_EQ(dump("yrkb_com"), "id,wang,wang2,time1,time2,bs,yn,time3\n");
        e.set_text(ed::kCustomerId, fifty);  // exactly as long as the column
        save();
        EXPECT_EQ(messages(), Messages{kSaved});
    });
    toolbar(kAdd);
    EXPECT_EQ(rows(*main_)[0][3], fifty);
    EXPECT_NE(dump("yrkb_com").find("\"" + fifty + "\""), std::string::npos);
}

TEST_F(DialogFlow, TheSamePairIsRefusedInBothModes) {
    set_our_ids("店主一\r\n店主二\r\n");
    add("Buyer", "店主一", 42000, 42001);
    add("other", "店主一", 42000, 42001);
    HeadlessWindow& main = open_main();
    on_open("CustomerEditor", [&](HeadlessWindow& e) {
        type_customer(e, "buyer", 0, 42002, 42002, "");  // differs only in letter case
        e.fire(ed::kSaveButton, Event::clicked);
        EXPECT_EQ(messages(), (Messages{{"请勿重复添加客户！", "信息："}}));
        ASSERT_FALSE(e.closed());
        e.select_choice(ed::kOurIds, 1);  // another of our IDs: a customer of its own
        e.fire(ed::kSaveButton, Event::clicked);
        EXPECT_EQ(messages(), Messages{kSaved});
    });
    toolbar(kAdd);
    EXPECT_EQ(main.item_count(forms::main::kList), 3);
    EXPECT_EQ(rows(main)[0][3], "buyer");
    EXPECT_EQ(rows(main)[0][4], "店主二");

    // Row 1 is "other": saving it unchanged passes, making it "Buyer"/"店主一" does not.
    on_open("CustomerEditor", [&](HeadlessWindow& e) {
        EXPECT_EQ(e.text(""), "修改客户信息");
        EXPECT_EQ(e.text(ed::kCustomerId), "other");
        EXPECT_EQ(e.selected_choice(ed::kOurIds), 0);
        EXPECT_FALSE(e.visible(ed::kContactButton));
        EXPECT_EQ(e.text(ed::kDaysLabel), "已跟踪了：2天");
        e.set_text(ed::kCustomerId, "BUYER");
        e.fire(ed::kSaveButton, Event::clicked);
        EXPECT_EQ(messages(), (Messages{{"您修改后的客户已存在，请勿重复添加！", "信息："}}));
        ASSERT_FALSE(e.closed());
        e.set_text(ed::kCustomerId, "other");
        e.set_text(ed::kNote, "改过");
        e.fire(ed::kSaveButton, Event::clicked);
        EXPECT_EQ(messages(), Messages{kSaved});
    });
    main.select_row(forms::main::kList, 1);
    main.fire(forms::main::kList, Event::double_clicked);
    EXPECT_EQ(rows(main)[1], (std::vector<std::string>{"2", "2", "", "other", "店主一",
                                                       "2014-12-27", "2014-12-28", "改过"}));
    EXPECT_NE(dump("yrkb_com")
                  .find("2,\"other\",\"店主一\",\"12/27/14 00:00:00\","
                        "\"12/28/14 00:00:00\",\"改过\",0,\n"),
              std::string::npos);
}

TEST_F(DialogFlow, ANewCustomerAfterAnEditStartsEmptyOnToday) {
    set_our_ids("店主一\r\n");
    add("edited", "店主一", 42000, 42001, "old note");
    HeadlessWindow& main = open_main();
    on_open("CustomerEditor", [&](HeadlessWindow& e) { e.close(); });
    row_command(0, "修改客户");
    EXPECT_EQ(context_.state.current_customer.buyer, "edited");
    on_open("CustomerEditor", [&](HeadlessWindow& e) {
        const double today = dialogs::now_as_date();
        EXPECT_EQ(e.text(""), "添加新客户");
        EXPECT_EQ(e.text(ed::kCustomerId), "");
        EXPECT_EQ(e.text(ed::kNote), "");
        EXPECT_EQ(e.selected_choice(ed::kOurIds), -1);
        EXPECT_NEAR(e.date(ed::kFirstEnquiry), today, 1.0 / 24);
        EXPECT_NEAR(e.date(ed::kLastFollowUp), today, 1.0 / 24);
        EXPECT_EQ(e.text(ed::kDaysLabel), "已跟踪了：1天");
        e.set_text(ed::kCustomerId, "new one");
        e.select_choice(ed::kOurIds, 0);
        e.fire(ed::kSaveButton, Event::clicked);
    });
    toolbar(kAdd);
    EXPECT_EQ(messages(), Messages{kSaved});
    const std::string today = services::format_date(dialogs::now_as_date(), "%y-%m-%d");
    EXPECT_EQ(rows(main)[0][3], "newone");
    EXPECT_EQ(rows(main)[0][5], today);
    EXPECT_EQ(rows(main)[0][6], today);
    EXPECT_EQ(rows(main)[1][7], "old note");  // the edited customer is untouched
}

TEST_F(DialogFlow, EditingAClosedCustomerKeepsItsLastFollowUp) {
    set_our_ids("店主一\r\n");
    int id = add("closed", "店主一", 42013.0, 42014.5, "");
    {
        store::StoreConnection c;
        store::RowSet rs;
        ASSERT_TRUE(store::register_deal(c, rs, {db_path_, store::kDatabasePassword}, id, 42100));
    }
    HeadlessWindow& main = open_main();
    toolbar(kClosedList);
    ASSERT_EQ(rows(main)[0][6], "2015-4-6");  // the deal date in this list
    on_open("CustomerEditor", [&](HeadlessWindow& e) {
        EXPECT_EQ(e.date(ed::kLastFollowUp), 42014.5);
        EXPECT_EQ(e.date(ed::kFirstEnquiry), 42013.0);
        e.set_text(ed::kNote, "回访");
        e.fire(ed::kSaveButton, Event::clicked);
    });
    row_command(0, "修改客户");
    EXPECT_EQ(messages(), Messages{kSaved});
    EXPECT_EQ(rows(main)[0][6], "2015-4-6");
    EXPECT_NE(dump("yrkb_com")
                  .find("1,\"closed\",\"店主一\",\"01/09/15 00:00:00\","
                        "\"01/10/15 12:00:00\",\"回访\",1,\"04/06/15 00:00:00\""),
              std::string::npos)
        << dump("yrkb_com");
}

// The list shows a note's line breaks as marks; the editor gets the note as it is stored,
// whatever kind of line break it holds, and saving it unchanged keeps it so.
TEST_F(DialogFlow, TheEditorOpensTheStoredNoteNotTheListCell) {
    set_our_ids("店主一\r\n");
    add("buyer", "店主一", 42013.0, 42014.0, "一\r\n二\n三\r四 ↵ 五");
    HeadlessWindow& main = open_main();
    EXPECT_EQ(rows(main)[0][7], "一 ↵ 二 ↵ 三 ↵ 四 ↵ 五");
    on_open("CustomerEditor", [&](HeadlessWindow& e) {
        EXPECT_EQ(e.text(ed::kNote), "一\r\n二\n三\r四 ↵ 五");
        e.fire(ed::kSaveButton, Event::clicked);
    });
    main.select_row(forms::main::kList, 0);
    main.fire(forms::main::kList, Event::double_clicked);
    EXPECT_EQ(messages(), Messages{kSaved});
    EXPECT_NE(dump("yrkb_com").find("\"一\r\n二\n三\r四 ↵ 五\""), std::string::npos);
}

TEST_F(DialogFlow, TextsComeBackExactly) {
    set_our_ids("O'Neil店\r\n\"引号\"号\r\n");
    HeadlessWindow& main = open_main();
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"O'Neil", "it's \"quoted\"\r\nsecond line\r\n"},
        {"a<!vantel!>b", "x<!vantel!>y\ttab"},
        {"\"dq\"", "' or '1'='1"},
        {"emoji😀𠀀", "outside GBK: 😀 𠀀 ㈠"},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        on_open("CustomerEditor", [&](HeadlessWindow& e) {
            type_customer(e, cases[i].first, static_cast<int>(i % 2), 42013, 42013,
                          cases[i].second);
            e.fire(ed::kSaveButton, Event::clicked);
        });
        toolbar(kAdd);
        EXPECT_EQ(messages(), Messages{kSaved}) << cases[i].first;
        EXPECT_EQ(rows(main)[0][3], cases[i].first);
        EXPECT_EQ(rows(main)[0][4], i % 2 ? "\"引号\"号" : "O'Neil店");
        EXPECT_EQ(rows(main)[0][7], app::note_cell(cases[i].second));
    }
    // Each is found again as the same pair: a second add of it is refused.
    for (std::size_t i = 0; i < cases.size(); ++i) {
        on_open("CustomerEditor", [&](HeadlessWindow& e) {
            type_customer(e, cases[i].first, static_cast<int>(i % 2), 42013, 42013, "");
            e.fire(ed::kSaveButton, Event::clicked);
        });
        toolbar(kAdd);
        EXPECT_EQ(messages(), (Messages{{"请勿重复添加客户！", "信息："}})) << cases[i].first;
    }
    const std::string table = dump("yrkb_com");
    EXPECT_NE(table.find("\"O'Neil\",\"O'Neil店\""), std::string::npos);
    EXPECT_NE(table.find("\"\"\"dq\"\"\",\"O'Neil店\""), std::string::npos);
    EXPECT_NE(table.find("\"a<!vantel!>b\",\"\"\"引号\"\"号\""), std::string::npos);
    EXPECT_NE(table.find("\"emoji😀𠀀\""), std::string::npos);
    EXPECT_NE(table.find("x<!vantel!>y\ttab"), std::string::npos);
    EXPECT_EQ(main.item_count(forms::main::kList), 4);
}

TEST_F(DialogFlow, ASaveTheStoreDidNotTakeKeepsTheEditorOpen) {
    set_our_ids("店主一\r\n");
    HeadlessWindow& main = open_main();
    const std::string away = db_path_ + ".away";
    on_open("CustomerEditor", [&](HeadlessWindow& e) {
        type_customer(e, "buyer", 0, 42013, 42014, "keep me");
        fs::rename(db_path_, away);  // the file is gone between opening and saving
        e.fire(ed::kSaveButton, Event::clicked);
        EXPECT_EQ(messages(), Messages{file_gone()});
        ASSERT_FALSE(e.closed());
        EXPECT_EQ(e.text(ed::kNote), "keep me");
        EXPECT_EQ(e.text(ed::kCustomerId), "buyer");
        // A file that is no database is named as the trouble, not a reason to try later.
        std::ofstream(db_path_, std::ios::binary) << "not a database";
        e.fire(ed::kSaveButton, Event::clicked);
        EXPECT_EQ(messages(), Messages{file_unreadable()});
        ASSERT_FALSE(e.closed());
        fs::remove(db_path_);
        fs::rename(away, db_path_);
        e.fire(ed::kSaveButton, Event::clicked);
        EXPECT_EQ(messages(), Messages{kSaved});
    });
    toolbar(kAdd);
    EXPECT_EQ(main.item_count(forms::main::kList), 1);
    EXPECT_EQ(rows(main)[0][7], "keep me");
}

TEST_F(DialogFlow, EditingWithNoCurrentRowWritesNothing) {
    set_our_ids("店主一\r\n");
    HeadlessWindow& main = open_main();
    bool ran = false;
    on_open("CustomerEditor", [&](HeadlessWindow& e) {
        ran = true;
        EXPECT_EQ(e.text(""), "修改客户信息");
        type_customer(e, "ghost", 0, 42013, 42013, "");
        e.fire(ed::kSaveButton, Event::clicked);
        EXPECT_EQ(messages(), (Messages{{"这个客户已经不在了，修改没有保存。", "信息："}}));
        EXPECT_FALSE(e.closed());
    });
    toolbar(kMoreOptions);  // an empty list: the menu opens with no current row
    main.choose_menu_item("修改客户");
    EXPECT_TRUE(ran);
    EXPECT_EQ(context_.state.current_customer.id, 0);
    EXPECT_EQ(dump("yrkb_com"), "id,wang,wang2,time1,time2,bs,yn,time3\n");
}

TEST_F(DialogFlow, TheRememberedOurIdIsChosenByEqualityFirst) {
    set_our_ids("shop:a\r\nshop\r\n\r\nShopX");  // the last one has no line end
    add("c1", "shop", 42000, 42000);
    add("c2", "SHOPX", 42000, 42000);
    add("c3", "sho", 42000, 42000);
    add("c4", "gone", 42000, 42000);
    open_main();
    std::vector<int> chosen;
    on_open("CustomerEditor", [&](HeadlessWindow& e) {
        EXPECT_EQ(e.choice_count(ed::kOurIds), 3);
        chosen.push_back(e.selected_choice(ed::kOurIds));
    });
    for (int row = 0; row < 4; ++row)
        row_command(row, "修改客户");
    // c4 "gone", c3 "sho" (begins shop:a), c2 "SHOPX" (equal but for case), c1 "shop".
    EXPECT_EQ(chosen, (std::vector<int>{-1, 0, 2, 1}));
}

TEST_F(DialogFlow, TheContactButtonHandsTheIdToTheMessenger) {
    set_our_ids("店主一\r\n");
    open_main();
    on_open("CustomerEditor", [&](HeadlessWindow& e) {
        e.set_text(ed::kCustomerId, "中a");
        e.fire(ed::kCustomerId, Event::lost_focus);
        ASSERT_TRUE(e.visible(ed::kContactButton));
        e.fire(ed::kContactButton, Event::clicked);
        HeadlessWindow* launcher = backend_.windows().find("ChatLauncher");
        ASSERT_NE(launcher, nullptr);
        EXPECT_FALSE(launcher->visible(""));
        EXPECT_EQ(launcher->navigations(forms::chat::kHtmlView),
                  (std::vector<std::string>{"http://amos.alicdn.com/getcid.aw?v=2&uid=%E4%B8%AD%61"
                                            "&site=cntaobao&s=1&groupid=0&charset=utf-8"}));
        EXPECT_TRUE(launcher->timer_running(forms::chat::kTimer));
        launcher->fire(forms::chat::kTimer, Event::tick);
        EXPECT_TRUE(launcher->closed());
        EXPECT_FALSE(launcher->timer_running(forms::chat::kTimer));
        e.set_text(ed::kCustomerId, "  ");
        e.fire(ed::kCustomerId, Event::lost_focus);
        EXPECT_FALSE(e.visible(ed::kContactButton));
    });
    toolbar(kAdd);
    EXPECT_TRUE(messages().empty());
}

}  // namespace
}  // namespace dialog_tests
