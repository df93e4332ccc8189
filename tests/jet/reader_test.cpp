// Reading files the real engine wrote: every fixture, row for row.
#include <gtest/gtest.h>

#include "jet/database.h"
#include "jet/query.h"
#include "jet/row_codec.h"
#include "tests/jet/fixture_files.h"

namespace {

using testing_support::fixture_bytes;

struct Opened {
    jet::MemoryFile file;
    std::unique_ptr<jet::Database> db;
};

std::unique_ptr<Opened> open_fixture(const std::string& name, const std::string& password = "") {
    auto o = std::make_unique<Opened>();
    o->file = jet::MemoryFile(fixture_bytes(name));
    auto db = jet::Database::open(o->file, password);
    EXPECT_TRUE(db.ok()) << name << ": " << (db.ok() ? "" : db.error().message);
    if (db.ok()) o->db = std::move(*db);
    return o;
}

std::vector<std::vector<jet::Value>> rows_of(jet::Database& db, const std::string& table) {
    auto def = db.table(table);
    EXPECT_TRUE(def.ok());
    if (!def.ok()) return {};
    auto records = db.scan(*def);
    EXPECT_TRUE(records.ok()) << (records.ok() ? "" : records.error().message);
    std::vector<std::vector<jet::Value>> out;
    if (records.ok())
        for (auto& r : *records)
            out.push_back(r.values);
    return out;
}

jet::Value text(const char* s) {
    return jet::Value(std::string(s));
}
jet::Value num(std::int64_t n) {
    return jet::Value(n);
}
const jet::Value null{};

TEST(Reader, HeaderOfRealFiles) {
    auto o = open_fixture("no-password.mdb");
    ASSERT_TRUE(o->db);
    EXPECT_EQ(o->db->header().version, 1);
    EXPECT_EQ(o->db->header().database_key, 0u);
    EXPECT_TRUE(o->db->header().password.empty());
    EXPECT_GT(o->db->header().creation_date, 36000.0);  // made after 1998
}

TEST(Reader, CatalogListsUserTablesOnly) {
    auto o = open_fixture("deleted-rows.mdb");
    ASSERT_TRUE(o->db);
    auto user = o->db->tables();
    ASSERT_TRUE(user.ok());
    ASSERT_EQ(user->size(), 1u);
    EXPECT_EQ((*user)[0].name, "Table");
    auto all = o->db->tables(true);
    ASSERT_TRUE(all.ok());
    std::vector<std::string> names;
    for (auto& e : *all)
        names.push_back(e.name);
    for (auto sys :
         {"MSysObjects", "MSysACEs", "MSysQueries", "MSysRelationships", "MSysAccessObjects"})
        EXPECT_NE(std::find(names.begin(), names.end(), sys), names.end()) << sys;

    auto empty = open_fixture("empty.mdb");
    ASSERT_TRUE(empty->db);
    auto none = empty->db->tables();
    ASSERT_TRUE(none.ok());
    EXPECT_TRUE(none->empty());
}

TEST(Reader, TableDefinitionColumnsAndIndexes) {
    auto o = open_fixture("no-password.mdb");
    ASSERT_TRUE(o->db);
    auto def = o->db->table("table1");  // letter case ignored
    ASSERT_TRUE(def.ok());
    ASSERT_EQ(def->columns.size(), 2u);
    EXPECT_EQ(def->columns[0].name, "ID");
    EXPECT_EQ(def->columns[0].type, jet::ColumnType::long_integer);
    EXPECT_TRUE(def->columns[0].is_fixed());
    EXPECT_TRUE(def->columns[0].is_autonumber());
    EXPECT_EQ(def->columns[1].name, "Data");
    EXPECT_EQ(def->columns[1].type, jet::ColumnType::text);
    EXPECT_EQ(def->columns[1].length, 510);  // 255 characters of UTF-16
    EXPECT_TRUE(def->columns[1].compressed_unicode());
    EXPECT_EQ(def->row_count, 3u);
    EXPECT_EQ(def->next_autonumber, 3u);
    ASSERT_EQ(def->indexes.size(), 1u);
    EXPECT_EQ(def->indexes[0].name, "PrimaryKey");
    EXPECT_EQ(def->indexes[0].type, 1);
    ASSERT_EQ(def->real_indexes.size(), 1u);
    ASSERT_EQ(def->real_indexes[0].columns.size(), 1u);
    EXPECT_EQ(def->real_indexes[0].columns[0].column_number, 0);
}

TEST(Reader, RowsOfEveryFixture) {
    {
        auto o = open_fixture("no-password.mdb");
        ASSERT_TRUE(o->db);
        auto rows = rows_of(*o->db, "Table1");
        std::vector<std::vector<jet::Value>> want = {
            {num(1), text("One")}, {num(2), text("Two")}, {num(3), text("Three")}};
        EXPECT_EQ(rows, want);
    }
    {
        // Deleted rows stay on the page but are not rows any more.
        auto o = open_fixture("deleted-rows.mdb");
        ASSERT_TRUE(o->db);
        std::vector<std::vector<jet::Value>> want = {{text("z"), text("y")},
                                                     {text("v"), text("u")}};
        EXPECT_EQ(rows_of(*o->db, "Table"), want);
    }
    {
        auto o = open_fixture("numeric.mdb");
        ASSERT_TRUE(o->db);
        auto rows = rows_of(*o->db, "test");
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0][0], text("some data"));  // a memo stored inline
        const char* want[] = {"1", "0", "0", "4", "-1", "1"};
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(rows[0][static_cast<std::size_t>(i + 1)], jet::Value(jet::Decimal{want[i]}))
                << i;
    }
    {
        auto o = open_fixture("fixed-text.mdb");
        ASSERT_TRUE(o->db);
        auto rows = rows_of(*o->db, "users");
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(rows[1][0], num(2));
        EXPECT_EQ(rows[1][1], text("admin"));
        EXPECT_EQ(rows[1][2], text("X03MO1qnZdYdgyfeuILPmQ=="));
        EXPECT_EQ(rows[1][6], num(81928));
        EXPECT_EQ(rows[1][7], num(120));
        EXPECT_EQ(rows[0][2], text(" "));
        EXPECT_EQ(rows[0][7], num(-1));
        auto* stamp = std::get_if<jet::DateTime>(&rows[0][9]);
        ASSERT_NE(stamp, nullptr);
        // 2009-11-05 23:41:28
        EXPECT_NEAR(stamp->days, 40122 + (23 * 3600 + 41 * 60 + 28) / 86400.0, 1e-6);
    }
    {
        // Moved rows are read through the pointer at their first home: each row once.
        auto o = open_fixture("overflow-rows.mdb");
        ASSERT_TRUE(o->db);
        auto rows = rows_of(*o->db, "Table1");
        ASSERT_EQ(rows.size(), 7u);
        std::vector<jet::Value> firsts;
        for (auto& r : rows)
            firsts.push_back(r[0]);
        std::vector<jet::Value> want = {
            text("row1col1"), text("row2col1"), null, text("row4col1"), null, null,
            text("row7col1")};
        EXPECT_EQ(firsts, want);
        EXPECT_EQ(rows[2][1], text("row3col3"));
        EXPECT_EQ(rows[2][7], text("row3col9"));
        EXPECT_EQ(rows[4][1], text("row5col2"));
        EXPECT_EQ(rows[6][5], text("row7col7"));
    }
}

