// Reading speed of the Jet engine over a 10,000-row table: from memory and from disk,
// opening the file each time as the program does, and scanning an already open database.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "jet/database.h"
#include "jet/file.h"
#include "jet/query.h"
#include "tests/jet/support/bench_table.h"

namespace {

constexpr std::uint32_t kRows = 10000;
constexpr std::uint64_t kSeed = 42;

std::vector<std::uint8_t> read_fixture(const std::string& name) {
    std::ifstream in(std::string(LQ_FIXTURES_DIR) + "/" + name, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read fixture " + name);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const std::vector<std::uint8_t>& bench_image() {
    static const std::vector<std::uint8_t> image = [] {
        auto made =
            lq::jet_support::make_bench_table(read_fixture("no-password.mdb"), {kRows, kSeed});
        if (!made) throw std::runtime_error(made.error().message);
        return std::move(made).value();
    }();
    return image;
}

// The same image on disk, for reads through the operating system.
const std::string& bench_path() {
    static const std::string path = [] {
        const char* dir = std::getenv("TMPDIR");
        std::string p = std::string(dir && *dir ? dir : "/tmp") + "/lq_jet_read_bench.mdb";
        std::ofstream out(p, std::ios::binary | std::ios::trunc);
        const auto& img = bench_image();
        out.write(reinterpret_cast<const char*>(img.data()),
                  static_cast<std::streamsize>(img.size()));
        if (!out) throw std::runtime_error("cannot write " + p);
        return p;
    }();
    return path;
}

// Touches every field so that nothing decoded goes unused; returns a checksum.
std::uint64_t consume(const std::vector<jet::Record>& rows) {
    std::uint64_t sum = 0;
    for (const auto& r : rows)
        for (const auto& v : r.values) {
            if (auto i = std::get_if<std::int64_t>(&v))
                sum += static_cast<std::uint64_t>(*i);
            else if (auto s = std::get_if<std::string>(&v))
                sum += s->size();
            else
                sum += 1;
        }
    return sum;
}

// Every row the generator wrote must come back, with its values, or the figure is void.
void check_rows(benchmark::State& state, const std::vector<jet::Record>& rows) {
    if (rows.size() != kRows) {
        state.SkipWithError("wrong number of rows");
        return;
    }
    for (std::uint32_t i = 0; i < kRows; ++i) {
        const auto& v = rows[i].values;
        auto want = lq::jet_support::bench_text(i + 1, kSeed);
        bool id_ok = v.size() == 2 && v[0] == jet::Value(std::int64_t{i + 1});
        bool data_ok = want ? v[1] == jet::Value(*want) : jet::is_null(v[1]);
        if (!id_ok || !data_ok) {
            state.SkipWithError(("row " + std::to_string(i + 1) + " reads back wrong").c_str());
            return;
        }
    }
}

void report(benchmark::State& state) {
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kRows);
    state.counters["rows/s"] = benchmark::Counter(static_cast<double>(kRows),
                                                  benchmark::Counter::kIsIterationInvariantRate);
}

bool open_and_scan(benchmark::State& state, jet::File& file, bool check) {
    auto db = jet::Database::open(file, "");
    if (!db) {
        state.SkipWithError(db.error().message.c_str());
        return false;
    }
    auto table = (*db)->table("Table1");
    if (!table) {
        state.SkipWithError(table.error().message.c_str());
        return false;
    }
    auto rows = (*db)->scan(*table);
    if (!rows) {
        state.SkipWithError(rows.error().message.c_str());
        return false;
    }
    if (check) check_rows(state, *rows);
    benchmark::DoNotOptimize(consume(*rows));
    return true;
}

// Open, read the catalog and the definition, scan: what one export of the table costs.
void BM_OpenScanMemory(benchmark::State& state) {
    jet::MemoryFile file(bench_image());
    if (!open_and_scan(state, file, true)) return;
    for (auto _ : state)
        if (!open_and_scan(state, file, false)) return;
    report(state);
}
BENCHMARK(BM_OpenScanMemory)->Unit(benchmark::kMillisecond);

void BM_OpenScanDisk(benchmark::State& state) {
    const std::string& path = bench_path();
    for (auto _ : state) {
        auto file = jet::open_os_file(path, jet::OpenMode::read_only);
        if (!file) {
            state.SkipWithError(file.error().message.c_str());
            return;
        }
        if (!open_and_scan(state, **file, false)) return;
    }
    report(state);
}
BENCHMARK(BM_OpenScanDisk)->Unit(benchmark::kMillisecond);

// Rows only: the pages are cached and the definition is read, so this is decoding.
void BM_ScanOpenDatabase(benchmark::State& state) {
    jet::MemoryFile file(bench_image());
    auto db = jet::Database::open(file, "");
    if (!db) return state.SkipWithError(db.error().message.c_str());
    auto table = (*db)->table("Table1");
    if (!table) return state.SkipWithError(table.error().message.c_str());
    for (auto _ : state) {
        auto rows = (*db)->scan(*table);
        if (!rows) return state.SkipWithError(rows.error().message.c_str());
        benchmark::DoNotOptimize(consume(*rows));
    }
    report(state);
}
BENCHMARK(BM_ScanOpenDatabase)->Unit(benchmark::kMillisecond);

// A filtered, sorted query over the whole table, as the program's lists run them.
void BM_SelectWhereOrder(benchmark::State& state) {
    jet::MemoryFile file(bench_image());
    auto db = jet::Database::open(file, "");
    if (!db) return state.SkipWithError(db.error().message.c_str());
    for (auto _ : state) {
        auto sel = jet::select(**db, "Table1 where ID > 100 and Data <> 'x' order by Data desc");
        if (!sel) return state.SkipWithError(sel.error().message.c_str());
        benchmark::DoNotOptimize(consume(sel->rows));
    }
    report(state);
}
BENCHMARK(BM_SelectWhereOrder)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
