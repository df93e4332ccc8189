// http_get over the native socket adapter against a real server on 127.0.0.1.
#include "services/http_get.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "runtime/headless/backend.h"
#include "runtime/headless/socket_http.h"
#include "tests/services/support/http_test_server.h"

namespace services {
namespace {

using namespace std::chrono_literals;
using testsupport::CannedReply;
using testsupport::HttpTestServer;

std::string text(const std::vector<std::uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}

std::string pattern(std::size_t size) {
    std::string body(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        body[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
    return body;
}

CannedReply body_reply(std::string body) {
    CannedReply reply;
    reply.body = std::move(body);
    return reply;
}

class HttpGet : public ::testing::Test {
  protected:
    HttpTestServer server;
    runtime::headless::SocketHttp http{{1000ms, 1000ms}};
};

TEST_F(HttpGet, EmptyUrlSendsNothing) {
    EXPECT_TRUE(http_get(http, "").empty());
    const auto reply = http_fetch(http, "");
    EXPECT_EQ(reply.status, 0);
    EXPECT_EQ(reply.read_buffer, 0u);
    EXPECT_EQ(server.request_count(), 0u);
}

TEST_F(HttpGet, AsksWithHttp10AndAcceptAll) {
    server.set_reply("/a/b.txt?x=1&y=2", body_reply("hello"));
    EXPECT_EQ(text(http_get(http, server.url("/a/b.txt?x=1&y=2"))), "hello");
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_TRUE(requests[0].starts_with("GET /a/b.txt?x=1&y=2 HTTP/1.0\r\n")) << requests[0];
    EXPECT_NE(requests[0].find("\r\nAccept: */*\r\n"), std::string::npos);
    EXPECT_NE(requests[0].find("\r\nHost: " + server.host() + "\r\n"), std::string::npos);
}

TEST_F(HttpGet, FragmentIsDroppedAndNothingIsEscaped) {
    server.set_reply("/p?uid=%E4%B8%AD%20x", body_reply("ok"));
    EXPECT_EQ(text(http_get(http, server.url("/p?uid=%E4%B8%AD%20x#frag?z=1"))), "ok");
    EXPECT_EQ(text(http_get(http, server.url("/p?uid=%E4%B8%AD%20x#"))), "ok");
    EXPECT_EQ(server.targets(),
              (std::vector<std::string>{"/p?uid=%E4%B8%AD%20x", "/p?uid=%E4%B8%AD%20x"}));
    // Nothing at all before the fragment: the root.
    http_get(http, "http://" + server.host() + "#top");
    EXPECT_EQ(server.targets().back(), "/");
}

TEST_F(HttpGet, BufferRules) {
    // No length: 10240-byte pieces, read until the server closes.
    CannedReply unannounced = body_reply(pattern(30000));
    unannounced.omit_length = true;
    server.set_reply("/none", unannounced);
    auto reply = http_fetch(http, server.url("/none"));
    EXPECT_EQ(reply.read_buffer, 10240u);
    EXPECT_EQ(text(reply.body), pattern(30000));
    EXPECT_EQ(reply.status, 200);

    server.set_reply("/big", body_reply(pattern(500000)));
    reply = http_fetch(http, server.url("/big"));
    EXPECT_EQ(reply.read_buffer, 102400u);
    EXPECT_EQ(text(reply.body), pattern(500000));

    server.set_reply("/641", body_reply(pattern(641)));
    reply = http_fetch(http, server.url("/641"));
    EXPECT_EQ(reply.read_buffer, 642u);
    EXPECT_EQ(reply.body.size(), 641u);

    // Around the cap, and announced lengths that are no size.
    for (auto [announced, buffer] : std::initializer_list<std::pair<const char*, std::size_t>>{
             {"102399", 102400},
             {"102400", 102400},
             {"102398", 102399},
             {"0", 10240},
             {"-5", 10240},
             {"abc", 10240},
             {"99999999999999999999", 102400}}) {
        CannedReply odd = body_reply("x");
        odd.content_length = announced;
        odd.hold_open = 0ms;
        server.set_reply("/odd", odd);
        EXPECT_EQ(http_fetch(http, server.url("/odd")).read_buffer, buffer) << announced;
    }
}

TEST_F(HttpGet, AnnouncedLengthEndsTheBodyWithoutWaitingForTheClose) {
    CannedReply kept_open = body_reply(pattern(641));
    kept_open.hold_open = 5000ms;
    server.set_reply("/keep", kept_open);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(text(http_get(http, server.url("/keep"))), pattern(641));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 900ms);

    // More than announced is cut at the announcement.
    CannedReply longer = body_reply("0123456789");
    longer.content_length = "4";
    server.set_reply("/longer", longer);
    EXPECT_EQ(text(http_get(http, server.url("/longer"))), "0123");
}

TEST_F(HttpGet, ErrorPagesComeBackWithTheirStatus) {
    const auto reply = http_fetch(http, server.url("/missing"));
    EXPECT_EQ(reply.status, 404);
    EXPECT_FALSE(reply.succeeded());
    EXPECT_EQ(text(reply.body), "<html><body><h1>404 Not Found</h1></body></html>");
    EXPECT_EQ(text(http_get(http, server.url("/missing"))),
              "<html><body><h1>404 Not Found</h1></body></html>");
}

TEST_F(HttpGet, FailuresBeforeTheBodyGiveNothing) {
    // Refused.
    auto reply =
        http_fetch(http, "http://127.0.0.1:" + std::to_string(testsupport::refusing_port()) + "/x");
    EXPECT_EQ(reply.status, 0);
    EXPECT_TRUE(reply.body.empty());
    // Closed without a word.
    CannedReply silent;
    silent.hang_up = true;
    server.set_reply("/silent", silent);
    reply = http_fetch(http, server.url("/silent"));
    EXPECT_EQ(reply.status, 0);
    EXPECT_TRUE(reply.body.empty());
    // Not a URL, another scheme, https, a name that does not resolve, a bad port.
    for (const char* url :
         {"nonsense", "ftp://127.0.0.1/x", "https://127.0.0.1/", "http://no-such-host.invalid/",
          "http://127.0.0.1:99999/", "http:///path"}) {
        EXPECT_TRUE(http_get(http, url).empty()) << url;
    }
    // Control characters could forge the request; such an address is not sent.
    EXPECT_TRUE(http_get(http, server.url("/a\r\nX-Forged: 1")).empty());
    EXPECT_EQ(server.request_count(), 1u);  // only the silent one arrived
}

TEST_F(HttpGet, TimeoutsBoundEveryWait) {
    runtime::headless::SocketHttp quick{{300ms, 300ms}};
    // A server that answers too late.
    CannedReply late = body_reply("late");
    late.delay = 3000ms;
    server.set_reply("/late", late);
    auto start = std::chrono::steady_clock::now();
    auto reply = http_fetch(quick, server.url("/late"));
    EXPECT_EQ(reply.status, 0);
    EXPECT_TRUE(reply.body.empty());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2000ms);

    // A connection that is never taken.
    testsupport::FullListener full;
    start = std::chrono::steady_clock::now();
    EXPECT_TRUE(http_get(quick, "http://127.0.0.1:" + std::to_string(full.port()) + "/x").empty());
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, 250ms);
    EXPECT_LT(waited, 2000ms);
}

TEST_F(HttpGet, BodyThatStopsMidwayIsKept) {
    runtime::headless::SocketHttp quick{{300ms, 300ms}};
    CannedReply stalled = body_reply(pattern(5000));
    stalled.send_only = 1200;
    stalled.stall = 3000ms;
    server.set_reply("/stall", stalled);
    auto reply = http_fetch(quick, server.url("/stall"));
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(text(reply.body), pattern(1200));

    // The same when the server closes early.
    stalled.stall = 0ms;
    server.set_reply("/cut", stalled);
    reply = http_fetch(quick, server.url("/cut"));
    EXPECT_EQ(text(reply.body), pattern(1200));
}

TEST_F(HttpGet, RedirectsAreFollowed) {
    CannedReply moved;
    moved.status = 302;
    moved.headers = {{"Location", "/there?b=2"}};
    server.set_reply("/here", moved);
    server.set_reply("/there?b=2", body_reply("arrived"));
    const auto reply = http_fetch(http, server.url("/here"));
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(text(reply.body), "arrived");
    EXPECT_EQ(server.targets(), (std::vector<std::string>{"/here", "/there?b=2"}));

    // A loop ends with the last redirect's own reply.
    CannedReply loop;
    loop.status = 301;
    loop.body = "moved";
    loop.headers = {{"Location", server.url("/loop")}};
    server.set_reply("/loop", loop);
    EXPECT_EQ(http_fetch(http, server.url("/loop")).status, 301);
}

TEST_F(HttpGet, UserAndPasswordOfTheUrlAreSent) {
    server.set_reply("/secret", body_reply("s"));
    EXPECT_EQ(text(http_get(http, "http://shop:pw@" + server.host() + "/secret")), "s");
    // base64("shop:pw")
    EXPECT_NE(server.requests().at(0).find("\r\nAuthorization: Basic c2hvcDpwdw==\r\n"),
              std::string::npos);
}

TEST_F(HttpGet, ManyThreadsAtOnce) {
    server.set_handler([](std::string_view target) { return body_reply(std::string(target)); });
    std::vector<std::string> got(32);
    {
        std::vector<std::jthread> threads;
        for (std::size_t i = 0; i < got.size(); ++i)
            threads.emplace_back(
                [&, i] { got[i] = text(http_get(http, server.url("/n" + std::to_string(i)))); });
    }
    for (std::size_t i = 0; i < got.size(); ++i)
        EXPECT_EQ(got[i], "/n" + std::to_string(i));
}

TEST(HttpGetThroughPlatform, UsesTheInstalledAdapter) {
    HttpTestServer server;
    server.set_reply("/v", body_reply("2.1"));
    runtime::headless::Backend backend;
    backend.platform().set_http(std::make_unique<runtime::headless::SocketHttp>());
    EXPECT_EQ(text(http_get(server.url("/v"))), "2.1");
    EXPECT_EQ(http_fetch(server.url("/v")).status, 200);
}

// An adapter that only gives bodies cannot say whether a reply succeeded.
class BodiesOnly final : public runtime::HttpAdapter {
  public:
    std::vector<std::uint8_t> get(std::string_view) override { return {'x'}; }
};

TEST(HttpGetThroughPlatform, AnAdapterWithoutStatusIsAWiringFault) {
    BodiesOnly plain;
    EXPECT_EQ(http_get(plain, "http://x/"), std::vector<std::uint8_t>{'x'});
    EXPECT_THROW(http_fetch(plain, "http://x/"), std::logic_error);
}

}  // namespace
}  // namespace services
