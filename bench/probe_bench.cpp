// The status column of a 200-row list against a local status service that answers every
// request after 50 ms: the rows one by one, and a list load eight at a time (one request for
// an ID that cannot exist, then the rows). Prints both, their ratio, and whether the two give
// the same cells.
//
// Then the status pipeline as the program runs it, with 1,000 open customers and a service
// that answers after 100 ms, where setting up a connection costs one more round trip of
// 100 ms: the time until the rows in view show their status, the requests a reload after a
// save sends, and the time until every status is known with kept connections and with one
// connection per request.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "runtime/headless/socket_http.h"
#include "services/http_get.h"
#include "services/offline_status_image.h"
#include "services/online_status.h"
#include "services/status_pipeline.h"
#include "tests/services/support/http_test_server.h"

namespace {

using namespace std::chrono_literals;

constexpr int kRows = 200;
constexpr auto kAnswerTime = 50ms;

struct Service {
    Service() : server(16) {
        server.set_handler([](std::string_view target) {
            testsupport::CannedReply reply;
            const auto image = services::offline_status_image();
            reply.body.assign(image.begin(), image.end());
            // Every fifth buyer is online.
            const auto uid = target.find("uid=buyer");
            const auto end = target.find('&', uid + 4);
            if (uid != std::string_view::npos && end != std::string_view::npos &&
                (target[end - 1] == '0' || target[end - 1] == '5'))
                reply.body[200] = static_cast<char>(reply.body[200] ^ 0x3C);
            reply.delay = kAnswerTime;
            return reply;
        });
        for (int i = 0; i < kRows; ++i)
            ids.push_back("buyer" + std::to_string(i));
        // One by one judges against the service's offline picture, learnt beforehand.
        offline.learn(services::http_fetch(
            http, services::online_status_address(server.host(), services::kNoSuchMemberId)));
    }
    testsupport::HttpTestServer server;
    runtime::headless::SocketHttp http;
    std::vector<std::string> ids;
    services::OfflinePictures offline;
};

Service& service() {
    static Service s;
    return s;
}

struct Run {
    double seconds = 0;
    std::vector<std::string> cells;
};
Run one_by_one, together;

void measure(benchmark::State& state, Run& run, std::size_t parallel) {
    auto& s = service();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (parallel == 0) {
            run.cells.clear();
            for (const auto& id : s.ids)
                run.cells.push_back(
                    services::probe_online_status(s.http, s.server.host(), id, s.offline));
        } else {
            run.cells = services::probe_online_statuses(s.http, s.server.host(), s.ids, parallel);
        }
        run.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        benchmark::DoNotOptimize(run.cells);
    }
    state.counters["rows"] = kRows;
}

void BM_ProbeOneByOne(benchmark::State& state) {
    measure(state, one_by_one, 0);
}
void BM_ProbeListLoad(benchmark::State& state) {
    measure(state, together, services::kMaxParallelProbes);
}

BENCHMARK(BM_ProbeOneByOne)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ProbeListLoad)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// The status pipeline of the program against a service with a round trip of 100 ms.
constexpr int kCustomers = 1000;
constexpr std::size_t kRowsInView = 14;  // a 400-pixel list of 28-pixel rows
constexpr auto kRoundTrip = std::chrono::milliseconds(100);

struct PipelineRun {
    double view_seconds = 0;     // until every row in view had its status
    double all_seconds = 0;      // until every status was known
    std::size_t after_save = 0;  // requests of a reload after a save
    std::size_t connections = 0;
    std::size_t online = 0;
};

