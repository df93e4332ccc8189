// The skin selector of the main window on the in-memory backend over a real database file:
// what is attached, in which order, and what the settings row holds.
#include "app/skin_choice.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "app/main_window.h"
#include "forms/forms.h"
#include "runtime/headless/backend.h"
#include "services/builtin_skins.h"
#include "store/customer_actions.h"
#include "store/provision.h"
#include "store/sources.h"

namespace {

namespace fs = std::filesystem;
using Attach = runtime::headless::HeadlessSkinEngine::Attach;
using runtime::headless::HeadlessWindow;

constexpr const char* kSelector = forms::main::kSkinSelector;

Attach skin(std::int32_t n) {
    auto bytes = services::builtin_skin(n);
    return {true, static_cast<std::int32_t>(bytes.size()), {bytes.begin(), bytes.end()}};
}

const Attach kNoSkin{false, 0, {}};

class SkinChoice : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = ::testing::TempDir() + "lanqiao_skin_choice_" + std::to_string(::getpid());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        backend_.shell().set_program_directory(dir_);
        backend_.skin_engine().set_engine_image({'M', 'Z', 1, 2, 3});
        db_path_ = store::build_database_path(dir_);
    }
    void TearDown() override {
        fs::remove(db_path_);
        fs::remove(library());
        fs::remove_all(dir_);
    }
    std::string library() const { return dir_ + "\\SkinH_EL.dll"; }
    // A start of the program: a fresh context, as a new process has.
    HeadlessWindow& start() {
        contexts_.push_back(std::make_unique<app::MainContext>());
        app::MainContext& c = *contexts_.back();
        c.files = &files_;
        auto& w = backend_.windows().open(forms::main_window(), app::main_window_handlers(c));
        return static_cast<HeadlessWindow&>(w);
    }
    std::optional<std::string> stored() {
        store::StoreConnection c;
        store::RowSet rs;
        return store::read_setting(c, rs, {db_path_, store::kDatabasePassword}, store::kSkinRow);
    }
    std::vector<Attach> take_attaches() {
        auto out = backend_.skin_engine().attaches();
        backend_.skin_engine().clear_attaches();
        return out;
    }
    // The user types into the selector: one change per keystroke.
    void type(HeadlessWindow& w, std::initializer_list<const char*> texts) {
        for (const char* t : texts)
            w.set_text(kSelector, t);
    }

    runtime::headless::Backend backend_;
    jet::OsFileSystem files_;
    std::vector<std::unique_ptr<app::MainContext>> contexts_;
    std::string dir_, db_path_;
};

TEST_F(SkinChoice, FirstStartShowsAndAttachesTheStoredTwoTwiceAndKeepsIt) {
    HeadlessWindow& w = start();
    EXPECT_EQ(w.text(kSelector), "2");
    EXPECT_EQ(take_attaches(), (std::vector<Attach>{skin(2), skin(2)}));
    EXPECT_EQ(stored(), "2");
    EXPECT_TRUE(fs::exists(library()));
    EXPECT_TRUE(backend_.files().hidden(library()));
}

TEST_F(SkinChoice, TypedNumbersAttachAndAreStoredKeystrokeByKeystrokeAndComeBackNextStart) {
    HeadlessWindow& w = start();
    take_attaches();
    type(w, {"1"});
    EXPECT_EQ(stored(), "1");
    type(w, {"12"});
    EXPECT_EQ(stored(), "12");
    EXPECT_EQ(take_attaches(), (std::vector<Attach>{skin(1), skin(12)}));
    w.close();

    HeadlessWindow& again = start();
    EXPECT_EQ(again.text(kSelector), "12");
    EXPECT_EQ(take_attaches(), (std::vector<Attach>{skin(12), skin(12)}));
    EXPECT_EQ(stored(), "12");
}

TEST_F(SkinChoice, NumbersOutsideTheSkinsAttachNoneButAreStoredAllTheSame) {
    HeadlessWindow& w = start();
    take_attaches();
    type(w, {"3", "33"});
    type(w, {"3", "34"});
    EXPECT_EQ(stored(), "34");
    type(w, {"", "0"});
    EXPECT_EQ(stored(), "0");
    EXPECT_EQ(take_attaches(),
              (std::vector<Attach>{skin(3), skin(33), skin(3), kNoSkin, kNoSkin, kNoSkin}));
    w.close();
    // Stored so, the next start attaches no skin either, twice.
    HeadlessWindow& again = start();
    EXPECT_EQ(again.text(kSelector), "0");
    EXPECT_EQ(take_attaches(), (std::vector<Attach>{kNoSkin, kNoSkin}));
}

TEST_F(SkinChoice, AStoreThatCannotBeOpenedLeavesTheSelectorEmptyAndStoresNothing) {
    std::ofstream(db_path_, std::ios::binary) << "not a database";
    HeadlessWindow& w = start();
    EXPECT_EQ(w.text(kSelector), "");
    EXPECT_EQ(take_attaches(), (std::vector<Attach>{kNoSkin, kNoSkin}));
    // The skin still follows the selector; the file stays as it was.
    type(w, {"5"});
    EXPECT_EQ(take_attaches(), std::vector<Attach>{skin(5)});
    EXPECT_EQ(fs::file_size(db_path_), 14u);
    EXPECT_FALSE(stored().has_value());
}

}  // namespace
