// Every source and statement of the windows, through StoreConnection and RowSet, on the
// built-in database and on a database server; values with single quotes are stored and
// found exactly.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <tuple>

#include "jet/civil_date.h"
#include "store/action_steps.h"
#include "store/customer_actions.h"
#include "store/database_template.h"
#include "store/move_shop.h"
#include "store/next_steps.h"
#include "store/provision.h"
#include "store/recycle_bin.h"
#include "store/shop_figures.h"
#include "store/shop_lists.h"
#include "store/sources.h"
#include "tests/jet/run_command.h"
#include "tests/store/support/pg_test_server.h"

namespace {

namespace fs = std::filesystem;

enum class Engine { jet, server };

std::string engine_name(const ::testing::TestParamInfo<Engine>& info) {
    return info.param == Engine::jet ? "jet" : "server";
}

// Each test on a new built-in database file, or on a new, empty database of the test server
// (which the engine fills with the same tables).
class ActionsOn : public ::testing::Test {
  protected:
    void open_on(Engine engine) {
        dir_ = ::testing::TempDir() + "/actions_" + std::to_string(::getpid());
        fs::create_directories(dir_);
        where_.path = dir_ + "/yrkb_com.db";
        where_.password = store::kDatabasePassword;
        jet::OsFileSystem os;
        store::provision_store(os, where_.path);
        if (engine == Engine::server) {
            auto& server = testing_support::PgServer::shared();
            where_.odbc = server.connection_string(server.fresh_database("actions"));
        }
    }
    void TearDown() override { fs::remove_all(dir_); }
    store::CustomerFields customer(std::string wang, std::string wang2, std::string note = "") {
        return {std::move(wang), std::move(wang2), 46000.25, 46001.5, std::move(note)};
    }
    std::string dir_;
    store::StoreLocation where_;
    store::StoreConnection c_;
    store::RowSet rs_;
};

class Actions : public ActionsOn, public ::testing::WithParamInterface<Engine> {
  protected:
    void SetUp() override { open_on(GetParam()); }
    // On the file, both outside readers read `table` alike and find `text` in it.
    void readers_agree(const std::string& table, const std::string& text) {
        if (GetParam() != Engine::jet) return;
        int status = -1;
        const std::string exported =
            testing_support::run_command("mdb-export '" + where_.path + "' " + table, &status);
        EXPECT_EQ(status, 0) << table;
        const std::string node = testing_support::run_command(
            "node " LQ_SOURCE_DIR "/tests/oracles/mdb_reader_export.mjs --password '" +
            where_.password + "' '" + where_.path + "' " + table);
        EXPECT_EQ(node, exported) << table;
        EXPECT_NE(exported.find(text), std::string::npos) << exported;
    }
};

class FileActions : public ActionsOn {
  protected:
    void SetUp() override { open_on(Engine::jet); }
};

TEST(Sources, TextsAsTheWindowsSendThem) {
    EXPECT_EQ(store::customer_list_source(false), "yrkb_com where yn=false");
    EXPECT_EQ(store::customer_list_source(true), "yrkb_com where yn=true");
    EXPECT_EQ(store::customer_source(42), "yrkb_com where id=42");
    EXPECT_EQ(store::duplicate_source("tb_1", "店主"),
              "yrkb_com where wang='tb_1' and wang2='店主'");
    EXPECT_EQ(store::duplicate_source_except("a'b", "c", 7),
              "yrkb_com where wang='a''b' and wang2='c' and id<>7");
    EXPECT_EQ(store::delete_customer_statement(9), "delete * from yrkb_com where id=9");
    EXPECT_EQ(store::deal_count_source(true), "yrkb_com where yn=true");
    EXPECT_EQ(store::deal_count_source(false), "yrkb_com where yn=false");
    EXPECT_EQ(store::settings_source(store::kOurIdsRow), "vantel_ww where id=1");
    EXPECT_EQ(store::settings_source(store::kSkinRow), "vantel_ww where id=3");
    EXPECT_EQ(store::quoted("' or '1'='1"), "'' or ''1''=''1");
}

TEST_P(Actions, EveryActionOnTheBuiltInDatabase) {
    // First start: no customers, empty ID list, skin 2, both counts zero.
    EXPECT_EQ(store::load_customers(c_, rs_, where_, false)->size(), 0u);
    EXPECT_EQ(store::load_customers(c_, rs_, where_, true)->size(), 0u);
    EXPECT_EQ(store::count_customers(c_, rs_, where_, true), 0);
    EXPECT_EQ(store::count_customers(c_, rs_, where_, false), 0);
    EXPECT_EQ(store::read_setting(c_, rs_, where_, store::kOurIdsRow), "");
    EXPECT_EQ(store::read_setting(c_, rs_, where_, store::kSkinRow), "2");

    std::int32_t a = 0, b = 0, c = 0;
    ASSERT_EQ(store::save_new_customer(c_, rs_, where_, customer("买家A", "店主一", "备注"), &a),
              store::SaveOutcome::saved);
    EXPECT_EQ(a, 1);
    ASSERT_EQ(store::save_new_customer(c_, rs_, where_, customer("buyer_b", "店主一"), &b),
              store::SaveOutcome::saved);
    ASSERT_EQ(store::save_new_customer(c_, rs_, where_, customer("买家A", "店主二"), &c),
              store::SaveOutcome::saved);
    EXPECT_EQ(std::vector<std::int32_t>({a, b, c}), std::vector<std::int32_t>({1, 2, 3}));
    // The same customer ID and our ID again, in another letter case too.
    EXPECT_EQ(store::save_new_customer(c_, rs_, where_, customer("买家A", "店主一")),
              store::SaveOutcome::duplicate);
    EXPECT_EQ(store::save_new_customer(c_, rs_, where_, customer("BUYER_B", "店主一")),
              store::SaveOutcome::duplicate);

    // Editing: keeping one's own IDs is no duplicate; taking another's is.
    EXPECT_EQ(store::save_edited_customer(c_, rs_, where_, b, customer("buyer_b", "店主一", "x")),
              store::SaveOutcome::saved);
    EXPECT_EQ(store::save_edited_customer(c_, rs_, where_, b, customer("买家A", "店主一")),
              store::SaveOutcome::duplicate);

    auto open = store::load_customers(c_, rs_, where_, false);
    ASSERT_TRUE(open.has_value());
    ASSERT_EQ(open->size(), 3u);
    EXPECT_EQ((*open)[0].id, 3);  // newest first
    EXPECT_EQ((*open)[2], (store::CustomerRow{1, "买家A", "店主一", 46000.25, 46001.5, 0, "备注"}));
    EXPECT_EQ((*open)[1].note, "x");
    // A loaded note holds no more room than its text: a hundred thousand of them add up.
    const std::string note = "问了尺码和发货时间，说过两天再来看看";
    ASSERT_EQ(store::save_edited_customer(c_, rs_, where_, b, customer("buyer_b", "店主一", note)),
              store::SaveOutcome::saved);
    const auto loaded = store::load_customers(c_, rs_, where_, false);
    EXPECT_EQ((*loaded)[1].note, note);
    EXPECT_EQ((*loaded)[1].note.capacity(), note.size());

    ASSERT_TRUE(store::register_deal(c_, rs_, where_, b, 46010.0));
    EXPECT_EQ(store::count_customers(c_, rs_, where_, true), 1);
    EXPECT_EQ(store::count_customers(c_, rs_, where_, false), 2);
    auto closed = store::load_customers(c_, rs_, where_, true);
    ASSERT_EQ(closed->size(), 1u);
    EXPECT_EQ((*closed)[0].deal_date, 46010.0);
    ASSERT_TRUE(store::reopen_customer(c_, rs_, where_, b));
    EXPECT_EQ(store::count_customers(c_, rs_, where_, true), 0);
    // Back to open, the deal date stays.
    auto again = store::load_customers(c_, rs_, where_, false);
    ASSERT_EQ(again->size(), 3u);
    EXPECT_EQ((*again)[1].deal_date, 46010.0);

    EXPECT_FALSE(store::register_deal(c_, rs_, where_, 99, 46010.0));  // no such customer
    ASSERT_TRUE(store::delete_customer(c_, where_, a));
    EXPECT_EQ(store::load_customers(c_, rs_, where_, false)->size(), 2u);

    ASSERT_TRUE(store::write_setting(c_, rs_, where_, store::kOurIdsRow, "店主一\r\n店主二"));
    ASSERT_TRUE(store::write_setting(c_, rs_, where_, store::kSkinRow, "17"));
    EXPECT_EQ(store::read_setting(c_, rs_, where_, store::kOurIdsRow), "店主一\r\n店主二");
    EXPECT_EQ(store::read_setting(c_, rs_, where_, store::kSkinRow), "17");
    // The next customer still gets a new number after a delete.
    std::int32_t d = 0;
    ASSERT_EQ(store::save_new_customer(c_, rs_, where_, customer("d", "e"), &d),
              store::SaveOutcome::saved);
    EXPECT_EQ(d, 4);
}

TEST_P(Actions, SingleQuotesAreStoredAndFoundExactly) {
    const std::vector<std::string> hostile = {"o'neil", "'", "' or '1'='1", "''", "x' or wang<>'"};
    std::int32_t plain = 0;
    ASSERT_EQ(store::save_new_customer(c_, rs_, where_, customer("plain", "ours"), &plain),
              store::SaveOutcome::saved);
    std::map<std::string, std::int32_t> ids;
    for (const auto& v : hostile) {
        std::int32_t id = 0;
        ASSERT_EQ(store::save_new_customer(c_, rs_, where_, customer(v, v, v), &id),
                  store::SaveOutcome::saved)
            << v;
        ids[v] = id;
    }
    // Each is a duplicate of itself only: no value widened the duplicate test.
    for (const auto& v : hostile)
        EXPECT_EQ(store::save_new_customer(c_, rs_, where_, customer(v, v)),
                  store::SaveOutcome::duplicate)
            << v;
    EXPECT_EQ(store::save_new_customer(c_, rs_, where_, customer("' or '1'='1", "ours")),
              store::SaveOutcome::saved);

    auto rows = store::load_customers(c_, rs_, where_, false);
    ASSERT_TRUE(rows.has_value());
    ASSERT_EQ(rows->size(), hostile.size() + 2);
    for (const auto& r : *rows) {
        if (r.id == plain || r.our_id == "ours") continue;
        EXPECT_EQ(r.buyer, r.our_id);
        EXPECT_EQ(r.note, r.buyer);
        EXPECT_EQ(ids.at(r.buyer), r.id);
    }
    // Deleting by number touches that row alone.
    ASSERT_TRUE(store::delete_customer(c_, where_, ids.at("' or '1'='1")));
    EXPECT_EQ(store::load_customers(c_, rs_, where_, false)->size(), hostile.size() + 1);
}

TEST_F(FileActions, AFileThatIsNoUsableDatabaseFailsEveryAction) {
    auto write_file = [&](const std::string& name, const std::vector<char>& bytes) {
        std::string path = dir_ + "/" + name;
        std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
        return path;
    };
    std::mt19937 rng(7);
    std::vector<char> random(159744);
    for (auto& ch : random)
        ch = static_cast<char>(rng());
    auto carried = store::database_template();
    std::vector<char> half(carried.begin(), carried.begin() + 80000);
    std::vector<std::string> paths = {write_file("zero.db", {}), write_file("random.db", random),
                                      write_file("half.db", half)};
    fs::create_directories(dir_ + "/dir/yrkb_com.db");
    paths.push_back(dir_ + "/dir/yrkb_com.db");
    paths.push_back(dir_ + "/missing.db");
    for (const auto& p : paths) {
        SCOPED_TRACE(p);
        store::StoreLocation bad{p, store::kDatabasePassword};
        EXPECT_FALSE(c_.open_store(p, store::kDatabasePassword));
        EXPECT_FALSE(store::load_customers(c_, rs_, bad, false).has_value());
        EXPECT_EQ(store::save_new_customer(c_, rs_, bad, customer("a", "b")),
                  store::SaveOutcome::unavailable);
        EXPECT_FALSE(store::delete_customer(c_, bad, 1));
        EXPECT_FALSE(store::read_setting(c_, rs_, bad, store::kSkinRow).has_value());
    }
    // The right file with another password.
    store::StoreLocation wrong{where_.path, "kx7-pq2-lm9w"};
    EXPECT_FALSE(store::load_customers(c_, rs_, wrong, false).has_value());
    EXPECT_FALSE(c_.open_store(where_.path, ""));
    // And provisioning wrote nothing over any of them.
    jet::OsFileSystem os;
    store::provision_store(os, paths[0]);
    EXPECT_EQ(fs::file_size(paths[0]), 0u);
    store::provision_store(os, paths[3]);
    EXPECT_TRUE(fs::is_directory(paths[3]));
}

// A save asks whether the buyer is stored already, and what it learnt of the file's buyers is
// kept from one save to the next. It must follow every change to the file: this program's own
// (a rename, a delete, an import, an import undone), another copy's (a connection by another
// spelling of the path) and another program's (jetdump, in a process of its own).
TEST_F(FileActions, TheDuplicateCheckFollowsEveryChangeToTheFile) {
    using store::SaveOutcome;
    const store::StoreLocation other_copy{dir_ + "/./yrkb_com.db", where_.password};
    store::StoreConnection c2;
    store::RowSet rs2;
    const auto save = [&](const std::string& buyer, bool by_other = false) {
        return by_other ? store::save_new_customer(c2, rs2, other_copy, customer(buyer, "店主"))
                        : store::save_new_customer(c_, rs_, where_, customer(buyer, "店主"));
    };
    const auto id_of = [&](const std::string& buyer) {
        const auto rows = store::load_customers(c_, rs_, where_, false);
        const auto it = std::find_if(rows->begin(), rows->end(),
                                     [&](const store::CustomerRow& r) { return r.buyer == buyer; });
        return it == rows->end() ? 0 : it->id;
    };
    const auto rename = [&](const std::string& from, const std::string& to, bool by_other) {
        return by_other ? store::save_edited_customer(c2, rs2, other_copy, id_of(from),
                                                      customer(to, "店主"))
                        : store::save_edited_customer(c_, rs_, where_, id_of(from),
                                                      customer(to, "店主"));
    };
    ASSERT_EQ(save("买家A"), SaveOutcome::saved);
    ASSERT_EQ(save("买家B", true), SaveOutcome::saved);
    EXPECT_EQ(save("买家b"), SaveOutcome::duplicate);
    ASSERT_EQ(rename("买家A", "改名A", true), SaveOutcome::saved);
    EXPECT_EQ(save("改名a"), SaveOutcome::duplicate);
    EXPECT_EQ(save("买家A"), SaveOutcome::saved);
    ASSERT_TRUE(store::delete_customer(c2, other_copy, id_of("买家B")));
    EXPECT_EQ(save("买家B"), SaveOutcome::saved);
    int status = -1;
    testing_support::run_command(std::string(LQ_JETDUMP) + " --password '" + where_.password +
                                     "' '" + where_.path +
                                     "' --insert yrkb_com wang=外来买家 wang2=店主 yn=false",
                                 &status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(save("外来买家"), SaveOutcome::duplicate);
    // Our own changes: a rename, an import of more than the check gathers before it sorts
    // them in, one undone before its commit.
    ASSERT_EQ(rename("买家B", "又改名", false), SaveOutcome::saved);
    EXPECT_EQ(save("又改名"), SaveOutcome::duplicate);
    EXPECT_EQ(save("买家B"), SaveOutcome::saved);
    std::vector<store::ImportCandidate> batch;
    for (int i = 0; i < 1100; ++i)
        batch.push_back({customer("导入" + std::to_string(i), "店主"), std::nullopt});
    store::ImportReport report;
    ASSERT_FALSE(store::import_customers(c_, rs_, where_, batch, report,
                                         [&](std::size_t done) { return done < batch.size(); }));
    ASSERT_TRUE(report.stopped);
    EXPECT_EQ(save("导入5"), SaveOutcome::saved);
    batch.erase(batch.begin() + 5);
    ASSERT_TRUE(store::import_customers(c_, rs_, where_, batch, report));
    for (const auto& [buyer, by_other] : {std::pair{"导入0", false}, std::pair{"导入5", false},
                                          std::pair{"导入700", true}, std::pair{"导入1099", false}})
        EXPECT_EQ(save(buyer, by_other), SaveOutcome::duplicate) << buyer;
    EXPECT_EQ(save("导入1100"), SaveOutcome::saved);
}

// An import of many goes to the store as one batch: open and closed customers mixed (their
// rows set different columns), more rows than one statement of the server takes, pairs
// stored already skipped, and each stored field as given, numbered in the file's order. A
// refused row takes every other one of the import with it.
TEST_P(Actions, AnImportOfManyStoresThemAllInOrderOrNone) {
    std::int32_t first = 0;
    ASSERT_EQ(store::save_new_customer(c_, rs_, where_, customer("buyer_7", "店主"), &first),
              store::SaveOutcome::saved);
    std::vector<store::ImportCandidate> candidates;
    for (int i = 0; i < 1300; ++i) {
        store::ImportCandidate candidate{customer(i == 7 ? "BUYER_7" : "buyer_" + std::to_string(i),
                                                  "店主", i % 5 == 0 ? "问过'价格'\r\n第二行" : ""),
                                         std::nullopt};
        candidate.fields.first_enquiry = 40000 + i;
        if (i % 3 == 0) candidate.deal_date = 41000 + i;
        candidates.push_back(candidate);
    }
    store::ImportReport report;
    ASSERT_TRUE(store::import_customers(c_, rs_, where_, candidates, report));
    EXPECT_EQ(report.added, 1299);
    EXPECT_EQ(report.already_stored, std::vector<std::size_t>{7});
    std::vector<store::CustomerRow> all = store::load_customers(c_, rs_, where_, false).value();
    const auto closed = store::load_customers(c_, rs_, where_, true).value();
    all.insert(all.end(), closed.begin(), closed.end());
    std::sort(all.begin(), all.end(), [](const auto& a, const auto& b) { return a.id < b.id; });
    ASSERT_EQ(all.size(), 1300u);
    for (std::size_t k = 1; k < all.size(); ++k) {
        const std::size_t i = k - 1 + (k - 1 >= 7 ? 1 : 0);  // the candidate it came from
        SCOPED_TRACE(i);
        const auto& c = candidates[i];
        EXPECT_EQ(all[k].id, first + static_cast<std::int32_t>(k));
        EXPECT_EQ(all[k].buyer, c.fields.buyer);
        EXPECT_EQ(all[k].note, c.fields.note);
        EXPECT_EQ(all[k].first_enquiry, c.fields.first_enquiry);
        EXPECT_EQ(all[k].last_follow_up, c.fields.last_follow_up);
        EXPECT_EQ(all[k].deal_date, c.deal_date.value_or(0));
    }
    // One ID too long for its column: nothing of that import is stored.
    candidates.assign(600, store::ImportCandidate{customer("later", "店主"), std::nullopt});
    for (std::size_t i = 0; i < candidates.size(); ++i)
        candidates[i].fields.buyer = "later_" + std::to_string(i);
    candidates[550].fields.buyer = std::string(60, 'x');
    EXPECT_FALSE(store::import_customers(c_, rs_, where_, candidates, report));
    EXPECT_EQ(report.added, 0);
    EXPECT_EQ(store::count_customers(c_, rs_, where_, false).value_or(-1) +
                  store::count_customers(c_, rs_, where_, true).value_or(-1),
              1300);
}

// An import stopped by the user, before its first row, midway or after its last one, leaves
// the store as it was: the file byte for byte, the server's rows one for one.
TEST_P(Actions, AStoppedImportLeavesTheStoreAsItWas) {
    ASSERT_EQ(store::save_new_customer(c_, rs_, where_, customer("kept", "店主")),
              store::SaveOutcome::saved);
    c_.close_store();
    std::vector<store::ImportCandidate> candidates;
    for (int i = 0; i < 1500; ++i)
        candidates.push_back({customer("buyer_" + std::to_string(i), "店主"), std::nullopt});
    const auto file_bytes = [this] {
        std::ifstream in(where_.path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const std::string before = file_bytes();
    // Stopped at the first question, midway, once every row is staged, and before the commit.
    for (const std::size_t stop_on : {1u, 3u, 4u, 5u}) {
        SCOPED_TRACE(stop_on);
        std::vector<std::size_t> asked;
        store::ImportReport report;
        EXPECT_FALSE(
            store::import_customers(c_, rs_, where_, candidates, report, [&](std::size_t done) {
                asked.push_back(done);
                return asked.size() < stop_on;
            }));
        EXPECT_TRUE(report.stopped);
        EXPECT_EQ(report.added, 0);
        EXPECT_EQ(asked.size(), stop_on);
        EXPECT_EQ(file_bytes(), before);
        EXPECT_EQ(store::count_customers(c_, rs_, where_, false).value_or(-1), 1);
        c_.close_store();
    }
    // Told along the way, and going on to the end when nobody stops it.
    std::vector<std::size_t> asked;
    store::ImportReport report;
    ASSERT_TRUE(store::import_customers(c_, rs_, where_, candidates, report, [&](std::size_t done) {
        asked.push_back(done);
        return true;
    }));
    EXPECT_EQ(asked, (std::vector<std::size_t>{0, 512, 1024, 1500, 1500}));
    EXPECT_EQ(report.added, 1500);
    EXPECT_FALSE(report.stopped);
}

TEST_P(Actions, NextDatesAndTheFollowUpLogGoWithTheCustomer) {
    std::int32_t a = 0, b = 0;
    ASSERT_EQ(store::save_new_customer(c_, rs_, where_, customer("买家A", "店主一", "旧"), &a),
              store::SaveOutcome::saved);
    ASSERT_EQ(store::save_new_customer(c_, rs_, where_, customer("b", "店主二"), &b, 46100.0),
              store::SaveOutcome::saved);
    const auto next_of = [&](std::int32_t id) {
        const auto rows = store::load_customers(c_, rs_, where_, false);
        for (const auto& r : *rows)
            if (r.id == id) return r.next_follow_up;
        return -1.0;
    };
    const auto log_of = [&](std::int32_t id) {
        return *store::read_follow_up_log(c_, rs_, where_, id);
    };
    EXPECT_EQ(next_of(a), 0.0);
    EXPECT_EQ(next_of(b), 46100.0);
    EXPECT_TRUE(log_of(a).empty());

    // Each follow-up: the last follow-up, the note's line, the next date and a log row.
    ASSERT_TRUE(
        store::record_follow_up(c_, rs_, where_, a, {46002.5, "问价", "26-1-1 12:00 问价", 46005}));
    ASSERT_TRUE(store::record_follow_up(c_, rs_, where_, a, {46003.25, "", "", 0}));
    ASSERT_TRUE(store::record_follow_up(c_, rs_, where_, a, {46003.25, "又问", "x 又问", 46009}));
    auto rows = store::load_customers(c_, rs_, where_, false);
    EXPECT_EQ(rows->back().last_follow_up, 46003.25);
    EXPECT_EQ(rows->back().note, "x 又问\r\n26-1-1 12:00 问价\r\n旧");
    EXPECT_EQ(next_of(a), 46009.0);
    EXPECT_EQ(log_of(a), (std::vector<store::LogEntry>{{46003.25, "店主一", "又问"},
                                                       {46003.25, "店主一", ""},
                                                       {46002.5, "店主一", "问价"}}));
    // The editor sets or clears the date; a new buyer ID keeps it; no date given keeps it.
    ASSERT_EQ(store::save_edited_customer(c_, rs_, where_, b, customer("b2", "店主二"), 0.0),
              store::SaveOutcome::saved);
    EXPECT_EQ(next_of(b), 0.0);
    ASSERT_EQ(store::save_edited_customer(c_, rs_, where_, a, customer("买家A2", "店主一")),
              store::SaveOutcome::saved);
    EXPECT_EQ(next_of(a), 46009.0);
    // Closed and reopened, the step stays; a follow-up of a customer gone is refused.
    ASSERT_TRUE(store::register_deal(c_, rs_, where_, a, 46010));
    ASSERT_TRUE(store::reopen_customer(c_, rs_, where_, a));
    EXPECT_EQ(next_of(a), 46009.0);
    EXPECT_EQ(store::record_follow_up(c_, rs_, where_, 99, {46003, "x", "x", 0}).outcome,
              store::ActionOutcome::missing);

    readers_agree("lq_log", "\"又问\"");
    readers_agree("lq_buyer", "\"买家A2\"");
    // A delete takes the customer's log and step with it, to the bin.
    ASSERT_TRUE(store::delete_customer(c_, where_, a));
    ASSERT_TRUE(c_.open_store(where_));
    rs_.attach(c_);
    ASSERT_TRUE(rs_.open_rows("lq_log where customer=" + std::to_string(a), store::kTableMode));
    EXPECT_EQ(rs_.row_count(), 0);
    ASSERT_TRUE(rs_.open_rows("lq_buyer where customer=" + std::to_string(a), store::kTableMode));
    EXPECT_EQ(rs_.row_count(), 0);
    rs_.close_rows();
    c_.close_store();
}

TEST_P(Actions, AnImportedNotesDatedLinesBecomeItsLog) {
    // Lines of the program's own note ("2025-3-5 14:30 …") and a sheet's ("2025-03-05 …");
    // an undated line, a day the calendar lacks and a bad time stay the note's alone.
    const std::string note =
        "2025-3-5 14:30 问了尺码\r\n2025-02-30 不是日期\r\n随便写的\r\n2025-03-01 第一次来\r\n"
        "2025-1-2 25:00 时间不对";
    std::vector<store::ImportCandidate> sheet = {
        {customer("a", "店主一", note), std::nullopt},
        {customer("b", "店主二", "没有日期"), std::nullopt}};
    store::ImportReport report;
    ASSERT_TRUE(store::import_customers(c_, rs_, where_, sheet, report));
    const auto rows = store::load_customers(c_, rs_, where_, false);
    ASSERT_EQ(rows->size(), 2u);
    const auto log = store::read_follow_up_log(c_, rs_, where_, rows->back().id);
    const double mar5 = 45721, mar1 = 45717, jan2 = 45659;  // 2025-3-5, 2025-3-1, 2025-1-2
    EXPECT_EQ(log, (std::vector<store::LogEntry>{{mar5 + 14.5 / 24, "店主一", "问了尺码"},
                                                 {mar1, "店主一", "第一次来"},
                                                 {jan2, "店主一", "25:00 时间不对"}}));
    EXPECT_TRUE(store::read_follow_up_log(c_, rs_, where_, rows->front().id)->empty());
    EXPECT_EQ(rows->back().note, note);  // the note itself as it was
}

TEST_P(Actions, AGiveUpKeepsItsReasonUntilTheCustomerIsTakenBack) {
    std::int32_t a = 0, b = 0;
    ASSERT_EQ(store::save_new_customer(c_, rs_, where_, customer("a", "店主一"), &a, 46100.0),
              store::SaveOutcome::saved);
    ASSERT_EQ(store::save_new_customer(c_, rs_, where_, customer("b", "店主二"), &b),
              store::SaveOutcome::saved);
    const auto row_of = [&](std::int32_t id) {
        const auto rows = store::load_customers(c_, rs_, where_, false);
        for (const auto& r : *rows)
            if (r.id == id) return r;
        return store::CustomerRow{};
    };
    const auto reasons = [&] {
        std::vector<std::string> names;
        const auto list = store::read_shop_list(c_, rs_, where_, store::ListKind::reason);
        for (const auto& e : *list)
            names.push_back(e.name);
        return names;
    };
    EXPECT_TRUE(reasons().empty());
    // A usual reason is not kept again; a typed one joins the shop's list once, case ignored.
    ASSERT_TRUE(store::give_up_customer(c_, rs_, where_, a, 46101.5, "嫌贵"));
    ASSERT_TRUE(store::give_up_customer(c_, rs_, where_, b, 46102.0, "Moved Abroad"));
    ASSERT_TRUE(store::give_up_customer(c_, rs_, where_, b, 46102.5, "moved abroad"));
    EXPECT_EQ(reasons(), std::vector<std::string>{"Moved Abroad"});
    EXPECT_EQ(row_of(a).gave_up, 46101.5);
    EXPECT_EQ(row_of(a).reason, "嫌贵");
    EXPECT_EQ(row_of(a).next_follow_up, 46100.0);  // the next date stays for a return
    EXPECT_EQ(row_of(b).reason, "moved abroad");
    // Taken back: out of the given-up view, a line in the log each time.
    ASSERT_TRUE(store::resume_customer(c_, rs_, where_, a, 46103));
    EXPECT_EQ(row_of(a).gave_up, 0.0);
    EXPECT_EQ(row_of(a).reason, "");
    EXPECT_EQ(*store::read_follow_up_log(c_, rs_, where_, a),
              (std::vector<store::LogEntry>{{46103, "店主一", "重新跟进"},
                                            {46101.5, "店主一", "放弃跟进：嫌贵"}}));
    EXPECT_EQ(store::give_up_customer(c_, rs_, where_, 999, 46103, "x").outcome,
              store::ActionOutcome::missing);
    // A customer without a kept row taken back needs none.
    std::int32_t d = 0;
    ASSERT_EQ(store::save_new_customer(c_, rs_, where_, customer("d", "店主一"), &d),
              store::SaveOutcome::saved);
    ASSERT_TRUE(store::resume_customer(c_, rs_, where_, d, 46103));
    EXPECT_EQ(row_of(d).gave_up, 0.0);
}

TEST_P(Actions, ADeletedCustomerComesBackFromTheBinAsItWasUntilThirtyDaysPass) {
    const double t = 46100.25;
    std::int32_t a = 0, b = 0, n = 0;
    ASSERT_EQ(store::save_new_customer(c_, rs_, where_, customer("a", "店主一", "第一行\r\n第二行"),
                                       &a, 46110.0),
              store::SaveOutcome::saved);
    ASSERT_EQ(store::save_new_customer(c_, rs_, where_, customer("b", "店主二"), &b),
              store::SaveOutcome::saved);
    ASSERT_TRUE(store::record_follow_up(c_, rs_, where_, a, {46099.5, "问价", "", 46111}));
    ASSERT_TRUE(store::give_up_customer(c_, rs_, where_, a, 46099.75, "嫌贵"));
    ASSERT_TRUE(store::register_deal(c_, rs_, where_, b, 46098));
    ASSERT_EQ(store::save_new_customer(c_, rs_, where_, customer("n", "店主一"), &n),
              store::SaveOutcome::saved);
    const auto all = [&](bool closed) { return *store::load_customers(c_, rs_, where_, closed); };
    const auto before_a = all(false).back(), before_b = all(true).front();
    const auto log_a = *store::read_follow_up_log(c_, rs_, where_, a);
    ASSERT_EQ(log_a.size(), 2u);

    ASSERT_TRUE(store::delete_customer(c_, where_, a, {t, "前台电脑"}));
    ASSERT_TRUE(store::delete_customer(c_, where_, b, {t + 0.5, "仓库"}));
    ASSERT_EQ(all(false).size(), 1u);
    auto bin = *store::read_bin(c_, rs_, where_);
    ASSERT_EQ(bin.size(), 2u);
    EXPECT_EQ(bin[0].customer, before_b);  // the last deleted first, every field as it was
    EXPECT_TRUE(bin[0].closed);
    EXPECT_EQ(bin[1].customer, before_a);
    EXPECT_FALSE(bin[1].closed);
    EXPECT_EQ(bin[1].deleted_at, t);
    EXPECT_EQ(bin[1].deleted_on, "前台电脑");
    EXPECT_TRUE(store::read_follow_up_log(c_, rs_, where_, a)->empty());
    readers_agree("lq_bin", "\"前台电脑\"");

    // Both back, new numbers, everything else as it was; the bin is empty again.
    store::PutBackReport report;
    ASSERT_TRUE(store::put_back(c_, rs_, where_, {bin[0].bin_id, bin[1].bin_id}, report));
    EXPECT_EQ(report.put_back, 2);
    EXPECT_TRUE(store::read_bin(c_, rs_, where_)->empty());
    auto back_a = all(false).front(), back_b = all(true).front();
    EXPECT_GT(back_a.id, n);
    EXPECT_EQ(*store::read_follow_up_log(c_, rs_, where_, back_a.id), log_a);
    back_a.id = before_a.id;
    back_b.id = before_b.id;
    EXPECT_EQ(back_a, before_a);
    EXPECT_EQ(back_b, before_b);

    // Deleted again while a customer of the same IDs was added: it stays in the bin.
    ASSERT_TRUE(store::delete_customer(c_, where_, all(false).front().id, {t, "前台电脑"}));
    ASSERT_EQ(store::save_new_customer(c_, rs_, where_, customer("A", "店主一")),
              store::SaveOutcome::saved);
    const auto entry = store::read_bin(c_, rs_, where_)->front().bin_id;
    ASSERT_TRUE(store::put_back(c_, rs_, where_, {entry}, report));
    EXPECT_EQ(report.put_back, 0);
    EXPECT_EQ(report.already_stored, std::vector<std::int32_t>{entry});
    EXPECT_EQ(store::put_back(c_, rs_, where_, {99999}, report).outcome,
              store::ActionOutcome::missing);

    // Thirty days to the day it stays, and one set back clock keeps it too; a day more and
    // it is gone with its log.
    int removed = -1;
    for (const double now : {t + 30, t - 400}) {
        ASSERT_TRUE(store::empty_old_bin(c_, rs_, where_, now, &removed));
        EXPECT_EQ(removed, 0);
    }
    ASSERT_TRUE(store::empty_old_bin(c_, rs_, where_, t + 30.01, &removed));
    EXPECT_EQ(removed, 1);
    EXPECT_TRUE(store::read_bin(c_, rs_, where_)->empty());
    ASSERT_TRUE(c_.open_store(where_));
    rs_.attach(c_);
    ASSERT_TRUE(rs_.open_rows("lq_log where customer<0", store::kTableMode));
    EXPECT_EQ(rs_.row_count(), 0);
    rs_.close_rows();
    c_.close_store();
}

TEST_P(Actions, TagsAreRenamedReorderedAndRemovedFromEveryCustomerInOneStep) {
    std::int32_t a = 0, b = 0;
    ASSERT_EQ(store::save_new_customer(c_, rs_, where_, customer("a", "店主一"), &a),
              store::SaveOutcome::saved);
    ASSERT_EQ(store::save_new_customer(c_, rs_, where_, customer("b", "店主一"), &b, 46100.0),
              store::SaveOutcome::saved);
    const auto tags = [&] { return *store::read_shop_list(c_, rs_, where_, store::ListKind::tag); };
    const auto shown = [&](std::int32_t id) {
        const auto rows = store::load_customers(c_, rs_, where_, false);
        for (const auto& r : *rows)
            if (r.id == id) return r.tags.str();
        return std::string("?");
    };
    ASSERT_TRUE(store::save_tags(c_, rs_, where_, {{0, "嫌贵"}, {0, "要发票"}, {0, "老客户"}}));
    const auto made = tags();
    ASSERT_EQ(made.size(), 3u);
    const std::int32_t pricey = made[0].id, invoice = made[1].id, old = made[2].id;
    ASSERT_TRUE(store::set_customer_tags(c_, rs_, where_, a, {old, pricey}));
    ASSERT_TRUE(store::set_customer_tags(c_, rs_, where_, b, {invoice}));
    EXPECT_EQ(shown(a), "#嫌贵 #老客户");  // in the shop's order, whatever the ticking's
    // Renamed and moved: numbers kept; removed: gone from every customer; the next date stays.
    ASSERT_TRUE(store::save_tags(c_, rs_, where_, {{old, "回头客"}, {pricey, "嫌贵"}}));
    EXPECT_EQ(tags(), (std::vector<store::ListEntry>{{old, "回头客"}, {pricey, "嫌贵"}}));
    EXPECT_EQ(shown(a), "#回头客 #嫌贵");
    EXPECT_EQ(shown(b), "");
    const auto rows = store::load_customers(c_, rs_, where_, false);
    EXPECT_EQ(rows->front().next_follow_up, 46100.0);
    ASSERT_TRUE(store::set_customer_tags(c_, rs_, where_, a, {}));
    EXPECT_EQ(shown(a), "");
    EXPECT_EQ(store::set_customer_tags(c_, rs_, where_, 999, {old}).outcome,
              store::ActionOutcome::missing);
    EXPECT_EQ(store::tag_ids_in(",3,17,x,"), (std::vector<std::int32_t>{3, 17}));
    EXPECT_FALSE(store::fits_tag_name("a b") || store::fits_tag_name("#a") ||
                 store::fits_tag_name("a，b") || store::fits_tag_name(""));
    readers_agree("lq_tag", "\"回头客\"");
}

// A kept step reaches the list only on its own customer's row: by number when the numbers lie
// close together, by search once one lies far off, and never on a number now another buyer's.
TEST_P(Actions, TheListShowsEachKeptStepOnlyOnItsOwnBuyersRow) {
    std::int32_t a = 0, b = 0;
    ASSERT_EQ(store::save_new_customer(c_, rs_, where_, customer("a", "店主一"), &a, 46100.0),
              store::SaveOutcome::saved);
    ASSERT_EQ(store::save_new_customer(c_, rs_, where_, customer("b", "店主一"), &b),
              store::SaveOutcome::saved);
    const auto shown = [&] {
        std::map<std::int32_t, double> next;
        const auto rows = store::load_customers(c_, rs_, where_, false);
        for (const auto& r : rows ? *rows : std::vector<store::CustomerRow>{})
            next[r.id] = r.next_follow_up;
        return next;
    };
    // Rows written as another program might: a step kept for "b" when its number was another
    // buyer's, one for a number nobody has; then a customer numbered far beyond the rest.
    const std::int32_t far = a + 50000;
    using Step = std::tuple<std::int32_t, std::string, double>;
    for (const auto& steps : {std::vector<Step>{{b, "旧买家", 46200.0}, {b + 7, "x", 46300.0}},
                              std::vector<Step>{{far, "c", 46400.0}}}) {
        ASSERT_TRUE(store::open_action(c_, rs_, where_, "yrkb_com where id=0", true));
        rs_.begin_batch();
        const bool far_one = std::get<0>(steps[0]) == far;
        ASSERT_TRUE(!far_one || (rs_.add_numbered_row() && rs_.write_int("id", far) &&
                                 rs_.write_text("wang", "c") && rs_.write_text("wang2", "店主一") &&
                                 rs_.write_bool("yn", false) && rs_.update_row()));
        ASSERT_TRUE(rs_.end_batch());
        for (const auto& [id, buyer, next] : steps)
            ASSERT_TRUE(store::reopen_rows(rs_, "lq_buyer where customer=0") && rs_.add_row() &&
                        rs_.write_int("customer", id) && rs_.write_text("wang", buyer) &&
                        rs_.write_datetime("next_date", next) && rs_.update_row());
        ASSERT_TRUE(c_.commit_transaction());
        store::close_action(c_, rs_);
        if (!far_one) {
            EXPECT_EQ(shown(), (std::map<std::int32_t, double>{{a, 46100.0}, {b, 0.0}}));
        }
    }
    EXPECT_EQ(shown(), (std::map<std::int32_t, double>{{a, 46100.0}, {b, 0.0}, {far, 46400.0}}));
}

// The shop's figures at a month's edges: a buyer who asked on the last day of January and
// bought on the first of February, a deal without a first enquiry, a buyer moved to another
// ID of ours, a deleted buyer (not counted), and a month without enquiries.
TEST_P(Actions, TheShopsFiguresCountEachBuyerOnceAtThePeriodsEdges) {
    const auto day = [](int m, unsigned d) {
        return static_cast<double>(jet::days_from_civil({2026, static_cast<unsigned>(m), d}) +
                                   jet::kEngineEpochOffset);
    };
    std::int32_t id[6] = {};
    const std::tuple<const char*, const char*, double> made[6] = {
        {"b1", "甲", day(1, 31) + 10.0 / 24},
        {"b2", "甲", day(2, 10)},
        {"b3", "乙", day(2, 4)},
        {"b4", "乙", day(2, 1)},
        {"b5", "甲", day(2, 2)},
        {"b6", "甲", day(2, 3)}};
    for (int i = 0; i < 6; ++i) {
        const auto& [buyer, ours, first] = made[i];
        ASSERT_EQ(
            store::save_new_customer(c_, rs_, where_, {buyer, ours, first, first, ""}, &id[i]),
            store::SaveOutcome::saved);
    }
    // b3's first enquiry unknown: its deal counts, its days do not.
    ASSERT_TRUE(store::open_action(c_, rs_, where_, store::customer_source(id[2]), true));
    ASSERT_TRUE(rs_.write_null("time1") && rs_.update_row() && c_.commit_transaction());
    store::close_action(c_, rs_);
    ASSERT_TRUE(store::register_deal(c_, rs_, where_, id[0], day(2, 1)));
    ASSERT_TRUE(store::register_deal(c_, rs_, where_, id[2], day(2, 5)));
    ASSERT_TRUE(store::register_deal(c_, rs_, where_, id[3], day(2, 3)));
    ASSERT_TRUE(store::record_follow_up(c_, rs_, where_, id[1], {day(2, 11), "问", "", 0}));
    ASSERT_TRUE(store::record_follow_up(c_, rs_, where_, id[4], {day(2, 4), "问", "", 0}));
    ASSERT_TRUE(store::record_follow_up(c_, rs_, where_, id[5], {day(2, 4), "问", "", 0}));
    ASSERT_TRUE(store::give_up_customer(c_, rs_, where_, id[1], day(2, 12), "嫌贵"));
    ASSERT_EQ(store::save_edited_customer(c_, rs_, where_, id[4], {"b5", "乙", day(2, 2), 0, ""}),
              store::SaveOutcome::saved);
    ASSERT_TRUE(store::delete_customer(c_, where_, id[5]));

    const auto figures = [&](double from, double to) {
        return store::read_shop_figures(c_, rs_, where_, {from, to}, 202601, 202602).value();
    };
    const auto feb = figures(day(2, 1), day(3, 1));
    // Per ID in the order of their texts: enquiries, deals, converted, median days, follow-ups,
    // give-ups, reasons.
    using Reasons = std::vector<std::pair<std::string, std::int64_t>>;
    using Row = std::tuple<std::string, std::int64_t, std::int64_t, std::int64_t, std::string,
                           std::int64_t, std::int64_t, Reasons>;
    std::vector<Row> rows;
    for (const auto& f : feb.ids)
        rows.emplace_back(f.our_id, f.enquiries, f.deals, f.converted,
                          store::days_text(f.median_days), f.follow_ups, f.gave_up, f.reasons);
    // 乙: b4 and b5 (moved from 甲) asked, b4 bought; b3's and b4's deals, only b4's days.
    // 甲: b2 asked; b1's deal; b2's and b5's follow-ups (b5 was 甲's then) and b2's give-up.
    EXPECT_EQ(rows, (std::vector<Row>{{"乙", 2, 2, 1, "2.0", 0, 0, {}},
                                      {"甲", 1, 1, 0, "0.6", 3, 1, Reasons{{"嫌贵", 1}}}}));
    EXPECT_EQ(store::conversion_text(feb.total.converted, feb.total.enquiries), "33.3%");
    EXPECT_EQ(store::days_text(feb.total.median_days), "1.3");  // of 0.58 and 2 days
    EXPECT_EQ(std::make_tuple(feb.total.enquiries, feb.total.deals, feb.total.follow_ups),
              std::make_tuple(3, 3, 3));
    EXPECT_EQ(feb.months, (std::vector<store::MonthFigures>{{202601, 1, 1}, {202602, 3, 1}}));
    const auto jan = figures(day(1, 1), day(2, 1));
    ASSERT_EQ(jan.ids.size(), 1u);
    EXPECT_EQ(store::conversion_text(jan.ids[0].converted, jan.ids[0].enquiries), "100.0%");
    EXPECT_EQ(store::days_text(jan.ids[0].median_days), "—");
    // The same shop moved to a server gives the same table, cell by cell as shown.
    if (GetParam() == Engine::jet) {
        auto& server = testing_support::PgServer::shared();
        const store::StoreLocation to{"", "",
                                      server.connection_string(server.fresh_database("figures"))};
        jet::OsFileSystem os;
        ASSERT_EQ(store::move_shop(os, {where_, to, false, {}, {2026, 12, 11}}).outcome,
                  store::MoveOutcome::moved);
        const auto cells = [&](const store::StoreLocation& at, double from, double to_day) {
            const auto f =
                store::read_shop_figures(c_, rs_, at, {from, to_day}, 202601, 202602).value();
            std::vector<std::string> out;
            for (const auto& r : f.ids)
                out.push_back(r.our_id + "|" + std::to_string(r.enquiries) + "|" +
                              std::to_string(r.deals) + "|" +
                              store::conversion_text(r.converted, r.enquiries) + "|" +
                              store::days_text(r.median_days) + "|" + std::to_string(r.follow_ups) +
                              "|" + std::to_string(r.gave_up));
            out.push_back(store::days_text(f.total.median_days));
            for (const auto& m : f.months)
                out.push_back(std::to_string(m.enquiries) + "/" + std::to_string(m.converted));
            return out;
        };
        for (const auto& [from, to_day] :
             {std::pair{day(1, 1), day(2, 1)}, std::pair{day(2, 1), day(3, 1)}})
            EXPECT_EQ(cells(where_, from, to_day), cells(to, from, to_day));
    }
    // Opened again, b1 keeps its deal date but is no deal of February's, and bought nothing.
    ASSERT_TRUE(store::reopen_customer(c_, rs_, where_, id[0]));
    const auto reopened = figures(day(2, 1), day(3, 1));
    EXPECT_EQ(std::make_tuple(reopened.total.deals, store::days_text(reopened.total.median_days),
                              reopened.months[0].converted),
              std::make_tuple(2, std::string("2.0"), 0));
    const auto march = figures(day(3, 1), day(4, 1));
    EXPECT_TRUE(march.ids.empty());
    EXPECT_EQ(store::conversion_text(march.total.converted, march.total.enquiries), "—");
}

INSTANTIATE_TEST_SUITE_P(Engines, Actions, ::testing::Values(Engine::jet, Engine::server),
                         engine_name);

}  // namespace
