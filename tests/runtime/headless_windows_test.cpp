// The in-memory windows keep what the program sets as the real controls do: chart items by
// index, save dialogs answered by the test, files with their hidden attribute.
#include <gtest/gtest.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>

#include "runtime/headless/backend.h"

namespace {

runtime::Form chart_form() {
    runtime::Form f;
    f.name = "Chart";
    runtime::Control pie;
    pie.name = "pie";
    pie.kind = runtime::ControlKind::pie_chart;
    pie.chart_items = {{"a", 1u}, {"b", 2u}};
    pie.chart_values = {10, 0};
    runtime::Control save;
    save.name = "save";
    save.kind = runtime::ControlKind::save_dialog;
    save.text = "保存为";
    save.filter = "xls|*.xls";
    runtime::Control edit;
    edit.name = "edit";
    edit.kind = runtime::ControlKind::edit;
    edit.events = {{runtime::Event::changed, "changed"}};
    f.controls = {pie, save, edit};
    return f;
}

TEST(HeadlessWindows, ChartsSaveDialogsAndChangeEvents) {
    runtime::headless::Backend backend;
    int changes = 0;
    runtime::Handlers handlers;
    handlers["changed"] = [&](runtime::Window&, const runtime::EventArgs&) { ++changes; };
    auto& w = backend.windows().open(chart_form(), handlers);

    EXPECT_EQ(w.chart_value("pie", 0), 10);  // as stored
    w.set_chart_value("pie", 1, 3);
    w.set_chart_value("pie", 7, 5);  // outside the items: item 0
    EXPECT_EQ(w.chart_value("pie", 0), 5);
    EXPECT_EQ(w.chart_value("pie", -1), 5);
    EXPECT_EQ(w.chart_value("pie", 1), 3);
    w.set_chart_value("pie", 1, -2);
    EXPECT_EQ(w.chart_value("pie", 1), 0);
    EXPECT_FALSE(w.chart_3d("pie"));
    w.set_chart_3d("pie", true);
    EXPECT_TRUE(w.chart_3d("pie"));

    EXPECT_EQ(w.ask_save_path("save", "", "a.xls"), std::nullopt);  // no answer: cancelled
    backend.windows().on_save_dialog([](const runtime::Control& c, std::string_view name) {
        return std::optional<std::string>("/tmp/" + c.filter.substr(0, 3) + "_" +
                                          std::string(name));
    });
    EXPECT_EQ(w.ask_save_path("save", "C:\\desk\\", "b.xls"), "/tmp/xls_b.xls");
    EXPECT_EQ(backend.windows().asked_saves(), (std::vector<std::string>{"a.xls", "b.xls"}));
    EXPECT_EQ(backend.windows().asked_folders(), (std::vector<std::string>{"", "C:\\desk\\"}));

    // Text put in by the program is a change each time, even when it is the same text.
    w.set_text("edit", "12");
    w.set_text("edit", "12");
    EXPECT_EQ(changes, 2);
}

TEST(HeadlessWindows, ADatePickerWithoutADateShowsNow) {
    runtime::headless::Backend backend;
    runtime::Form f;
    f.name = "Dates";
    runtime::Control picker;
    picker.name = "when";
    picker.kind = runtime::ControlKind::date_picker;
    f.controls = {picker};
    auto& w = backend.windows().open(f, {});
    double utc_now = 25569.0 + static_cast<double>(std::time(nullptr)) / 86400.0;
    // Local time is within a day of UTC everywhere.
    EXPECT_NEAR(w.date("when"), utc_now, 1.0);
}

TEST(HeadlessWindows, FilesAndTheirHiddenAttribute) {
    runtime::headless::Backend backend;
    auto& files = backend.platform().files();
    std::string dir = ::testing::TempDir() + "files_" + std::to_string(::getpid());
    std::filesystem::create_directories(dir);
    std::string path = dir + "/engine.dll";
    EXPECT_FALSE(files.exists(path));
    EXPECT_FALSE(files.set_hidden(path));
    const std::vector<std::uint8_t> bytes = {1, 2, 3};
    EXPECT_TRUE(files.write(path, bytes));
    EXPECT_EQ(std::filesystem::file_size(path), 3u);
    EXPECT_TRUE(files.exists(path));
    EXPECT_TRUE(files.exists(dir));  // a folder counts as present too
    EXPECT_FALSE(files.hidden(path));
    EXPECT_TRUE(files.set_hidden(path));
    EXPECT_TRUE(files.hidden(path));
    EXPECT_FALSE(files.write(dir + "/no/such/folder/x", bytes));
    std::filesystem::remove_all(dir);
}

}  // namespace
