// A shop moving from its file to a server: every customer exactly (numbers, dates, notes,
// deals), our IDs and the shop's settings, in one transaction; the file backed up and left
// as it was; a server in use refused unless a merge is asked, and then only new pairs added.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "store/customer_actions.h"
#include "store/move_shop.h"
#include "store/next_steps.h"
#include "store/provision.h"
#include "store/shop_lists.h"
#include "store/sources.h"
#include "tests/store/support/pg_test_server.h"

namespace {

using store::MoveOutcome;
using store::StoreFailure;
using testing_support::PgServer;

std::string bytes_of(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class MoveShop : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = ::testing::TempDir() + "/move_shop_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::create_directories(dir_);
        file_ = {dir_ + "/yrkb_com.db", store::kDatabasePassword};
        store::provision_store(os_, file_.path);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    void add(const std::string& wang, const std::string& wang2, double t1,
             const std::string& note = "") {
        ASSERT_EQ(store::save_new_customer(c_, rs_, file_, {wang, wang2, t1, t1 + 1.5, note}),
                  store::SaveOutcome::saved);
    }
    store::MoveReport move(const store::StoreLocation& to, bool merge = false) {
        store::MoveRequest request{file_, to, merge, {}, {2026, 12, 9}};
        // The shop's settings as the program passes them on: the file's row noted after
        // the server's, so that the test sees both arrived.
        request.shop_settings = [](const std::string& server, const std::string& file,
                                   bool merging) {
            return server + "|" + file + (merging ? "|merged" : "");
        };
        return store::move_shop(os_, request);
    }
    std::vector<store::CustomerRow> customers(const store::StoreLocation& where, bool closed) {
        return store::load_customers(c_, rs_, where, closed).value();
    }
    std::string setting(const store::StoreLocation& where, std::int32_t row) {
        return store::read_setting(c_, rs_, where, row).value();
    }

    jet::OsFileSystem os_;
    std::string dir_;
    store::StoreLocation file_;
    store::StoreConnection c_;
    store::RowSet rs_;
};

store::StoreLocation on(const std::string& connection_string) {
    return {"", "", connection_string};
}

TEST_F(MoveShop, EverythingMovesExactlyAndTheFileStaysAsItWas) {
    const double second = 1.0 / 86400;
    add("O'Neil", "店主一", 45000 + 3661 * second, "第一行\r\n第二行");
    add("gone", "店主一", 45001);
    add("张三", "店主二", 45002.75 + 59 * second, std::string(3000, 'n'));
    add("ＡＢＣ", "店主二", 45003.5);
    ASSERT_TRUE(store::delete_customer(c_, file_, 2));
    ASSERT_TRUE(store::register_deal(c_, rs_, file_, 3, 45100 + 7 * second));
    ASSERT_TRUE(store::write_setting(c_, rs_, file_, store::kOurIdsRow, "店主一\r\n店主二"));
    ASSERT_TRUE(store::write_setting(c_, rs_, file_, store::kProgramRow, "cadence=5\r\n"));
    // What the program keeps beside the customers: next dates and follow-up logs.
    for (const auto& [id, said] : {std::pair{1, "问价"}, {1, "再问"}, {4, "要发票"}})
        ASSERT_TRUE(store::record_follow_up(c_, rs_, file_, id, {45010.5, said, "", 45020.0 + id}));
    const std::string before = bytes_of(file_.path);

    PgServer& pg = PgServer::shared();
    const std::string db = pg.fresh_database("move");
    const auto server = on(pg.connection_string(db));
    const auto report = move(server);
    ASSERT_EQ(report.outcome, MoveOutcome::moved) << report.detail;
    EXPECT_EQ(report.moved, 3);
    for (bool closed : {false, true})
        EXPECT_EQ(customers(server, closed), customers(file_, closed)) << closed;
    EXPECT_EQ(customers(server, true).at(0).id, 3);
    EXPECT_EQ(customers(server, false).back().next_follow_up, 45021.0);
    for (int id : {1, 3, 4})
        EXPECT_EQ(store::read_follow_up_log(c_, rs_, server, id),
                  store::read_follow_up_log(c_, rs_, file_, id))
            << id;
    EXPECT_EQ(pg.admin_sql(db, "SELECT id, yn, time3 IS NULL FROM yrkb_com ORDER BY id"),
              "1|f|t\n3|t|f\n4|f|t\n");
    EXPECT_EQ(setting(server, store::kOurIdsRow), "店主一\r\n店主二");
    EXPECT_EQ(setting(server, store::kProgramRow), "|cadence=5\r\n");
    // The file is as it was, and a copy of it lies in 备份.
    EXPECT_EQ(bytes_of(file_.path), before);
    EXPECT_EQ(bytes_of(report.backup_path), before);
    EXPECT_EQ(std::filesystem::path(report.backup_path).parent_path().filename(), "备份");
    std::int32_t id = 0;
    ASSERT_EQ(store::save_new_customer(c_, rs_, server, {"新", "店主一", 45200, 45200, ""}, &id),
              store::SaveOutcome::saved);
    EXPECT_EQ(id, 5);

    // A server in use is refused as it is, and merged only when asked.
    const auto refused = move(server);
    EXPECT_EQ(refused.outcome, MoveOutcome::server_not_empty);
    EXPECT_EQ(refused.server_customers, 4);
    EXPECT_EQ(customers(server, false).size(), 3u);
    ASSERT_EQ(store::save_new_customer(c_, rs_, server, {"Mixed", "店主一", 45250, 45250, ""}),
              store::SaveOutcome::saved);
    add("MIXED", "店主一", 45300);  // the server's Mixed: the same buyer, letter case aside
    add("late", "店主三", 45301);
    ASSERT_TRUE(store::record_follow_up(c_, rs_, file_, 6, {45302, "新来的", "", 45303}));
    ASSERT_TRUE(store::record_follow_up(c_, rs_, file_, 5, {45302, "留在本机", "", 0}));
    ASSERT_TRUE(store::write_setting(c_, rs_, server, store::kOurIdsRow, "店主一\r\nSERVER"));
    // Tags: the server's 老客户 is the file's too, its 意向高 stays its own, the file's 要发票
    // joins it; the customer keeps the tags by name.
    ASSERT_TRUE(store::save_tags(c_, rs_, server, {{0, "意向高"}, {0, "老客户"}}));
    ASSERT_TRUE(store::save_tags(c_, rs_, file_, {{0, "要发票"}, {0, "老客户"}}));
    const auto file_tags = *store::read_shop_list(c_, rs_, file_, store::ListKind::tag);
    ASSERT_TRUE(store::set_customer_tags(c_, rs_, file_, 6, {file_tags[0].id, file_tags[1].id}));
    const auto merged = move(server, true);
    ASSERT_EQ(merged.outcome, MoveOutcome::moved) << merged.detail;
    EXPECT_EQ(merged.moved, 1);
    EXPECT_EQ(merged.already_there, 4);
    const auto open = customers(server, false);
    ASSERT_EQ(open.size(), 5u);
    EXPECT_EQ(open[0].buyer, "late");
    EXPECT_EQ(open[0].id, 7);  // the server's next number, not the file's
    // Its log and next date follow it to its new number; the pair left out brings nothing.
    EXPECT_EQ(open[0].next_follow_up, 45303.0);
    EXPECT_EQ(open[0].tags, "#老客户 #要发票");
    std::vector<std::string> names;
    const auto server_tags = store::read_shop_list(c_, rs_, server, store::ListKind::tag);
    for (const auto& e : *server_tags)
        names.push_back(e.name);
    EXPECT_EQ(names, (std::vector<std::string>{"意向高", "老客户", "要发票"}));
    EXPECT_EQ(store::read_follow_up_log(c_, rs_, server, 7)->at(0).said, "新来的");
    EXPECT_EQ(pg.admin_sql(db, "SELECT customer, said FROM lq_log ORDER BY id"),
              "1|问价\n1|再问\n4|要发票\n7|新来的\n");
    EXPECT_EQ(setting(server, store::kOurIdsRow), "店主一\r\nSERVER\r\n店主二");
    EXPECT_EQ(setting(server, store::kProgramRow), "|cadence=5\r\n|cadence=5\r\n|merged");
}

// Whatever stops the move leaves the server as it was and says why.
TEST_F(MoveShop, AMoveThatCannotFinishLeavesNothingBehind) {
    add("a", "店主一", 45000);
    add("bad", "店主一", 45001);
    add("c", "店主一", 45002);
    PgServer& pg = PgServer::shared();
    const std::string db = pg.fresh_database("halfway");
    ASSERT_TRUE(
        store::write_setting(c_, rs_, on(pg.connection_string(db)), store::kOurIdsRow, "before"));
    // The server refuses the second customer, after the first went in.
    pg.admin_sql(db,
                 "CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                 "IF NEW.buyer = 'bad' THEN RAISE EXCEPTION 'refused'; END IF; RETURN NEW; END $$;"
                 "CREATE TRIGGER refuse BEFORE INSERT ON yrkb_com FOR EACH ROW "
                 "EXECUTE FUNCTION refuse();");
    const auto halfway = move(on(pg.connection_string(db)));
    EXPECT_EQ(halfway.outcome, MoveOutcome::not_stored);
    EXPECT_EQ(halfway.moved, 0);
    EXPECT_EQ(pg.admin_sql(db, "SELECT count(*) FROM yrkb_com"), "0\n");
    EXPECT_EQ(pg.admin_sql(db, "SELECT ww FROM vantel_ww WHERE id = 1"), "before\n");

    const std::string foreign = pg.fresh_database("other");
    pg.admin_sql(foreign, "CREATE TABLE orders (id integer PRIMARY KEY); GRANT ALL ON orders TO " +
                              pg.shop_user());
    const struct {
        std::string server;
        StoreFailure why;
    } unusable[] = {
        {pg.connection_string(foreign), StoreFailure::foreign_schema},
        {pg.connection_string(db, pg.shop_user(), "wrong", pg.port()), StoreFailure::refused},
        {pg.connection_string(db, pg.shop_user(), pg.shop_password(), 1),
         StoreFailure::unreachable},
    };
    for (const auto& u : unusable) {
        const auto report = move(on(u.server));
        EXPECT_EQ(report.outcome, MoveOutcome::server_unusable) << u.server;
        EXPECT_EQ(report.failure, u.why) << store::failure_name(report.failure);
    }
    EXPECT_EQ(pg.admin_sql(foreign, "SELECT count(*) FROM orders"), "0\n");
    // No file: nothing to copy first, nothing tried.
    std::filesystem::remove(file_.path);
    EXPECT_EQ(move(on(pg.connection_string(db))).outcome, MoveOutcome::backup_failed);
}

}  // namespace
