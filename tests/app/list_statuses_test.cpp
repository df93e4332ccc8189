// The status column of the real main window on the in-memory backend: a real database file,
// the real status pipeline, and a status service on 127.0.0.1 or an in-process stand-in.
#include "app/list_statuses.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "app/main_window.h"
#include "forms/forms.h"
#include "runtime/headless/backend.h"
#include "runtime/headless/socket_http.h"
#include "services/offline_status_image.h"
#include "store/customer_actions.h"
#include "store/provision.h"
#include "tests/services/support/http_test_server.h"
#include "tests/services/support/status_stand_in.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using runtime::Event;
using runtime::headless::HeadlessWindow;

constexpr const char* kList = forms::main::kList;
constexpr int kRefresh = 6, kOpenList = 3;

class ListStatuses : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = ::testing::TempDir() + "lanqiao_statuses_" + std::to_string(::getpid());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        backend_.shell().set_program_directory(dir_);
        db_path_ = store::build_database_path(dir_);
        jet::OsFileSystem os;
        store::provision_store(os, db_path_);
        context_.files = &files_;
        // "on…" IDs are online, "slow…" ones answer after 300 ms, everyone else is offline.
        server_.set_handler([this](std::string_view target) {
            testsupport::CannedReply reply;
            const auto image = services::offline_status_image();
            reply.body.assign(image.begin(), image.end());
            const auto uid = target.substr(target.find("uid=") + 4);
            if (uid.starts_with("on") || uid.starts_with("slow_on")) reply.body[300] ^= 0x55;
            if (uid.starts_with("slow")) reply.delay = 300ms;
            reply.delay = std::max(reply.delay, answer_after_);
            return reply;
        });
    }
    void TearDown() override {
        context_.statuses.reset();
        fs::remove_all(dir_);
        fs::remove(db_path_);
        fs::remove(dir_ + "\\SkinH_EL.dll");
    }
    void use_server() {
        context_.status_setup.http = socket_http_.open_session({true, {1000ms, 5000ms}});
        context_.status_setup.host = server_.host();
    }
    std::int32_t add(const std::string& wang) {
        store::StoreConnection c;
        store::RowSet rs;
        std::int32_t id = 0;
        EXPECT_EQ(store::save_new_customer(c, rs, {db_path_, store::kDatabasePassword},
                                           {wang, "店主", 42000.0, 42000.0, ""}, &id),
                  store::SaveOutcome::saved);
        return id;
    }
    HeadlessWindow& open_main() {
        return static_cast<HeadlessWindow&>(
            backend_.windows().open(forms::main_window(), app::main_window_handlers(context_)));
    }
    // The status each row should show, by its ID.
    static std::string expected(const std::string& wang) {
        return wang.starts_with("on") || wang.starts_with("slow_on") ? "在线" : "";
    }
    bool all_shown(const HeadlessWindow& w) {
        for (int r = 0; r < w.item_count(kList); ++r) {
            const std::string wang = w.cell(kList, r, 3);
            if (!context_.statuses->known({std::stoi(w.cell(kList, r, 0)), wang})) return false;
            if (w.cell(kList, r, 2) != expected(wang)) return false;
        }
        return true;
    }
    // Until every row shows its status and the pipeline has nothing left to do (which a
    // request that brings no answer ends without a post, hence the short waits).
    bool wait_all_shown(HeadlessWindow& w) {
        const auto give_up = std::chrono::steady_clock::now() + 10s;
        while (std::chrono::steady_clock::now() < give_up) {
            // A batch held back for its gap shows when its timer ticks.
            w.tick(app::StatusAnswers::kTimer);
            if (backend_.windows().run_posted([&] { return idle() && all_shown(w); }, 20ms))
                return true;
        }
        return false;
    }
    bool idle() const {
        const auto counts = context_.statuses->counts();
        return counts.in_flight == 0 && counts.waiting == 0;
    }

    runtime::headless::Backend backend_;
    jet::OsFileSystem files_;
    app::MainContext context_;
    std::string dir_, db_path_;
    testsupport::HttpTestServer server_;
    runtime::headless::SocketHttp socket_http_;
    std::chrono::milliseconds answer_after_{0};
};

TEST_F(ListStatuses, AReloadAfterASaveKeepsTheKnownStatusesAndAsksOnlyTheNewCustomer) {
    for (int i = 0; i < 30; ++i)
        add((i % 4 == 0 ? "on_" : "off_") + std::to_string(i));
    use_server();
    HeadlessWindow& w = open_main();
    ASSERT_TRUE(wait_all_shown(w));
    EXPECT_EQ(server_.request_count(), 31u);
    const auto before = w.rows(kList);

    // A save reloads the list: every known status is on screen at once, nothing blinks, and
    // only the new customer is asked (after the service's offline picture).
    server_.clear_record();
    add("on_new");
    w.fire(forms::main::kToolbar, Event::entry_clicked, {kOpenList, {}});
    ASSERT_EQ(w.item_count(kList), 31);
    EXPECT_EQ(w.cell(kList, 0, 2), "");
    for (int r = 1; r < 31; ++r)
        EXPECT_EQ(w.rows(kList)[static_cast<std::size_t>(r)][2],
                  before[static_cast<std::size_t>(r - 1)][2]);
    ASSERT_TRUE(wait_all_shown(w));
    EXPECT_EQ(w.cell(kList, 0, 2), "在线");
    EXPECT_EQ(server_.request_count(), 2u);

    // "刷新状态" asks everyone again, still showing what it knows meanwhile.
    server_.clear_record();
    w.fire(forms::main::kToolbar, Event::entry_clicked, {kRefresh, {}});
    EXPECT_EQ(w.rows(kList)[0][2], "在线");
    ASSERT_TRUE(wait_all_shown(w));
    EXPECT_EQ(server_.request_count(), 32u);
    EXPECT_LE(server_.peak_in_flight(), 8u);
}

