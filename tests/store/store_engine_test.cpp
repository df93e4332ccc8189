// What both engines promise alike: values kept as the file keeps them, a text too long for
// its column refused with nothing stored, transactions all or nothing, and a change stamp
// that moves with every change and only then.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "store/customer_actions.h"
#include "store/provision.h"
#include "store/sources.h"
#include "tests/store/support/pg_test_server.h"

namespace {

namespace fs = std::filesystem;

class StoreEngine : public ::testing::TestWithParam<bool> {
  protected:
    void SetUp() override {
        dir_ = ::testing::TempDir() + "/engine_" + std::to_string(::getpid());
        fs::create_directories(dir_);
        where_ = {dir_ + "/yrkb_com.db", store::kDatabasePassword};
        jet::OsFileSystem os;
        store::provision_store(os, where_.path);
        if (GetParam()) {
            auto& server = testing_support::PgServer::shared();
            where_.odbc = server.connection_string(server.fresh_database("engine"));
        }
    }
    void TearDown() override { fs::remove_all(dir_); }

    int customers() {
        auto open = store::load_customers(c_, rs_, where_, false);
        auto closed = store::load_customers(c_, rs_, where_, true);
        EXPECT_TRUE(open && closed) << c_.last_error();
        return open && closed ? static_cast<int>(open->size() + closed->size()) : -1;
    }

    // Adds a customer inside whatever transaction the connection has open.
    bool add(const std::string& wang, const std::string& note = "") {
        rs_.set_filter("");
        if (!rs_.attach(c_) || !rs_.open_rows("yrkb_com where id=0", store::kTableMode))
            return false;
        return rs_.add_row() && rs_.write_text("wang", wang) && rs_.write_text("wang2", "店主") &&
               rs_.write_text("bs", note) && rs_.update_row();
    }

