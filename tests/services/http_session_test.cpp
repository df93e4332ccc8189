// HTTP sessions over the native socket adapter against a real server on 127.0.0.1: kept
// connections, chunked bodies, and cancelling requests that are blocked in the network.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "runtime/headless/socket_http.h"
#include "tests/services/support/http_test_server.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testsupport::CannedReply;
using testsupport::HttpTestServer;

std::string text(const runtime::HttpReply& reply) {
    return {reply.body.begin(), reply.body.end()};
}

class HttpSession : public ::testing::Test {
  protected:
    void SetUp() override {
        server.set_handler([](std::string_view target) {
            CannedReply reply;
            reply.content_type = "text/plain";
            reply.body = "body of " + std::string(target);
            return reply;
        });
    }
    std::shared_ptr<runtime::HttpSession> open(bool reuse) {
        return http.open_session({reuse, {1000ms, 20000ms}});
    }
    HttpTestServer server;
    runtime::headless::SocketHttp http;
};

TEST_F(HttpSession, KeptConnectionsCarryTheRequestsWhereTheServerAllows) {
    struct Case {
        bool reuse;
        bool server_keeps;
        std::size_t connections;
        const char* request_line;
    };
    for (const Case& c :
         {Case{true, true, 1, " HTTP/1.1\r\n"}, Case{false, true, 20, " HTTP/1.0\r\n"},
          Case{true, false, 20, " HTTP/1.1\r\n"}}) {
        SCOPED_TRACE(std::to_string(c.reuse) + std::to_string(c.server_keeps));
        server.clear_record();
        server.set_keep_alive(c.server_keeps);
        auto session = open(c.reuse);
        for (int i = 0; i < 20; ++i) {
            const std::string target = "/s?n=" + std::to_string(i);
            const auto reply = session->fetch(server.url(target));
            EXPECT_EQ(reply.status, 200);
            EXPECT_EQ(text(reply), "body of " + target);
        }
        EXPECT_EQ(server.request_count(), 20u);
        EXPECT_EQ(server.connection_count(), c.connections);
        const std::string first = server.requests().front();
        EXPECT_NE(first.find(c.request_line), std::string::npos) << first;
        EXPECT_NE(first.find("\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)"),
                  std::string::npos);
    }

    // A server that says it keeps the connection but closes it: each next request notices
    // and goes over a new connection, with the right answer all the same.
    server.clear_record();
    server.set_keep_alive(false);
    CannedReply liar;
    liar.body = "kept?";
    liar.headers = {{"Connection", "keep-alive"}};
    server.set_reply("/liar", liar);
    auto session = open(true);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(text(session->fetch(server.url("/liar"))), "kept?");
    EXPECT_EQ(server.request_count(), 5u);
    EXPECT_EQ(server.connection_count(), 5u);
}

TEST_F(HttpSession, ChunkedBodiesArriveWhole) {
    struct Case {
        std::string sent;
        std::optional<std::size_t> cut;  // the server sends only this much, then closes
        std::string body;
    };
    const std::vector<Case> cases = {
        {"5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n", {}, "hello world"},
        {"A;name=value\r\n0123456789\r\n0\r\nTrailer: x\r\n\r\n", {}, "0123456789"},
        {"5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n", 16, "hello wo"},  // cut: what came is kept
        {"zz\r\nhello\r\n0\r\n\r\n", {}, ""},                        // not a size
    };
    auto session = open(true);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        CannedReply chunked;
        chunked.omit_length = true;
        chunked.headers = {{"Transfer-Encoding", "chunked"}};
        chunked.body = cases[i].sent;
        chunked.send_only = cases[i].cut;
        const std::string target = "/chunked" + std::to_string(i);
        server.set_reply(target, chunked);
        EXPECT_EQ(text(http.fetch(server.url(target))), cases[i].body);
        EXPECT_EQ(text(session->fetch(server.url(target))), cases[i].body);
    }
}

TEST_F(HttpSession, CancelEndsBlockedRequestsAtOnceAndRefusesLaterOnes) {
    CannedReply hanging;
    hanging.delay = 30s;
    server.set_reply("/hang", hanging);
    testsupport::FullListener full;  // a connection attempt there waits until given up
    auto session = open(true);
    std::vector<std::future<runtime::HttpReply>> fetches;
    for (int i = 0; i < 3; ++i)
        fetches.push_back(
            std::async(std::launch::async, [&] { return session->fetch(server.url("/hang")); }));
    const std::string nowhere = "http://127.0.0.1:" + std::to_string(full.port()) + "/";
    fetches.push_back(std::async(std::launch::async, [&] { return session->fetch(nowhere); }));
    const auto give_up = Clock::now() + 5s;
    while (server.in_flight() < 3 && Clock::now() < give_up)
        std::this_thread::sleep_for(5ms);
    ASSERT_EQ(server.in_flight(), 3u);

    const auto start = Clock::now();
    session->cancel_all();
    for (auto& fetch : fetches)
        EXPECT_EQ(fetch.get().status, 0);
    // Far below the waits of 1 s to connect and 20 s to receive.
    EXPECT_LT(Clock::now() - start, 500ms);
    EXPECT_EQ(session->fetch(server.url("/s")).status, 0);
    EXPECT_EQ(server.request_count(), 3u);
}

}  // namespace
