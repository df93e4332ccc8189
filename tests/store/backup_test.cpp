// Copies of the database in "备份": their names and the keeping rule over a year of starts, a
// copy taken while another process writes, and putting a copy back in one step.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <thread>

#include "jet/database_session.h"
#include "jet/query.h"
#include "store/backup.h"
#include "store/customer_actions.h"
#include "store/provision.h"
#include "tests/jet/run_command.h"

namespace {

namespace fs = std::filesystem;
using testing_support::run_command;

jet::CivilDate day(std::int64_t n) {
    return jet::civil_from_days(n);
}

std::string bytes_of(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class Backups : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = ::testing::TempDir() + "/backups_" + std::to_string(::getpid());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        db_ = dir_ + "/yrkb_com.db";
        store::provision_store(os_, db_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    void add(const std::string& wang) {
        store::StoreConnection c;
        store::RowSet rs;
        ASSERT_EQ(store::save_new_customer(c, rs, {db_, store::kDatabasePassword},
                                           {wang, "店主", 46000, 46000, ""}),
                  store::SaveOutcome::saved);
    }
    jet::OsFileSystem os_;
    std::string dir_, db_;
};

TEST(BackupNames, TheirFormAndTheKeepingRuleOverAYearOfStarts) {
    EXPECT_EQ(store::backup_file_name({{2026, 12, 9}, 1}), "yrkb_com-2026-12-09.db");
    EXPECT_EQ(store::backup_file_name({{2026, 1, 2}, 3}), "yrkb_com-2026-01-02-3.db");
    for (const char* foreign : {"yrkb_com-2026-02-30.db", "yrkb_com-2026-12-09-1.db",
                                "yrkb_com-2026-12-9.db", "notes.txt", "yrkb_com.db"})
        EXPECT_FALSE(store::parse_backup_name(foreign)) << foreign;
    EXPECT_EQ(store::join_path("C:\\岚桥", "备份"), "C:\\岚桥\\备份");
    EXPECT_EQ(store::backup_folder("/tmp/a\\yrkb_com.db"), "/tmp/a/备份");

    // A start every day for 400 days, twice on every seventh, each followed by the rule.
    const std::int64_t first = jet::days_from_civil({2025, 11, 3});
    std::set<std::string> kept = {"notes.txt"};
    for (std::int64_t d = first; d < first + 400; ++d) {
        for (int serial = 1; serial <= ((d - first) % 7 == 0 ? 2 : 1); ++serial)
            kept.insert(store::backup_file_name({day(d), serial}));
        for (const auto& gone : store::expired_backups({kept.begin(), kept.end()}, day(d)))
            kept.erase(gone);
    }
    const jet::CivilDate today = day(first + 399);
    std::set<std::string> want = {"notes.txt"};  // not ours: never let go
    for (std::int64_t d = first + 399 - 29; d <= first + 399; ++d) {
        want.insert(store::backup_file_name({day(d), 1}));
        if ((d - first) % 7 == 0) want.insert(store::backup_file_name({day(d), 2}));
    }
    // The first copy of each of the last 12 months: the first of the month, but in the
    // first month the first day there was a copy.
    for (int back = 0; back < 12; ++back) {
        std::int64_t m = today.year * 12 + today.month - 1 - back;
        jet::CivilDate d{m / 12, static_cast<unsigned>(m % 12 + 1), 1};
        if (jet::days_from_civil(d) >= first) want.insert(store::backup_file_name({d, 1}));
    }
    EXPECT_EQ(kept, want);
    EXPECT_EQ(kept.size(), 1u + 30u + 5u + 11u);  // notes, a month (5 second copies), 11 months
}

// Copies "yrkb_com-<day>.db" of every day from `from` to `to`, both included.
std::vector<std::string> daily(jet::CivilDate from, jet::CivilDate to) {
    std::vector<std::string> out;
    for (auto d = jet::days_from_civil(from); d <= jet::days_from_civil(to); ++d)
        out.push_back(store::backup_file_name({day(d), 1}));
    return out;
}

TEST(BackupNames, TheKeepingRuleNeverLetsGoWhatItShouldKeep) {
    struct Case {
        const char* what;
        jet::CivilDate today;
        std::vector<std::string> names;
        std::size_t kept;                // how many of `names` stay
        std::vector<std::string> stays;  // some that must
        bool future;                     // copies_after
    };
    auto with = [](std::vector<std::string> a, const std::vector<std::string>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const std::vector<std::string> by_hand = {"yrkb_com-2024-01-05-1.db",
                                              "yrkb_com-2024-01-05-02.db",
                                              "yrkb_com-2024-01-05-0.db",
                                              "yrkb_com-2024-01-05 - 副本.db",
                                              "YRKB_COM-2024-01-05.db",
                                              "yrkb_com-2024-1-05.db",
                                              "yrkb_com-2024-01-05-1234567.db",
                                              "yrkb_com-2024-01-05.mdb",
                                              "yrkb_com.db",
                                              "notes.txt"};
    const std::vector<Case> cases = {
        // The clock set back 60 days: every copy is "from the future" and stays.
        {"clock set back",
         {2026, 10, 11},
         daily({2026, 10, 12}, {2026, 12, 10}),
         60,
         {"yrkb_com-2026-12-10.db", "yrkb_com-2026-10-12.db"},
         true},
        // ... and today's copy joins them; of the old ones the newest 7 stay with it.
        {"clock set back, older copies",
         {2026, 10, 11},
         with(daily({2025, 6, 1}, {2025, 6, 30}), daily({2026, 10, 11}, {2026, 12, 10})),
         67,
         {"yrkb_com-2026-10-11.db", "yrkb_com-2025-06-25.db"},
         true},
        // 400 days of starts: a month of days and the first of 11 more months.
        {"400 days",
         {2026, 12, 10},
         daily(day(jet::days_from_civil({2026, 12, 10}) - 399), {2026, 12, 10}),
         41,
         {"yrkb_com-2026-01-01.db", "yrkb_com-2026-11-11.db"},
         false},
        // No copy at all in March: April's first copy is its 20th, and it stays.
        {"a missing month",
         {2026, 12, 10},
         with(daily({2026, 2, 1}, {2026, 2, 28}), daily({2026, 4, 20}, {2026, 4, 30})),
         9,
         {"yrkb_com-2026-02-01.db", "yrkb_com-2026-04-20.db", "yrkb_com-2026-04-30.db"},
         false},
        // Fewer than 7 copies, all older than a year: every one stays.
        {"a few old copies", {2026, 12, 10}, daily({2024, 3, 1}, {2024, 3, 5}), 5, {}, false},
        // Ten such: the newest 7 stay, whatever their dates.
        {"ten old copies",
         {2026, 12, 10},
         daily({2024, 3, 1}, {2024, 3, 10}),
         7,
         {"yrkb_com-2024-03-04.db", "yrkb_com-2024-03-10.db"},
         false},
        // Names the program never writes are the user's: never let go, whatever the date.
        {"hand-made names",
         {2026, 12, 10},
         with(by_hand, daily({2024, 3, 1}, {2024, 3, 20})),
         by_hand.size() + 7,
         by_hand,
         false},
        // A copy the user put in under the program's name counts as one of that date.
        {"put in by hand",
         {2026, 12, 10},
         with(daily({2026, 11, 20}, {2026, 12, 10}),
              {"yrkb_com-2026-11-15.db", "yrkb_com-2025-11-15.db"}),
         22,
         {"yrkb_com-2026-11-15.db"},
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto gone = store::expired_backups(c.names, c.today);
        const std::set<std::string> dropped(gone.begin(), gone.end());
        EXPECT_EQ(c.names.size() - dropped.size(), c.kept);
        for (const auto& name : c.stays)
            EXPECT_FALSE(dropped.contains(name)) << name;
        for (const auto& name : dropped) {
            auto parsed = store::parse_backup_name(name);
            ASSERT_TRUE(parsed) << name << " is not the program's to let go";
            EXPECT_LE(jet::days_from_civil(parsed->date), jet::days_from_civil(c.today)) << name;
        }
        EXPECT_EQ(store::copies_after(c.names, c.today), c.future);
    }
    EXPECT_EQ(store::date_in_name("yrkb_com-2024-01-05 - 副本.db"), (jet::CivilDate{2024, 1, 5}));
    EXPECT_EQ(store::date_in_name("x2024-02-30 2023-12-31.db"), (jet::CivilDate{2023, 12, 31}));
    EXPECT_FALSE(store::date_in_name("yrkb_com.db"));
}

TEST_F(Backups, ClockSetBackKeepsTheHistoryAndHandCopiesAreListed) {
    const std::string folder = store::backup_folder(db_);
    fs::create_directories(folder);
    // Sixty copies dated after "today", as a PC whose clock went back sees them.
    for (const auto& name : daily({2026, 10, 12}, {2026, 12, 10}))
        std::ofstream(store::join_path(folder, name)) << "x";
    add("the only customer");
    {
        // Pages past the copy's first two megabytes, each of its own bytes: the copy is
        // made piece by piece and must be the file byte for byte.
        std::ofstream grow(db_, std::ios::binary | std::ios::app);
        for (int page = 0; page < 600; ++page)
            grow << std::string(jet::kPageSize, static_cast<char>(page % 251));
    }
    ASSERT_TRUE(store::back_up(os_, db_, folder, {2026, 10, 11}));
    const auto bytes = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    EXPECT_EQ(bytes(store::join_path(folder, "yrkb_com-2026-10-11.db")), bytes(db_));
    EXPECT_GT(fs::file_size(db_), 2u << 20);
    EXPECT_TRUE(store::backups_after(os_, folder, {2026, 10, 11}));
    EXPECT_FALSE(store::backups_after(os_, folder, {2026, 12, 10}));
    std::size_t there = 0;
    for (const auto& e : fs::directory_iterator(folder))
        there += e.path().extension() == ".db";
    EXPECT_EQ(there, 61u);

    // Copies the user put there: under names of their own they are listed when they open as
    // ours, dated by their names; other files are not.
    const std::string ours = store::join_path(folder, "yrkb_com-2026-10-11.db");
    fs::copy_file(ours, store::join_path(folder, "yrkb_com-2026-09-01 - 副本.db"));
    fs::copy_file(ours, store::join_path(folder, "旧电脑的.MDB"));
    std::ofstream(store::join_path(folder, "别的.db")) << "not a database";
    const auto listed = store::list_backups(os_, folder, store::kDatabasePassword);
    ASSERT_EQ(listed.size(), 63u);
    EXPECT_FALSE(listed[0].by_hand);
    const auto& dated = listed[listed.size() - 2];
    EXPECT_EQ(dated.file_name, "yrkb_com-2026-09-01 - 副本.db");
    EXPECT_TRUE(dated.by_hand);
    EXPECT_EQ(dated.name.date, (jet::CivilDate{2026, 9, 1}));
    EXPECT_EQ(dated.open_customers, 1);
    EXPECT_EQ(listed.back().file_name, "旧电脑的.MDB");
    EXPECT_EQ(listed.back().closed_customers, 0);
    // A later copy leaves them be.
    ASSERT_TRUE(store::back_up(os_, db_, folder, {2027, 12, 10}));
    EXPECT_TRUE(fs::exists(store::join_path(folder, "yrkb_com-2026-09-01 - 副本.db")));
    EXPECT_TRUE(fs::exists(store::join_path(folder, "旧电脑的.MDB")));
}

TEST_F(Backups, ACopyTakenWhileAnotherProcessWritesIsAWholeState) {
    const std::string folder = store::backup_folder(db_);
    std::atomic<bool> done{false};
    std::thread writer([&] {
        run_command(std::string(LQ_STRESS_WRITER) + " '" + db_ + "' bk 4 > /dev/null");
        done = true;
    });
    std::vector<std::string> copies;
    const jet::CivilDate today{2026, 12, 9};
    while (!done) {
        auto copy = store::back_up(os_, db_, folder, today, std::chrono::seconds(5));
        ASSERT_TRUE(copy) << copy.error().message;
        copies.push_back(*copy);
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
    }
    writer.join();
    ASSERT_GE(copies.size(), 10u);
    EXPECT_EQ(fs::path(copies[1]).filename(), "yrkb_com-2026-12-09-2.db");
    int last = -1;
    for (std::size_t k = 0; k < copies.size(); ++k) {
        const std::string& copy = copies[k];
        SCOPED_TRACE(copy);
        // Our engine: the customers are exactly bk-1 .. bk-n, each whole, n never falling.
        auto session = jet::DatabaseSession::open(os_, copy, store::kDatabasePassword,
                                                  jet::OpenMode::read_only, std::nullopt);
        ASSERT_TRUE(session) << session.error().message;
        auto rows = jet::select((*session)->db(), "yrkb_com order by id");
        ASSERT_TRUE(rows);
        const int n = static_cast<int>(rows->rows.size());
        for (int i = 0; i < n; ++i)
            ASSERT_EQ(std::get<std::string>(rows->rows[static_cast<std::size_t>(i)].values[1]),
                      "bk-" + std::to_string(i + 1));
        EXPECT_GE(n, last);
        last = n;
        if (k % 4 != 0) continue;
        // Both outside readers take it as a sound database of n customers.
        int status = 0;
        std::string out =
            run_command("mdb-export '" + copy + "' yrkb_com | tail -n +2 | wc -l", &status);
        EXPECT_EQ(std::stoi(out), n);
        out = run_command("node " + std::string(LQ_SOURCE_DIR) +
                              "/tests/oracles/mdb_reader_export.mjs '" + copy +
                              "' yrkb_com | tail -n +2 | wc -l",
                          &status);
        EXPECT_EQ(std::stoi(out), n);
        EXPECT_EQ(run_command(std::string(LQ_JETDUMP) + " --check '" + copy + "'"), "no faults\n");
    }
    EXPECT_GT(last, 0);
    const auto listed = store::list_backups(os_, folder, store::kDatabasePassword);
    ASSERT_EQ(listed.size(), copies.size());
    EXPECT_EQ(listed.front().path, copies.back());  // newest first
    EXPECT_EQ(listed.front().open_customers, last);
    EXPECT_EQ(listed.front().closed_customers, 0);
}

TEST_F(Backups, RestorePutsACopyBackInOneStepAndRefusesWhatIsNotOurs) {
    add("kept in the copy");
    const std::string folder = store::backup_folder(db_);
    auto copy = store::back_up(os_, db_, folder, {2026, 12, 9});
    ASSERT_TRUE(copy);
    const std::string saved = bytes_of(*copy);
    add("added after the copy");
    std::ofstream(store::join_path(folder, "yrkb_com-2026-12-08.db"), std::ios::binary)
        << std::string(8192, 'x');
    const auto listed = store::list_backups(os_, folder, store::kDatabasePassword);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[1].open_customers, std::nullopt);  // unreadable, listed as such
    EXPECT_EQ(listed[1].size, 8192u);

    // Foreign copies: nothing changes.
    const std::string before = bytes_of(db_);
    const std::string fixtures = std::string(LQ_SOURCE_DIR) + "/tests/jet/fixtures/";
    for (const std::string& bad :
         {listed[1].path, fixtures + "no-password.mdb", fixtures + "with-password.mdb"}) {
        EXPECT_FALSE(store::restore_backup(os_, db_, bad, store::kDatabasePassword)) << bad;
        EXPECT_EQ(bytes_of(db_), before) << bad;
    }
    // Our copy: the file becomes it byte for byte, through the journal, which is gone after.
    ASSERT_TRUE(store::restore_backup(os_, db_, *copy, store::kDatabasePassword));
    EXPECT_EQ(bytes_of(db_), saved);
    EXPECT_FALSE(fs::exists(db_ + "-journal"));
    // A database that is not there at all is written anew from the copy.
    fs::remove(db_);
    ASSERT_TRUE(store::restore_backup(os_, db_, *copy, store::kDatabasePassword));
    EXPECT_EQ(bytes_of(db_), saved);
}

}  // namespace
