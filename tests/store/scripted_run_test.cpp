// Many saves, edits, deals and deletes, each one a whole user action as the windows run it,
// checked against a plain model and, on the Jet file, its index pages and the real readers;
// on a database server, against what psql reads of it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>

#include "jet/civil_date.h"
#include "jet/database.h"
#include "jet/file.h"
#include "jet/index_page.h"
#include "store/customer_actions.h"
#include "store/provision.h"
#include "store/sources.h"
#include "tests/jet/fixture_files.h"
#include "tests/jet/run_command.h"
#include "tests/store/support/pg_test_server.h"
#include "tools/jetdump/check.h"

namespace {

namespace fs = std::filesystem;

// LQ_STORE_SCRIPT_ADDS sets the size; edits, deals and deletes scale with it as 3:2:2 to 10.
int adds_wanted() {
    const char* env = std::getenv("LQ_STORE_SCRIPT_ADDS");
    return env ? std::max(10, std::atoi(env)) : 300;
}

std::string text_for(std::mt19937& rng, int n) {
    static const char* words[] = {"客户", "tb", "O'Neil", "\"q\"", "'", "_", "备注", " "};
    std::string s = "c" + std::to_string(n);
    std::size_t target = 3 + rng() % 30;
    while (s.size() < target)
        s += words[rng() % 8];
    return s.substr(0, std::min<std::size_t>(s.size(), 40));  // fits Text(50) either way
}

std::string note_for(std::mt19937& rng, int n, std::size_t size) {
    std::string s = "note " + std::to_string(n) + " ";
    while (s.size() < size)
        s += "跟踪记录 follow-up 'x' ";
    s.resize(size);
    while (!s.empty() && (static_cast<unsigned char>(s.back()) & 0xC0) == 0x80)
        s.pop_back();
    if (!s.empty() && static_cast<unsigned char>(s.back()) >= 0xC0) s.pop_back();
    (void)rng;
    return s;
}

std::string readers_output(const std::string& command) {
    int status = 0;
    std::string out = testing_support::run_command(command, &status);
    EXPECT_EQ(status, 0) << command;
    return out;
}

// Reports the first line where two long exports part, rather than both of them whole.
void expect_same_lines(const char* a_name, const std::string& a, const char* b_name,
                       const std::string& b) {
    if (a == b) return;
    std::size_t at = 0, line = 1;
    while (at < a.size() && at < b.size() && a[at] == b[at]) {
        if (a[at] == '\n') ++line;
        ++at;
    }
    ADD_FAILURE() << a_name << " and " << b_name << " differ from line " << line << ": "
                  << a.substr(at, 80) << " | " << b.substr(at, 80);
}

// jetdump, mdb-export and mdb-reader print the same table alike.
void expect_readers_agree(const std::string& path, const std::string& password,
                          const std::string& table) {
    std::string pw = password.empty() ? "" : " --password '" + password + "'";
    std::string ours = readers_output(std::string(LQ_JETDUMP) + pw + " '" + path + "' " + table);
    std::string exported = readers_output("mdb-export '" + path + "' " + table);
    std::string node =
        readers_output("node " + std::string(LQ_SOURCE_DIR) +
                       "/tests/oracles/mdb_reader_export.mjs" + pw + " '" + path + "' " + table);
    expect_same_lines("jetdump", ours, "mdb-export", exported);
    expect_same_lines("jetdump", ours, "mdb-reader", node);
    EXPECT_GT(ours.size(), 0u);
}

// "YYYY-MM-DD HH:MM:SS" of a date-time on or after day zero, as psql prints a timestamp.
std::string timestamp_text(double days) {
    const double whole = std::floor(days);
    const auto secs = std::llround((days - whole) * 86400.0);
    const jet::CivilDate d =
        jet::civil_from_days(static_cast<std::int64_t>(whole) - jet::kEngineEpochOffset);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04lld-%02u-%02u %02lld:%02lld:%02lld",
                  static_cast<long long>(d.year), d.month, d.day, secs / 3600, secs / 60 % 60,
                  secs % 60);
    return buf;
}

// The customers as psql prints them, one line each in the order of their numbers.
std::string server_lines(const std::map<std::int32_t, store::CustomerRow>& model) {
    std::string out;
    for (const auto& [id, r] : model)
        out += std::to_string(id) + "|" + r.buyer + "|" + r.our_id + "|" +
               timestamp_text(r.first_enquiry) + "|" + timestamp_text(r.last_follow_up) + "|" +
               r.note + "|" + (r.deal_date != 0 ? "t" : "f") + "|" +
               (r.deal_date != 0 ? timestamp_text(r.deal_date) : "") + "\n";
    return out;
}