TEST_F(ListStatuses, AnAnswerLandsOnItsCustomerAndNeverOnAnIdTheRowNoLongerShows) {
    const std::int32_t edited = add("slow_on_before");
    for (int i = 0; i < 5; ++i)
        add("on_" + std::to_string(i));
    use_server();
    HeadlessWindow& w = open_main();
    // While the slow answer is on its way the customer gets another ID, and a newer customer
    // pushes every row down.
    std::this_thread::sleep_for(50ms);
    {
        store::StoreConnection c;
        store::RowSet rs;
        ASSERT_EQ(store::save_edited_customer(c, rs, {db_path_, store::kDatabasePassword}, edited,
                                              {"off_after", "店主", 42000.0, 42000.0, ""}),
                  store::SaveOutcome::saved);
    }
    add("on_newest");
    w.fire(forms::main::kToolbar, Event::entry_clicked, {kOpenList, {}});
    ASSERT_TRUE(wait_all_shown(w));
    // The late answer for the old ID ("在线") has come and gone: not shown on the row.
    backend_.windows().run_posted([] { return false; }, 500ms);
    EXPECT_EQ(w.cell(kList, 6, 3), "off_after");
    EXPECT_EQ(w.cell(kList, 6, 2), "");
    EXPECT_EQ(w.cell(kList, 0, 2), "在线");
    EXPECT_EQ(context_.statuses->known({edited, "slow_on_before"}), "在线");
}

TEST_F(ListStatuses, RowsInViewAreAskedFirstAndRowsScrolledIntoViewJumpAhead) {
    auto stand_in = std::make_shared<testsupport::StatusStandIn>(
        [](const std::string& id) { return id.starts_with("on"); });
    std::atomic<long long> seconds{0};
    context_.status_setup = testsupport::stand_in_setup(stand_in, [&] {
        return services::StatusPipelineSetup::Clock::time_point(std::chrono::seconds(seconds));
    });
    for (int i = 0; i < 100; ++i)
        add("on_" + std::to_string(i));
    HeadlessWindow& w = open_main();
    const runtime::RowRange view = w.visible_rows(kList);
    ASSERT_EQ(view, (runtime::RowRange{0, 14}));  // a 400-pixel list of 28-pixel rows
    const auto shown = [&] {
        std::vector<int> rows;
        for (int r = 0; r < w.item_count(kList); ++r)
            if (!w.cell(kList, r, 2).empty()) rows.push_back(r);
        return rows;
    };
    // The answers, then the gap after them: the batch held back for it shows.
    const auto answer = [&](std::size_t at_most = static_cast<std::size_t>(-1)) {
        context_.statuses->step(at_most);
        w.tick(app::StatusAnswers::kTimer);
    };
    const auto range = [](int from, int to) {
        std::vector<int> rows;
        for (int r = from; r < to; ++r)
            rows.push_back(r);
        return rows;
    };
    answer(1 + 14);
    EXPECT_EQ(shown(), range(0, 14));
    w.scroll_list(kList, 60);
    answer(14);
    auto want = range(0, 14);
    for (int r : range(60, 74))
        want.push_back(r);
    EXPECT_EQ(shown(), want);
    // A taller window shows more rows: those come next.
    w.resize(750, 400 + 5 * 28 + 76);
    EXPECT_EQ(w.visible_rows(kList), (runtime::RowRange{60, 19}));
    answer(5);
    for (int r : range(74, 79))
        want.push_back(r);
    EXPECT_EQ(shown(), want);
    answer();
    EXPECT_EQ(shown(), range(0, 100));
    EXPECT_EQ(stand_in->asked().size(), 101u);

    // A minute later the statuses are unknown again: a reload shows them empty and asks them.
    seconds = 61;
    stand_in->clear_asked();
    w.fire(forms::main::kToolbar, Event::entry_clicked, {kOpenList, {}});
    EXPECT_TRUE(shown().empty());
    answer();
    EXPECT_EQ(shown(), range(0, 100));
    EXPECT_EQ(stand_in->asked().size(), 101u);
}

