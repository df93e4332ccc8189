// Two PCs on one store, each with its main window on the in-memory backend: what one saves
// shows in the other's list at its next tick, with its selection and its rows in view kept;
// nothing moves under a dialog, and a PC's own saves load its list once, not twice. Run on
// the Jet file and on a real PostgreSQL.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

#include "app/change_watch.h"
#include "app/main_window.h"
#include "forms/forms.h"
#include "odbc/pool.h"
#include "runtime/headless/backend.h"
#include "store/backup.h"
#include "store/customer_actions.h"
#include "store/provision.h"
#include "store/shop.h"
#include "store/shop_backup.h"
#include "tests/store/support/pg_test_server.h"
#include "tests/store/support/tcp_proxy.h"

namespace {

namespace fs = std::filesystem;
using runtime::headless::HeadlessWindow;

constexpr const char* kList = forms::main::kList;
constexpr const char* kTimer = app::kChangeWatchTimer;

enum class Engine { file, server };

class ChangeWatch : public ::testing::TestWithParam<Engine> {
  protected:
    void SetUp() override {
        dir_ = ::testing::TempDir() + "lanqiao_watch_" + std::to_string(::getpid());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        backend_.shell().set_program_directory(dir_);
        db_path_ = store::build_database_path(dir_);
        jet::OsFileSystem os;
        store::provision_store(os, db_path_);
        if (GetParam() == Engine::server) {
            // Through a relay, so that a test can take the server away from a running program.
            auto& pg = testing_support::PgServer::shared();
            relay_ = std::make_unique<testing_support::TcpProxy>(pg.port());
            database_ = pg.fresh_database("watch");
            ::setenv(
                store::kStoreVariable,
                pg.connection_string(database_, pg.shop_user(), pg.shop_password(), relay_->port())
                    .c_str(),
                1);
        }
        for (auto* c : {&a_, &b_})
            c->files = &files_;
    }
    void TearDown() override {
        ::unsetenv(store::kStoreVariable);
        fs::remove_all(dir_);
        fs::remove(db_path_);
        fs::remove(dir_ + "\\SkinH_EL.dll");
    }
    HeadlessWindow& open(app::MainContext& pc) {
        return static_cast<HeadlessWindow&>(
            backend_.windows().open(forms::main_window(), app::main_window_handlers(pc)));
    }
    store::StoreLocation where() const { return {db_path_, store::kDatabasePassword}; }
    store::StoreLocation where_exact() const {
        store::StoreLocation file = where();
        file.exact = true;
        return file;
    }
    // A customer saved through `c`, as a PC's editor saves one; its number.
    std::int32_t save(store::StoreConnection& c, store::RowSet& rs, const std::string& wang) {
        std::int32_t id = 0;
        EXPECT_EQ(
            store::save_new_customer(c, rs, where(), {wang, "店主", 42000.0, 42000.0, ""}, &id),
            store::SaveOutcome::saved);
        return id;
    }
    std::int32_t save_elsewhere(const std::string& wang) {
        store::StoreConnection c;
        store::RowSet rs;
        return save(c, rs, wang);
    }
    // File times move in steps: a stamp read within one of the last change is looked at
    // again at the next tick, so the checks of "no second load" wait one step out.
    void settle() const {
        if (GetParam() == Engine::file) std::this_thread::sleep_for(std::chrono::milliseconds(60));
    }
    static std::int32_t selected(const HeadlessWindow& w, const app::MainContext& pc) {
        const auto* c = pc.list->customer(w.selected_row(kList));
        return c ? c->id : 0;
    }
    static const void* load_of(const app::MainContext& pc) { return pc.list->order.get(); }

