// The main window on the in-memory backend: start-up, the list in both modes, selection and
// hand-over, menus, resize, tray; every store access on a real file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "app/day_turn.h"
#include "app/list_statuses.h"
#include "app/main_window.h"
#include "dialogs/dates.h"
#include "forms/forms.h"
#include "runtime/headless/backend.h"
#include "store/backup.h"
#include "store/customer_actions.h"
#include "store/database_template.h"
#include "store/provision.h"
#include "tests/services/support/status_stand_in.h"

namespace {

namespace fs = std::filesystem;
using runtime::Event;
using runtime::EventArgs;
using runtime::headless::HeadlessWindow;

constexpr const char* kList = forms::main::kList;

EventArgs arg(int value) {
    return {value, {}};
}

class MainWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = ::testing::TempDir() + "lanqiao_app_" + std::to_string(::getpid());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        backend_.shell().set_program_directory(dir_);
        db_path_ = store::build_database_path(dir_);
        context_.files = &files_;
        context_.check_for_update = [this] { events_.push_back("update"); };
        context_.status_setup = testsupport::stand_in_setup(stand_in_);
    }
    void TearDown() override {
        fs::remove_all(dir_);
        fs::remove(db_path_);
        // The program joins its folder and file names with a backslash, which names one file here.
        fs::remove(dir_ + "\\SkinH_EL.dll");
    }
    // Opens the main window; the statuses its list asks come back at once.
    HeadlessWindow& open_main() {
        auto& w =
            backend_.windows().open(forms::main_window(), app::main_window_handlers(context_));
        main_ = static_cast<HeadlessWindow*>(&w);
        answer_statuses();
        return *main_;
    }
    // Every waiting status is answered, and the gap after the last batch passes.
    void answer_statuses() {
        if (context_.statuses) context_.statuses->step();
        if (main_ && !main_->closed()) main_->tick(app::StatusAnswers::kTimer);
    }
    HeadlessWindow* main_ = nullptr;
    void add(const char* wang, const char* wang2, double t1, double t2, const char* note,
             std::optional<double> deal = std::nullopt) {
        store::StoreConnection c;
        store::RowSet rs;
        store::StoreLocation where{db_path_, store::kDatabasePassword};
        std::int32_t id = 0;
        ASSERT_EQ(store::save_new_customer(c, rs, where, {wang, wang2, t1, t2, note}, &id),
                  store::SaveOutcome::saved);
        if (deal) {
            ASSERT_TRUE(store::register_deal(c, rs, where, id, *deal));
        }
    }
    void provision() {
        jet::OsFileSystem os;
        store::provision_store(os, db_path_);
    }

    runtime::headless::Backend backend_;
    jet::OsFileSystem files_;
    app::MainContext context_;
    std::vector<std::string> events_;
    std::shared_ptr<testsupport::StatusStandIn> stand_in_ =
        std::make_shared<testsupport::StatusStandIn>(
            [](const std::string& id) { return id.find("online") != std::string::npos; });
    std::string dir_, db_path_;
};

TEST_F(MainWindow, FirstStartWritesTheDatabaseAndShowsAnEmptyOpenList) {
    HeadlessWindow& w = open_main();
    EXPECT_EQ(w.text(""), "岚桥管家 V2.0  未成交客户跟踪管理中心");
    EXPECT_TRUE(w.visible(""));
    EXPECT_EQ(w.tray_tooltip(), "岚桥管家");
    EXPECT_EQ(context_.state.list_mode, "yn=false");
    EXPECT_EQ(context_.state.database_path, dir_ + "\\yrkb_com.db");
    std::ifstream in(db_path_, std::ios::binary);
    std::vector<std::uint8_t> written{std::istreambuf_iterator<char>(in), {}};
    auto carried = store::database_template();
    EXPECT_EQ(written, std::vector<std::uint8_t>(carried.begin(), carried.end()));
    EXPECT_EQ(w.text(forms::main::kSkinSelector), "2");  // the stored skin, not the design's 8
    EXPECT_EQ(w.item_count(kList), 0);
    EXPECT_EQ(w.column_title(kList, 6), "最后跟踪日期");
    EXPECT_EQ(events_, (std::vector<std::string>{"update"}));
    EXPECT_TRUE(stand_in_->asked().empty());  // an empty list asks nothing
    // Columns as defined: the id column hidden, the rest as wide as their captions need.
    EXPECT_EQ(w.column_width(kList, 0), 0);
    EXPECT_EQ(w.column_title(kList, 3), "客户旺旺名");
    EXPECT_EQ(w.column_width(kList, 7), 140);
}

