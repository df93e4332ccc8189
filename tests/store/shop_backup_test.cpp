// Backups of a shop on a server, in the file format: read in one snapshot into a fresh copy of
// the built-in file that the real Jet readers read, and put back in one transaction that
// leaves the server as it was when any step of it fails.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "jet/file_system.h"
#include "store/backup.h"
#include "store/customer_actions.h"
#include "store/next_steps.h"
#include "store/provision.h"
#include "store/shop_backup.h"
#include "store/sources.h"
#include "tests/jet/run_command.h"
#include "tests/store/support/pg_test_server.h"
#include "tests/store/support/tcp_proxy.h"

namespace {

namespace fs = std::filesystem;
using testing_support::PgServer;
using testing_support::run_command;
using Trap = testing_support::TcpProxy::Trap;

store::StoreLocation on(const std::string& connection_string) {
    store::StoreLocation where{"", "", connection_string};
    where.exact = true;
    return where;
}

class ShopBackup : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = ::testing::TempDir() + "lq_shop_backup_" + std::to_string(::getpid());
        fs::remove_all(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    // A shop with gaps in its numbers (deleted customers), closed ones, our IDs and settings.
    void fill(const store::StoreLocation& where) {
        store::StoreConnection c;
        store::RowSet rs;
        for (int i = 0; i < 30; ++i) {
            std::int32_t id = 0;
            ASSERT_EQ(store::save_new_customer(c, rs, where,
                                               {"买家" + std::to_string(i) + "'", "店主",
                                                46000.0 + i, 46001.5 + i, "备注\r\n第二行"},
                                               &id),
                      store::SaveOutcome::saved);
            if (i % 4 == 1) {
                ASSERT_TRUE(store::record_follow_up(
                    c, rs, where, id, {46050.0 + i, "跟进" + std::to_string(i), "", 46060.0 + i}));
            }
            if (i % 7 == 3) {
                ASSERT_TRUE(store::delete_customer(c, where, id));
            } else if (i % 5 == 1) {
                ASSERT_TRUE(store::register_deal(c, rs, where, id, 46100.25));
            }
        }
        ASSERT_TRUE(store::write_setting(c, rs, where, store::kOurIdsRow, "店主\r\n客服一"));
        ASSERT_TRUE(store::write_setting(c, rs, where, store::kProgramRow, "cadence=5"));
        ASSERT_TRUE(store::write_setting(c, rs, where, store::kSkinRow, "12"));
    }

    std::string folder_;
    jet::OsFileSystem files_;
};

// The rows of a table in number order, one line each, from the server.
std::string server_rows(PgServer& pg, const std::string& db, const std::string& table) {
    return pg.admin_sql(db, "SELECT * FROM " + table + " ORDER BY id");
}

TEST_F(ShopBackup, AServerBackupHoldsEveryRowAndPutsThemBackInOneTransaction) {
    PgServer& pg = PgServer::shared();
    const std::string db = pg.fresh_database("shop_backup");
    testing_support::TcpProxy relay(pg.port());
    const store::StoreLocation where =
        on(pg.connection_string(db, pg.shop_user(), pg.shop_password(), relay.port()));
    fill(where);
    // A row another program wrote, its texts null: copied and put back as it is.
    pg.admin_sql(db, "INSERT INTO yrkb_com (wang, wang2, bs) VALUES ('别的程序', NULL, NULL)");
    const std::string customers = server_rows(pg, db, "yrkb_com");
    const std::string logs = server_rows(pg, db, "lq_log"), steps = server_rows(pg, db, "lq_buyer"),
                      bin = server_rows(pg, db, "lq_bin");
    // 8 follow-ups, one of them of a deleted customer, kept in the bin with it.
    ASSERT_EQ(std::count(logs.begin(), logs.end(), '\n'), 8);
    ASSERT_EQ(pg.admin_sql(db, "SELECT count(*) FROM lq_bin"), "4\n");  // notes span lines

    const jet::CivilDate today{2026, 12, 10};
    auto copy = store::back_up_shop(files_, where, folder_, today);
    ASSERT_TRUE(copy.ok()) << copy.failure().message;
    EXPECT_EQ(fs::path(*copy).filename().string(), "yrkb_com-2026-12-10.db");
    // The real readers find every customer with its number, and every setting.
    int status = 0;
    const std::string exported =
        run_command("mdb-export -d '|' -Q '" + *copy + "' yrkb_com", &status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(run_command("mdb-export -H '" + *copy +
                          "' yrkb_com | grep -oE '^[0-9]+,' | tr -d , | sort -n"),
              pg.admin_sql(db, "SELECT id FROM yrkb_com ORDER BY id"));
    EXPECT_NE(exported.find("5|买家4'|店主|12/13/25 00:00:00|12/14/25 12:00:00|备注"),
              std::string::npos)
        << exported;
    EXPECT_EQ(run_command("mdb-export -H '" + *copy + "' lq_log | wc -l"), "8\n");
    EXPECT_EQ(run_command("mdb-export -H '" + *copy + "' lq_bin | grep -c '店主'"), "4\n");
    const std::string our_ids = run_command("mdb-export -H '" + *copy + "' vantel_ww");
    EXPECT_NE(our_ids.find("1,\"店主\r\n客服一\""), std::string::npos) << our_ids;
    EXPECT_NE(our_ids.find("2,\"cadence=5\""), std::string::npos) << our_ids;
    EXPECT_NE(our_ids.find("3,\"12\""), std::string::npos) << our_ids;
    // It is listed as any copy is, with its counts.
    auto listed = store::list_backups(files_, folder_, store::kDatabasePassword);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(*listed[0].open_customers + *listed[0].closed_customers, 30 - 4 + 1);

    // The shop changes: customers go and come, settings change.
    ASSERT_EQ(pg.admin_sql(db,
                           "DELETE FROM yrkb_com WHERE id < 10; "
                           "INSERT INTO yrkb_com (wang, wang2) VALUES ('新来的', 'x'); "
                           "UPDATE vantel_ww SET ww = 'cadence=9' WHERE id = 2; "
                           "UPDATE vantel_ww SET ww = '别人' WHERE id = 1; "
                           "DELETE FROM lq_log WHERE customer < 10"),
              "");
    const std::string changed = server_rows(pg, db, "yrkb_com");
    const std::string changed_settings = server_rows(pg, db, "vantel_ww");
    // Each step of the restore failing in turn leaves the server as it was.
    for (const auto& [text, how] : {std::pair{"DELETE FROM yrkb_com", Trap::cut_before},
                                    {"INSERT INTO yrkb_com", Trap::refuse},
                                    {"INSERT INTO vantel_ww", Trap::cut_before},
                                    {"COMMIT", Trap::cut_before}}) {
        SCOPED_TRACE(text);
        relay.trap(text, how);
        EXPECT_FALSE(store::restore_shop(files_, where, *copy).ok());
        EXPECT_TRUE(relay.sprung());
        relay.trap("", Trap::cut_before);
        EXPECT_EQ(server_rows(pg, db, "yrkb_com"), changed);
        EXPECT_EQ(server_rows(pg, db, "vantel_ww"), changed_settings);
    }
    auto restored = store::restore_shop(files_, where, *copy);
    ASSERT_TRUE(restored.ok()) << restored.failure().message;
    EXPECT_EQ(server_rows(pg, db, "yrkb_com"), customers);
    EXPECT_EQ(server_rows(pg, db, "lq_log"), logs);
    EXPECT_EQ(server_rows(pg, db, "lq_buyer"), steps);
    EXPECT_EQ(server_rows(pg, db, "lq_bin"), bin);
    // Our IDs and the skin come back; the shop's settings row stays as the server has it.
    EXPECT_EQ(server_rows(pg, db, "vantel_ww"), "1|店主\r\n客服一\n2|cadence=9\n3|12\n");
    // New customers are numbered after the restored ones.
    store::StoreConnection c;
    store::RowSet rs;
    std::int32_t id = 0;
    ASSERT_EQ(store::save_new_customer(c, rs, where, {"后来的", "店主", 46200, 46200, ""}, &id),
              store::SaveOutcome::saved);
    EXPECT_EQ(
        id, std::stoi(pg.admin_sql(db, "SELECT max(id) FROM yrkb_com WHERE wang <> '后来的'")) + 1);
}

// A file store's backup is its bytes, and its restore the whole file, as before.
TEST_F(ShopBackup, AFileStoreIsCopiedAndPutBackWhole) {
    fs::create_directories(folder_);
    const std::string db = folder_ + "/shop.db";
    store::provision_store(files_, db);
    store::StoreLocation where{db, store::kDatabasePassword};
    where.exact = true;
    fill(where);
    auto copy = store::back_up_shop(files_, where, folder_ + "/备份", {2026, 12, 10});
    ASSERT_TRUE(copy.ok()) << copy.failure().message;
    std::ifstream a(db, std::ios::binary), b(*copy, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(a), {}),
              std::string(std::istreambuf_iterator<char>(b), {}));
    store::StoreConnection c;
    ASSERT_TRUE(store::delete_customer(c, where, 1));
    ASSERT_TRUE(store::restore_shop(files_, where, *copy).ok());
    store::RowSet rs;
    EXPECT_EQ(store::load_customers(c, rs, where, false)->size() +
                  store::load_customers(c, rs, where, true)->size(),
              26u);
}

}  // namespace
