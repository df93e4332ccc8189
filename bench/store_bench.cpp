// The two store actions the program runs most, at 1,000, 10,000 and 100,000 customers: one
// save of the customer editor (open, duplicate query, add, five writes, update, close) and
// one load of the customer list (open, the open customers newest first, all eight columns
// of every row, close). Saves are timed on disk, with the flush, and in memory, without. The
// list load is timed again on a shop where every customer has a next step kept beside it.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>

#include "bench/customer_db.h"
#include "jet/database_session.h"
#include "jet/memory_file_system.h"
#include "jet/table_writer.h"
#include "store/action_steps.h"
#include "store/customer_actions.h"
#include "store/database_template.h"
#include "store/provision.h"
#include "store/shop_figures.h"

namespace {

const char* const kMemoryPath = "/bench/yrkb_com.db";

const std::vector<std::uint8_t>& image(int count) {
    static std::map<int, std::vector<std::uint8_t>> made;
    auto it = made.find(count);
    if (it == made.end()) it = made.emplace(count, bench::customer_database(count)).first;
    return it->second;
}

std::string on_disk(int count) {
    const char* dir = std::getenv("TMPDIR");
    std::string path = std::string(dir && *dir ? dir : "/tmp") + "/lq_store_bench_" +
                       std::to_string(count) + ".db";
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const auto& bytes = image(count);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
    return path;
}

store::CustomerFields next_customer(std::int64_t n) {
    return {"新买家_" + std::to_string(n), "小店一号", 46000.0, 46000.5, "刚问过价格"};
}

// The open customers of `where` loaded as the list loads them, once per iteration.
void time_list_load(benchmark::State& state, const store::StoreLocation& where) {
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
    state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(where.path));
}

void BM_ListLoad(benchmark::State& state) {
    time_list_load(state, {on_disk(static_cast<int>(state.range(0))), store::kDatabasePassword});
}

// A kept step for every `every`th customer, written in one transaction: a next date, for
// every tenth of them a give-up with its reason instead, for every fifth two tags.
std::string with_steps(int count, int every) {
    const std::string path = on_disk(count) + ".steps" + std::to_string(every) + ".db";
    std::filesystem::copy_file(on_disk(count), path,
                               std::filesystem::copy_options::overwrite_existing);
    const store::StoreLocation where{path, store::kDatabasePassword};
    store::StoreConnection c;
    store::RowSet rs;
    if (!store::open_action(c, rs, where, "yrkb_com", true))
        throw std::runtime_error("the shop did not open: " + c.last_error());
    std::vector<std::pair<std::int32_t, std::string>> customers;
    for (int i = 0, n = rs.row_count(); i < n; ++i, rs.move_next())
        if (i % every == 0)
            customers.emplace_back(rs.read_int("id").second, rs.read_text("wang").second);
    rs.close_rows();
    bool ok = c.ensure_table("lq_buyer") && store::reopen_rows(rs, "lq_buyer where customer=0");
    rs.begin_batch();
    for (std::size_t i = 0; ok && i < customers.size(); ++i) {
        ok = rs.add_row() && rs.write_int("customer", customers[i].first) &&
             rs.write_text("wang", customers[i].second);
        if (i % 10 != 0)
            ok = ok && rs.write_datetime("next_date", 46100.0 + static_cast<double>(i % 30));
        else
            ok = ok && rs.write_datetime("gave_up", 46050.5) && rs.write_text("reason", "嫌贵");
        // Every fifth step with two of the shop's tags.
        if (i % 5 == 1) ok = ok && rs.write_text("tags", ",1,2,");
        ok = ok && rs.update_row();
    }
    ok = ok && rs.end_batch() && c.ensure_table("lq_tag");
    for (const char* name : {"嫌贵", "老客户"})
        ok = ok && store::reopen_rows(rs, "lq_tag where id=0") && rs.add_row() &&
             rs.write_text("name", name) && rs.write_int("place", 0) && rs.write_int("kind", 0) &&
             rs.update_row();
    ok = ok && c.commit_transaction();
    store::close_action(c, rs);
    if (!ok) throw std::runtime_error("the steps were not written: " + c.last_error());
    return path;
}

