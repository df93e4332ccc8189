#pragma once
// The main window on the in-memory backend over a real database file, with the list
// commands and the dialogs' operations, as the program runs them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/main_window.h"
#include "runtime/headless/backend.h"

namespace dialog_tests {

using runtime::headless::HeadlessWindow;

class DialogFlow : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Writes the built-in database and opens the main window on it.
    HeadlessWindow& open_main();
    void set_our_ids(const std::string& stored);
    // Adds a customer straight to the store; returns its id.
    int add(const std::string& wang, const std::string& wang2, double t1, double t2,
            const std::string& note = "");
    // Clicks the toolbar entry.
    void toolbar(int entry);
    // Selects `row` and right-clicks it, then picks `item` of the menu.
    void row_command(int row, const std::string& item);
    // What jetdump prints of a table, header line first.
    std::string dump(const std::string& table) const;
    // The texts and titles of the message boxes shown, in order, then forgets them.
    std::vector<std::pair<std::string, std::string>> messages();
    void on_open(const std::string& form, runtime::headless::HeadlessWindows::Script script);
    // What a change says when the database file has gone, or cannot be read.
    std::pair<std::string, std::string> file_gone() const {
        return {"找不到数据库文件，这次修改没有保存：\r\n" + context_.state.database_path,
                "信息："};
    }
    std::pair<std::string, std::string> file_unreadable() const {
        return {"数据库文件无法读取，这次修改没有保存：\r\n" + context_.state.database_path,
                "信息："};
    }

    runtime::headless::Backend backend_;
    jet::OsFileSystem files_;
    app::MainContext context_;
    std::string dir_, db_path_;
    HeadlessWindow* main_ = nullptr;
};

// The list's rows, cell by cell.
std::vector<std::vector<std::string>> rows(const HeadlessWindow& w);

}  // namespace dialog_tests
