// A server that goes away in the middle of a run, stopped or crashed, and a network that
// drops the connection (a relay in front of the server, cut on purpose): every action meanwhile
// fails and says the server is unreachable, nothing is half-written, every save confirmed is
// there, and the next action after the server is back works without anything done about it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <thread>

#include "store/customer_actions.h"
#include "store/sources.h"
#include "tests/store/support/pg_test_server.h"
#include "tests/store/support/tcp_proxy.h"

namespace {

using store::StoreFailure;
using testing_support::PgServer;

struct Outcome {
    std::map<std::string, std::int32_t> saved;  // customer ID -> number, as confirmed
    std::vector<std::string> failed;            // customer IDs whose save failed
    std::map<StoreFailure, int> why;            // the failures' kinds
    std::vector<std::string> messages;          // of failures other than unreachable
};

// Saves customers "<tag>-1", "<tag>-2", ... one user action each until `stop`.
void keep_saving(const store::StoreLocation& where, const std::string& tag, std::atomic<bool>& stop,
                 Outcome& out) {
    store::StoreConnection c;
    store::RowSet rs;
    for (int n = 1; !stop; ++n) {
        const std::string wang = tag + "-" + std::to_string(n);
        std::int32_t id = 0;
        const auto o =
            store::save_new_customer(c, rs, where, {wang, tag, 46000.5, 46001, "n"}, &id);
        if (o == store::SaveOutcome::saved) {
            out.saved[wang] = id;
        } else {
            out.failed.push_back(wang);
            ++out.why[c.last_failure()];
            if (c.last_failure() != StoreFailure::unreachable)
                out.messages.push_back(c.last_error());
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
}

// The customers on the server, ID -> number, read by psql.
std::map<std::string, std::int32_t> stored(PgServer& pg, const std::string& db) {
    std::map<std::string, std::int32_t> out;
    const std::string text = pg.admin_sql(db, "SELECT wang, id FROM yrkb_com");
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find('\n', at);
        const std::string line = text.substr(at, end - at);
        const std::size_t bar = line.find('|');
        EXPECT_TRUE(out.emplace(line.substr(0, bar), std::stoi(line.substr(bar + 1))).second)
            << "stored twice: " << line;
        at = end + 1;
    }
    return out;
}

// Every confirmed save is stored under its number; a failed one at most once (its commit may
// have reached the server just before the link broke, and the answer not come back).
void expect_nothing_lost(PgServer& pg, const std::string& db, const Outcome& o,
                         int* failed_but_stored = nullptr) {
    const auto there = stored(pg, db);
    for (const auto& [wang, id] : o.saved) {
        auto it = there.find(wang);
        ASSERT_TRUE(it != there.end()) << wang << " was confirmed but is not stored";
        EXPECT_EQ(it->second, id) << wang;
    }
    int extra = 0;
    for (const auto& wang : o.failed)
        extra += there.contains(wang);
    if (failed_but_stored) *failed_but_stored = extra;
    EXPECT_LE(there.size(), o.saved.size() + o.failed.size());
}

void wait_until(const std::function<bool()>& done) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!done() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(done()) << "waited a minute in vain";
}

class ServerFaults : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { server_ = PgServer::start(); }
    static void TearDownTestSuite() { server_.reset(); }
    static inline std::unique_ptr<PgServer> server_;
};

TEST_F(ServerFaults, TheServerStoppedOrCrashingInTheMiddleOfARun) {
    PgServer& pg = *server_;
    for (const char* mode : {"fast", "immediate"}) {
        SCOPED_TRACE(mode);
        const std::string db = pg.fresh_database(mode);
        const store::StoreLocation where{"", "", pg.connection_string(db)};
        Outcome o;
        std::atomic<bool> stop{false};
        std::thread pc([&] { keep_saving(where, mode, stop, o); });
        wait_until([&] { return o.saved.size() >= 30; });
        pg.halt(mode);
        // While it is away: every action fails, and says so.
        store::StoreConnection c;
        store::RowSet rs;
        EXPECT_FALSE(store::load_customers(c, rs, where, false).has_value());
        EXPECT_EQ(c.last_failure(), StoreFailure::unreachable) << c.last_error();
        EXPECT_FALSE(store::register_deal(c, rs, where, 1, 46000));
        EXPECT_EQ(c.last_failure(), StoreFailure::unreachable);
        wait_until([&] { return o.failed.size() >= 3; });
        stop = true;
        pc.join();
        for (const auto& [kind, count] : o.why)
            EXPECT_EQ(kind, StoreFailure::unreachable)
                << count << " saves failed as " << store::failure_name(kind);
        for (const auto& m : o.messages)
            ADD_FAILURE() << m;

        pg.resume();
        // The very next action works: the connections kept from before are replaced.
        std::int32_t id = 0;
        ASSERT_EQ(store::save_new_customer(c, rs, where,
                                           {std::string(mode) + "-back", "x", 1, 1, ""}, &id),
                  store::SaveOutcome::saved)
            << c.last_error();
        o.saved[std::string(mode) + "-back"] = id;
        int failed_but_stored = 0;
        expect_nothing_lost(pg, db, o, &failed_but_stored);
        std::printf("%s stop: %zu saves confirmed, %zu failed while away (%d of them stored)\n",
                    mode, o.saved.size(), o.failed.size(), failed_but_stored);
        auto list = store::load_customers(c, rs, where, false);
        ASSERT_TRUE(list.has_value());
        EXPECT_EQ(list->size(), stored(pg, db).size());
    }
}

