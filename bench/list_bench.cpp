// Finding and sorting the customer list as the window asks for it, over a lifelike shop of
// 10,000 and 100,000 customers: the ListOrder built from a list load, one keystroke of the
// find box (the find text in, the rows to show out), and a sort by a text column through the
// code page adapter's Chinese order (the first, which makes the collation keys, and a later
// one) and by a date column.
#include <benchmark/benchmark.h>

#include <chrono>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>

#include "app/list_order.h"
#include "bench/shop_customers.h"
#include "runtime/headless/iconv_code_pages.h"

namespace {

constexpr std::uint32_t kSeed = 7;

const std::vector<store::CustomerRow>& shop(int count) {
    static std::map<int, std::vector<store::CustomerRow>> made;
    auto it = made.find(count);
    if (it == made.end()) it = made.emplace(count, bench::shop_customers(count, kSeed)).first;
    return it->second;
}

// The adapter the program hands the list; one for the whole run, as the program has one.
runtime::headless::IconvCodePages& code_pages() {
    static runtime::headless::IconvCodePages pages;
    return pages;
}

app::ListOrder make_order(std::vector<store::CustomerRow> customers) {
    return app::ListOrder(std::move(customers), &code_pages());
}

// What is typed into the find box, one keystroke each: Latin letters one at a time, a
// Chinese word as the input method hands it over, digits, a full-width letter, our ID.
const char* const kFinds[] = {"w", "wa", "wan", "wang", "尺码", "tb3", "tb38", "Ｗ", "阿美"};

app::ListQuery find_query(int which, int sort_column) {
    app::ListQuery q;
    q.find = kFinds[which];
    q.sort.column = sort_column;
    return q;
}

void BM_BuildOrder(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    std::optional<app::ListOrder> order;
    for (auto _ : state) {
        state.PauseTiming();
        order.reset();
        std::vector<store::CustomerRow> loaded = shop(count);
        state.ResumeTiming();
        // The list load hands over its rows; building the order is what it pays on top.
        order.emplace(make_order(std::move(loaded)));
    }
    state.counters["rows"] = static_cast<double>(order->customers().size());
}

// One keystroke: range(1) picks the find text, range(2) the column sorted by (0: newest
// first; 3: the customer ID, its keys made before the timing, as an earlier sort left them).
void BM_Keystroke(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const int which = static_cast<int>(state.range(1));
    const int column = static_cast<int>(state.range(2));
    auto order = make_order(shop(count));
    if (column != 0) (void)order.shown(find_query(0, column));
    const app::ListQuery q = find_query(which, column);
    std::size_t rows = 0;
    for (auto _ : state) {
        rows = order.shown(q).size();
        benchmark::DoNotOptimize(rows);
    }
    state.SetLabel(kFinds[which]);
    state.counters["rows"] = static_cast<double>(rows);
}

app::ListQuery sort_query(int column, bool descending) {
    app::ListQuery q;
    q.sort = {column, descending};
    return q;
}

// The first sort by a column of a freshly loaded list: the moment it loaded, when a text
// column's sort makes every customer's collation key, or (`prepared`) a second later, as the
// window has it: the list makes the text columns' orders on a thread of its own at each load.
void first_sort(benchmark::State& state, bool prepared) {
    const int count = static_cast<int>(state.range(0));
    const int column = static_cast<int>(state.range(1));
    std::optional<app::ListOrder> order;
    std::size_t rows = 0;
    for (auto _ : state) {
        state.PauseTiming();
        order.reset();
        order.emplace(make_order(shop(count)));
        if (prepared) {
            order->prepare_text_orders();
            std::this_thread::sleep_for(std::chrono::seconds(1));
        }
        state.ResumeTiming();
        rows = order->shown(sort_query(column, false)).size();
    }
    if (rows != static_cast<std::size_t>(count)) throw std::runtime_error("rows lost in the sort");
    state.counters["rows"] = static_cast<double>(rows);
}
void BM_FirstSort(benchmark::State& state) {
    first_sort(state, false);
}
void BM_SortAfterLoad(benchmark::State& state) {
    first_sort(state, true);
}

// A later sort, the keys kept: each click on the header turns the order round.
void BM_LaterSort(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const int column = static_cast<int>(state.range(1));
    auto order = make_order(shop(count));
    (void)order.shown(sort_query(column, false));
    bool descending = false;
    std::size_t rows = 0;
    for (auto _ : state) {
        descending = !descending;
        rows = order.shown(sort_query(column, descending)).size();
    }
    if (rows != static_cast<std::size_t>(count)) throw std::runtime_error("rows lost in the sort");
    state.counters["rows"] = static_cast<double>(rows);
}

void keystrokes(benchmark::internal::Benchmark* b) {
    for (int count : {10000, 100000})
        for (int column : {0, 3})
            for (int which = 0; which < static_cast<int>(std::size(kFinds)); ++which)
                b->Args({count, which, column});
}

// Columns: 3 the customer ID, 7 the note (text, Chinese order), 5 the first enquiry (a date).
void sorts(benchmark::internal::Benchmark* b) {
    for (int count : {10000, 100000})
        for (int column : {3, 7, 5})
            b->Args({count, column});
}

BENCHMARK(BM_BuildOrder)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Keystroke)->Apply(keystrokes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstSort)->Apply(sorts)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LaterSort)->Apply(sorts)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortAfterLoad)
    ->Args({100000, 3})
    ->Args({100000, 7})
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
