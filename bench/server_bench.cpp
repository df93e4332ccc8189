// The store on a PostgreSQL server on 127.0.0.1 (started here, with fsync on), beside the
// Jet file's figures of store_bench: one load of the customer list and one save of the
// editor at 1,000, 10,000 and 100,000 customers, one read of the change stamp, and the time
// until a customer saved through one connection is seen through another that polls.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include "bench/shop_customers.h"
#include "jet/file_system.h"
#include "store/action_steps.h"
#include "store/customer_actions.h"
#include "store/provision.h"
#include "store/shop_backup.h"
#include "store/shop_figures.h"
#include "tests/store/support/pg_test_server.h"

namespace {

using Clock = std::chrono::steady_clock;

testing_support::PgServer& server() {
    static std::unique_ptr<testing_support::PgServer> s = testing_support::PgServer::start(true);
    return *s;
}

// A database holding `count` customers alike to store_bench's file: the same IDs, notes,
// dates and every fifth one closed.
store::StoreLocation shop(int count) {
    static std::map<int, store::StoreLocation> made;
    auto it = made.find(count);
    if (it != made.end()) return it->second;
    auto& pg = server();
    const std::string db = pg.fresh_database("bench" + std::to_string(count));
    store::StoreLocation where{"", "", pg.connection_string(db)};
    store::StoreConnection c;
    if (!c.open_store(where))
        throw std::runtime_error("the server did not open: " + c.last_error());
    c.close_store();
    pg.admin_sql(
        db,
        "INSERT INTO yrkb_com (wang, wang2, time1, time2, bs, yn, time3)"
        " SELECT '买家_' || n, CASE WHEN n % 3 = 0 THEN '小店一号' ELSE '小店二号' END,"
        " timestamp '1899-12-30' + (45000 + n % 700) * interval '1 day',"
        " timestamp '1899-12-30' + (45700 + n % 50) * interval '1 day' + interval '12 hours',"
        " '第' || n || '次 跟踪: 问了尺码和发货时间', n % 5 = 0,"
        " CASE WHEN n % 5 = 0 THEN timestamp '1899-12-30' + 45800 * interval '1 day' END"
        " FROM generate_series(1, " +
            std::to_string(count) + ") AS n; VACUUM ANALYZE yrkb_com;");
    made[count] = where;
    return where;
}

store::CustomerFields next_customer(std::int64_t n) {
    return {"新买家_" + std::to_string(n), "小店一号", 46000.0, 46000.5, "刚问过价格"};
}

void BM_ServerListLoad(benchmark::State& state) {
    const auto where = shop(static_cast<int>(state.range(0)));
    store::StoreConnection c;
    store::RowSet rs;
    std::size_t rows = 0;
    for (auto _ : state) {
        auto list = store::load_customers(c, rs, where, false);
        if (!list) throw std::runtime_error("the list did not load: " + c.last_error());
        rows = list->size();
        benchmark::DoNotOptimize(list->data());
    }
    state.counters["rows"] = static_cast<double>(rows);
}

// The figures of one month and the twelve months' series over 100,000 customers and
// 300,000 follow-ups, counted by the server.
void BM_ServerShopFigures(benchmark::State& state) {
    const auto where = shop(100000);
    store::StoreConnection c;
    store::RowSet rs;
    static bool logged = false;
    if (!logged) {
        if (!store::open_action(c, rs, where, "yrkb_com where id=0", true) ||
            !c.ensure_table("lq_log") || !c.commit_transaction())
            throw std::runtime_error("the log table was not made: " + c.last_error());
        store::close_action(c, rs);
        const std::string db = where.odbc.substr(where.odbc.find(";Database=") + 10);
        server().admin_sql(
            db.substr(0, db.find(';')),
            "INSERT INTO lq_log (customer, at, our_id, said)"
            " SELECT 1 + n / 3, timestamp '1899-12-30' + (45700 + n % 365) * interval '1 day'"
            " + interval '12 hours', CASE WHEN n % 3 = 0 THEN '小店一号' ELSE '小店二号' END,"
            " '问了尺码' FROM generate_series(0, 299999) AS n; VACUUM ANALYZE lq_log;");
        logged = true;
    }
    for (auto _ : state) {
        auto figures = store::read_shop_figures(c, rs, where, {45700, 45731}, 202409, 202508);
        if (!figures) throw std::runtime_error("no figures: " + c.last_error());
        benchmark::DoNotOptimize(figures->total.enquiries);
    }
}

void BM_ServerSave(benchmark::State& state) {
    const auto where = shop(static_cast<int>(state.range(0)));
    store::StoreConnection c;
    store::RowSet rs;
    static std::int64_t n = 0;
    for (auto _ : state) {
        if (store::save_new_customer(c, rs, where, next_customer(++n)) != store::SaveOutcome::saved)
            throw std::runtime_error("a save failed: " + c.last_error() + rs.last_error());
    }
}

// What a list that watches for other PCs' changes pays for each look.
void BM_ServerChangeStamp(benchmark::State& state) {
    const auto where = shop(1000);
    store::StoreConnection c;
    for (auto _ : state) {
        if (!c.open_store(where) || !c.change_stamp())
            throw std::runtime_error("no change stamp: " + c.last_error());
        c.close_store();
    }
}

// From the start of a save on one PC until another PC, looking as fast as it can, sees
// the stamp move.
void BM_ServerChangeSeen(benchmark::State& state) {
    const auto where = shop(10000);
    std::atomic<std::uint64_t> seen{0};
    std::atomic<bool> stop{false};
    std::thread watcher([&] {
        store::StoreConnection c;
        while (!stop) {
            if (c.open_store(where)) {
                if (auto s = c.change_stamp()) seen = *s;
                c.close_store();
            }
        }
    });
    store::StoreConnection c;
    store::RowSet rs;
    static std::int64_t n = 1'000'000;
    for (auto _ : state) {
        const std::uint64_t before = seen;
        const auto start = Clock::now();
        if (store::save_new_customer(c, rs, where, next_customer(++n)) != store::SaveOutcome::saved)
            throw std::runtime_error("a save failed: " + c.last_error());
        while (seen == before)
            std::this_thread::yield();
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
    stop = true;
    watcher.join();
}

// The day's copy of a shop of 10,000 customers: the file's bytes under its lock, or the
// server's tables read in one snapshot into a fresh database file.
void BM_Backup(benchmark::State& state) {
    jet::OsFileSystem fs;
    const std::string folder = server().directory() + "/bench_backups";
    store::StoreLocation where;
    if (state.range(0) == 0) {
        where = {folder + "/shop.db", store::kDatabasePassword};
        where.exact = true;
        (void)fs.make_directory(folder);
        const auto bytes = bench::shop_database(bench::shop_customers(10000, 7));
        std::ofstream(where.path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    } else {
        where = shop(10000);
    }
    unsigned day = 1;
    for (auto _ : state) {
        auto kept = store::back_up_shop(fs, where, folder + "/备份", {2026, 1, day});
        if (!kept) throw std::runtime_error("the backup failed: " + kept.failure().message);
        day = day % 28u + 1u;
    }
}

BENCHMARK(BM_ServerListLoad)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ServerShopFigures)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ServerSave)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ServerChangeStamp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Backup)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ServerChangeSeen)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
