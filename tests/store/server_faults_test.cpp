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

}  // namespace
