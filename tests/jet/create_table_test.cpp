// Tables added to real files, Access's own and our built-in database: the real readers list
// them and read every row written into them, the tables already there read as before, the
// indexes hold every row, and a refusal or a rollback leaves the file byte for byte as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "jet/catalog_name_index.h"
#include "jet/create_table.h"
#include "jet/database_session.h"
#include "jet/file_system.h"
#include "jet/format.h"
#include "jet/index_page.h"
#include "jet/table_writer.h"
#include "tests/jet/fixture_files.h"
#include "tests/jet/run_command.h"
#include "tools/jetdump/check.h"
#include "tools/jetdump/csv.h"

namespace {

using T = jet::ColumnType;
using testing_support::run_command;
using Rows = std::vector<std::vector<jet::Value>>;

const jet::DateTime kMade{46400.5};  // 2027-01-13 12:00
const std::string kTemplatePassword = "Kx7-pq2-Lm9w";

std::vector<std::uint8_t> bytes_of(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A copy of a fixture, or of the built-in database, to change, gone with the test; named for
// the running test, since tests run side by side.
struct Scratch {
    std::string path;
    explicit Scratch(const std::string& name) {
        std::string from = name == "template"
                               ? std::string(LQ_SOURCE_DIR) + "/store/database_template.db"
                               : testing_support::fixture_path(name);
        path = ::testing::TempDir() + "created-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name() + "-" + name;
        std::filesystem::copy_file(from, path, std::filesystem::copy_options::overwrite_existing);
    }
    ~Scratch() { std::filesystem::remove(path); }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
};

std::unique_ptr<jet::DatabaseSession> open_session(jet::FileSystem& fs, const std::string& path,
                                                   const std::string& password) {
    auto s =
        jet::DatabaseSession::open(fs, path, password, jet::OpenMode::read_write, std::nullopt);
    EXPECT_TRUE(s.ok()) << s.error().message;
    return s.ok() ? std::move(*s) : nullptr;
}

jet::NewTable follow_ups(std::string name) {
    return {std::move(name),
            {{"id", T::long_integer, 0, true},
             {"customer", T::long_integer},
             {"said", T::text, 100},
             {"note", T::memo},
             {"due", T::datetime},
             {"done", T::boolean},
             {"score", T::double_}},
            {{"PrimaryKey", "id", true}, {"ByCustomer", "customer", false}}};
}

jet::NewTable tags(std::string name) {
    return {std::move(name),
            {{"tag", T::text, 20}, {"customer", T::long_integer}, {"weight", T::double_}},
            {}};
}

std::string long_note() {
    std::string s;
    for (int i = 0; i < 1500; ++i)
        s += "客户说下周再看看，" + std::to_string(i) + ";";
    return s;  // far past a page: a chain of long-value rows
}

// Follow-ups as written, AutoNumber left to the writer: long and short memos, Chinese text,
// dates, nulls in every column that takes one.
Rows follow_up_rows() {
    using V = jet::Value;
    return {
        {V{}, std::int64_t{7}, std::string("第一次联系：问了尺码"), long_note(),
         jet::DateTime{46401.75}, true, 3.25},
        {V{}, std::int64_t{7}, std::string("O'Neil said \"yes\", then no"),
         std::string(90, 'n') + "备注", jet::DateTime{36526.0}, false, -0.5},
        {V{}, V{}, V{}, V{}, V{}, false, V{}},
        {V{}, std::int64_t{-3}, std::string(""), std::string("短"), jet::DateTime{2.5}, true, 1e15},
        {V{}, std::int64_t{12}, std::string(100, 'x'), V{}, jet::DateTime{46401.0}, false, 0.0},
    };
}

// The catalog's index of names as its one leaf holds it (none in the built-in database),
// and the count the catalog keeps of it.
struct NameIndex {
    std::vector<std::vector<std::uint8_t>> entries;
    std::uint32_t count = 0;
};

NameIndex name_index_of(jet::Database& db) {
    NameIndex out;
    auto catalog = jet::read_table_def(db.pager(), jet::kCatalogPage);
    EXPECT_TRUE(catalog.ok());
    auto names = jet::catalog_name_index(*catalog);
    if (!names) return out;
    const auto& ri = catalog->real_indexes[*names];
    auto leaf = jet::read_stored_index_page(*db.pager().page(ri.root_page));
    EXPECT_TRUE(leaf.ok());
    EXPECT_TRUE(leaf->header.leaf);
    out.entries = leaf->entries;
    out.count = ri.row_count;
    return out;
}

// Every live row of every table in storage order, as our reader sees them, each user table
// as mdb-export prints it, and the catalog's index of names.
struct Snapshot {
    std::map<std::string, std::vector<std::vector<jet::Value>>> tables;
    std::map<std::string, std::string> exported;
    NameIndex names;
};

Snapshot snapshot(jet::Database& db, const std::string& path) {
    Snapshot s;
    auto all = db.tables(true);
    EXPECT_TRUE(all.ok());
    for (const auto& t : *all) {
        auto def = db.table(t.name);
        auto rows = db.scan(*def);
        EXPECT_TRUE(rows.ok()) << t.name;
        for (auto& r : *rows)
            s.tables[t.name].push_back(std::move(r.values));
        if (!t.system)
            s.exported[t.name] = run_command("mdb-export '" + path + "' '" + t.name + "'");
    }
    s.names = name_index_of(db);
    return s;
}

std::vector<std::string> sorted_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    while (from < text.size()) {
        std::size_t nl = text.find('\n', from);
        if (nl == std::string::npos) nl = text.size();
        lines.push_back(text.substr(from, nl - from));
        from = nl + 1;
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

// The same lines in any order; on a difference, the first lines that differ, cut short.
::testing::AssertionResult same_lines(const std::string& got, const std::string& expected) {
    auto a = sorted_lines(got), b = sorted_lines(expected);
    if (a == b) return ::testing::AssertionSuccess();
    auto [x, y] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    auto cut = [](auto it, auto end) {
        return it == end ? std::string("(none)") : it->substr(0, 160);
    };
    return ::testing::AssertionFailure()
           << a.size() << " lines, " << b.size() << " expected; first difference:\n  got      "
           << cut(x, a.end()) << "\n  expected " << cut(y, b.end());
}

// Whether `part` appears in `whole` in its order, other rows between.
bool in_order_within(const Rows& part, const Rows& whole) {
    auto at = whole.begin();
    for (const auto& row : part) {
        at = std::find(at, whole.end(), row);
        if (at == whole.end()) return false;
        ++at;
    }
    return true;
}

// What an integer index on `column` must hold: each row's key and address, in index order.
std::vector<jet::IndexEntry> expected_index(const std::vector<jet::Record>& rows,
                                            std::size_t column) {
    std::vector<jet::IndexEntry> entries;
    for (const auto& r : rows) {
        jet::IndexEntry e{std::nullopt, r.where};
        if (auto n = std::get_if<std::int64_t>(&r.values[column]))
            e.key = static_cast<std::int32_t>(*n);
        entries.push_back(e);
    }
    std::sort(entries.begin(), entries.end(), jet::index_entry_less);
    return entries;
}

struct FileCase {
    const char* file;
    std::string password;
    const char* indexed;  // the table with a primary key and an index
    const char* plain;    // the table without
};

// Each file gets both tables in one commit; rows go in, one is changed, one removed, and
// then every reader is asked.
TEST(CreateTable, NewTablesReadRightEverywhereAndOldOnesStayAsTheyWere) {
    const FileCase cases[] = {
        {"empty.mdb", "", "FollowUps", "tags"},
        {"no-password.mdb", "", "FollowUps", "Tags_2"},
        {"numeric.mdb", "", "lq_followups", "lq_tags"},
        {"deleted-rows.mdb", "", "FollowUps", "tags"},
        {"overflow-rows.mdb", "", "FollowUps", "tags"},
        {"fixed-text.mdb", "", "FollowUps", "tags"},
        {"with-password.mdb", "password", "FollowUps", "tags"},
        // The built-in database has no index of names: any name Access takes will do.
        {"template", kTemplatePassword, "跟进记录", "标签 tags"},
    };
    jet::OsFileSystem fs;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        Scratch scratch(c.file);
        const std::string& path = scratch.path;
        Snapshot before;
        Rows written = follow_up_rows();
        {
            auto session = open_session(fs, path, c.password);
            ASSERT_TRUE(session);
            jet::Database& db = session->db();
            before = snapshot(db, path);

            auto indexed = jet::create_table(db, follow_ups(c.indexed), kMade);
            ASSERT_TRUE(indexed.ok()) << indexed.error().message;
            auto plain = jet::create_table(db, tags(c.plain), kMade);
            ASSERT_TRUE(plain.ok()) << plain.error().message;
            jet::TableWriter writer(db);
            std::vector<jet::RowPointer> where;
            for (std::size_t i = 0; i < written.size(); ++i) {
                auto added = writer.insert(*indexed, written[i]);
                ASSERT_TRUE(added.ok()) << added.error().message;
                EXPECT_EQ(added->second, static_cast<std::int64_t>(i + 1));
                written[i][0] = added->second;
                where.push_back(added->first);
            }
            // The second row takes the long note, the third goes.
            written[1][3] = long_note() + "（改过）";
            written[1][1] = std::int64_t{99};
            ASSERT_TRUE(writer.update(*indexed, where[1], written[1]).ok());
            ASSERT_TRUE(writer.remove(*indexed, where[2]).ok());
            written.erase(written.begin() + 2);
            for (int i = 0; i < 3; ++i)
                ASSERT_TRUE(writer
                                .insert(*plain, {std::string("标签") + std::to_string(i),
                                                 std::int64_t{i}, 0.25 * i})
                                .ok());
            ASSERT_TRUE(session->commit().ok());
        }

        // Our own reader, from the file as committed.
        auto session = open_session(fs, path, c.password);
        ASSERT_TRUE(session);
        jet::Database& db = session->db();
        auto def = db.table(c.indexed);
        ASSERT_TRUE(def.ok()) << def.error().message;
        auto rows = db.scan(*def);
        ASSERT_TRUE(rows.ok());
        Rows read;
        std::string expected_csv = jetdump::csv_header(*def) + "\n";
        for (const auto& r : *rows) {
            read.push_back(r.values);
            expected_csv += jetdump::csv_line(*def, r.values) + "\n";
        }
        EXPECT_EQ(read, written);
        EXPECT_EQ(def->row_count, written.size());
        for (std::size_t i = 0; i < 2; ++i) {
            auto index = jet::read_integer_index(db.pager(), def->real_indexes[i].root_page);
            ASSERT_TRUE(index.ok()) << index.error().message;
            EXPECT_TRUE(*index == expected_index(*rows, i)) << "index " << i;
        }
        ASSERT_EQ(def->real_indexes.size(), 2u);
        EXPECT_EQ(def->real_indexes[0].row_count, written.size());
        auto plain_def = db.table(c.plain);
        ASSERT_TRUE(plain_def.ok());
        EXPECT_EQ(plain_def->row_count, 3u);
        auto plain_rows = db.scan(*plain_def);
        ASSERT_TRUE(plain_rows.ok());
        std::string plain_csv = jetdump::csv_header(*plain_def) + "\n";
        for (const auto& r : *plain_rows)
            plain_csv += jetdump::csv_line(*plain_def, r.values) + "\n";

        // The tables already there: every row as it was, in its place; the catalog only gained.
        Snapshot after = snapshot(db, path);
        for (const auto& [name, old_rows] : before.tables) {
            SCOPED_TRACE(name);
            if (name == "MSysObjects") {
                EXPECT_EQ(after.tables[name].size(), old_rows.size() + 2);
                EXPECT_TRUE(in_order_within(old_rows, after.tables[name]));
            } else {
                EXPECT_EQ(after.tables[name], old_rows);
            }
        }
        for (const auto& [name, text] : before.exported)
            EXPECT_EQ(after.exported[name], text) << name;

        // In files Access made, the catalog's index of names gained the two tables, in order.
        auto names_after = name_index_of(db);
        EXPECT_EQ(names_after.count, before.names.count + (before.names.entries.empty() ? 0 : 2));
        EXPECT_EQ(names_after.entries.size(),
                  before.names.entries.size() + (before.names.entries.empty() ? 0 : 2));
        EXPECT_TRUE(std::is_sorted(names_after.entries.begin(), names_after.entries.end()));
        EXPECT_TRUE(std::includes(names_after.entries.begin(), names_after.entries.end(),
                                  before.names.entries.begin(), before.names.entries.end()));
        EXPECT_EQ(jetdump::check_file(session->db().pager().file()), std::vector<std::string>{});

        // The real readers.
        auto listed = sorted_lines(run_command("mdb-tables -1 '" + path + "'"));
        std::vector<std::string> tables{c.indexed, c.plain};
        for (const auto& [name, text] : before.exported)
            tables.push_back(name);
        std::sort(tables.begin(), tables.end());
        EXPECT_EQ(listed, tables);
        EXPECT_TRUE(
            same_lines(run_command("mdb-export '" + path + "' '" + c.indexed + "'"), expected_csv));
        std::string node =
            "node '" + std::string(LQ_SOURCE_DIR) + "/tests/oracles/mdb_reader_export.mjs' ";
        if (!c.password.empty()) node += "--password '" + c.password + "' ";
        EXPECT_TRUE(
            same_lines(run_command(node + "'" + path + "' '" + c.indexed + "'"), expected_csv));
        EXPECT_TRUE(same_lines(run_command(node + "'" + path + "' '" + c.plain + "'"), plain_csv));
        EXPECT_TRUE(
            same_lines(run_command("mdb-export '" + path + "' '" + c.plain + "'"), plain_csv));
        EXPECT_EQ(sorted_lines(run_command(node + "'" + path + "'")), tables);
        std::string schema = run_command("mdb-schema -T '" + std::string(c.indexed) + "' '" + path +
                                         "' 2>/dev/null");
        for (const char* column :
             {"[id]\t\t\tLong Integer", "[customer]\t\t\tLong Integer", "[said]\t\t\tText (100)",
              "[note]\t\t\tMemo/Hyperlink", "[due]\t\t\tDateTime", "[done]\t\t\tBoolean",
              "[score]\t\t\tDouble"})
            EXPECT_NE(schema.find(column), std::string::npos) << column << " in\n" << schema;
        std::string keys = run_command("mdb-schema -T '" + std::string(c.indexed) + "' '" + path +
                                       "' postgres 2>/dev/null");
        EXPECT_NE(keys.find("PRIMARY KEY (\"id\")"), std::string::npos) << keys;
        EXPECT_NE(keys.find("(\"customer\")"), std::string::npos) << keys;
    }
}

jet::NewTable with_columns(std::vector<jet::NewColumn> columns,
                           std::vector<jet::NewIndex> indexes = {}) {
    return {"Refused", std::move(columns), std::move(indexes)};
}

// A staged table with rows in it, dropped by a rollback, leaves the file as it was, and the
// catalog no longer lists it; a name taken by the staged table is refused meanwhile.
TEST(CreateTable, ARollbackLeavesTheFileByteForByte) {
    jet::OsFileSystem fs;
    for (const FileCase& c : {FileCase{"no-password.mdb", "", "FollowUps", "tags"},
                              FileCase{"template", kTemplatePassword, "FollowUps", "tags"}}) {
        SCOPED_TRACE(c.file);
        Scratch scratch(c.file);
        const std::string& path = scratch.path;
        auto original = bytes_of(path);
        auto session = open_session(fs, path, c.password);
        ASSERT_TRUE(session);
        jet::Database& db = session->db();
        auto def = jet::create_table(db, follow_ups(c.indexed), kMade);
        ASSERT_TRUE(def.ok()) << def.error().message;
        jet::TableWriter writer(db);
        for (auto& row : follow_up_rows())
            ASSERT_TRUE(writer.insert(*def, row).ok());
        ASSERT_TRUE(db.table("FOLLOWUPS").ok());
        auto again = jet::create_table(db, tags("followUPS"), kMade);
        ASSERT_FALSE(again.ok());
        EXPECT_EQ(again.error().code, jet::Errc::exists);
        session->rollback();
        EXPECT_EQ(db.table(c.indexed).error().code, jet::Errc::not_found);
        ASSERT_TRUE(session->commit().ok());
        session.reset();
        EXPECT_TRUE(bytes_of(path) == original);
        EXPECT_FALSE(std::filesystem::exists(path + "-journal"));
    }
}

// In a file Access made, tables are added until the catalog's index of names has no room on
// its page: that one is refused half-way through (its pages taken, its catalog row in) and
// takes all of it back, while the tables before it stay staged and land whole.
TEST(CreateTable, ARefusalHalfWayTakesBackOnlyItsOwnPages) {
    jet::OsFileSystem fs;
    Scratch scratch("no-password.mdb");
    auto session = open_session(fs, scratch.path, "");
    ASSERT_TRUE(session);
    jet::Database& db = session->db();
    std::vector<std::string> made;
    for (int i = 0; i < 500; ++i) {
        auto before = db.pager().save_staged();
        std::string name = "Refused_until_the_page_is_full_" + std::to_string(i);
        auto def = jet::create_table(db, i % 2 ? tags(name) : follow_ups(name), kMade);
        if (!def.ok()) {
            EXPECT_EQ(def.error().code, jet::Errc::full) << def.error().message;
            EXPECT_EQ(db.pager().page_count(), before.page_count);
            EXPECT_TRUE(db.pager().staged() == before.staged);
            EXPECT_EQ(db.table(name).error().code, jet::Errc::not_found);
            break;
        }
        made.push_back(name);
    }
    ASSERT_GT(made.size(), 20u);
    ASSERT_LT(made.size(), 500u);
    ASSERT_TRUE(session->commit().ok());
    session.reset();

    auto listed = sorted_lines(run_command("mdb-tables -1 '" + scratch.path + "'"));
    made.push_back("Table1");
    std::sort(made.begin(), made.end());
    EXPECT_EQ(listed, made);
    jet::MemoryFile file(bytes_of(scratch.path));
    EXPECT_EQ(jetdump::check_file(file), std::vector<std::string>{});
}

struct Refusal {
    const char* what;
    const char* file;
    jet::NewTable table;
    jet::Errc code;
};

// Each refusal comes back as its reason, stages nothing and leaves the file as it was.
TEST(CreateTable, RefusesWhatItCannotMakeAndChangesNothing) {
    std::vector<jet::NewColumn> wide;
    for (int i = 0; i < 120; ++i)
        wide.push_back({"a column whose name takes up most of what a name may " + std::to_string(i),
                        T::long_integer});
    const Refusal refusals[] = {
        {"a table's name in other letter case", "no-password.mdb", tags("TABLE1"),
         jet::Errc::exists},
        {"a system table's name", "empty.mdb", tags("msysobjects"), jet::Errc::exists},
        {"the customer table's name", "template", tags("YRKB_COM"), jet::Errc::exists},
        {"a name the catalog's index of names cannot key", "no-password.mdb", tags("跟进"),
         jet::Errc::read_only},
        {"a name with a dot", "empty.mdb", tags("a.b"), jet::Errc::type_mismatch},
        {"no name", "empty.mdb", tags(""), jet::Errc::type_mismatch},
        {"a leading blank", "template", tags(" tags"), jet::Errc::type_mismatch},
        {"65 characters", "template", tags(std::string(65, 't')), jet::Errc::type_mismatch},
        {"no columns", "empty.mdb", with_columns({}), jet::Errc::type_mismatch},
        {"two columns of one name", "empty.mdb",
         with_columns({{"a", T::long_integer}, {"A", T::text, 10}}), jet::Errc::type_mismatch},
        {"Text of 256", "empty.mdb", with_columns({{"a", T::text, 256}}), jet::Errc::type_mismatch},
        {"Text of none", "empty.mdb", with_columns({{"a", T::text, 0}}), jet::Errc::type_mismatch},
        {"an AutoNumber of Text", "empty.mdb", with_columns({{"a", T::text, 10, true}}),
         jet::Errc::type_mismatch},
        {"two AutoNumbers", "empty.mdb",
         with_columns({{"a", T::long_integer, 0, true}, {"b", T::long_integer, 0, true}}),
         jet::Errc::type_mismatch},
        {"a Currency column", "empty.mdb", with_columns({{"a", T::money}}),
         jet::Errc::type_mismatch},
        {"an index on Text", "empty.mdb", with_columns({{"a", T::text, 10}}, {{"ix", "a"}}),
         jet::Errc::type_mismatch},
        {"an index on no column", "empty.mdb",
         with_columns({{"a", T::long_integer}}, {{"ix", "b"}}), jet::Errc::type_mismatch},
        {"two primary keys", "empty.mdb",
         with_columns({{"a", T::long_integer}}, {{"k1", "a", true}, {"k2", "a", true}}),
         jet::Errc::type_mismatch},
        {"two indexes of one name", "empty.mdb",
         with_columns({{"a", T::long_integer}}, {{"ix", "a"}, {"IX", "a"}}),
         jet::Errc::type_mismatch},
        {"a definition past its page", "template", with_columns(wide), jet::Errc::full},
    };
    jet::OsFileSystem fs;
    for (const auto& r : refusals) {
        SCOPED_TRACE(r.what);
        Scratch scratch(r.file);
        const std::string& path = scratch.path;
        auto original = bytes_of(path);
        auto session =
            open_session(fs, path, r.file == std::string("template") ? kTemplatePassword : "");
        ASSERT_TRUE(session);
        auto made = jet::create_table(session->db(), r.table, kMade);
        ASSERT_FALSE(made.ok());
        EXPECT_EQ(made.error().code, r.code) << made.error().message;
        EXPECT_TRUE(session->db().pager().staged().empty());
        ASSERT_TRUE(session->commit().ok());
        session.reset();
        EXPECT_TRUE(bytes_of(path) == original);
    }
}

}  // namespace
