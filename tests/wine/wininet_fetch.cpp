// wininet_fetch.exe [--timeout MS] [--parallel] [--session [--no-reuse] [--cancel-after MS]]
// URL...: fetches each URL with the program's WinInet adapter and prints one line per URL, in
// argument order:
//   status read_buffer body_size fnv1a64(body) milliseconds
// With --parallel every URL is fetched at once, each on its own thread, through one adapter.
// With --session they go through one session of the adapter (kept connections unless
// --no-reuse), which --cancel-after cancels that many milliseconds after the start.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "runtime/win32/wininet_http.h"

namespace {

std::uint64_t fnv1a(const std::vector<std::uint8_t>& bytes) {
    std::uint64_t hash = 14695981039346656037ull;
    for (std::uint8_t b : bytes) {
        hash ^= b;
        hash *= 1099511628211ull;
    }
    return hash;
}

struct Line {
    runtime::HttpReply reply;
    long long ms = 0;
};

template <typename Http>
Line fetch(Http& http, const std::string& url) {
    const auto start = std::chrono::steady_clock::now();
    Line line{http.fetch(url), 0};
    line.ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                  std::chrono::steady_clock::now() - start)
                  .count();
    return line;
}

}  // namespace

int main(int argc, char** argv) {
    runtime::HttpTimeouts timeouts;
    bool parallel = false;
    bool session = false;
    bool reuse = true;
    long long cancel_after = -1;
    std::vector<std::string> urls;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--timeout") == 0 && i + 1 < argc) {
            const auto ms = std::chrono::milliseconds(std::stoll(argv[++i]));
            timeouts = {ms, ms};
        } else if (std::strcmp(argv[i], "--parallel") == 0) {
            parallel = true;
        } else if (std::strcmp(argv[i], "--session") == 0) {
            session = true;
        } else if (std::strcmp(argv[i], "--no-reuse") == 0) {
            reuse = false;
        } else if (std::strcmp(argv[i], "--cancel-after") == 0 && i + 1 < argc) {
            cancel_after = std::stoll(argv[++i]);
        } else {
            // "-" stands for the empty address, which a shell cannot pass through Wine.
            urls.emplace_back(std::strcmp(argv[i], "-") == 0 ? "" : argv[i]);
        }
    }
    runtime::win32::WinInetHttp http(timeouts);
    std::shared_ptr<runtime::HttpSession> requests;
    if (session) requests = http.open_session({reuse, timeouts});
    const auto one = [&](std::size_t i) {
        return requests ? fetch(*requests, urls[i]) : fetch(http, urls[i]);
    };
    std::vector<Line> lines(urls.size());
    std::thread canceller;
    if (requests && cancel_after >= 0)
        canceller = std::thread([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(cancel_after));
            requests->cancel_all();
        });
    if (parallel) {
        std::vector<std::thread> threads;
        for (std::size_t i = 0; i < urls.size(); ++i)
            threads.emplace_back([&, i] { lines[i] = one(i); });
        for (auto& t : threads)
            t.join();
    } else {
        for (std::size_t i = 0; i < urls.size(); ++i)
            lines[i] = one(i);
    }
    if (canceller.joinable()) canceller.join();
    for (const Line& line : lines)
        std::printf("%d %zu %zu %016llx %lld\n", line.reply.status, line.reply.read_buffer,
                    line.reply.body.size(), static_cast<unsigned long long>(fnv1a(line.reply.body)),
                    line.ms);
    return 0;
}
