// wininet_under_wine WINE_FETCH_EXE: runs the WinInet adapter under Wine against a local
// server and checks what it got and what the server was asked. Exit 0 when all hold, 1
// otherwise.
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/services/support/http_test_server.h"

namespace {

using namespace std::chrono_literals;
using testsupport::CannedReply;

std::uint64_t fnv1a(const std::string& bytes) {
    std::uint64_t hash = 14695981039346656037ull;
    for (char c : bytes) {
        hash ^= static_cast<std::uint8_t>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

std::string pattern(std::size_t size) {
    std::string body(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        body[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
    return body;
}

struct Got {
    int status = -1;
    std::size_t buffer = 0, size = 0;
    std::uint64_t hash = 0;
    long long ms = 0;
};

struct PipeClose {
    void operator()(FILE* f) const { pclose(f); }
};

std::vector<Got> run(const std::string& exe, const std::string& args) {
    // The system's proxy settings apply to WinInet; none must take these local requests.
    const std::string command =
        "env -u http_proxy -u HTTP_PROXY -u https_proxy -u no_proxy "
        "wine '" +
        exe + "' " + args + " 2>/dev/null";
    std::unique_ptr<FILE, PipeClose> pipe(popen(command.c_str(), "r"));
    std::vector<Got> lines;
    if (!pipe) return lines;
    std::array<char, 512> buffer{};
    while (fgets(buffer.data(), buffer.size(), pipe.get()) != nullptr) {
        std::istringstream in(buffer.data());
        Got got;
        in >> got.status >> got.buffer >> got.size >> std::hex >> got.hash >> std::dec >> got.ms;
        if (in) lines.push_back(got);
    }
    return lines;
}

int failures = 0;

void check(bool ok, const std::string& what) {
    std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
    if (!ok) ++failures;
}

bool same(const Got& got, int status, std::size_t buffer, const std::string& body) {
    return got.status == status && got.buffer == buffer && got.size == body.size() &&
           got.hash == fnv1a(body);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: wininet_under_wine WININET_FETCH_EXE\n");
        return 2;
    }
    const std::string exe = argv[1];
    testsupport::HttpTestServer server;
    const auto reply = [](std::string body) {
        CannedReply r;
        r.body = std::move(body);
        return r;
    };
    // A cookie offered by the first reply is never sent back.
    CannedReply with_cookie = reply(pattern(641));
    with_cookie.headers = {{"Set-Cookie", "lq=1; path=/"}};
    server.set_reply("/641", with_cookie);
    CannedReply unannounced = reply(pattern(30000));
    unannounced.omit_length = true;
    server.set_reply("/none", unannounced);
    server.set_reply("/big", reply(pattern(500000)));
    server.set_reply("/p?uid=%E4%B8%AD%20x", reply("encoded"));
    CannedReply late = reply("late");
    late.delay = 8000ms;
    server.set_reply("/late", late);
    CannedReply stalled = reply(pattern(5000));
    stalled.send_only = 1200;
    stalled.stall = 8000ms;
    server.set_reply("/stall", stalled);
    const std::string missing_page = "<html><body><h1>404 Not Found</h1></body></html>";
    const std::string refused = "http://127.0.0.1:" + std::to_string(testsupport::refusing_port());

    auto lines = run(exe, "- " + server.url("/641") + " " + server.url("/none") + " " +
                              server.url("/big") + " '" + server.url("/p?uid=%E4%B8%AD%20x#frag") +
                              "' " + server.url("/missing") + " " + refused + "/x");
    check(lines.size() == 7, "one line per address (" + std::to_string(lines.size()) + ")");
    if (lines.size() == 7) {
        check(lines[0].status == 0 && lines[0].size == 0, "the empty address gives nothing");
        check(same(lines[1], 200, 642, pattern(641)), "641 bytes announced: a 642-byte buffer");
        check(same(lines[2], 200, 10240, pattern(30000)), "no length: 10240-byte pieces");
        check(same(lines[3], 200, 102400, pattern(500000)), "500000 announced: 102400 bytes");
        check(same(lines[4], 200, 8, "encoded"), "fragment dropped, nothing escaped");
        check(same(lines[5], 404, missing_page.size() + 1, missing_page),
              "a 404 page comes back with its status");
        check(lines[6].status == 0 && lines[6].size == 0, "a refused connection gives nothing");
    }
    const auto targets = server.targets();
    check(targets.size() == 5 && targets[3] == "/p?uid=%E4%B8%AD%20x",
          "the server was asked the five reachable addresses, the fourth unchanged");
    const auto requests = server.requests();
    check(!requests.empty() && requests[0].starts_with("GET /641 HTTP/1.0\r\n") &&
              requests[0].find("Accept: */*") != std::string::npos &&
              requests[0].find("MSIE 6.0") != std::string::npos,
          "GET with HTTP/1.0, Accept */* and the program's agent");
    check(std::none_of(requests.begin(), requests.end(),
                       [](const std::string& r) { return r.find("Cookie:") != std::string::npos; }),
          "no request carries a cookie");

    lines = run(exe, "--timeout 1500 " + server.url("/late") + " " + server.url("/stall"));
    check(lines.size() == 2, "timeout run gives two lines");
    if (lines.size() == 2) {
        check(lines[0].status == 0 || lines[0].size == 0, "a reply that is too late gives nothing");
        check(lines[0].ms < 5000,
              "the receive wait is bounded (" + std::to_string(lines[0].ms) + " ms)");
        check(same(lines[1], 200, 5001, pattern(1200)),
              "a body that stops midway is kept (" + std::to_string(lines[1].size) + " bytes)");
        check(lines[1].ms < 5000, "and the wait for the rest is bounded");
    }

    std::string many = "--parallel";
    server.set_handler([](std::string_view target) {
        CannedReply r;
        r.body = std::string(target);
        r.delay = 200ms;
        return r;
    });
    for (int i = 0; i < 12; ++i)
        many += " " + server.url("/n" + std::to_string(i));
    lines = run(exe, many);
    bool all = lines.size() == 12;
    for (std::size_t i = 0; all && i < lines.size(); ++i)
        all = same(lines[i], 200, 3 + (i >= 10) + 1, "/n" + std::to_string(i));
    check(all, "twelve requests at once through one session");
    check(server.peak_in_flight() >= 2,
          "they overlapped (" + std::to_string(server.peak_in_flight()) + " at once)");

    // A session keeps its connections: twenty requests one after another over one, asked
    // with HTTP/1.1; without reuse, one connection each.
    std::string twenty;
    for (int i = 0; i < 20; ++i)
        twenty += " " + server.url("/k" + std::to_string(i));
    server.set_handler([](std::string_view target) {
        CannedReply r;
        r.body = std::string(target);
        return r;
    });
    for (const bool reuse : {true, false}) {
        server.clear_record();
        lines = run(exe, std::string("--session ") + (reuse ? "" : "--no-reuse") + twenty);
        all = lines.size() == 20;
        std::string bad = all ? "" : " (" + std::to_string(lines.size()) + " lines)";
        for (std::size_t i = 0; all && i < lines.size(); ++i) {
            all = lines[i].status == 200 && lines[i].size == 2 + std::to_string(i).size();
            if (!all) bad = " (request " + std::to_string(i) + " gave nothing)";
        }
        check(all, std::string("twenty requests through a session ") +
                       (reuse ? "with" : "without") + " kept connections" + bad);
        const auto asked = server.requests();
        const std::size_t connections = server.connection_count();
        if (reuse) {
            check(connections <= 2 && !asked.empty() &&
                      asked[0].find(" HTTP/1.1\r\n") != std::string::npos,
                  "kept: HTTP/1.1 over " + std::to_string(connections) + " connection(s)");
        } else {
            check(connections == 20, "not kept: " + std::to_string(connections) + " connections");
        }
    }

    // Cancelling a session: every request gives nothing. Windows aborts a blocked call when
    // its handles close; Wine's WinInet lets it run to its time limit, which is why the
    // program never waits for its status requests when it closes.
    CannedReply never = reply("never");
    never.delay = 30000ms;
    server.set_reply("/never", never);
    lines =
        run(exe, "--timeout 4000 --session --parallel --cancel-after 700 " + server.url("/never") +
                     " " + server.url("/never") + " " + server.url("/never"));
    all = lines.size() == 3;
    long long slowest = 0;
    for (const Got& got : lines) {
        all = all && got.status == 0 && got.size == 0;
        slowest = std::max(slowest, got.ms);
    }
    check(all, "cancelled requests give nothing");
    check(slowest < 6000, "and never wait longer than their time limit");
    std::printf(
        "note: cancelled requests returned after %lld ms (cancelled at 700 ms, limit "
        "4000 ms)\n",
        slowest);

    std::printf("wine wininet: %d failed\n", failures);
    return failures == 0 ? 0 : 1;
}
