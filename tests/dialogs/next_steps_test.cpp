// A customer's next step through the windows: 记录跟进 with a next date from its choices or a
// day picked, the editor setting and clearing it, the due tint following it, the 下次跟进
// column from the header's menu (remembered), and 跟进记录 listing what was said.
#include "dialogs/dates.h"
#include "dialogs/recently_deleted.h"
#include "dialogs/tag_dialogs.h"
#include "forms/forms.h"
#include "services/date_format.h"
#include "tests/dialogs/dialog_fixture.h"

namespace dialog_tests {
namespace {

using runtime::Event;
namespace mw = forms::main;
namespace fu = forms::follow_up;
namespace ed = forms::editor;

constexpr double kToday = 46000.0;  // 2025-12-9

std::string day(double d) {
    return services::format_date(d, "%y-%m-%d");
}

class NextSteps : public DialogFlow {
  protected:
    void SetUp() override {
        DialogFlow::SetUp();
        dialogs::set_clock([] { return kToday + 0.5; });
    }
    void TearDown() override {
        dialogs::set_clock({});
        DialogFlow::TearDown();
    }
    // Ctrl+R on `row`: types what was said, picks a next-date choice (or a day, when
    // `picked` is not 0), and presses Enter.
    void follow_up(HeadlessWindow& main, int row, const std::string& said, int choice,
                   double picked = 0) {
        main.select_row(mw::kList, row);
        on_open("FollowUpDialog", [&](HeadlessWindow& d) {
            EXPECT_EQ(d.choice_count(fu::kNextChoice), 5);
            EXPECT_EQ(d.text(fu::kNextChoice), "不设定");
            d.set_text(fu::kText, said);
            if (picked != 0) {
                d.set_date(fu::kNextDate, picked);
                d.fire(fu::kNextDate, Event::date_changed);
                EXPECT_EQ(d.text(fu::kNextChoice), "自定义日期");
            } else {
                d.select_choice(fu::kNextChoice, choice);
                d.fire(fu::kNextChoice, Event::changed);
            }
            d.press_key("Enter");
            EXPECT_TRUE(d.closed());
        });
        ASSERT_TRUE(main.press_key("Ctrl+R"));
    }
    int row_of(HeadlessWindow& main, const std::string& buyer) {
        const auto all = main.rows(mw::kList);
        for (std::size_t r = 0; r < all.size(); ++r)
            if (all[r][3] == buyer) return static_cast<int>(r);
        return -1;
    }
};

TEST_F(NextSteps, FollowUpsAndTheEditorSetTheNextDateTheTintAndTheLog) {
    set_our_ids("店主一\r\n店主二");
    add("soon", "店主一", kToday - 1, kToday);
    add("later", "店主一", kToday - 1, kToday);
    add("cadence", "店主二", kToday - 10, kToday - 10);  // past the cadence of 3 days twice
    HeadlessWindow& main = open_main();
    ASSERT_EQ(main.column_width(mw::kList, 8), 0);  // hidden until asked for

    // 明天, 下周, and a day picked that is past already.
    follow_up(main, row_of(main, "soon"), "说好明天再问", 1);
    follow_up(main, row_of(main, "later"), "", 3);
    follow_up(main, row_of(main, "later"), "等发工资", 0, kToday - 2);
    const struct {
        const char* buyer;
        std::string next;
        int tone;  // 0 none, 1 due, 2 overdue
    } expected[] = {
        {"soon", day(kToday + 1), 0}, {"later", day(kToday - 2), 2}, {"cadence", "", 2}};
    for (const auto& e : expected) {
        SCOPED_TRACE(e.buyer);
        const int r = row_of(main, e.buyer);
        ASSERT_GE(r, 0);
        EXPECT_EQ(main.rows(mw::kList)[static_cast<std::size_t>(r)][8], e.next);
        EXPECT_EQ(main.row_tone(mw::kList, r), e.tone);
    }

    // The header's menu shows the column, narrows the note, and the next start remembers it.
    const int note_before = main.column_width(mw::kList, 7);
    main.fire(mw::kList, Event::header_right_clicked);
    ASSERT_EQ(main.popups().back(), mw::kHeaderMenu);
    main.choose_menu_item(mw::kNextDateItem);
    EXPECT_EQ(main.column_width(mw::kList, 8), 100);
    EXPECT_EQ(main.column_width(mw::kList, 7), note_before - 100);
    EXPECT_TRUE(main.menu_item_checked(mw::kNextDateItem));
    EXPECT_NE(context_.settings.text().find("next_date_column=1"), std::string::npos);

    // 只看待跟进: the one due longest ago first, by date set or by cadence.
    ASSERT_TRUE(main.press_key("Ctrl+D"));
    const auto due = main.rows(mw::kList);
    ASSERT_EQ(due.size(), 2u);
    EXPECT_EQ(due[0][3], "cadence");  // due since day -7
    EXPECT_EQ(due[1][3], "later");    // due since day -2
    ASSERT_TRUE(main.press_key("Ctrl+D"));

    // The editor shows the date as stored and clears it: the cadence holds again.
    main.select_row(mw::kList, row_of(main, "later"));
    on_open("CustomerEditor", [&](HeadlessWindow& e) {
        EXPECT_TRUE(e.checked(ed::kHasNextDate));
        EXPECT_EQ(e.date(ed::kNextDate), kToday - 2);
        e.set_checked(ed::kHasNextDate, false);
        e.fire(ed::kSaveButton, Event::clicked);
    });
    ASSERT_TRUE(main.press_key("Enter"));
    EXPECT_EQ(messages().size(), 1u);  // 保存成功！
    EXPECT_EQ(main.rows(mw::kList)[static_cast<std::size_t>(row_of(main, "later"))][8], "");
    EXPECT_EQ(main.row_tone(mw::kList, row_of(main, "later")), 0);  // followed up today
    // A day picked in the editor ticks its box.
    main.select_row(mw::kList, row_of(main, "cadence"));
    on_open("CustomerEditor", [&](HeadlessWindow& e) {
        EXPECT_FALSE(e.checked(ed::kHasNextDate));
        e.set_date(ed::kNextDate, kToday + 30);
        e.fire(ed::kNextDate, Event::date_changed);
        EXPECT_TRUE(e.checked(ed::kHasNextDate));
        e.fire(ed::kSaveButton, Event::clicked);
    });
    ASSERT_TRUE(main.press_key("Enter"));
    messages();
    EXPECT_EQ(main.row_tone(mw::kList, row_of(main, "cadence")), 0);

    // 跟进记录: newest first, with our ID; an empty line said is a follow-up all the same.
    main.select_row(mw::kList, row_of(main, "later"));
    on_open("FollowUpLog", [&](HeadlessWindow& l) {
        EXPECT_EQ(l.text(forms::log_window::kLabel), "“later”的 2 次跟进，最新的在前：");
        const auto log = l.rows(forms::log_window::kList);
        ASSERT_EQ(log.size(), 2u);
        EXPECT_EQ(log[0][1], "店主一");
        EXPECT_EQ(log[0][2], "等发工资");
        EXPECT_EQ(log[1][2], "");
        EXPECT_EQ(log[0][0], day(kToday) + " 12:00");
        l.press_key("Esc");
        EXPECT_TRUE(l.closed());
    });
    ASSERT_TRUE(main.press_key("Ctrl+L"));
}

TEST_F(NextSteps, AGivenUpCustomerLeavesTheOpenListAndTheDueCountUntilTakenBack) {
    namespace gu = forms::give_up;
    add("gone", "店主一", kToday - 10, kToday - 10);  // overdue by the cadence
    add("stays", "店主一", kToday - 10, kToday - 10);
    HeadlessWindow& main = open_main();
    const auto buyers = [&] {
        std::vector<std::string> out;
        for (const auto& r : main.rows(mw::kList))
            out.push_back(r[3]);
        return out;
    };
    const auto give_up = [&](const std::string& typed, const std::string& message) {
        main.select_row(mw::kList, row_of(main, "gone"));
        on_open("GiveUpDialog", [&](HeadlessWindow& d) {
            EXPECT_EQ(d.choice_count(gu::kChoice), typed == "又一个" ? 5 : 4);
            EXPECT_EQ(d.text(gu::kText), "嫌贵");
            d.select_choice(gu::kChoice, 2);
            d.fire(gu::kChoice, Event::changed);
            EXPECT_EQ(d.text(gu::kText), "联系不上");
            d.set_text(gu::kText, typed);
            d.press_key("Enter");
            EXPECT_EQ(d.closed(), message.empty());
            if (!d.closed()) d.press_key("Esc");
        });
        EXPECT_TRUE(main.press_key("Shift+F10"));
        main.choose_menu_item(mw::kGiveUpItem);
        const auto said = messages();
        EXPECT_EQ(said.empty() ? "" : said.back().first, message);
    };
    // A reason is needed, and at most 50 characters of it.
    give_up("  ", "请选择或填写放弃的原因。");
    give_up(std::string(51, 'x'), "放弃的原因最多 50 个字。");
    EXPECT_EQ(buyers(), (std::vector<std::string>{"stays", "gone"}));
    give_up(" 换了工作 ", "");
    EXPECT_EQ(buyers(), std::vector<std::string>{"stays"});
    // Out of the due count too; the given-up view says why, and its menu takes the customer back.
    ASSERT_TRUE(main.press_key("Ctrl+D"));
    EXPECT_EQ(buyers(), std::vector<std::string>{"stays"});
    ASSERT_TRUE(main.press_key("Ctrl+G"));
    EXPECT_TRUE(main.menu_item_checked(mw::kGivenUpItem));
    EXPECT_FALSE(main.menu_item_checked(mw::kDueOnlyItem));
    ASSERT_EQ(main.rows(mw::kList).size(), 1u);
    EXPECT_EQ(main.rows(mw::kList)[0][7], "〔换了工作〕");
    EXPECT_EQ(main.row_tone(mw::kList, 0), 0);
    main.select_row(mw::kList, 0);
    ASSERT_TRUE(main.press_key("Shift+F10"));
    EXPECT_TRUE(main.menu_item_visible(mw::kResumeItem));
    EXPECT_FALSE(main.menu_item_visible(mw::kGiveUpItem));
    EXPECT_FALSE(main.menu_item_visible("登记交易"));
    main.choose_menu_item(mw::kResumeItem);
    EXPECT_TRUE(main.rows(mw::kList).empty());
    ASSERT_TRUE(main.press_key("Ctrl+G"));  // back to the open list
    EXPECT_EQ(buyers(), (std::vector<std::string>{"stays", "gone"}));
    // The typed reason is the shop's now, offered after the usual ones.
    give_up("又一个", "");
}

TEST_F(NextSteps, DeletedCustomersComeBackFromTheBinOneOrAllUntilThirtyDaysPass) {
    namespace bw = forms::bin_window;
    add("first", "店主一", kToday - 5, kToday - 5, "备注一");
    add("second", "店主二", kToday - 5, kToday - 5);
    add("third", "店主一", kToday - 5, kToday - 5);
    HeadlessWindow& main = open_main();
    for (const char* buyer : {"first", "second", "third"}) {
        main.select_row(mw::kList, row_of(main, buyer));
        backend_.message_boxes().push_answer(runtime::kAnswerYes);
        ASSERT_TRUE(main.press_key("Del"));
    }
    messages();
    ASSERT_EQ(main.item_count(mw::kList), 0);
    const auto open_bin = [&](const std::function<void(HeadlessWindow&)>& in) {
        on_open("RecentlyDeleted", [&](HeadlessWindow& b) {
            in(b);
            b.press_key("Esc");
        });
        main.fire("", Event::right_button);
        main.choose_menu_item("最近删除…");
    };
    open_bin([&](HeadlessWindow& b) {
        EXPECT_EQ(b.text(bw::kLabel), "最近 30 天删除的 3 位客户，选中后按“恢复”放回客户列表：");
        const auto shown = b.rows(bw::kList);
        ASSERT_EQ(shown.size(), 3u);
        EXPECT_EQ(shown[2], (std::vector<std::string>{day(kToday) + " 12:00", "SHOP-PC", "first",
                                                      "店主一", "未成交", "备注一"}));
        b.select_row(bw::kList, 2);
        b.press_key("Enter");  // 恢复 the one picked
        EXPECT_EQ(
            messages(),
            (std::vector<std::pair<std::string, std::string>>{{"已恢复 1 位客户。", "信息："}}));
        EXPECT_EQ(b.rows(bw::kList).size(), 2u);
        b.fire(bw::kPutBackAllButton, Event::clicked);
        EXPECT_EQ(
            messages(),
            (std::vector<std::pair<std::string, std::string>>{{"已恢复 2 位客户。", "信息："}}));
        EXPECT_EQ(b.text(bw::kLabel), "最近 30 天没有删除过客户。");
        b.fire(bw::kPutBackButton, Event::clicked);
        EXPECT_EQ(messages(), (std::vector<std::pair<std::string, std::string>>{
                                  {dialogs::kNothingPicked, "信息："}}));
    });
    EXPECT_EQ(main.item_count(mw::kList), 3);
    EXPECT_EQ(main.rows(mw::kList)[static_cast<std::size_t>(row_of(main, "first"))][7], "备注一");
    // Deleted again and looked at 31 days on: gone for good.
    main.select_row(mw::kList, row_of(main, "first"));
    backend_.message_boxes().push_answer(runtime::kAnswerYes);
    ASSERT_TRUE(main.press_key("Del"));
    messages();
    dialogs::set_clock([] { return kToday + 31.6; });
    open_bin([&](HeadlessWindow& b) { EXPECT_TRUE(b.rows(bw::kList).empty()); });
    EXPECT_EQ(dump("lq_bin").find("first"), std::string::npos);
}

TEST_F(NextSteps, TagsMadeInTheManagerAreTickedByKeysShownInTheirColumnAndFoundWithHash) {
    namespace tw = forms::tags_window;
    namespace pw = forms::pick_window;
    add("a", "店主一", kToday, kToday);
    add("b", "店主一", kToday, kToday);
    HeadlessWindow& main = open_main();
    // The manager: three added with Enter, one refused, one renamed, one moved up.
    on_open("TagManager", [&](HeadlessWindow& m) {
        for (const char* name : {"嫌贵", "要发票", "老客户", "老 客户", "嫌贵"}) {
            m.set_text(tw::kName, name);
            m.press_key("Enter");
        }
        EXPECT_EQ(messages(),
                  (std::vector<std::pair<std::string, std::string>>{
                      {dialogs::kBadTagName, "信息："}, {dialogs::kTagThere, "信息："}}));
        m.select_row(tw::kList, 1);
        m.fire(tw::kList, Event::double_clicked);
        EXPECT_EQ(m.text(tw::kName), "要发票");
        m.set_text(tw::kName, "开发票");
        m.fire(tw::kRenameButton, Event::clicked);
        m.select_row(tw::kList, 2);
        m.fire(tw::kUpButton, Event::clicked);
        const auto rows = m.rows(tw::kList);
        ASSERT_EQ(rows.size(), 3u);
        EXPECT_EQ(rows[0][0] + rows[1][0] + rows[2][0], "嫌贵老客户开发票");
        EXPECT_EQ(m.selected_row(tw::kList), 1);
        m.press_key("Esc");
    });
    main.fire("", Event::right_button);
    main.choose_menu_item(mw::kTagManagerItem);

    // The picker: typed to find, Space to tick, Enter to keep; the column comes into view.
    main.select_row(mw::kList, row_of(main, "a"));
    on_open("TagPicker", [&](HeadlessWindow& p) {
        EXPECT_EQ(p.focused(), pw::kFilter);
        EXPECT_EQ(p.rows(pw::kList).size(), 3u);
        p.set_text(pw::kFilter, "发");
        ASSERT_EQ(p.rows(pw::kList).size(), 1u);
        p.press_key("Space");
        p.set_text(pw::kFilter, "");
        p.press_key("Down");
        p.press_key("Space");  // 老客户
        EXPECT_EQ(p.rows(pw::kList)[1], (std::vector<std::string>{"✓", "老客户"}));
        p.press_key("Enter");
        EXPECT_TRUE(p.closed());
    });
    ASSERT_TRUE(main.press_key("Ctrl+T"));
    EXPECT_EQ(main.column_width(mw::kList, 9), 120);
    EXPECT_NE(context_.settings.text().find("tags_column=1"), std::string::npos);
    EXPECT_EQ(main.rows(mw::kList)[static_cast<std::size_t>(row_of(main, "a"))][9],
              "#老客户 #开发票");
    // The row's tip tells it too, with the next date as it stands today and the note's lines.
    EXPECT_EQ(main.row_tip(mw::kList, row_of(main, "a")), "标签：#老客户 #开发票");
    main.select_row(mw::kList, row_of(main, "b"));
    on_open("FollowUpDialog", [&](HeadlessWindow& d) {
        d.set_text(fu::kText, "等货");
        d.select_choice(fu::kNextChoice, 2);  // 3 天后
        d.fire(fu::kNextChoice, Event::changed);
        d.press_key("Enter");
    });
    ASSERT_TRUE(main.press_key("Ctrl+R"));
    EXPECT_EQ(
        main.row_tip(mw::kList, row_of(main, "b")),
        "下次跟进：" + day(kToday + 3) + "（还有 3 天）\r\n备注：" + day(kToday) + " 12:00 等货");
    // Found by "#", as typed into the find box.
    ASSERT_TRUE(main.press_key("Ctrl+F"));
    main.set_text(mw::kFindBox, "#开发");
    ASSERT_EQ(main.rows(mw::kList).size(), 1u);
    EXPECT_EQ(main.rows(mw::kList)[0][3], "a");
    main.press_key("Esc");
    // A tag removed goes from the customer too.
    on_open("TagManager", [&](HeadlessWindow& m) {
        m.select_row(tw::kList, 1);
        backend_.message_boxes().push_answer(runtime::kAnswerYes);
        m.fire(tw::kRemoveButton, Event::clicked);
        messages();
        m.press_key("Esc");
    });
    main.fire("", Event::right_button);
    main.choose_menu_item(mw::kTagManagerItem);
    EXPECT_EQ(main.rows(mw::kList)[static_cast<std::size_t>(row_of(main, "a"))][9], "#开发票");
}

}  // namespace
}  // namespace dialog_tests