    std::string dir_;
    store::StoreLocation where_;
    store::StoreConnection c_;
    store::RowSet rs_;
};

std::string engine_name(const ::testing::TestParamInfo<bool>& on_server) {
    return on_server.param ? "server" : "jet";
}

TEST_P(StoreEngine, ValuesComeBackAsTheFileKeepsThem) {
    // Line ends, a long note, surrogate pairs, the calendar's first and last second, a day
    // before day zero.
    std::string note;
    while (note.size() < 300000)
        note += "跟踪记录 follow-up\r\nline 'two'\n\t";
    std::string widest;  // 25 characters beyond the basic plane: 50 UTF-16 units
    for (int i = 0; i < 25; ++i)
        widest += "𝄞";
    const double first_day = -657434.0;                        // 0100-01-01
    const double last_second = 2958465.0 + 86399.0 / 86400.0;  // 9999-12-31 23:59:59
    std::int32_t id = 0;
    ASSERT_EQ(store::save_new_customer(c_, rs_, where_,
                                       {widest, "店主", first_day, last_second, note}, &id),
              store::SaveOutcome::saved)
        << c_.last_error();
    ASSERT_TRUE(store::register_deal(c_, rs_, where_, id, -1.5));
    ASSERT_TRUE(store::write_setting(c_, rs_, where_, store::kOurIdsRow, "店主\r\n店主二\r\n\r\n"));
    auto closed = store::load_customers(c_, rs_, where_, true);
    ASSERT_TRUE(closed && closed->size() == 1);
    EXPECT_EQ((*closed)[0],
              (store::CustomerRow{id, widest, "店主", first_day, last_second, -1.5, note}));
    EXPECT_EQ(store::read_setting(c_, rs_, where_, store::kOurIdsRow), "店主\r\n店主二\r\n\r\n");
    EXPECT_EQ(store::read_setting(c_, rs_, where_, 2), "");  // null reads as empty

    // One unit more than the column holds: refused, nothing stored, the store still usable.
    EXPECT_EQ(store::save_new_customer(c_, rs_, where_, {widest + "a", "店主", 46000, 46000, ""}),
              store::SaveOutcome::not_stored);
    EXPECT_EQ(
        store::save_edited_customer(c_, rs_, where_, id, {"x", std::string(51, 'y'), 1, 1, ""}),
        store::SaveOutcome::not_stored);
    EXPECT_EQ(customers(), 1);
    auto again = store::load_customers(c_, rs_, where_, true);
    ASSERT_TRUE(again && again->size() == 1);
    EXPECT_EQ((*again)[0].buyer, widest);
    EXPECT_EQ(store::save_new_customer(c_, rs_, where_, {"next", "店主", 46000, 46000, ""}),
              store::SaveOutcome::saved);
}

TEST_P(StoreEngine, ATransactionStoresAllOfItsChangesOrNone) {
    ASSERT_TRUE(c_.open_store(where_));
    // Rolled back: nothing.
    ASSERT_TRUE(c_.begin_transaction());
    EXPECT_FALSE(c_.begin_transaction());  // one at a time
    ASSERT_TRUE(add("a"));
    ASSERT_TRUE(add("b"));
    c_.rollback_transaction();
    EXPECT_FALSE(c_.in_transaction());
    rs_.close_rows();
    c_.close_store();
    EXPECT_EQ(customers(), 0);

    // Committed: both, and a delete with them.
    ASSERT_TRUE(c_.open_store(where_));
    ASSERT_TRUE(c_.begin_transaction());
    ASSERT_TRUE(add("a"));
    ASSERT_TRUE(add("b"));
    ASSERT_TRUE(add("c"));
    ASSERT_TRUE(c_.execute_sql("delete * from yrkb_com where wang='B'"));
    EXPECT_EQ(c_.rows_affected(), 1u);
    ASSERT_TRUE(c_.commit_transaction()) << c_.last_error();
    EXPECT_FALSE(c_.commit_transaction());  // nothing open
    rs_.close_rows();
    c_.close_store();
    EXPECT_EQ(customers(), 2);

    // One change fails: commit refuses, and none of the others is stored.
    ASSERT_TRUE(c_.open_store(where_));
    ASSERT_TRUE(c_.begin_transaction());
    ASSERT_TRUE(add("d"));
    EXPECT_FALSE(add(std::string(51, 'e')));
    EXPECT_FALSE(c_.commit_transaction());
    rs_.close_rows();
    c_.close_store();
    EXPECT_EQ(customers(), 2);

    // Closing the store with a transaction open drops it.
    ASSERT_TRUE(c_.open_store(where_));
    ASSERT_TRUE(c_.begin_transaction());
    ASSERT_TRUE(add("f"));
    ASSERT_TRUE(c_.execute_sql("delete * from yrkb_com where wang='a'"));
    rs_.close_rows();
    c_.close_store();
    EXPECT_EQ(customers(), 2);

    // And the store takes the next change as usual.
    EXPECT_EQ(store::save_new_customer(c_, rs_, where_, {"g", "店主", 46000, 46000, ""}),
              store::SaveOutcome::saved);
    EXPECT_EQ(customers(), 3);
    // The room a long read reserves: the file keeps its count through adds and deletes.
    ASSERT_TRUE(c_.open_store(where_));
    const auto about = c_.engine()->rows_about("yrkb_com");
    if (GetParam()) {
        EXPECT_FALSE(about);
    } else {
        EXPECT_EQ(about, std::optional<std::size_t>{3});
    }
    EXPECT_FALSE(c_.engine()->rows_about("no_such_table"));
    c_.close_store();
}

TEST_P(StoreEngine, TheChangeStampMovesWithEveryChangeAndOnlyThen) {
    store::StoreConnection watcher;
    auto stamp = [&] {
        EXPECT_TRUE(watcher.open_store(where_)) << watcher.last_error();
        auto s = watcher.change_stamp();
        EXPECT_TRUE(s.has_value()) << watcher.last_error();
        watcher.close_store();
        return s.value_or(0);
    };
    // The file's time of change ticks coarsely: changes a few milliseconds apart.
    auto pause = [] { std::this_thread::sleep_for(std::chrono::milliseconds(30)); };
    std::uint64_t last = stamp();
    std::int32_t id = 0;
    const std::vector<std::pair<const char*, std::function<bool()>>> steps = {
        {"save",
         [&] {
             return store::save_new_customer(c_, rs_, where_, {"a", "b", 1, 1, ""}, &id) ==
                    store::SaveOutcome::saved;
         }},
        {"edit",
         [&] {
             return store::save_edited_customer(c_, rs_, where_, id, {"a", "b", 1, 2, "n"}) ==
                    store::SaveOutcome::saved;
         }},
        {"deal", [&] { return store::register_deal(c_, rs_, where_, id, 3); }},
        {"reopen", [&] { return store::reopen_customer(c_, rs_, where_, id); }},
        {"our IDs", [&] { return store::write_setting(c_, rs_, where_, 1, "b"); }},
        {"delete", [&] { return store::delete_customer(c_, where_, id); }},
    };
    for (const auto& [what, change] : steps) {
        pause();
        ASSERT_TRUE(change()) << what << ": " << c_.last_error();
        const std::uint64_t now = stamp();
        EXPECT_NE(now, last) << what;
        if (GetParam()) {
            // A server names each change: the stamp the action's own transaction left.
            EXPECT_EQ(c_.transaction_stamp(), now) << what;
        }
        last = now;
        // Reading, or a change refused, leaves it.
        pause();
        EXPECT_TRUE(store::load_customers(c_, rs_, where_, false).has_value());
        EXPECT_TRUE(store::count_customers(c_, rs_, where_, true).has_value());
        EXPECT_EQ(stamp(), last) << "after reading, " << what;
    }
    ASSERT_EQ(store::save_new_customer(c_, rs_, where_, {"x", "y", 1, 1, ""}),
              store::SaveOutcome::saved);
    pause();
    last = stamp();
    EXPECT_EQ(store::save_new_customer(c_, rs_, where_, {"X", "Y", 1, 1, ""}),
              store::SaveOutcome::duplicate);
    EXPECT_FALSE(store::register_deal(c_, rs_, where_, 999, 1));
    EXPECT_EQ(stamp(), last);
}

INSTANTIATE_TEST_SUITE_P(Engines, StoreEngine, ::testing::Values(false, true), engine_name);

}  // namespace