TEST_F(MainWindow, AnExistingDatabaseIsUsedAsItIs) {
    std::ofstream(db_path_, std::ios::binary) << "not a database";
    HeadlessWindow& w = open_main();
    EXPECT_EQ(fs::file_size(db_path_), 14u);
    EXPECT_EQ(w.text(forms::main::kSkinSelector), "");  // no store: the selector is empty
    EXPECT_EQ(w.item_count(kList), 0);
    w.fire(forms::main::kToolbar, Event::entry_clicked, arg(4));
    EXPECT_EQ(w.column_title(kList, 6), "成功交易日期");  // switched even without a store
}

TEST_F(MainWindow, BothListsNewestFirstWithTheirDates) {
    provision();
    add("buyer_online", "店主一", 42013.0, 42014.5, "问了尺码\r\n再联系");  // 2015-1-9, 2015-1-10
    add("买家二", "", 42004.0, 42004.0, "");                                // 2014-12-31
    add("closed_1", "店主二", 41000.0, 41001.0, "成交", 42100.0);
    add("o'neil", "店主一", 42200.0, 42201.0, "x");
    add("closed_2", "店主二", 41002.0, 41003.0, "", 42101.0);

    HeadlessWindow& w = open_main();
    std::vector<std::vector<std::string>> open = {
        {"4", "1", "", "o'neil", "店主一", "2015-7-15", "2015-7-16", "x", "", ""},
        {"2", "2", "", "买家二", "", "2014-12-31", "2014-12-31", "", "", ""},
        {"1", "3", "在线", "buyer_online", "店主一", "2015-1-9", "2015-1-10", "问了尺码 ↵ 再联系",
         "", ""}};
    EXPECT_EQ(w.rows(kList), open);

    w.fire(forms::main::kToolbar, Event::entry_clicked, arg(4));
    EXPECT_EQ(context_.state.list_mode, "yn=true");
    EXPECT_EQ(w.column_title(kList, 6), "成功交易日期");
    std::vector<std::vector<std::string>> closed = {
        {"5", "1", "", "closed_2", "店主二", "2012-4-3", "2015-4-7", "", "", ""},
        {"3", "2", "", "closed_1", "店主二", "2012-4-1", "2015-4-6", "成交", "", ""}};
    EXPECT_EQ(w.rows(kList), closed);

    w.fire(forms::main::kToolbar, Event::entry_clicked, arg(3));
    EXPECT_EQ(w.column_title(kList, 6), "最后跟踪日期");
    EXPECT_EQ(w.rows(kList), open);
    // "刷新状态" loads again in the same mode, asking every row again; meanwhile the statuses
    // known stay on screen.
    stand_in_->clear_asked();
    w.fire(forms::main::kToolbar, Event::entry_clicked, arg(6));
    EXPECT_EQ(w.rows(kList), open);
    answer_statuses();
    EXPECT_EQ(stand_in_->asked().size(), 4u);  // the service's offline picture, then 3 rows
    EXPECT_EQ(w.rows(kList), open);

    // The store gone away: the rows stay as they were.
    fs::remove(db_path_);
    fs::create_directories(db_path_);
    w.fire(forms::main::kToolbar, Event::entry_clicked, arg(4));
    EXPECT_EQ(w.column_title(kList, 6), "成功交易日期");
    EXPECT_EQ(w.rows(kList), open);
    fs::remove_all(db_path_);
}

