// The record access layer over real files on disk: opening, reading with its conversions,
// adding and editing rows, deleting, and what a failure leaves behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "jet/query.h"
#include "store/row_set.h"
#include "tests/jet/fixture_files.h"

namespace {

namespace fs = std::filesystem;

class Store : public ::testing::Test {
  protected:
    std::string copy_of(const std::string& fixture) {
        std::string path = dir_ + "/" + fixture;
        fs::copy_file(testing_support::fixture_path(fixture), path,
                      fs::copy_options::overwrite_existing);
        fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
        return path;
    }
    void SetUp() override {
        dir_ = ::testing::TempDir() + "/store_test_" + std::to_string(::getpid());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string dir_;
};

TEST_F(Store, OpeningAndTheConnectionText) {
    store::StoreConnection c;
    std::string path = copy_of("no-password.mdb");
    EXPECT_TRUE(c.open_store(path, "Kx7-pq2-Lm9w"));
    EXPECT_EQ(c.connection_text(), "Provider=Microsoft.Jet.OLEDB.4.0; Data Source=" + path +
                                       ";Jet OLEDB:Database Password=Kx7-pq2-Lm9w;");
    EXPECT_TRUE(c.open_store(path, ""));  // an open connection is closed first
    EXPECT_EQ(c.connection_text(), "Provider=Microsoft.Jet.OLEDB.4.0; Data Source=" + path);
    c.close_store();
    EXPECT_FALSE(c.is_open());
    EXPECT_FALSE(c.open_store(dir_ + "/missing.db", "x"));
    EXPECT_FALSE(c.open_store(dir_, "x"));  // a directory of that name
    EXPECT_FALSE(c.open_store(copy_of("with-password.mdb"), "Kx7-pq2-Lm9w"));
    EXPECT_TRUE(c.open_store(copy_of("with-password.mdb"), "password"));
}

TEST_F(Store, ReadingWithItsConversions) {
    store::StoreConnection c;
    ASSERT_TRUE(c.open_store(copy_of("fixed-text.mdb"), ""));
    store::RowSet rs;
    rs.set_filter("");
    ASSERT_TRUE(rs.attach(c));
    ASSERT_TRUE(rs.open_rows("users where i_user_id=2", store::kTableMode));
    EXPECT_EQ(rs.table_text(), "users where i_user_id=2");
    EXPECT_EQ(rs.row_count(), 1);
    EXPECT_EQ(rs.read_text("c_user_login"), std::make_pair(true, std::string("admin")));
    EXPECT_EQ(rs.read_text("i_user_type"), std::make_pair(true, std::string("81928")));
    EXPECT_EQ(rs.read_text("d_stamp_"), std::make_pair(true, std::string("2009-10-22 03:57:13")));
    EXPECT_EQ(rs.read_int("i_user_merch"), std::make_pair(true, std::int32_t{120}));
    EXPECT_EQ(rs.read_int("c_user_login", 77), std::make_pair(false, std::int32_t{77}));
    auto when = rs.read_datetime("d_stamp_");
    EXPECT_TRUE(when.first);
    EXPECT_NEAR(when.second, 40108.164733796, 1e-6);
    EXPECT_EQ(rs.read_datetime("c_user_login"), std::make_pair(true, 0.0));  // no date: zero
    EXPECT_FALSE(rs.read_text("nope").first);
    EXPECT_FALSE(rs.move_next());  // past the last row
    EXPECT_EQ(rs.read_text("c_user_login"), std::make_pair(false, std::string()));
    EXPECT_EQ(rs.read_datetime("d_stamp_"), std::make_pair(false, 0.0));

    // A second open closes the first; a bad source fails and reads then fail too.
    ASSERT_TRUE(rs.open_rows("users order by i_user_id desc", store::kTableMode));
    EXPECT_EQ(rs.row_count(), 2);
    EXPECT_EQ(rs.read_int("i_user_id").second, 2);
    EXPECT_TRUE(rs.move_next());
    EXPECT_EQ(rs.read_int("i_user_id").second, 1);
    EXPECT_FALSE(rs.open_rows("users where c_user_login='it's'", store::kTableMode));
    EXPECT_EQ(rs.row_count(), 0);
    EXPECT_FALSE(rs.read_text("c_user_login").first);
    EXPECT_FALSE(rs.open_rows("users", store::kTableMode, 4));
    rs.close_rows();
    EXPECT_EQ(rs.table_text(), "");
}

TEST_F(Store, AddEditDeleteAsTheWindowsDo) {
    std::string path = copy_of("no-password.mdb");
    store::StoreConnection c;
    store::RowSet rs;
    // Add: the duplicate test first, then a new row with the value written.
    ASSERT_TRUE(c.open_store(path, ""));
    rs.set_filter("");
    ASSERT_TRUE(rs.attach(c));
    std::string value = "O'Neil 客户";
    ASSERT_TRUE(rs.open_rows("Table1 where Data=" + jet::quote_text(value), store::kTableMode));
    EXPECT_EQ(rs.row_count(), 0);
    ASSERT_TRUE(rs.add_row());
    ASSERT_TRUE(rs.write_text("Data", value));
    ASSERT_TRUE(rs.update_row());
    EXPECT_EQ(rs.read_int("ID"), std::make_pair(true, std::int32_t{4}));
    rs.close_rows();
    c.close_store();

    ASSERT_TRUE(c.open_store(path, ""));
    ASSERT_TRUE(rs.attach(c));
    ASSERT_TRUE(
        rs.open_rows("Table1 where Data=" + jet::quote_text("o'neil 客户"), store::kTableMode));
    EXPECT_EQ(rs.row_count(), 1);  // letter case ignored, the quote kept

    // An edit left without update_row is dropped; with it, stored.
    ASSERT_TRUE(rs.open_rows("Table1 where ID=2", store::kTableMode));
    ASSERT_TRUE(rs.write_text("Data", "never stored"));
    rs.close_rows();
    ASSERT_TRUE(rs.open_rows("Table1 where ID=2", store::kTableMode));
    EXPECT_EQ(rs.read_text("Data").second, "Two");
    ASSERT_TRUE(rs.write_text("Data", "Zwei"));
    ASSERT_TRUE(rs.update_row());
    // A value the column cannot hold is not confirmed, and the row stays as it was.
    ASSERT_TRUE(rs.write_text("Data", std::string(300, 'x')));
    EXPECT_FALSE(rs.update_row());
    rs.close_rows();

    EXPECT_TRUE(c.execute_sql("delete * from Table1 where ID=1"));
    EXPECT_FALSE(c.execute_sql("delete * from Table1 where ID="));
    EXPECT_FALSE(c.execute_sql("delete * from Table1"));
    ASSERT_TRUE(rs.open_rows("Table1 order by ID", store::kTableMode));
    ASSERT_EQ(rs.row_count(), 3);
    std::vector<std::string> seen;
    for (int i = 0; i < rs.row_count(); ++i, rs.move_next())
        seen.push_back(rs.read_text("ID").second + ":" + rs.read_text("Data").second);
    EXPECT_EQ(seen, (std::vector<std::string>{"2:Zwei", "3:Three", "4:O'Neil 客户"}));
    rs.close_rows();
    c.close_store();
}

}  // namespace