TEST_F(ListStatuses, AHangingServiceLeavesTheCellsEmptyAndStopsAtOnce) {
    answer_after_ = 30s;
    for (int i = 0; i < 20; ++i)
        add("on_" + std::to_string(i));
    use_server();
    HeadlessWindow& w = open_main();
    EXPECT_FALSE(backend_.windows().run_posted([] { return false; }, 300ms));
    EXPECT_EQ(server_.in_flight(), 8u);
    for (int r = 0; r < 20; ++r)
        EXPECT_EQ(w.cell(kList, r, 2), "");
    const auto start = std::chrono::steady_clock::now();
    context_.statuses.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
}

TEST_F(ListStatuses, AnswersShowInBatchesDrawingOnlyTheChangedRowsInView) {
    auto stand_in = std::make_shared<testsupport::StatusStandIn>(
        [](const std::string& id) { return id.starts_with("on"); });
    context_.status_setup = testsupport::stand_in_setup(stand_in, {});
    std::vector<std::int32_t> ids;
    for (int i = 0; i < 40; ++i)
        ids.push_back(add("on_" + std::to_string(i)));
    HeadlessWindow& w = open_main();
    auto now = std::chrono::steady_clock::time_point(std::chrono::seconds(100));
    auto answers = std::make_shared<app::StatusAnswers>(200ms, [&] { return now; });
    answers->set_window(w, context_.list);
    // Newest first: customer ids[i] stands in row 39 - i; rows 0..13 are in view.
    const auto online = [&](int row) {
        return services::StatusKey{ids[static_cast<std::size_t>(39 - row)],
                                   "on_" + std::to_string(39 - row)};
    };
    struct Step {
        std::vector<int> rows;  // answered, each online
        bool waiting;           // a batch waited already when they came
        int ms_later;           // after the step before
        bool tick;              // the gap's timer runs out
        std::vector<int> shown;
        std::pair<int, int> redrawn;  // redraws so far, rows drawn so far
    };
    const Step steps[] = {
        // The first answer shows at once, its row alone drawn.
        {{2}, false, 0, false, {2}, {1, 1}},
        // Answers within the gap wait for its end, then show as one batch.
        {{5, 9}, false, 50, false, {2}, {1, 1}},
        {{7}, true, 20, false, {2}, {1, 1}},
        {{}, true, 130, true, {2, 5, 7, 9}, {2, 6}},
        // A row out of view keeps its status and draws nothing; the same status again
        // neither.
        {{30, 2}, false, 500, false, {2, 5, 7, 9, 30}, {2, 6}},
        // After the gap, the next answer shows at once again.
        {{0, 13}, false, 300, false, {0, 2, 5, 7, 9, 13, 30}, {3, 20}},
    };
    for (const Step& step : steps) {
        now += std::chrono::milliseconds(step.ms_later);
        bool first = !step.waiting;
        for (int row : step.rows) {
            if (answers->add(online(row), "在线") != first) ADD_FAILURE() << "row " << row;
            first = false;
        }
        if (!step.rows.empty()) answers->show();
        if (step.tick) {
            EXPECT_TRUE(w.tick(app::StatusAnswers::kTimer));
        }
        std::vector<int> shown;
        for (int r = 0; r < w.item_count(kList); ++r)
            if (w.cell(kList, r, 2) == "在线") shown.push_back(r);
        EXPECT_EQ(shown, step.shown) << "after rows " << ::testing::PrintToString(step.rows);
        EXPECT_EQ(w.rows_redrawn(kList), step.redrawn)
            << "after rows " << ::testing::PrintToString(step.rows);
    }
}

}  // namespace

namespace {

// The status each customer of a load shows, whatever order the load came in: only for the
// customer and the ID it was learnt for, each change once.
TEST(ListStateStatuses, AStatusShowsOnlyOnItsCustomerAndId) {
    for (const bool newest_first : {true, false}) {
        std::vector<store::CustomerRow> rows = {
            {9, "a", "", 0, 0, 0, ""}, {7, "b", "", 0, 0, 0, ""}, {4, "c", "", 0, 0, 0, ""}};
        if (!newest_first) std::swap(rows[0], rows[2]);
        app::ListState list;
        list.order = std::make_shared<app::ListOrder>(rows, nullptr);
        const auto at = [&](std::int32_t id) {
            const auto& all = list.order->customers();
            for (std::size_t i = 0; i < all.size(); ++i)
                if (all[i].id == id) return list.status_at(i);
            return std::string("?");
        };
        SCOPED_TRACE(newest_first);
        EXPECT_TRUE(list.set_status(7, "b", "在线"));
        EXPECT_FALSE(list.set_status(7, "b", "在线"));    // nothing new: no row to draw
        EXPECT_FALSE(list.set_status(9, "old", "在线"));  // an ID the customer no longer has
        EXPECT_FALSE(list.set_status(5, "b", "在线"));    // no such customer in this load
        EXPECT_TRUE(list.set_status(4, "c", "忙碌"));
        EXPECT_EQ(at(9) + "|" + at(7) + "|" + at(4), "|在线|忙碌");
        EXPECT_TRUE(list.set_status(7, "b", ""));
        EXPECT_EQ(at(7), "");
        // A new load shows nothing of the last until it is learnt again.
        list.clear_statuses();
        list.order = std::make_shared<app::ListOrder>(rows, nullptr);
        EXPECT_EQ(at(4), "");
    }
}

}  // namespace