PipelineRun run_pipeline(bool reuse) {
    testsupport::HttpTestServer server(16);
    server.set_connection_delay(kRoundTrip);
    server.set_handler([](std::string_view target) {
        testsupport::CannedReply reply;
        const auto image = services::offline_status_image();
        reply.body.assign(image.begin(), image.end());
        if (target.find("uid=online") != std::string_view::npos) reply.body[200] ^= 0x3C;
        reply.delay = kRoundTrip;
        return reply;
    });
    std::vector<services::StatusKey> list;
    for (int i = 0; i < kCustomers; ++i)
        list.push_back({kCustomers - i, (i % 5 == 0 ? "online" : "buyer") + std::to_string(i)});
    const std::set<services::StatusKey> in_view(list.begin(), list.begin() + kRowsInView);

    using Clock = std::chrono::steady_clock;
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t answered = 0, view_answered = 0, online = 0;
    Clock::time_point view_done{}, all_done{};
    runtime::headless::SocketHttp http;
    services::StatusPipelineSetup setup;
    setup.http = http.open_session({reuse, {}});
    setup.host = server.host();
    const auto start = Clock::now();
    services::StatusPipeline pipeline(
        setup, [&](const services::StatusKey& key, const std::string& text) {
            std::lock_guard lock(mutex);
            if (text == services::kOnlineText) ++online;
            if (in_view.contains(key) && ++view_answered == kRowsInView) view_done = Clock::now();
            if (++answered == list.size()) all_done = Clock::now();
            changed.notify_all();
        });
    pipeline.ask(list, std::span(list).first(kRowsInView), false);
    {
        std::unique_lock lock(mutex);
        changed.wait_for(lock, std::chrono::minutes(2), [&] { return answered == list.size(); });
    }
    PipelineRun run;
    run.view_seconds = std::chrono::duration<double>(view_done - start).count();
    run.all_seconds = std::chrono::duration<double>(all_done - start).count();
    run.connections = server.connection_count();
    run.online = online;
    // A save reloads the list: every status is a moment old, nothing needs asking.
    server.clear_record();
    pipeline.ask(list, std::span(list).first(kRowsInView), false);
    std::this_thread::sleep_for(kRoundTrip * 3);
    run.after_save = server.request_count();
    return run;
}

void print_pipeline_figures() {
    const PipelineRun kept = run_pipeline(true);
    const PipelineRun single = run_pipeline(false);
    std::printf(
        "\nstatus pipeline, %d open customers, %lld ms to answer and %lld ms more for a "
        "new connection, %zu rows in view (%zu online)\n",
        kCustomers, static_cast<long long>(kRoundTrip.count()),
        static_cast<long long>(kRoundTrip.count()), kRowsInView, kept.online);
    std::printf("rows in view show their status after:    %8.0f ms\n", kept.view_seconds * 1000);
    std::printf("requests of a reload after a save:       %8zu\n", kept.after_save);
    std::printf("every status known, kept connections:    %8.2f s (%zu connections)\n",
                kept.all_seconds, kept.connections);
    std::printf("every status known, one per request:     %8.2f s (%zu connections)\n",
                single.all_seconds, single.connections);
    const double ratio = single.all_seconds / kept.all_seconds;
    std::printf("kept connections faster by:              %8.2fx\n", ratio);
    std::printf("goal: rows in view under 0.5 s: %s\n",
                kept.view_seconds < 0.5 ? "met" : "NOT met");
    std::printf("goal: no request after a save: %s\n", kept.after_save == 0 ? "met" : "NOT met");
    std::printf("goal: kept connections at least 1.5x faster: %s\n",
                ratio >= 1.5 ? "met" : "NOT met");
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (one_by_one.cells.empty() || together.cells.empty()) {
        print_pipeline_figures();
        return 0;
    }
    const int online = static_cast<int>(std::count(together.cells.begin(), together.cells.end(),
                                                   std::string(services::kOnlineText)));
    std::printf("\n%d rows, answers after %lld ms (%d online)\n", kRows,
                static_cast<long long>(kAnswerTime.count()), online);
    std::printf("one by one:            %8.1f ms\n", one_by_one.seconds * 1000);
    std::printf("list load, 8 at once:  %8.1f ms (with its one extra request)\n",
                together.seconds * 1000);
    std::printf("ratio:                 %8.2fx (8 connections bound it at %.2fx)\n",
                one_by_one.seconds / together.seconds, kRows / ((kRows + 8.0) / 8.0));
    std::printf("cells identical:       %s\n", one_by_one.cells == together.cells ? "yes" : "NO");
    print_pipeline_figures();
    return one_by_one.cells == together.cells ? 0 : 1;
}
