// What the user hears when a change does not land, and a database file that cannot be used:
// told once at start, blamed by name afterwards, and never written to.
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/list_commands.h"
#include "forms/forms.h"
#include "store/customer_actions.h"
#include "store/provision.h"
#include "tests/dialogs/dialog_fixture.h"

namespace dialog_tests {
namespace {

namespace fs = std::filesystem;
namespace ed = forms::editor;
using runtime::Event;
using Messages = std::vector<std::pair<std::string, std::string>>;
const std::pair<std::string, std::string> kGone{"这个客户已经不在了。", "信息："};

std::string bytes_of(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST_F(DialogFlow, TurningBackAndDeletingSayWhenNothingLanded) {
    add("gone", "店主一", 42013, 42014);
    add("kept", "店主一", 42013, 42014);
    store::StoreConnection other;
    store::RowSet rs;
    ASSERT_TRUE(store::register_deal(other, rs, {db_path_, store::kDatabasePassword}, 1, 42020));
    ASSERT_TRUE(store::register_deal(other, rs, {db_path_, store::kDatabasePassword}, 2, 42020));
    HeadlessWindow& main = open_main();
    toolbar(4);
    ASSERT_EQ(main.item_count(forms::main::kList), 2);

    // The file is away: each command says the change did not land and keeps the list.
    const std::string away = db_path_ + ".away";
    fs::rename(db_path_, away);
    row_command(0, "转为未成交客户");
    backend_.message_boxes().push_answer(runtime::kAnswerYes);
    row_command(0, "删除客户");
    EXPECT_EQ(
        messages(),
        (Messages{file_gone(),
                  {"确定要删除该客户信息吗？\r\n删除的客户在“最近删除…”里保留 30 天，可以恢复。",
                   "温馨提示："},
                  file_gone()}));
    EXPECT_EQ(main.item_count(forms::main::kList), 2);
    fs::rename(away, db_path_);

    // Another copy deleted the first row's customer: both commands say so and the list lets
    // it go; the other customer is untouched.
    ASSERT_TRUE(store::delete_customer(other, {db_path_, store::kDatabasePassword}, 2));
    row_command(0, "转为未成交客户");
    EXPECT_EQ(messages(), Messages{kGone});
    ASSERT_EQ(main.item_count(forms::main::kList), 1);
    EXPECT_EQ(rows(main)[0][3], "gone");
    ASSERT_TRUE(store::delete_customer(other, {db_path_, store::kDatabasePassword}, 1));
    backend_.message_boxes().push_answer(runtime::kAnswerYes);
    row_command(0, "删除客户");
    EXPECT_EQ(
        messages(),
        (Messages{{"确定要删除该客户信息吗？\r\n删除的客户在“最近删除…”里保留 30 天，可以恢复。",
                   "温馨提示："},
                  kGone}));
    EXPECT_EQ(main.item_count(forms::main::kList), 0);
}

TEST_F(DialogFlow, LinksWithoutAnAddressSaySoInsteadOfDoingNothing) {
    open_main();
    toolbar(10);  // 官方网站: no home page in this build's context
    main_->fire("", Event::right_button);
    main_->choose_menu_item("加入官方群");
    EXPECT_EQ(messages(), (Messages{{"这个版本没有设置官方网站的网址。", "信息："},
                                    {"这个版本没有设置官方群。", "信息："}}));
    EXPECT_TRUE(backend_.shell().opened().empty());
}

// Files that are no database of this program: damaged bytes, another program's database
// (no such tables), and an Access file whose password is not ours.
TEST_F(DialogFlow, AnUnusableDatabaseIsNamedOnceAndNeverWritten) {
    const std::string fixtures = std::string(LQ_SOURCE_DIR) + "/tests/jet/fixtures/";
    const std::vector<std::string> sources = {"", fixtures + "no-password.mdb",
                                              fixtures + "with-password.mdb"};
    for (const auto& source : sources) {
        SCOPED_TRACE(source.empty() ? "random bytes" : source);
        if (source.empty()) {
            std::ofstream(db_path_, std::ios::binary) << std::string(5000, '\x5a');
        } else {
            fs::copy_file(source, db_path_, fs::copy_options::overwrite_existing);
        }
        const std::string before = bytes_of(db_path_);
        HeadlessWindow& main = open_main();
        const auto told = messages();
        ASSERT_EQ(told.size(), 1u);
        EXPECT_EQ(told[0].first.rfind(
                      "数据库文件无法读取：\r\n" + context_.state.database_path + "\r\n\r\n", 0),
                  0u)
            << told[0].first;
        EXPECT_NE(told[0].first.find("程序没有改动这个文件"), std::string::npos);
        EXPECT_EQ(main.item_count(forms::main::kList), 0);

        // The editor blames the file, not the user, for the missing list of our IDs.
        on_open("CustomerEditor", [&](HeadlessWindow& e) {
            e.set_text(ed::kCustomerId, "buyer");
            e.fire(ed::kSaveButton, Event::clicked);
            EXPECT_EQ(messages(), Messages{file_unreadable()});
            EXPECT_FALSE(e.closed());
        });
        toolbar(0);
        on_open("OurIdManager", [&](HeadlessWindow& m) {
            m.set_text(forms::manager::kIdList, "店主一");
            m.fire(forms::manager::kSaveButton, Event::clicked);
            EXPECT_EQ(messages(), Messages{file_unreadable()});
        });
        toolbar(1);
        main.set_text(forms::main::kSkinSelector, "12");
        main.close();
        EXPECT_EQ(bytes_of(db_path_), before);
        EXPECT_FALSE(fs::exists(db_path_ + "-journal"));
        fs::remove(db_path_);
    }
}

TEST_F(DialogFlow, ASheetCutShortByAFullDiskLeavesTheOlderOneWhole) {
    for (int i = 0; i < 40; ++i)
        add("buyer" + std::to_string(i), "店主一", 42013, 42014, std::string(200, 'n'));
    open_main();
    const std::string sheet = dir_ + "/sheet.xls";
    const std::string older = "an older sheet the user kept";
    std::ofstream(sheet, std::ios::binary) << older;
    backend_.windows().on_save_dialog(
        [&](const runtime::Control&, std::string_view) -> std::optional<std::string> {
            return sheet;
        });
    // A real short write: the system refuses every byte past 4 KiB, as a full disk does.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    toolbar(7);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &saved), 0);
    EXPECT_EQ(messages(), (Messages{{"导出文档失败，请稍后再试。", "信息："}}));
    EXPECT_EQ(bytes_of(sheet), older);
    EXPECT_FALSE(fs::exists(sheet + ".lq-new"));

    toolbar(7);
    EXPECT_EQ(messages(), (Messages{{"导出文档成功！", "恭喜："}}));
    EXPECT_GT(bytes_of(sheet).size(), 8000u);
}

}  // namespace
}  // namespace dialog_tests