TEST_F(ServerFaults, TheConnectionCutBetweenAndInsideActions) {
    PgServer& pg = *server_;
    const std::string db = pg.fresh_database("cut");
    testing_support::TcpProxy relay(pg.port());
    const store::StoreLocation where{
        "", "", pg.connection_string(db, pg.shop_user(), pg.shop_password(), relay.port())};
    store::StoreConnection c;
    store::RowSet rs;
    std::int32_t first = 0;
    ASSERT_EQ(store::save_new_customer(c, rs, where, {"first", "x", 1, 1, ""}, &first),
              store::SaveOutcome::saved)
        << c.last_error();

    // Cut between two actions: the next one does not notice.
    relay.cut();
    EXPECT_TRUE(store::register_deal(c, rs, where, first, 46000)) << c.last_error();

    // Cut inside one: the write fails as unreachable and nothing of it is stored.
    ASSERT_TRUE(c.open_store(where));
    ASSERT_TRUE(c.begin_transaction());
    ASSERT_TRUE(rs.attach(c) && rs.open_rows(store::duplicate_source("half", "x"), 2));
    ASSERT_TRUE(rs.add_row() && rs.write_text("wang", "half") && rs.write_text("wang2", "x"));
    relay.cut();
    EXPECT_FALSE(rs.update_row());
    EXPECT_EQ(rs.last_failure(), StoreFailure::unreachable) << rs.last_error();
    EXPECT_FALSE(c.commit_transaction());
    // The commit of a transaction whose link went says so too: the server is away.
    EXPECT_EQ(c.last_failure(), StoreFailure::unreachable) << c.last_error();
    rs.close_rows();
    c.close_store();
    EXPECT_EQ(pg.admin_sql(db, "SELECT count(*) FROM yrkb_com WHERE wang = 'half'"), "0\n");
    EXPECT_EQ(store::save_new_customer(c, rs, where, {"half", "x", 1, 1, ""}),
              store::SaveOutcome::saved);

    // Cuts at random moments while a PC keeps saving.
    Outcome o;
    std::atomic<bool> stop{false};
    std::thread pc([&] { keep_saving(where, "cuts", stop, o); });
    for (int i = 0; i < 25; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(7 + 13 * (i % 5)));
        relay.cut();
    }
    wait_until([&] { return o.saved.size() >= 40; });
    stop = true;
    pc.join();
    for (const auto& [kind, count] : o.why)
        EXPECT_EQ(kind, StoreFailure::unreachable)
            << count << " saves failed as " << store::failure_name(kind);
    int failed_but_stored = 0;
    expect_nothing_lost(pg, db, o, &failed_but_stored);
    std::printf("25 cuts: %zu saves confirmed, %zu failed (%d of them stored), %d connections\n",
                o.saved.size(), o.failed.size(), failed_but_stored, relay.connections());
    EXPECT_GT(relay.connections(), 3);
}

