#pragma once
// The main window's "导入客户…" run over a real database file: the file chosen in the open
// dialog, a script for the import dialog, and what mdb-export finds stored afterwards.
#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "forms/forms.h"
#include "store/backup.h"
#include "store/provision.h"
#include "tests/dialogs/dialog_fixture.h"
#include "tests/jet/run_command.h"

namespace dialog_tests {

class ImportFlow : public DialogFlow {
  protected:
    // The drop-downs' choices, in their order.
    static constexpr std::array<const char*, 8> kMeaningNames{
        "不导入",       "客户旺旺", "我们的旺旺", "第一次咨询日期",
        "最后跟踪日期", "交易日期", "备注",       "序号"};

    static std::string bytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    // A new database with two IDs of ours and no customers, and no copies of an older one.
    void fresh_store() {
        std::filesystem::remove(db_path_);
        std::filesystem::remove_all(store::backup_folder(db_path_));
        set_our_ids("店主一\r\n店主二\r\n");
    }

    // Chooses `path` through Ctrl+I's open dialog; `script` runs while the dialog is open.
    void run_import(const std::string& path, runtime::headless::HeadlessWindows::Script script) {
        std::filesystem::remove_all(store::backup_folder(db_path_));
        backend_.windows().on_open_dialog(
            [path](const runtime::Control&) -> std::optional<std::string> { return path; });
        on_open("ImportDialog", std::move(script));
        ASSERT_TRUE(main_->press_key("Ctrl+I"));
    }

    static std::vector<std::string> meanings(const HeadlessWindow& d) {
        std::vector<std::string> out;
        for (int col = 0; col < forms::kImportColumns; ++col) {
            const int i = d.selected_choice(forms::import_meaning(col));
            out.push_back(i >= 0 && i < static_cast<int>(kMeaningNames.size())
                              ? kMeaningNames[static_cast<std::size_t>(i)]
                              : "?");
        }
        return out;
    }
    static void choose(HeadlessWindow& d, int column, std::string_view meaning) {
        const auto at = std::find(kMeaningNames.begin(), kMeaningNames.end(), meaning);
        ASSERT_NE(at, kMeaningNames.end()) << meaning;
        d.select_choice(forms::import_meaning(column),
                        static_cast<int>(at - kMeaningNames.begin()));
    }

    // Every customer as mdb-export reads the file, once jetdump finds it sound, in the order of
    // their numbers: wang|wang2|time1|time2|bs|yn|time3, line breaks in the note escaped.
    std::vector<std::string> stored() const {
        int status = -1;
        // The program's own reader finds the file sound first.
        EXPECT_EQ(testing_support::run_command(
                      std::string(LQ_JETDUMP) + " --check '" + db_path_ + "' 2>&1", &status),
                  "no faults\n");
        const std::string out = testing_support::run_command(
            "mdb-export -d '|' -Q -e -0 '' -D '%Y-%m-%d %H:%M' -T '%Y-%m-%d %H:%M' '" + db_path_ +
                "' yrkb_com",
            &status);
        EXPECT_EQ(status, 0) << out;
        std::istringstream lines(out);
        std::string line;
        std::getline(lines, line);
        const std::vector<std::string> header = split(line);
        std::vector<std::pair<long, std::string>> rows;
        while (std::getline(lines, line)) {
            const auto cells = split(line);
            const auto field = [&](std::string_view name) {
                const auto at = std::find(header.begin(), header.end(), name);
                const auto i = static_cast<std::size_t>(at - header.begin());
                return i < cells.size() ? cells[i] : std::string("?");
            };
            rows.emplace_back(std::stol(field("id")), field("wang") + "|" + field("wang2") + "|" +
                                                          field("time1") + "|" + field("time2") +
                                                          "|" + field("bs") + "|" + field("yn") +
                                                          "|" + field("time3"));
        }
        std::sort(rows.begin(), rows.end());
        std::vector<std::string> out_rows;
        for (auto& r : rows)
            out_rows.push_back(std::move(r.second));
        return out_rows;
    }

    // The copies in the backup folder.
    std::vector<std::string> backups() const {
        std::vector<std::string> found;
        std::error_code ignored;
        for (const auto& e :
             std::filesystem::directory_iterator(store::backup_folder(db_path_), ignored))
            found.push_back(e.path().string());
        std::sort(found.begin(), found.end());
        return found;
    }

  private:
    static std::vector<std::string> split(const std::string& line) {
        std::vector<std::string> cells;
        std::size_t at = 0;
        for (std::size_t end; (end = line.find('|', at)) != std::string::npos; at = end + 1)
            cells.push_back(line.substr(at, end - at));
        cells.push_back(line.substr(at));
        return cells;
    }
};

}  // namespace dialog_tests
