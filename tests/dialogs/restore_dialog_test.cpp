// "恢复备份…" with copies the user put into 备份 by hand: listed beside the program's own, a
// hand copy's date read from its name, and put back like any other.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "forms/forms.h"
#include "store/backup.h"
#include "tests/dialogs/dialog_fixture.h"

namespace dialog_tests {
namespace {

namespace fs = std::filesystem;
namespace rs = forms::restore;

TEST_F(DialogFlow, HandCopiesAreListedAndPutBack) {
    add("在手工副本里", "店主", 45000, 45000);
    HeadlessWindow& main = open_main();
    const std::string folder = store::backup_folder(db_path_);
    std::vector<std::string> copies;
    for (const auto& e : fs::directory_iterator(folder))
        copies.push_back(e.path().string());
    ASSERT_EQ(copies.size(), 1u);  // today's, taken at start
    fs::copy_file(copies[0], folder + "/yrkb_com-2025-03-04 - 副本.db");
    fs::copy_file(copies[0], folder + "/旧电脑.mdb");
    std::ofstream(folder + "/说明.db") << "not a database";
    add("副本之后", "店主", 45001, 45001);

    std::vector<std::vector<std::string>> listed;
    on_open("RestoreDialog", [&](HeadlessWindow& w) {
        for (int r = 0; r < w.item_count(rs::kList); ++r)
            listed.push_back(
                {w.cell(rs::kList, r, 0), w.cell(rs::kList, r, 2), w.cell(rs::kList, r, 4)});
        w.select_row(rs::kList, 1);
        w.fire(rs::kOkButton, runtime::Event::clicked);
    });
    backend_.message_boxes().push_answer(runtime::kAnswerYes);
    main.fire("", runtime::Event::right_button);
    main.choose_menu_item("恢复备份…");
    ASSERT_EQ(listed.size(), 3u);
    EXPECT_EQ(listed[1], (std::vector<std::string>{"2025-3-4 手工放入", "1",
                                                   "yrkb_com-2025-03-04 - 副本.db"}));
    EXPECT_EQ(listed[2], (std::vector<std::string>{"手工放入", "1", "旧电脑.mdb"}));
    const auto said = messages();
    ASSERT_EQ(said.size(), 2u);
    EXPECT_EQ(
        said[0].first,
        "确定要用 “yrkb_com-2025-03-04 - 副本.db”（未成交 1 位，已成交 0 位）替换现在的数据吗？"
        "\r\n现在的数据会先备份到“备份”文件夹里。");
    EXPECT_EQ(said[1].first, "已经用 “yrkb_com-2025-03-04 - 副本.db”恢复了数据。");
    ASSERT_EQ(rows(main).size(), 1u);
    EXPECT_EQ(rows(main)[0][3], "在手工副本里");
    EXPECT_TRUE(fs::exists(folder + "/yrkb_com-2025-03-04 - 副本.db"));
}

}  // namespace
}  // namespace dialog_tests