TEST_F(MainWindow, StatusesFollowTheRowsAndALaterLoadReplacesAnEarlierRound) {
    provision();
    for (int i = 0; i < 40; ++i) {
        const std::string id = (i % 10 == 3 ? "online_" : "quiet_") + std::to_string(i);
        add(id.c_str(), "店主", 42000.0 + i, 42000.0 + i, "");
    }
    auto& w = static_cast<HeadlessWindow&>(
        backend_.windows().open(forms::main_window(), app::main_window_handlers(context_)));
    main_ = &w;
    // The rows show before any status is known, none of them online.
    ASSERT_EQ(w.item_count(kList), 40);
    for (int r = 0; r < 40; ++r)
        EXPECT_EQ(w.cell(kList, r, 2), "") << r;
    EXPECT_TRUE(stand_in_->asked().empty());

    // A reload while that round waits: what it had not asked is dropped, and the answers go
    // to each customer's row though a newer customer now heads the list.
    context_.statuses->step(5);
    add("newest_online", "店主", 43000.0, 43000.0, "");
    w.fire(forms::main::kToolbar, Event::entry_clicked, arg(6));
    ASSERT_EQ(w.item_count(kList), 41);
    answer_statuses();
    EXPECT_EQ(stand_in_->asked().size(), 5u + 1u + 41u);
    EXPECT_EQ(w.cell(kList, 0, 2), "在线");
    for (int r = 1; r < 41; ++r) {
        const std::string id = w.cell(kList, r, 3);
        EXPECT_EQ(w.cell(kList, r, 2), id.rfind("online_", 0) == 0 ? "在线" : "") << id;
    }

    // Once the statuses have stopped, nothing more is asked or shown.
    add("late_online", "店主", 44000.0, 44000.0, "");
    w.fire(forms::main::kToolbar, Event::entry_clicked, arg(6));
    app::stop_list_statuses(context_);
    stand_in_->clear_asked();
    answer_statuses();
    EXPECT_TRUE(stand_in_->asked().empty());
    EXPECT_EQ(w.cell(kList, 0, 3), "late_online");
    EXPECT_EQ(w.cell(kList, 0, 2), "");
    EXPECT_EQ(w.cell(kList, 1, 2), "在线");
}

TEST_F(MainWindow, SelectionAndDoubleClickHandTheRowToTheEditor) {
    provision();
    add("a", "我们", 42013.0, 42014.0, "note a");
    add("b", "我们", 42015.0, 42016.0, "note b");
    std::vector<std::string> editor_modes;
    backend_.windows().on_open("CustomerEditor", [&](HeadlessWindow&) {
        editor_modes.push_back(context_.state.editor_mode);
    });
    HeadlessWindow& w = open_main();
    w.select_row(kList, 1);
    w.fire(kList, Event::double_clicked);
    const auto& cc = context_.state.current_customer;
    EXPECT_EQ(cc.id, 1);
    EXPECT_EQ(cc.buyer, "a");
    EXPECT_EQ(cc.our_id, "我们");
    EXPECT_EQ(cc.first_enquiry, 42013.0);  // 2015-1-9, as stored
    EXPECT_EQ(cc.last_follow_up, 42014.0);
    EXPECT_EQ(cc.note, "note a");
    EXPECT_EQ(editor_modes, std::vector<std::string>{""});

    // "添加新客户" opens the editor to add.
    w.fire(forms::main::kToolbar, Event::entry_clicked, arg(0));
    EXPECT_EQ(editor_modes, (std::vector<std::string>{"", "新建"}));
    // With nothing selected the editor gets id 0 and empty texts.
    HeadlessWindow& again = open_main();
    again.fire(kList, Event::double_clicked);
    EXPECT_EQ(context_.state.current_customer.id, 0);
    EXPECT_EQ(context_.state.current_customer.buyer, "");
    // "我们的旺旺" opens the manager.
    w.fire(forms::main::kToolbar, Event::entry_clicked, arg(1));
    auto opened = backend_.windows().opened();
    EXPECT_EQ(opened.back(), "OurIdManager");
}