TEST(Reader, RecordsKnowWhereTheyLive) {
    auto o = open_fixture("no-password.mdb");
    ASSERT_TRUE(o->db);
    auto def = o->db->table("Table1");
    ASSERT_TRUE(def.ok());
    auto records = o->db->scan(*def);
    ASSERT_TRUE(records.ok());
    for (auto& r : *records) {
        auto page = o->db->pager().page(r.where.page);
        ASSERT_TRUE(page.ok());
        EXPECT_EQ((*page)[0], 1);  // a data page
        EXPECT_EQ(jet::load_u32(page->data() + 4), def->page);
    }
}

}  // namespace

namespace {

TEST(Reader, ScaledNumbers) {
    EXPECT_EQ(jet::decode_money(123456).text, "12.3456");
    EXPECT_EQ(jet::decode_money(-5).text, "-0.0005");
    EXPECT_EQ(jet::decode_money(0).text, "0.0000");
    std::vector<std::uint8_t> n(17, 0);
    n[13] = 0x39;  // 12345 in the low word, which is stored last
    n[14] = 0x30;
    EXPECT_EQ(jet::decode_numeric(n, 0).text, "12345");
    EXPECT_EQ(jet::decode_numeric(n, 2).text, "123.45");
    EXPECT_EQ(jet::decode_numeric(n, 7).text, "0.0012345");
    n[0] = 0x80;
    EXPECT_EQ(jet::decode_numeric(n, 2).text, "-123.45");
    std::vector<std::uint8_t> zero(17, 0);
    zero[0] = 0x80;
    EXPECT_EQ(jet::decode_numeric(zero, 0).text, "0");
    EXPECT_EQ(jet::decode_numeric(zero, 2).text, "0.00");
    n[0] = 0;
    n[1] = 0x01;  // the high word, stored first: 2^96 more
    EXPECT_EQ(jet::decode_numeric(n, 0).text, "79228162514264337593543962681");
}

}  // namespace
