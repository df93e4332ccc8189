// The query language over real files: what matches, in which order, and what is refused.
#include <gtest/gtest.h>

#include <algorithm>

#include "jet/query.h"
#include "jet/table_writer.h"
#include "tests/jet/fixture_files.h"

namespace {

using testing_support::fixture_bytes;

class Query : public ::testing::Test {
  protected:
    void SetUp() override {
        auto db = jet::Database::open(file_, "");
        ASSERT_TRUE(db.ok());
        db_ = std::move(*db);
    }
    // The first column of every selected row, as text, or the error's kind.
    std::string ids(const std::string& source) {
        auto sel = jet::select(*db_, source);
        if (!sel) return std::string("error:") + jet::errc_name(sel.error().code);
        std::string out;
        for (auto& r : sel->rows) {
            if (!out.empty()) out += ",";
            if (auto n = std::get_if<std::int64_t>(&r.values[0]))
                out += std::to_string(*n);
            else if (auto s = std::get_if<std::string>(&r.values[0]))
                out += *s;
            else
                out += "null";
        }
        return out;
    }
    jet::MemoryFile file_{fixture_bytes("no-password.mdb")};
    std::unique_ptr<jet::Database> db_;
};

TEST_F(Query, ConditionsAndCounts) {
    EXPECT_EQ(ids("Table1"), "1,2,3");
    EXPECT_EQ(ids("Table1 where ID=2"), "2");
    EXPECT_EQ(ids("Table1 where ID<>2"), "1,3");
    EXPECT_EQ(ids("Table1 where ID>1 and ID<=3"), "2,3");
    EXPECT_EQ(ids("Table1 where ID=1 or ID=3"), "1,3");
    EXPECT_EQ(ids("Table1 where (ID=1 or ID=3) and Data<>'One'"), "3");
    EXPECT_EQ(ids("Table1 where ID=1 or ID=3 and Data<>'One'"), "1,3");  // and binds tighter
    EXPECT_EQ(ids("Table1 where not (ID=2)"), "1,3");
    EXPECT_EQ(ids("Table1 where ID=-1"), "");
    EXPECT_EQ(ids("Table1 where ID=2.0"), "2");
    EXPECT_EQ(ids("TABLE1 WHERE id=3"), "3");  // names and keywords ignore letter case
    EXPECT_EQ(ids("[Table1] where [ID]=3"), "3");
    EXPECT_EQ(ids("Table1 where true"), "1,2,3");
    EXPECT_EQ(ids("Table1 where false"), "");
    EXPECT_EQ(ids("Table1 where Data=null"), "");  // a comparison with null is never true
    auto sel = jet::select(*db_, "Table1 where ID<>3");
    ASSERT_TRUE(sel.ok());
    EXPECT_EQ(sel->rows.size(), 2u);
    EXPECT_EQ(sel->table.columns.size(), 2u);  // every column comes back
}

TEST_F(Query, TextComparisonIgnoresLetterCase) {
    EXPECT_EQ(ids("Table1 where Data='two'"), "2");
    EXPECT_EQ(ids("Table1 where Data='TWO'"), "2");
    EXPECT_EQ(ids("Table1 where Data<>'tWo'"), "1,3");
    EXPECT_EQ(ids("Table1 where Data='Two '"), "");
    EXPECT_EQ(ids("Table1 where Data=\"Three\""), "3");
}

TEST_F(Query, QuotesInsideValuesCannotChangeTheStatement) {
    // The value O'Neil quoted the way the store quotes it: no row has it, nothing breaks.
    std::string value = "One' or ID<>'0";
    EXPECT_EQ(jet::quote_text(value), "'One'' or ID<>''0'");
    EXPECT_EQ(ids("Table1 where Data=" + jet::quote_text(value)), "");
    EXPECT_EQ(ids("Table1 where Data=" + jet::quote_text("One")), "1");
    EXPECT_EQ(ids("Table1 where Data='It''s'"), "");
    // Unquoted, the same text is no longer one value: refused, not run.
    EXPECT_EQ(ids("Table1 where Data='One'' or ID<>'0"), "error:bad query");
}

TEST_F(Query, OrderBy) {
    EXPECT_EQ(ids("Table1 order by ID desc"), "3,2,1");
    EXPECT_EQ(ids("Table1 where ID<>2 order by ID desc"), "3,1");
    EXPECT_EQ(ids("Table1 order by ID asc"), "1,2,3");
    EXPECT_EQ(ids("Table1 order by Data"), "1,3,2");  // One, Three, Two
    EXPECT_EQ(ids("Table1 order by Data desc"), "2,3,1");
}

TEST_F(Query, OrderByKeepsStorageOrderAmongTiesAndReversesAStoredOrder) {
    auto def = db_->table("Table1");
    ASSERT_TRUE(def.ok());
    jet::TableWriter w(*db_);
    for (const char* data : {"Two", "One", "Two"})
        ASSERT_TRUE(w.insert(*def, {jet::Value{}, std::string(data)}).ok());
    // Stored: 1 One, 2 Two, 3 Three, 4 Two, 5 One, 6 Two.
    EXPECT_EQ(ids("Table1 order by Data"), "1,5,3,2,4,6");
    EXPECT_EQ(ids("Table1 order by Data desc"), "2,4,6,3,1,5");
    EXPECT_EQ(ids("Table1 order by ID desc"), "6,5,4,3,2,1");
    EXPECT_EQ(ids("Table1 where Data<>'Three' order by ID desc"), "6,5,4,2,1");
    EXPECT_EQ(ids("Table1 order by ID"), "1,2,3,4,5,6");
}

TEST_F(Query, ScanningColumnsHandsTheAskedValuesOfTheSelectedRows) {
    const auto scanned = [&](const std::string& source, std::vector<std::string> columns) {
        std::string out;
        auto done = jet::scan_columns(*db_, source, columns, [&](std::vector<jet::Value>& v) {
            for (const jet::Value& x : v) {
                if (auto n = std::get_if<std::int64_t>(&x)) out += std::to_string(*n);
                if (auto t = std::get_if<std::string>(&x)) out += *t;
                out += jet::is_null(x) ? "null;" : ";";
            }
            out += "|";
        });
        return done ? out : std::string("error:") + jet::errc_name(done.error().code);
    };
    EXPECT_EQ(scanned("Table1", {"Data", "ID"}), "One;1;|Two;2;|Three;3;|");
    EXPECT_EQ(scanned("Table1 where Data<>'two'", {"data"}), "One;|Three;|");
    EXPECT_EQ(scanned("Table1 where ID=2", {}), "|");
    EXPECT_EQ(scanned("Table1", {"Nope"}), "error:bad query");
    EXPECT_EQ(scanned("Table1 order by ID", {"ID"}), "error:bad query");
    EXPECT_EQ(scanned("Nope", {"ID"}), "error:not found");
}

// A scan of columns hands values, so the pages it read for them need not stay: a whole table
// read holds one of its pages at a time. Pages held before it stay held.
TEST_F(Query, ScanningColumnsLetsGoOfThePagesItReadAndKeepsTheOnesHeldBefore) {
    const auto held = [](jet::Database& db) {
        std::vector<std::uint32_t> pages;
        for (std::uint32_t p = 0; p < db.pager().page_count(); ++p)
            if (db.pager().cached(p)) pages.push_back(p);
        return pages;
    };
    const auto scan = [](jet::Database& db) {
        int rows = 0;
        EXPECT_TRUE(jet::scan_columns(db, "Table1 where ID>0", {"ID"},
                                      [&](std::vector<jet::Value>&) { ++rows; }));
        return rows;
    };
    jet::MemoryFile other_file{fixture_bytes("no-password.mdb")};
    auto other = jet::Database::open(other_file, "");
    ASSERT_TRUE(other.ok());
    EXPECT_EQ(scan(**other), 3);
    const auto after_pass = held(**other);
    ASSERT_TRUE(jet::select(*db_, "Table1").ok());
    const auto after_keep = held(*db_);
    EXPECT_TRUE(
        std::includes(after_keep.begin(), after_keep.end(), after_pass.begin(), after_pass.end()));
    EXPECT_GT(after_keep.size(), after_pass.size());  // the rows' page
    EXPECT_EQ(scan(*db_), 3);
    EXPECT_EQ(held(*db_), after_keep);
}

TEST_F(Query, RefusalsAreErrors) {
    EXPECT_EQ(ids("Nope"), "error:not found");
    EXPECT_EQ(ids("Table1 where"), "error:bad query");
    EXPECT_EQ(ids("Table1 where ID="), "error:bad query");  // an empty id pasted in
    EXPECT_EQ(ids("Table1 where Nope=1"), "error:bad query");
    EXPECT_EQ(ids("Table1 where ID=1 order by Nope"), "error:bad query");
    EXPECT_EQ(ids("Table1 where Data='open"), "error:bad query");
    EXPECT_EQ(ids("Table1 where ID=1 junk"), "error:bad query");
    EXPECT_EQ(ids("Table1 where (ID=1"), "error:bad query");
    EXPECT_EQ(ids("Table1 where ID='x'"), "error:type mismatch");
    EXPECT_EQ(ids(""), "error:bad query");
    EXPECT_EQ(ids("Table1 where ID=1; drop"), "error:bad query");
}

TEST(QueryParse, DeleteStatements) {
    auto d = jet::parse_delete("delete * from yrkb_com where id=5");
    ASSERT_TRUE(d.ok());
    EXPECT_EQ(d->table, "yrkb_com");
    ASSERT_NE(d->where, nullptr);
    EXPECT_TRUE(jet::parse_delete("DELETE FROM t WHERE a=1 and b='x'").ok());
    EXPECT_FALSE(jet::parse_delete("delete * from yrkb_com").ok());  // never everything by accident
    EXPECT_FALSE(jet::parse_delete("delete * from yrkb_com where id=").ok());
    EXPECT_FALSE(jet::parse_delete("select * from t where a=1").ok());
}

TEST(QueryParse, BooleanColumns) {
    // yes/no columns compare with true/false and with the engine's numbers for them.
    jet::TableDef t;
    t.columns.resize(2);
    t.columns[0].name = "yn";
    t.columns[0].type = jet::ColumnType::boolean;
    t.columns[1].name = "wang";
    std::vector<jet::Value> open_row = {jet::Value(false), jet::Value(std::string("Abc"))};
    std::vector<jet::Value> closed_row = {jet::Value(true), jet::Value(std::string("abc"))};
    auto check = [&](const char* cond, bool open_want, bool closed_want) {
        auto q = jet::parse_query(std::string("t where ") + cond);
        ASSERT_TRUE(q.ok()) << cond;
        auto a = jet::matches(*q->where, t, open_row);
        auto b = jet::matches(*q->where, t, closed_row);
        ASSERT_TRUE(a.ok() && b.ok()) << cond;
        EXPECT_EQ(*a, open_want) << cond;
        EXPECT_EQ(*b, closed_want) << cond;
    };
    check("yn=false", true, false);
    check("yn=true", false, true);
    check("yn=-1", false, true);
    check("yn", false, true);
    check("not yn", true, false);
    check("wang='ABC' and yn=false", true, false);
    check("wang='abc' and wang='ABC'", true, true);
}

}  // namespace