TEST_F(MainWindow, MoreOptionsAndRightClickShowTheRowMenu) {
    provision();
    HeadlessWindow& empty = open_main();
    // An empty list: the menu shows all the same, with nothing selected.
    empty.fire(forms::main::kToolbar, Event::entry_clicked, arg(8));
    EXPECT_EQ(empty.popups(), std::vector<std::string>{"右键菜单"});
    EXPECT_EQ(empty.selected_row(kList), -1);

    add("a", "x", 42013.0, 42014.0, "");
    add("b", "x", 42013.0, 42014.0, "", 42100.0);
    add("c", "x", 42013.0, 42014.0, "");
    HeadlessWindow& w = open_main();
    w.fire(forms::main::kToolbar, Event::entry_clicked, arg(8));
    EXPECT_EQ(w.selected_row(kList), 0);  // no selection: the first row
    EXPECT_TRUE(w.menu_item_visible("登记交易"));
    EXPECT_FALSE(w.menu_item_visible("转为未成交客户"));
    w.select_row(kList, 1);
    w.fire(forms::main::kToolbar, Event::entry_clicked, arg(8));
    EXPECT_EQ(w.selected_row(kList), 1);  // a selection stays

    w.fire(forms::main::kToolbar, Event::entry_clicked, arg(4));  // closed customers
    w.fire(kList, Event::item_right_clicked);  // the reload left nothing selected: no menu
    EXPECT_EQ(w.popups().size(), 2u);
    w.select_row(kList, 0);
    w.fire(kList, Event::item_right_clicked);
    EXPECT_EQ(w.popups().size(), 3u);
    EXPECT_FALSE(w.menu_item_visible("登记交易"));
    EXPECT_TRUE(w.menu_item_visible("转为未成交客户"));

    // A row whose id cell is empty (no row selected) shows no menu.
    w.fire(forms::main::kToolbar, Event::entry_clicked, arg(4));
    w.fire(kList, Event::item_right_clicked);
    EXPECT_EQ(w.popups().size(), 3u);

    // The right button on the window itself: the other menu.
    w.fire("", Event::right_button);
    EXPECT_EQ(w.popups().back(), "更多功能");
}

TEST_F(MainWindow, ResizeTrayAndHomePage) {
    HeadlessWindow& w = open_main();
    w.resize(800, 600);
    EXPECT_EQ(w.placement(kList), (runtime::Rect{0, 48, 794, 524}));
    EXPECT_EQ(w.column_width(kList, 7), 190);
    w.resize(609, 400);
    EXPECT_EQ(w.column_width(kList, 7), -1);  // fits the contents
    w.resize(500, 400);
    EXPECT_EQ(w.column_width(kList, 7), -2);  // fits the header
    EXPECT_EQ(w.placement(forms::main::kToolbar), (runtime::Rect{0, 0, 648, 49}));

    EXPECT_TRUE(w.visible(""));
    w.fire("", Event::tray, arg(1));
    EXPECT_FALSE(w.visible(""));
    // A double-click comes as release, double-click, release: three toggles.
    for (int code : {1, 2, 1})
        w.fire("", Event::tray, arg(code));
    EXPECT_TRUE(w.visible(""));
    w.fire("", Event::tray, arg(3));
    EXPECT_FALSE(w.visible(""));

    w.fire(forms::main::kToolbar, Event::entry_clicked, arg(10));
    EXPECT_TRUE(backend_.shell().opened().empty());  // no home page: nothing opens
    context_.home_page = "http://127.0.0.1/";
    w.fire(forms::main::kToolbar, Event::entry_clicked, arg(10));
    EXPECT_EQ(backend_.shell().opened(), std::vector<std::string>{"http://127.0.0.1/"});
}