class ScriptedRun : public ::testing::TestWithParam<bool> {};

TEST_P(ScriptedRun, CustomersAgreeWithTheModelTheIndexesAndTheRealReaders) {
    const bool on_server = GetParam();
    std::string dir = ::testing::TempDir() + "/scripted_" + std::to_string(::getpid());
    fs::create_directories(dir);
    store::StoreLocation where{dir + "/yrkb_com.db", store::kDatabasePassword};
    jet::OsFileSystem os;
    store::provision_store(os, where.path);
    std::string database;
    if (on_server) {
        auto& server = testing_support::PgServer::shared();
        database = server.fresh_database("script");
        where.odbc = server.connection_string(database);
    }

    std::map<std::int32_t, store::CustomerRow> model;
    std::mt19937 rng(2026);
    const int adds = adds_wanted();
    std::vector<char> plan;
    plan.insert(plan.end(), static_cast<std::size_t>(adds), 'a');
    plan.insert(plan.end(), static_cast<std::size_t>(adds * 3 / 10), 'e');
    plan.insert(plan.end(), static_cast<std::size_t>(adds / 5), 'd');
    plan.insert(plan.end(), static_cast<std::size_t>(adds / 5), 'x');
    std::shuffle(plan.begin() + adds / 10, plan.end(), rng);  // some rows exist before any edit

    store::StoreConnection c;
    store::RowSet rs;
    auto pick = [&] {
        auto it = model.begin();
        std::advance(it, static_cast<long>(rng() % model.size()));
        return it->first;
    };
    int step = 0;
    std::size_t biggest_note = 0;
    for (char action : plan) {
        ++step;
        if (action == 'a') {
            store::CustomerFields f{text_for(rng, step), text_for(rng, step + 1),
                                    45000.0 + static_cast<double>(rng() % 2000),
                                    46000.0 + static_cast<double>(rng() % 86400) / 86400.0,
                                    rng() % 3 == 0 ? "" : note_for(rng, step, rng() % 200)};
            std::int32_t id = 0;
            ASSERT_EQ(store::save_new_customer(c, rs, where, f, &id), store::SaveOutcome::saved)
                << "step " << step << ": " << c.last_error() << rs.last_error();
            ASSERT_FALSE(model.contains(id));
            model[id] = {id, f.buyer, f.our_id, f.first_enquiry, f.last_follow_up, 0, f.note};
        } else if (model.empty()) {
            continue;
        } else if (action == 'e') {
            std::int32_t id = pick();
            auto& row = model[id];
            // A note grows to 100 KB over the edits of a row, and shrinks again.
            std::size_t size =
                row.note.size() < 50000 ? row.note.size() * 4 + 2000 : 100 + rng() % 100;
            if (rng() % 10 == 0) size = 102400;
            store::CustomerFields f{row.buyer, row.our_id, row.first_enquiry,
                                    row.last_follow_up + 1, note_for(rng, step, size)};
            biggest_note = std::max(biggest_note, f.note.size());
            ASSERT_EQ(store::save_edited_customer(c, rs, where, id, f), store::SaveOutcome::saved)
                << "step " << step << ": " << rs.last_error();
            row.last_follow_up = f.last_follow_up;
            row.note = f.note;
        } else if (action == 'd') {
            std::int32_t id = pick();
            double date = 46100.0 + static_cast<double>(rng() % 100);
            ASSERT_TRUE(store::register_deal(c, rs, where, id, date)) << "step " << step;
            model[id].deal_date = date;
        } else {
            std::int32_t id = pick();
            ASSERT_TRUE(store::delete_customer(c, where, id)) << c.last_error();
            model.erase(id);
        }
    }
    EXPECT_GE(biggest_note, 100000u);

    // Our own reading, both lists, in the list's order.
    auto open = store::load_customers(c, rs, where, false);
    auto closed = store::load_customers(c, rs, where, true);
    ASSERT_TRUE(open && closed);
    ASSERT_EQ(open->size() + closed->size(), model.size());
    std::vector<store::CustomerRow> expected_open, expected_closed;
    for (auto it = model.rbegin(); it != model.rend(); ++it)
        (it->second.deal_date != 0 ? expected_closed : expected_open).push_back(it->second);
    EXPECT_TRUE(*open == expected_open);
    EXPECT_TRUE(*closed == expected_closed);
    EXPECT_EQ(store::count_customers(c, rs, where, true), static_cast<int>(closed->size()));

    if (on_server) {
        // What another reader of the server sees.
        expect_same_lines(
            "psql",
            testing_support::PgServer::shared().admin_sql(
                database,
                "SELECT id, wang, wang2, time1, time2, bs, yn, time3 FROM yrkb_com ORDER BY id"),
            "the model", server_lines(model));
        fs::remove_all(dir);
        return;
    }

    // The file: sound, and both indexes list exactly the live numbers, each at its row.
    auto file = jet::open_os_file(where.path, jet::OpenMode::read_only);
    ASSERT_TRUE(file.ok());
    auto faults = jetdump::check_file(**file);
    EXPECT_TRUE(faults.empty()) << faults.front();
    auto db = jet::Database::open(**file, store::kDatabasePassword);
    ASSERT_TRUE(db.ok());
    auto def = (*db)->table("yrkb_com");
    ASSERT_TRUE(def.ok());
    EXPECT_EQ(def->row_count, model.size());
    auto records = (*db)->scan(*def);
    ASSERT_TRUE(records.ok());
    std::map<std::int32_t, jet::RowPointer> home;
    for (const auto& r : *records)
        home[static_cast<std::int32_t>(std::get<std::int64_t>(r.values[0]))] = r.where;
    ASSERT_EQ(home.size(), model.size());
    for (const auto& ri : def->real_indexes) {
        auto entries = jet::read_integer_index((*db)->pager(), ri.root_page);
        ASSERT_TRUE(entries.ok()) << entries.error().message;
        ASSERT_EQ(entries->size(), model.size());
        auto m = model.begin();
        for (const auto& e : *entries) {
            ASSERT_EQ(e.key, m->first);
            EXPECT_EQ(e.row, home[m->first]);
            ++m;
        }
    }
    file->reset();

    expect_readers_agree(where.path, store::kDatabasePassword, "yrkb_com");
    expect_readers_agree(where.path, store::kDatabasePassword, "vantel_ww");
    fs::remove_all(dir);
}

