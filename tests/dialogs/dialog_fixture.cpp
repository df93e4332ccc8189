#include "tests/dialogs/dialog_fixture.h"

#include <unistd.h>

#include <filesystem>

#include "app/list_commands.h"
#include "forms/forms.h"
#include "store/customer_actions.h"
#include "store/provision.h"
#include "store/sources.h"
#include "tests/jet/run_command.h"

namespace dialog_tests {

namespace fs = std::filesystem;

void DialogFlow::SetUp() {
    dir_ = ::testing::TempDir() + "lanqiao_dialogs_" + std::to_string(::getpid());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    backend_.shell().set_program_directory(dir_);
    db_path_ = store::build_database_path(dir_);
    context_.files = &files_;
}

void DialogFlow::TearDown() {
    fs::remove_all(dir_);
    fs::remove(db_path_);
    fs::remove(db_path_ + ".away");  // where the tests of a store gone away put it
    // The program joins its folder and file names with a backslash, which names one file here.
    fs::remove(dir_ + "\\SkinH_EL.dll");
}

HeadlessWindow& DialogFlow::open_main() {
    if (!fs::exists(db_path_)) store::provision_store(files_, db_path_);
    runtime::Handlers h = app::main_window_handlers(context_);
    app::add_list_command_handlers(h, context_);
    auto& w = backend_.windows().open(forms::main_window(), h);
    app::install_dialog_handlers(context_, w);
    main_ = static_cast<HeadlessWindow*>(&w);
    return *main_;
}

void DialogFlow::set_our_ids(const std::string& stored) {
    if (!fs::exists(db_path_)) store::provision_store(files_, db_path_);
    store::StoreConnection c;
    store::RowSet rs;
    ASSERT_TRUE(store::write_setting(c, rs, {db_path_, store::kDatabasePassword}, store::kOurIdsRow,
                                     stored));
}

int DialogFlow::add(const std::string& wang, const std::string& wang2, double t1, double t2,
                    const std::string& note) {
    if (!fs::exists(db_path_)) store::provision_store(files_, db_path_);
    store::StoreConnection c;
    store::RowSet rs;
    std::int32_t id = 0;
    EXPECT_EQ(store::save_new_customer(c, rs, {db_path_, store::kDatabasePassword},
                                       {wang, wang2, t1, t2, note}, &id),
              store::SaveOutcome::saved);
    return id;
}

void DialogFlow::toolbar(int entry) {
    main_->fire(forms::main::kToolbar, runtime::Event::entry_clicked, {entry, {}});
}

void DialogFlow::row_command(int row, const std::string& item) {
    main_->select_row(forms::main::kList, row);
    main_->fire(forms::main::kList, runtime::Event::item_right_clicked);
    main_->choose_menu_item(item);
}

std::string DialogFlow::dump(const std::string& table) const {
    int status = -1;
    std::string out =
        testing_support::run_command(std::string(LQ_JETDUMP) + " --password " +
                                         store::kDatabasePassword + " '" + db_path_ + "' " + table,
                                     &status);
    EXPECT_EQ(status, 0);
    return out;
}

std::vector<std::pair<std::string, std::string>> DialogFlow::messages() {
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto& m : backend_.message_boxes().shown())
        out.emplace_back(m.text, m.title);
    backend_.message_boxes().clear_shown();
    return out;
}

void DialogFlow::on_open(const std::string& form,
                         runtime::headless::HeadlessWindows::Script script) {
    backend_.windows().on_open(form, std::move(script));
}

std::vector<std::vector<std::string>> rows(const HeadlessWindow& w) {
    // The list's columns from the id to the note; the next date has tests of its own.
    auto all = w.rows(forms::main::kList);
    for (auto& r : all)
        if (r.size() > 8) r.resize(8);
    return all;
}

}  // namespace dialog_tests