    runtime::headless::Backend backend_;
    jet::OsFileSystem files_;
    app::MainContext a_, b_;
    std::string dir_, db_path_;
    std::unique_ptr<testing_support::TcpProxy> relay_;
    std::string database_;  // the server's, for the server engine
};

TEST_P(ChangeWatch, AnotherPcsSaveShowsAtTheNextTickWithSelectionAndViewKept) {
    for (int i = 0; i < 40; ++i)
        save_elsewhere("buyer" + std::to_string(i));
    settle();
    HeadlessWindow& pc = open(b_);
    EXPECT_EQ(pc.timer_period(kTimer), app::kChangeWatchPeriodMs);
    ASSERT_EQ(pc.item_count(kList), 40);
    const int view = pc.visible_rows(kList).count;
    ASSERT_GT(view, 3);
    ASSERT_LT(view, 30);

    // The start writes the day's backup mark after the load: a tick may load once for it.
    settle();
    ASSERT_TRUE(pc.tick(kTimer));
    // Nothing changed: a tick loads nothing.
    const void* first = load_of(b_);
    ASSERT_TRUE(pc.tick(kTimer));
    EXPECT_EQ(load_of(b_), first);

    struct Case {
        const char* what;
        int top, pick;      // the view's top row and the row selected before the change
        int new_customers;  // saved elsewhere meanwhile (newest first: above every row)
        int want_top;       // the top row afterwards
    };
    const Case cases[] = {
        // The selected row keeps its place on screen; the new rows come in above the view.
        {"selected in view", 10, 12, 1, 11},
        {"two at once", 20, 22, 2, 22},
        // Selected out of view: the top row's customer stays the top row.
        {"selected above the view", 15, 2, 1, 16},
    };
    for (const Case& c : cases) {
        pc.scroll_list(kList, c.top);
        pc.select_row(kList, c.pick);
        const std::int32_t picked = selected(pc, b_);
        const std::int32_t top = b_.list->customer(c.top)->id;
        const int rows = pc.item_count(kList);
        std::int32_t newest = 0;
        for (int i = 0; i < c.new_customers; ++i)
            newest = save_elsewhere(std::string("new ") + c.what + std::to_string(i));
        settle();
        ASSERT_TRUE(pc.tick(kTimer));
        EXPECT_EQ(pc.item_count(kList), rows + c.new_customers) << c.what;
        EXPECT_EQ(b_.list->customer(0)->id, newest) << c.what;
        EXPECT_EQ(selected(pc, b_), picked) << c.what;
        EXPECT_EQ(pc.visible_rows(kList).first, c.want_top) << c.what;
        EXPECT_EQ(b_.list->customer(c.want_top)->id, top) << c.what;
        const void* shown = load_of(b_);
        ASSERT_TRUE(pc.tick(kTimer));  // and only once
        EXPECT_EQ(load_of(b_), shown) << c.what;
    }
    EXPECT_TRUE(backend_.message_boxes().shown().empty());

    pc.user_close();
    EXPECT_FALSE(pc.tick(kTimer));  // the watch ends with its window
}

TEST_P(ChangeWatch, NothingMovesUnderADialogAndTheChangeShowsAfterIt) {
    HeadlessWindow& pc = open(b_);
    save_elsewhere("before");
    ASSERT_TRUE(pc.tick(kTimer));
    ASSERT_EQ(pc.item_count(kList), 1);
    const void* under = nullptr;
    backend_.windows().on_open(forms::cadence_dialog().name, [&](HeadlessWindow&) {
        save_elsewhere("while the dialog is open");
        under = load_of(b_);
        EXPECT_TRUE(backend_.windows().modal_open());
        EXPECT_TRUE(pc.tick(kTimer));
        EXPECT_EQ(load_of(b_), under);
        EXPECT_EQ(pc.item_count(kList), 1);
    });
    backend_.windows().open_modal(forms::cadence_dialog(), {});
    EXPECT_FALSE(backend_.windows().modal_open());
    ASSERT_TRUE(pc.tick(kTimer));
    EXPECT_EQ(pc.item_count(kList), 2);
    EXPECT_EQ(pc.cell(kList, 0, 3), "while the dialog is open");
}

TEST_P(ChangeWatch, OwnSavesAndAnotherPcsSavesAfterThemBothShow) {
    HeadlessWindow& mine = open(a_);
    HeadlessWindow& theirs = open(b_);
    settle();
    ASSERT_TRUE(mine.tick(kTimer));
    ASSERT_TRUE(theirs.tick(kTimer));
    // A PC saves and loads its list, as its editor does; the other PC's tick shows the
    // customer, and the saving PC's own tick loads nothing more: the load read the store at
    // the stamp its save left.
    save(a_.connection, a_.rows, "mine");
    app::reload_list(mine, a_);
    settle();
    const void* own = load_of(a_);
    for (int i = 0; i < 2; ++i)
        ASSERT_TRUE(mine.tick(kTimer));
    EXPECT_EQ(mine.item_count(kList), 1);
    EXPECT_EQ(load_of(a_), own) << "an own save loaded twice";
    ASSERT_TRUE(theirs.tick(kTimer));
    EXPECT_EQ(theirs.item_count(kList), 1);

    // A header click keeps the order in this PC's settings (in the file, where the file holds
    // the customers too): nothing to load, and nothing is.
    store::StampReader file;
    const auto before = file.read(where_exact()).value;
    mine.fire(kList, runtime::Event::column_clicked, {3, {}});
    mine.fire(kList, runtime::Event::column_clicked, {4, {}});
    settle();
    const void* sorted = load_of(a_);
    for (int i = 0; i < 2; ++i)
        ASSERT_TRUE(mine.tick(kTimer));
    EXPECT_EQ(load_of(a_), sorted);
    EXPECT_NE(file.read(where_exact()).value, before) << "the order was not kept in the file";

    // The other PC saves after this one's own save and load: that one still shows.
    save(a_.connection, a_.rows, "mine again");
    app::reload_list(mine, a_);
    save(b_.connection, b_.rows, "theirs");
    settle();
    ASSERT_TRUE(mine.tick(kTimer));
    ASSERT_EQ(mine.item_count(kList), 3);
    const void* settled = load_of(a_);
    ASSERT_TRUE(mine.tick(kTimer));
    EXPECT_EQ(load_of(a_), settled);
}

// Another program writing the server's tables (psql here) moves the stamp as the program's
// own writes do, and the list follows; a database made before the server counted such writes
// learns to when a PC opens it.
TEST_P(ChangeWatch, AnotherProgramsRowOnTheServerShows) {
    if (GetParam() == Engine::file) GTEST_SKIP() << "only a server has other clients";
    auto& pg = testing_support::PgServer::shared();
    save_elsewhere("first");  // makes the tables
    const char* count =
        "SELECT count(*) FROM pg_trigger WHERE tgname = 'lq_counted' AND NOT tgisinternal";
    ASSERT_EQ(pg.admin_sql(database_, count), "2\n");
    pg.admin_sql(database_,
                 "DROP TRIGGER lq_counted ON yrkb_com; DROP TRIGGER lq_counted ON "
                 "vantel_ww");
    odbc::forget_connections();  // a fresh connection prepares the database anew
    HeadlessWindow& pc = open(b_);
    ASSERT_EQ(pc.item_count(kList), 1);
    EXPECT_EQ(pg.admin_sql(database_, count), "2\n");
    // The day's first start took its copy of the server's shop (this PC's file is empty).
    const auto copies =
        store::list_backups(files_, store::backup_folder(db_path_), store::kDatabasePassword);
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(copies[0].open_customers, 1);
    pg.shop_sql(database_,
                "INSERT INTO yrkb_com (wang, wang2, time1, time2) VALUES "
                "('psql 写的', '店主', '2026-12-01', '2026-12-01')");
    ASSERT_TRUE(pc.tick(kTimer));
    ASSERT_EQ(pc.item_count(kList), 2);
    EXPECT_EQ(pc.cell(kList, 0, 3), "psql 写的");
    // The program's own transactions still move it by one each.
    const auto before = std::stoull(pg.admin_sql(database_, "SELECT change_count FROM lq_schema"));
    save_elsewhere("second");
    EXPECT_EQ(std::stoull(pg.admin_sql(database_, "SELECT change_count FROM lq_schema")),
              before + 1);
}

// A backup put back on one PC (the server's data replaced in one transaction, or the file
// replaced whole) shows on the other PC at its next tick, as any change does.
TEST_P(ChangeWatch, ARestoreElsewhereShows) {
    HeadlessWindow& theirs = open(b_);
    save_elsewhere("kept");
    const store::StoreLocation shop = store::Shop::resolve(db_path_, "").customers();
    const std::string folder = dir_ + "/copies";
    auto copy = store::back_up_shop(files_, shop, folder, {2026, 12, 10});
    ASSERT_TRUE(copy.ok()) << copy.failure().message;
    save_elsewhere("after the copy");
    settle();
    ASSERT_TRUE(theirs.tick(kTimer));
    ASSERT_EQ(theirs.item_count(kList), 2);
    ASSERT_TRUE(store::restore_shop(files_, shop, *copy).ok());
    settle();
    ASSERT_TRUE(theirs.tick(kTimer));
    ASSERT_EQ(theirs.item_count(kList), 1);
    EXPECT_EQ(theirs.cell(kList, 0, 3), "kept");
}

TEST_P(ChangeWatch, AStampThatCannotBeReadChangesNothingAndSaysNothing) {
    HeadlessWindow& pc = open(b_);
    save_elsewhere("one");
    const fs::path aside = db_path_ + ".aside";
    // The store out of reach: the file moved away, or the server gone.
    if (GetParam() == Engine::file)
        fs::rename(db_path_, aside);
    else
        relay_->set_away(true);
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(pc.tick(kTimer));
    EXPECT_EQ(pc.item_count(kList), 0);
    EXPECT_TRUE(backend_.message_boxes().shown().empty());
    // Back: the next tick shows what changed.
    if (GetParam() == Engine::file)
        fs::rename(aside, db_path_);
    else
        relay_->set_away(false);
    save_elsewhere("two");
    ASSERT_TRUE(pc.tick(kTimer));
    EXPECT_EQ(pc.item_count(kList), 2);
}

// A save here that the store refused (a duplicate: its transaction rolled back) and a list load
// after it: another PC's next save leaves the stamp the refused one had taken, and still shows.
TEST_P(ChangeWatch, ARefusedSaveHereDoesNotHideTheNextSaveElsewhere) {
    save_elsewhere("already there");
    settle();
    HeadlessWindow& pc = open(a_);
    settle();
    ASSERT_TRUE(pc.tick(kTimer));
    EXPECT_EQ(store::save_new_customer(a_.connection, a_.rows, where(),
                                       {"already there", "店主", 42000.0, 42000.0, ""}),
              store::SaveOutcome::duplicate);
    app::reload_list(pc, a_);
    save_elsewhere("from another pc");
    settle();
    ASSERT_TRUE(pc.tick(kTimer));
    ASSERT_TRUE(pc.tick(kTimer));
    EXPECT_EQ(pc.cell(kList, 0, 3), "from another pc");
}

INSTANTIATE_TEST_SUITE_P(Engines, ChangeWatch, ::testing::Values(Engine::file, Engine::server),
                         [](const ::testing::TestParamInfo<Engine>& p) {
                             return p.param == Engine::file ? "File" : "Server";
                         });

}  // namespace