std::string engine_name(const ::testing::TestParamInfo<bool>& on_server) {
    return on_server.param ? "server" : "jet";
}

INSTANTIATE_TEST_SUITE_P(Engines, ScriptedRun, ::testing::Values(false, true), engine_name);

// Rows added to and deleted from a table the real engine made keep the file readable.
TEST(ScriptedRunOnFile, AFileMadeByAccessStaysReadable) {
    std::string dir = ::testing::TempDir() + "/scripted_access_" + std::to_string(::getpid());
    fs::create_directories(dir);
    std::string path = dir + "/deleted-rows.mdb";
    fs::copy_file(testing_support::fixture_path("deleted-rows.mdb"), path);
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);

    std::mt19937 rng(11);
    std::map<std::string, std::string> model = {{"z", "y"}, {"v", "u"}};
    store::StoreConnection c;
    store::RowSet rs;
    for (int step = 0; step < adds_wanted(); ++step) {
        ASSERT_TRUE(c.open_store(path, ""));
        rs.set_filter("");
        ASSERT_TRUE(rs.attach(c));
        if (step % 3 == 2) {
            auto victim = model.begin();
            std::advance(victim, static_cast<long>(rng() % model.size()));
            ASSERT_TRUE(
                c.execute_sql("delete * from Table where a='" + store::quoted(victim->first) + "'"))
                << c.last_error();
            model.erase(victim);
        } else {
            std::string a = text_for(rng, step), b = text_for(rng, step * 7);
            ASSERT_TRUE(rs.open_rows("Table where a='" + store::quoted(a) + "'", 2));
            if (rs.row_count() == 0) {
                ASSERT_TRUE(rs.add_row());
                ASSERT_TRUE(rs.write_text("a", a));
                ASSERT_TRUE(rs.write_text("b", b));
                ASSERT_TRUE(rs.update_row()) << rs.last_error();
                model[a] = b;
            }
        }
        rs.close_rows();
        c.close_store();
    }
    ASSERT_TRUE(c.open_store(path, ""));
    ASSERT_TRUE(rs.attach(c));
    ASSERT_TRUE(rs.open_rows("Table where a<>''", 2));
    std::map<std::string, std::string> stored;
    for (int i = 0; i < rs.row_count(); ++i, rs.move_next())
        stored[rs.read_text("a").second] = rs.read_text("b").second;
    EXPECT_EQ(stored.size(), model.size());
    for (const auto& [a, b] : model) {
        auto it = stored.find(a);
        EXPECT_TRUE(it != stored.end() && it->second == b) << "row " << a;
    }
    rs.close_rows();
    c.close_store();
    auto file = jet::open_os_file(path, jet::OpenMode::read_only);
    ASSERT_TRUE(file.ok());
    auto faults = jetdump::check_file(**file);
    EXPECT_TRUE(faults.empty()) << faults.front();
    file->reset();
    expect_readers_agree(path, "", "Table");
    fs::remove_all(dir);
}

}  // namespace