// The date turning while the program runs, on a clock of the test's own: at midnight (the
// timer's next look) and when the system says its clock was set, the due tints, the due view
// and the tray follow the new date, and the first turn takes that day's copy.
TEST_F(MainWindow, TheDayTurnsWhileTheProgramRuns) {
    provision();
    const auto engine_day = [](jet::CivilDate d) {
        return static_cast<double>(jet::days_from_civil(d) + jet::kEngineEpochOffset);
    };
    const double dec9 = engine_day({2026, 12, 9});
    double now = dec9 + 23.5 / 24;
    dialogs::set_clock([&now] { return now; });
    struct Restore {
        ~Restore() { dialogs::set_clock({}); }
    } restore;
    add("two days ago", "店主", dec9 - 2, dec9 - 2, "");   // due from the 10th (3 days)
    add("five days ago", "店主", dec9 - 5, dec9 - 5, "");  // due, overdue from the 10th
    // A copy "from the future" (the clock went back once): kept, and said once.
    const std::string folder = store::backup_folder(db_path_);
    fs::create_directories(folder);
    std::ofstream(store::join_path(folder, "yrkb_com-2027-01-01.db")) << "x";

    HeadlessWindow& w = open_main();
    const auto tones = [&] {
        std::map<std::string, int> out;
        for (int r = 0; r < context_.list_rows->count(); ++r)
            out[context_.list_rows->cell(r, 3)] = context_.list_rows->tone(r);
        return out;
    };
    const auto copies = [&] {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(folder))
            out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    };
    ASSERT_EQ(backend_.message_boxes().shown().size(), 1u);
    EXPECT_NE(backend_.message_boxes().shown()[0].text.find("日期可能不对"), std::string::npos);
    EXPECT_EQ(
        w.balloons(),
        (std::vector<std::pair<std::string, std::string>>{{"岚桥管家", "今天有 1 位客户待跟进"}}));
    w.fire("", Event::balloon_clicked);  // only those due
    EXPECT_EQ(tones(), (std::map<std::string, int>{{"five days ago", 1}}));

    struct Look {
        double at;
        bool by_timer;                   // else the system says the clock was set
        std::map<std::string, int> due;  // the due view's rows and tints
        std::size_t balloons, backups;   // so far
    };
    const Look looks[] = {
        {dec9 + 23.9 / 24, true, {{"five days ago", 1}}, 1, 2},  // not yet
        {dec9 + 1 + 1.0 / 86400, true, {{"two days ago", 1}, {"five days ago", 2}}, 2, 3},
        {dec9 + 1 + 0.5, true, {{"two days ago", 1}, {"five days ago", 2}}, 2, 3},  // same day
        {dec9 + 5 + 0.5, false, {{"two days ago", 2}, {"five days ago", 2}}, 3, 4},
    };
    for (const auto& look : looks) {
        SCOPED_TRACE(look.at);
        now = look.at;
        if (look.by_timer)
            ASSERT_TRUE(w.tick(app::kDayTurnTimer));
        else
            w.fire("", Event::time_changed);
        EXPECT_EQ(tones(), look.due);
        EXPECT_EQ(w.balloons().size(), look.balloons);
        EXPECT_EQ(copies().size(), look.backups);
    }
    EXPECT_EQ(w.balloons().back().second, "今天有 2 位客户待跟进");
    EXPECT_EQ(copies(),
              (std::vector<std::string>{"yrkb_com-2026-12-09.db", "yrkb_com-2026-12-10.db",
                                        "yrkb_com-2026-12-14.db", "yrkb_com-2027-01-01.db"}));
    EXPECT_EQ(backend_.message_boxes().shown().size(), 1u);  // the clock's doubt said once
}

}  // namespace

namespace {

// The first list is read off the windows' thread: the window is there before its customers,
// and a load of its own meanwhile (another mode, a save) overtakes the one in the background.
TEST_F(MainWindow, TheFirstLoadRunsInTheBackgroundAndALaterLoadOvertakesIt) {
    provision();
    const double long_ago = 42000.0;
    add("due_1", "店主", long_ago, long_ago, "");
    add("closed_1", "店主", long_ago, long_ago, "", long_ago + 1);
    const std::string folder = store::backup_folder(db_path_);
    for (const bool overtaken : {false, true}) {
        SCOPED_TRACE(overtaken);
        fs::remove_all(folder);
        backend_.windows().hold_background(true);
        HeadlessWindow& w = open_main();
        // The window answers with an empty list; the day's copy and the reminder wait for the
        // load, which holds the file meanwhile.
        EXPECT_TRUE(context_.list_loading);
        EXPECT_EQ(w.item_count(kList), 0);
        EXPECT_TRUE(w.balloons().empty());
        EXPECT_FALSE(fs::exists(folder));
        if (overtaken) {
            add("due_2", "店主", long_ago, long_ago, "");
            w.fire(forms::main::kToolbar, Event::entry_clicked, arg(4));  // the closed list
            EXPECT_FALSE(context_.list_loading);
        }
        backend_.windows().hold_background(false);
        backend_.windows().finish_background();
        answer_statuses();
        EXPECT_FALSE(context_.list_loading);
        // Overtaken, the background's open list never replaces the closed one shown.
        EXPECT_EQ(w.column_title(kList, 6), overtaken ? "成功交易日期" : "最后跟踪日期");
        ASSERT_EQ(w.item_count(kList), 1);
        EXPECT_EQ(w.cell(kList, 0, 3), overtaken ? "closed_1" : "due_1");
        EXPECT_EQ(w.balloons().size(), 1u);
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
        w.close();
        context_.state.list_mode = "yn=false";
    }
}

}  // namespace
