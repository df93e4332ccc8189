// The our-ID manager from the toolbar and from the editor: the list cleaned and stored in
// settings row 1, the editor refilled only when it opened the manager.
#include <filesystem>

#include "forms/forms.h"
#include "tests/dialogs/dialog_fixture.h"

namespace dialog_tests {
namespace {

namespace mg = forms::manager;
namespace ed = forms::editor;
using runtime::Event;
using Messages = std::vector<std::pair<std::string, std::string>>;

constexpr int kAdd = 0, kOurIds = 1;

TEST_F(DialogFlow, TheManagerStoresACleanedListOneIdALine) {
    set_our_ids("old\r\n");
    open_main();
    on_open("OurIdManager", [](HeadlessWindow& m) {
        EXPECT_EQ(m.text(""), "我们的旺旺号管理");
        EXPECT_EQ(m.text(mg::kIdList), "old\r\n");
        m.set_text(mg::kIdList, "\r\n\r\na\r\n\r\n   \r\n店 主\t一\r\nshop：x\r\na\r\nb");
        m.fire(mg::kSaveButton, Event::clicked);
        EXPECT_EQ(m.text(mg::kIdList), "a\r\n店主一\r\nshop:x\r\na\r\nb\r\n");
        EXPECT_TRUE(m.closed());
    });
    toolbar(kOurIds);
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(dump("vantel_ww"), "id,ww\n1,\"a\r\n店主一\r\nshop:x\r\na\r\nb\r\n\"\n2,\n3,\"2\"\n");

    // Only blanks and line breaks: the list is emptied, and the editor then offers nothing.
    on_open("OurIdManager", [](HeadlessWindow& m) {
        m.set_text(mg::kIdList, " \r\n   \r\n\t\r\n");
        m.fire(mg::kSaveButton, Event::clicked);
    });
    toolbar(kOurIds);
    EXPECT_EQ(dump("vantel_ww"), "id,ww\n1,\n2,\n3,\"2\"\n");
    on_open("CustomerEditor", [&](HeadlessWindow& e) {
        EXPECT_EQ(e.choice_count(ed::kOurIds), 0);
        e.set_text(ed::kCustomerId, "buyer");
        e.fire(ed::kSaveButton, Event::clicked);
        EXPECT_EQ(messages(),
                  (Messages{{"该客户是在我们哪家店？哪一个旺旺号上咨询的呢？！", "信息："}}));
    });
    toolbar(kAdd);
}

TEST_F(DialogFlow, TheManagerFeedsTheEditorThatOpenedIt) {
    set_our_ids("店主一\r\n");
    HeadlessWindow& main = open_main();
    on_open("OurIdManager", [](HeadlessWindow& m) {
        m.set_text(mg::kIdList, m.text(mg::kIdList) + "新店\r\n");
        m.fire(mg::kSaveButton, Event::clicked);
    });
    on_open("CustomerEditor", [&](HeadlessWindow& e) {
        e.select_choice(ed::kOurIds, 0);
        e.fire(ed::kManageButton, Event::clicked);
        ASSERT_EQ(e.choice_count(ed::kOurIds), 2);
        EXPECT_EQ(e.selected_choice(ed::kOurIds), 0);  // the chosen entry is still there
        e.select_choice(ed::kOurIds, 1);
        e.set_text(ed::kCustomerId, "buyer");
        e.fire(ed::kSaveButton, Event::clicked);
    });
    toolbar(kAdd);
    EXPECT_EQ(messages(), (Messages{{"保存成功！", "恭喜："}}));
    EXPECT_EQ(rows(main)[0][4], "新店");
    EXPECT_EQ(context_.state.manager_origin, "");

    // Opened from the editor and closed unsaved, the flag stays; a later save from the
    // toolbar has no editor to refill and clears it.
    on_open("OurIdManager", [](HeadlessWindow& m) { m.close(); });
    on_open("CustomerEditor", [](HeadlessWindow& e) {
        e.fire(ed::kManageButton, Event::clicked);
        EXPECT_EQ(e.choice_count(ed::kOurIds), 2);
    });
    toolbar(kAdd);
    EXPECT_EQ(context_.state.manager_origin, "新建修改");
    on_open("OurIdManager", [](HeadlessWindow& m) {
        m.set_text(mg::kIdList, "only");
        m.fire(mg::kSaveButton, Event::clicked);
        EXPECT_TRUE(m.closed());
    });
    toolbar(kOurIds);
    EXPECT_EQ(context_.state.manager_origin, "");
    EXPECT_EQ(dump("vantel_ww"), "id,ww\n1,\"only\r\n\"\n2,\n3,\"2\"\n");
}

TEST_F(DialogFlow, AManagerSaveTheStoreDidNotTakeKeepsItOpen) {
    set_our_ids("a\r\n");
    open_main();
    const std::string away = db_path_ + ".away";
    on_open("OurIdManager", [&](HeadlessWindow& m) {
        m.set_text(mg::kIdList, "x y");
        std::filesystem::rename(db_path_, away);
        m.fire(mg::kSaveButton, Event::clicked);
        EXPECT_EQ(messages(), Messages{file_gone()});
        EXPECT_FALSE(m.closed());
        EXPECT_EQ(m.text(mg::kIdList), "xy\r\n");
        std::filesystem::rename(away, db_path_);
    });
    toolbar(kOurIds);
    EXPECT_EQ(dump("vantel_ww"), "id,ww\n1,\"a\r\n\"\n2,\n3,\"2\"\n");
}

}  // namespace
}  // namespace dialog_tests