// range(1): a step for every range(1)th customer (1: all of them, 3: a third).
void BM_ListLoadWithSteps(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    time_list_load(state,
                   {with_steps(count, static_cast<int>(state.range(1))), store::kDatabasePassword});
}

// 100,000 customers with 300,000 follow-ups over the last year, three to a customer, for the
// shop's figures.
std::string with_follow_ups() {
    const std::string path = on_disk(100000) + ".log.db";
    std::filesystem::copy_file(on_disk(100000), path,
                               std::filesystem::copy_options::overwrite_existing);
    const store::StoreLocation where{path, store::kDatabasePassword};
    store::StoreConnection c;
    store::RowSet rs;
    if (!store::open_action(c, rs, where, "yrkb_com where id=0", true))
        throw std::runtime_error("the shop did not open: " + c.last_error());
    rs.close_rows();
    bool ok = c.ensure_table("lq_log") && store::reopen_rows(rs, "lq_log where customer=0");
    rs.begin_batch();
    for (int i = 0; ok && i < 300000; ++i)
        ok = rs.add_row() && rs.write_int("customer", 1 + i / 3) &&
             rs.write_datetime("at", 45700.0 + (i % 365) + 0.5) &&
             rs.write_text("our_id", i % 3 == 0 ? "小店一号" : "小店二号") &&
             rs.write_text("said", "问了尺码") && rs.update_row();
    ok = ok && rs.end_batch() && c.commit_transaction();
    store::close_action(c, rs);
    if (!ok) throw std::runtime_error("the log was not written: " + c.last_error());
    return path;
}

// The figures of one month and the twelve months' series, as "店铺统计" counts them.
void BM_ShopFigures(benchmark::State& state) {
    const store::StoreLocation where{with_follow_ups(), store::kDatabasePassword};
    store::StoreConnection c;
    store::RowSet rs;
    for (auto _ : state) {
        auto figures = store::read_shop_figures(c, rs, where, {45700, 45731}, 202409, 202508);
        if (!figures) throw std::runtime_error("no figures: " + c.last_error());
        benchmark::DoNotOptimize(figures->total.enquiries);
    }
}

void BM_SaveOnDisk(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const store::StoreLocation where{on_disk(count), store::kDatabasePassword};
    store::StoreConnection c;
    store::RowSet rs;
    std::int64_t n = 0;
    for (auto _ : state) {
        if (store::save_new_customer(c, rs, where, next_customer(++n)) != store::SaveOutcome::saved)
            throw std::runtime_error("a save failed: " + c.last_error() + rs.last_error());
    }
}

// The same save with the file in memory: what it costs before the disk is asked to flush.
void BM_SaveInMemory(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    jet::MemoryFileSystem fs;
    fs.put(kMemoryPath, image(count));
    const store::StoreLocation where{kMemoryPath, store::kDatabasePassword};
    store::StoreConnection c(fs);
    store::RowSet rs;
    std::int64_t n = 0;
    for (auto _ : state) {
        if (store::save_new_customer(c, rs, where, next_customer(++n)) != store::SaveOutcome::saved)
            throw std::runtime_error("a save failed: " + c.last_error() + rs.last_error());
    }
}

// The first save after a start, on a file no save has looked at yet: it reads every
// customer's ID once, and the saves after it find a buyer among them without reading.
void BM_FirstSaveInMemory(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    std::int64_t n = 0;
    for (auto _ : state) {
        jet::MemoryFileSystem fs;
        fs.put(kMemoryPath, image(count));
        const store::StoreLocation where{kMemoryPath, store::kDatabasePassword};
        store::StoreConnection c(fs);
        store::RowSet rs;
        const auto start = std::chrono::steady_clock::now();
        if (store::save_new_customer(c, rs, where, next_customer(++n)) != store::SaveOutcome::saved)
            throw std::runtime_error("a save failed: " + c.last_error() + rs.last_error());
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
}

BENCHMARK(BM_ListLoad)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListLoadWithSteps)
    ->Args({10000, 3})
    ->Args({100000, 3})
    ->Args({10000, 1})
    ->Args({100000, 1})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShopFigures)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveOnDisk)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveInMemory)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstSaveInMemory)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
