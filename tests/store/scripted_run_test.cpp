// Many adds, edits, deals and deletes through StoreConnection and RowSet, each one a whole
// user action as the windows run it, checked against a plain model and the real readers.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>

#include "jet/query.h"
#include "store/row_set.h"
#include "tests/jet/fixture_files.h"
#include "tests/jet/run_command.h"
#include "tools/jetdump/check.h"

namespace {

namespace fs = std::filesystem;

// LQ_STORE_SCRIPT_ADDS sets the size; the other actions scale with it.
int adds_wanted() {
    const char* env = std::getenv("LQ_STORE_SCRIPT_ADDS");
    return env ? std::max(10, std::atoi(env)) : 400;
}

std::string note_for(std::mt19937& rng, int n) {
    static const char* words[] = {"客户",       "note", "O'Neil", "\"quoted\"",
                                  "<!vantel!>", "\r\n", "备注"};
    std::string s = "n" + std::to_string(n) + " ";
    std::size_t target = rng() % 4 == 0 ? 200 + rng() % 40 : rng() % 60;
    while (s.size() < target)
        s += words[rng() % 7];
    return s.substr(0, 250);  // Text(255) holds it; a cut never splits a character here
}

TEST(ScriptedRun, AgreesWithTheModelAfterEveryKindOfAction) {
    std::string dir = ::testing::TempDir() + "/scripted_" + std::to_string(::getpid());
    fs::create_directories(dir);
    std::string path = dir + "/yrkb_com.db";
    fs::copy_file(testing_support::fixture_path("no-password.mdb"), path);
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);

    std::map<std::int32_t, std::string> model = {{1, "One"}, {2, "Two"}, {3, "Three"}};
    std::mt19937 rng(2026);
    const int adds = adds_wanted();
    const int edits = adds * 3 / 10;
    const int deletes = adds / 5;
    store::StoreConnection c;
    store::RowSet rs;
    auto pick = [&] {
        auto it = model.begin();
        std::advance(it, static_cast<long>(rng() % model.size()));
        return it->first;
    };
    std::vector<char> plan;
    plan.insert(plan.end(), static_cast<std::size_t>(adds), 'a');
    plan.insert(plan.end(), static_cast<std::size_t>(edits), 'e');
    plan.insert(plan.end(), static_cast<std::size_t>(deletes), 'd');
    std::shuffle(plan.begin() + adds / 10, plan.end(), rng);  // some rows exist before any edit
    int step = 0;
    for (char action : plan) {
        ++step;
        ASSERT_TRUE(c.open_store(path, "Kx7-pq2-Lm9w")) << c.last_error();
        rs.set_filter("");
        ASSERT_TRUE(rs.attach(c));
        if (action == 'a') {
            std::string note = note_for(rng, step);
            ASSERT_TRUE(
                rs.open_rows("Table1 where Data=" + jet::quote_text(note), store::kTableMode));
            if (rs.row_count() == 0) {
                ASSERT_TRUE(rs.add_row());
                ASSERT_TRUE(rs.write_text("Data", note));
                ASSERT_TRUE(rs.update_row()) << rs.last_error();
                auto id = rs.read_int("ID");
                ASSERT_TRUE(id.first);
                model[id.second] = note;
            }
        } else if (action == 'e' && !model.empty()) {
            std::int32_t id = pick();
            std::string note = note_for(rng, step);
            ASSERT_TRUE(rs.open_rows("Table1 where ID=" + std::to_string(id), store::kTableMode));
            ASSERT_EQ(rs.row_count(), 1);
            ASSERT_TRUE(rs.write_text("Data", note));
            ASSERT_TRUE(rs.update_row()) << rs.last_error();
            model[id] = note;
        } else if (action == 'd' && !model.empty()) {
            std::int32_t id = pick();
            ASSERT_TRUE(c.execute_sql("delete * from Table1 where ID=" + std::to_string(id)))
                << c.last_error();
            model.erase(id);
        }
        rs.close_rows();
        c.close_store();
    }

    // Our own reading, in the list's order.
    ASSERT_TRUE(c.open_store(path, ""));
    ASSERT_TRUE(rs.attach(c));
    ASSERT_TRUE(rs.open_rows("Table1 where ID>0 order by ID desc", store::kTableMode));
    ASSERT_EQ(rs.row_count(), static_cast<int>(model.size()));
    auto expected = model.rbegin();
    for (int i = 0; i < rs.row_count(); ++i, rs.move_next(), ++expected) {
        ASSERT_EQ(rs.read_int("ID").second, expected->first);
        ASSERT_EQ(rs.read_text("Data").second, expected->second);
    }
    rs.close_rows();
    c.close_store();

    jet::OsFileSystem os;
    auto file = jet::open_os_file(path, jet::OpenMode::read_only);
    ASSERT_TRUE(file.ok());
    auto faults = jetdump::check_file(**file);
    EXPECT_TRUE(faults.empty()) << faults.front();

    // The real readers count the same rows and find every note.
    std::string exported = testing_support::run_command("mdb-export '" + path + "' Table1");
    std::string node =
        testing_support::run_command("node " + std::string(LQ_SOURCE_DIR) +
                                     "/tests/oracles/mdb_reader_export.mjs '" + path + "' Table1");
    EXPECT_EQ(exported, node);
    for (const auto& [id, note] : model) {
        std::string quoted = "\"";
        for (char ch : note) {
            if (ch == '"') quoted.push_back('"');
            quoted.push_back(ch);
        }
        quoted += "\"";
        ASSERT_NE(exported.find(std::to_string(id) + "," + quoted), std::string::npos) << id;
    }
    fs::remove_all(dir);
}

}  // namespace
