// The status column of a 200-row list against a local status service that answers every
// request after 50 ms: the rows one by one, and the list load as the program runs it (one
// request for an ID that cannot exist, then the rows eight at a time). Prints both, their
// ratio, and whether the two give the same cells.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "runtime/headless/socket_http.h"
#include "services/offline_status_image.h"
#include "services/online_status.h"
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
    }
    testsupport::HttpTestServer server;
    runtime::headless::SocketHttp http;
    std::vector<std::string> ids;
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
                run.cells.push_back(services::probe_online_status(s.http, s.server.host(), id));
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

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (one_by_one.cells.empty() || together.cells.empty()) return 0;
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
    return one_by_one.cells == together.cells ? 0 : 1;
}
