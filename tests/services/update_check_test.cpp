// The start-up version check against a real update server on 127.0.0.1.
#include "services/update_check.h"

#include <gtest/gtest.h>

#include <chrono>

#include "runtime/headless/message_boxes.h"
#include "runtime/headless/shell.h"
#include "runtime/headless/socket_http.h"
#include "tests/services/support/http_test_server.h"

namespace services {
namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;
using testsupport::CannedReply;

class UpdateCheckTest : public ::testing::Test {
  protected:
    UpdateCheckTest() {
        hosts.update = server.host();
        hosts.maker_home = "home.example";
    }
    void serve_version(std::string body, int status = 200) {
        CannedReply reply;
        reply.status = status;
        reply.content_type = "text/plain";
        reply.body = std::move(body);
        server.set_reply("/hygl/var.txt", reply);
    }
    UpdateCheck check() { return check_for_update(http, boxes, shell, hosts); }

    testsupport::HttpTestServer server;
    runtime::headless::SocketHttp http{{1000ms, 400ms}};
    runtime::headless::HeadlessMessageBoxes boxes;
    runtime::headless::HeadlessShell shell;
    ServiceHosts hosts;
};

TEST_F(UpdateCheckTest, NewerVersionIsAdvisedAndTheHomePageOpened) {
    // The text ends at its first zero byte: "2.1\0" "9" reads as 2.1.
    const std::vector<std::string> versions = {"2.1",
                                               "2.0000002",
                                               " 2.1",
                                               "3",
                                               "2.5\r\n",
                                               "2.1\0"
                                               "9"s};
    for (const std::string& version : versions) {
        serve_version(version);
        boxes.clear_shown();
        EXPECT_EQ(check(), UpdateCheck::kAdvised) << version;
        ASSERT_EQ(boxes.shown().size(), 1u) << version;
        EXPECT_EQ(boxes.shown()[0].text, "请下载最新版本");
        EXPECT_EQ(boxes.shown()[0].title, "信息：");
        EXPECT_EQ(boxes.shown()[0].style, 0u);
    }
    EXPECT_EQ(shell.opened(), std::vector<std::string>(6, "http://home.example/"));
    EXPECT_EQ(server.targets(), std::vector<std::string>(6, "/hygl/var.txt"));
}

TEST_F(UpdateCheckTest, NoNewerVersionNoAdvice) {
    // "\0" "3.0" is the empty text before its zero byte.
    const std::vector<std::string> versions = {"2.0",
                                               "2",
                                               "1.9",
                                               "",
                                               "newest",
                                               "2.00000005",
                                               "\0"
                                               "3.0"s,
                                               "-3"};
    for (const std::string& version : versions) {
        serve_version(version);
        EXPECT_EQ(check(), UpdateCheck::kUpToDate) << version;
    }
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_TRUE(shell.opened().empty());
    EXPECT_EQ(server.request_count(), 8u);
}

TEST_F(UpdateCheckTest, FailuresAndErrorPagesStaySilent) {
    // An error page that starts with a number is no version.
    serve_version("404 Not Found", 404);
    EXPECT_EQ(check(), UpdateCheck::kUpToDate);
    serve_version("502 Bad Gateway", 502);
    EXPECT_EQ(check(), UpdateCheck::kUpToDate);
    CannedReply silent;
    silent.hang_up = true;
    server.set_reply("/hygl/var.txt", silent);
    EXPECT_EQ(check(), UpdateCheck::kUpToDate);
    CannedReply late;
    late.body = "9.9";
    late.delay = 2000ms;
    server.set_reply("/hygl/var.txt", late);
    EXPECT_EQ(check(), UpdateCheck::kUpToDate);
    hosts.update = "127.0.0.1:" + std::to_string(testsupport::refusing_port());
    EXPECT_EQ(check(), UpdateCheck::kUpToDate);
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_TRUE(shell.opened().empty());
}

TEST_F(UpdateCheckTest, NoUpdateHostAsksNothing) {
    serve_version("9.0");
    hosts.update.clear();
    EXPECT_EQ(check(), UpdateCheck::kSkipped);
    EXPECT_EQ(server.request_count(), 0u);
    EXPECT_TRUE(boxes.shown().empty());
    // The built-in hosts have none.
    EXPECT_EQ(check_for_update(http, boxes, shell, ServiceHosts{}), UpdateCheck::kSkipped);
}

TEST_F(UpdateCheckTest, AdviceWithoutAHomePageOpensNothing) {
    serve_version("2.1");
    hosts.maker_home.clear();
    EXPECT_EQ(check(), UpdateCheck::kAdvised);
    EXPECT_EQ(boxes.shown().size(), 1u);
    EXPECT_TRUE(shell.opened().empty());
}

}  // namespace
}  // namespace services