// The end of a transaction going wrong: the answer to COMMIT lost after the server took it,
// COMMIT never arriving, ROLLBACK refused while the link stays up. The PC reports what the
// server holds, a refused ROLLBACK never turns into a commit, a write that did not land leaves
// no change stamp of its own behind, and nothing stays locked.
TEST_F(ServerFaults, TheEndOfATransactionGoingWrong) {
    using Trap = testing_support::TcpProxy::Trap;
    PgServer& pg = *server_;
    const std::string db = pg.fresh_database("ends");
    testing_support::TcpProxy relay(pg.port());
    const store::StoreLocation where{
        "", "", pg.connection_string(db, pg.shop_user(), pg.shop_password(), relay.port())};
    const store::StoreLocation direct{"", "", pg.connection_string(db)};
    store::StoreConnection c, other;
    store::RowSet rs;
    ASSERT_EQ(store::save_new_customer(c, rs, where, {"first", "x", 1, 1, ""}),
              store::SaveOutcome::saved);
    auto count_of = [&](const std::string& wang) {
        return pg.admin_sql(db, "SELECT count(*) FROM yrkb_com WHERE wang = '" + wang + "'");
    };
    auto counter = [&] {
        return std::stoull(pg.admin_sql(db, "SELECT change_count FROM lq_schema"));
    };
    struct Case {
        const char* wang;
        const char* text;
        Trap how;
        bool stored;
    };
    for (const Case& k : {Case{"answer-lost", "COMMIT", Trap::cut_after, true},
                          Case{"never-arrived", "COMMIT", Trap::cut_before, false},
                          Case{"rollback-refused", "ROLLBACK", Trap::refuse, false}}) {
        SCOPED_TRACE(k.wang);
        const auto before = c.own_change_stamp();
        relay.trap(k.text, k.how);
        if (k.how == Trap::refuse) {
            // A write given up half-way: its ROLLBACK is refused.
            ASSERT_TRUE(c.open_store(where));
            ASSERT_TRUE(c.begin_transaction());
            ASSERT_TRUE(rs.attach(c) && rs.open_rows(store::duplicate_source(k.wang, "x"), 2));
            ASSERT_TRUE(rs.add_row() && rs.write_text("wang", k.wang) &&
                        rs.write_text("wang2", "x") && rs.update_row());
            c.rollback_transaction();
            rs.close_rows();
            c.close_store();
        } else {
            std::int32_t id = 0;
            const auto outcome =
                store::save_new_customer(c, rs, where, {k.wang, "x", 1, 1, ""}, &id);
            EXPECT_EQ(outcome,
                      k.stored ? store::SaveOutcome::saved : store::SaveOutcome::not_stored);
            if (k.stored) {
                EXPECT_EQ(pg.admin_sql(db, "SELECT id FROM yrkb_com WHERE wang = '" +
                                               std::string(k.wang) + "'"),
                          std::to_string(id) + "\n");
                EXPECT_EQ(c.own_change_stamp(), counter());  // its own change
            } else {
                EXPECT_EQ(c.last_failure(), StoreFailure::unreachable) << c.last_error();
            }
        }
        EXPECT_TRUE(relay.sprung());
        relay.trap("", Trap::cut_before);
        if (!k.stored) {
            // The stamp the lost write took is not this PC's: another PC's next commit
            // leaves it, and must not be taken for a change this PC has on screen. That PC
            // is not kept waiting by anything the lost write left open.
            EXPECT_EQ(c.own_change_stamp(), before);
            EXPECT_EQ(store::save_new_customer(other, rs, direct,
                                               {std::string(k.wang) + "-other", "y", 1, 1, ""}),
                      store::SaveOutcome::saved)
                << other.last_error();
            EXPECT_NE(c.own_change_stamp(), counter());
        }
        // This PC's next action stores only itself.
        EXPECT_EQ(
            store::save_new_customer(c, rs, where, {std::string(k.wang) + "-next", "x", 1, 1, ""}),
            store::SaveOutcome::saved)
            << c.last_error();
        EXPECT_EQ(count_of(k.wang), k.stored ? "1\n" : "0\n");
        wait_until([&] {
            return pg.admin_sql(db,
                                "SELECT count(*) FROM pg_stat_activity WHERE state LIKE "
                                "'idle in transaction%'") == "0\n";
        });
    }
}
// An import cut off in the middle of its rows, before its COMMIT arrived and after (the answer
// lost): it reports the server away, not a write refused, and what it reports added is what the
// server holds.
TEST_F(ServerFaults, AnImportCutOffTellsWhatTheServerHolds) {
    using Trap = testing_support::TcpProxy::Trap;
    PgServer& pg = *server_;
    testing_support::TcpProxy relay(pg.port());
    struct Case {
        const char* tag;
        const char* text;  // a row's own text, or the COMMIT
        Trap how;
        bool stored;
    };
    for (const Case& k : {Case{"rows", "rows-0150", Trap::cut_before, false},
                          Case{"before", "COMMIT", Trap::cut_before, false},
                          Case{"after", "COMMIT", Trap::cut_after, true}}) {
        SCOPED_TRACE(k.tag);
        const std::string db = pg.fresh_database(k.tag);
        const store::StoreLocation where{
            "", "", pg.connection_string(db, pg.shop_user(), pg.shop_password(), relay.port())};
        std::vector<store::ImportCandidate> rows;
        for (int n = 0; n < 300; ++n) {
            char wang[32];
            std::snprintf(wang, sizeof wang, "%s-%04d", k.tag, n);
            rows.push_back({{wang, "x", 46000, 46000, ""}, std::nullopt});
        }
        store::StoreConnection c;
        store::RowSet rs;
        ASSERT_TRUE(store::load_customers(c, rs, where, false)) << c.last_error();
        relay.trap(k.text, k.how);
        store::ImportReport report;
        const auto result = store::import_customers(c, rs, where, rows, report);
        EXPECT_TRUE(relay.sprung());
        const std::string there = pg.admin_sql(db, "SELECT count(*) FROM yrkb_com");
        if (k.stored) {
            EXPECT_EQ(result.outcome, store::ActionOutcome::done) << c.last_error();
            EXPECT_EQ(report.added, 300);
            EXPECT_EQ(there, "300\n");
        } else {
            EXPECT_EQ(result.outcome, store::ActionOutcome::not_stored);
            EXPECT_EQ(store::failure_of(c), StoreFailure::unreachable) << c.last_error();
            EXPECT_EQ(report.added, 0);
            EXPECT_EQ(there, "0\n");
        }
    }
}

}  // namespace
